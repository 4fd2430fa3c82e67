#include "strategies/maven.hpp"

#include "strategies/validators.hpp"

namespace ombrel {
// Placeholder until the Maven scheme is written.
std::string MavenVersion::canonical() const { return {}; }
std::expected<MavenVersion, std::string> parse_maven(std::string_view) { return std::unexpected(std::string("empty Maven version")); }
MavenItem parse_item(bool, std::string_view, bool) { return {}; }
std::optional<int> qualifier_rank(std::string_view) { return std::nullopt; }
int cmp_list(const std::vector<MavenItem>&, const std::vector<MavenItem>&) { return 0; }
int cmp_item_null(const MavenItem&) { return 0; }
Check validate_maven(std::string_view) { return {}; }
}  // namespace ombrel
