// R dependency relations as a DESCRIPTION file writes them after a package name: `(>= 1.2.3)`,
// an operator, spaces and a version, the parentheses optional here. R checks a relation
// by comparing package versions with the operator.
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

constexpr OpSpelling kCranOps[] = {{"<", Op::Lt},  {"<=", Op::Le}, {">", Op::Gt},
                                   {">=", Op::Ge}, {"==", Op::Eq}, {"!=", Op::Ne}};

bool r_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A package version as R reads one: at least two numbers, separated by `.` or `-`.
bool r_version(std::string_view v) {
  std::size_t i = 0, numbers = 0;
  while (true) {
    const std::size_t n = digit_run(v, i);
    if (!n) return false;
    i += n;
    ++numbers;
    if (i == v.size()) return numbers >= 2;
    if (v[i] != '.' && v[i] != '-') return false;
    ++i;
  }
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_cran(Ecosystem eco,
                                                               std::string_view text) {
  auto bad = [&](std::string_view what) {
    return fail("invalid cran range '", text, "'; ", what);
  };
  std::string_view s = trim_ascii(text);
  if (s.starts_with('(')) {
    if (!s.ends_with(')') || s.size() < 2) return bad("unbalanced parenthesis");
    s = s.substr(1, s.size() - 2);
    while (!s.empty() && r_space(s.front())) s.remove_prefix(1);
  }
  Op op = Op::Eq;
  const std::size_t n = read_op(s, kCranOps, op);
  if (!n || n == s.size() || s[n] != ' ')
    return bad("expected an operator (<, <=, >, >=, ==, !=), spaces and a version");
  if (r_space(s.back())) return bad("white space after the version");
  std::string_view version = s.substr(n);
  while (version.starts_with(' ')) version.remove_prefix(1);
  if (!r_version(version)) return bad(message("invalid R version '", version, "'"));
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  NativeList list;
  if (auto ok = push_comparator(eco, list, op, version); !ok) return failure(ok);
  out.alternatives.push_back(std::move(list));
  return out;
}

}  // namespace ombrel
