// Composer constraints as its VersionParser reads them and Semver::satisfies decides them:
// `||` (or `|`) between alternatives, a space or a comma between the constraints of one, and
// each constraint rewritten into comparators on Composer's normal forms (`^1.2` into
// `>=1.2.0.0-dev <2.0.0.0-dev`, `<1.0` into `<1.0.0.0-dev`, ...), step by step as Composer's
// patterns rewrite it, so that the forms it reads loosely (`1.0 - 2.0`, `foo-dev`, flags,
// `#ref`s) are read the same. A named branch (`dev-main`) is only equal or unequal to a
// version, never above or below one; every other comparison is version_compare's.
#include <algorithm>
#include <array>
#include <utility>

#include "../message.hpp"
#include "../strategies/composer.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

// PCRE's \s, without Unicode.
constexpr bool pcre_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Where a pattern's `$` may stand: the end, or before a final newline.
bool at_end(std::string_view s, std::size_t i) {
  return i == s.size() || (i + 1 == s.size() && s[i] == '\n');
}

// The text without the final newline a `$` lets through.
std::string_view before_end(std::string_view s) {
  return s.ends_with('\n') ? s.substr(0, s.size() - 1) : s;
}

bool starts_with_i(std::string_view s, std::string_view lower) {
  return s.size() >= lower.size() && iequals(s.substr(0, lower.size()), lower);
}

// Composer's stability words (lower case, as `iequals` takes them) in the order its pattern
// tries them.
constexpr std::array<std::string_view, 9> kWords = {"stable", "beta", "b",     "rc", "alpha",
                                                    "a",      "patch", "pl", "p"};

// A version as Composer's constraint pattern reads it: up to four numbers, then either the
// suffix (`[._-]?` a stability word and its numbers, `[.-]?dev`) or `.x-dev`, then `+build`.
struct Written {
  std::array<std::string_view, 4> nums;  // empty when not written
  std::string_view word, dev, xdev;
  std::size_t count = 0;  // numbers written
};

// Up to `most` dot-separated numbers from s[i] into `w`; where they end.
std::size_t written_numbers(std::string_view s, std::size_t i, std::size_t most, Written& w) {
  for (; w.count < most; ++w.count) {
    const std::size_t start = i + (w.count > 0);
    if (w.count && (i >= s.size() || s[i] != '.')) break;
    const std::size_t n = digit_run(s, start);
    if (!n) break;
    w.nums[w.count] = s.substr(start, n);
    i = start + n;
  }
  return i;
}

// `(?:[.-]?\d+)*+` from r[i].
std::size_t stability_numbers(std::string_view r, std::size_t i) {
  while (true) {
    const std::size_t d = i + (i < r.size() && (r[i] == '.' || r[i] == '-'));
    const std::size_t n = digit_run(r, d);
    if (!n) return i;
    i = d + n;
  }
}

// `(?:\+[^\s]+)?$` from r[i].
bool build_then_end(std::string_view r, std::size_t i) {
  if (at_end(r, i)) return true;
  if (r[i] != '+' || i + 1 >= r.size() || pcre_space(r[i + 1])) return false;
  std::size_t e = i + 1;
  while (e < r.size() && !pcre_space(r[e])) ++e;
  return at_end(r, e);
}

// `[.-]?dev` (any case) at r[i]: its length, or 0.
std::size_t dev_at(std::string_view r, std::size_t i) {
  const std::size_t d = i + (i < r.size() && (r[i] == '.' || r[i] == '-'));
  if (starts_with_i(r.substr(d), "dev")) return d + 3 - i;
  return starts_with_i(r.substr(i), "dev") ? 3 : 0;
}

