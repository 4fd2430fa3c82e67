// The version part of conda's match specifications: comparators (`==`, `!=`, `<`, `<=`, `>`,
// `>=`, `~=`, `=1.2` for the versions 1.2 begins), `1.2.*` and a bare `1.2` for the same, `*`
// for any, joined by `,` (AND) and `|` (OR, binding looser) with parentheses, read as conda's
// VersionSpec reads them. A prefix holds the versions whose components begin with the
// bound's, compared as conda compares components (1.2 holds 1.2.0 and 1.2.5, not 1.20 or 1.2a).
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

bool is_operator(char c) { return c == '=' || c == '<' || c == '>' || c == '!' || c == '~'; }
bool is_joiner(char c) { return c == ',' || c == '|' || c == '(' || c == ')'; }
// conda's version characters (its check is on the lower-cased text, `-` read as `_`).
bool version_char(char c) {
  return is_alnum(c) || c == '.' || c == '+' || c == '!' || c == '_' || c == '-';
}
bool separator(char c) { return c == '.' || c == '_' || c == '-'; }

// One component of a conda version, read as alternating runs of digits and of other
// characters, a 0 before a leading non-digit run (conda's `1.a` is `1.0a`).
class Runs {
 public:
  explicit Runs(std::string_view c) : s_(c), lead_zero_(!c.empty() && !is_digit(c[0])) {}
  // The next run, or nothing when the component is done (a missing run reads as 0).
  std::optional<std::string_view> next() {
    if (lead_zero_) {
      lead_zero_ = false;
      return std::string_view("0");
    }
    if (i_ >= s_.size()) return std::nullopt;
    const bool digits = is_digit(s_[i_]);
    std::size_t e = i_;
    while (e < s_.size() && is_digit(s_[e]) == digits) ++e;
    const std::string_view run = s_.substr(i_, e - i_);
    i_ = e;
    return run;
  }

 private:
  std::string_view s_;
  bool lead_zero_;
  std::size_t i_ = 0;
};

std::string_view strip_zeros(std::string_view n) {
  while (n.size() > 1 && n.front() == '0') n.remove_prefix(1);
  return n;
}

