// Gentoo package versions, digits{.digits}[letter]{_suffix[N]}[-rN], in Portage's order.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ombrel {

// Offsets of the parts, one after the other, in the parsed text: numbers [begin, letter),
// letter [letter, suffixes) (empty or one byte), suffixes [suffixes, revision), "-rN"
// [revision, tail) (empty when none), and what the grammar does not read [tail, end).
struct GentooParse {
  std::size_t begin = 0;
  std::size_t letter = 0;
  std::size_t suffixes = 0;
  std::size_t revision = 0;
  std::size_t tail = 0;
  std::size_t end = 0;
};

// Reads as much of the grammar as the text follows; never fails.
void parse_gentoo_into(std::string_view text, GentooParse& out);
// Numbers, letter, suffixes and revision as Portage orders them; then a text with a part the
// grammar does not read sorts below the same text without it, and two such parts compare as
// dpkg compares text.
int cmp_gentoo(const GentooParse& a, std::string_view text_a, const GentooParse& b,
               std::string_view text_b);
// A text that two versions share exactly when they compare equal.
std::string canonical_gentoo(const GentooParse& v, std::string_view text);

}  // namespace ombrel
