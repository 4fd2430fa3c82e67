// A database of OSV advisories: each advisory read once into core values and indexed by the
// package its "affected" entries name, so that a query parses one version and walks the ranges
// of that package alone.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "osv.hpp"

namespace ombrel {

// One "affected" entry as the caller read it; views into the caller's text.
struct OsvAffected {
  std::string_view ecosystem;  // as OSV writes it: "PyPI", "Debian:12"
  std::string_view name;
  std::vector<OsvRange> ranges;
  std::vector<std::string_view> versions;
};

struct OsvAdvisory {
  std::string_view id;
  bool withdrawn = false;
  std::vector<OsvAffected> affected;
};

// A package as a query names it. The ecosystem is OSV's base name ("Debian"); `release` says
// which release-qualified entries ("Debian:12") it matches.
struct OsvPackage {
  enum class Release : std::uint8_t {
    Any,       // every release
    EndsWith,  // entries without a release, and those whose release ends `release` (a distro)
    Exact,     // entries whose text after the base name is exactly `release` (":12", or "")
  };
  std::string ecosystem;
  std::string name;
  Release rule = Release::Any;
  std::string release;
  std::string version;
};

// The package and version of a purl, its parts percent-decoded: the purl type names the OSV
// ecosystem (by namespace for distributions), and the name is written as OSV writes it
// ("@scope/name", "group:artifact", "module/path"). A purl with a `distro` qualifier matches
// releases that qualifier ends with.
std::expected<OsvPackage, std::string> osv_package_of_purl(std::string_view purl);
// An OSV ecosystem name as given ("Debian:12"): its text after the base name is compared
// exactly.
OsvPackage osv_package(std::string_view ecosystem, std::string_view name, std::string_view version);

class OsvDatabase {
 public:
  // Adds an advisory, replacing one held under the same id. Entries without a package name
  // are kept for the count but cannot be found.
  void add(const OsvAdvisory& advisory);
  // Advisories held, withdrawn ones included.
  std::size_t size() const { return ids_.size(); }
  // The ids, sorted, of the advisories not withdrawn with an entry for the package whose ranges
  // or versions hold its version. Fails on the first entry that needs a version or an event
  // value its ordering cannot read, or whose ecosystem has no ordering, naming the advisory.
  std::expected<std::vector<std::string>, std::string> query(const OsvPackage& package) const;

 private:
  struct Entry {
    std::uint32_t advisory;
    std::string key;     // the package, as packages_ holds it
    std::string suffix;  // the ecosystem text from its first ':', empty when none
    std::expected<Ecosystem, std::string> ecosystem;
    std::vector<OsvRangeRule> ranges;
    std::vector<std::string> errors;  // per range: why its events could not be read, or empty
    std::vector<std::string> versions;  // sorted
  };
  struct Held {
    std::string id;
    bool withdrawn;
    std::vector<std::uint32_t> entries;
  };

  // Drops the entries of an advisory from the index, freeing their slots.
  void release(Held& held);

  std::vector<Held> advisories_;
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> free_;  // slots of entries_ to reuse
  std::unordered_map<std::string, std::uint32_t> ids_;
  std::unordered_map<std::string, std::vector<std::uint32_t>> packages_;  // key: entries
};

}  // namespace ombrel
