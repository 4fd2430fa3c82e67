// Unicode character data on UTF-8 text: decoding, the numeric property, full lower-casing and
// UTF-16 ordering. Only the Maven scheme needs more than ASCII.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ombrel {

struct CodePoint {
  char32_t value;
  std::size_t size;  // bytes taken from the text
};

// Decodes the character at s[i] (i < s.size()). A byte that does not begin a well-formed
// sequence decodes alone, to U+DC00 + byte: a lone surrogate, which no well-formed text holds,
// so distinct texts keep distinct characters.
CodePoint decode_utf8(std::string_view s, std::size_t i);

// General category Nd, Nl or No.
bool is_numeric(char32_t c);

// Full lower-case mapping of every character (U+0130 becomes "i" + U+0307), capital sigma
// becoming final sigma in the Final_Sigma context. Ill-formed bytes are kept as they are.
std::string lower_full(std::string_view text);

// Orders two texts as sequences of UTF-16 code units (a proper prefix is less): -1, 0 or 1.
int cmp_utf16(std::string_view a, std::string_view b);

}  // namespace ombrel
