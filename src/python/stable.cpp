// Stable selection.
#include "functions.hpp"

namespace ombrel::py {
namespace {
constexpr Param kListParams[] = {{"versions"}, {"ecosystem", Default::Str, "generic"}};
}
const Function kStableVersions{{"stable_versions", kListParams}, not_built};
const Function kLatestStable{{"latest_stable", kListParams}, not_built};
}  // namespace ombrel::py
