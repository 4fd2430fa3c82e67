#include "strategies/ruby.hpp"

namespace ombrel {

namespace {

// What a word piece holds. A number too long for 64 bits keeps its digits (leading zeros
// dropped), which order by length and then byte by byte.
constexpr std::int16_t kWord = 0;
constexpr std::int16_t kBigNumber = 1;
constexpr std::int16_t kPre = 2;  // a `-`, which RubyGems reads as `.pre.`
constexpr std::string_view kPreText = "pre";

bool is_number(const Seg& s) {
  return s.is_num() || s.weight == kBigNumber;
}

std::string_view word(const SegSpan& v, const Seg& s) {
  return s.weight == kPre ? kPreText : v.tag_bytes(s);
}

int cmp_numbers(const SegSpan& a, const Seg& x, const SegSpan& b, const Seg& y) {
  if (x.is_num() && y.is_num()) return cmp3(x.value, y.value);
  if (x.is_num() != y.is_num()) return x.is_num() ? -1 : 1;
  if (x.len() != y.len()) return cmp3(x.len(), y.len());
  return sign(a.tag_bytes(x).compare(b.tag_bytes(y)));
}

}  // namespace

void parse_ruby_into(std::string_view text, PieceParse& out) {
  const std::string_view t = trim(text);
  const std::size_t base = offset_in(text, t);
  bool words = false;
  // RubyGems drops the zeros that end the leading numbers, so `1.0.a` is `1.a`.
  auto start_words = [&] {
    if (words) return;
    words = true;
    std::size_t n = out.pieces.size();
    while (n > 0 && out.pieces[n - 1].is_num() && out.pieces[n - 1].value == 0) --n;
    out.pieces.set_size(n);
  };
  for (std::size_t i = 0; i < t.size();) {
    const char c = t[i];
    if (is_digit(c)) {
      const std::size_t end = i + digit_run(t, i);
      while (i + 1 < end && t[i] == '0') ++i;
      if (end - i <= 19)
        out.pieces.push_back(Seg::num(*parse_u64(t.substr(i, end - i))));
      else
        out.pieces.push_back(Seg::tag(base + i, end - i, kBigNumber));
      i = end;
    } else if (is_alpha(c)) {
      std::size_t end = i;
      while (end < t.size() && is_alpha(t[end])) ++end;
      start_words();
      out.pieces.push_back(Seg::tag(base + i, end - i, kWord));
      i = end;
    } else {
      if (c == '-') {
        start_words();
        out.pieces.push_back(Seg::tag(0, 0, kPre));
      }
      ++i;
    }
  }
}

// Pieces compare in turn, a missing one as 0; a word is below any number.
int cmp_ruby(const SegSpan& a, const SegSpan& b) {
  const std::size_t n = a.segs.size() > b.segs.size() ? a.segs.size() : b.segs.size();
  const Seg zero = Seg::num(0);
  for (std::size_t i = 0; i < n; ++i) {
    const Seg& x = i < a.segs.size() ? a.segs[i] : zero;
    const Seg& y = i < b.segs.size() ? b.segs[i] : zero;
    int r;
    if (is_number(x) && is_number(y))
      r = cmp_numbers(a, x, b, y);
    else if (is_number(x) != is_number(y))
      r = is_number(x) ? 1 : -1;
    else
      r = sign(word(a, x).compare(word(b, y)));
    if (r) return r;
  }
  return 0;
}

std::string canonical_ruby(const SegSpan& v) {
  std::size_t n = v.segs.size();
  while (n > 0 && v.segs[n - 1].is_num() && v.segs[n - 1].value == 0) --n;
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) out += '.';
    const Seg& s = v.segs[i];
    if (s.is_num())
      out += std::to_string(s.value);
    else
      out += word(v, s);
  }
  return out;
}

}  // namespace ombrel
