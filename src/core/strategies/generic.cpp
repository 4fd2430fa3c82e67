#include "strategies/generic.hpp"

#include "text.hpp"

namespace ombrel {

namespace {

// Unlisted tags compare as lower-case bytes; the texts point into the callers' strings.
int cmp_unlisted(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(to_lower(a[i]));
    const auto y = static_cast<unsigned char>(to_lower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return cmp3(a.size(), b.size());
}

// A segment against a side that has run out.
int cmp_against_end(const Seg& s) {
  if (s.is_num()) return s.value == 0 ? 0 : 1;
  return s.listed() && s.weight >= kReleaseWeight ? 1 : -1;
}

}  // namespace

int cmp_numbers(const SegSpan& a, const Seg& x, const SegSpan& b, const Seg& y) {
  if (x.value != y.value) return x.value < y.value ? -1 : 1;
  if (x.value != UINT64_MAX || !x.has_digits() || !y.has_digits()) [[likely]]
    return 0;
  const std::string_view dx = a.digits(x), dy = b.digits(y);
  if (dx.size() != dy.size()) return dx.size() < dy.size() ? -1 : 1;
  return sign(dx.compare(dy));
}

std::size_t effective_len(std::span<const Seg> s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1].is_null()) --n;
  return n;
}

int cmp_segments(const SegSpan& a, const SegSpan& b) {
  const std::size_t la = effective_len(a.segs), lb = effective_len(b.segs);
  const std::size_t n = la > lb ? la : lb;
  std::size_t i = 0;
  // Leading numbers, the bulk of most versions.
  for (const std::size_t common = la < lb ? la : lb; i < common; ++i) {
    const Seg& x = a.segs[i];
    const Seg& y = b.segs[i];
    if (!x.is_num() || !y.is_num()) break;
    if (const int r = cmp_numbers(a, x, b, y)) return r;
  }
  for (; i < n; ++i) {
    int r;
    if (i >= la) {
      r = -cmp_against_end(b.segs[i]);
    } else if (i >= lb) {
      r = cmp_against_end(a.segs[i]);
    } else {
      const Seg& x = a.segs[i];
      const Seg& y = b.segs[i];
      if (x.is_num() && y.is_num()) {
        r = cmp_numbers(a, x, b, y);
      } else if (x.is_num() != y.is_num()) {
        r = x.is_num() ? 1 : -1;
      } else if (x.listed() || y.listed()) {
        r = cmp3(x.rank(), y.rank());
      } else {
        r = cmp_unlisted(a.tag_bytes(x), b.tag_bytes(y));
      }
    }
    if (r) return r;
  }
  return 0;
}

int cmp_generic(const GenericParse& a, std::string_view text_a, const GenericParse& b,
                std::string_view text_b) {
  if (a.epoch != b.epoch) return a.epoch < b.epoch ? -1 : 1;
  return cmp_segments({a.segments.span(), text_a}, {b.segments.span(), text_b});
}

}  // namespace ombrel
