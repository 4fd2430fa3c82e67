#include "unicode.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "text.hpp"

namespace ombrel {

namespace {

struct UnicodeRange {
  char32_t first, last;
};

struct LowerRun {
  char32_t first, last;
  std::uint8_t stride;
  std::int32_t delta;
};

struct LowerSpecial {
  char32_t from;
  std::string_view to;
};

#include "unicode_tables.inc"

constexpr char32_t kCapitalSigma = 0x03A3;
constexpr char32_t kFinalSigma = 0x03C2;

// The last entry whose first code point is not above c, or nullptr.
template <class T, std::size_t N>
constexpr const T* entry_for(const T (&table)[N], char32_t c) {
  const T* it = std::upper_bound(std::begin(table), std::end(table), c,
                                 [](char32_t v, const T& e) { return v < e.first; });
  return it == std::begin(table) ? nullptr : it - 1;
}

template <std::size_t N>
constexpr bool in(const UnicodeRange (&table)[N], char32_t c) {
  const UnicodeRange* r = entry_for(table, c);
  return r && c <= r->last;
}

constexpr char32_t lower_simple(char32_t c) {
  const LowerRun* r = entry_for(kLowerRuns, c);
  if (r && c <= r->last && (c - r->first) % r->stride == 0) c = static_cast<char32_t>(c + r->delta);
  return c;
}

// The tables' answers for ASCII, looked up directly on the common path.
struct AsciiCase {
  char lower;
  bool cased, ignorable;
};
constexpr auto kAscii = [] {
  std::array<AsciiCase, 128> a{};
  for (char32_t c = 0; c < 128; ++c)
    a[c] = {static_cast<char>(lower_simple(c)), in(kCased, c), in(kCaseIgnorable, c)};
  return a;
}();

bool is_surrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void append_lower(std::string& out, char32_t c) {
  for (const LowerSpecial& s : kLowerSpecial)
    if (s.from == c) {
      out += s.to;
      return;
    }
  append_utf8(out, lower_simple(c));
}

// Whether the first character at or after s[i] that is not case-ignorable is cased.
bool cased_follows(std::string_view s, std::size_t i) {
  while (i < s.size()) {
    const CodePoint c = decode_utf8(s, i);
    if (!in(kCaseIgnorable, c.value)) return in(kCased, c.value);
    i += c.size;
  }
  return false;
}

// UTF-16 puts U+E000..U+FFFF above the supplementary planes, whose lead units are surrogates.
char32_t lead_unit(char32_t c) {
  return c < 0x10000 ? c : 0xD800 + ((c - 0x10000) >> 10);
}

}  // namespace

CodePoint decode_utf8(std::string_view s, std::size_t i) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80) return {b0, 1};
  std::size_t size = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    size = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    size = 3;
    if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    size = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  }
  const char32_t escaped = 0xDC00 + b0;
  if (size == 0 || s.size() - i < size || byte(i + 1) < lo || byte(i + 1) > hi) return {escaped, 1};
  char32_t c = b0 & (0x7F >> size);
  for (std::size_t k = 1; k < size; ++k) {
    const unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) return {escaped, 1};
    c = (c << 6) | (b & 0x3F);
  }
  return {c, size};
}

bool is_numeric(char32_t c) {
  return in(kNumeric, c);
}

std::string lower_full(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool after_cased = false;  // the last character that is not case-ignorable is cased
  for (std::size_t i = 0; i < text.size();) {
    if (const auto b = static_cast<unsigned char>(text[i]); b < 0x80) {
      out += kAscii[b].lower;
      if (!kAscii[b].ignorable) after_cased = kAscii[b].cased;
      ++i;
      continue;
    }
    const CodePoint c = decode_utf8(text, i);
    if (is_surrogate(c.value))
      out += text.substr(i, c.size);
    else if (c.value == kCapitalSigma && after_cased && !cased_follows(text, i + c.size))
      append_utf8(out, kFinalSigma);
    else
      append_lower(out, c.value);
    if (!in(kCaseIgnorable, c.value)) after_cased = in(kCased, c.value);
    i += c.size;
  }
  return out;
}

int cmp_utf16(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const CodePoint x = decode_utf8(a, i), y = decode_utf8(b, j);
    if (x.value != y.value) {
      if (x.value >= 0x10000 && y.value >= 0x10000) return cmp3(x.value, y.value);
      return cmp3(lead_unit(x.value), lead_unit(y.value));
    }
    i += x.size;
    j += y.size;
  }
  return cmp3(a.size() - i, b.size() - j);
}

}  // namespace ombrel
