#include "ranges.hpp"

#include <algorithm>
#include <span>

#include "bump.hpp"
#include "strategies/registry.hpp"
#include "message.hpp"
#include "parse_cache.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

using Result = std::expected<void, std::string>;

// Operator texts of plain comparators, two-character ones first so that they win.
struct OpText {
  std::string_view text;
  Op op;
};
constexpr OpText kOps[] = {{">=", Op::Ge}, {"<=", Op::Le}, {"!=", Op::Ne},
                           {"==", Op::Eq}, {"<", Op::Lt},  {">", Op::Gt}};

bool is_operator(std::string_view token) {
  if (token.size() > 2) return false;
  for (const OpText& o : kOps)
    if (token == o.text) return true;
  return false;
}

bool is_wildcard_char(char c) {
  return c == '*' || c == 'x' || c == 'X';
}

bool is_wildcard(std::string_view s) {
  return s.size() == 1 && is_wildcard_char(s[0]);
}

// Contains ".x", ".X" or ".*".
bool has_wildcard_component(std::string_view s) {
  for (std::size_t i = 1; i < s.size(); ++i)
    if (s[i - 1] == '.' && is_wildcard_char(s[i])) return true;
  return false;
}

void add(Branch& branch, Op op, std::string version) {
  if (branch.capacity() == 0) branch.reserve(4);
  branch.push_back({std::move(version), op});
}

void add_shorthand(Branch& branch, const std::array<std::uint64_t, 3>& lower, BumpPart upper) {
  add(branch, Op::Ge, release_text(lower));
  add(branch, Op::Lt, release_text(lower, upper));
}

Result caret(std::string_view token, Branch& branch) {
  const auto p = parse_num_prefix(token.substr(1));
  if (!p) return fail("invalid caret range: '", token, '\'');
  const auto& n = p->nums;
  add_shorthand(branch, n,
                n[0] != 0 ? BumpPart::Major : (n[1] != 0 ? BumpPart::Minor : BumpPart::Patch));
  return {};
}

Result tilde(std::string_view token, std::size_t op_len, Branch& branch) {
  const std::string_view rest = token.substr(op_len);
  const auto p = parse_num_prefix(rest);
  if (!p) return fail("invalid tilde range: '~", rest, '\'');
  add_shorthand(branch, p->nums, p->count <= 1 ? BumpPart::Major : BumpPart::Minor);
  return {};
}

Result x_range(std::string_view token, Branch& branch) {
  const auto p = parse_num_prefix(token);
  if (!p) return fail("invalid x-range: '", token, '\'');
  add_shorthand(branch, {p->nums[0], p->nums[1], 0},
                p->wildcard == 1 ? BumpPart::Major : BumpPart::Minor);
  return {};
}

Result interval(std::string_view token, Branch& branch) {
  const std::string_view inner = token.substr(1, token.size() - 2);
  const std::size_t comma = inner.find(',');
  if (comma == inner.npos || inner.find(',', comma + 1) != inner.npos)
    return fail("invalid interval range: '", token, '\'');
  const std::string_view lo = trim(inner.substr(0, comma)), hi = trim(inner.substr(comma + 1));
  if (!lo.empty()) add(branch, token.front() == '[' ? Op::Ge : Op::Gt, std::string(lo));
  if (!hi.empty()) add(branch, token.back() == ']' ? Op::Le : Op::Lt, std::string(hi));
  return {};
}

Result plain(std::string_view token, Branch& branch) {
  for (const OpText& o : kOps) {
    if (!token.starts_with(o.text)) continue;
    const std::string_view bound = trim(token.substr(o.text.size()));
    if (bound.empty()) return fail("missing version in comparator '", token, '\'');
    add(branch, o.op, std::string(bound));
    return {};
  }
  return fail("invalid comparator: '", token,
              "'; expected operator (>=, <=, >, <, ==, !=) followed by version");
}

