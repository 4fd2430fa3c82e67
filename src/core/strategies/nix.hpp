// Nix versions, ordered as builtins.compareVersions orders them.
#pragma once

#include <string>

#include "strategies/pieces.hpp"

namespace ombrel {

using NixVersion = PieceVersion<Ecosystem::Nix>;

// Reads any text: components split at `.` and `-` and where a run of digits starts or ends.
// Fills a fresh `out`.
void parse_nix_into(std::string_view text, PieceParse& out);
int cmp_nix(const SegSpan& a, const SegSpan& b);
// Equal for two parses exactly when cmp_nix says they are equal.
std::string canonical_nix(const SegSpan& v);

}  // namespace ombrel
