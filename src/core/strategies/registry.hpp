// The one place through which versions are parsed and compared under an ecosystem.
#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <variant>

#include "parser.hpp"
#include "strategies/debian.hpp"
#include "strategies/maven.hpp"
#include "strategies/pep440.hpp"
#include "strategies/rpm.hpp"
#include "strategies/semver.hpp"

namespace ombrel {

// Alternatives in the order Generic, Semver, Debian, Rpm, Pep440, Maven.
using ParsedRepr =
    std::variant<ParsedVersion, StrictSemver, DebianVersion, RpmVersion, Pep440Version, MavenVersion>;

class VersionStrategy {
 public:
  virtual std::expected<ParsedRepr, std::string> parse(std::string_view text) const = 0;
  // Both operands must come from this strategy's parse. Returns -1, 0 or 1.
  virtual int compare(const ParsedRepr& a, const ParsedRepr& b) const = 0;

 protected:
  ~VersionStrategy() = default;
};

const VersionStrategy& strategy_for(Ecosystem eco);
std::expected<ParsedRepr, std::string> parse_for_ecosystem(Ecosystem eco, std::string_view text);
int compare_for_ecosystem(Ecosystem eco, const ParsedRepr& a, const ParsedRepr& b);

}  // namespace ombrel
