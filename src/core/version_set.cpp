#include "version_set.hpp"

#include <cstdint>
#include <utility>

#include "merge_sort.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

using Span = VersionSet::Span;
using End = VersionSet::End;

End unbounded() {
  return {};
}

End at(SetVersion v, bool closed) {
  return {std::move(v), closed};
}

// Bytes a version is written with as a percent escape: the standard's syntax characters, white
// space, and what would let the range language claim a one-constraint text (commas, brackets,
// a leading caret or tilde, a part that starts with `x`).
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

std::expected<SetVersion, std::string> SetVersion::parse(Ecosystem eco, std::string_view text) {
  SetVersion v{std::string(text), {}};
  if (auto ok = parse_into(eco, v.text, v.parsed); !ok) return std::unexpected(std::move(ok.error()));
  return v;
}

int VersionSet::cmp(const SetVersion& a, const SetVersion& b) const {
  return compare_for_ecosystem(eco_, a.parsed, b.parsed);
}

// Lower ends: unbounded first; at one version a closed end starts before an open one.
int VersionSet::cmp_lower(const End& a, const End& b) const {
  if (!a.version || !b.version) return int(bool(a.version)) - int(bool(b.version));
  if (const int c = cmp(*a.version, *b.version)) return c;
  return int(b.closed) - int(a.closed);
}

// Upper ends: unbounded last; at one version an open end stops before a closed one.
int VersionSet::cmp_upper(const End& a, const End& b) const {
  if (!a.version || !b.version) return int(bool(b.version)) - int(bool(a.version));
  if (const int c = cmp(*a.version, *b.version)) return c;
  return int(a.closed) - int(b.closed);
}

// Whether a span holds any version.
bool VersionSet::holds(const Span& s) const {
  if (!s.lower.version || !s.upper.version) return true;
  const int c = cmp(*s.lower.version, *s.upper.version);
  return c < 0 || (c == 0 && s.lower.closed && s.upper.closed);
}

// Whether a span ending at `upper` stays apart from a later one starting at `lower`: a gap lies
// between them, or both are open at one version, which is then the one left out.
bool VersionSet::below(const End& upper, const End& lower) const {
  if (!upper.version || !lower.version) return false;
  const int c = cmp(*upper.version, *lower.version);
  return c < 0 || (c == 0 && !upper.closed && !lower.closed);
}

void VersionSet::normalize() {
  std::vector<std::uint32_t> order;
  bool sorted = true;
  for (std::size_t i = 1; i < spans_.size() && sorted; ++i)
    sorted = cmp_lower(spans_[i - 1].lower, spans_[i].lower) <= 0;
  std::vector<Span> in;
  in.swap(spans_);
  if (!sorted) {
    order.resize(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) order[i] = std::uint32_t(i);
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
      return cmp_lower(in[a].lower, in[b].lower) < 0;
    };
    stable_merge_sort(order, less, [](std::uint32_t) {}, order.size());
  }
  for (std::size_t k = 0; k < in.size(); ++k) {
    Span& s = in[sorted ? k : order[k]];
    if (!holds(s)) continue;
    if (spans_.empty() || below(spans_.back().upper, s.lower)) {
      spans_.push_back(std::move(s));
      continue;
    }
    End& upper = spans_.back().upper;
    if (cmp_upper(upper, s.upper) < 0) upper = std::move(s.upper);
  }
}

VersionSet VersionSet::all(Ecosystem eco) {
  VersionSet set(eco);
  set.spans_.push_back({});
  return set;
}

VersionSet VersionSet::of(Ecosystem eco, Op op, SetVersion version) {
  VersionSet set(eco);
  switch (op) {
    case Op::Gt:
    case Op::Ge:
      set.spans_.push_back({at(std::move(version), op == Op::Ge), unbounded()});
      break;
    case Op::Lt:
    case Op::Le:
      set.spans_.push_back({unbounded(), at(std::move(version), op == Op::Le)});
      break;
    case Op::Eq:
      set.spans_.push_back({at(version, true), at(version, true)});
      break;
    case Op::Ne: {
      std::vector<SetVersion> one;
      one.push_back(std::move(version));
      return all_but(eco, std::move(one));
    }
  }
  return set;
}

VersionSet VersionSet::all_but(Ecosystem eco, std::vector<SetVersion> versions) {
  VersionSet set(eco);
  set.spans_.reserve(versions.size() + 1);
  End lower = unbounded();
  for (SetVersion& v : versions) {
    set.spans_.push_back({std::move(lower), at(v, false)});
    lower = at(std::move(v), false);
  }
  set.spans_.push_back({std::move(lower), unbounded()});
  return set;
}

VersionSet VersionSet::from_spans(Ecosystem eco, std::vector<Span> spans) {
  VersionSet set(eco);
  set.spans_ = std::move(spans);
  set.normalize();
  return set;
}

