#include "strategies/debian.hpp"

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

std::pair<std::uint64_t, std::string_view> extract_epoch_colon(std::string_view text) {
  const std::size_t n = digit_run(text);
  if (n == text.size() || text[n] != ':') return {0, text};
  const auto epoch = parse_u64(text.substr(0, n));  // nothing for ":..." or too many digits
  if (!epoch) return {0, text};
  return {*epoch, text.substr(n + 1)};
}

EpochSplit split_epoch_hyphen(std::string_view text) {
  const auto [epoch, rest] = extract_epoch_colon(text);
  const std::size_t hyphen = rest.rfind('-');
  if (hyphen == rest.npos) return {epoch, rest, {}};
  return {epoch, rest.substr(0, hyphen), rest.substr(hyphen + 1)};
}

int verrevcmp(std::string_view a, std::string_view b) {
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

std::expected<DebianVersion, std::string> parse_debian(std::string_view text) {
  const std::string_view t = trim(text);
  if (t.empty()) return std::unexpected(std::string("empty Debian version"));
  const EpochSplit s = split_epoch_hyphen(t);
  return DebianVersion{std::string(s.main), std::string(s.tail), s.epoch};
}

int cmp_debian(const DebianVersion& a, const DebianVersion& b) {
  if (const int d = cmp3(a.epoch, b.epoch)) return d;
  if (const int d = verrevcmp(a.upstream, b.upstream)) return d;
  return verrevcmp(a.revision, b.revision);
}

}  // namespace ombrel
