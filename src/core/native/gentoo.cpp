// The version operators of Portage atoms: `<`, `<=`, `=`, `~`, `>=`, `>` and `=1.2*`, before a
// version or a whole `category/package-version` (the name is read and set aside). `~1.2` is
// any revision of 1.2; `=1.2*` is a prefix that ends where a version component does, so it
// holds 1.2, 1.2.3, 1.2a, 1.2_rc1 and 1.2-r1 but not 1.20.
#include <utility>

#include "../message.hpp"
#include "../strategies/gentoo.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

constexpr OpSpelling kAtomOps[] = {{"<", Op::Lt}, {"<=", Op::Le}, {"=", Op::Eq},
                                   {"~", Op::Eq}, {">=", Op::Ge}, {">", Op::Gt}};

// The text without its revision ("1.2" of "1.2-r3"), when it is a version.
std::string_view release_of(std::string_view text) {
  GentooParse p;
  parse_gentoo_into(text, p);
  return p.tail == p.end ? text.substr(p.begin, p.revision - p.begin) : trim(text);
}

// A whole version by Portage's grammar, nothing around it.
bool gentoo_version(std::string_view v) {
  if (v.empty() || !is_digit(v[0])) return false;
  GentooParse p;
  parse_gentoo_into(v, p);
  return p.end == v.size() && p.tail == p.end;
}

int cmp_text(std::string_view a, std::string_view b) {
  GentooParse pa, pb;
  parse_gentoo_into(a, pa);
  parse_gentoo_into(b, pb);
  return cmp_gentoo(pa, a, pb, b);
}

bool any_revision_test(Ecosystem, const NativeComparator& c, std::string_view text,
                       const ParsedRepr&) {
  return cmp_text(release_of(text), release_of(c.bound.text)) == 0;
}

// The first number without its leading zeros, as Portage strips them before matching.
std::string_view without_leading_zeros(std::string_view v) {
  std::size_t i = 0;
  while (i + 1 < v.size() && v[i] == '0' && is_digit(v[i + 1])) ++i;
  return v.substr(i);
}

bool glob_test(Ecosystem, const NativeComparator& c, std::string_view text, const ParsedRepr&) {
  const std::string_view v = without_leading_zeros(trim(text));
  const std::string_view prefix = without_leading_zeros(c.bound.text);
  if (!v.starts_with(prefix)) return false;
  if (v.size() == prefix.size()) return true;
  // The prefix must end a component: `1*` holds 1.5 and 1a but not 10.
  const char next = v[prefix.size()];
  return next == '.' || next == '_' || next == '-' || is_digit(next) != is_digit(prefix.back());
}

constexpr NativeRule kAnyRevision{&any_revision_test, &prefix_span};
constexpr NativeRule kGlob{&glob_test, &prefix_span};

bool name_char(char c) { return is_alnum(c) || c == '_' || c == '+' || c == '-'; }

// PMS names: a category may hold dots, neither may start with `-`, `+` or `.`.
bool atom_name(std::string_view s, bool category) {
  if (s.empty() || !(is_alnum(s[0]) || s[0] == '_')) return false;
  for (char c : s)
    if (!name_char(c) && !(category && c == '.')) return false;
  return true;
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_gentoo(Ecosystem eco,
                                                                 std::string_view text) {
  auto bad = [&](std::string_view what) { return fail("invalid Gentoo constraint '", text, "'; ", what); };
  std::string_view s = trim_ascii(text);
  Op op = Op::Eq;
  const std::size_t n = read_op(s, kAtomOps, op);
  if (!n) return bad("expected an operator (<, <=, =, ~, >=, >)");
  const bool any_revision = s.starts_with('~');
  s.remove_prefix(n);
  const bool glob = s.ends_with('*');
  if (glob) {
    if (op != Op::Eq || any_revision) return bad("a '*' follows a version only after '='");
    s.remove_suffix(1);
  }
  std::string_view version = s;
  if (const std::size_t slash = s.find('/'); slash != std::string_view::npos) {
    // category/package-version: the version starts after the first `-` that leaves one.
    std::size_t dash = s.find('-', slash);
    while (dash != std::string_view::npos && !gentoo_version(s.substr(dash + 1)))
      dash = s.find('-', dash + 1);
    if (dash == std::string_view::npos) return bad("expected category/package-version");
    if (!atom_name(s.substr(0, slash), true) || !atom_name(s.substr(slash + 1, dash - slash - 1), false))
      return bad(message("invalid package name '", s.substr(0, dash), "'"));
    version = s.substr(dash + 1);
  }
  if (!gentoo_version(version)) return bad(message("invalid Gentoo version '", version, "'"));
  auto c = native_comparator(eco, op, version);
  if (!c) return failure(c);
  if (any_revision) {
    c->rule = &kAnyRevision;
    // Every revision lies below the release with `_p_alpha` added.
    const std::string_view release = release_of(version);
    if (auto ok = c->bound.read(eco, release); !ok) return failure(ok);
    if (auto ok = c->extra.read(eco, std::string(release) + "_p_alpha"); !ok) return failure(ok);
  } else if (glob && release_of(version).size() == version.size()) {
    // With a revision, which ends a version, `=1.2-r1*` holds what `=1.2-r1` holds.
    c->rule = &kGlob;
    if (const std::string next = prefix_end(version); !next.empty())
      if (auto ok = c->extra.read(eco, next); !ok) return failure(ok);
  }
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  out.alternatives.emplace_back(1, std::move(*c));
  return out;
}

}  // namespace ombrel
