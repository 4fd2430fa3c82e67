// Bump functions: new release texts derived from the generic parse of a version.
#include "bump.hpp"

#include "functions.hpp"

namespace ombrel::py {

namespace {

constexpr Param kVersionParams[] = {{"version"}};
constexpr Param kPrereleaseParams[] = {{"version"}, {"tag", Default::Str, "alpha"}};

constexpr const char* kPrereleaseDoc =
    "Bump the prerelease counter on a version.\n\nSemantics:\n"
    "  - If the version has a prerelease segment with the same `tag`, the\n"
    "    first numeric segment following that tag is incremented.\n"
    "  - Otherwise the existing prerelease is replaced with `-{tag}.0`.\n"
    "  - If no release triple is present, it's filled with `0.0.0`.";
constexpr const char* kNextStableDoc =
    "Return the release form of a version, stripping any prerelease/postrelease\n"
    "tags and build metadata. `1.2.3-alpha.1+build` \u2192 `1.2.3`.";

template <BumpPart Part>
PyObject* bump_impl(PyObject*, const Args& args) {
  const auto text = args.str(0);
  if (!text) return nullptr;
  return new_str(bump(*text, Part));
}

PyObject* bump_prerelease_impl(PyObject*, const Args& args) {
  const auto text = args.str(0);
  if (!text) return nullptr;
  const auto tag = args.str(1);
  if (!tag) return nullptr;
  return new_str(bump_prerelease(*text, *tag));
}

}  // namespace

const Function kBumpMajor{{"bump_major", kVersionParams}, bump_impl<BumpPart::Major>};
const Function kBumpMinor{{"bump_minor", kVersionParams}, bump_impl<BumpPart::Minor>};
const Function kBumpPatch{{"bump_patch", kVersionParams}, bump_impl<BumpPart::Patch>};
const Function kBumpPrerelease{{"bump_prerelease", kPrereleaseParams, kPrereleaseDoc},
                               bump_prerelease_impl};
const Function kNextStable{{"next_stable", kVersionParams, kNextStableDoc},
                           bump_impl<BumpPart::Release>};

}  // namespace ombrel::py
