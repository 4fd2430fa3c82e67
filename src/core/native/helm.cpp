// Helm's constraints as Masterminds/semver v3 reads them. Its steps are kept in their order,
// because each shows through: `A - B` ranges are rewritten to `>= A, <= B` over the whole text
// first (so a `||` a version's pattern swallows stays in it), the text is then split on `||`,
// and each alternative must be comparators separated by white space or a comma. A version
// written with fewer than three numbers or with an x (`1.2`, `1.x`, `*`) is "dirty": the
// numbers left out stand for any, each operator in its own way (`<=1.2` is below 1.3, `>1.2`
// from 1.3, but `^*` is 0.0.0 alone and `!=*` leaves out 0.0.0 only). A pre-release meets an
// alternative only when one of its comparators names a pre-release (v3.4's rule).
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "../message.hpp"
#include "../strategies/semver.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

// Go's \s.
bool go_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }
// A number of a constraint's version, as its pattern's class [0-9|x|X|\*] (`|` included).
bool num_char(char c) { return is_digit(c) || c == '|' || c == 'x' || c == 'X' || c == '*'; }
bool ident_char(char c) { return is_alnum(c) || c == '-'; }
bool op_char(char c) {
  return c == '=' || c == '!' || c == '<' || c == '>' || c == '~' || c == '^';
}
bool is_x(std::string_view n) { return n == "x" || n == "X" || n == "*"; }

std::size_t skip_go_space(std::string_view s, std::size_t i) {
  while (i < s.size() && go_space(s[i])) ++i;
  return i;
}

// A constraint's version split as the pattern splits it; absent parts are empty (a present
// one never is). `end` is where it stops.
struct Written {
  std::string_view major, minor, patch, pre;
  std::size_t end = 0;
};

// Dot-separated identifiers from s[i], greedily; the end of the last (i when none).
std::size_t idents_end(std::string_view s, std::size_t i) {
  std::size_t end = i;
  for (std::size_t k = i;;) {
    std::size_t e = k;
    while (e < s.size() && ident_char(s[e])) ++e;
    if (e == k) return end;
    end = e;
    if (e >= s.size() || s[e] != '.') return end;
    k = e + 1;
  }
}

std::size_t num_end(std::string_view s, std::size_t i) {
  while (i < s.size() && num_char(s[i])) ++i;
  return i;
}

// The version at s[i], as long as the pattern takes it; nothing without a first number.
std::optional<Written> written_at(std::string_view s, std::size_t i) {
  Written w;
  std::size_t k = i < s.size() && s[i] == 'v' ? i + 1 : i;
  std::size_t e = num_end(s, k);
  if (e == k) return std::nullopt;
  w.major = s.substr(k, e - k);
  k = e;
  for (std::string_view* part : {&w.minor, &w.patch}) {
    if (k >= s.size() || s[k] != '.' || (e = num_end(s, k + 1)) == k + 1) break;
    *part = s.substr(k + 1, e - k - 1);
    k = e;
  }
  if (k < s.size() && s[k] == '-' && (e = idents_end(s, k + 1)) > k + 1) {
    w.pre = s.substr(k + 1, e - k - 1);
    k = e;
  }
  if (k < s.size() && s[k] == '+' && (e = idents_end(s, k + 1)) > k + 1) k = e;
  w.end = k;
  return w;
}

