// A set of versions under one ecosystem, in one normal form whatever it was read from: a
// range expression, a standard VERS text or, in general, (operator, version) comparators.
#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ranges.hpp"
#include "strategies/registry.hpp"

namespace ombrel {

// A version a set keeps: its text and its parse under the set's ecosystem, made once.
struct SetVersion {
  std::string text;
  ParsedRepr parsed;

  SetVersion() {}  // not value-initialised: a parse fills it

  // Parses `text` into this version.
  std::expected<void, std::string> read(Ecosystem eco, std::string_view text);
};

// Ordered, disjoint intervals, each end open, closed or unbounded. A single version left out
// of an interval is where two neighbouring intervals meet, both open at it: `!=1.5` is
// (-inf, 1.5) and (1.5, +inf). Intervals never overlap or touch otherwise, and none is empty,
// so equal sets have equal intervals. Bounds are ordered by the ecosystem's comparison only.
class VersionSet {
 public:
  static constexpr std::uint32_t kUnbounded = UINT32_MAX;
  // An end of an interval: an index into the set's versions, or kUnbounded.
  struct End {
    std::uint32_t version = kUnbounded;
    bool closed = false;
    bool bounded() const { return version != kUnbounded; }
  };
  struct Span {
    End lower, upper;
  };

  // The empty set.
  explicit VersionSet(Ecosystem eco) : eco_(eco) {}
  static VersionSet all(Ecosystem eco);
  // The versions some span holds, less those of `left_out`. Spans and `left_out` index into
  // `versions`; spans come in any order, overlapping or not, and `left_out` is ascending with
  // no two equal.
  static VersionSet build(Ecosystem eco, std::vector<SetVersion> versions,
                          std::vector<Span> spans, std::span<const std::uint32_t> left_out = {});
  // The versions that every comparator holds (all of them for none); every bound is parsed.
  static std::expected<VersionSet, std::string> from_branch(Ecosystem eco,
                                                            std::span<const Comparator> branch);
  // The versions some branch holds.
  static std::expected<VersionSet, std::string> from_range(Ecosystem eco, const RangeSet& range);

  VersionSet unite(const VersionSet& other) const;
  VersionSet intersect(const VersionSet& other) const;

  bool contains(const ParsedRepr& version) const;
  // The empty set and the set of all versions answer without parsing `version`.
  std::expected<bool, std::string> contains(std::string_view version) const;

  Ecosystem ecosystem() const { return eco_; }
  std::span<const Span> spans() const { return spans_; }
  const SetVersion& version(const End& end) const { return versions_[end.version]; }
  bool empty() const { return spans_.empty(); }
  bool is_all() const;
  // Roughly the bytes it holds.
  std::size_t footprint() const {
    return versions_.capacity() * sizeof(SetVersion) + spans_.capacity() * sizeof(Span);
  }

  // The standard VERS text: "vers:" + `type` + "/" + the constraints in version order;
  // "vers:<type>/*" for every version and "vers:none/*" for none.
  std::string to_vers(std::string_view type) const;

 private:
  // Sorts the spans by lower end, merges what overlaps or touches and drops what is empty.
  void normalize();
  // The spans that lie in both lists, each ordered and disjoint, over this set's versions.
  std::vector<Span> meet(std::span<const Span> a, std::span<const Span> b) const;
  // This set's versions and copies of `other`'s, whose spans are returned renumbered.
  std::vector<Span> adopt(const VersionSet& other);
  int cmp(std::uint32_t a, std::uint32_t b) const;
  int cmp_lower(const End& a, const End& b) const;
  int cmp_upper(const End& a, const End& b) const;
  bool holds(const Span& s) const;
  bool apart(const End& upper, const End& lower) const;

  Ecosystem eco_;
  std::vector<SetVersion> versions_;  // the bounds, each parsed once
  std::vector<Span> spans_;
};

}  // namespace ombrel
