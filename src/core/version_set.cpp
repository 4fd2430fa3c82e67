#include "version_set.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "merge_sort.hpp"
#include "message.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

using Span = VersionSet::Span;
using End = VersionSet::End;

std::vector<std::uint32_t> identity(std::size_t n) {
  std::vector<std::uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = std::uint32_t(i);
  return order;
}

// Every version but the `left_out` ones: the spans between them.
std::vector<Span> between(std::span<const std::uint32_t> left_out) {
  std::vector<Span> spans;
  spans.reserve(left_out.size() + 1);
  End lower;
  for (const std::uint32_t v : left_out) {
    spans.push_back({lower, {v, false}});
    lower = {v, false};
  }
  spans.push_back({lower, {}});
  return spans;
}

// Bytes a version is written with as a percent escape: the standard's syntax characters, white
// space, and what would let the range language claim a one-constraint text (commas, brackets,
// a leading caret or tilde, an `x` it would take for a wildcard).
bool needs_escape(std::string_view v, std::size_t i) {
  const char c = v[i];
  switch (c) {
    case '<': case '>': case '=': case '!': case '*': case '|': case '%':
    case ',': case '(': case ')': case '[': case ']':
      return true;
    case '^': case '~':
      return i == 0;
    case 'x': case 'X':
      return i == 0 ? v.size() == 1 || v[1] == '.' : v[i - 1] == '.';
    default:
      return space_at(v, i) != 0;
  }
}

void append_escaped(std::string& out, std::string_view v) {
  constexpr char kHex[] = "0123456789ABCDEF";
  for (std::size_t i = 0; i < v.size();) {
    const std::size_t n = std::max<std::size_t>(1, space_at(v, i));
    if (!needs_escape(v, i)) {
      out += v[i++];
      continue;
    }
    for (const std::size_t end = i + n; i < end; ++i) {
      const auto b = static_cast<unsigned char>(v[i]);
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
}

}  // namespace

std::expected<void, std::string> SetVersion::read(Ecosystem eco, std::string_view from) {
  text.assign(from);
  return parse_into(eco, text, parsed);
}

int VersionSet::cmp(std::uint32_t a, std::uint32_t b) const {
  return compare_for_ecosystem(eco_, versions_[a].parsed, versions_[b].parsed);
}

// Lower ends: unbounded first; at one version a closed end starts before an open one.
int VersionSet::cmp_lower(const End& a, const End& b) const {
  if (!a.bounded() || !b.bounded()) return int(a.bounded()) - int(b.bounded());
  if (const int c = cmp(a.version, b.version)) return c;
  return int(b.closed) - int(a.closed);
}

// Upper ends: unbounded last; at one version an open end stops before a closed one.
int VersionSet::cmp_upper(const End& a, const End& b) const {
  if (!a.bounded() || !b.bounded()) return int(b.bounded()) - int(a.bounded());
  if (const int c = cmp(a.version, b.version)) return c;
  return int(a.closed) - int(b.closed);
}

// Whether a span holds any version.
bool VersionSet::holds(const Span& s) const {
  if (!s.lower.bounded() || !s.upper.bounded()) return true;
  const int c = cmp(s.lower.version, s.upper.version);
  return c < 0 || (c == 0 && s.lower.closed && s.upper.closed);
}

// Whether a span ending at `upper` stays apart from a later one starting at `lower`: a gap lies
// between them, or both are open at one version, which is then the one left out.
bool VersionSet::apart(const End& upper, const End& lower) const {
  if (!upper.bounded() || !lower.bounded()) return false;
  const int c = cmp(upper.version, lower.version);
  return c < 0 || (c == 0 && !upper.closed && !lower.closed);
}

void VersionSet::normalize() {
  bool sorted = true;
  for (std::size_t i = 1; i < spans_.size() && sorted; ++i)
    sorted = cmp_lower(spans_[i - 1].lower, spans_[i].lower) <= 0;
  if (!sorted) {
    std::vector<std::uint32_t> order = identity(spans_.size());
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
      return cmp_lower(spans_[a].lower, spans_[b].lower) < 0;
    };
    stable_merge_sort(order, less, [](std::uint32_t) {}, order.size());
    std::vector<Span> in;
    in.reserve(order.size());
    for (const std::uint32_t i : order) in.push_back(spans_[i]);
    spans_.swap(in);
  }
  std::size_t kept = 0;
  for (const Span& s : spans_) {
    if (!holds(s)) continue;
    if (kept == 0 || apart(spans_[kept - 1].upper, s.lower)) {
      spans_[kept++] = s;
      continue;
    }
    End& upper = spans_[kept - 1].upper;
    if (cmp_upper(upper, s.upper) < 0) upper = s.upper;
  }
  spans_.resize(kept);
}

std::vector<Span> VersionSet::meet(std::span<const Span> a, std::span<const Span> b) const {
  std::vector<Span> out;
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool a_first = cmp_upper(a[i].upper, b[j].upper) < 0;
    const Span s{cmp_lower(a[i].lower, b[j].lower) >= 0 ? a[i].lower : b[j].lower,
                 a_first ? a[i].upper : b[j].upper};
    if (holds(s)) out.push_back(s);
    (a_first ? i : j) += 1;
  }
  return out;
}

std::vector<Span> VersionSet::adopt(const VersionSet& other) {
  const auto offset = std::uint32_t(versions_.size());
  versions_.insert(versions_.end(), other.versions_.begin(), other.versions_.end());
  std::vector<Span> spans(other.spans_.begin(), other.spans_.end());
  for (Span& s : spans)
    for (End* e : {&s.lower, &s.upper})
      if (e->bounded()) e->version += offset;
  return spans;
}