// Whether some version fully spans word[r, size) for an r of the word, and the first such r.
// Each try reads its numbers afresh (a number run is read by at most three tries), and the
// pre-release and build that follow are judged from tables made once, so a long word costs
// linear time.
std::optional<std::size_t> first_spanning(std::string_view word) {
  const std::size_t n = word.size();
  // bad[i]: the first j >= i where identifiers stop being well formed (a character outside
  // them or an empty one); plus[i]: the first '+' at or after i.
  std::vector<std::size_t> bad(n + 1, n), plus(n + 1, n);
  for (std::size_t i = n; i-- > 0;) {
    const char c = word[i];
    const bool breaks = (!ident_char(c) && c != '.') || (c == '.' && i + 1 < n && word[i + 1] == '.');
    bad[i] = breaks ? i : bad[i + 1];
    plus[i] = c == '+' ? i : plus[i + 1];
  }
  auto idents = [&](std::size_t b, std::size_t e) {
    return b < e && word[b] != '.' && word[e - 1] != '.' && bad[b] >= e;
  };
  auto rest = [&](std::size_t t) {  // `(-ids)?(+ids)?` up to the end
    if (t == n) return true;
    if (word[t] == '+') return idents(t + 1, n);
    if (word[t] != '-') return false;
    const std::size_t e = plus[t + 1];
    return idents(t + 1, e) && (e == n || idents(e + 1, n));
  };
  for (std::size_t r = 0; r < n; ++r) {
    // A try from inside a number run, or just after a `v` before one, ends as the try from
    // that run's start did.
    if (r > 0 && (num_char(word[r - 1]) || word[r - 1] == 'v') && num_char(word[r])) continue;
    std::size_t k = word[r] == 'v' ? r + 1 : r;
    std::size_t e = num_end(word, k);
    if (e == k) continue;
    for (int part = 0; part < 2 && e < n && word[e] == '.'; ++part) {
      const std::size_t f = num_end(word, e + 1);
      if (f == e + 1) break;
      e = f;
    }
    if (rest(e)) return r;
  }
  return std::nullopt;
}

// Every `A - B` rewritten to `>= A, <= B` at the place the pattern \s*A\s+-\s+B\s* finds it,
// leftmost first. A match needs a dash between white space; the version before it must span
// the whole word before that white space. The white space around the match goes with it (so
// `1 - 2 3` reads `<= 23`).
std::string rewrite_ranges(std::string_view s) {
  std::string out;
  std::size_t from = 0, copied = 0;
  for (std::size_t d = s.find('-'); d != std::string_view::npos; d = s.find('-', d + 1)) {
    if (d < from || d == 0 || d + 1 >= s.size() || !go_space(s[d - 1]) || !go_space(s[d + 1]))
      continue;
    std::size_t w_end = d;
    while (w_end > from && go_space(s[w_end - 1])) --w_end;
    std::size_t w_start = w_end;
    while (w_start > from && !go_space(s[w_start - 1])) --w_start;
    if (w_start == w_end) continue;
    const std::size_t b = skip_go_space(s, d + 1);
    const auto upper = written_at(s, b);
    if (!upper) continue;
    const auto r = first_spanning(s.substr(w_start, w_end - w_start));
    if (!r) continue;
    std::size_t start = w_start + *r;
    if (*r == 0)
      while (start > from && go_space(s[start - 1])) --start;
    out.append(s.substr(copied, start - copied));
    out += message(">= ", s.substr(w_start + *r, w_end - w_start - *r), ", <= ",
                   s.substr(b, upper->end - b));
    from = copied = skip_go_space(s, upper->end);
    d = from == 0 ? 0 : from - 1;
  }
  out.append(s.substr(copied));
  return out;
}

enum class HelmOp : std::uint8_t { Equal, Ne, Gt, Lt, Ge, Le, Tilde, Caret };

struct HelmOpSpelling {
  std::string_view text;
  HelmOp op;
};

constexpr HelmOpSpelling kHelmOps[] = {
    {"", HelmOp::Equal}, {"=", HelmOp::Equal}, {"!=", HelmOp::Ne},    {">", HelmOp::Gt},
    {"<", HelmOp::Lt},   {">=", HelmOp::Ge},   {"=>", HelmOp::Ge},    {"<=", HelmOp::Le},
    {"=<", HelmOp::Le},  {"~", HelmOp::Tilde}, {"~>", HelmOp::Tilde}, {"^", HelmOp::Caret}};

// Which numbers a version leaves out: none, the patch, minor and patch, or all (an x major).
enum class Dirty : std::uint8_t { None, Patch, Minor, All };

const StrictSemver& semver_of(const ParsedRepr& p) { return std::get<StrictSemver>(p); }

