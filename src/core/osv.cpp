#include "osv.hpp"

#include <optional>

#include "message.hpp"
#include "strategies/registry.hpp"

namespace ombrel {

namespace {

// One interval of a range: a missing bound is no bound. The lower bound is inclusive.
struct EventInterval {
  std::optional<std::string_view> lower;
  std::optional<std::string_view> upper;
  bool upper_inclusive = false;
};

// The events read in order as a sequence of intervals: `introduced` opens one (and is ignored
// while one is open; "0" is no lower bound); `fixed` closes it below the bound, `last_affected`
// at it. A close with nothing open starts from no lower bound while the range has no interval
// yet, and is ignored after.
std::vector<EventInterval> intervals_of(const OsvRange& range) {
  std::vector<EventInterval> out;
  bool open = false;
  for (const OsvEvent& e : range.events) {
    if (e.kind == OsvEventKind::Limit) continue;
    if (e.kind == OsvEventKind::Introduced) {
      if (open) continue;
      open = true;
      out.emplace_back();
      if (e.value != "0") out.back().lower = e.value;
      continue;
    }
    if (!open) {
      if (!out.empty()) continue;
      out.emplace_back();
    }
    open = false;
    out.back().upper = e.value;
    out.back().upper_inclusive = e.kind == OsvEventKind::LastAffected;
  }
  return out;
}

}  // namespace

std::expected<Ecosystem, std::string> osv_ecosystem(std::string_view name) {
  name = name.substr(0, name.find(':'));
  if (const auto eco = Ecosystem::from_osv_name(name)) return *eco;
  return Ecosystem::from_str(name);
}

// The version is parsed at the first interval with a bound, so an interval bounded by nothing
// holds every version, unparsed, when no earlier one needed it.
std::expected<bool, std::string> osv_range_contains(const OsvRange& range, Ecosystem eco,
                                                    std::string_view version) {
  ParsedRepr candidate;
  bool parsed = false;
  for (const EventInterval& iv : intervals_of(range)) {
    if (!iv.lower && !iv.upper) return true;
    if (!parsed) {
      if (auto ok = parse_into(eco, version, candidate); !ok)
        return failure(ok);
      parsed = true;
    }
    if (iv.lower) {
      const auto ord = compare_with_text(eco, candidate, *iv.lower);
      if (!ord) return failure(ord);
      if (*ord < 0) continue;
    }
    if (iv.upper) {
      const auto ord = compare_with_text(eco, candidate, *iv.upper);
      if (!ord) return failure(ord);
      if (*ord > 0 || (*ord == 0 && !iv.upper_inclusive)) continue;
    }
    return true;
  }
  return false;
}

}  // namespace ombrel
