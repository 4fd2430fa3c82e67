// The ecosystems without a constraint language of their own (generic, CalVer, Docker tags,
// Homebrew, Nix, FreeBSD ports, SwiftPM's manifests, which write ranges as Swift code) read
// the library's own range language, the one `satisfies` reads: comparisons, caret, tilde,
// x-ranges and intervals, `||` between alternatives. Its bounds are read as the ecosystem's
// versions.
#include <utility>

#include "native.hpp"

namespace ombrel {

std::expected<NativeConstraint, std::string> parse_native_library(Ecosystem eco,
                                                                  std::string_view text) {
  auto ranges = RangeSet::parse(text);
  if (!ranges) return std::unexpected(std::move(ranges.error()));
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  out.alternatives.reserve(ranges->branches.size());
  for (const Branch& branch : ranges->branches) {
    NativeList& list = out.alternatives.emplace_back();
    list.reserve(branch.size());
    for (const Comparator& c : branch) {
      auto n = native_comparator(eco, c.op, c.version);
      if (!n) return std::unexpected(std::move(n.error()));
      list.push_back(std::move(*n));
    }
  }
  return out;
}

}  // namespace ombrel
