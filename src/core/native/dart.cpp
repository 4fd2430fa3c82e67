// pub's version constraints (pubspec.yaml): `any`, a caret `^1.2.3`, an exact version, or
// comparisons separated by white space, all of which must hold. A range whose upper end is
// `<V` leaves out V's pre-releases unless its lower end is one of them, as pub reads it.
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

constexpr OpSpelling kDartOps[] = {{">", Op::Gt}, {">=", Op::Ge}, {"<", Op::Lt}, {"<=", Op::Le}};

bool dart_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The version text at s[i]: up to the next white space or operator.
std::size_t version_end(std::string_view s, std::size_t i) {
  while (i < s.size() && !dart_space(s[i]) && s[i] != '<' && s[i] != '>') ++i;
  return i;
}

// The version that ends a caret: the first non-zero of the three numbers raised.
std::string caret_end(std::string_view version) {
  const std::vector<std::string_view> nums = leading_numbers(version);
  std::size_t keep = nums.size();
  for (std::size_t k = 0; k < nums.size(); ++k)
    if (nums[k] != "0") {
      keep = k + 1;
      break;
    }
  return bumped(nums, keep, 3) + "-0";
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_dart(Ecosystem eco,
                                                               std::string_view text) {
  auto bad = [&](std::string_view what) {
    return fail("invalid dart range '", text, "'; ", what);
  };
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  NativeList list;
  const std::string_view s = trim_ascii(text);
  if (s == "any") {
    out.alternatives.push_back(std::move(list));
    return out;
  }
  if (s.empty()) return bad("empty constraint");
  if (s.starts_with('^')) {
    const std::string_view version = s.substr(1);
    if (version.empty() || !is_digit(version[0])) return bad("expected a version after ^");
    if (auto ok = push_comparator(eco, list, Op::Ge, version); !ok) return failure(ok);
    if (auto ok = push_comparator(eco, list, Op::Lt, caret_end(version)); !ok)
      return failure(ok);
    out.alternatives.push_back(std::move(list));
    return out;
  }
  std::size_t i = 0;
  while (i < s.size()) {
    Op op = Op::Eq;
    const std::size_t n = read_op(s.substr(i), kDartOps, op);
    if (!n && i) return bad("a version stands only alone");
    i += n;
    while (n && i < s.size() && dart_space(s[i])) ++i;
    const std::size_t e = version_end(s, i);
    if (e == i) return bad("expected a version");
    if (auto ok = push_comparator(eco, list, op, s.substr(i, e - i)); !ok) return failure(ok);
    i = e;
    while (i < s.size() && dart_space(s[i])) ++i;
    if (!n && i < s.size()) return bad("a version stands only alone");
  }
  // `<2.0.0` leaves out 2.0.0's pre-releases unless the range starts at one of them.
  for (NativeComparator& c : list) {
    if (c.op != Op::Lt || c.names_prerelease || c.bound.text.find('+') != std::string::npos)
      continue;
    bool from_pre = false;
    const std::vector<std::string_view> upper = leading_numbers(c.bound.text);
    for (const NativeComparator& o : list)
      if ((o.op == Op::Gt || o.op == Op::Ge) && o.names_prerelease &&
          leading_numbers(o.bound.text) == upper)
        from_pre = true;
    if (!from_pre) {
      auto moved = native_comparator(eco, Op::Lt, c.bound.text + "-0");
      if (!moved) return failure(moved);
      c = std::move(*moved);
    }
  }
  out.alternatives.push_back(std::move(list));
  return out;
}

}  // namespace ombrel