// The whole of `s` (a `$` allowing a final newline) as such a version, the groups as the
// pattern's first match takes them.
std::optional<Written> written(std::string_view s) {
  Written w;
  const std::size_t i = written_numbers(s, !s.empty() && (s[0] == 'v' || s[0] == 'V'), 4, w);
  if (!w.count) return std::nullopt;
  const std::string_view r = s.substr(i);
  for (const bool sep : {true, false}) {
    if (sep && (r.empty() || (r[0] != '.' && r[0] != '_' && r[0] != '-'))) continue;
    const std::size_t k = sep;
    for (std::size_t a = 0; a <= kWords.size(); ++a) {
      std::size_t j = k;
      std::string_view word;
      if (a < kWords.size()) {
        if (!starts_with_i(r.substr(k), kWords[a])) continue;
        word = r.substr(k, kWords[a].size());
        j = stability_numbers(r, k + word.size());
      }
      for (const bool with_dev : {true, false}) {
        const std::size_t d = with_dev ? dev_at(r, j) : 0;
        if (with_dev && !d) continue;
        if (build_then_end(r, j + d)) {
          w.word = word;
          w.dev = r.substr(j, d);
          return w;
        }
      }
    }
  }
  // `.x-dev`
  if (r.size() >= 2 && r[0] == '.' && (r[1] == 'x' || r[1] == 'X' || r[1] == '*')) {
    const std::size_t d = dev_at(r, 2);
    if (d && build_then_end(r, 2 + d)) {
      w.xdev = r.substr(1, 1 + d);
      return w;
    }
  }
  return std::nullopt;
}

// Composer's manipulateVersionString: the numbers up to `position` (1 to 4), the one there
// raised by one when `raise`, zeros after.
std::string four_numbers(const std::array<std::string_view, 4>& nums, std::size_t position,
                         bool raise) {
  std::string out;
  for (std::size_t i = 0; i < 4; ++i) {
    if (i) out += '.';
    if (i + 1 > position) out += '0';
    else if (i + 1 == position && raise) out += increment_decimal(nums[i]);
    else out += nums[i];
  }
  return out;
}

// `-` and Composer's suffix pattern, lower case, ending `s`: a bound written so keeps its
// pre-releases out (`<1.0-beta`), one without it is given `-dev` (`<1.0` is `<1.0.0.0-dev`).
bool ends_with_suffix(std::string_view s) {
  for (std::size_t at = s.find('-'); at != std::string_view::npos; at = s.find('-', at + 1)) {
    const std::string_view r = s.substr(at + 1);
    for (const bool sep : {true, false}) {
      if (sep && (r.empty() || (r[0] != '.' && r[0] != '_' && r[0] != '-'))) continue;
      for (std::size_t a = 0; a <= kWords.size(); ++a) {
        std::size_t j = sep;
        if (a < kWords.size()) {
          if (kWords[a] == "rc" || !r.substr(j).starts_with(kWords[a])) continue;
          j = stability_numbers(r, j + kWords[a].size());
        }
        const std::size_t d = j + (j < r.size() && (r[j] == '.' || r[j] == '-'));
        if (at_end(r, j) || (r.substr(d, 3) == "dev" && at_end(r, d + 3)) ||
            (r.substr(j, 3) == "dev" && at_end(r, j + 3)))
          return true;
      }
    }
  }
  return false;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = to_lower(c);
  return out;
}

// The word a `@flag` appends, as version_compare ranks it: only the spellings it knows keep
// their rank, any other reads as a word it does not know (as `STABLE` does here).
std::string_view flag_word(std::string_view flag) {
  for (std::string_view known : {"dev", "alpha", "beta", "RC", "rc"})
    if (flag == known) return flag;
  return "STABLE";
}

bool composer_test(Ecosystem eco, const NativeComparator& c, std::string_view text,
                   const ParsedRepr& version) {
  const bool bound_branch = c.bound.text.starts_with("dev-");
  const auto branch = composer_branch(text);
  if (!bound_branch && !branch)
    return op_holds(c.op, compare_for_ecosystem(eco, version, c.bound.parsed));
  const bool same = bound_branch && branch && *branch == std::string_view(c.bound.text).substr(4);
  return c.op == Op::Ne ? !same : c.op == Op::Eq && same;
}

// A branch above or below anything holds nothing.
VersionSet composer_nearest(Ecosystem eco, const NativeComparator& c) {
  if (c.bound.text.starts_with("dev-") && c.op != Op::Eq && c.op != Op::Ne) return VersionSet(eco);
  return native_interval(eco, c);
}

// Every comparator of Composer's: a branch in it compares only as equal or unequal.
constexpr NativeRule kComposerRule{&composer_test, &composer_nearest};

