// NuGet version ranges as NuGet's documentation gives them: a bare version is a minimum,
// `[1.0]` exactly it, intervals in brackets (`[1.0,2.0)`, `(,1.0]`, `(1.0,)`), and floating
// versions (`*`, `1.*`, `1.0.*`, `1.0.0-*`, `1.0.*-*`, `*-*`). A pre-release between the bounds
// of an interval satisfies it, as VersionRange.Satisfies answers. A floating version stands
// for the versions restore floats over: `1.*` the 1.x releases, `1.0.*` the 1.0.x releases,
// and with `-*` their pre-releases too (`1.0.0-beta*` those whose label starts `beta`); in a
// bracket it is the lowest version it floats from.
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

// NuGet holds each number in an int.
constexpr std::uint64_t kMaxNumber = 2147483647;

// Dot-separated identifiers of [0-9A-Za-z-] from s[i]; where they end, or i when malformed.
std::size_t identifiers(std::string_view s, std::size_t i) {
  const std::size_t start = i;
  while (true) {
    std::size_t e = i;
    while (e < s.size() && (is_alnum(s[e]) || s[e] == '-')) ++e;
    if (e == i) return start;
    if (e == s.size() || s[e] != '.') return e;
    i = e + 1;
  }
}

// One to four numbers from s[0]; the count (0 when malformed) and where they end.
std::size_t numbers(std::string_view s, std::size_t& end) {
  std::size_t count = 0, i = 0;
  while (true) {
    const std::size_t n = digit_run(s, i);
    auto value = parse_u64(s.substr(i, n));
    if (!n || !value || *value > kMaxNumber || count == 4) return 0;
    ++count;
    i += n;
    if (i >= s.size() || s[i] != '.' || i + 1 >= s.size() || !is_digit(s[i + 1])) break;
    ++i;
  }
  end = i;
  return count;
}

// A NuGet version: numbers, `-label`, `+metadata`.
bool nuget_version(std::string_view v) {
  std::size_t i = 0;
  if (!numbers(v, i)) return false;
  for (char mark : {'-', '+'})
    if (i < v.size() && v[i] == mark) {
      const std::size_t e = identifiers(v, i + 1);
      if (e == i + 1) return false;
      i = e;
    }
  return i == v.size();
}

// The label of a version text (after the numbers' `-`, before `+`).
std::string_view label(std::string_view v) {
  v = v.substr(0, v.find('+'));
  const std::size_t dash = v.find('-');
  return dash == std::string_view::npos ? std::string_view() : v.substr(dash + 1);
}

// Whether the first `count` numbers of two version texts are equal (missing ones are 0).
bool same_numbers(std::string_view a, std::string_view b, std::size_t count) {
  const std::vector<std::string_view> x = leading_numbers(a), y = leading_numbers(b);
  auto value = [](const std::vector<std::string_view>& n, std::size_t i) {
    std::string_view d = i < n.size() ? n[i] : "0";
    while (d.size() > 1 && d.front() == '0') d.remove_prefix(1);
    return d;
  };
  for (std::size_t i = 0; i < count; ++i)
    if (value(x, i) != value(y, i)) return false;
  return true;
}

// A floating version: the first `Fixed` numbers of the bound fixed, pre-releases in when
// `Pre` (those whose label starts with the bound's label, when it has one).
// A version with a label is a pre-release to NuGet, whatever its words.
template <std::size_t Fixed, bool Pre>
bool floats_over(Ecosystem, const NativeComparator& c, std::string_view text, const ParsedRepr&) {
  text = trim(text);
  const std::string_view prefix = label(c.bound.text), own = label(text);
  const bool pre = !own.empty();
  if ((pre && !Pre) || !same_numbers(text, c.bound.text, Fixed)) return false;
  return !pre || (own.size() >= prefix.size() && iequals(own.substr(0, prefix.size()), ascii_lower(prefix)));
}

// From the lowest version floated over to `extra`, the first version past them (or, with all
// four numbers fixed, the release itself); every version when nothing is fixed. The VERS text
// keeps this span and drops the pre-release rule.
template <std::size_t Fixed>
VersionSet float_span(Ecosystem eco, const NativeComparator& c) {
  if (Fixed == 0) return VersionSet::all(eco);
  if (Fixed < 4) return half_open(eco, c.bound, c.extra);
  return VersionSet::build(eco, {c.bound, c.extra}, {{{0, true}, {1, true}}});
}

template <std::size_t Fixed, bool Pre>
constexpr NativeRule kFloat{&floats_over<Fixed, Pre>, &float_span<Fixed>};

constexpr const NativeRule* kFloats[2][5] = {
    {&kFloat<0, false>, &kFloat<1, false>, &kFloat<2, false>, &kFloat<3, false>, &kFloat<4, false>},
    {&kFloat<0, true>, &kFloat<1, true>, &kFloat<2, true>, &kFloat<3, true>, &kFloat<4, true>}};

struct Float {
  std::vector<std::string_view> nums;  // written before the star (all of them without one)
  std::size_t fixed = 0;               // numbers that must match
  bool prerelease = false;             // `-...*`
  std::string_view prefix;             // the label before the star, its dots dropped at the end
};

