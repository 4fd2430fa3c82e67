// PEP 440 versions: the generic parse plus an ordered local label.
#pragma once

#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "generic_parse.hpp"

namespace ombrel {

// What the ordering reads of a PEP 440 version: the generic parse and the local label's
// segments, their tags pointing into `text`.
struct Pep440View {
  const GenericParse& base;
  std::string_view text;
  std::span<const Seg> local;
  bool has_local;
};

// The parse of a text the caller keeps.
struct Pep440Parse {
  GenericParse base;
  SegVec local;
  bool has_local = false;

  Pep440View view(std::string_view text) const { return {base, text, local.span(), has_local}; }
};

struct Pep440Version {
  ParsedVersion base;
  // Local label segments; their tags point into base.raw. Absent when there is no `+`. Held
  // on the heap: labels are rare, and the version stays small in collections.
  std::optional<std::vector<Seg>> local;

  SegSpan local_view() const {
    return {local ? std::span<const Seg>(*local) : std::span<const Seg>{}, base.raw};
  }
  Pep440View view() const { return {base, base.raw, local_view().segs, local.has_value()}; }
};

// Fills a fresh `out`; the error is the message parse_pep440 would give.
std::expected<void, std::string> parse_pep440_into(std::string_view text, Pep440Parse& out);
// Fills a fresh `out` with the owned form.
std::expected<void, std::string> parse_pep440_into(std::string_view text, Pep440Version& out);
std::expected<Pep440Version, std::string> parse_pep440(std::string_view text);
int cmp_pep440(const Pep440View& a, const Pep440View& b);
inline int cmp_pep440(const Pep440Version& a, const Pep440Version& b) {
  return cmp_pep440(a.view(), b.view());
}

}  // namespace ombrel
