#include "parser.hpp"

#include <algorithm>

#include "text.hpp"

namespace ombrel {

namespace {

struct EcosystemInfo {
  std::string_view name;
  std::string_view message_name;
  std::array<std::string_view, 3> aliases;
};

// One row per ecosystem, in enumeration order.
constexpr std::array<EcosystemInfo, Ecosystem::count> kEcosystems{{
    {"generic", "", {}},
    {"semver", "", {"semver_strict", "semver-strict"}},
    {"pep440", "PEP 440", {"pep-440", "python"}},
    {"debian", "", {"deb", "dpkg"}},
    {"rpm", "", {"redhat"}},
    {"ruby", "Ruby gem", {"gem", "rubygems"}},
    {"maven", "Maven", {"mvn"}},
    {"go", "Go", {"golang"}},
    {"npm", "", {"node", "nodejs"}},
    {"nuget", "NuGet", {"dotnet"}},
    {"composer", "Composer", {"php", "packagist"}},
    {"crates", "", {"cargo", "crates.io"}},
    {"hex", "", {"elixir", "erlang"}},
    {"swift", "", {"swiftpm"}},
    {"calver", "CalVer", {}},
    {"alpine", "Alpine", {"apk"}},
    {"docker", "Docker", {"oci"}},
    {"conda", "Conda", {"mamba"}},
    {"arch", "Arch", {"pacman", "archlinux"}},
    {"gentoo", "Gentoo", {"portage"}},
    {"cran", "R/CRAN", {"r", "r-cran"}},
    {"spack", "Spack", {}},
    {"dart", "", {"pub", "flutter"}},
    {"julia", "", {"pkg"}},
    {"terraform", "Terraform/OpenTofu", {"opentofu"}},
    {"helm", "", {"chart", "charts"}},
    {"cpan", "CPAN", {"perl"}},
    {"nix", "Nix", {"nixpkgs"}},
    {"homebrew", "Homebrew", {"brew"}},
    {"freebsd", "FreeBSD pkg", {"freebsd-pkg"}},
}};

struct TagWeight {
  std::string_view tag;
  std::int16_t weight;
};

constexpr std::array<TagWeight, 22> kTagWeights{{
    {"~", -10},       {"dev", -5},     {"a", 0},        {"alpha", 0},   {"b", 10},
    {"beta", 10},     {"m", 15},       {"milestone", 15}, {"c", 20},    {"rc", 20},
    {"cr", 20},       {"pre", 20},     {"preview", 20}, {"snapshot", 25}, {"ga", 30},
    {"final", 30},    {"release", 30}, {"^", 32},       {"p", 35},      {"sp", 35},
    {"post", 35},     {"patch", 35},
}};
constexpr std::size_t kLongestTag = 9;  // "milestone"

bool contains(std::string_view s, std::string_view needle) {
  return s.find(needle) != std::string_view::npos;
}

}  // namespace

std::expected<Ecosystem, std::string> Ecosystem::from_str(std::string_view name) {
  for (std::size_t i = 0; i < kEcosystems.size(); ++i) {
    const auto& row = kEcosystems[i];
    if (iequals(name, row.name)) return Ecosystem(static_cast<Id>(i));
    for (auto alias : row.aliases)
      if (!alias.empty() && iequals(name, alias)) return Ecosystem(static_cast<Id>(i));
  }
  std::string msg = "unsupported ecosystem '";
  msg += ascii_lower(name);
  msg += "'; expected one of: ";
  for (std::size_t i = 0; i < kEcosystems.size(); ++i) {
    if (i) msg += ", ";
    msg += kEcosystems[i].name;
  }
  return std::unexpected(std::move(msg));
}

std::string_view Ecosystem::as_str() const { return kEcosystems[id_].name; }
std::string_view Ecosystem::message_name() const { return kEcosystems[id_].message_name; }

std::optional<std::int32_t> tag_weight(std::string_view tag) {
  for (const auto& t : kTagWeights)
    if (t.tag == tag) return t.weight;
  return std::nullopt;
}

std::int16_t tag_weight_folded(std::string_view tag) {
  if (tag.size() > kLongestTag) return Seg::kUnlisted;
  for (const auto& t : kTagWeights)
    if (iequals(tag, t.tag)) return t.weight;
  return Seg::kUnlisted;
}

std::string ParsedVersion::tag_text(const Seg& s) const {
  return ascii_lower(std::string_view(raw).substr(s.value, s.len));
}

TokenFlags tokenise(std::string_view s, std::size_t base, bool markers, SegVec& out) {
  TokenFlags flags;
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    const char c = s[i];
    if (is_digit(c)) {
      const std::size_t j = i + digit_run(s, i);
      // Leading zeros do not count against the 64-bit limit; longer values saturate.
      std::size_t k = i;
      while (k + 1 < j && s[k] == '0') ++k;
      out.push_back(Seg::num(parse_u64(s.substr(k, j - k)).value_or(UINT64_MAX)));
      i = j;
    } else if (is_alpha(c)) {
      std::size_t j = i;
      while (j < n && is_alpha(s[j])) ++j;
      const std::int16_t w = tag_weight_folded(s.substr(i, j - i));
      if (w != Seg::kUnlisted) {
        flags.pre |= w < 30;
        flags.post |= w > 30;
      }
      out.push_back(Seg::tag(base + i, j - i, w));
      i = j;
    } else if (markers && (c == '~' || c == '^')) {
      const bool tilde = c == '~';
      out.push_back(Seg::tag(base + i, 1, tilde ? -10 : 32));
      (tilde ? flags.pre : flags.post) = true;
      ++i;
    } else {
      ++i;  // separators and every other byte end the run and produce nothing
    }
  }
  return flags;
}

