// RPM package versions: [epoch:]version[-release], ordered by rpmvercmp with ~ and ^.
#pragma once

#include <string_view>

#include "strategies/epoch_split.hpp"
#include "text.hpp"

namespace ombrel {

// The run of digits (or of letters) starting at s[i].
[[gnu::always_inline]] inline std::string_view rpm_segment(std::string_view s, std::size_t i,
                                                           bool numeric) {
  std::size_t e = i;
  while (e < s.size() && (numeric ? is_digit(s[e]) : is_alpha(s[e]))) ++e;
  return s.substr(i, e - i);
}

// Two segments of one kind: digit runs by value, letter runs in byte order (as strcmp has
// it; segments are short, so a plain loop). pacman's vercmp compares its segments alike.
[[gnu::always_inline]] inline int cmp_rpm_segment(std::string_view a, std::string_view b,
                                                  bool numeric) {
  if (numeric) {
    a = drop_leading_zeros(a);
    b = drop_leading_zeros(b);
    if (const int d = cmp3(a.size(), b.size())) return d;
  }
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t k = 0; k < n; ++k)
    if (a[k] != b[k])
      return static_cast<unsigned char>(a[k]) < static_cast<unsigned char>(b[k]) ? -1 : 1;
  return cmp3(a.size(), b.size());
}

int rpmverscmp(std::string_view a, std::string_view b);
// Appends `s` written alike for every fragment rpmverscmp holds equal to it: its segments
// joined by '.', numbers without leading zeros, '~' and '^' kept.
void rpmvercmp_canonical(std::string_view s, std::string& out);

// rpmvercmp's ordering of the split.
struct Rpmvercmp {
  static constexpr std::string_view name = "RPM";
  static int compare(std::string_view a, std::string_view b) { return rpmverscmp(a, b); }
  static void canonical(std::string_view s, std::string& out) { rpmvercmp_canonical(s, out); }
};
using RpmVersion = SplitVersion<Rpmvercmp>;

}  // namespace ombrel