// `*`, `*-*`, `1.*`, `1.0.*-*`, `1.0.0-beta*`; nothing when not a floating version.
std::optional<Float> floating(std::string_view s) {
  Float f;
  const std::size_t dash = s.find('-');
  std::string_view head = s.substr(0, dash), tail;
  if (dash != std::string_view::npos) {
    tail = s.substr(dash + 1);
    if (!tail.ends_with('*')) return std::nullopt;
    f.prerelease = true;
    f.prefix = tail.substr(0, tail.size() - 1);
    if (f.prefix.ends_with('.')) f.prefix.remove_suffix(1);  // `1.0.0-rc.*`
  }
  bool star = false;
  for (std::string_view part : split_on(head, '.')) {
    if (star) return std::nullopt;
    if (part == "*") {
      star = true;
      continue;
    }
    auto value = parse_u64(part);
    if (!value || *value > kMaxNumber || f.nums.size() == 4) return std::nullopt;
    f.nums.push_back(part);
  }
  if (!star && !f.prerelease) return std::nullopt;
  if (f.nums.size() + star > 4 || (f.nums.empty() && (!star || !f.prefix.empty()))) return std::nullopt;
  f.fixed = star ? f.nums.size() : 4;
  // The label written must make a version.
  if (!f.prefix.empty() && identifiers(f.prefix, 0) != f.prefix.size()) return std::nullopt;
  return f;
}

// The lowest version a float stands for.
std::string float_floor(const Float& f) {
  std::string out;
  for (std::size_t i = 0; i < 3 || i < f.nums.size(); ++i) {
    if (i) out += '.';
    out += i < f.nums.size() ? f.nums[i] : std::string_view("0");
  }
  if (!f.prefix.empty()) out = message(out, "-", f.prefix);
  return out;
}

struct Reader {
  Ecosystem eco;
  std::string_view text;

  std::unexpected<std::string> bad(std::string_view what) const {
    return fail("invalid NuGet range '", text, "'; ", what);
  }

  std::expected<NativeComparator, std::string> bound(Op op, std::string_view version) const {
    if (!nuget_version(version)) return bad(message("invalid version '", version, "'"));
    return native_comparator(eco, op, version);
  }

  // A bare floating version: the versions it floats over.
  std::expected<NativeList, std::string> float_list(const Float& f) const {
    auto c = native_comparator(eco, Op::Ge, float_floor(f));
    if (!c) return std::unexpected(std::move(c.error()));
    c->rule = kFloats[f.prerelease][f.fixed];
    std::string end;
    if (f.fixed == 4) {
      end = float_floor(Float{f.nums, 4, false, {}});
    } else if (f.fixed) {
      end = bumped(f.nums, f.fixed, 3 > f.fixed ? 3 : f.fixed);
    } else {
      end = "0";
    }
    if (auto ok = c->extra.read(eco, end); !ok) return std::unexpected(std::move(ok.error()));
    return NativeList{std::move(*c)};
  }
};

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_nuget(Ecosystem eco,
                                                                std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  const Reader reader{eco, text};
  const std::string_view s = trim(text);
  if (s.empty()) return reader.bad("empty range");
  if (s.front() != '[' && s.front() != '(') {
    if (s == "*-*") {
      out.alternatives.emplace_back();  // every version
      return out;
    }
    if (s.find('*') != std::string_view::npos) {
      auto f = floating(s);
      if (!f) return reader.bad(message("invalid floating version '", s, "'"));
      auto list = reader.float_list(*f);
      if (!list) return std::unexpected(std::move(list.error()));
      out.alternatives.push_back(std::move(*list));
      return out;
    }
    auto c = reader.bound(Op::Ge, s);
    if (!c) return std::unexpected(std::move(c.error()));
    out.alternatives.push_back(NativeList{std::move(*c)});
    return out;
  }
  const bool low_closed = s.front() == '[';
  const char last = s.back();
  if (s.size() < 2 || (last != ']' && last != ')'))
    return reader.bad("a range in brackets ends with ']' or ')'");
  const bool high_closed = last == ']';
  const std::vector<std::string_view> parts = split_on(s.substr(1, s.size() - 2), ',');
  if (parts.size() > 2) return reader.bad("more than two bounds");
  const std::string_view low = trim(parts[0]), high = parts.size() == 2 ? trim(parts[1]) : low;
  if (low.empty() && high.empty()) return reader.bad("no bound");
  if (parts.size() == 1 && !(low_closed && high_closed))
    return reader.bad("a single version stands only in '[ ]'");
  NativeList list;
  if (!low.empty()) {
    std::string floor(low);
    if (low.find('*') != std::string_view::npos) {
      auto f = parts.size() == 2 ? floating(low) : std::nullopt;
      if (!f) return reader.bad(message("invalid floating version '", low, "'"));
      floor = float_floor(*f);
    }
    auto c = reader.bound(low_closed ? Op::Ge : Op::Gt, floor);
    if (!c) return std::unexpected(std::move(c.error()));
    list.push_back(std::move(*c));
  }
  if (!high.empty()) {
    if (high.find('*') != std::string_view::npos)
      return reader.bad(message("the upper bound cannot float: '", high, "'"));
    auto c = reader.bound(parts.size() == 1 ? Op::Eq : high_closed ? Op::Le : Op::Lt, high);
    if (!c) return std::unexpected(std::move(c.error()));
    if (!list.empty() && compare_for_ecosystem(eco, list[0].bound.parsed, c->bound.parsed) > 0)
      return reader.bad("the lower bound is above the upper bound");
    if (parts.size() == 1) list.clear();
    list.push_back(std::move(*c));
  }
  out.alternatives.push_back(std::move(list));
  return out;
}

}  // namespace ombrel
