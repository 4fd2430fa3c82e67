#include "strategies/rpm.hpp"

#include <algorithm>

#include "text.hpp"

namespace ombrel {

namespace {

// Bytes that take part in the comparison; every other byte only separates segments.
bool significant(char c) {
  return is_alnum(c) || c == '~' || c == '^';
}

std::size_t skip_separators(std::string_view s, std::size_t i) {
  while (i < s.size() && !significant(s[i])) ++i;
  return i;
}

}  // namespace

int rpmverscmp(std::string_view a, std::string_view b) {
  // Bytes both sides share decide nothing, up to the letter or digit run the shared part may
  // end in: the comparison resumes where that run starts.
  std::size_t k = 0;
  const std::size_t n = std::min(a.size(), b.size());
  while (k < n && a[k] == b[k]) ++k;
  if (k == a.size() && k == b.size()) return 0;
  while (k > 0 && is_alnum(a[k - 1])) --k;
  a.remove_prefix(k);
  b.remove_prefix(k);
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    i = skip_separators(a, i);
    j = skip_separators(b, j);
    // After the skip a NUL byte can only mean the end of the fragment.
    const char ca = i < a.size() ? a[i] : '\0';
    const char cb = j < b.size() ? b[j] : '\0';
    // '~' sorts before everything, the end included.
    if (ca == '~' || cb == '~') {
      if (ca != '~') return 1;
      if (cb != '~') return -1;
      ++i, ++j;
      continue;
    }
    // '^' sorts after the end and before everything else.
    if (ca == '^' || cb == '^') {
      if (!ca) return -1;
      if (!cb) return 1;
      if (ca != '^') return 1;
      if (cb != '^') return -1;
      ++i, ++j;
      continue;
    }
    if (!ca || !cb) break;
    const bool numeric = is_digit(ca);
    const std::string_view sa = rpm_segment(a, i, numeric), sb = rpm_segment(b, j, numeric);
    i += sa.size();
    j += sb.size();
    // Numbers are newer than letters.
    if (sb.empty()) return numeric ? 1 : -1;
    if (const int d = cmp_rpm_segment(sa, sb, numeric)) return d;
  }
  return cmp3(i < a.size(), j < b.size());
}

// rpmverscmp skips every byte that is not a letter, a digit, '~' or '^', and reads numbers
// without their leading zeros.
void rpmvercmp_canonical(std::string_view s, std::string& out) {
  const std::size_t start = out.size();
  for (std::size_t i = skip_separators(s, 0); i < s.size(); i = skip_separators(s, i)) {
    if (out.size() != start) out += '.';
    if (s[i] == '~' || s[i] == '^') {
      out += s[i++];
      continue;
    }
    const bool numeric = is_digit(s[i]);
    const std::string_view run = rpm_segment(s, i, numeric);
    i += run.size();
    const std::string_view kept = numeric ? drop_leading_zeros(run) : run;
    out += kept.empty() ? std::string_view("0") : kept;
  }
}

}  // namespace ombrel
