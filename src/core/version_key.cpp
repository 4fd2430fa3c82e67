#include "version_key.hpp"

#include <algorithm>

#include "siphash.hpp"
#include "strategies/generic.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

constexpr std::int64_t kKeyMax = INT64_MAX;  // numbers above it are given as it

constexpr std::uint8_t kHashNum = 0x00;
constexpr std::uint8_t kHashListed = 0x01;
constexpr std::uint8_t kHashUnlisted = 0x02;
constexpr std::uint8_t kHashTagEnd = 0xFF;

std::int64_t capped(std::uint64_t v) {
  return static_cast<std::int64_t>(std::min<std::uint64_t>(v, kKeyMax));
}

std::int64_t hash_generic(const ParsedVersion& pv) {
  SipHasher13 h;
  h.update_le(pv.epoch, 8);
  const SegSpan view = pv.view();
  normalise_segments(view.segs).for_each([&](const Seg& s) {
    if (s.is_num()) {
      h.update_byte(kHashNum);
      h.update_le(s.value, 8);
    } else if (s.weight == kReleaseWeight) {
      // release-weight tags compare like an absent segment and are left out
    } else if (s.listed()) {
      h.update_byte(kHashListed);
      h.update_le(static_cast<std::uint32_t>(static_cast<std::int32_t>(s.weight)), 4);
    } else {
      h.update_byte(kHashUnlisted);
      for (char c : view.tag_bytes(s)) h.update_byte(static_cast<std::uint8_t>(to_lower(c)));
      h.update_byte(kHashTagEnd);
    }
  });
  const auto v = static_cast<std::int64_t>(h.finish());
  return v == -1 ? -2 : v;  // Python reserves -1 for errors
}

void append_end(std::vector<KeyItem>& out) {
  out.push_back({KeyItem::kTag, kReleaseWeight, {}});
}

}  // namespace

NormalisedSegs normalise_segments(std::span<const Seg> segs) {
  const std::size_t end = effective_len(segs);
  const auto kept = segs.first(end);
  const auto tag = std::ranges::find_if(kept, [](const Seg& s) { return s.is_tag(); });
  if (tag == kept.end()) return {kept, {}};
  const auto first_tag = static_cast<std::size_t>(tag - kept.begin());
  std::size_t release = first_tag;
  while (release > 0 && kept[release - 1].is_num() && kept[release - 1].value == 0) --release;
  return {kept.first(release), kept.subspan(first_tag)};
}

std::int64_t version_hash(Ecosystem eco, const ParsedVersion& parsed, const ParsedRepr& repr) {
  if (const auto canonical = eco.strategy().canonical(repr))
    return hash_generic(parse_generic(*canonical));
  return hash_generic(parsed);
}

std::vector<KeyItem> sort_key(Ecosystem eco, const ParsedVersion& parsed, const ParsedRepr& repr) {
  std::vector<KeyItem> out;
  out.reserve(parsed.segments.size() + 2);
  out.push_back({KeyItem::kNum, capped(parsed.epoch), {}});
  const SegSpan view = parsed.view();
  normalise_segments(view.segs).for_each([&](const Seg& s) {
    if (s.is_num())
      out.push_back({KeyItem::kNum, capped(s.value), {}});
    else
      out.push_back({KeyItem::kTag, s.rank(), view.tag_bytes(s)});
  });
  append_end(out);
  const auto local = eco.strategy().local_label(repr);
  if (!local) return out;
  for (const Seg& s : local->segs.first(effective_len(local->segs))) {
    if (s.is_num())
      out.push_back({KeyItem::kNum, capped(s.value), {}});
    else
      out.push_back({KeyItem::kTag, kUnlistedRank, local->tag_bytes(s)});
  }
  append_end(out);
  return out;
}

}  // namespace ombrel