// `!=` on a version without its minor: every version of another major.
bool other_major(Ecosystem, const NativeComparator& c, std::string_view, const ParsedRepr& v) {
  return semver_of(v).major != semver_of(c.bound.parsed).major;
}
// `!=` on a version without its patch: leaves out its major.minor's versions whose pre-release
// (none or one) is the bound's.
bool other_minor(Ecosystem, const NativeComparator& c, std::string_view, const ParsedRepr& v) {
  const StrictSemver &a = semver_of(v), &b = semver_of(c.bound.parsed);
  return a.major != b.major || a.minor != b.minor || a.prerelease != b.prerelease;
}
// Both as sets: outside the bound's release span (from the bound to `extra`, open).
VersionSet outside(Ecosystem eco, const NativeComparator& c) {
  using End = VersionSet::End;
  std::vector<SetVersion> versions{c.bound};
  std::vector<VersionSet::Span> spans{{{}, End{0, false}}};
  if (!c.extra.text.empty()) {
    versions.push_back(c.extra);
    spans.push_back({End{1, true}, {}});
  }
  return VersionSet::build(eco, std::move(versions), std::move(spans));
}
// A bound with a pre-release leaves out only pre-releases: every release is in.
VersionSet outside_minor(Ecosystem eco, const NativeComparator& c) {
  return semver_of(c.bound.parsed).prerelease ? VersionSet::all(eco) : outside(eco, c);
}
constexpr NativeRule kOtherMajor{other_major, outside};
constexpr NativeRule kOtherMinor{other_minor, outside_minor};

// `n` + 1; nothing past u64, where no version reaches.
std::optional<std::string> next_number(std::string_view n) {
  const auto v = parse_u64(n);
  if (!v || *v == UINT64_MAX) return std::nullopt;
  return std::to_string(*v + 1);
}

std::string_view no_leading_zeros(std::string_view n) {
  while (n.size() > 1 && n.front() == '0') n.remove_prefix(1);
  return n;
}

// The comparators of one `op version`, appended to `list`.
std::expected<void, std::string> expand(Ecosystem eco, NativeList& list, HelmOp op,
                                        const Written& w, auto&& bad) {
  Dirty dirty = Dirty::None;
  if (is_x(w.major)) dirty = Dirty::All;
  else if (w.minor.empty() || is_x(w.minor)) dirty = Dirty::Minor;
  else if (w.patch.empty() || is_x(w.patch)) dirty = Dirty::Patch;
  const std::string_view M = dirty == Dirty::All ? "0" : no_leading_zeros(w.major);
  const std::string_view m = dirty <= Dirty::Patch ? no_leading_zeros(w.minor) : "0";
  const std::string_view p = dirty == Dirty::None ? no_leading_zeros(w.patch) : "0";
  for (std::string_view n : {M, m, p})
    if (!parse_u64(n)) return bad();
  const std::string release = message(M, ".", m, ".", p);
  const std::string bound = w.pre.empty() ? release : message(release, "-", w.pre);
  const auto next_M = next_number(M), next_m = next_number(m), next_p = next_number(p);
  const std::optional<std::string> past_major =
      next_M ? std::optional(message(*next_M, ".0.0")) : std::nullopt;
  const std::optional<std::string> past_minor =
      next_m ? std::optional(message(M, ".", *next_m, ".0")) : std::nullopt;
  const std::size_t first = list.size();
  auto plain = [&](Op o) { return push_comparator(eco, list, o, bound); };
  // Below the first pre-release of `release` (every version past u64 aside: none is).
  auto below = [&](const std::optional<std::string>& past) -> std::expected<void, std::string> {
    if (!past) return {};
    auto c = first_prerelease_edge(eco, Op::Lt, *past);
    if (!c) return failure(c);
    list.push_back(std::move(*c));
    return {};
  };
  auto at_least = [&](const std::optional<std::string>& past) -> std::expected<void, std::string> {
    auto c = first_prerelease_edge(eco, past ? Op::Ge : Op::Lt, past ? *past : "0.0.0");
    if (!c) return failure(c);
    list.push_back(std::move(*c));
    return {};
  };
  auto span = [&](const std::optional<std::string>& past) -> std::expected<void, std::string> {
    if (auto ok = plain(Op::Ge); !ok) return ok;
    return below(past);
  };
  std::expected<void, std::string> ok;
  switch (op) {
    case HelmOp::Equal:
      ok = dirty == Dirty::None ? plain(Op::Eq)
           : dirty == Dirty::All ? plain(Op::Ge)
           : span(dirty == Dirty::Minor ? past_major : past_minor);
      break;
    case HelmOp::Tilde:
      // `~0.0.0` and `~*` hold every version from the bound on.
      ok = dirty == Dirty::All || (dirty == Dirty::None && M == "0" && m == "0" && p == "0")
               ? plain(Op::Ge)
               : span(dirty == Dirty::Minor ? past_major : past_minor);
      break;
    case HelmOp::Caret:
      if (M != "0" || dirty == Dirty::Minor) ok = span(past_major);
      else if (m != "0" || dirty == Dirty::Patch) ok = span(past_minor);
      else ok = span(next_p ? std::optional(message("0.0.", *next_p)) : std::nullopt);
      break;
    case HelmOp::Gt:
      ok = dirty == Dirty::Minor   ? at_least(past_major)
           : dirty == Dirty::Patch ? at_least(past_minor)
                                   : plain(Op::Gt);
      break;
    case HelmOp::Le:
      ok = dirty == Dirty::Minor   ? below(past_major)
           : dirty == Dirty::Patch ? below(past_minor)
           : dirty == Dirty::All   ? below(std::string("0.1.0"))
                                   : plain(Op::Le);
      break;
    case HelmOp::Lt: ok = plain(Op::Lt); break;
    case HelmOp::Ge: ok = plain(Op::Ge); break;
    case HelmOp::Ne: {
      if (dirty != Dirty::Minor && dirty != Dirty::Patch) {
        ok = plain(Op::Ne);
        break;
      }
      auto c = native_comparator(eco, Op::Ne, bound);
      if (!c) return failure(c);
      c->rule = dirty == Dirty::Minor ? &kOtherMajor : &kOtherMinor;
      const auto& past = dirty == Dirty::Minor ? past_major : past_minor;
      if (past)
        if (auto read = c->extra.read(eco, *past); !read) return read;
      list.push_back(std::move(*c));
      break;
    }
  }
  if (!ok) return ok;
  // A pre-release in the version written lets pre-releases into the alternative, whatever
  // the comparators' own bounds are.
  for (std::size_t i = first; i < list.size(); ++i) list[i].names_prerelease = !w.pre.empty();
  return {};
}

