// VERS texts as the standard writes them (constraints separated by a single `|`, read as
// signposts along the version line, types named after purl types) beside the library's own
// dialect, which carries a range expression after the type.
#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "vers.hpp"
#include "version_set.hpp"

namespace ombrel {

// Whether the constraints after the type are read as the standard writes them: they hold a
// `|` that is not part of `||`, or a `%` escape, or are one plain version, with or without `=`.
bool is_standard_constraints(std::string_view constraints);

// The `Vers` of the type and constraints of `text` (its whole text, for messages).
std::expected<Vers, std::string> read_vers(std::string_view text, std::string_view type,
                                           std::string_view constraints);

}  // namespace ombrel