VersionSet VersionSet::all(Ecosystem eco) {
  VersionSet set(eco);
  set.spans_.push_back({});
  return set;
}

VersionSet VersionSet::build(Ecosystem eco, std::vector<SetVersion> versions,
                             std::vector<Span> spans, std::span<const std::uint32_t> left_out) {
  VersionSet set(eco);
  set.versions_ = std::move(versions);
  set.spans_ = std::move(spans);
  set.normalize();
  if (!left_out.empty()) set.spans_ = set.meet(set.spans_, between(left_out));
  return set;
}

std::expected<VersionSet, std::string> VersionSet::from_branch(Ecosystem eco,
                                                               std::span<const Comparator> branch) {
  // The tightest lower and upper bounds, the `==` versions and the `!=` versions.
  VersionSet set(eco);
  set.versions_.resize(branch.size());
  Span bounds;
  std::vector<std::uint32_t> exact, other;
  for (std::uint32_t i = 0; i < branch.size(); ++i) {
    const Comparator& c = branch[i];
    if (auto ok = set.versions_[i].read(eco, c.version); !ok)
      return failure(ok);
    const End e{i, c.op == Op::Ge || c.op == Op::Le};
    switch (c.op) {
      case Op::Gt:
      case Op::Ge:
        if (set.cmp_lower(bounds.lower, e) < 0) bounds.lower = e;
        break;
      case Op::Lt:
      case Op::Le:
        if (set.cmp_upper(e, bounds.upper) < 0) bounds.upper = e;
        break;
      case Op::Eq:
        exact.push_back(i);
        break;
      case Op::Ne:
        other.push_back(i);
        break;
    }
  }
  set.spans_.push_back(bounds);
  if (!exact.empty()) {
    const std::uint32_t point = exact.front();
    for (const std::uint32_t e : exact)
      if (set.cmp(e, point) != 0 || !set.contains(set.versions_[e].parsed)) return VersionSet(eco);
    set.spans_[0] = {{point, true}, {point, true}};
  }
  // The left-out versions, ascending and each once.
  stable_merge_sort(
      other, [&](std::uint32_t a, std::uint32_t b) { return set.cmp(a, b) < 0; },
      [](std::uint32_t) {}, other.size());
  std::size_t distinct = 0;
  for (const std::uint32_t v : other)
    if (distinct == 0 || set.cmp(other[distinct - 1], v) != 0) other[distinct++] = v;
  other.resize(distinct);
  return build(eco, std::move(set.versions_), std::move(set.spans_), other);
}

std::expected<VersionSet, std::string> VersionSet::from_range(Ecosystem eco,
                                                              const RangeSet& range) {
  VersionSet out(eco);
  for (const Branch& b : range.branches) {
    auto set = from_branch(eco, b);
    if (!set) return set;
    for (const Span& s : out.adopt(*set)) out.spans_.push_back(s);
  }
  out.normalize();
  return out;
}

VersionSet VersionSet::unite(const VersionSet& other) const {
  VersionSet out = *this;
  for (const Span& s : out.adopt(other)) out.spans_.push_back(s);
  out.normalize();
  return out;
}

VersionSet VersionSet::intersect(const VersionSet& other) const {
  VersionSet out = *this;
  const std::vector<Span> theirs = out.adopt(other);
  out.spans_ = out.meet(out.spans_, theirs);
  return out;
}

bool VersionSet::is_all() const {
  return spans_.size() == 1 && !spans_[0].lower.bounded() && !spans_[0].upper.bounded();
}

bool VersionSet::contains(const ParsedRepr& version) const {
  for (const Span& s : spans_) {
    const End &lo = s.lower, &hi = s.upper;
    if (lo.bounded()) {
      const int c = compare_for_ecosystem(eco_, version, versions_[lo.version].parsed);
      if (c < 0 || (c == 0 && !lo.closed)) continue;
    }
    if (hi.bounded()) {
      const int c = compare_for_ecosystem(eco_, version, versions_[hi.version].parsed);
      if (c > 0 || (c == 0 && !hi.closed)) continue;
    }
    return true;
  }
  return false;
}

std::expected<bool, std::string> VersionSet::contains(std::string_view version) const {
  if (empty() || is_all()) return !empty();
  ParsedRepr parsed;
  if (auto ok = parse_into(eco_, version, parsed); !ok)
    return failure(ok);
  return contains(parsed);
}

std::string VersionSet::to_vers(std::string_view type) const {
  std::string out = "vers:";
  if (empty()) return out + "none/*";
  out.append(type).append("/");
  if (is_all()) return out + "*";
  const auto constraint = [&](std::string_view op, std::uint32_t v) {
    if (out.back() != '/') out += '|';
    out += op;
    append_escaped(out, versions_[v].text);
  };
  // Two neighbours meet only where both are open at one version, the one left out.
  const auto meets_next = [&](std::size_t i) {
    if (i + 1 == spans_.size()) return false;
    const End &hi = spans_[i].upper, &lo = spans_[i + 1].lower;
    return hi.bounded() && lo.bounded() && cmp(hi.version, lo.version) == 0;
  };
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    const End &lo = spans_[i].lower, &hi = spans_[i].upper;
    if (lo.bounded() && !(i > 0 && meets_next(i - 1))) {
      if (hi.bounded() && lo.closed && hi.closed && cmp(lo.version, hi.version) == 0) {
        constraint("", lo.version);
        continue;
      }
      constraint(lo.closed ? ">=" : ">", lo.version);
    }
    if (hi.bounded()) constraint(meets_next(i) ? "!=" : hi.closed ? "<=" : "<", hi.version);
  }
  return out;
}

}  // namespace ombrel
