// OSV advisories: the ecosystem names OSV uses, its range types, and the evaluation of a
// range's events as the OSV schema defines it.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "ecosystem.hpp"
#include "strategies/registry.hpp"

namespace ombrel {

// The ordering of an OSV ecosystem name ("PyPI", "Debian:12"): the text before the first ':',
// looked up among OSV's names ignoring case, else resolved as an ecosystem name or alias.
std::expected<Ecosystem, std::string> osv_ecosystem(std::string_view name);

// "GIT" ranges name commits, "SEMVER" ranges are ordered by SemVer precedence; "ECOSYSTEM",
// a missing type and any other are ordered by the package's ecosystem.
enum class OsvRangeType : std::uint8_t { Ecosystem, Semver, Git };
OsvRangeType osv_range_type(std::string_view type);

enum class OsvEventKind : std::uint8_t { Introduced, Fixed, LastAffected, Limit };

// One event of a range; the value is a view into the caller's text.
struct OsvEvent {
  OsvEventKind kind;
  std::string_view value;
};

// One range of an "affected" entry, its events as the advisory lists them (within one event
// object: introduced, fixed, last_affected, limit).
struct OsvRange {
  OsvRangeType type = OsvRangeType::Ecosystem;
  std::vector<OsvEvent> events;
};

// A range read once under its ordering: event values parsed, events in walk order. It owns its
// values, so it outlives the range it was read from.
struct OsvRangeRule {
  enum class Reach : std::uint8_t {
    None,  // holds no version: a GIT range, or one without introduced, fixed or last_affected
    All,   // holds every version, unparsed: only introduced "0"
    Walk,  // the version is parsed and walked through the events
  };
  struct Event {
    OsvEventKind kind;
    bool zero;  // introduced "0": before every version, never parsed
    ParsedRepr version;
  };

  Reach reach = Reach::None;
  Ecosystem ordering;
  // Introduced, fixed and last_affected in walk order: by version (introduced "0" first),
  // equal versions as listed.
  std::vector<Event> events;
  std::vector<ParsedRepr> limits;
  bool limited = false;  // the version must lie below one of `limits`

  // Fails with the ordering's message on the first event value it cannot read.
  static std::expected<OsvRangeRule, std::string> read(const OsvRange& range, Ecosystem eco);
  // Whether the version, parsed under `ordering`, is affected: the OSV walk over the events
  // in version order (introduced "0" first, equal versions as listed).
  bool holds(const ParsedRepr& version) const;
  // Whether `a` comes before `b` in the walk (`b` listed later when they are equal).
  bool before(const Event& a, const Event& b) const;
};

// The ordering of a range of `type` in an entry of ecosystem `eco`.
Ecosystem osv_ordering(OsvRangeType type, Ecosystem eco);

// Whether `version` lies in the range under `eco`: the version is read first, then the
// events (neither when the range's reach does not need them).
std::expected<bool, std::string> osv_range_contains(const OsvRange& range, Ecosystem eco,
                                                    std::string_view version);

}  // namespace ombrel