// Expands one (trimmed, non-empty) token into the comparators it stands for.
Result expand(std::string_view token, Branch& branch) {
  if (is_wildcard(token)) return {};
  if (token.front() == '^') return caret(token, branch);
  if ((token.front() == '(' || token.front() == '[') &&
      (token.back() == ')' || token.back() == ']'))
    return interval(token, branch);
  if (token.starts_with("~>") || token.starts_with("~=")) return tilde(token, 2, branch);
  if (token.front() == '~') return tilde(token, 1, branch);
  return has_wildcard_component(token) ? x_range(token, branch) : plain(token, branch);
}

// Splits one alternative into tokens at commas and white space outside brackets. A token is
// always a contiguous slice of the alternative, so no text is copied.
class Tokenizer {
 public:
  explicit Tokenizer(std::string_view alt) : s_(alt) {}

  // The next token, trimmed; empty at the end.
  std::string_view next() {
    std::size_t depth = 0;  // every token starts at depth 0
    std::size_t start = i_;
    while (i_ < s_.size()) {
      const char c = s_[i_];
      const auto u = static_cast<unsigned char>(c);
      // Printable ASCII other than brackets and commas is the common case.
      if (u > 0x20 && u < 0x7F && c != ',' && c != '(' && c != ')' && c != '[' && c != ']') {
        ++i_;
        continue;
      }
      std::size_t sep = 0;
      if (c == '(' || c == '[')
        ++depth;
      else if (c == ')' || c == ']')
        depth -= depth > 0;
      else if (depth == 0)
        sep = c == ',' ? 1 : space_at(s_, i_);
      if (!sep) {
        ++i_;
        continue;
      }
      const std::string_view token = trim(s_.substr(start, i_ - start));
      i_ += sep;
      start = i_;
      if (!token.empty()) return token;
    }
    return trim(s_.substr(start));
  }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
};

Result parse_branch(std::string_view alt, Branch& branch, std::string& scratch) {
  Tokenizer tokens(alt);
  std::string_view token = tokens.next();
  while (!token.empty()) {
    std::string_view following = tokens.next();
    if (is_operator(token) && !following.empty()) {
      // A detached operator joins the next token; the rest of the parse sees one token.
      scratch.assign(token).append(following);
      token = scratch;
      following = tokens.next();
    }
    if (auto r = expand(token, branch); !r) return r;
    token = following;
  }
  return {};
}

bool holds(Op op, int ord) {
  switch (op) {
    case Op::Gt:
      return ord > 0;
    case Op::Ge:
      return ord >= 0;
    case Op::Lt:
      return ord < 0;
    case Op::Le:
      return ord <= 0;
    case Op::Eq:
      return ord == 0;
    case Op::Ne:
      return ord != 0;
  }
  return false;
}

// Evaluation of `RangeSet::contains`. The candidate is parsed once, when the first comparator
// is reached: that is where the first comparison would have reported its error, and a
// candidate error always precedes a bound error.
std::expected<bool, std::string> contains_in(std::span<const Branch> branches, Ecosystem eco,
                                             std::string_view version) {
  ParsedRepr candidate;
  bool parsed = false;
  for (const Branch& branch : branches) {
    if (branch.empty()) return true;
    bool all = true;
    for (const Comparator& c : branch) {
      if (!parsed) {
        if (auto ok = parse_into(eco, version, candidate); !ok)
          return failure(ok);
        parsed = true;
      }
      const auto ord = compare_with_text(eco, candidate, c.version);
      if (!ord) return failure(ord);
      if (!holds(c.op, *ord)) {
        all = false;
        break;
      }
    }
    if (all) return true;
  }
  return false;
}

