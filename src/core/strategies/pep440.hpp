// PEP 440 versions, ordered as the `packaging` project's Version orders them.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "generic_parse.hpp"

namespace ombrel {

// What the ordering reads of a PEP 440 version: the epoch and the segments of its order key
// (tags pointing into `text`), then the local label.
//
// A text that PEP 440 accepts is keyed by its normalised form: the release without trailing
// zeros, then `a`/`b`/`rc` and its number, `post` and its number, `dev` and its number, each a
// tag of the generic weight and a number, so that the generic segment order is PEP 440's.
// Any other text that parses is keyed by its generic parse less the zeros right before its
// first tag (as a PEP 440 release drops them), so that one order covers both.
struct Pep440View {
  Seg epoch;  // a number
  std::span<const Seg> key;
  std::string_view text;
  std::string_view label;  // after the `+`; parts are runs of ASCII letters and digits
  bool has_local;
};

// The parse of a text the caller keeps.
struct Pep440Parse {
  GenericParse key;  // the key segments
  Seg epoch = Seg::num(0);
  std::size_t label_off = 0, label_len = 0;
  bool has_local = false;
  bool pep440 = false;  // the text is a PEP 440 version

  Pep440View view(std::string_view text) const {
    return {epoch, key.segments.span(), text, text.substr(label_off, label_len), has_local};
  }
};

struct Pep440Version {
  ParsedVersion base;  // the generic parse, which the properties read
  // The key segments where they differ from the generic ones (held on the heap: the version
  // stays small in collections).
  std::vector<Seg> key;
  Seg epoch = Seg::num(0);
  std::size_t label_off = 0, label_len = 0;  // in base.raw
  // The label read as generic segments (letter and digit runs), as the sort key shows it;
  // absent when there is no `+`.
  std::optional<std::vector<Seg>> local;
  bool own_key = false;

  std::string_view label() const { return std::string_view(base.raw).substr(label_off, label_len); }
  SegSpan local_view() const {
    return {local ? std::span<const Seg>(*local) : std::span<const Seg>{}, base.raw};
  }
  Pep440View view() const {
    return {epoch, own_key ? std::span<const Seg>(key) : base.segments.span(), base.raw,
            label(), local.has_value()};
  }
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
// A text equal for two versions exactly when they compare equal.
std::string pep440_canonical(const Pep440View& v);

}  // namespace ombrel
