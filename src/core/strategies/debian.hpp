// Debian package versions: [epoch:]upstream[-revision], ordered as dpkg orders them.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <utility>

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

// The [epoch:]main[-tail] shape that Debian and RPM versions share; `tail` is the text
// after the last '-', empty when there is none. Views into the caller's text.
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

struct DebianVersion {
  std::string upstream;
  std::string revision;  // empty when there is none
  std::uint64_t epoch = 0;

  EpochSplit view() const { return {epoch, upstream, revision}; }
};

int verrevcmp(std::string_view a, std::string_view b);
// Fills `out` with the parts of a Debian version, as views into `text`.
std::expected<void, std::string> parse_debian_into(std::string_view text, EpochSplit& out);
std::expected<DebianVersion, std::string> parse_debian(std::string_view text);
int cmp_debian(const EpochSplit& a, const EpochSplit& b);
inline int cmp_debian(const DebianVersion& a, const DebianVersion& b) {
  return cmp_debian(a.view(), b.view());
}

}  // namespace ombrel
