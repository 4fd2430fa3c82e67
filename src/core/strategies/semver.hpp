// Strict Semantic Versioning 2.0.0: MAJOR.MINOR.PATCH[-PRERELEASE][+BUILD].
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace ombrel {

// The parse of a text the caller keeps: the prerelease is a view into it.
struct SemverView {
  std::optional<std::string_view> prerelease;  // never empty when present
  std::uint64_t major = 0;
  std::uint64_t minor = 0;
  std::uint64_t patch = 0;
};

struct StrictSemver {
  std::optional<std::string> prerelease;  // never empty when present
  std::uint64_t major = 0;
  std::uint64_t minor = 0;
  std::uint64_t patch = 0;

  SemverView view() const { return {prerelease, major, minor, patch}; }
};

// Fills `out`, whose prerelease is then a view into `text`.
std::expected<void, std::string> parse_semver_into(std::string_view text, SemverView& out);
std::expected<StrictSemver, std::string> parse_semver_strict(std::string_view text);
std::expected<std::uint64_t, std::string> parse_strict_u64(std::string_view piece,
                                                           std::string_view field);
std::expected<void, std::string> validate_prerelease(std::string_view pre);
int cmp_semver_strict(const SemverView& a, const SemverView& b);
inline int cmp_semver_strict(const StrictSemver& a, const StrictSemver& b) {
  return cmp_semver_strict(a.view(), b.view());
}

}  // namespace ombrel
