// VERS range specifiers: `vers:` + an ecosystem name + `/` + a range expression.
#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "ecosystem.hpp"
#include "ranges.hpp"

namespace ombrel {

struct Vers {
  Ecosystem ecosystem;
  RangeSet range;

  static std::expected<Vers, std::string> parse(std::string_view text);
};

// The specifier of an ecosystem name or alias and a range: the canonical name and the range
// trimmed, once both have been checked.
std::expected<std::string, std::string> format_vers(std::string_view ecosystem,
                                                    std::string_view range);

}  // namespace ombrel