struct Reader {
  Ecosystem eco;
  std::string_view text;  // the caller's constraint, for messages

  std::unexpected<std::string> bad(std::string_view version) const {
    return fail("invalid Composer constraint '", text, "'; invalid version string '", version,
                "'");
  }

  // A bound: Composer's normal form of `version` (refused as Composer refuses it) and `add`
  // after it.
  std::expected<void, std::string> push(NativeList& list, Op op, std::string_view version,
                                        std::string_view add = {}) const {
    auto normal = composer_normal(version);
    if (!normal) return bad(version);
    return push_normal(list, op, *normal, add);
  }

  std::expected<void, std::string> push_normal(NativeList& list, Op op,
                                               const ComposerNormal& normal,
                                               std::string_view add) const {
    auto c = native_comparator(eco, op, add.empty() ? normal.text : message(normal.text, add));
    if (!c) return failure(c);
    c->rule = &kComposerRule;
    list.push_back(std::move(*c));
    return {};
  }

  // `~1.2` and `^1.2`: at least the version written (its pre-releases too when it names no
  // stability), below the one raised at `position`.
  std::expected<void, std::string> span(NativeList& list, std::string_view version,
                                        const Written& w, std::size_t position) const {
    const bool suffix = w.word.empty() && w.dev.empty() && w.xdev.empty();
    const std::string low = suffix ? message(version, "-dev") : std::string(version);
    if (auto ok = push(list, Op::Ge, low); !ok) return ok;
    return push(list, Op::Lt, message(four_numbers(w.nums, position, true), "-dev"));
  }

  // One constraint of an AND list; nothing pushed for one that holds every version.
  std::expected<void, std::string> constraint(NativeList& list, std::string_view c) const;
};

// `^([^,\s]++) ++as ++([^,\s]++)$`: the version before ` as `.
std::optional<std::string_view> alias_source(std::string_view c) {
  auto word = [&](std::size_t i) {
    std::size_t e = i;
    while (e < c.size() && c[e] != ',' && !pcre_space(c[e])) ++e;
    return e;
  };
  auto spaces = [&](std::size_t i) {
    while (i < c.size() && c[i] == ' ') ++i;
    return i;
  };
  const std::size_t a = word(0);
  if (a == 0) return std::nullopt;
  const std::size_t b = spaces(a);
  if (b == a || c.substr(b, 2) != "as") return std::nullopt;
  const std::size_t d = spaces(b + 2);
  if (d == b + 2) return std::nullopt;
  const std::size_t e = word(d);
  if (e == d || !at_end(c, e)) return std::nullopt;
  return c.substr(0, a);
}

// `^(dev-[^,\s@]+?|[^,\s@]+?\.x-dev)#.+$` (any case): the branch before the `#ref`.
std::optional<std::string_view> before_ref(std::string_view c) {
  const std::size_t newline = c.find('\n');
  auto ref_ok = [&](std::size_t hash) {
    return hash + 1 < c.size() && c[hash + 1] != '\n' &&
           (newline == std::string_view::npos || newline + 1 == c.size());
  };
  auto plain = [](char ch) { return ch != ',' && ch != '@' && !pcre_space(ch); };
  if (starts_with_i(c, "dev-"))
    for (std::size_t j = 4; j < c.size() && plain(c[j]); ++j)
      if (j > 4 && c[j] == '#') {
        if (ref_ok(j)) return c.substr(0, j);
        break;
      }
  for (std::size_t k = 1; k < c.size() && plain(c[k - 1]); ++k)
    if (starts_with_i(c.substr(k), ".x-dev") && c.substr(k + 6, 1) == "#" && ref_ok(k + 6))
      return c.substr(0, k + 6);
  return std::nullopt;
}

// `^(v)?[xX*](\.[xX*])*$` (any case): 0 when not, 1 for a lone `*`, 2 for the other spellings.
int wildcard(std::string_view c) {
  auto x = [](char ch) { return ch == 'x' || ch == 'X' || ch == '*'; };
  std::size_t i = !c.empty() && (c[0] == 'v' || c[0] == 'V');
  if (i >= c.size() || !x(c[i])) return 0;
  const bool more = i > 0 || (i + 1 < c.size() && c[i + 1] == '.');
  for (++i; i + 1 < c.size() && c[i] == '.' && x(c[i + 1]);) i += 2;
  return at_end(c, i) ? 1 + more : 0;
}

