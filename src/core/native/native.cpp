#include "native.hpp"

#include <utility>

#include "../message.hpp"
#include "../parse_cache.hpp"

namespace ombrel {

namespace {

bool meets(Ecosystem eco, const NativeComparator& c, std::string_view text,
           const ParsedRepr& version) {
  if (c.rule) return c.rule->test(eco, c, text, version);
  return op_holds(c.op, compare_for_ecosystem(eco, version, c.bound.parsed));
}

bool same_release(Ecosystem eco, const ParsedRepr& a, const ParsedRepr& b) {
  const OrderPrefix pa = order_prefix(eco, a), pb = order_prefix(eco, b);
  return pa.epoch == pb.epoch && pa.count == pb.count && pa.nums == pb.nums;
}

// Whether a pre-release that meets every comparator of `list` is let in by `policy`.
bool admits_prerelease(Ecosystem eco, PrePolicy policy, const NativeList& list,
                       const ParsedRepr& version) {
  switch (policy) {
    case PrePolicy::Plain:
      return true;
    case PrePolicy::SameRelease:
      for (const NativeComparator& c : list)
        if (c.names_prerelease && same_release(eco, c.bound.parsed, version)) return true;
      return false;
    case PrePolicy::ExactOnly:
      for (const NativeComparator& c : list)
        if (c.names_prerelease && c.op == Op::Eq && !c.rule) return true;
      return false;
    case PrePolicy::AnyNamed:
      for (const NativeComparator& c : list)
        if (c.names_prerelease) return true;
      return false;
  }
  return false;
}

}  // namespace

VersionSet native_interval(Ecosystem eco, const NativeComparator& c) {
  using End = VersionSet::End;
  std::vector<SetVersion> versions(1, c.bound);
  VersionSet::Span span;
  switch (c.op) {
    case Op::Gt: span.lower = End{0, false}; break;
    case Op::Ge: span.lower = End{0, true}; break;
    case Op::Lt: span.upper = End{0, false}; break;
    case Op::Le: span.upper = End{0, true}; break;
    case Op::Eq: span.lower = span.upper = End{0, true}; break;
    case Op::Ne: {
      static constexpr std::uint32_t kFirst[] = {0};
      return VersionSet::build(eco, std::move(versions), {span}, kFirst);
    }
  }
  return VersionSet::build(eco, std::move(versions), {span});
}

namespace {

// The union (or intersection) of sets[lo, hi), halving so that many sets cost n log n.
VersionSet combine(Ecosystem eco, const std::vector<VersionSet>& sets, std::size_t lo,
                   std::size_t hi, bool unite) {
  if (hi == lo) return unite ? VersionSet(eco) : VersionSet::all(eco);
  if (hi - lo == 1) return sets[lo];
  const std::size_t mid = lo + (hi - lo) / 2;
  const VersionSet a = combine(eco, sets, lo, mid, unite), b = combine(eco, sets, mid, hi, unite);
  return unite ? a.unite(b) : a.intersect(b);
}

}  // namespace

bool op_holds(Op op, int r) {
  switch (op) {
    case Op::Gt: return r > 0;
    case Op::Ge: return r >= 0;
    case Op::Lt: return r < 0;
    case Op::Le: return r <= 0;
    case Op::Eq: return r == 0;
    case Op::Ne: return r != 0;
  }
  return false;
}

bool native_is_prerelease(Ecosystem eco, const ParsedRepr& version) {
  (void)eco;
  if (const auto* s = std::get_if<StrictSemver>(&version)) return s->prerelease.has_value();
  if (const auto* p = std::get_if<Pep440Version>(&version)) return p->base.is_prerelease;
  if (const auto* g = std::get_if<ParsedVersion>(&version)) return g->is_prerelease;
  return false;
}

std::expected<NativeComparator, std::string> native_comparator(Ecosystem eco, Op op,
                                                               std::string_view text) {
  NativeComparator c;
  c.op = op;
  if (auto ok = c.bound.read(eco, text); !ok) return failure(ok);
  c.names_prerelease = native_is_prerelease(eco, c.bound.parsed);
  return c;
}

std::expected<NativeConstraint, std::string> parse_native(Ecosystem eco, std::string_view text) {
  const NativeParser parser = eco.row().native_ranges;
  if (!parser) return fail("no native range syntax for ", eco.as_str(), " yet");
  auto read = parser(eco, text);
  if (read) {
    read->plain_bounds = true;
    for (const NativeList& list : read->alternatives)
      for (const NativeComparator& c : list)
        read->plain_bounds &= (!c.rule || c.rule->interval_on_plain) &&
                              plain_parts(eco.row().plain, c.bound.text) > 0;
  }
  return read;
}

std::shared_ptr<const std::expected<NativeConstraint, std::string>> parse_native_kept(
    Ecosystem eco, std::string_view text) {
  using Cache = ParseCache<NativeConstraint>;
  const auto read = [eco](std::string_view t) { return parse_native(eco, t); };
  if (!Cache::keeps(text)) return std::make_shared<const Cache::Result>(read(text));
  static Cache cache;
  return cache.get(eco, text, read);
}

bool NativeConstraint::contains(std::string_view text, const ParsedRepr& parsed) const {
  for (const NativeList& list : alternatives) {
    bool all = true;
    for (const NativeComparator& c : list)
      if (!meets(eco, c, text, parsed)) {
        all = false;
        break;
      }
    if (all && (policy == PrePolicy::Plain || !native_is_prerelease(eco, parsed) ||
                admits_prerelease(eco, policy, list, parsed)))
      return true;
  }
  return false;
}

int NativeConstraint::contains_plain(std::string_view text) const {
  if (!plain_bounds || !plain_parts(eco.row().plain, text)) return kNotPlain;
  for (const NativeList& list : alternatives) {
    bool all = true;
    for (const NativeComparator& c : list)
      if (!op_holds(c.op, order_of_plain(eco.row().plain, text, c.bound.text))) {
        all = false;
        break;
      }
    if (all) return 1;
  }
  return 0;
}

std::expected<bool, std::string> NativeConstraint::contains(std::string_view version) const {
  if (const int hit = contains_plain(version); hit != kNotPlain) return hit == 1;
  auto parsed = parse_for_ecosystem(eco, version);
  if (!parsed) return failure(parsed);
  return contains(version, *parsed);
}

std::size_t NativeConstraint::footprint() const {
  std::size_t n = alternatives.capacity() * sizeof(NativeList);
  for (const NativeList& list : alternatives) n += list.capacity() * sizeof(NativeComparator);
  return n;
}

VersionSet NativeConstraint::to_set() const {
  std::vector<VersionSet> lists, parts;
  lists.reserve(alternatives.size());
  for (const NativeList& list : alternatives) {
    parts.clear();
    for (const NativeComparator& c : list)
      parts.push_back(c.rule ? c.rule->nearest(eco, c) : native_interval(eco, c));
    lists.push_back(combine(eco, parts, 0, parts.size(), false));
  }
  return combine(eco, lists, 0, lists.size(), true);
}

}  // namespace ombrel
