// rpm relations on EVRs, `<`, `<=`, `=`, `>=`, `>` and rpm's other spellings of them (`=<`,
// `==`, `=>`), one or several joined by commas, all of which must hold. Each is decided as
// rpm decides a dependency on a package providing the version: a missing epoch is 0, and where
// the epochs and versions are equal a missing release matches every release (`= 1.0` holds
// 1.0-5; the version 1.0 meets `> 1.0-5`).
#include <array>

#include "../strategies/rpm.hpp"
#include "relations.hpp"

namespace ombrel {

namespace {

bool rpm_dependency(Ecosystem eco, const NativeComparator& c, std::string_view,
                    const ParsedRepr& version) {
  const auto* v = std::get_if<RpmVersion>(&version);
  const auto* b = std::get_if<RpmVersion>(&c.bound.parsed);
  if (!v || !b) return op_holds(c.op, compare_for_ecosystem(eco, version, c.bound.parsed));
  int r = cmp3(v->epoch, b->epoch);
  if (!r) r = rpmverscmp(v->main, b->main);
  if (!r && !b->tail.empty()) {
    if (v->tail.empty()) return true;  // the version provides every release of itself
    r = rpmverscmp(v->tail, b->tail);
  }
  return op_holds(c.op, r);
}

// The VERS text keeps the bound's plain interval.
constexpr NativeRule kRpmDependency{rpm_dependency, native_interval};

constexpr std::array<OpSpelling, 8> kRpmOps{{{"<=", Op::Le},
                                             {"=<", Op::Le},
                                             {">=", Op::Ge},
                                             {"=>", Op::Ge},
                                             {"==", Op::Eq},
                                             {"<", Op::Lt},
                                             {">", Op::Gt},
                                             {"=", Op::Eq}}};

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_rpm(Ecosystem eco,
                                                              std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  NativeList& list = out.alternatives.emplace_back();
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    auto c = read_relation(eco, text, "rpm relation", text.substr(start, comma - start), kRpmOps,
                           Op::Ne, true);
    if (!c) return std::unexpected(std::move(c.error()));
    c->rule = &kRpmDependency;
    list.push_back(std::move(*c));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

}  // namespace ombrel
