// Gem requirements as Gem::Requirement reads them: comma-separated `op version` pieces (the
// list a Gemfile or gemspec passes), every one of which must hold; no operator means `=`.
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

constexpr OpSpelling kRubyOps[] = {{"=", Op::Eq},  {"!=", Op::Ne}, {">", Op::Gt}, {">=", Op::Ge},
                                   {"<", Op::Lt},  {"<=", Op::Le}, {"~>", Op::Ge}};

// Gem::Version's pattern: [0-9]+(\.[0-9a-zA-Z]+)*(-[0-9A-Za-z-]+(\.[0-9A-Za-z-]+)*)?
bool gem_version(std::string_view v) {
  std::size_t i = digit_run(v, 0);
  if (!i) return false;
  while (i < v.size() && v[i] == '.') {
    std::size_t e = i + 1;
    while (e < v.size() && is_alnum(v[e])) ++e;
    if (e == i + 1) return false;
    i = e;
  }
  if (i == v.size()) return true;
  if (v[i] != '-') return false;
  do {
    std::size_t e = ++i;
    while (e < v.size() && (is_alnum(v[e]) || v[e] == '-')) ++e;
    if (e == i) return false;
    i = e;
  } while (i < v.size() && v[i] == '.');
  return i == v.size();
}

// Gem::Version#release: the numbers before the first run of letters ("2.1.0.a" is 2.1.0).
std::string_view release_part(std::string_view v) {
  for (std::size_t i = 0; i < v.size(); ++i)
    if (is_alpha(v[i])) {
      std::size_t e = i;
      while (e > 0 && !is_digit(v[e - 1])) --e;
      return v.substr(0, e);
    }
  return v;
}

// `~> 2.0.8`: at least 2.0.8, and a release (pre-release tags dropped) below 2.1, so that
// 2.1.a stays out though it orders before 2.1.
bool twiddle_test(Ecosystem eco, const NativeComparator& c, std::string_view text,
                  const ParsedRepr& version) {
  if (compare_for_ecosystem(eco, version, c.bound.parsed) < 0) return false;
  const std::string_view release = release_part(text);
  if (release.size() == text.size())
    return compare_for_ecosystem(eco, version, c.extra.parsed) < 0;
  auto parsed = parse_for_ecosystem(eco, release);
  return parsed && compare_for_ecosystem(eco, *parsed, c.extra.parsed) < 0;
}

VersionSet twiddle_nearest(Ecosystem eco, const NativeComparator& c) {
  return half_open(eco, c.bound, c.extra);
}

constexpr NativeRule kTwiddle{&twiddle_test, &twiddle_nearest};

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_ruby(Ecosystem eco,
                                                               std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  NativeList list;
  for (std::string_view piece : split_on(text, ',')) {
    std::string_view s = trim_ascii(piece);
    Op op = Op::Eq;
    const std::size_t n = read_op(s, kRubyOps, op);
    const bool twiddle = s.starts_with("~>");
    const std::string_view version = trim_ascii(s.substr(n));
    if (!gem_version(version))
      return fail("invalid ruby range '", text, "'; ill-formed requirement '", piece, "'");
    auto c = native_comparator(eco, op, version);
    if (!c) return failure(c);
    if (twiddle) {
      // Gem::Version#bump: the release's numbers, the last one dropped (unless alone) and
      // the one before it raised.
      const std::vector<std::string_view> nums = leading_numbers(release_part(version));
      const std::size_t keep = nums.size() > 1 ? nums.size() - 1 : 1;
      if (auto ok = c->extra.read(eco, bumped(nums, keep, keep)); !ok) return failure(ok);
      c->rule = &kTwiddle;
    }
    list.push_back(std::move(*c));
  }
  out.alternatives.push_back(std::move(list));
  return out;
}

}  // namespace ombrel
