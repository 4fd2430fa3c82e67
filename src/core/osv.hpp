// OSV advisories: the ecosystem names OSV uses, and whether a version lies in the ranges of an
// "affected" entry.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "ecosystem.hpp"

namespace ombrel {

// An OSV ecosystem name ("PyPI", "Debian:12"); a release qualifier after the first ':' is
// dropped. Names OSV does not spell as this library does are mapped, the rest resolved as
// ecosystem names and aliases.
std::expected<Ecosystem, std::string> osv_ecosystem(std::string_view name);

enum class OsvEventKind : std::uint8_t { Introduced, Fixed, LastAffected, Limit };

// One event of a range; the value is a view into the caller's text.
struct OsvEvent {
  OsvEventKind kind;
  std::string_view value;
};

// One range of an "affected" entry, its events in the order the advisory lists them (within
// one event object: introduced, fixed, last_affected, limit).
struct OsvRange {
  std::vector<OsvEvent> events;
};

// Whether `version` lies in the range under `eco`.
std::expected<bool, std::string> osv_range_contains(const OsvRange& range, Ecosystem eco,
                                                    std::string_view version);

}  // namespace ombrel
