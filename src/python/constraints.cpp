// Constraint functions.
#include "functions.hpp"

namespace ombrel::py {
namespace {
constexpr Param kSatisfiesParams[] = {{"version"}, {"constraint"}, {"ecosystem", Default::Str, "generic"}};
constexpr Param kRangeParams[] = {{"version"}, {"range"}, {"ecosystem", Default::Str, "generic"}};
constexpr Param kIntersectParams[] = {{"left"}, {"right"}, {"ecosystem", Default::Str, "generic"}};
}
const Function kSatisfies{{"satisfies", kSatisfiesParams}, not_built};
const Function kRangeContains{{"range_contains", kRangeParams}, not_built};
const Function kRangesIntersect{{"ranges_intersect", kIntersectParams}, not_built};
}  // namespace ombrel::py
