// Input checks of the ecosystems that then use the generic scheme, and of Maven.
#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "parser.hpp"

namespace ombrel {

using Check = std::expected<void, std::string>;

Check validate_composer(std::string_view input);
Check validate_arch(std::string_view input);
Check validate_cran(std::string_view input);
Check validate_maven(std::string_view input);
// The shared templates: "empty <name> version" and "<name> version must start with a digit".
Check validate_digit_start(Ecosystem eco, std::string_view input);
Check validate_non_empty(Ecosystem eco, std::string_view input);
Check validate_go_prefix(std::string_view input);

}  // namespace ombrel