ParsedVersion parse_generic(std::string_view text) {
  ParsedVersion pv;
  pv.raw.assign(text);
  std::string_view t = trim(text);
  if (t.size() >= 2 && (t[0] == 'v' || t[0] == 'V') && is_digit(t[1])) t.remove_prefix(1);
  const std::size_t sep = t.find_first_of(":!");
  if (sep != std::string_view::npos && sep > 0) {
    if (auto e = parse_u64(t.substr(0, sep))) {
      pv.epoch = *e;
      t.remove_prefix(sep + 1);
    }
  }
  const std::size_t plus = t.find('+');
  const std::size_t base = static_cast<std::size_t>(t.data() - text.data());
  if (plus != std::string_view::npos) {
    pv.build_off = base + plus + 1;
    pv.build_len = t.size() - plus - 1;
    t = t.substr(0, plus);
  }
  const TokenFlags f = tokenise(t, base, true, pv.segments);
  pv.is_prerelease = f.pre;
  pv.is_postrelease = f.post;
  return pv;
}

Ecosystem autodetect_ecosystem(std::string_view text) {
  const std::string s = ascii_lower(text);
  const std::string_view v = s;
  if (contains(v, "!")) return Ecosystem::Pep440;
  if (contains(v, "~")) return Ecosystem::Debian;
  if (contains(v, "^")) return Ecosystem::Rpm;
  if (contains(v, ".post") || contains(v, ".dev")) return Ecosystem::Pep440;
  if (v.ends_with("+incompatible")) return Ecosystem::Go;
  if (v.ends_with("-snapshot")) return Ecosystem::Maven;
  if (contains(v, "py") && contains(v, "_")) return Ecosystem::Conda;
  for (auto m : {"_alpha", "_beta", "_p", "_rc", "_pre"})
    if (contains(v, m)) return Ecosystem::Alpine;
  if (contains(v, "+deb") || contains(v, "+ubuntu")) return Ecosystem::Debian;
  for (std::string_view m : {".el", ".fc", ".amzn"}) {
    const std::size_t at = v.find(m);
    if (at != std::string_view::npos && at + m.size() < v.size() && is_digit(v[at + m.size()]))
      return Ecosystem::Rpm;
  }
  if (v.size() >= 3) {
    for (std::size_t i = 0; i + 2 < v.size(); ++i) {
      if (!is_digit(v[i])) continue;
      if ((v[i + 1] == 'a' || v[i + 1] == 'b') && is_digit(v[i + 2])) return Ecosystem::Pep440;
      if (i + 3 < v.size() && v[i + 1] == 'r' && v[i + 2] == 'c' && is_digit(v[i + 3]))
        return Ecosystem::Pep440;
    }
  }
  const std::size_t r = v.rfind("-r");
  if (r != std::string_view::npos && r != 0 && r + 2 < v.size() &&
      digit_run(v, r + 2) == v.size() - r - 2)
    return Ecosystem::Alpine;
  if (!contains(v, "-") && !contains(v, "_")) {
    std::size_t start = 0;
    while (true) {
      const std::size_t dot = v.find('.', start);
      const std::string_view piece = v.substr(start, dot == std::string_view::npos ? v.npos : dot - start);
      if (piece == "rc" || piece == "pre" || piece.starts_with("beta") || piece.starts_with("alpha"))
        return Ecosystem::Ruby;
      if (dot == std::string_view::npos) break;
      start = dot + 1;
    }
  }
  const std::size_t lead = digit_run(v);
  if (lead > 0 && contains(v, ".")) {
    if (auto year = parse_u64(v.substr(0, lead)); year && *year <= UINT32_MAX && *year >= 1990 && *year <= 2100)
      return Ecosystem::Calver;
  }
  return Ecosystem::Generic;
}

}  // namespace ombrel
