// A Debian relation as dpkg reads the parenthesised part of a dependency: `<<`, `<=`, `=`,
// `>=`, `>>`, the obsolete `<` and `>` (which dpkg reads as `<=` and `>=`), or a version
// alone (dpkg's implicit exact match); the parentheses may be left out.
#include <array>

#include "../message.hpp"
#include "relations.hpp"

namespace ombrel {

namespace {

constexpr std::array<OpSpelling, 7> kDebianOps{{{"<<", Op::Lt},
                                                {"<=", Op::Le},
                                                {">>", Op::Gt},
                                                {">=", Op::Ge},
                                                {"=", Op::Eq},
                                                {"<", Op::Le},
                                                {">", Op::Ge}}};

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_debian(Ecosystem eco,
                                                                 std::string_view text) {
  std::string_view relation = trim_ascii_space(text);
  if (relation.starts_with('(')) {
    if (!relation.ends_with(')')) return fail("invalid Debian relation '", text, "'; no closing ')'");
    relation = relation.substr(1, relation.size() - 2);
  }
  // dpkg refuses the operators that mix directions rather than reading `<` then `>1.0`.
  const std::string_view op = trim_ascii_space(relation).substr(0, 2);
  if (op == "<>" || op == "><")
    return fail("invalid Debian relation '", text, "'; bad relation '", op, "'");
  auto c = read_relation(eco, text, "Debian relation", relation, kDebianOps, Op::Eq, true);
  if (!c) return std::unexpected(std::move(c.error()));
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  out.alternatives.emplace_back(1, std::move(*c));
  return out;
}

}  // namespace ombrel
