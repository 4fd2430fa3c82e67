#include "osv_database.hpp"

#include <algorithm>
#include <utility>

#include "purl.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

// How OSV names the package of a purl type: its ecosystem, chosen by the namespace for the
// distributions (an empty `namespace_` takes any), and whether the namespace joins the name.
struct OsvPurlType {
  std::string_view type;
  std::string_view namespace_;
  std::string_view ecosystem;
  char join;  // the separator written between namespace and name, or 0 for the name alone
};
constexpr OsvPurlType kOsvPurlTypes[] = {
    {"pypi", "", "PyPI", 0},
    {"npm", "", "npm", '/'},
    {"maven", "", "Maven", ':'},
    {"golang", "", "Go", '/'},
    {"cargo", "", "crates.io", 0},
    {"gem", "", "RubyGems", 0},
    {"nuget", "", "NuGet", 0},
    {"composer", "", "Packagist", '/'},
    {"hex", "", "Hex", 0},
    {"pub", "", "Pub", 0},
    {"cran", "", "CRAN", 0},
    {"swift", "", "SwiftURL", '/'},
    {"deb", "debian", "Debian", 0},
    {"deb", "ubuntu", "Ubuntu", 0},
    {"apk", "alpine", "Alpine", 0},
    {"apk", "wolfi", "Wolfi", 0},
    {"apk", "chainguard", "Chainguard", 0},
    {"rpm", "redhat", "Red Hat", 0},
    {"rpm", "rocky", "Rocky Linux", 0},
    {"rpm", "almalinux", "AlmaLinux", 0},
    {"rpm", "opensuse", "openSUSE", 0},
    {"rpm", "suse", "SUSE", 0},
    {"rpm", "mageia", "Mageia", 0},
    {"rpm", "photon", "Photon OS", 0},
    {"rpm", "openeuler", "openEuler", 0},
};

int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  const char l = to_lower(c);
  return l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}

