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

// The same tree, read from a short ASCII text into a fixed buffer, for orderings that keep no
// parse. Each '-' and each change between digits and letters opens a list that takes every
// later item, so the tree is a chain of lists: `levels[k]` holds its own items and, when
// `nested`, the list `levels[k + 1]` as its last item. Stays where it was read: items point
// into `lowered`.
struct MavenFlat {
  static constexpr std::size_t kMaxText = 64;
  struct Item {  // left unset until read: a parse on the stack starts with nothing to fill
    const char* data;
    std::uint8_t size;
    MavenItem::Kind kind;  // Int or Str
    std::string_view text() const { return {data, size}; }
  };
  struct Level {
    std::uint8_t begin, count;  // its items, normalised, in `items`
    bool nested;
  };

  MavenFlat() = default;
  MavenFlat(const MavenFlat&) = delete;
  MavenFlat& operator=(const MavenFlat&) = delete;

  // False, leaving it unusable, when the trimmed text is longer than kMaxText or not ASCII.
  bool read(std::string_view text);

  char lowered[kMaxText];
  Item items[kMaxText + 1];
  Level levels[kMaxText + 2];
};

// A Maven parse as orderings read it: exactly one of the two layouts.
struct MavenView {
  const MavenFlat* flat = nullptr;
  const MavenVersion* tree = nullptr;
};
int cmp_maven(const MavenView& a, const MavenView& b);

std::expected<MavenVersion, std::string> parse_maven(std::string_view text);
MavenItem parse_item(bool is_digit, std::string_view token, bool followed_by_digit);
// The same item as a view: into `token`, or a static qualifier where the token is an alias.
std::string_view item_text(bool is_digit, std::string_view token, bool followed_by_digit);
std::optional<int> qualifier_rank(std::string_view qualifier);
int cmp_list(const std::vector<MavenItem>& a, const std::vector<MavenItem>& b);
int cmp_item_null(const MavenItem& item);

}  // namespace ombrel
