// One relation `op version` of the packaging systems that write a single comparison per
// dependency (dpkg, rpm, pacman): the operator spellings each system reads.
#pragma once

#include <span>

#include "native.hpp"

namespace ombrel {

struct OpSpelling {
  std::string_view text;
  Op op;
};

// The text without the ASCII white space (space, tab, CR, LF) at its ends.
std::string_view trim_ascii_space(std::string_view s);

// Reads `relation` (a piece of `text`, the caller's whole constraint, which messages quote
// with `syntax`, e.g. "Debian relation") as an operator of `ops` (longest spellings first),
// optional white space, and a version; `bare` is the operator of a version alone, Ne when the
// system needs one.
std::expected<NativeComparator, std::string> read_relation(Ecosystem eco, std::string_view text,
                                                           std::string_view syntax,
                                                           std::string_view relation,
                                                           std::span<const OpSpelling> ops,
                                                           Op bare, bool space_after_op);

}  // namespace ombrel
