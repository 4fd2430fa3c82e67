// Bump functions.
#include "functions.hpp"

namespace ombrel::py {
namespace {
constexpr Param kVersionParams[] = {{"version"}};
constexpr Param kPrereleaseParams[] = {{"version"}, {"tag", Default::Str, "alpha"}};
}
const Function kBumpMajor{{"bump_major", kVersionParams}, not_built};
const Function kBumpMinor{{"bump_minor", kVersionParams}, not_built};
const Function kBumpPatch{{"bump_patch", kVersionParams}, not_built};
const Function kBumpPrerelease{{"bump_prerelease", kPrereleaseParams}, not_built};
const Function kNextStable{{"next_stable", kVersionParams}, not_built};
}  // namespace ombrel::py
