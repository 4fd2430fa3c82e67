// The generic reading of a version text: tag weights, the tokeniser and the generic parse
// that every ecosystem's Version keeps.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "small_vec.hpp"

namespace ombrel {

// Tag weights that the rules name; the other listed tags take theirs from the tag table.
inline constexpr std::int16_t kTildeWeight = -10;    // `~`: below every tag
inline constexpr std::int16_t kUnlistedRank = 29;    // an unlisted tag: just below a release
inline constexpr std::int16_t kReleaseWeight = 30;   // "ga", "final", "release": a plain release
inline constexpr std::int16_t kCaretWeight = 32;     // `^`: just above a release

// One token of a generic version. A tag's text is not stored: it is `len()` bytes at offset
// `value` of the text that was parsed (lower-cased on use), and its tag weight is
// resolved once while parsing. Sixteen bytes, so that parses stay small in collections.
struct Seg {
  enum class Kind : std::uint8_t { Num, Tag };
  static constexpr std::int16_t kUnlisted = INT16_MIN;
  // A tag's length has 40 bits; the tokeniser cuts longer letter runs (a terabyte) into
  // several tags rather than let a length wrap.
  static constexpr std::uint64_t kMaxLen = (std::uint64_t{1} << 40) - 1;

  std::uint64_t value;   // Num: the number; Tag: offset of its text
  std::uint32_t len_lo;  // Tag: length of its text, low 32 bits
  std::int16_t weight;   // Tag: tag_weight, or kUnlisted
  Kind kind;
  std::uint8_t len_hi;  // Tag: length of its text, bits 32 to 39

  std::size_t len() const { return len_lo | (std::size_t{len_hi} << 32); }
  bool is_num() const { return kind == Kind::Num; }
  bool is_tag() const { return kind == Kind::Tag; }
  bool listed() const { return weight != kUnlisted; }
  // Rank in the tag order: the weight, or kUnlistedRank when unlisted.
  int rank() const { return listed() ? weight : kUnlistedRank; }
  // Number 0 or a tag of release weight: what is dropped from the end of a list.
  bool is_null() const { return is_num() ? value == 0 : weight == kReleaseWeight; }

  static Seg num(std::uint64_t v) { return Seg{v, 0, 0, Kind::Num, 0}; }
  // A number too large for 64 bits that keeps its digits: value UINT64_MAX, and the offset of
  // its first significant digit plus one in the length field (empty for other numbers).
  static Seg big(std::size_t off) {
    return Seg{UINT64_MAX, static_cast<std::uint32_t>(off + 1), 0, Kind::Num,
               static_cast<std::uint8_t>(std::uint64_t{off + 1} >> 32)};
  }
  bool has_digits() const { return is_num() && len() != 0; }
  static Seg tag(std::size_t off, std::size_t len, std::int16_t weight) {
    return Seg{off, static_cast<std::uint32_t>(len), weight, Kind::Tag,
               static_cast<std::uint8_t>(std::uint64_t{len} >> 32)};
  }
};
static_assert(sizeof(Seg) == 16);

inline constexpr std::size_t kInlineSegs = 6;
using SegVec = SmallVec<Seg, kInlineSegs>;

// A segment list together with the text its tags point into.
struct SegSpan {
  std::span<const Seg> segs;
  std::string_view text;
  std::string_view tag_bytes(const Seg& s) const { return text.substr(s.value, s.len()); }
  // The digits of a number made by Seg::big.
  std::string_view digits(const Seg& s) const;
};

// The generic parse of a text, without the text: tags and the build are offsets into it.
struct GenericParse {
  std::uint64_t epoch = 0;  // first: the ordering reads it, then the segments
  SegVec segments;
  std::size_t build_off = 0;  // build text: a slice of the text, case kept
  std::size_t build_len = 0;
  bool is_prerelease = false;
  bool is_postrelease = false;

  // The build, in the text that was parsed.
  std::string_view build_in(std::string_view text) const {
    return text.substr(build_off, build_len);
  }
  // A tag segment's text, in the text that was parsed, lower case.
  static std::string tag_text(std::string_view text, const Seg& s);
  // Segment k when it is a number, else 0 (a tag there does not move later numbers up): how
  // major, minor and patch are read.
  std::uint64_t number_at(std::size_t k) const {
    return k < segments.size() && segments[k].is_num() ? segments[k].value : 0;
  }
};

struct ParsedVersion : GenericParse {
  std::string raw;  // the input, byte for byte

  std::string_view build() const { return build_in(raw); }
  SegSpan view() const { return {segments.span(), raw}; }
};

// Weight of a known tag (exact, case-sensitive), or nothing.
std::optional<std::int32_t> tag_weight(std::string_view tag);
// Same, for text in any ASCII case (used on tags that point into the caller's text).
std::int16_t tag_weight_folded(std::string_view tag);
// The first spelling of a listed weight in the tag table (`a` for 0, `c` for 20), so that a
// tag can be written back as a word of the same weight.
std::string_view tag_word(std::int16_t weight);

ParsedVersion parse_generic(std::string_view text);
// The same parse into `out`, for a text that the caller keeps.
void parse_generic_into(std::string_view text, GenericParse& out);

// Tokenises `s` as the generic scheme does (separators . - _, digit and letter runs,
// other bytes skipped); tags record offsets relative to `base` within the owner's text.
// `markers` also turns `~` and `^` into tags. Used for the main text and PEP 440 labels.
struct TokenFlags {
  bool pre = false;
  bool post = false;
};
TokenFlags tokenise(std::string_view s, std::size_t base, bool markers, SegVec& out);

}  // namespace ombrel