// The tighter of two bounds of one kind: `keep_a` is the ordering of a against b under which
// a is kept (1 for lower bounds, -1 for upper bounds).
std::expected<std::optional<Bound>, std::string> tighter(Ecosystem eco,
                                                         const std::optional<Bound>& a,
                                                         const std::optional<Bound>& b,
                                                         int keep_a) {
  if (!a || !b) return a ? a : b;
  const auto ord = cmp_versions(eco, a->version, b->version);
  if (!ord) return failure(ord);
  if (*ord == 0) return Bound{a->version, a->inclusive && b->inclusive};
  return *ord == keep_a ? a : b;
}

// Some version of `exact` lies in `other` and then in `own`.
std::expected<bool, std::string> exact_in_both(Ecosystem eco,
                                               std::span<const std::string_view> exact,
                                               const Branch& own, const Branch& other) {
  for (std::string_view e : exact) {
    const auto in_other = version_in_branch(eco, other, e);
    if (!in_other) return in_other;
    if (!*in_other) continue;
    const auto in_own = version_in_branch(eco, own, e);
    if (!in_own || *in_own) return in_own;
  }
  return false;
}

std::expected<bool, std::string> overlaps(Ecosystem eco, const Branch& a, const Interval& ia,
                                          const Branch& b, const Interval& ib) {
  if (!ia.exact.empty() || !ib.exact.empty()) {
    const auto left = exact_in_both(eco, ia.exact, a, b);
    if (!left || *left) return left;
    return exact_in_both(eco, ib.exact, b, a);
  }
  const auto lower = tighter(eco, ia.lower, ib.lower, 1);
  if (!lower) return failure(lower);
  const auto upper = tighter(eco, ia.upper, ib.upper, -1);
  if (!upper) return failure(upper);
  if (!*lower || !*upper) return true;
  const auto ord = cmp_versions(eco, (*lower)->version, (*upper)->version);
  if (!ord) return failure(ord);
  return *ord < 0 || (*ord == 0 && (*lower)->inclusive && (*upper)->inclusive);
}

}  // namespace

std::optional<NumPrefix> parse_num_prefix(std::string_view text) {
  text = trim(text);
  if (text.empty()) return std::nullopt;
  NumPrefix r;
  std::size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const std::size_t dot = text.find('.', start);
    const std::string_view piece = text.substr(start, dot == text.npos ? text.npos : dot - start);
    if (is_wildcard(piece)) {
      r.wildcard = i;
      break;
    }
    const auto n = parse_u64(piece.substr(0, digit_run(piece)));
    if (!n) return std::nullopt;
    r.nums[r.count++] = *n;
    if (dot == text.npos) break;
    start = dot + 1;
  }
  return r;
}

namespace {

// Where the next "||" at or after `from` starts, or the end. (A plain scan: range texts are
// short, and a library search costs more than it saves on them.)
std::size_t next_bars(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i + 1 < text.size(); ++i)
    if (text[i] == '|' && text[i + 1] == '|') return i;
  return text.size();
}

}  // namespace

std::expected<RangeSet, std::string> RangeSet::parse(std::string_view text) {
  std::size_t alternatives = 1;
  for (std::size_t at = next_bars(text, 0); at != text.size(); at = next_bars(text, at + 2))
    ++alternatives;
  RangeSet set;
  set.branches.resize(alternatives);
  std::string scratch;
  std::size_t start = 0;
  for (Branch& branch : set.branches) {
    const std::size_t bar = next_bars(text, start);
    if (auto r = parse_branch(text.substr(start, bar - start), branch, scratch); !r)
      return failure(r);
    start = bar + 2;
  }
  return set;
}

std::expected<bool, std::string> RangeSet::contains(Ecosystem eco, std::string_view version) const {
  return contains_in(branches, eco, version);
}

BoundRange::BoundRange(Ecosystem eco, const RangeSet& set) : eco_(eco) {
  branches_.reserve(set.branches.size());
  for (const Branch& b : set.branches) {
    std::vector<ParsedComparator>& out = branches_.emplace_back();
    out.reserve(b.size());
    for (const Comparator& c : b) {
      const bool plain = plain_parts(eco.row().plain, c.version) > 0;
      out.push_back({parse_for_ecosystem(eco, c.version), c.op, plain ? c.version : ""});
      plain_ &= plain;
    }
  }
}

