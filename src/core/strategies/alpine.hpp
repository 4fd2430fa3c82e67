// Alpine package versions, digit{.digit}...{letter}{_suffix{number}}...{~hash}{-rN}, ordered
// as apk orders them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ombrel {

// The version without surrounding white space: [begin, end) of the parsed text. apk reads it
// token by token while comparing, so nothing else is kept.
struct AlpineParse {
  std::size_t begin = 0;
  std::size_t end = 0;
};

void parse_alpine_into(std::string_view text, AlpineParse& out);
// apk's order. A text that leaves the grammar is read up to where it does, and apk's own rule
// places it there (below the same text ended at that point, above a pre-release suffix);
// two texts that leave it at the same point after equal tokens are ordered by what is left,
// as dpkg orders text.
int cmp_alpine(const AlpineParse& a, std::string_view text_a, const AlpineParse& b,
               std::string_view text_b);
// A text that two versions share exactly when they compare equal.
std::string canonical_alpine(const AlpineParse& v, std::string_view text);
// Whether apk reads all of `text` as a version (nothing outside the grammar, no white space).
bool alpine_valid(std::string_view text);
// apk's fuzzy match (`~`): the tokens of `prefix`, a valid version, begin `text`'s tokens.
bool alpine_fuzzy_match(std::string_view text, std::string_view prefix);

}  // namespace ombrel
