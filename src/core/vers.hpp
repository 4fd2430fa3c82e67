// VERS range specifiers: `vers:` + an ecosystem name + `/` + a range expression.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "ecosystem.hpp"
#include "ranges.hpp"
#include "version_set.hpp"

namespace ombrel {

struct Vers {
  Ecosystem ecosystem;
  RangeSet range;                      // a range expression of the library's own language
  std::optional<VersionSet> standard;  // or the set of a standard VERS text
  bool any_type = false;               // `vers:all/*` or `vers:none/*`

  static std::expected<Vers, std::string> parse(std::string_view text);
  std::expected<bool, std::string> contains(std::string_view version) const;
  // The canonical standard text of the versions it holds (every bound parsed).
  std::expected<std::string, std::string> canonical() const;
};

// Whether `version` lies in the set of the VERS text `vers`, the text read once and kept while
// it is used again (parse_cache.hpp); an error of the text comes before one of the version.
std::expected<bool, std::string> vers_contains(std::string_view vers, std::string_view version);

// The specifier of an ecosystem name or alias and a range: the canonical name and the range
// trimmed, once both have been checked.
std::expected<std::string, std::string> format_vers(std::string_view ecosystem,
                                                    std::string_view range);

}  // namespace ombrel
