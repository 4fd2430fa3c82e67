// Bump functions: new release texts derived from the generic parse of a version.
#include <charconv>
#include <cstdint>
#include <string>

#include "functions.hpp"
#include "text.hpp"

namespace ombrel::py {

namespace {

constexpr Param kVersionParams[] = {{"version"}};
constexpr Param kPrereleaseParams[] = {{"version"}, {"tag", Default::Str, "alpha"}};

constexpr const char* kPrereleaseDoc =
    "Bump the prerelease counter on a version.\n\nSemantics:\n"
    "  - If the version has a prerelease segment with the same `tag`, the\n"
    "    first numeric segment following that tag is incremented.\n"
    "  - Otherwise the existing prerelease is replaced with `-{tag}.0`.\n"
    "  - If no release triple is present, it's filled with `0.0.0`.";
constexpr const char* kNextStableDoc =
    "Return the release form of a version, stripping any prerelease/postrelease\n"
    "tags and build metadata. `1.2.3-alpha.1+build` \u2192 `1.2.3`.";

void append_decimal(std::string& out, std::uint64_t v) {
  char buf[20];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// The successor is written in decimal rather than computed, so that the largest 64-bit
// value is followed by the next number instead of wrapping to 0.
void append_successor(std::string& out, std::uint64_t v) {
  const std::size_t start = out.size();
  append_decimal(out, v);
  std::size_t i = out.size();
  while (i > start && out[i - 1] == '9') out[--i] = '0';
  if (i == start)
    out.insert(start, 1, '1');
  else
    ++out[i - 1];
}

// The triple with component `bump` incremented and the ones after it zeroed; a `bump` past
// the triple leaves it as it is.
std::string release_triple(const ParsedVersion& pv, std::size_t bump) {
  std::string out;
  for (std::size_t k = 0; k < 3; ++k) {
    if (k) out += '.';
    if (k < bump) append_decimal(out, pv.number_at(k));
    if (k == bump) append_successor(out, pv.number_at(k));
    if (k > bump) out += '0';
  }
  return out;
}

template <std::size_t Bump>
PyObject* bump_impl(PyObject*, const Args& args) {
  const auto text = args.str(0);
  if (!text) return nullptr;
  return new_str(release_triple(parse_generic(*text), Bump));
}

PyObject* bump_prerelease_impl(PyObject*, const Args& args) {
  const auto text = args.str(0);
  if (!text) return nullptr;
  const auto tag = args.str(1);
  if (!tag) return nullptr;
  const std::string wanted = ascii_lower(*tag);
  const ParsedVersion pv = parse_generic(*text);
  const auto& segs = pv.segments;
  std::size_t first = 0;
  while (first < segs.size() && !segs[first].is_tag()) ++first;
  const bool same = first < segs.size() && iequals(pv.view().tag_bytes(segs[first]), wanted);
  std::string out = release_triple(pv, 3);
  (out += '-') += wanted;
  out += '.';
  if (same && first + 1 < segs.size() && segs[first + 1].is_num())
    append_successor(out, segs[first + 1].value);
  else
    out += '0';
  return new_str(out);
}

}  // namespace

const Function kBumpMajor{{"bump_major", kVersionParams}, bump_impl<0>};
const Function kBumpMinor{{"bump_minor", kVersionParams}, bump_impl<1>};
const Function kBumpPatch{{"bump_patch", kVersionParams}, bump_impl<2>};
const Function kBumpPrerelease{{"bump_prerelease", kPrereleaseParams, kPrereleaseDoc},
                               bump_prerelease_impl};
const Function kNextStable{{"next_stable", kVersionParams, kNextStableDoc}, bump_impl<3>};

}  // namespace ombrel::py
