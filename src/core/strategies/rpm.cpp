#include "strategies/rpm.hpp"

#include <algorithm>

#include "strategies/debian.hpp"
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

// The run of digits (or of letters) starting at s[i].
std::string_view segment(std::string_view s, std::size_t i, bool numeric) {
  std::size_t e = i;
  while (e < s.size() && (numeric ? is_digit(s[e]) : is_alpha(s[e]))) ++e;
  return s.substr(i, e - i);
}

std::string_view drop_zeros(std::string_view s) {
  return s.substr(std::min(s.find_first_not_of('0'), s.size()));
}

}  // namespace

int rpmverscmp(std::string_view a, std::string_view b) {
  if (a == b) return 0;
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
    std::string_view sa = segment(a, i, numeric), sb = segment(b, j, numeric);
    i += sa.size();
    j += sb.size();
    // Numbers are newer than letters.
    if (sb.empty()) return numeric ? 1 : -1;
    if (numeric) {
      sa = drop_zeros(sa);
      sb = drop_zeros(sb);
      if (const int d = cmp3(sa.size(), sb.size())) return d;
    }
    if (const int d = sign(sa.compare(sb))) return d;
  }
  return cmp3(i < a.size(), j < b.size());
}

std::expected<RpmVersion, std::string> parse_rpm(std::string_view text) {
  const std::string_view t = trim(text);
  if (t.empty()) return std::unexpected(std::string("empty RPM version"));
  const EpochSplit s = split_epoch_hyphen(t);
  return RpmVersion{std::string(s.main), std::string(s.tail), s.epoch};
}

int cmp_rpm(const RpmVersion& a, const RpmVersion& b) {
  if (const int d = cmp3(a.epoch, b.epoch)) return d;
  if (const int d = rpmverscmp(a.version, b.version)) return d;
  return rpmverscmp(a.release, b.release);
}

}  // namespace ombrel
