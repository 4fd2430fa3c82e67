#include "osv.hpp"

#include <algorithm>
#include <iterator>
#include <utility>

#include "message.hpp"

namespace ombrel {

namespace {

bool is_zero_introduced(const OsvEvent& e) {
  return e.kind == OsvEventKind::Introduced && e.value == "0";
}

OsvRangeRule::Reach reach_of(const OsvRange& range) {
  using Reach = OsvRangeRule::Reach;
  if (range.type == OsvRangeType::Git) return Reach::None;
  bool bounded = false, only_zero = true;
  for (const OsvEvent& e : range.events) {
    if (e.kind != OsvEventKind::Limit) bounded = true;
    if (!is_zero_introduced(e)) only_zero = false;
  }
  if (!bounded) return Reach::None;
  return only_zero ? Reach::All : Reach::Walk;
}

}  // namespace

std::expected<Ecosystem, std::string> osv_ecosystem(std::string_view name) {
  name = name.substr(0, name.find(':'));
  if (const auto eco = Ecosystem::from_osv_name(name)) return *eco;
  return Ecosystem::from_str(name);
}

OsvRangeType osv_range_type(std::string_view type) {
  if (type == "GIT") return OsvRangeType::Git;
  if (type == "SEMVER") return OsvRangeType::Semver;
  return OsvRangeType::Ecosystem;
}

Ecosystem osv_ordering(OsvRangeType type, Ecosystem eco) {
  // The semver scheme reads SemVer 2.0 and accepts the "v" that Go writes.
  return type == OsvRangeType::Semver ? Ecosystem(Ecosystem::Semver) : eco;
}

std::expected<OsvRangeRule, std::string> OsvRangeRule::read(const OsvRange& range,
                                                             Ecosystem eco) {
  OsvRangeRule rule;
  rule.reach = reach_of(range);
  rule.ordering = osv_ordering(range.type, eco);
  if (rule.reach != Reach::Walk) return rule;
  rule.events.reserve(range.events.size());
  bool unlimited = false;  // a limit of "*", OSV's way of writing none
  for (const OsvEvent& e : range.events) {
    if (is_zero_introduced(e)) {
      rule.events.push_back({e.kind, true, {}});
      continue;
    }
    if (e.kind == OsvEventKind::Limit && e.value == "*") {
      unlimited = true;
      continue;
    }
    auto parsed = parse_for_ecosystem(rule.ordering, e.value);
    if (!parsed) return failure(parsed);
    if (e.kind == OsvEventKind::Limit)
      rule.limits.push_back(std::move(*parsed));
    else
      rule.events.push_back({e.kind, false, std::move(*parsed)});
  }
  rule.limited = !rule.limits.empty() && !unlimited;
  // Into walk order, stably: the indices are sorted, then the events moved once.
  std::vector<std::uint32_t> order(rule.events.size());
  for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::ranges::stable_sort(order, [&](std::uint32_t a, std::uint32_t b) {
    return rule.before(rule.events[a], rule.events[b]);
  });
  std::vector<Event> sorted;
  sorted.reserve(order.size());
  for (const std::uint32_t i : order) sorted.push_back(std::move(rule.events[i]));
  rule.events = std::move(sorted);
  return rule;
}

bool OsvRangeRule::before(const Event& a, const Event& b) const {
  if (a.zero || b.zero) return a.zero && !b.zero;
  return compare_for_ecosystem(ordering, a.version, b.version) < 0;
}

// The walk sets the state at each event that applies to the version, so the state at its end
// is that of the last one to apply. Introduced and fixed apply at or below the version, so
// they apply up to the first event above it, which a binary search finds; a last_affected
// equal to the version, just before that point, does not apply.
bool OsvRangeRule::holds(const ParsedRepr& version) const {
  if (reach != Reach::Walk) return reach == Reach::All;
  auto order = [&](const Event& e) {
    return e.zero ? 1 : compare_for_ecosystem(ordering, version, e.version);
  };
  auto end = std::ranges::partition_point(events, [&](const Event& e) { return order(e) >= 0; });
  while (end != events.begin() && std::prev(end)->kind == OsvEventKind::LastAffected &&
         order(*std::prev(end)) == 0)
    --end;
  // A walk whose first event is a fixed or last_affected starts affected: as if introduced
  // "0" came before it.
  const bool affected = end != events.begin()
                            ? std::prev(end)->kind == OsvEventKind::Introduced
                            : !events.empty() && events.front().kind != OsvEventKind::Introduced;
  if (!affected || !limited) return affected;
  return std::ranges::any_of(
      limits, [&](const ParsedRepr& l) { return compare_for_ecosystem(ordering, version, l) < 0; });
}

std::expected<bool, std::string> osv_range_contains(const OsvRange& range, Ecosystem eco,
                                                    std::string_view version) {
  const OsvRangeRule::Reach reach = reach_of(range);
  if (reach != OsvRangeRule::Reach::Walk) return reach == OsvRangeRule::Reach::All;
  auto parsed = parse_for_ecosystem(osv_ordering(range.type, eco), version);
  if (!parsed) return failure(parsed);
  const auto rule = OsvRangeRule::read(range, eco);
  if (!rule) return failure(rule);
  return rule->holds(*parsed);
}

}  // namespace ombrel
