// The one place through which versions are parsed and compared under an ecosystem.
#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "ecosystem.hpp"
#include "generic_parse.hpp"
#include "order_key.hpp"
#include "plain_release.hpp"
#include "strategies/alpine.hpp"
#include "strategies/arch.hpp"
#include "strategies/composer.hpp"
#include "strategies/cpan.hpp"
#include "strategies/debian.hpp"
#include "strategies/generic.hpp"
#include "strategies/gentoo.hpp"
#include "strategies/maven.hpp"
#include "strategies/nix.hpp"
#include "strategies/pep440.hpp"
#include "strategies/rpm.hpp"
#include "strategies/ruby.hpp"
#include "strategies/semver.hpp"

namespace ombrel {

// A parse made of offsets, kept with the text they point into.
template <class P>
struct OwnedParse : P {
  std::string raw;
};
using ArchVersion = OwnedParse<ArchParse>;
using AlpineVersion = OwnedParse<AlpineParse>;
using GentooVersion = OwnedParse<GentooParse>;

// Alternatives in the order Generic, Semver, Debian, Rpm, Pep440, Maven, Arch, Alpine, Gentoo,
// Ruby, Nix, Cpan, Composer.
using ParsedRepr = std::variant<ParsedVersion, StrictSemver, DebianVersion, RpmVersion,
                                Pep440Version, MavenVersion, ArchVersion, AlpineVersion,
                                GentooVersion, RubyVersion, NixVersion, CpanVersion,
                                ComposerVersion>;

// What an ordering reads first: the epoch, then up to three leading numbers. Two parses whose
// prefixes differ are ordered by them alone, so that a sort can often decide from a few
// integers kept beside each element; equal prefixes leave the order to `compare`.
struct OrderPrefix {
  std::uint64_t epoch = 0;
  std::array<std::uint64_t, 3> nums{};
  std::uint8_t count = 0;  // how many leading numbers were recorded
};

// -1 or 1 when the prefixes decide the order, 0 when the parses must.
inline int cmp_prefix(const OrderPrefix& a, const OrderPrefix& b) {
  if (a.epoch != b.epoch) return a.epoch < b.epoch ? -1 : 1;
  const std::size_t n = a.count < b.count ? a.count : b.count;
  for (std::size_t i = 0; i < n; ++i)
    if (a.nums[i] != b.nums[i]) return a.nums[i] < b.nums[i] ? -1 : 1;
  return 0;
}

class VersionStrategy {
 public:
  constexpr VersionStrategy() = default;

  virtual std::expected<ParsedRepr, std::string> parse(std::string_view text) const = 0;
  // The same parse, made in `out` (which then holds this strategy's alternative, filled or,
  // on failure, partly filled).
  virtual std::expected<void, std::string> parse_into(std::string_view text,
                                                      ParsedRepr& out) const = 0;
  // Both operands must come from this strategy's parse. Returns -1, 0 or 1.
  virtual int compare(const ParsedRepr& a, const ParsedRepr& b) const = 0;
  // The order of two texts, as parse and compare give it (a's failure first), without keeping
  // either parse: nothing is copied out of the texts.
  virtual std::expected<int, std::string> compare_texts(std::string_view a,
                                                        std::string_view b) const = 0;
  // Whether a text parses, with the parse's message when it does not, without keeping the
  // parse (as compare_texts reads it).
  virtual std::expected<void, std::string> check(std::string_view text) const = 0;
  // The order of a parse of this strategy against a text, likewise.
  virtual std::expected<int, std::string> compare_with_text(const ParsedRepr& a,
                                                            std::string_view b) const = 0;
  // The prefix of a parse of this strategy (see OrderPrefix).
  virtual OrderPrefix order_prefix(const ParsedRepr& a) const = 0;
  // The order key of a parse of this strategy (see OrderKey).
  virtual OrderKey order_key(const ParsedRepr& a) const = 0;
  // The same key of a text, read without keeping its parse (the error is parse's); an empty
  // key for a strategy whose keys are never complete, whose texts are then better parsed once
  // and keyed by order_key.
  virtual std::expected<OrderKey, std::string> text_order_key(std::string_view text) const = 0;

  // What a Version reads of a parse besides its order.
  // The generic parse that a parse of this strategy holds, if it holds one.
  virtual const ParsedVersion* generic_parse(const ParsedRepr& a) const = 0;
  // The canonical text of a parse, where versions that order equal can be written apart in
  // ways the generic parse tells apart (Maven's "1.0" and "1", Debian's "1.0a" and "1.0a0",
  // RPM's "1+2" and "1.2", PEP 440's "1.0-1" and "1.post1"): hashes are made from it.
  virtual std::optional<std::string> canonical(const ParsedRepr& a) const = 0;
  // A label ordered after the version itself (PEP 440's local label), if the parse has one.
  virtual std::optional<SegSpan> local_label(const ParsedRepr& a) const = 0;

 protected:
  ~VersionStrategy() = default;
};

std::expected<ParsedRepr, std::string> parse_for_ecosystem(Ecosystem eco, std::string_view text);
std::expected<void, std::string> parse_into(Ecosystem eco, std::string_view text, ParsedRepr& out);
int compare_for_ecosystem(Ecosystem eco, const ParsedRepr& a, const ParsedRepr& b);
// Two texts, or one, read on the stack; plain dotted releases need no parse at all.
inline std::expected<int, std::string> compare_texts(Ecosystem eco, std::string_view a,
                                                     std::string_view b) {
  if (const int ord = plain_order(eco.row().plain, a, b); ord != kNotPlain) return ord;
  return eco.strategy().compare_texts(a, b);
}
inline std::expected<void, std::string> check_text(Ecosystem eco, std::string_view text) {
  // The generic scheme refuses no text; it is what most detected texts come to.
  if (eco == Ecosystem::Generic || plain_parts(eco.row().plain, text)) return {};
  return eco.strategy().check(text);
}
std::expected<int, std::string> compare_with_text(Ecosystem eco, const ParsedRepr& a,
                                                  std::string_view b);
OrderPrefix order_prefix(Ecosystem eco, const ParsedRepr& a);
OrderKey order_key(Ecosystem eco, const ParsedRepr& a);
std::expected<OrderKey, std::string> text_order_key(Ecosystem eco, std::string_view text);

// The order of two texts that each parse under its own ecosystem. Under one ecosystem it is
// that ecosystem's order; across two the strategies' forms do not meet, but the generic parses
// always do.
inline int compare_across(Ecosystem eco_a, std::string_view a, Ecosystem eco_b,
                          std::string_view b) {
  return compare_texts(eco_a == eco_b ? eco_a : Ecosystem(Ecosystem::Generic), a, b).value_or(0);
}

}  // namespace ombrel
