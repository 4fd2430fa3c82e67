#include "strategies/debian.hpp"

#include <algorithm>

#include "text.hpp"

namespace ombrel {

namespace {

// dpkg's character order: '~' below the end of the fragment, the end below letters,
// letters below every other byte. Digits weigh 0 so that they end a non-digit run.
int weight(std::string_view s, std::size_t i) {
  if (i == s.size()) return 0;
  const auto c = static_cast<unsigned char>(s[i]);
  if (c == '~') return -1;
  if (is_digit(c)) return 0;
  if (is_alpha(c)) return c;
  return c + 256;
}

bool digit_at(std::string_view s, std::size_t i) {
  return i < s.size() && is_digit(s[i]);
}
bool non_digit_at(std::string_view s, std::size_t i) {
  return i < s.size() && !is_digit(s[i]);
}

}  // namespace

int verrevcmp(std::string_view a, std::string_view b) {
  // Bytes both sides share decide nothing, up to the digit run the shared part may end in
  // (runs compare as numbers, so the comparison resumes where that run starts).
  std::size_t k = 0;
  const std::size_t n = std::min(a.size(), b.size());
  while (k < n && a[k] == b[k]) ++k;
  while (k > 0 && is_digit(a[k - 1])) --k;
  a.remove_prefix(k);
  b.remove_prefix(k);
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    while (non_digit_at(a, i) || non_digit_at(b, j)) {
      if (const int d = cmp3(weight(a, i), weight(b, j))) return d;
      ++i, ++j;  // equal weights here mean two bytes, never an end
    }
    while (i < a.size() && a[i] == '0') ++i;
    while (j < b.size() && b[j] == '0') ++j;
    int first_diff = 0;
    for (; digit_at(a, i) && digit_at(b, j); ++i, ++j)
      if (!first_diff) first_diff = cmp3(a[i], b[j]);
    if (digit_at(a, i)) return 1;
    if (digit_at(b, j)) return -1;
    if (first_diff) return first_diff;
  }
  return 0;
}

void append_verrev_canonical(std::string& out, std::string_view s) {
  if (digit_run(s) == s.size() && drop_leading_zeros(s).empty()) return;  // equal to ""
  // verrevcmp reads (non-digit run, number) pairs: each is written out, its number in
  // decimal without leading zeros, so that equal texts give equal pairs.
  std::size_t i = 0;
  do {
    const std::size_t run = i;
    while (non_digit_at(s, i)) ++i;
    out.append(s.substr(run, i - run));
    const std::size_t digits = i;
    while (digit_at(s, i)) ++i;
    const std::string_view n = drop_leading_zeros(s.substr(digits, i - digits));
    out.append(n.empty() ? "0" : n);
  } while (i < s.size());
}

}  // namespace ombrel
