// Maven artifact versions: a tree of numbers, qualifiers and nested lists.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrel {

struct MavenItem {
  enum class Kind : std::uint8_t { Int, Str, List };
  Kind kind = Kind::Int;
  std::string text;              // Int: digits without leading zeros ("" is zero); Str: qualifier
  std::vector<MavenItem> items;  // List: the nested items
};

struct MavenVersion {
  std::vector<MavenItem> items;  // the root list
  std::string canonical() const;
};

inline constexpr std::size_t kMavenMaxDepth = 256;

std::expected<MavenVersion, std::string> parse_maven(std::string_view text);
MavenItem parse_item(bool is_digit, std::string_view token, bool followed_by_digit);
std::optional<int> qualifier_rank(std::string_view qualifier);
int cmp_list(const std::vector<MavenItem>& a, const std::vector<MavenItem>& b);
int cmp_item_null(const MavenItem& item);

}  // namespace ombrel
