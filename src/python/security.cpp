// Package URLs, VERS specifiers and OSV advisories.
#include "functions.hpp"

namespace ombrel::py {
namespace {
constexpr Param kPurlParams[] = {{"purl"}};
constexpr Param kBuildPurlParams[] = {{"package_type"}, {"name"}, {"version", Default::None}, {"namespace", Default::None}, {"qualifiers", Default::None}, {"subpath", Default::None}};
constexpr Param kBuildVersParams[] = {{"ecosystem"}, {"range"}};
constexpr Param kVersContainsParams[] = {{"vers"}, {"version"}};
constexpr Param kOsvParams[] = {{"version"}, {"affected"}, {"ecosystem", Default::None}};
}
const Function kParsePurl{{"parse_purl", kPurlParams}, not_built};
const Function kBuildPurl{{"build_purl", kBuildPurlParams}, not_built};
const Function kPurlEcosystem{{"purl_ecosystem", kPurlParams}, not_built};
const Function kBuildVers{{"build_vers", kBuildVersParams}, not_built};
const Function kVersContains{{"vers_contains", kVersContainsParams}, not_built};
const Function kOsvAffected{{"osv_affected", kOsvParams}, not_built};
}  // namespace ombrel::py
