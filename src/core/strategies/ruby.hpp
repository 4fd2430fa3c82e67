// RubyGems versions, ordered as Gem::Version#<=> orders them.
#pragma once

#include <string>

#include "strategies/pieces.hpp"

namespace ombrel {

using RubyVersion = PieceVersion<Ecosystem::Ruby>;

// Reads any text: the runs of digits and of letters, `-` as a `pre` word; other bytes only
// separate. Fills a fresh `out`.
void parse_ruby_into(std::string_view text, PieceParse& out);
int cmp_ruby(const SegSpan& a, const SegSpan& b);
// Equal for two parses exactly when cmp_ruby says they are equal.
std::string canonical_ruby(const SegSpan& v);

}  // namespace ombrel