bool same_run(std::string_view a, std::string_view b) {
  if (is_digit(a[0]) != is_digit(b[0])) return false;
  if (is_digit(a[0])) return strip_zeros(a) == strip_zeros(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (to_lower(a[i]) != to_lower(b[i])) return false;
  return true;
}

bool same_component(std::string_view a, std::string_view b) {
  Runs ra(a), rb(b);
  while (true) {
    const auto x = ra.next(), y = rb.next();
    if (!x && !y) return true;
    if (!same_run(x ? *x : "0", y ? *y : "0")) return false;
  }
}

// The next component of `s` from `i` (empty past the end, which compares as 0).
std::string_view component(std::string_view s, std::size_t& i) {
  if (i > s.size()) return "0";
  std::size_t e = i;
  while (e < s.size() && !separator(s[e])) ++e;
  const std::string_view c = s.substr(i, e - i);
  i = e + 1;
  return c.empty() ? "0" : c;
}

struct CondaText {
  std::string_view epoch = "0", release, local;
};

CondaText split_conda(std::string_view s) {
  CondaText t;
  if (const std::size_t bang = s.find('!'); bang != std::string_view::npos) {
    t.epoch = s.substr(0, bang);
    s.remove_prefix(bang + 1);
  }
  if (const std::size_t plus = s.find('+'); plus != std::string_view::npos) {
    t.local = s.substr(plus + 1);
    s = s.substr(0, plus);
  }
  t.release = s;
  return t;
}

// Whether `prefix`'s components begin `text`'s, as conda's startswith: the release alone
// unless the prefix has a local part (then the releases are equal and the local parts begin).
bool components_begin(std::string_view text, std::string_view prefix, bool whole) {
  std::size_t i = 0, k = 0;
  while (k <= prefix.size()) {
    if (!same_component(component(text, i), component(prefix, k))) return false;
  }
  while (whole && i <= text.size())
    if (!same_component(component(text, i), "0")) return false;
  return true;
}

bool conda_startswith(std::string_view version, std::string_view prefix) {
  const CondaText v = split_conda(trim(version)), p = split_conda(prefix);
  if (strip_zeros(v.epoch) != strip_zeros(p.epoch)) return false;
  if (p.local.empty()) return components_begin(v.release, p.release, false);
  return components_begin(v.release, p.release, true) &&
         components_begin(p.release, v.release, true) && components_begin(v.local, p.local, false);
}

bool starts(Ecosystem, const NativeComparator& c, std::string_view text, const ParsedRepr&) {
  return conda_startswith(text, c.bound.text) == (c.op == Op::Eq);
}
VersionSet starts_nearest(Ecosystem eco, const NativeComparator& c) {
  using End = VersionSet::End;
  if (c.op == Op::Eq) return prefix_set(eco, c, true);
  std::vector<SetVersion> versions{c.bound};
  std::vector<VersionSet::Span> spans{{{}, End{0, false}}};
  if (c.extra.text.empty()) {
    spans.push_back({End{0, false}, {}});
  } else {
    versions.push_back(c.extra);
    spans.push_back({End{1, true}, {}});
  }
  return VersionSet::build(eco, std::move(versions), std::move(spans));
}
// Eq: the versions the bound begins; Ne: the others.
constexpr NativeRule kStartsWith{starts, starts_nearest};

enum class CondaOp : std::uint8_t { Eq, Ne, Lt, Le, Gt, Ge, Starts, NotStarts, Compatible };

struct CondaOpSpelling {
  std::string_view text;
  CondaOp op;
};

constexpr CondaOpSpelling kCondaOps[] = {
    {"==", CondaOp::Eq}, {"!=", CondaOp::Ne}, {"<", CondaOp::Lt},  {"<=", CondaOp::Le},
    {">", CondaOp::Gt},  {">=", CondaOp::Ge}, {"=", CondaOp::Starts}, {"~=", CondaOp::Compatible}};

// One comparator's pieces, appended to `list`; `bad` words a refusal.
std::expected<void, std::string> read_item(Ecosystem eco, std::string_view item, NativeList& list,
                                           auto&& bad) {
  if (item == "*") return {};
  if (item.starts_with('^') || item.ends_with('$'))
    return bad(message("'", item, "' is a regular expression, which is not read"));
  std::size_t n = 0;
  while (n < item.size() && is_operator(item[n])) ++n;
  CondaOp op = CondaOp::Starts;
  if (n) {
    const std::string_view spelled = item.substr(0, n);
    const CondaOpSpelling* found = nullptr;
    for (const CondaOpSpelling& o : kCondaOps)
      if (o.text == spelled) found = &o;
    if (!found) return bad(message("invalid operator in '", item, "'"));
    op = found->op;
  }
  std::string_view version = item.substr(n);
  if (!n && version.ends_with('*')) {  // `1.2*` is `1.2.*`
    version.remove_suffix(version.ends_with(".*") ? 2 : 1);
  } else if (version.ends_with(".*")) {
    // `=` and `>=` read the version without it, `!=` as not beginning it, `==`, `<`, `<=`, `>`
    // ignore it, as conda does.
    if (op == CondaOp::Compatible) return bad(message("invalid operator with '.*' in '", item, "'"));
    if (op == CondaOp::Ne) op = CondaOp::NotStarts;
    version.remove_suffix(2);
  }
  if (version.empty()) return bad(message("no version in '", item, "'"));
  for (char c : version)
    if (!version_char(c)) return bad(message("invalid version in '", item, "'"));
  auto plain = [&](Op o) { return push_comparator(eco, list, o, version); };
  auto prefix = [&](Op o, std::string_view p) -> std::expected<void, std::string> {
    auto c = native_comparator(eco, o, p);
    if (!c) return failure(c);
    c->rule = &kStartsWith;
    set_prefix_end(eco, *c, p);
    list.push_back(std::move(*c));
    return {};
  };
  switch (op) {
    case CondaOp::Eq: return plain(Op::Eq);
    case CondaOp::Ne: return plain(Op::Ne);
    case CondaOp::Lt: return plain(Op::Lt);
    case CondaOp::Le: return plain(Op::Le);
    case CondaOp::Gt: return plain(Op::Gt);
    case CondaOp::Ge: return plain(Op::Ge);
    case CondaOp::Starts: return prefix(Op::Eq, version);
    case CondaOp::NotStarts: return prefix(Op::Ne, version);
    case CondaOp::Compatible: {
      // At least the version, and beginning with it less its last component.
      const std::size_t bang = version.find('!');
      const std::size_t from = bang == std::string_view::npos ? 0 : bang + 1;
      const std::size_t cut = version.find_last_of("._-");
      if (cut == std::string_view::npos || cut <= from || version.find('+') != std::string_view::npos)
        return bad(message("'~=' needs a version of two components or more in '", item, "'"));
      if (auto ok = plain(Op::Ge); !ok) return ok;
      return prefix(Op::Eq, version.substr(0, cut));
    }
  }
  return {};
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_conda(Ecosystem eco,
                                                                std::string_view text) {
  auto bad = [&](std::string_view what) {
    return fail("invalid Conda constraint '", text, "'; ", what);
  };
  // White space goes where it stands next to an operator, a joiner or a bracket; between two
  // pieces of versions it would start a build string, which is not a version's.
  std::string s;
  s.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (const std::size_t w = space_at(text, i)) {
      std::size_t e = i + w;
      while (e < text.size() && space_at(text, e)) e += space_at(text, e);
      const bool glued = s.empty() || e == text.size() || is_joiner(s.back()) ||
                         is_operator(s.back()) || is_joiner(text[e]) || is_operator(text[e]);
      if (!glued) return bad("white space inside a version");
      i = e;
      continue;
    }
    s += text[i++];
  }
  // An expression of comparators, brought to alternatives of comparator lists as it is read:
  // each open bracket keeps its finished alternatives and the lists of the term being read.
  // Expanding `(a|b),(c|d)` multiplies lists, so the work is held to a budget that grows with
  // the text, and a text past it is refused.
  struct Level {
    std::vector<NativeList> done, term{NativeList{}};
    bool operand = false;  // the term has an operand since its last `,` or `|`
    // The items every list of the term holds: one repeated changes nothing, and a text that
    // repeats one a million times stays small.
    std::unordered_set<std::string_view> seen;
  };
  // Copies beyond the text's own comparators: a comparator counts one and a byte of its texts.
  std::size_t budget = s.size() + (std::size_t{1} << 16);
  auto spend = [&](std::size_t times, const NativeList& list) {
    std::size_t cost = 1;
    for (const NativeComparator& c : list) cost += 1 + c.bound.text.size() + c.extra.text.size();
    if (times && cost > budget / times) return false;
    budget -= cost * times;
    return true;
  };
  // `term` AND `lists`: every list of one with every list of the other.
  auto conjoin = [&](std::vector<NativeList>& term, std::vector<NativeList> lists) {
    if (lists.size() == 1) {
      if (!spend(term.size() - 1, lists[0])) return false;
      for (NativeList& a : term) a.insert(a.end(), lists[0].begin(), lists[0].end());
      return true;
    }
    std::vector<NativeList> out;
    for (const NativeList& a : term)
      for (const NativeList& b : lists) {
        if (!spend(1, a) || !spend(1, b)) return false;
        NativeList& both = out.emplace_back(a);
        both.insert(both.end(), b.begin(), b.end());
      }
    term = std::move(out);
    return true;
  };
  // conda reads any depth; past this one a text is taken for hostile.
  constexpr std::size_t kMaxDepth = 1000;
  std::vector<Level> levels(1);
  for (std::size_t i = 0; i <= s.size();) {
    Level& top = levels.back();
    const char c = i < s.size() ? s[i] : '\0';
    if (c == '(') {
      if (top.operand) return bad("a bracket follows a comparator without ',' or '|'");
      if (levels.size() > kMaxDepth) return bad("brackets nested deeper than 1000");
      levels.emplace_back();
      ++i;
    } else if (c == ',' || c == '|' || c == ')' || i == s.size()) {
      if (!top.operand) return bad(i == s.size() && s.empty() ? "empty constraint"
                                                               : "a comparator is missing");
      if (c == ',') {
        top.operand = false;
      } else {
        top.operand = false;
        top.seen.clear();
        top.done.insert(top.done.end(), std::make_move_iterator(top.term.begin()),
                        std::make_move_iterator(top.term.end()));
        top.term.assign(1, NativeList{});
        if (c == ')' || i == s.size()) {
          if ((c == ')') != (levels.size() > 1)) return bad("unbalanced brackets");
          if (c == ')') {
            std::vector<NativeList> lists = std::move(top.done);
            levels.pop_back();
            if (!conjoin(levels.back().term, std::move(lists))) return bad("too many alternatives once expanded");
            levels.back().operand = true;
          } else {
            return NativeConstraint{.eco = eco, .policy = PrePolicy::Plain,
                                    .alternatives = std::move(top.done)};
          }
        }
      }
      ++i;
    } else {
      if (top.operand) return bad("a comparator follows a bracket without ',' or '|'");
      std::size_t e = i;
      while (e < s.size() && !is_joiner(s[e])) ++e;
      const std::string_view text_of_item = std::string_view(s).substr(i, e - i);
      top.operand = true;
      i = e;
      if (!top.seen.insert(text_of_item).second) continue;
      NativeList item;
      if (auto ok = read_item(eco, text_of_item, item, bad); !ok)
        return std::unexpected(std::move(ok.error()));
      std::vector<NativeList> one(1);
      one[0] = std::move(item);
      if (!conjoin(top.term, std::move(one))) return bad("too many alternatives once expanded");
    }
  }
  return bad("unbalanced brackets");
}

}  // namespace ombrel