// As contains_in, but the candidate is not parsed into a value of its own: each comparator
// reached compares its parsed bound with the candidate's text, read on the stack, which for the
// short ranges that are kept costs less. A bound that failed to parse reports the candidate's
// error first when no comparison has read the candidate yet.
std::expected<bool, std::string> BoundRange::contains(std::string_view version) const {
  if (plain_ && plain_parts(eco_.row().plain, version)) {
    for (const std::vector<ParsedComparator>& branch : branches_) {
      bool all = true;
      for (const ParsedComparator& c : branch)
        if (!holds(c.op, order_of_plain(eco_.row().plain, version, c.plain))) {
          all = false;
          break;
        }
      if (all) return true;
    }
    return false;
  }
  bool read = false;
  for (const std::vector<ParsedComparator>& branch : branches_) {
    if (branch.empty()) return true;
    bool all = true;
    for (const ParsedComparator& c : branch) {
      if (!c.version) {
        if (!read)
          if (auto ok = compare_texts(eco_, version, version); !ok) return failure(ok);
        return std::unexpected(c.version.error());
      }
      const auto ord = compare_with_text(eco_, *c.version, version);
      if (!ord) return failure(ord);
      read = true;
      if (!holds(c.op, -*ord)) {
        all = false;
        break;
      }
    }
    if (all) return true;
  }
  return false;
}

std::size_t BoundRange::footprint() const {
  std::size_t n = branches_.capacity() * sizeof(branches_[0]);
  for (const auto& b : branches_) n += b.capacity() * sizeof(ParsedComparator);
  return n;
}

std::expected<bool, std::string> range_contains(Ecosystem eco, std::string_view range,
                                                std::string_view version) {
  if (!ParseCache<BoundRange>::keeps(range)) {
    const auto set = RangeSet::parse(range);
    if (!set) return std::unexpected(set.error());
    return set->contains(eco, version);
  }
  static ParseCache<BoundRange> cache;
  const auto bound = cache.get(eco, range, [eco](std::string_view text)
                                   -> std::expected<BoundRange, std::string> {
    auto set = RangeSet::parse(text);
    if (!set) return failure(set);
    return BoundRange(eco, *set);
  });
  if (!*bound) return std::unexpected((*bound).error());
  return (*bound)->contains(version);
}

std::expected<bool, std::string> RangeSet::intersects(Ecosystem eco, const RangeSet& other) const {
  if (branches.empty() || other.branches.empty()) return false;
  std::vector<Interval> right;
  right.reserve(other.branches.size());
  for (const Branch& b : other.branches) right.push_back(interval_for(b));
  for (const Branch& a : branches) {
    const Interval ia = interval_for(a);
    for (std::size_t j = 0; j < right.size(); ++j) {
      const auto r = overlaps(eco, a, ia, other.branches[j], right[j]);
      if (!r || *r) return r;
    }
  }
  return false;
}

Interval interval_for(const Branch& branch) {
  Interval iv;
  for (const Comparator& c : branch) {
    switch (c.op) {
      case Op::Gt:
      case Op::Ge:
        iv.lower = Bound{c.version, c.op == Op::Ge};
        break;
      case Op::Lt:
      case Op::Le:
        iv.upper = Bound{c.version, c.op == Op::Le};
        break;
      case Op::Eq:
        iv.exact.push_back(c.version);
        break;
      case Op::Ne:
        break;
    }
  }
  return iv;
}

std::expected<int, std::string> cmp_versions(Ecosystem eco, std::string_view a,
                                             std::string_view b) {
  return compare_texts(eco, a, b);
}

std::expected<bool, std::string> version_in_branch(Ecosystem eco, const Branch& branch,
                                                   std::string_view version) {
  return contains_in(std::span(&branch, 1), eco, version);
}

}  // namespace ombrel
