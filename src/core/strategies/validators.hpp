// Input checks of the ecosystems that then use the generic scheme, and of Maven.
#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "ecosystem.hpp"

namespace ombrel {

using Check = std::expected<void, std::string>;

// A check of the raw text in front of a scheme's parser; messages name `eco`.
using Validator = Check (*)(Ecosystem eco, std::string_view input);

// Inline, so that a strategy without a check pays nothing for it.
inline Check no_check(Ecosystem, std::string_view) {
  return {};
}
// The shared templates: "empty <name> version" and "<name> version must start with a digit".
Check validate_digit_start(Ecosystem eco, std::string_view input);
Check validate_non_empty(Ecosystem eco, std::string_view input);
Check validate_composer(Ecosystem eco, std::string_view input);
Check validate_arch(Ecosystem eco, std::string_view input);
Check validate_cran(Ecosystem eco, std::string_view input);
Check validate_maven(Ecosystem eco, std::string_view input);
Check validate_go_prefix(Ecosystem eco, std::string_view input);

}  // namespace ombrel
