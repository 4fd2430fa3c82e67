// Strict Semantic Versioning 2.0.0: MAJOR.MINOR.PATCH[-PRERELEASE][+BUILD].
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel {

struct StrictSemver {
  std::optional<std::string> prerelease;  // never empty when present
  std::uint64_t major = 0;
  std::uint64_t minor = 0;
  std::uint64_t patch = 0;
};

std::expected<StrictSemver, std::string> parse_semver_strict(std::string_view text);
std::expected<std::uint64_t, std::string> parse_strict_u64(std::string_view piece,
                                                           std::string_view field);
std::expected<void, std::string> validate_prerelease(std::string_view pre);
int cmp_semver_strict(const StrictSemver& a, const StrictSemver& b);

}  // namespace ombrel
