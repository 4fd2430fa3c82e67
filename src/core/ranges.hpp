// Range expressions: parsing, containment and intersection under an ecosystem.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ecosystem.hpp"
#include "strategies/registry.hpp"

namespace ombrel {

enum class Op : std::uint8_t { Gt, Ge, Lt, Le, Eq, Ne };

struct Comparator {
  std::string version;  // the bound, trimmed; never empty
  Op op;
};

using Branch = std::vector<Comparator>;

// The leading numbers of a shorthand's version text.
struct NumPrefix {
  std::array<std::uint64_t, 3> nums{};  // the numbers read; components not read are 0
  std::size_t count = 0;                // how many numbers were read
  int wildcard = 3;                     // index of the wildcard component, 3 when none
};
std::optional<NumPrefix> parse_num_prefix(std::string_view text);

struct RangeSet {
  std::vector<Branch> branches;  // alternatives (OR) of comparator lists (AND)

  static std::expected<RangeSet, std::string> parse(std::string_view text);
  std::expected<bool, std::string> contains(Ecosystem eco, std::string_view version) const;
  std::expected<bool, std::string> intersects(Ecosystem eco, const RangeSet& other) const;
};

// A comparator whose version is parsed under the range's ecosystem, or the message of that
// parse's failure, which a test reports only when it reaches the comparator.
struct ParsedComparator {
  std::expected<ParsedRepr, std::string> version;
  Op op;
  std::string plain;  // the bound's text when it is a plain release (plain_release.hpp)
};

// A range with every bound parsed once under one ecosystem, for testing many versions: it
// answers as RangeSet::contains does, with the same errors in the same order.
class BoundRange {
 public:
  BoundRange(Ecosystem eco, const RangeSet& set);
  std::expected<bool, std::string> contains(std::string_view version) const;
  // Roughly the bytes it holds.
  std::size_t footprint() const;

 private:
  Ecosystem eco_;
  std::vector<std::vector<ParsedComparator>> branches_;
  bool plain_ = true;  // every bound is a plain release: plain candidates need no parse
};

// Whether `version` lies in `range` under `eco`, the range read once and kept while it is
// used again (parse_cache.hpp); an error of the range comes before one of the version.
std::expected<bool, std::string> range_contains(Ecosystem eco, std::string_view range,
                                                std::string_view version);

// One end of an interval; `version` points into the branch the interval was built from.
struct Bound {
  std::string_view version;
  bool inclusive = false;
};

// The bounds of one branch: its last lower and last upper comparators and its `==` versions.
// Views into the branch, which must outlive it.
struct Interval {
  std::optional<Bound> lower;
  std::optional<Bound> upper;
  std::vector<std::string_view> exact;
};
Interval interval_for(const Branch& branch);

std::expected<int, std::string> cmp_versions(Ecosystem eco, std::string_view a, std::string_view b);
std::expected<bool, std::string> version_in_branch(Ecosystem eco, const Branch& branch,
                                                   std::string_view version);

}  // namespace ombrel
