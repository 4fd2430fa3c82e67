// Bumps: new release texts derived from the generic parse of a version.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ombrel {

// Which component of the release triple a bump increments; Release increments none.
enum class BumpPart : std::uint8_t { Major, Minor, Patch, Release };

// "M.m.p" of `nums`, with the component `part` replaced by its successor and the later ones
// by 0. The successor is written in decimal rather than computed, so that the largest 64-bit
// value is followed by the next number instead of wrapping to 0.
std::string release_text(const std::array<std::uint64_t, 3>& nums,
                         BumpPart part = BumpPart::Release);

// The release triple of the generic parse of `version` (a missing or tag component reads as
// 0), bumped at `part`; the rest of the version is dropped.
std::string bump(std::string_view version, BumpPart part);

// "M.m.p-tag.N" with `tag` in lower case: N is the successor of the number that follows the
// version's first tag when that tag is `tag` (ASCII case ignored), else 0.
std::string bump_prerelease(std::string_view version, std::string_view tag);

}  // namespace ombrel
