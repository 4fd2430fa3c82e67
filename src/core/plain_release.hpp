// Releases written as dot-separated decimal numbers ("1.2.3"), the texts most calls carry.
// Every ecosystem that accepts them reads them as numbers compared part by part, so two of them
// are ordered by one scan of their bytes, without a parse; what varies from one ecosystem to
// another is a row's `PlainReleases`. A text that is not plain in the row's sense (a leading
// zero, a part too long to be read as a number, any other byte, a part count out of range) is left to
// the ecosystem's own parse, which then decides the order and the error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ombrel {

// How a release with fewer parts stands to one that goes on.
enum class MissingParts : std::uint8_t {
  Zero,   // missing parts are zeros: 1 == 1.0 (PEP 440, Maven, RubyGems, ...)
  First,  // a release that is a prefix of another orders first: 1 < 1.0 (dpkg, rpm, ...)
};

struct PlainReleases {
  std::uint8_t min_parts = 0;  // 0: the ecosystem parses every text
  std::uint8_t max_parts = 0;
  MissingParts missing = MissingParts::Zero;
  char prefix = 0;  // a byte every such release starts with ('v' for Go), or none
  // Digits a part may have: within them every part is read as its value (18 fit a signed
  // 64-bit number; Nix reads parts as 32-bit ones, CPAN as parts of a decimal fraction).
  std::uint8_t max_digits = 18;
};

namespace plain_detail {

// The bytes a plain release is made of.
struct PlainBytes {
  bool in[256] = {};
  constexpr PlainBytes() {
    for (char c = '0'; c <= '9'; ++c) in[static_cast<unsigned char>(c)] = true;
    in[static_cast<unsigned char>('.')] = true;
  }
};
inline constexpr PlainBytes kPlainBytes;

// Whether every byte of a text is a digit or a '.': a sieve of the first text of a pair, by
// which one with a pre-release or any other part costs one quick run up to its first other
// byte (the second text is read by the walk itself, which stops where it stops being plain).
constexpr bool digits_and_dots(std::string_view s) {
  for (char c : s)
    if (!kPlainBytes.in[static_cast<unsigned char>(c)]) return false;
  return true;
}

// The end of the part that starts at `p`, or nullptr when it is not a plain part.
constexpr const char* part_end(const PlainReleases& rule, const char* p, const char* end) {
  const char* q = p;
  while (q < end && static_cast<unsigned char>(*q - '0') < 10) ++q;
  const auto len = static_cast<std::size_t>(q - p);
  if (len == 0 || len > rule.max_digits || (len > 1 && *p == '0')) return nullptr;
  return q;
}

// The parts from `p` to `end`, each after a '.', added to `parts`; false when one is not plain
// or there are too many. `nonzero` tells whether any of them is not zero.
constexpr bool read_rest(const PlainReleases& rule, const char* p, const char* end,
                         std::size_t& parts, bool& nonzero) {
  while (p < end) {
    if (*p++ != '.') return false;
    const char* q = part_end(rule, p, end);
    if (!q || ++parts > rule.max_parts) return false;
    nonzero |= *p != '0';
    p = q;
  }
  return true;
}

}  // namespace plain_detail

// The number of parts of a text that is a plain release under `rule`, or 0.
constexpr std::size_t plain_parts(const PlainReleases& rule, std::string_view s) {
  if (rule.min_parts == 0 || s.empty()) return 0;
  const char* p = s.data();
  const char* end = p + s.size();
  if (rule.prefix && *p++ != rule.prefix) return 0;
  const char* q = plain_detail::part_end(rule, p, end);
  std::size_t parts = 1;
  bool nonzero = false;
  if (!q || !plain_detail::read_rest(rule, q, end, parts, nonzero)) return 0;
  return parts >= rule.min_parts ? parts : 0;
}

// The order (-1, 0, 1) of two texts that plain_parts accepts under `rule`. Without leading
// zeros a longer part is a greater number, and parts of one length order as their bytes do.
constexpr int order_of_plain(const PlainReleases& rule, std::string_view a, std::string_view b) {
  std::size_t i = rule.prefix ? 1 : 0, j = i;
  while (i < a.size() && j < b.size()) {
    std::size_t ei = i, ej = j;
    while (ei < a.size() && a[ei] != '.') ++ei;
    while (ej < b.size() && b[ej] != '.') ++ej;
    if (ei - i != ej - j) return ei - i < ej - j ? -1 : 1;
    for (; i < ei; ++i, ++j)
      if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
    i = ei + 1, j = ej + 1;
  }
  const bool a_longer = i < a.size();
  if (!a_longer && j >= b.size()) return 0;
  if (rule.missing == MissingParts::Zero) {
    // Zeros pad the shorter: the longer is greater where a part it goes on with is not zero.
    const std::string_view rest = a_longer ? a.substr(i) : b.substr(j);
    if (rest.find_first_not_of("0.") == std::string_view::npos) return 0;
  }
  return a_longer ? 1 : -1;
}

// What plain_order gives when a text is not a plain release. (A plain int: an optional made
// in registers and read back from memory costs a stall on every call.)
inline constexpr int kNotPlain = 2;

// The order of two plain releases under `rule` (-1, 0, 1), or kNotPlain when either text is not
// one. Both are checked and ordered in one pass, part beside part, which for two texts read
// once costs less than plain_parts of each and order_of_plain.
constexpr int plain_order(const PlainReleases& rule, std::string_view a,
                                         std::string_view b) {
  if (rule.min_parts == 0 || a.empty() || b.empty()) return kNotPlain;
  if (!plain_detail::digits_and_dots(a.substr(rule.prefix ? 1 : 0))) return kNotPlain;
  const char *p = a.data(), *pe = p + a.size();
  const char *q = b.data(), *qe = q + b.size();
  if (rule.prefix && (*p++ != rule.prefix || *q++ != rule.prefix)) return kNotPlain;
  int ord = 0;
  std::size_t parts = 0;
  while (true) {
    const char* pn = plain_detail::part_end(rule, p, pe);
    const char* qn = plain_detail::part_end(rule, q, qe);
    if (!pn || !qn || ++parts > rule.max_parts) return kNotPlain;
    // Without leading zeros a longer part is a greater number, and parts of one length order
    // as their bytes do.
    if (ord == 0) {
      const auto lp = pn - p, lq = qn - q;
      if (lp != lq) {
        ord = lp < lq ? -1 : 1;
      } else {
        for (; p < pn; ++p, ++q)
          if (*p != *q) {
            ord = *p < *q ? -1 : 1;
            break;
          }
      }
    }
    p = pn, q = qn;
    if (p == pe || q == qe) break;
    if (*p++ != '.' || *q++ != '.') return kNotPlain;
  }
  if (parts < rule.min_parts) return kNotPlain;
  if (p == pe && q == qe) return ord;
  // One goes on: it must be plain too, and decides only where the shared parts are equal.
  const bool a_longer = p != pe;
  bool nonzero = false;
  if (!plain_detail::read_rest(rule, a_longer ? p : q, a_longer ? pe : qe, parts, nonzero))
    return kNotPlain;
  if (ord != 0 || (rule.missing == MissingParts::Zero && !nonzero)) return ord;
  return a_longer ? 1 : -1;
}

}  // namespace ombrel
