// Composer versions, ordered as Composer's own sort orders them: its normalised form of each
// text compared as PHP's version_compare does, named branches (`dev-main`) below every version.
#pragma once

#include <string>

#include "strategies/pieces.hpp"

namespace ombrel {

using ComposerVersion = PieceVersion<Ecosystem::Composer>;

// Reads any text: Composer's normal form when Composer accepts the text, else the text itself
// (after a leading `v`) as version_compare reads it. Fills a fresh `out`.
void parse_composer_into(std::string_view text, PieceParse& out);
int cmp_composer(const SegSpan& a, const SegSpan& b);
// Equal for two parses exactly when cmp_composer says they are equal.
std::string canonical_composer(const SegSpan& v);

}  // namespace ombrel
