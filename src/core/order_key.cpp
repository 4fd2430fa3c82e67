#include "order_key.hpp"

#include "strategies/generic.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

// cmp_segments compares position by position, and a list that has ended meets the other's
// segment as cmp_against_end says: below a number other than 0 and below a tag of release
// weight or more, above the other tags, level with a 0. Codes in that order:
//   tags of rank below kReleaseWeight < the end < tags of kReleaseWeight and more
//   < a 0 that a tag of those follows < numbers.
constexpr std::uint8_t kEnd = 0x29;
constexpr std::uint8_t kZeroBeforeHighTag = 0x30;
constexpr int kLowestRank = kTildeWeight, kHighestRank = 35;

bool high_tag(const Seg& s) {
  return s.listed() && s.weight >= kReleaseWeight;
}

// False when the tag has no code of its own: ranks outside the table's range, and a listed
// tag of the unlisted rank (which would meet unlisted tags by rank alone).
bool write_tag(OrderKeyWriter& w, const SegSpan& v, const Seg& s) {
  const int rank = s.rank();
  if (rank < kLowestRank || rank > kHighestRank || (s.listed() && rank == kUnlistedRank))
    return false;
  w.byte(static_cast<std::uint8_t>(rank < kReleaseWeight ? kEnd - kReleaseWeight + rank
                                                         : kEnd + 1 - kReleaseWeight + rank));
  if (s.listed()) return true;
  // Unlisted tags of the same rank meet as lower-case bytes, the shorter first: letters, then
  // a 0 below every letter.
  for (char c : v.tag_bytes(s)) {
    if (!w.open()) return true;
    w.byte(static_cast<std::uint8_t>(to_lower(c)));
  }
  w.byte(0);
  return true;
}

static_assert(kEnd - kReleaseWeight + kLowestRank > 0);
static_assert(kEnd + 1 - kReleaseWeight + kHighestRank < kZeroBeforeHighTag);
static_assert(kZeroBeforeHighTag < OrderKeyWriter::kNumberBase);

}  // namespace

void write_segments(OrderKeyWriter& w, const SegSpan& v) {
  const std::size_t n = effective_len(v.segs);
  for (std::size_t i = 0; i < n && w.open(); ++i) {
    const Seg& s = v.segs[i];
    if (s.is_tag()) {
      if (!write_tag(w, v, s)) return w.stop();
    } else if (s.value == 0) {
      // A run of 0s is level with an ended list; what follows the run (never the end) decides
      // against it. Before a number the run is written as numbers; before a high tag as codes
      // below every number and above every tag, which order such runs among themselves and
      // against numbers. Before a low tag the run meets an ended list and a high tag's run in
      // an order no code can give (each of the three is below another), so the key ends.
      std::size_t j = i;
      while (j < n && v.segs[j].is_num() && v.segs[j].value == 0) ++j;
      if (j == n) return w.stop();
      const Seg& next = v.segs[j];
      if (next.is_tag() && !high_tag(next)) return w.stop();
      for (; i < j; ++i) next.is_num() ? w.number(0) : w.byte(kZeroBeforeHighTag);
      --i;
    } else if (s.value == UINT64_MAX) {
      // A number that may keep digits beyond 64 bits, read by those.
      w.byte(OrderKeyWriter::kLongNumber + 8);
      return w.stop();
    } else {
      w.number(s.value);
    }
  }
  w.byte(kEnd);
}

}  // namespace ombrel
