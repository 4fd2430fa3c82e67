// Composer versions, ordered as Composer's own sort orders them: its normalised form of each
// text compared as PHP's version_compare does, named branches (`dev-main`) below every version.
#pragma once

#include <optional>
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

// What Composer's VersionParser::normalize makes of a version written in a constraint.
struct ComposerNormal {
  bool branch = false;  // a named branch: `text` is `dev-` and its name
  bool stable = false;  // no dev, alpha, beta or RC word (what gets a `@beta` flag appended)
  // The normal form, written so that this strategy reads it back as version_compare reads
  // Composer's own text: four numbers joined by dots, a date's joined by dashes (dots would
  // read as a classical version), the word `stable` as `STABLE` (which drops nothing).
  std::string text;
};
// Nothing when Composer refuses the text.
std::optional<ComposerNormal> composer_normal(std::string_view text);

// PHP's trim, which Composer's parser applies (ASCII white space and NUL).
std::string_view composer_trim(std::string_view s);

// The name of the branch `text` names (`dev-main`, `master`), as Composer compares branches.
std::optional<std::string_view> composer_branch(std::string_view text);

}  // namespace ombrel
