// Debian package versions: [epoch:]upstream[-revision], ordered as dpkg orders them.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <utility>

namespace ombrel {

struct DebianVersion {
  std::string upstream;
  std::string revision;  // empty when there is none
  std::uint64_t epoch = 0;
};

// (epoch, rest after the colon), or (0, whole text) when there is no valid epoch.
std::pair<std::uint64_t, std::string_view> extract_epoch_colon(std::string_view text);

// The [epoch:]main[-tail] shape that Debian and RPM versions share; `tail` is the text
// after the last '-', empty when there is none. Views into the caller's text.
struct EpochSplit {
  std::uint64_t epoch = 0;
  std::string_view main;
  std::string_view tail;
};
EpochSplit split_epoch_hyphen(std::string_view text);

int verrevcmp(std::string_view a, std::string_view b);
std::expected<DebianVersion, std::string> parse_debian(std::string_view text);
int cmp_debian(const DebianVersion& a, const DebianVersion& b);

}  // namespace ombrel
