// The [epoch:]main[-tail] shape that Debian and RPM versions share, one piece for both: the
// split, the kept version and the ordering, each scheme giving its name and its comparison
// of fragments as a `Kind` (a `name`, a `compare(main_a, main_b)` and a `canonical(fragment,
// out)` that writes alike the fragments `compare` holds equal).
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <utility>

#include "message.hpp"
#include "text.hpp"

namespace ombrel {

// (epoch, rest after the colon), or (0, whole text) when there is no valid epoch.
inline std::pair<std::uint64_t, std::string_view> extract_epoch_colon(std::string_view text) {
  const std::size_t n = digit_run(text);
  if (n == text.size() || text[n] != ':') return {0, text};
  const auto epoch = parse_u64(text.substr(0, n));  // nothing for ":..." or too many digits
  if (!epoch) return {0, text};
  return {*epoch, text.substr(n + 1)};
}

// `tail` is the text after the last '-', empty when there is none. Views into the caller's
// text.
struct EpochSplit {
  std::uint64_t epoch = 0;
  std::string_view main;
  std::string_view tail;
};
// Inline, as extract_epoch_colon: a split returned across a call costs a store-forwarding
// stall when it is copied.
inline EpochSplit split_epoch_hyphen(std::string_view text) {
  const auto [epoch, rest] = extract_epoch_colon(text);
  const std::size_t hyphen = rest.rfind('-');
  if (hyphen == rest.npos) return {epoch, rest, {}};
  return {epoch, rest.substr(0, hyphen), rest.substr(hyphen + 1)};
}

// A split kept beyond its text. `Kind` keeps the schemes' versions apart.
template <class Kind>
struct SplitVersion {
  std::string main;  // Debian's upstream version, RPM's version
  std::string tail;  // Debian's revision, RPM's release; empty when there is none
  std::uint64_t epoch = 0;

  EpochSplit view() const { return {epoch, main, tail}; }
};

// Fills `out` with the parts of the trimmed text, as views into `text`.
template <class Kind>
std::expected<void, std::string> parse_split_into(std::string_view text, EpochSplit& out) {
  const std::string_view t = trim(text);
  if (t.empty()) return fail("empty ", Kind::name, " version");
  out = split_epoch_hyphen(t);
  return {};
}

template <class Kind>
std::expected<SplitVersion<Kind>, std::string> parse_split(std::string_view text) {
  EpochSplit s;
  if (auto ok = parse_split_into<Kind>(text, s); !ok) return failure(ok);
  return SplitVersion<Kind>{std::string(s.main), std::string(s.tail), s.epoch};
}

// "epoch:main-tail", the parts written by the scheme's `canonical`: equal for two versions
// exactly when cmp_split holds them equal.
template <class Kind>
std::string split_canonical(const EpochSplit& v) {
  std::string out = std::to_string(v.epoch) + ':';
  Kind::canonical(v.main, out);
  out += '-';
  Kind::canonical(v.tail, out);
  return out;
}

// Epoch, then the main parts, then the tails, each under the scheme's comparison.
template <class Kind>
int cmp_split(const EpochSplit& a, const EpochSplit& b) {
  if (const int d = cmp3(a.epoch, b.epoch)) return d;
  if (const int d = Kind::compare(a.main, b.main)) return d;
  return Kind::compare(a.tail, b.tail);
}

}  // namespace ombrel
