// CPAN versions, ordered as Perl's `version` objects order them.
#pragma once

#include <string>

#include "strategies/pieces.hpp"

namespace ombrel {

using CpanVersion = PieceVersion<Ecosystem::Cpan>;

// Reads any text into the parts Perl compares. A text Perl refuses is read as its longest
// leading version, its remaining bytes kept after the parts. Fills a fresh `out`.
void parse_cpan_into(std::string_view text, PieceParse& out);
int cmp_cpan(const SegSpan& a, const SegSpan& b);
// Equal for two parses exactly when cmp_cpan says they are equal.
std::string canonical_cpan(const SegSpan& v);

}  // namespace ombrel
