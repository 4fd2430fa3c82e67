// Maven version ranges as maven-artifact's VersionRange reads them: intervals in brackets,
// several of them one after another (a comma between them optional), each starting no lower
// than the one before it ends. Any other text is Maven's "soft" requirement, a recommended
// version that every version satisfies; an empty text holds nothing.
#include <string>
#include <utility>

#include "../message.hpp"
#include "../strategies/maven.hpp"
#include "../strategies/validators.hpp"
#include "native.hpp"

namespace ombrel {

namespace {

// Java's String.trim: every character up to U+0020 goes from both ends.
std::string_view java_trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// A bound as VersionRange reads it: any text, as Maven's ComparableVersion reads it, where
// the Maven ecosystem's reader also asks for a leading digit (`[]`, `[a,b]`, `[RELEASE]`). A
// bound that Maven holds equal to 0 is written 0; another keeps its text, which the VERS text
// then carries. Non-ASCII numerals stay refused: Java reads them as digits, this reader does not.
std::expected<NativeComparator, std::string> maven_bound(Ecosystem eco, Op op,
                                                         std::string_view text) {
  auto c = native_comparator(eco, op, text);
  if (c || !validate_maven(eco, message("0", text))) return c;
  auto parsed = parse_maven(text);
  if (!parsed) return c;
  NativeComparator out;
  out.op = op;
  const auto zero = parse_maven("0");
  out.bound.text = zero && cmp_list(parsed->items, zero->items) == 0 ? "0" : std::string(text);
  out.bound.parsed = std::move(*parsed);
  return out;
}

struct Restriction {
  NativeList bounds;
  const SetVersion* lower = nullptr;  // into bounds, null when unbounded
  const SetVersion* upper = nullptr;
};

// One bracketed interval, `[` or `(` through its closing bracket.
std::expected<Restriction, std::string> restriction(Ecosystem eco, std::string_view spec,
                                                    std::string_view text) {
  auto bad = [&](std::string_view what) {
    return fail("invalid Maven range '", text, "'; ", what);
  };
  const bool lower_closed = spec.front() == '[', upper_closed = spec.back() == ']';
  const std::string_view inner = java_trim(spec.substr(1, spec.size() - 2));
  Restriction out;
  const std::size_t comma = inner.find(',');
  if (comma == std::string_view::npos) {
    if (!lower_closed || !upper_closed)
      return bad(message("a single version must be in [], not '", spec, "'"));
    auto c = maven_bound(eco, Op::Eq, inner);
    if (!c) return std::unexpected(std::move(c.error()));
    out.bounds.push_back(std::move(*c));
    out.lower = out.upper = &out.bounds.back().bound;
    return out;
  }
  const std::string_view lo = java_trim(inner.substr(0, comma));
  const std::string_view hi = java_trim(inner.substr(comma + 1));
  out.bounds.reserve(2);
  if (!lo.empty()) {
    auto c = maven_bound(eco, lower_closed ? Op::Ge : Op::Gt, lo);
    if (!c) return std::unexpected(std::move(c.error()));
    out.bounds.push_back(std::move(*c));
    out.lower = &out.bounds.back().bound;
  }
  if (!hi.empty()) {
    auto c = maven_bound(eco, upper_closed ? Op::Le : Op::Lt, hi);
    if (!c) return std::unexpected(std::move(c.error()));
    out.bounds.push_back(std::move(*c));
    out.upper = &out.bounds.back().bound;
  }
  if (out.lower && out.upper) {
    const int r = compare_for_ecosystem(eco, out.upper->parsed, out.lower->parsed);
    if (r < 0 || (r == 0 && (!lower_closed || !upper_closed)))
      return bad(message("'", spec, "' defies version ordering"));
  }
  return out;
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_maven(Ecosystem eco,
                                                                std::string_view text) {
  auto bad = [&](std::string_view what) {
    return fail("invalid Maven range '", text, "'; ", what);
  };
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  std::string_view rest = text;
  SetVersion previous_upper;
  bool bounded_above = false;
  while (rest.starts_with('[') || rest.starts_with('(')) {
    // The interval ends at the first closing bracket of either kind.
    const std::size_t end = rest.find_first_of(")]");
    if (end == std::string_view::npos) return bad("a range is not closed");
    auto r = restriction(eco, rest.substr(0, end + 1), text);
    if (!r) return std::unexpected(std::move(r.error()));
    if (bounded_above &&
        (!r->lower || compare_for_ecosystem(eco, r->lower->parsed, previous_upper.parsed) < 0))
      return bad("ranges overlap");
    // Only a bounded end is checked against the next start, as Maven does.
    bounded_above = r->upper != nullptr;
    if (bounded_above) previous_upper = *r->upper;
    out.alternatives.push_back(std::move(r->bounds));
    rest = java_trim(rest.substr(end + 1));
    if (rest.starts_with(',')) rest = java_trim(rest.substr(1));
  }
  if (!rest.empty()) {
    if (!out.alternatives.empty()) return bad("text after the ranges is not a range");
    // A recommendation, which Maven reads whatever it holds: every version satisfies it.
    out.alternatives.emplace_back();
  }
  return out;
}

}  // namespace ombrel
