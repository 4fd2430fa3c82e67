// What the Version class derives from a generic parse besides its ordering: the normalised
// segment sequence, the process-independent hash built on it, and the Python sort key.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "generic_parse.hpp"
#include "strategies/registry.hpp"

namespace ombrel {

// A segment list without its trailing Num 0 and release-weight tags, and without the Num 0
// run that stands right before the first tag: `release` then `rest`, both views into the list.
struct NormalisedSegs {
  std::span<const Seg> release;
  std::span<const Seg> rest;

  template <class F>
  void for_each(F&& f) const {
    for (const Seg& s : release) f(s);
    for (const Seg& s : rest) f(s);
  }
};

NormalisedSegs normalise_segments(std::span<const Seg> segs);

// SipHash-1-3 with a zero key over the epoch and the normalised segments; never -1. A version
// with a canonical text (Debian, RPM, PEP 440, Maven and the ecosystems ordered as their own
// tools order them) is hashed from the generic parse of that text, so that versions its
// ecosystem holds equal hash alike.
std::int64_t version_hash(Ecosystem eco, const ParsedVersion& parsed, const ParsedRepr& repr);

// One item of a sort key: (kind, value, text), compared as a Python tuple.
struct KeyItem {
  static constexpr std::uint8_t kTag = 1;  // tags and end markers
  static constexpr std::uint8_t kNum = 2;  // numbers and the epoch

  std::uint8_t kind;
  std::int64_t value;
  std::string_view text;  // a tag as written in the version text (lower-case it on use)
};

// Epoch, normalised segments and an end marker; where the parse has a local label (PEP 440)
// also the trimmed label followed by a second end marker. Texts point into `parsed` and `repr`.
std::vector<KeyItem> sort_key(Ecosystem eco, const ParsedVersion& parsed, const ParsedRepr& repr);

}  // namespace ombrel
