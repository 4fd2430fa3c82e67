// The generic ordering: epoch first, then the segment lists.
#pragma once

#include "parser.hpp"

namespace ombrel {

// Three-way order (-1, 0, 1) of two segment lists; allocates nothing.
int cmp_segments(SegSpan a, SegSpan b);
// Effective length: trailing Num 0 and release-weight tags do not count.
std::size_t effective_len(std::span<const Seg> s);
int cmp_generic(const ParsedVersion& a, const ParsedVersion& b);

}  // namespace ombrel