// `^v?(\d++)(?:\.(\d++))?(?:\.(\d++))?(?:\.[xX*])++$`: the numbers written before the stars.
std::optional<Written> xrange(std::string_view c) {
  Written w;
  std::size_t i = written_numbers(c, c.starts_with('v'), 3, w);
  if (!w.count) return std::nullopt;
  std::size_t stars = 0;
  while (i + 1 < c.size() && c[i] == '.' && (c[i + 1] == 'x' || c[i + 1] == 'X' || c[i + 1] == '*'))
    i += 2, ++stars;
  if (!stars || !at_end(c, i)) return std::nullopt;
  return w;
}

constexpr OpSpelling kComposerOps[] = {{"<>", Op::Ne}, {"!=", Op::Ne}, {">", Op::Gt},
                                       {">=", Op::Ge}, {"<", Op::Lt},  {"<=", Op::Le},
                                       {"=", Op::Eq},  {"==", Op::Eq}};

std::expected<void, std::string> Reader::constraint(NativeList& list, std::string_view c) const {
  if (auto source = alias_source(c)) c = *source;
  std::string_view flag;
  if (const std::size_t at = c.rfind('@'); at != std::string_view::npos) {
    const std::string_view word = before_end(c.substr(at + 1));
    bool plain = true;
    for (std::size_t i = 0; i < at; ++i) plain &= c[i] != ',' && !pcre_space(c[i]);
    for (std::string_view w : {"stable", "rc", "beta", "alpha", "dev"})
      if (plain && iequals(word, w)) {
        c = at ? c.substr(0, at) : "*";
        if (word != "stable") flag = word;
      }
  }
  if (auto branch = before_ref(c)) c = *branch;
  if (const int star = wildcard(c)) {
    if (star == 2) return push(list, Op::Ge, "0.0.0.0-dev");
    return {};
  }
  const std::string_view body = c.substr(std::min<std::size_t>(c.size(), c.starts_with("~>") ? 2 : 1));
  if ((c.starts_with('~') || c.starts_with('^')) && written(body)) {
    const Written w = *written(body);
    if (c.starts_with("~>"))
      return fail("invalid Composer constraint '", text, "'; invalid operator '~>', Composer's is '~'");
    std::size_t position = w.count;
    if (c[0] == '~') {
      position += !w.xdev.empty();
      return span(list, body, w, position > 1 ? position - 1 : 1);
    }
    position = w.nums[0] != "0" || w.count < 2 ? 1 : w.nums[1] != "0" || w.count < 3 ? 2 : 3;
    return span(list, body, w, position);
  }
  if (auto x = xrange(c)) {
    const std::string low = four_numbers(x->nums, x->count, false);
    if (low != "0.0.0.0")
      if (auto ok = push(list, Op::Ge, message(low, "-dev")); !ok) return ok;
    return push(list, Op::Lt, message(four_numbers(x->nums, x->count, true), "-dev"));
  }
  // `A - B`
  if (const std::size_t space = c.find(' '); space != std::string_view::npos) {
    std::size_t dash = space;
    while (dash < c.size() && c[dash] == ' ') ++dash;
    std::size_t to = dash + 1;
    while (to < c.size() && c[to] == ' ') ++to;
    const std::string_view from_text = c.substr(0, space), to_text = c.substr(std::min(to, c.size()));
    // The first version is followed by spaces, not by the end a final newline may stand for.
    auto from = from_text.ends_with('\n') ? std::nullopt : written(from_text);
    auto upto = dash < c.size() && c[dash] == '-' && to > dash + 1 ? written(to_text) : std::nullopt;
    if (from && upto) {
      auto low = composer_normal(from_text);
      if (!low) return bad(from_text);
      const bool suffix = from->word.empty() && from->dev.empty() && from->xdev.empty();
      if (auto ok = push_normal(list, Op::Ge, *low, suffix ? "-dev" : ""); !ok) return ok;
      if ((upto->count >= 3) || !upto->word.empty() || !upto->dev.empty() || !upto->xdev.empty())
        return push(list, Op::Le, before_end(to_text));
      if (!composer_normal(before_end(to_text))) return bad(before_end(to_text));
      return push(list, Op::Lt, message(four_numbers(upto->nums, upto->count < 2 ? 1 : 2, true), "-dev"));
    }
  }
  // An operator and a version.
  Op op = Op::Eq;
  const std::size_t n = read_op(c, kComposerOps, op);
  std::size_t v = n;
  while (v < c.size() && pcre_space(c[v])) ++v;
  std::string_view version = c.substr(v);
  version = version.substr(0, version.find('\n'));
  auto normal = composer_normal(version);
  if (!normal) {
    // `foo-dev` names the branch `dev-foo`.
    const bool name = std::ranges::all_of(version, [](char ch) {
      return is_alnum(ch) || ch == '-' || ch == '.' || ch == '/';
    });
    if (!version.ends_with("-dev") || !name) return bad(version);
    normal = ComposerNormal{true, false, message("dev-", version.substr(0, version.size() - 4))};
  }
  const std::string_view spelled = c.substr(0, n);
  if (op != Op::Eq && !flag.empty() && normal->stable)
    return push_normal(list, op, *normal, message("-", flag_word(flag)));
  if ((spelled == "<" || spelled == ">=") && !ends_with_suffix(lower(version)) &&
      !version.starts_with("dev-"))
    return push_normal(list, op, *normal, "-dev");
  return push_normal(list, op, *normal, "");
}

