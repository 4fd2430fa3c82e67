#include "strategies/registry.hpp"

#include "strategies/generic.hpp"
#include "strategies/validators.hpp"

namespace ombrel {

namespace {

template <class T>
const T& as(const ParsedRepr& r) {
  return *std::get_if<T>(&r);  // callers only pair values of the strategy's own variant
}

template <class T, class E>
std::expected<ParsedRepr, std::string> wrap(std::expected<T, E>&& r) {
  if (!r) return std::unexpected(std::move(r.error()));
  return ParsedRepr(std::in_place_type<T>, std::move(*r));
}

class GenericStrategy : public VersionStrategy {
 public:
  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    return ParsedRepr(std::in_place_type<ParsedVersion>, parse_generic(text));
  }
  int compare(const ParsedRepr& a, const ParsedRepr& b) const override {
    return cmp_generic(as<ParsedVersion>(a), as<ParsedVersion>(b));
  }
};

// The light ecosystems: a check of the raw text, then the generic scheme.
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

class SemverStrategy : public VersionStrategy {
 public:
  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    return wrap(parse_semver_strict(text));
  }
  int compare(const ParsedRepr& a, const ParsedRepr& b) const override {
    return cmp_semver_strict(as<StrictSemver>(a), as<StrictSemver>(b));
  }
};

class GoStrategy final : public SemverStrategy {
 public:
  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    if (auto ok = validate_go_prefix(text); !ok) return std::unexpected(std::move(ok.error()));
    return SemverStrategy::parse(text);
  }
};

class Pep440Strategy final : public VersionStrategy {
 public:
  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    return wrap(parse_pep440(text));
  }
  int compare(const ParsedRepr& a, const ParsedRepr& b) const override {
    return cmp_pep440(as<Pep440Version>(a), as<Pep440Version>(b));
  }
};

class DebianStrategy final : public VersionStrategy {
 public:
  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    return wrap(parse_debian(text));
  }
  int compare(const ParsedRepr& a, const ParsedRepr& b) const override {
    return cmp_debian(as<DebianVersion>(a), as<DebianVersion>(b));
  }
};

class RpmStrategy final : public VersionStrategy {
 public:
  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    return wrap(parse_rpm(text));
  }
  int compare(const ParsedRepr& a, const ParsedRepr& b) const override {
    return cmp_rpm(as<RpmVersion>(a), as<RpmVersion>(b));
  }
};

class MavenStrategy final : public VersionStrategy {
 public:
  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    if (auto ok = validate_maven(text); !ok) return std::unexpected(std::move(ok.error()));
    return wrap(parse_maven(text));
  }
  int compare(const ParsedRepr& a, const ParsedRepr& b) const override {
    return cmp_list(as<MavenVersion>(a).items, as<MavenVersion>(b).items);
  }
};

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
    &GENERIC_STRATEGY,   &SEMVER_STRATEGY,   &PEP440_STRATEGY,  &DEBIAN_STRATEGY,
    &RPM_STRATEGY,       &RUBY_STRATEGY,     &MAVEN_STRATEGY,   &GO_STRATEGY,
    &SEMVER_STRATEGY,    &NUGET_STRATEGY,    &COMPOSER_STRATEGY, &CRATES_STRATEGY,
    &HEX_STRATEGY,       &SWIFT_STRATEGY,    &CALVER_STRATEGY,  &ALPINE_STRATEGY,
    &DOCKER_STRATEGY,    &CONDA_STRATEGY,    &ARCH_STRATEGY,    &GENTOO_STRATEGY,
    &CRAN_STRATEGY,      &SPACK_STRATEGY,    &DART_STRATEGY,    &JULIA_STRATEGY,
    &TERRAFORM_STRATEGY, &HELM_STRATEGY,     &CPAN_STRATEGY,    &NIX_STRATEGY,
    &HOMEBREW_STRATEGY,  &FREEBSD_STRATEGY,
};

}  // namespace

const VersionStrategy& strategy_for(Ecosystem eco) { return *kStrategies[eco]; }

std::expected<ParsedRepr, std::string> parse_for_ecosystem(Ecosystem eco, std::string_view text) {
  return kStrategies[eco]->parse(text);
}

int compare_for_ecosystem(Ecosystem eco, const ParsedRepr& a, const ParsedRepr& b) {
  return kStrategies[eco]->compare(a, b);
}

}  // namespace ombrel
