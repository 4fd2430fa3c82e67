// PEP 440 versions: the generic parse plus an ordered local label.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "parser.hpp"

namespace ombrel {

struct Pep440Version {
  ParsedVersion base;
  // Local label segments; their tags point into base.raw. Absent when there is no `+`.
  std::optional<SegVec> local;
  SegSpan local_view() const { return {local ? local->span() : std::span<const Seg>{}, base.raw}; }
};

std::expected<Pep440Version, std::string> parse_pep440(std::string_view text);
int cmp_pep440(const Pep440Version& a, const Pep440Version& b);

}  // namespace ombrel
