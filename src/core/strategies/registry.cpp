#include "strategies/registry.hpp"

#include "strategies/generic.hpp"
#include "strategies/validators.hpp"

namespace ombrel {

namespace {

template <class T>
const T& as(const ParsedRepr& r) {
  return *std::get_if<T>(&r);  // callers only pair values of the strategy's own variant
}

// A check of the raw text in front of another parser.
template <class T, Check (*Validate)(std::string_view),
          std::expected<T, std::string> (*Parse)(std::string_view)>
std::expected<T, std::string> checked(std::string_view text) {
  if (auto ok = Validate(text); !ok) return std::unexpected(std::move(ok.error()));
  return Parse(text);
}

std::expected<ParsedVersion, std::string> parse_generic_repr(std::string_view text) {
  return parse_generic(text);
}

int cmp_maven(const MavenVersion& a, const MavenVersion& b) {
  return cmp_list(a.items, b.items);
}

// A strategy is a parser into one variant of ParsedRepr and the ordering of that variant.
template <class T, std::expected<T, std::string> (*Parse)(std::string_view),
          int (*Compare)(const T&, const T&)>
class SchemeStrategy : public VersionStrategy {
 public:
  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    auto r = Parse(text);
    if (!r) return std::unexpected(std::move(r.error()));
    return ParsedRepr(std::in_place_type<T>, std::move(*r));
  }
  int compare(const ParsedRepr& a, const ParsedRepr& b) const override {
    return Compare(as<T>(a), as<T>(b));
  }
};

using GenericStrategy = SchemeStrategy<ParsedVersion, parse_generic_repr, cmp_generic>;
using SemverStrategy = SchemeStrategy<StrictSemver, parse_semver_strict, cmp_semver_strict>;
using GoStrategy =
    SchemeStrategy<StrictSemver, checked<StrictSemver, validate_go_prefix, parse_semver_strict>,
                   cmp_semver_strict>;
using Pep440Strategy = SchemeStrategy<Pep440Version, parse_pep440, cmp_pep440>;
using DebianStrategy = SchemeStrategy<DebianVersion, parse_debian, cmp_debian>;
using RpmStrategy = SchemeStrategy<RpmVersion, parse_rpm, cmp_rpm>;
using MavenStrategy =
    SchemeStrategy<MavenVersion, checked<MavenVersion, validate_maven, parse_maven>, cmp_maven>;

// The light ecosystems: a check of the raw text naming the ecosystem, then the generic scheme.
template <Check (*Validate)(Ecosystem, std::string_view)>
class LightStrategy final : public GenericStrategy {
 public:
  constexpr explicit LightStrategy(Ecosystem eco) : eco_(eco) {}
  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    if (auto ok = Validate(eco_, text); !ok) return std::unexpected(std::move(ok.error()));
    return GenericStrategy::parse(text);
  }

 private:
  Ecosystem eco_;
};

template <Check (*Validate)(std::string_view)>
Check ignore_eco(Ecosystem, std::string_view text) {
  return Validate(text);
}

using DigitStart = LightStrategy<validate_digit_start>;
using NonEmpty = LightStrategy<validate_non_empty>;
using ComposerStrategy = LightStrategy<ignore_eco<validate_composer>>;
using ArchStrategy = LightStrategy<ignore_eco<validate_arch>>;
using CranStrategy = LightStrategy<ignore_eco<validate_cran>>;

const GenericStrategy GENERIC_STRATEGY;
const SemverStrategy SEMVER_STRATEGY;
const Pep440Strategy PEP440_STRATEGY;
const DebianStrategy DEBIAN_STRATEGY;
const RpmStrategy RPM_STRATEGY;
const DigitStart RUBY_STRATEGY{Ecosystem::Ruby};
const MavenStrategy MAVEN_STRATEGY;
const GoStrategy GO_STRATEGY;
const DigitStart NUGET_STRATEGY{Ecosystem::Nuget};
const ComposerStrategy COMPOSER_STRATEGY{Ecosystem::Composer};
const SemverStrategy CRATES_STRATEGY;
const SemverStrategy HEX_STRATEGY;
const SemverStrategy SWIFT_STRATEGY;
const DigitStart CALVER_STRATEGY{Ecosystem::Calver};
const DigitStart ALPINE_STRATEGY{Ecosystem::Alpine};
const NonEmpty DOCKER_STRATEGY{Ecosystem::Docker};
const DigitStart CONDA_STRATEGY{Ecosystem::Conda};
const ArchStrategy ARCH_STRATEGY{Ecosystem::Arch};
const DigitStart GENTOO_STRATEGY{Ecosystem::Gentoo};
const CranStrategy CRAN_STRATEGY{Ecosystem::Cran};
const NonEmpty SPACK_STRATEGY{Ecosystem::Spack};
const SemverStrategy DART_STRATEGY;
const SemverStrategy JULIA_STRATEGY;
const DigitStart TERRAFORM_STRATEGY{Ecosystem::Terraform};
const SemverStrategy HELM_STRATEGY;
const NonEmpty CPAN_STRATEGY{Ecosystem::Cpan};
const NonEmpty NIX_STRATEGY{Ecosystem::Nix};
const NonEmpty HOMEBREW_STRATEGY{Ecosystem::Homebrew};
const NonEmpty FREEBSD_STRATEGY{Ecosystem::Freebsd};

// Indexed by Ecosystem; npm shares the SemVer strategy object.
const VersionStrategy* const kStrategies[Ecosystem::count] = {
    &GENERIC_STRATEGY,  &SEMVER_STRATEGY, &PEP440_STRATEGY, &DEBIAN_STRATEGY,   &RPM_STRATEGY,
    &RUBY_STRATEGY,     &MAVEN_STRATEGY,  &GO_STRATEGY,     &SEMVER_STRATEGY,   &NUGET_STRATEGY,
    &COMPOSER_STRATEGY, &CRATES_STRATEGY, &HEX_STRATEGY,    &SWIFT_STRATEGY,    &CALVER_STRATEGY,
    &ALPINE_STRATEGY,   &DOCKER_STRATEGY, &CONDA_STRATEGY,  &ARCH_STRATEGY,     &GENTOO_STRATEGY,
    &CRAN_STRATEGY,     &SPACK_STRATEGY,  &DART_STRATEGY,   &JULIA_STRATEGY,    &TERRAFORM_STRATEGY,
    &HELM_STRATEGY,     &CPAN_STRATEGY,   &NIX_STRATEGY,    &HOMEBREW_STRATEGY, &FREEBSD_STRATEGY,
};

}  // namespace

const VersionStrategy& strategy_for(Ecosystem eco) {
  return *kStrategies[eco];
}

std::expected<ParsedRepr, std::string> parse_for_ecosystem(Ecosystem eco, std::string_view text) {
  return kStrategies[eco]->parse(text);
}

int compare_for_ecosystem(Ecosystem eco, const ParsedRepr& a, const ParsedRepr& b) {
  return kStrategies[eco]->compare(a, b);
}

}  // namespace ombrel
