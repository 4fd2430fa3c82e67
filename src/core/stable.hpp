// Stable selection: which versions of a list count as releases.
#pragma once

#include <cstddef>

#include "generic_parse.hpp"

namespace ombrel {

// A version is stable when the generic parse does not call it a pre-release, whatever the
// ecosystem, so that a list has the same stable versions under every ecosystem; only those are
// then read under the ecosystem, so a pre-release it would reject is dropped, not an error.
//
// Walks `items` in order: `generic(item)` gives an item's generic parse (nullptr when it cannot
// be read, which ends the walk), and each stable item goes to `keep(item)`, which reads it under
// the ecosystem and answers false to end the walk. True when the walk reached the end.
template <class Items, class Generic, class Keep>
bool select_stable(const Items& items, Generic generic, Keep keep) {
  for (const auto& item : items) {
    const GenericParse* parse = generic(item);
    if (!parse) return false;
    if (!parse->is_prerelease && !keep(item)) return false;
  }
  return true;
}

}  // namespace ombrel
