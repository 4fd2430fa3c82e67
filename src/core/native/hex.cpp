// Elixir's version requirements (`Version.match?`, mix.exs and Hex): comparators joined by
// `and` and `or` (`and` binding tighter), a bare version meaning `==`. `~> 1.2` is >= 1.2.0
// and below 2.0.0 and its pre-releases, `~> 1.2.3` below 1.3.0 likewise; otherwise
// pre-releases are ordered like any version.
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

constexpr OpSpelling kHexOps[] = {{"==", Op::Eq}, {"!=", Op::Ne}, {">", Op::Gt},
                                  {">=", Op::Ge}, {"<", Op::Lt},  {"<=", Op::Le},
                                  {"~>", Op::Ge}};

// The pieces of an Elixir requirement between white space.
std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    std::size_t e = i;
    while (e < s.size() && !(s[e] == ' ' || (s[e] >= '\t' && s[e] <= '\r'))) ++e;
    if (e > i) out.push_back(s.substr(i, e - i));
    i = e;
  }
  return out;
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_hex(Ecosystem eco,
                                                              std::string_view text) {
  auto bad = [&] { return fail("invalid hex range '", text, "'; invalid requirement"); };
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  NativeList list;
  const std::vector<std::string_view> ws = words(text);
  // Each comparator is an operator (glued to its version or not) and a version; `and` and
  // `or` stand between comparators only.
  bool want_comparator = true;
  for (std::size_t i = 0; i < ws.size(); ++i) {
    std::string_view w = ws[i];
    if (!want_comparator) {
      if (w == "or") out.alternatives.push_back(std::move(list)), list.clear();
      else if (w != "and") return bad();
      want_comparator = true;
      continue;
    }
    Op op = Op::Eq;
    const std::size_t n = read_op(w, kHexOps, op);
    const bool twiddle = w.starts_with("~>");
    std::string_view version = w.substr(n);
    if (n && version.empty()) {
      if (++i == ws.size()) return bad();
      version = ws[i];
    }
    const std::vector<std::string_view> nums = leading_numbers(version);
    if (!is_digit(version.empty() ? 'x' : version[0])) return bad();
    const std::size_t two = nums.size() == 2 ? nums[0].size() + nums[1].size() + 1 : 0;
    if (twiddle && two && (two == version.size() || version[two] == '-' || version[two] == '+')) {
      // `~> 1.2`: the minor version may grow; a tag stays on the lower end.
      const std::string low = message(version.substr(0, two), ".0", version.substr(two));
      if (auto ok = push_comparator(eco, list, Op::Ge, low); !ok) return failure(ok);
      if (auto ok = push_comparator(eco, list, Op::Lt, bumped(nums, 1, 3) + "-0"); !ok)
        return failure(ok);
    } else {
      if (auto ok = push_comparator(eco, list, op, version); !ok) return failure(ok);
      if (twiddle && nums.size() >= 3)
        if (auto ok = push_comparator(eco, list, Op::Lt, bumped(nums, 2, 3) + "-0"); !ok)
          return failure(ok);
    }
    want_comparator = false;
  }
  if (want_comparator) return bad();
  out.alternatives.push_back(std::move(list));
  return out;
}

}  // namespace ombrel
