// The ecosystems: one row each, holding everything that varies from one to another, and the
// one reading of an ecosystem argument.
#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "plain_release.hpp"

namespace ombrel {

class VersionStrategy;
struct EcosystemRow;
struct NativeConstraint;

class Ecosystem {
 public:
  // clang-format off
  enum Id : std::uint8_t {
    Generic, Semver, Pep440, Debian, Rpm, Ruby, Maven, Go, Npm, Nuget,
    Composer, Crates, Hex, Swift, Calver, Alpine, Docker, Conda, Arch, Gentoo,
    Cran, Spack, Dart, Julia, Terraform, Helm, Cpan, Nix, Homebrew, Freebsd,
  };
  // clang-format on
  static constexpr std::size_t count = Freebsd + 1;

  constexpr Ecosystem(Id id = Generic) : id_(id) {}
  constexpr operator Id() const { return id_; }

  // Canonical names and aliases, ASCII case ignored; nothing is trimmed.
  static std::expected<Ecosystem, std::string> from_str(std::string_view name);
  // The ecosystem of a lower-case purl type, if it has one.
  static std::optional<Ecosystem> from_purl_type(std::string_view type);
  // The ecosystem OSV names in its own way ("PyPI", "Ubuntu", ...), ASCII case ignored.
  static std::optional<Ecosystem> from_osv_name(std::string_view name);

  inline const EcosystemRow& row() const;
  // Canonical lower-case name.
  inline std::string_view as_str() const;
  // The name validation messages use ("PEP 440", "Ruby gem", ...); empty when none.
  inline std::string_view message_name() const;
  // The strategy that parses and orders its versions.
  inline const VersionStrategy& strategy() const;

 private:
  Id id_;
};

// The reader of an ecosystem's own range syntax (src/core/native/native.hpp). Its messages
// quote the caller's text ("invalid npm range '<text>'; ..."); a bound the ecosystem cannot
// read fails with the ecosystem's own parse message.
using NativeParser = std::expected<NativeConstraint, std::string> (*)(Ecosystem eco,
                                                                      std::string_view text);

struct EcosystemRow {
  Ecosystem::Id id;  // the row's position, checked when the table is built
  std::string_view name;
  std::string_view message_name;
  std::array<std::string_view, 3> aliases;
  const VersionStrategy* strategy;
  std::array<std::string_view, 2> purl_types;  // lower case
  std::array<std::string_view, 8> osv_names;   // lower case; beyond the names above
  // The type a standard VERS specifier names it by; its own name where the standard has none.
  std::string_view vers_type;
  // Its native range syntax; every row sets one (a row without would refuse every constraint).
  NativeParser native_ranges = nullptr;
  // How it reads releases written as plain dotted numbers, ordered without a parse.
  PlainReleases plain = {};
};

// Indexed by Ecosystem.
extern const std::array<EcosystemRow, Ecosystem::count> kEcosystems;

const EcosystemRow& Ecosystem::row() const {
  return kEcosystems[id_];
}
std::string_view Ecosystem::as_str() const {
  return row().name;
}
std::string_view Ecosystem::message_name() const {
  return row().message_name;
}
const VersionStrategy& Ecosystem::strategy() const {
  return *row().strategy;
}

// What `auto` is decided from: nothing (an empty list: generic), a text to detect from, or an
// ecosystem already known (a parsed version's own).
using AutoSample = std::variant<std::monostate, std::string_view, Ecosystem>;

// An ecosystem argument as a function reads it: a name or alias, or `auto` (ASCII case
// ignored) where the function allows it, which is decided from a sample.
class EcosystemArg {
 public:
  // An unknown name fails with from_str's message; so does `auto` where it is not allowed.
  static std::expected<EcosystemArg, std::string> read(std::string_view name,
                                                       bool auto_allowed = true) {
    if (auto_allowed && names_auto(name)) return EcosystemArg(Ecosystem::Generic, true);
    auto eco = Ecosystem::from_str(name);
    if (!eco) return std::unexpected(std::move(eco.error()));
    return EcosystemArg(*eco, false);
  }

  // A named ecosystem, as read from its name.
  static constexpr EcosystemArg of(Ecosystem eco) { return EcosystemArg(eco, false); }

  bool is_auto() const { return auto_; }
  // The named ecosystem, or under auto the one the sample gives.
  Ecosystem resolve(const AutoSample& sample) const { return auto_ ? decide(sample) : eco_; }

 private:
  constexpr EcosystemArg(Ecosystem eco, bool is_auto) : eco_(eco), auto_(is_auto) {}
  // The word `auto`: four bytes equal to "auto" ignoring ASCII case.
  static constexpr bool names_auto(std::string_view s) {
    return s.size() == 4 && (s[0] | 0x20) == 'a' && (s[1] | 0x20) == 'u' &&
           (s[2] | 0x20) == 't' && (s[3] | 0x20) == 'o';
  }
  // What auto stands for, given the sample.
  static Ecosystem decide(const AutoSample& sample);

  Ecosystem eco_;
  bool auto_;
};

}  // namespace ombrel
