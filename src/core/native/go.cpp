// Go module versions have no range language of their own; a constraint is a single version
// (`v1.2.3`, exactly it) or comparisons on versions (`>=v1.2.0 <v2.0.0`), separated by white
// space or commas, all of which must hold. The `v` is required, as everywhere in Go.
#include <array>

#include "../message.hpp"
#include "relations.hpp"

namespace ombrel {

namespace {

constexpr std::array<OpSpelling, 7> kGoOps{{{">=", Op::Ge},
                                            {"<=", Op::Le},
                                            {"==", Op::Eq},
                                            {"!=", Op::Ne},
                                            {"=", Op::Eq},
                                            {"<", Op::Lt},
                                            {">", Op::Gt}}};

bool separator(char c) { return c == ' ' || c == '\t' || c == ','; }

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_go(Ecosystem eco, std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  NativeList& list = out.alternatives.emplace_back();
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && separator(text[i])) ++i;
    if (i == text.size()) break;
    std::size_t e = i;
    // An operator may stand apart from its version.
    while (e < text.size() && (text[e] == '<' || text[e] == '>' || text[e] == '=' || text[e] == '!')) ++e;
    while (e < text.size() && (text[e] == ' ' || text[e] == '\t')) ++e;
    while (e < text.size() && !separator(text[e])) ++e;
    auto c = read_relation(eco, text, "Go constraint", text.substr(i, e - i), kGoOps, Op::Eq, true);
    if (!c) return std::unexpected(std::move(c.error()));
    list.push_back(std::move(*c));
    i = e;
  }
  if (list.empty()) return fail("invalid Go constraint '", text, "'; expected a version");
  return out;
}

}  // namespace ombrel
