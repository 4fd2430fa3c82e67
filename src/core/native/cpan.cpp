// CPAN::Meta version ranges as CPAN::Meta::Requirements reads them: comma-separated
// `op version` requirements (`>=` when the operator is missing), all of which must hold. The
// module refuses a version `version.pm` would only read with a warning, and a list that no
// version can meet.
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

constexpr OpSpelling kCpanOps[] = {{">=", Op::Ge}, {"<=", Op::Le}, {"==", Op::Eq},
                                   {"!=", Op::Ne}, {">", Op::Gt},  {"<", Op::Lt}};

// version.pm keeps each part in a C int; the first part overflows on its digit count too.
constexpr std::uint64_t kPartMax = 2147483647;
constexpr std::size_t kFirstPartDigits = 10;

// Perl's `\s` on text: Unicode's white space.
std::string_view skip_space(std::string_view s) {
  while (!s.empty()) {
    const std::size_t k = space_at(s, 0);
    if (!k) break;
    s.remove_prefix(k);
  }
  return s;
}

std::string_view drop_trailing_space(std::string_view s) {
  while (const std::size_t k = space_before(s, s.size())) s.remove_suffix(k);
  return s;
}

// version.pm itself skips ASCII white space before a version.
std::string_view skip_ascii_space(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || (s.front() >= '\t' && s.front() <= '\r')))
    s.remove_prefix(1);
  return s;
}

bool part_fits(std::string_view digits, std::string_view alpha = {}) {
  std::uint64_t v = 0;
  for (std::string_view run : {digits, alpha})
    for (char c : run)
      if ((v = v * 10 + static_cast<std::uint64_t>(c - '0')) > kPartMax) return false;
  return true;
}

// A version version.pm reads without complaint:
//   dotted   v D ( . | (.D)+ (_D?)? )?   or   D? (.D){2,} (_D?)?
//   decimal  D .?   or   D? . D (_D)?   or   .
// or the word `undef`; every part fits an int.
bool perl_version(std::string_view v) {
  if (v == "undef") return true;
  if (v.empty()) return false;
  const bool vee = v.starts_with('v');
  std::size_t i = vee;
  const std::string_view first = v.substr(i, digit_run(v, i));
  if (first.size() > kFirstPartDigits || !part_fits(first)) return false;
  if (vee && first.empty()) return false;
  i += first.size();
  std::vector<std::string_view> groups;
  while (i + 1 < v.size() && v[i] == '.' && is_digit(v[i + 1])) {
    groups.push_back(v.substr(i + 1, digit_run(v, i + 1)));
    i += 1 + groups.back().size();
  }
  const std::string_view rest = v.substr(i);
  if (vee || groups.size() >= 2) {
    if (groups.empty()) return rest.empty() || rest == ".";
    if (!rest.empty() && (rest[0] != '_' || digit_run(rest, 1) + 1 != rest.size())) return false;
    const std::string_view alpha = rest.empty() ? rest : rest.substr(1);
    for (std::size_t g = 0; g < groups.size(); ++g)
      if (!part_fits(groups[g], g + 1 == groups.size() ? alpha : std::string_view())) return false;
    return true;
  }
  if (groups.empty()) return rest.empty() || rest == ".";
  return rest.empty() || (rest[0] == '_' && rest.size() > 1 && digit_run(rest, 1) + 1 == rest.size());
}

// Whether no version meets every comparator of `list`, when versions are as dense as
// CPAN::Meta::Requirements takes them: it knows nothing below 0 or between 1 and 1.0.0.1.
bool meets_nothing(Ecosystem eco, const NativeList& list) {
  const NativeComparator *lo = nullptr, *hi = nullptr, *eq = nullptr;
  auto cmp = [&](const NativeComparator& a, const NativeComparator& b) {
    return compare_for_ecosystem(eco, a.bound.parsed, b.bound.parsed);
  };
  for (const NativeComparator& c : list) {
    if (c.op == Op::Ge || c.op == Op::Gt) {
      const int r = lo ? cmp(c, *lo) : 1;
      if (r > 0 || (r == 0 && c.op == Op::Gt)) lo = &c;
    } else if (c.op == Op::Le || c.op == Op::Lt) {
      const int r = hi ? cmp(c, *hi) : -1;
      if (r < 0 || (r == 0 && c.op == Op::Lt)) hi = &c;
    } else if (c.op == Op::Eq) {
      if (eq && cmp(c, *eq) != 0) return true;
      eq = &c;
    }
  }
  const NativeComparator* point = eq;
  if (!eq && lo && hi) {
    const int r = cmp(*lo, *hi);
    if (r > 0 || (r == 0 && (lo->op == Op::Gt || hi->op == Op::Lt))) return true;
    if (r == 0) point = lo;
  }
  if (!point) return false;
  for (const NativeComparator& c : list)
    if (!op_holds(c.op, cmp(*point, c))) return true;
  return false;
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_cpan(Ecosystem eco,
                                                               std::string_view text) {
  // Perl's split on /\s*,\s*/: white space around a comma goes with it, and empty pieces at
  // the end are dropped (none at all is no requirement).
  std::vector<std::string_view> pieces = split_on(text, ',');
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) pieces[i] = skip_space(pieces[i]);
    if (i + 1 < pieces.size()) pieces[i] = drop_trailing_space(pieces[i]);
  }
  while (!pieces.empty() && pieces.back().empty()) pieces.pop_back();
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  NativeList list;
  for (std::string_view piece : pieces) {
    // /^\s*(op)\s*(.*)/, else the piece goes to version.pm as it is.
    std::string_view s = skip_space(piece);
    Op op = Op::Ge;
    const std::size_t n = read_op(s, kCpanOps, op);
    s = n ? skip_space(s.substr(n)) : skip_ascii_space(piece);
    if (!perl_version(s))
      return fail("invalid cpan range '", text, "'; invalid Perl version '", s, "'");
    if (auto ok = push_comparator(eco, list, op, s); !ok) return failure(ok);
  }
  if (meets_nothing(eco, list))
    return fail("invalid cpan range '", text, "'; no version meets every requirement");
  out.alternatives.push_back(std::move(list));
  return out;
}

}  // namespace ombrel
