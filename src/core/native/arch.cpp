// pacman's version relations (`>=1.2-1`, `<`, `<=`, `=`, `>`), written as in a depends
// array: the operator right before the version, no white space inside. As in pacman, a
// pkgrel counts only when both sides have one: `=1.2` holds 1.2-1 and 1.2-7.
#include <array>

#include "relations.hpp"

namespace ombrel {

namespace {

std::string_view pkgver(std::string_view s) { return s.substr(0, s.rfind('-')); }

bool with_pkgrel(std::string_view s) { return s.rfind('-') != std::string_view::npos; }

bool pkgver_test(Ecosystem eco, const NativeComparator& c, std::string_view text,
                 const ParsedRepr& version) {
  int r = compare_for_ecosystem(eco, version, c.bound.parsed);
  if (!with_pkgrel(text)) {
    // The bound's pkgrel is dropped; the version has none to drop.
    SetVersion bare;
    if (bare.read(eco, pkgver(c.bound.text))) r = compare_for_ecosystem(eco, version, bare.parsed);
  }
  return op_holds(c.op, r);
}

bool pkgrel_test(Ecosystem eco, const NativeComparator& c, std::string_view text,
                 const ParsedRepr& version) {
  int r = compare_for_ecosystem(eco, version, c.bound.parsed);
  if (with_pkgrel(text)) {
    SetVersion bare;
    if (bare.read(eco, pkgver(text))) r = compare_for_ecosystem(eco, bare.parsed, c.bound.parsed);
  }
  return op_holds(c.op, r);
}

// A bound with a pkgrel against a version without one, and a bound without one against any
// version; the VERS text keeps the plain interval of the bound.
constexpr NativeRule kVersionHasNoPkgrel{pkgver_test, native_interval};
constexpr NativeRule kBoundHasNoPkgrel{pkgrel_test, native_interval};

constexpr std::array<OpSpelling, 5> kPacmanOps{
    {{">=", Op::Ge}, {"<=", Op::Le}, {"=", Op::Eq}, {"<", Op::Lt}, {">", Op::Gt}}};

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_arch(Ecosystem eco,
                                                               std::string_view text) {
  auto c = read_relation(eco, text, "pacman relation", text, kPacmanOps, Op::Ne, false);
  if (!c) return std::unexpected(std::move(c.error()));
  c->rule = with_pkgrel(c->bound.text) ? &kVersionHasNoPkgrel : &kBoundHasNoPkgrel;
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  out.alternatives.emplace_back(1, std::move(*c));
  return out;
}

}  // namespace ombrel