// One alternative: `op version` items separated by white space or a comma.
std::expected<NativeList, std::string> read_alternative(Ecosystem eco, std::string_view text,
                                                        std::string_view part) {
  auto improper = [&] {
    return fail("invalid Helm constraint '", text, "'; improper constraint '", trim_ascii(part),
                "'");
  };
  NativeList list;
  // One comparator per operator and version: repeating one changes nothing, and a text that
  // repeats one a million times stays small.
  std::unordered_set<std::string> seen;
  std::size_t i = skip_go_space(part, 0);
  for (bool first = true;; first = false) {
    if (!first) {
      const std::size_t after = skip_go_space(part, i);
      if (after == part.size()) break;
      if (part[after] == ',') i = skip_go_space(part, after + 1);
      else if (after > i) i = after;
      else return improper();
    }
    std::size_t e = i;
    while (e < part.size() && op_char(part[e])) ++e;
    const std::string_view op_text = part.substr(i, e - i);
    const HelmOpSpelling* spelling = nullptr;
    for (const HelmOpSpelling& o : kHelmOps)
      if (o.text == op_text) spelling = &o;
    if (!spelling) return improper();
    i = skip_go_space(part, e);
    const auto w = written_at(part, i);
    if (!w || (w->end < part.size() && !go_space(part[w->end]) && part[w->end] != ',')) return improper();
    const std::string_view item = part.substr(i, w->end - i);
    i = w->end;
    auto bad = [&] {
      return fail("invalid Helm constraint '", text, "'; invalid version '", item, "'");
    };
    if (!seen.insert(message(char('0' + int(spelling->op)), item)).second) continue;
    if (auto ok = expand(eco, list, spelling->op, *w, bad); !ok) return std::unexpected(ok.error());
  }
  return list;
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_helm(Ecosystem eco,
                                                               std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::AnyNamed, .alternatives = {}};
  const std::string rewritten = rewrite_ranges(text);
  const std::string_view s = rewritten;
  for (std::size_t start = 0;;) {
    const std::size_t bars = s.find("||", start);
    auto list = read_alternative(eco, text, s.substr(start, bars - start));
    if (!list) return std::unexpected(std::move(list.error()));
    out.alternatives.push_back(std::move(*list));
    if (bars == std::string_view::npos) break;
    start = bars + 2;
  }
  return out;
}

}  // namespace ombrel
