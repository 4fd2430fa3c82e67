#include "ecosystem.hpp"

#include "autodetect.hpp"
#include "message.hpp"
#include "native/native.hpp"
#include "strategies/schemes.hpp"
#include "text.hpp"

namespace ombrel {

// clang-format off
constexpr std::array<EcosystemRow, Ecosystem::count> kEcosystems{{
    {.id = Ecosystem::Generic, .name = "generic", .message_name = "", .aliases = {},
     .strategy = &kStrategy<GenericStrategy, Ecosystem::Generic>,
     .purl_types = {"generic"}, .osv_names = {"hackage", "ghc"}, .vers_type = "generic",
     .native_ranges = &parse_native_library,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Semver, .name = "semver", .message_name = "",
     .aliases = {"semver_strict", "semver-strict"},
     .strategy = &kStrategy<SemverStrategy, Ecosystem::Semver>,
     .purl_types = {}, .osv_names = {}, .vers_type = "semver",
     .native_ranges = &parse_native_npm,
     .plain = {3, 3, MissingParts::Zero}},
    {.id = Ecosystem::Pep440, .name = "pep440", .message_name = "PEP 440",
     .aliases = {"pep-440", "python"},
     .strategy = &kStrategy<Pep440Strategy, Ecosystem::Pep440>,
     .purl_types = {"pypi", "python"}, .osv_names = {"pypi"}, .vers_type = "pypi",
     .native_ranges = &parse_native_pep440,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Debian, .name = "debian", .message_name = "", .aliases = {"deb", "dpkg"},
     .strategy = &kStrategy<DebianStrategy, Ecosystem::Debian>,
     .purl_types = {"deb", "debian"}, .osv_names = {"ubuntu"}, .vers_type = "deb",
     .native_ranges = &parse_native_debian,
     .plain = {1, 255, MissingParts::First}},
    {.id = Ecosystem::Rpm, .name = "rpm", .message_name = "", .aliases = {"redhat"},
     .strategy = &kStrategy<RpmStrategy, Ecosystem::Rpm>,
     .purl_types = {"rpm"},
     .osv_names = {"rocky linux", "almalinux", "red hat", "opensuse", "suse", "photon os",
                   "mageia", "openeuler"},
     .vers_type = "rpm", .native_ranges = &parse_native_rpm,
     .plain = {1, 255, MissingParts::First}},
    {.id = Ecosystem::Ruby, .name = "ruby", .message_name = "Ruby gem",
     .aliases = {"gem", "rubygems"},
     .strategy = &kStrategy<RubyStrategy, Ecosystem::Ruby>,
     .purl_types = {"gem", "rubygems"}, .osv_names = {}, .vers_type = "gem",
     .native_ranges = &parse_native_ruby,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Maven, .name = "maven", .message_name = "Maven", .aliases = {"mvn"},
     .strategy = &kStrategy<MavenStrategy, Ecosystem::Maven>,
     .purl_types = {"maven"}, .osv_names = {}, .vers_type = "maven",
     .native_ranges = &parse_native_maven,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Go, .name = "go", .message_name = "Go", .aliases = {"golang"},
     .strategy = &kStrategy<GoStrategy, Ecosystem::Go>,
     .purl_types = {"go", "golang"}, .osv_names = {}, .vers_type = "golang",
     .native_ranges = &parse_native_go,
     .plain = {3, 3, MissingParts::Zero, 'v'}},
    {.id = Ecosystem::Npm, .name = "npm", .message_name = "", .aliases = {"node", "nodejs"},
     .strategy = &kStrategy<SemverStrategy, Ecosystem::Npm>,
     .purl_types = {"npm"}, .osv_names = {}, .vers_type = "npm",
     .native_ranges = &parse_native_npm,
     .plain = {3, 3, MissingParts::Zero}},
    {.id = Ecosystem::Nuget, .name = "nuget", .message_name = "NuGet", .aliases = {"dotnet"},
     .strategy = &kStrategy<DigitStart, Ecosystem::Nuget>,
     .purl_types = {"nuget"}, .osv_names = {}, .vers_type = "nuget",
     .native_ranges = &parse_native_nuget,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Composer, .name = "composer", .message_name = "Composer",
     .aliases = {"php", "packagist"},
     .strategy = &kStrategy<ComposerStrategy, Ecosystem::Composer>,
     .purl_types = {"composer"}, .osv_names = {}, .vers_type = "composer",
     .native_ranges = &parse_native_composer,
     .plain = {1, 4, MissingParts::Zero, 0, 5}},
    {.id = Ecosystem::Crates, .name = "crates", .message_name = "",
     .aliases = {"cargo", "crates.io"},
     .strategy = &kStrategy<SemverStrategy, Ecosystem::Crates>,
     .purl_types = {"cargo", "crates"}, .osv_names = {}, .vers_type = "cargo",
     .native_ranges = &parse_native_crates,
     .plain = {3, 3, MissingParts::Zero}},
    {.id = Ecosystem::Hex, .name = "hex", .message_name = "", .aliases = {"elixir", "erlang"},
     .strategy = &kStrategy<SemverStrategy, Ecosystem::Hex>,
     .purl_types = {"hex"}, .osv_names = {}, .vers_type = "hex",
     .native_ranges = &parse_native_hex,
     .plain = {3, 3, MissingParts::Zero}},
    {.id = Ecosystem::Swift, .name = "swift", .message_name = "", .aliases = {"swiftpm"},
     .strategy = &kStrategy<SemverStrategy, Ecosystem::Swift>,
     .purl_types = {"swift"}, .osv_names = {"swifturl"}, .vers_type = "swift",
     .native_ranges = &parse_native_library,
     .plain = {3, 3, MissingParts::Zero}},
    {.id = Ecosystem::Calver, .name = "calver", .message_name = "CalVer", .aliases = {},
     .strategy = &kStrategy<DigitStart, Ecosystem::Calver>,
     .purl_types = {}, .osv_names = {}, .vers_type = "calver",
     .native_ranges = &parse_native_library,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Alpine, .name = "alpine", .message_name = "Alpine", .aliases = {"apk"},
     .strategy = &kStrategy<AlpineStrategy, Ecosystem::Alpine>,
     .purl_types = {"apk", "alpine"}, .osv_names = {"wolfi", "chainguard"}, .vers_type = "apk",
     .native_ranges = &parse_native_alpine,
     .plain = {1, 255, MissingParts::First}},
    {.id = Ecosystem::Docker, .name = "docker", .message_name = "Docker", .aliases = {"oci"},
     .strategy = &kStrategy<NonEmpty, Ecosystem::Docker>,
     .purl_types = {"oci", "docker"}, .osv_names = {}, .vers_type = "oci",
     .native_ranges = &parse_native_library,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Conda, .name = "conda", .message_name = "Conda", .aliases = {"mamba"},
     .strategy = &kStrategy<DigitStart, Ecosystem::Conda>,
     .purl_types = {"conda"}, .osv_names = {}, .vers_type = "conda",
     .native_ranges = &parse_native_conda,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Arch, .name = "arch", .message_name = "Arch",
     .aliases = {"pacman", "archlinux"},
     .strategy = &kStrategy<ArchStrategy, Ecosystem::Arch>,
     .purl_types = {"arch", "pacman"}, .osv_names = {}, .vers_type = "alpm",
     .native_ranges = &parse_native_arch,
     .plain = {1, 255, MissingParts::First}},
    {.id = Ecosystem::Gentoo, .name = "gentoo", .message_name = "Gentoo", .aliases = {"portage"},
     .strategy = &kStrategy<GentooStrategy, Ecosystem::Gentoo>,
     .purl_types = {"gentoo", "portage"}, .osv_names = {}, .vers_type = "ebuild",
     .native_ranges = &parse_native_gentoo,
     .plain = {1, 255, MissingParts::First}},
    {.id = Ecosystem::Cran, .name = "cran", .message_name = "R/CRAN", .aliases = {"r", "r-cran"},
     .strategy = &kStrategy<CranStrategy, Ecosystem::Cran>,
     .purl_types = {"cran", "r"}, .osv_names = {}, .vers_type = "cran",
     .native_ranges = &parse_native_cran,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Spack, .name = "spack", .message_name = "Spack", .aliases = {},
     .strategy = &kStrategy<NonEmpty, Ecosystem::Spack>,
     .purl_types = {"spack"}, .osv_names = {}, .vers_type = "spack",
     .native_ranges = &parse_native_spack,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Dart, .name = "dart", .message_name = "", .aliases = {"pub", "flutter"},
     .strategy = &kStrategy<SemverStrategy, Ecosystem::Dart>,
     .purl_types = {"pub", "dart"}, .osv_names = {}, .vers_type = "pub",
     .native_ranges = &parse_native_dart,
     .plain = {3, 3, MissingParts::Zero}},
    {.id = Ecosystem::Julia, .name = "julia", .message_name = "", .aliases = {"pkg"},
     .strategy = &kStrategy<SemverStrategy, Ecosystem::Julia>,
     .purl_types = {"julia"}, .osv_names = {}, .vers_type = "julia",
     .native_ranges = &parse_native_julia,
     .plain = {3, 3, MissingParts::Zero}},
    {.id = Ecosystem::Terraform, .name = "terraform", .message_name = "Terraform/OpenTofu",
     .aliases = {"opentofu"},
     .strategy = &kStrategy<DigitStart, Ecosystem::Terraform>,
     .purl_types = {"terraform", "opentofu"}, .osv_names = {}, .vers_type = "terraform",
     .native_ranges = &parse_native_terraform,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Helm, .name = "helm", .message_name = "", .aliases = {"chart", "charts"},
     .strategy = &kStrategy<SemverStrategy, Ecosystem::Helm>,
     .purl_types = {"helm"}, .osv_names = {}, .vers_type = "helm",
     .native_ranges = &parse_native_helm,
     .plain = {3, 3, MissingParts::Zero}},
    {.id = Ecosystem::Cpan, .name = "cpan", .message_name = "CPAN", .aliases = {"perl"},
     .strategy = &kStrategy<CpanStrategy, Ecosystem::Cpan>,
     .purl_types = {"cpan", "perl"}, .osv_names = {}, .vers_type = "cpan",
     .native_ranges = &parse_native_cpan,
     .plain = {3, 255, MissingParts::Zero, 0, 9}},
    {.id = Ecosystem::Nix, .name = "nix", .message_name = "Nix", .aliases = {"nixpkgs"},
     .strategy = &kStrategy<NixStrategy, Ecosystem::Nix>,
     .purl_types = {"nix", "nixpkgs"}, .osv_names = {}, .vers_type = "nix",
     .native_ranges = &parse_native_library,
     .plain = {1, 255, MissingParts::First, 0, 9}},
    {.id = Ecosystem::Homebrew, .name = "homebrew", .message_name = "Homebrew",
     .aliases = {"brew"},
     .strategy = &kStrategy<NonEmpty, Ecosystem::Homebrew>,
     .purl_types = {"brew", "homebrew"}, .osv_names = {}, .vers_type = "homebrew",
     .native_ranges = &parse_native_library,
     .plain = {1, 255, MissingParts::Zero}},
    {.id = Ecosystem::Freebsd, .name = "freebsd", .message_name = "FreeBSD pkg",
     .aliases = {"freebsd-pkg"},
     .strategy = &kStrategy<NonEmpty, Ecosystem::Freebsd>,
     .purl_types = {"pkg", "freebsd"}, .osv_names = {}, .vers_type = "freebsd",
     .native_ranges = &parse_native_library,
     .plain = {1, 255, MissingParts::Zero}},
}};
// clang-format on

namespace {

// Each row stands at its ecosystem's position, and every row is there: a missing one would
// leave a row of zeros, which is Generic's id at a later position.
constexpr bool rows_in_place() {
  for (std::size_t i = 0; i < kEcosystems.size(); ++i)
    if (kEcosystems[i].id != i || kEcosystems[i].name.empty() || kEcosystems[i].vers_type.empty())
      return false;
  return true;
}
static_assert(rows_in_place(), "kEcosystems holds one row per ecosystem, in enumeration order");

}  // namespace

std::expected<Ecosystem, std::string> Ecosystem::from_str(std::string_view name) {
  // Canonical names as written, the usual case, first; no alias is another row's name.
  for (const EcosystemRow& row : kEcosystems) {
    if (row.name.size() != name.size()) continue;
    std::size_t k = 0;
    while (k < row.name.size() && row.name[k] == name[k]) ++k;
    if (k == row.name.size()) return Ecosystem(row.id);
  }
  for (const EcosystemRow& row : kEcosystems) {
    if (iequals(name, row.name)) return Ecosystem(row.id);
    for (auto alias : row.aliases)
      if (!alias.empty() && iequals(name, alias)) return Ecosystem(row.id);
  }
  std::string msg = message("unsupported ecosystem '", ascii_lower(name), "'; expected one of: ");
  for (const EcosystemRow& row : kEcosystems) {
    if (row.id) msg += ", ";
    msg += row.name;
  }
  return std::unexpected(std::move(msg));
}

std::optional<Ecosystem> Ecosystem::from_purl_type(std::string_view type) {
  for (const EcosystemRow& row : kEcosystems)
    for (auto t : row.purl_types)
      if (!t.empty() && t == type) return Ecosystem(row.id);
  return std::nullopt;
}

std::optional<Ecosystem> Ecosystem::from_osv_name(std::string_view name) {
  for (const EcosystemRow& row : kEcosystems)
    for (auto n : row.osv_names)
      if (!n.empty() && iequals(name, n)) return Ecosystem(row.id);
  return std::nullopt;
}

Ecosystem EcosystemArg::decide(const AutoSample& sample) {
  if (const auto* text = std::get_if<std::string_view>(&sample)) return autodetect_ecosystem(*text);
  if (const auto* known = std::get_if<Ecosystem>(&sample)) return *known;
  return Ecosystem::Generic;  // nothing to detect from (an empty list)
}

}  // namespace ombrel