// The pieces of an alternative as Composer splits it into an AND list: at a space or a comma
// (spaces around it), not after an operator, a comma or `as`, not next to a `-`, not before a
// comma, `as` or the end.
std::vector<std::string_view> split_and(std::string_view s) {
  std::vector<std::string_view> out;
  auto spaces = [&](std::size_t i) {
    std::size_t e = i;
    while (e < s.size() && s[e] == ' ') ++e;
    return e - i;
  };
  // The end of a separator that starts at p, or 0.
  auto separator = [&](std::size_t p) -> std::size_t {
    if (p == 0) return 0;
    const char prev = s[p - 1];
    if (prev == '=' || prev == '>' || prev == '<' || prev == ' ' || prev == ',') return 0;
    if (p >= 2 && s.substr(p - 2, 2) == "as") return 0;
    const std::size_t lead = spaces(p);
    for (std::size_t s1 = lead + 1; s1-- > 0;) {
      const std::size_t q = p + s1;
      if (q >= s.size() || (s[q] != ' ' && s[q] != ',') || s[q - 1] == '-') continue;
      if (q + 1 < s.size() && s[q + 1] == '-') continue;
      for (std::size_t s2 = spaces(q + 1) + 1; s2-- > 0;) {
        const std::size_t e = q + 1 + s2;
        if (at_end(s, e) || s[e] == ',' || s.substr(e, 2) == "as") continue;
        return e;
      }
    }
    return 0;
  };
  std::size_t start = 0;
  for (std::size_t p = 1; p < s.size(); ++p)
    if (const std::size_t e = separator(p)) {
      out.push_back(s.substr(start, p - start));
      start = e;
      p = e - 1;
    }
  out.push_back(s.substr(start));
  return out;
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_composer(Ecosystem eco,
                                                                   std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  const Reader reader{eco, text};
  const std::string_view s = composer_trim(text);
  // Alternatives split on `|` or `||`, with the white space around them.
  std::size_t start = 0;
  while (true) {
    std::size_t bar = s.find('|', start), end = bar;
    if (bar == std::string_view::npos) end = s.size();
    while (end > start && pcre_space(s[end - 1])) --end;
    NativeList list;
    for (std::string_view piece : split_and(s.substr(start, end - start)))
      if (auto ok = reader.constraint(list, piece); !ok) return std::unexpected(std::move(ok.error()));
    out.alternatives.push_back(std::move(list));
    if (bar == std::string_view::npos) break;
    start = bar + 1 + (bar + 1 < s.size() && s[bar + 1] == '|');
    while (start < s.size() && pcre_space(s[start])) ++start;
  }
  return out;
}

}  // namespace ombrel
