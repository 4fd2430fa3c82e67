// RPM package versions: [epoch:]version[-release], ordered by rpmvercmp with ~ and ^.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "strategies/debian.hpp"

namespace ombrel {

struct RpmVersion {
  std::string version;
  std::string release;  // empty when there is none
  std::uint64_t epoch = 0;

  EpochSplit view() const { return {epoch, version, release}; }
};

int rpmverscmp(std::string_view a, std::string_view b);
// Fills `out` with the parts of an RPM version, as views into `text`.
std::expected<void, std::string> parse_rpm_into(std::string_view text, EpochSplit& out);
std::expected<RpmVersion, std::string> parse_rpm(std::string_view text);
int cmp_rpm(const EpochSplit& a, const EpochSplit& b);
inline int cmp_rpm(const RpmVersion& a, const RpmVersion& b) {
  return cmp_rpm(a.view(), b.view());
}

}  // namespace ombrel