std::expected<VersionSet, std::string> VersionSet::from_branch(Ecosystem eco,
                                                               std::span<const Comparator> branch) {
  // The tightest lower and upper bounds, the `==` versions and the `!=` versions.
  VersionSet set(eco);
  Span bounds;
  std::vector<SetVersion> exact, other;
  for (const Comparator& c : branch) {
    auto v = SetVersion::parse(eco, c.version);
    if (!v) return std::unexpected(std::move(v.error()));
    switch (c.op) {
      case Op::Gt:
      case Op::Ge:
        if (End e = at(std::move(*v), c.op == Op::Ge); set.cmp_lower(bounds.lower, e) < 0)
          bounds.lower = std::move(e);
        break;
      case Op::Lt:
      case Op::Le:
        if (End e = at(std::move(*v), c.op == Op::Le); set.cmp_upper(e, bounds.upper) < 0)
          bounds.upper = std::move(e);
        break;
      case Op::Eq:
        exact.push_back(std::move(*v));
        break;
      case Op::Ne:
        other.push_back(std::move(*v));
        break;
    }
  }
  if (!exact.empty()) {
    for (const SetVersion& e : exact)
      if (set.cmp(e, exact.front()) != 0) return set;
    VersionSet between(eco);
    between.spans_.push_back(std::move(bounds));
    if (!between.contains(exact.front().parsed)) return set;
    bounds = {at(exact.front(), true), at(exact.front(), true)};
  }
  set.spans_.push_back(std::move(bounds));
  set.normalize();
  if (other.empty()) return set;
  // The left-out versions, ascending and each once.
  std::vector<std::uint32_t> order(other.size());
  for (std::size_t i = 0; i < other.size(); ++i) order[i] = std::uint32_t(i);
  stable_merge_sort(
      order, [&](std::uint32_t a, std::uint32_t b) { return set.cmp(other[a], other[b]) < 0; },
      [](std::uint32_t) {}, order.size());
  std::vector<SetVersion> left_out;
  left_out.reserve(other.size());
  for (const std::uint32_t i : order)
    if (left_out.empty() || set.cmp(left_out.back(), other[i]) != 0)
      left_out.push_back(std::move(other[i]));
  return set.intersect(all_but(eco, std::move(left_out)));
}

std::expected<VersionSet, std::string> VersionSet::from_range(Ecosystem eco,
                                                              const RangeSet& range) {
  std::vector<Span> spans;
  for (const Branch& b : range.branches) {
    auto set = from_branch(eco, b);
    if (!set) return set;
    for (Span& s : set->spans_) spans.push_back(std::move(s));
  }
  return from_spans(eco, std::move(spans));
}

VersionSet VersionSet::unite(const VersionSet& other) const {
  std::vector<Span> spans = spans_;
  spans.insert(spans.end(), other.spans_.begin(), other.spans_.end());
  return from_spans(eco_, std::move(spans));
}

VersionSet VersionSet::intersect(const VersionSet& other) const {
  VersionSet out(eco_);
  std::size_t i = 0, j = 0;
  while (i < spans_.size() && j < other.spans_.size()) {
    const Span &a = spans_[i], &b = other.spans_[j];
    const bool a_first = cmp_upper(a.upper, b.upper) < 0;
    Span s{cmp_lower(a.lower, b.lower) >= 0 ? a.lower : b.lower, a_first ? a.upper : b.upper};
    if (holds(s)) out.spans_.push_back(std::move(s));
    (a_first ? i : j) += 1;
  }
  out.normalize();
  return out;
}

bool VersionSet::is_all() const {
  return spans_.size() == 1 && !spans_[0].lower.version && !spans_[0].upper.version;
}

bool VersionSet::contains(const ParsedRepr& version) const {
  for (const Span& s : spans_) {
    const End &lo = s.lower, &hi = s.upper;
    if (lo.version) {
      const int c = compare_for_ecosystem(eco_, version, lo.version->parsed);
      if (c < 0 || (c == 0 && !lo.closed)) continue;
    }
    if (hi.version) {
      const int c = compare_for_ecosystem(eco_, version, hi.version->parsed);
      if (c > 0 || (c == 0 && !hi.closed)) continue;
    }
    return true;
  }
  return false;
}

std::expected<bool, std::string> VersionSet::contains(std::string_view version) const {
  if (empty() || is_all()) return !empty();
  ParsedRepr parsed;
  if (auto ok = parse_into(eco_, version, parsed); !ok) return std::unexpected(std::move(ok.error()));
  return contains(parsed);
}

std::string VersionSet::to_vers(std::string_view type) const {
  std::string out = "vers:";
  if (empty()) return out + "none/*";
  out.append(type).append("/");
  if (is_all()) return out + "*";
  const auto constraint = [&](std::string_view op, const SetVersion& v) {
    if (out.back() != '/') out += '|';
    out += op;
    append_escaped(out, v.text);
  };
  // Two neighbours meet only where both are open at one version, the one left out.
  const auto meets_next = [&](std::size_t i) {
    if (i + 1 == spans_.size()) return false;
    const End &hi = spans_[i].upper, &lo = spans_[i + 1].lower;
    return hi.version && lo.version && cmp(*hi.version, *lo.version) == 0;
  };
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    const End &lo = spans_[i].lower, &hi = spans_[i].upper;
    if (lo.version && !(i > 0 && meets_next(i - 1))) {
      if (hi.version && lo.closed && hi.closed && cmp(*lo.version, *hi.version) == 0) {
        constraint("", *lo.version);
        continue;
      }
      constraint(lo.closed ? ">=" : ">", *lo.version);
    }
    if (hi.version) constraint(meets_next(i) ? "!=" : hi.closed ? "<=" : "<", *hi.version);
  }
  return out;
}

}  // namespace ombrel
