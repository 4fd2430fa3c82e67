// RPM package versions: [epoch:]version[-release], ordered by rpmvercmp with ~ and ^.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

namespace ombrel {

struct RpmVersion {
  std::string version;
  std::string release;  // empty when there is none
  std::uint64_t epoch = 0;
};

int rpmverscmp(std::string_view a, std::string_view b);
std::expected<RpmVersion, std::string> parse_rpm(std::string_view text);
int cmp_rpm(const RpmVersion& a, const RpmVersion& b);

}  // namespace ombrel