// %XX sequences decoded; a '%' not followed by two hex digits is kept as it is.
std::string percent_decoded(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hex_value(s[i + 1]) >= 0 &&
        hex_value(s[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The value of a purl qualifier, percent-decoded; keys are compared ignoring case.
std::optional<std::string> qualifier(std::string_view qualifiers, std::string_view lower_key) {
  while (!qualifiers.empty()) {
    const std::size_t amp = qualifiers.find('&');
    const std::string_view pair = qualifiers.substr(0, amp);
    const std::size_t eq = pair.find('=');
    if (eq != std::string_view::npos && iequals(pair.substr(0, eq), lower_key))
      return percent_decoded(pair.substr(eq + 1));
    if (amp == std::string_view::npos) break;
    qualifiers.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

// A package name as OSV compares it in its ecosystem: PyPI's normalised (runs of '-', '_' and
// '.' as one '-', lower case), NuGet's and Packagist's ignoring case, the rest exactly.
std::string package_key(std::string_view ecosystem, std::string_view name) {
  std::string key = ascii_lower(ecosystem);
  key += '\n';
  if (key == "pypi\n") {
    for (std::size_t i = 0; i < name.size(); ++i) {
      const char c = name[i];
      if (c == '-' || c == '_' || c == '.') {
        if (i == 0 || (name[i - 1] != '-' && name[i - 1] != '_' && name[i - 1] != '.')) key += '-';
      } else {
        key += to_lower(c);
      }
    }
  } else if (key == "nuget\n" || key == "packagist\n") {
    key += ascii_lower(name);
  } else {
    key += name;
  }
  return key;
}

std::string named(std::string_view id, std::string_view message) {
  std::string m(id);
  m += ": ";
  m += message;
  return m;
}

bool release_matches(const OsvPackage& p, std::string_view suffix) {
  switch (p.rule) {
    case OsvPackage::Release::Any:
      return true;
    case OsvPackage::Release::EndsWith:
      return suffix.empty() || std::string_view(p.release).ends_with(suffix.substr(1));
    case OsvPackage::Release::Exact:
      return suffix == p.release;
  }
  return false;
}

}  // namespace

std::expected<OsvPackage, std::string> osv_package_of_purl(std::string_view text) {
  auto purl = Purl::parse(text);
  if (!purl) return std::unexpected(std::move(purl.error()));
  const std::string ns = purl->namespace_ ? percent_decoded(*purl->namespace_) : std::string();
  const OsvPurlType* row = nullptr;
  for (const OsvPurlType& t : kOsvPurlTypes)
    if (t.type == purl->type && (t.namespace_.empty() || iequals(ns, t.namespace_))) row = &t;
  if (!row) {
    std::string m = "no OSV ecosystem for purl type '" + purl->type + "'";
    for (const OsvPurlType& t : kOsvPurlTypes)
      if (t.type == purl->type) return std::unexpected(m + " with namespace '" + ns + "'");
    return std::unexpected(std::move(m));
  }
  if (!purl->version || purl->version->empty())
    return std::unexpected("purl '" + std::string(text) + "' has no version");
  OsvPackage p;
  p.ecosystem = row->ecosystem;
  if (row->join && !ns.empty()) (p.name = ns) += row->join;
  p.name += percent_decoded(purl->name);
  p.version = percent_decoded(*purl->version);
  if (purl->qualifiers)
    if (auto distro = qualifier(*purl->qualifiers, "distro")) {
      p.rule = OsvPackage::Release::EndsWith;
      p.release = std::move(*distro);
    }
  return p;
}

OsvPackage osv_package(std::string_view ecosystem, std::string_view name,
                       std::string_view version) {
  const std::size_t colon = std::min(ecosystem.find(':'), ecosystem.size());
  return {std::string(ecosystem.substr(0, colon)), std::string(name), OsvPackage::Release::Exact,
          std::string(ecosystem.substr(colon)), std::string(version)};
}

void OsvDatabase::release(Held& held) {
  for (const std::uint32_t index : held.entries) {
    const auto list = packages_.find(entries_[index].key);
    std::erase(list->second, index);
    if (list->second.empty()) packages_.erase(list);
    entries_[index] = Entry{0, {}, {}, Ecosystem(), {}, {}, {}};
    free_.push_back(index);
  }
  held.entries.clear();
}

void OsvDatabase::add(const OsvAdvisory& advisory) {
  // An advisory added again takes the place of the earlier one.
  const auto [at, fresh] =
      ids_.try_emplace(std::string(advisory.id), static_cast<std::uint32_t>(advisories_.size()));
  const std::uint32_t index = at->second;
  if (fresh) advisories_.push_back({std::string(advisory.id), false, {}});
  Held& held = advisories_[index];
  release(held);
  held.withdrawn = advisory.withdrawn;
  for (const OsvAffected& a : advisory.affected) {
    if (a.name.empty() || a.ecosystem.empty()) continue;
    const std::size_t colon = std::min(a.ecosystem.find(':'), a.ecosystem.size());
    Entry e{index, package_key(a.ecosystem.substr(0, colon), a.name),
            std::string(a.ecosystem.substr(colon)), osv_ecosystem(a.ecosystem), {}, {}, {}};
    if (e.ecosystem) {
      for (const OsvRange& r : a.ranges) {
        auto rule = OsvRangeRule::read(r, *e.ecosystem);
        if (rule) {
          e.ranges.push_back(std::move(*rule));
          e.errors.emplace_back();
        } else {
          // Kept so that a query fails where the walk would first read the range.
          OsvRangeRule failed;
          failed.reach = OsvRangeRule::Reach::Walk;
          failed.ordering = osv_ordering(r.type, *e.ecosystem);
          e.ranges.push_back(std::move(failed));
          e.errors.push_back(std::move(rule.error()));
        }
      }
    }
    e.versions.assign(a.versions.begin(), a.versions.end());
    std::ranges::sort(e.versions);
    std::uint32_t slot;
    if (free_.empty()) {
      slot = static_cast<std::uint32_t>(entries_.size());
      entries_.push_back(std::move(e));
    } else {
      slot = free_.back();
      free_.pop_back();
      entries_[slot] = std::move(e);
    }
    packages_[entries_[slot].key].push_back(slot);
    held.entries.push_back(slot);
  }
}

std::expected<std::vector<std::string>, std::string> OsvDatabase::query(
    const OsvPackage& package) const {
  std::vector<std::string> ids;
  const auto found = packages_.find(package_key(package.ecosystem, package.name));
  if (found == packages_.end()) return ids;
  // The version parsed once per ordering that a range asks for.
  std::vector<std::pair<Ecosystem, std::expected<ParsedRepr, std::string>>> parses;
  auto version_for = [&](Ecosystem ordering) -> const std::expected<ParsedRepr, std::string>& {
    for (const auto& [eco, parsed] : parses)
      if (eco == ordering) return parsed;
    return parses.emplace_back(ordering, parse_for_ecosystem(ordering, package.version)).second;
  };
  std::vector<std::uint32_t> hit;
  for (const std::uint32_t index : found->second) {
    const Entry& e = entries_[index];
    const Held& held = advisories_[e.advisory];
    if (held.withdrawn || std::ranges::find(hit, e.advisory) != hit.end() ||
        !release_matches(package, e.suffix))
      continue;
    if (!e.ecosystem) return std::unexpected(named(held.id, e.ecosystem.error()));
    bool holds = false;
    for (std::size_t r = 0; r < e.ranges.size() && !holds; ++r) {
      const OsvRangeRule& rule = e.ranges[r];
      if (rule.reach != OsvRangeRule::Reach::Walk) {
        holds = rule.reach == OsvRangeRule::Reach::All;
        continue;
      }
      const auto& version = version_for(rule.ordering);
      if (!version) return std::unexpected(version.error());
      if (!e.errors[r].empty()) return std::unexpected(named(held.id, e.errors[r]));
      holds = rule.holds(*version);
    }
    if (holds || std::ranges::binary_search(e.versions, package.version)) hit.push_back(e.advisory);
  }
  ids.reserve(hit.size());
  for (const std::uint32_t a : hit) ids.push_back(advisories_[a].id);
  std::ranges::sort(ids);
  return ids;
}

}  // namespace ombrel
