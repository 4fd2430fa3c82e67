// Each ecosystem's own constraint language (package.json ranges, PEP 440 specifier sets,
// Gemfile requirements, ...), read into one value: alternatives of comparator lists whose
// bounds are parsed once under the ecosystem, plus the ecosystem's rule for pre-releases.
#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../ecosystem.hpp"
#include "../ranges.hpp"
#include "../version_set.hpp"

namespace ombrel {

// How pre-releases meet a constraint beyond its intervals. Whether a version is a pre-release
// is the ecosystem's reading of it (a semver pre-release tag, PEP 440's a/b/rc/dev, ...).
enum class PrePolicy : std::uint8_t {
  Plain,        // the intervals alone decide
  SameRelease,  // npm, cargo: a pre-release meets a comparator list only when one of its
                // comparators names a pre-release of the same major.minor.patch
  ExactOnly,    // terraform: a pre-release meets a list only through an `=` comparator naming it
  AnyNamed,     // helm: a pre-release meets a list only when one of its comparators names one
};

struct NativeComparator;

// A comparator's own rule where it is not an interval of the ecosystem's order (PEP 440's
// `===`, its `>` that leaves out the bound's post-releases, prefix matches, ...). Rules are
// constants of the syntax's file.
struct NativeRule {
  // Whether the version (its text and its parse under the ecosystem) meets the comparator.
  bool (*test)(Ecosystem eco, const NativeComparator& c, std::string_view text,
               const ParsedRepr& version);
  // The nearest interval set, for to_set; the docs say what it keeps and drops.
  VersionSet (*nearest)(Ecosystem eco, const NativeComparator& c);
  // Whether, for a plain release against a plain bound (plain_release.hpp), the rule is the
  // interval `op bound` (PEP 440's `<` and `>`, whose exceptions need a pre-, post- or local
  // part on one side).
  bool interval_on_plain = false;
};

struct NativeComparator {
  Op op = Op::Eq;
  // The version names a pre-release, for the policies that ask.
  bool names_prerelease = false;
  // Null for the interval `op bound`; otherwise the rule that decides instead.
  const NativeRule* rule = nullptr;
  SetVersion bound;
  // A second bound a rule may need (the exclusive end of a prefix match, ...).
  SetVersion extra;
};

using NativeList = std::vector<NativeComparator>;  // all must hold (AND)

struct NativeConstraint {
  Ecosystem eco;
  PrePolicy policy = PrePolicy::Plain;
  std::vector<NativeList> alternatives;  // some must hold (OR); none holds nothing
  // Every comparator is, on plain releases, an interval whose bound is a plain dotted release
  // (see plain_release.hpp): a plain release is then tested by scans of texts alone.
  bool plain_bounds = false;

  // `parsed` is `text`'s parse under `eco`.
  bool contains(std::string_view text, const ParsedRepr& parsed) const;
  // Whether `text` is contained (0 or 1) when it and every bound are plain releases, which are
  // no pre-releases in any ecosystem; kNotPlain when it needs its parse.
  int contains_plain(std::string_view text) const;
  // Parses `version` under `eco` first: its failure is the ecosystem's own message.
  std::expected<bool, std::string> contains(std::string_view version) const;
  // The same versions as a set, pre-release policies left out (their docs say so) and rules
  // replaced by their nearest interval sets.
  VersionSet to_set() const;
  // Roughly the bytes it holds.
  std::size_t footprint() const;
};

// Reads `text` in `eco`'s own syntax (the parser of its row in kEcosystems).
std::expected<NativeConstraint, std::string> parse_native(Ecosystem eco, std::string_view text);

// The same, read once and kept while the same text is used again (parse_cache.hpp): the result
// is shared and must not change.
std::shared_ptr<const std::expected<NativeConstraint, std::string>> parse_native_kept(
    Ecosystem eco, std::string_view text);

// The syntaxes (NativeParser, ecosystem.hpp), one per family file of this directory (npm.cpp, pep440.cpp, ...).
std::expected<NativeConstraint, std::string> parse_native_npm(Ecosystem eco,
                                                              std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_helm(Ecosystem eco,
                                                               std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_pep440(Ecosystem eco,
                                                                 std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_conda(Ecosystem eco,
                                                                std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_maven(Ecosystem eco,
                                                                std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_debian(Ecosystem eco,
                                                                 std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_rpm(Ecosystem eco,
                                                              std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_arch(Ecosystem eco,
                                                               std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_spack(Ecosystem eco,
                                                                std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_go(Ecosystem eco,
                                                             std::string_view text);
// The library's own range language, for the ecosystems without one of their own.
std::expected<NativeConstraint, std::string> parse_native_library(Ecosystem eco,
                                                                  std::string_view text);

std::expected<NativeConstraint, std::string> parse_native_ruby(Ecosystem eco,
                                                               std::string_view text);

std::expected<NativeConstraint, std::string> parse_native_terraform(Ecosystem eco,
                                                                    std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_crates(Ecosystem eco,
                                                                 std::string_view text);

std::expected<NativeConstraint, std::string> parse_native_cran(Ecosystem eco,
                                                               std::string_view text);

std::expected<NativeConstraint, std::string> parse_native_hex(Ecosystem eco,
                                                              std::string_view text);

std::expected<NativeConstraint, std::string> parse_native_dart(Ecosystem eco,
                                                               std::string_view text);

std::expected<NativeConstraint, std::string> parse_native_julia(Ecosystem eco,
                                                                std::string_view text);

std::expected<NativeConstraint, std::string> parse_native_cpan(Ecosystem eco,
                                                               std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_alpine(Ecosystem eco,
                                                                 std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_gentoo(Ecosystem eco,
                                                                 std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_composer(Ecosystem eco,
                                                                   std::string_view text);
std::expected<NativeConstraint, std::string> parse_native_nuget(Ecosystem eco,
                                                                std::string_view text);

// Helpers for the syntaxes.
// A comparator on `text` parsed under `eco`; a failure is the ecosystem's parse message.
std::expected<NativeComparator, std::string> native_comparator(Ecosystem eco, Op op,
                                                               std::string_view text);
// The interval `c.op c.bound` as a set, for rules whose nearest set is their interval.
VersionSet native_interval(Ecosystem eco, const NativeComparator& c);
// `op` (Lt or Ge) on the first pre-release of `release` (`<2.0.0-0`), decided exactly; its set
// is written on `release` itself (`<2.0.0`), as advisories write these bounds: the two differ
// only on the release's own pre-releases. `<0.0.0-0` holds nothing.
std::expected<NativeComparator, std::string> first_prerelease_edge(Ecosystem eco, Op op,
                                                                   std::string_view release);
// Whether a comparison result (-1, 0, 1 of version against bound) meets `op`.
bool op_holds(Op op, int cmp);
// Whether `version`, a parse under `eco`, is a pre-release in the ecosystem's reading.
bool native_is_prerelease(Ecosystem eco, const ParsedRepr& version);

}  // namespace ombrel
