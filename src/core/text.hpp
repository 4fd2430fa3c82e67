// Byte-level text helpers shared by every parser: ASCII classes and case folding,
// and trimming of Unicode white space on UTF-8 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel {

constexpr bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
constexpr bool is_alpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool is_lower(char c) {
  return c >= 'a' && c <= 'z';
}
constexpr bool is_alnum(char c) {
  return is_digit(c) || is_alpha(c);
}
constexpr char to_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

inline std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = to_lower(c);
  return out;
}

// Equality ignoring ASCII case; `lower` must already be lower case.
constexpr bool iequals(std::string_view s, std::string_view lower) {
  if (s.size() != lower.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (to_lower(s[i]) != lower[i]) return false;
  return true;
}

// Length in bytes of the Unicode white-space character (White_Space property) that
// starts at s[i], or 0 when none does.
constexpr std::size_t space_at(std::string_view s, std::size_t i) {
  auto u = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const std::size_t n = s.size() - i;
  const unsigned char c = u(i);
  if ((c >= 0x09 && c <= 0x0D) || c == 0x20) return 1;
  if (c == 0xC2 && n >= 2) return (u(i + 1) == 0x85 || u(i + 1) == 0xA0) ? 2 : 0;
  if (n < 3) return 0;
  const unsigned char c1 = u(i + 1), c2 = u(i + 2);
  if (c == 0xE1) return (c1 == 0x9A && c2 == 0x80) ? 3 : 0;
  if (c == 0xE2) {
    if (c1 == 0x80)
      return (c2 <= 0x8A || c2 == 0xA8 || c2 == 0xA9 || c2 == 0xAF) && c2 >= 0x80 ? 3 : 0;
    if (c1 == 0x81) return c2 == 0x9F ? 3 : 0;
    return 0;
  }
  if (c == 0xE3) return (c1 == 0x80 && c2 == 0x80) ? 3 : 0;
  return 0;
}

// Length of the white-space character that ends at s[end-1], or 0.
constexpr std::size_t space_before(std::string_view s, std::size_t end) {
  std::size_t start = end;
  while (start > 0 && end - start < 4) {
    --start;
    if ((static_cast<unsigned char>(s[start]) & 0xC0) != 0x80) break;
  }
  if (start == end) return 0;
  const std::size_t k = space_at(s.substr(0, end), start);
  return k == end - start ? k : 0;
}

// The text without the white space at its ends, read a character at a time.
constexpr std::string_view trim_spaces(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e) {
    std::size_t k = space_at(s.substr(0, e), b);
    if (!k) break;
    b += k;
  }
  while (e > b) {
    std::size_t k = space_before(s.substr(b), e - b);
    if (!k) break;
    e -= k;
  }
  return s.substr(b, e - b);
}

// Small enough to be inlined where it is called, as most texts take the first return.
constexpr std::string_view trim(std::string_view s) {
  // Printable ASCII at both ends is never white space.
  auto visible = [](char c) { return c > ' ' && c < 0x7F; };
  if (!s.empty() && visible(s.front()) && visible(s.back())) return s;
  return trim_spaces(s);
}

// The number of bytes below 0x80 that the text starts with, read a word at a time.
inline std::size_t ascii_prefix(std::string_view s) {
  std::size_t i = 0;
  for (std::uint64_t w; i + 8 <= s.size(); i += 8) {
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080) break;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}

// Drops a `v` or `V` that stands before a digit, as versions are often written.
constexpr std::string_view strip_v(std::string_view t) {
  if (t.size() >= 2 && (t[0] == 'v' || t[0] == 'V') && is_digit(t[1])) t.remove_prefix(1);
  return t;
}

// Decimal digits to u64; nothing when empty, non-digit or too large.
constexpr std::optional<std::uint64_t> parse_u64(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : digits) {
    if (!is_digit(c)) return std::nullopt;
    const std::uint64_t d = static_cast<std::uint64_t>(c - '0');
    if (v > (UINT64_MAX - d) / 10) return std::nullopt;
    v = v * 10 + d;
  }
  return v;
}

// Length of the leading run of ASCII digits.
constexpr std::size_t digit_run(std::string_view s, std::size_t from = 0) {
  std::size_t i = from;
  while (i < s.size() && is_digit(s[i])) ++i;
  return i - from;
}

// A run of ASCII digits without its leading zeros ("" for zero).
constexpr std::string_view drop_leading_zeros(std::string_view digits) {
  std::size_t k = 0;
  while (k < digits.size() && digits[k] == '0') ++k;
  return digits.substr(k);
}

constexpr int sign(int v) {
  return (v > 0) - (v < 0);
}
template <class T>
constexpr int cmp3(const T& a, const T& b) {
  return (b < a) - (a < b);
}

// Two runs of ASCII digits by value, however long: without leading zeros, the longer run is
// the greater number, and runs of one length compare digit by digit.
constexpr int cmp_digit_runs(std::string_view a, std::string_view b) {
  a = drop_leading_zeros(a);
  b = drop_leading_zeros(b);
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return sign(a.compare(b));
}

}  // namespace ombrel
