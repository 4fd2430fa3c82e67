// Stable selection: which versions of a list count as releases.
#pragma once

#include <cstddef>

#include "parser.hpp"

namespace ombrel {

// A version is stable when the generic parse does not call it a pre-release, whatever the
// ecosystem, so that a list has the same stable versions under every ecosystem; only those are
// then read under the ecosystem, so a pre-release it would reject is dropped, not an error.
//
// Walks `n` versions in order: `generic(i)` gives the generic parse of version i (nullptr when
// it cannot be read, which ends the walk), and each stable one goes to `keep(i)`, which reads
// it under the ecosystem and answers false to end the walk. True when the walk reached the end.
template <class Generic, class Keep>
bool select_stable(std::size_t n, Generic generic, Keep keep) {
  for (std::size_t i = 0; i < n; ++i) {
    const GenericParse* parse = generic(i);
    if (!parse) return false;
    if (!parse->is_prerelease && !keep(i)) return false;
  }
  return true;
}

}  // namespace ombrel
