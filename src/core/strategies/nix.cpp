#include "strategies/nix.hpp"

#include <cstdint>

namespace ombrel {

namespace {

// Nix reads a component as a number only when it fits a C int; a longer run of digits is a
// word like any other.
constexpr std::uint64_t kIntMax = 2147483647;
constexpr std::int16_t kWord = 0;
constexpr std::int16_t kPre = 1;  // the word `pre`, below everything

bool is_separator(char c) {
  return c == '.' || c == '-';
}

// Components order as: `pre`, then words byte by byte (the end of a version is the empty
// word), then numbers by value.
int rank(const Seg& s) {
  return s.is_num() ? 2 : s.weight == kPre ? 0 : 1;
}

}  // namespace

void parse_nix_into(std::string_view text, PieceParse& out) {
  const std::string_view t = trim(text);
  const std::size_t base = offset_in(text, t);
  for (std::size_t i = 0; i < t.size();) {
    if (is_separator(t[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    if (is_digit(t[i])) {
      end += digit_run(t, i);
      const std::uint64_t v = saturated(t.substr(i, end - i), kIntMax + 1);
      out.pieces.push_back(v <= kIntMax ? Seg::num(v) : Seg::tag(base + i, end - i, kWord));
    } else {
      while (end < t.size() && !is_digit(t[end]) && !is_separator(t[end])) ++end;
      const bool pre = t.substr(i, end - i) == "pre";
      out.pieces.push_back(Seg::tag(base + i, end - i, pre ? kPre : kWord));
    }
    i = end;
  }
}

int cmp_nix(const SegSpan& a, const SegSpan& b) {
  const std::size_t n = a.segs.size() > b.segs.size() ? a.segs.size() : b.segs.size();
  const Seg end = Seg::tag(0, 0, kWord);
  for (std::size_t i = 0; i < n; ++i) {
    const Seg& x = i < a.segs.size() ? a.segs[i] : end;
    const Seg& y = i < b.segs.size() ? b.segs[i] : end;
    int r = cmp3(rank(x), rank(y));
    if (!r && x.is_num()) r = cmp3(x.value, y.value);
    if (!r && rank(x) == 1) r = sign(a.tag_bytes(x).compare(b.tag_bytes(y)));
    if (r) return r;
  }
  return 0;
}

std::string canonical_nix(const SegSpan& v) {
  std::string out;
  for (const Seg& s : v.segs) {
    if (!out.empty()) out += '.';
    if (s.is_num())
      out += std::to_string(s.value);
    else
      out += v.tag_bytes(s);
  }
  return out;
}

}  // namespace ombrel
