// Auto-detection: the ecosystem a version text most likely comes from.
#pragma once

#include <string_view>

#include "ecosystem.hpp"

namespace ombrel {

// The first rule that the text (ASCII case ignored) meets decides; generic when none does.
Ecosystem autodetect_ecosystem(std::string_view text);

}  // namespace ombrel
