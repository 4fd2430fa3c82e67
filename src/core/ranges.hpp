// Range expressions: parsing, containment and intersection under an ecosystem.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parser.hpp"

namespace ombrel {

enum class Op : std::uint8_t { Gt, Ge, Lt, Le, Eq, Ne };

struct Comparator {
  std::string version;  // the bound, trimmed; never empty
  Op op;
};

using Branch = std::vector<Comparator>;

struct NumPrefix {
  std::vector<std::uint64_t> nums;  // at most three
  int wildcard = 3;                 // index of the wildcard component, 3 when none
};
std::optional<NumPrefix> parse_num_prefix(std::string_view text);

struct RangeSet {
  std::vector<Branch> branches;

  static std::expected<RangeSet, std::string> parse(std::string_view text);
  std::expected<bool, std::string> contains(Ecosystem eco, std::string_view version) const;
  std::expected<bool, std::string> intersects(Ecosystem eco, const RangeSet& other) const;
};

struct Interval {
  std::optional<std::string> lower;
  bool lower_inclusive = false;
  std::optional<std::string> upper;
  bool upper_inclusive = false;
  std::vector<std::string> exact;
};
Interval interval_for(const Branch& branch);

std::expected<int, std::string> cmp_versions(Ecosystem eco, std::string_view a, std::string_view b);
std::expected<bool, std::string> version_in_branch(Ecosystem eco, const Branch& branch,
                                                   std::string_view version);

}  // namespace ombrel
