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

// A short ASCII text kept for orderings that keep no parse: lower-cased into a fixed buffer,
// and walked into its tree only when compared, two texts together, so that what they share
// is walked once.
struct MavenFlat {
  static constexpr std::size_t kMaxText = 64;

  MavenFlat() = default;
  MavenFlat(const MavenFlat&) = delete;
  MavenFlat& operator=(const MavenFlat&) = delete;

  // False, leaving it unusable, when the trimmed text is longer than kMaxText or not ASCII.
  bool read(std::string_view text);

  std::size_t size;  // left unset until read: a parse on the stack starts with nothing to fill
  char lowered[kMaxText + 8];  // the text lower-cased, a stop byte, then zeros to a whole word
};

// A Maven parse as orderings read it: exactly one of the two layouts.
struct MavenView {
  const MavenFlat* flat = nullptr;
  const MavenVersion* tree = nullptr;
};
int cmp_maven(const MavenView& a, const MavenView& b);
// Whether MavenFlat takes a text and it starts with a digit: then Maven takes it too.
bool is_short_maven_text(std::string_view text);
// The order of two such texts, read together as far as they must be; nothing where either is
// another text.
std::optional<int> cmp_maven_texts(std::string_view a, std::string_view b);

std::expected<MavenVersion, std::string> parse_maven(std::string_view text);
MavenItem parse_item(bool is_digit, std::string_view token, bool followed_by_digit);
// The same item as a view: into `token`, or a static qualifier where the token is an alias.
std::string_view item_text(bool is_digit, std::string_view token, bool followed_by_digit);
std::optional<int> qualifier_rank(std::string_view qualifier);
int cmp_list(const std::vector<MavenItem>& a, const std::vector<MavenItem>& b);
int cmp_item_null(const MavenItem& item);

}  // namespace ombrel
