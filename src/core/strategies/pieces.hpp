// A version read as a list of pieces that point into its text: the shape of the schemes that
// copy one tool's comparison (Ruby, Composer, CPAN, Nix). Numbers are held as values, words as
// offsets into the text, and what a piece is to its scheme sits in the tag weight.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ecosystem.hpp"
#include "generic_parse.hpp"
#include "text.hpp"

namespace ombrel {

// The parse of a text the caller keeps.
struct PieceParse {
  SegVec pieces;

  SegSpan view(std::string_view text) const { return {pieces.span(), text}; }
};

// The owned form; `Eco` only keeps the schemes' alternatives apart in ParsedRepr.
template <Ecosystem::Id Eco>
struct PieceVersion : PieceParse {
  std::string raw;  // the input, byte for byte; the pieces point into it

  SegSpan view() const { return PieceParse::view(raw); }
};

// The value of a run of digits (continuing `v`, the value of digits before them), held at `cap`
// when it is larger, as the tools that read into a fixed-size integer do.
constexpr std::uint64_t saturated(std::string_view digits, std::uint64_t cap,
                                  std::uint64_t v = 0) {
  const std::uint64_t top = cap / 10, last = cap % 10;
  for (char c : digits) {
    const auto d = static_cast<std::uint64_t>(c - '0');
    if (v > top || (v == top && d > last)) return cap;
    v = v * 10 + d;
  }
  return v;
}

// Offset of `part` (a view into `whole`) within `whole`.
inline std::size_t offset_in(std::string_view whole, std::string_view part) {
  return static_cast<std::size_t>(part.data() - whole.data());
}

}  // namespace ombrel
