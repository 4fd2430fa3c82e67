// The generic ordering: epoch first, then the segment lists.
#pragma once

#include "generic_parse.hpp"

namespace ombrel {

// Three-way order (-1, 0, 1) of two segment lists; allocates nothing.
int cmp_segments(const SegSpan& a, const SegSpan& b);
// Two numbers: by value, and two that keep their digits (Seg::big) by those digits.
int cmp_numbers(const SegSpan& a, const Seg& x, const SegSpan& b, const Seg& y);
// Effective length: trailing Num 0 and release-weight tags do not count.
std::size_t effective_len(std::span<const Seg> s);
// Two generic parses, each with the text it was made from.
int cmp_generic(const GenericParse& a, std::string_view text_a, const GenericParse& b,
                std::string_view text_b);
inline int cmp_generic(const ParsedVersion& a, const ParsedVersion& b) {
  return cmp_generic(a, a.raw, b, b.raw);
}

}  // namespace ombrel
