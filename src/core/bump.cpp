#include "bump.hpp"

#include <charconv>

#include "generic_parse.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

// The largest 64-bit value has 20 digits; its successor 21.
constexpr std::size_t kMaxSuccessorLen = 21;

// Writes the decimal successor of `v` at `out`; returns the end.
char* write_successor(char* out, std::uint64_t v) {
  char* const last = std::to_chars(out, out + kMaxSuccessorLen, v).ptr;
  for (char* p = last; p != out;) {
    if (*--p != '9') {
      ++*p;
      return last;
    }
    *p = '0';
  }
  *out = '1';
  *last = '0';
  return last + 1;
}

std::array<std::uint64_t, 3> triple_of(const ParsedVersion& pv) {
  return {pv.number_at(0), pv.number_at(1), pv.number_at(2)};
}

}  // namespace

std::string release_text(const std::array<std::uint64_t, 3>& nums, BumpPart part) {
  char buf[3 * kMaxSuccessorLen + 2];
  char* out = buf;
  const auto bumped = static_cast<std::size_t>(part);
  for (std::size_t i = 0; i < 3; ++i) {
    if (i) *out++ = '.';
    if (i < bumped)
      out = std::to_chars(out, buf + sizeof buf, nums[i]).ptr;
    else if (i == bumped)
      out = write_successor(out, nums[i]);
    else
      *out++ = '0';
  }
  return std::string(buf, out);
}

std::string bump(std::string_view version, BumpPart part) {
  return release_text(triple_of(parse_generic(version)), part);
}

std::string bump_prerelease(std::string_view version, std::string_view tag) {
  const std::string wanted = ascii_lower(tag);
  const ParsedVersion pv = parse_generic(version);
  const auto& segs = pv.segments;
  std::size_t first = 0;
  while (first < segs.size() && !segs[first].is_tag()) ++first;
  const bool same = first < segs.size() && iequals(pv.view().tag_bytes(segs[first]), wanted);
  std::string out = release_text(triple_of(pv));
  (out += '-') += wanted;
  out += '.';
  if (same && first + 1 < segs.size() && segs[first + 1].is_num()) {
    char buf[kMaxSuccessorLen];
    out.append(buf, write_successor(buf, segs[first + 1].value));
  } else {
    out += '0';
  }
  return out;
}

}  // namespace ombrel
