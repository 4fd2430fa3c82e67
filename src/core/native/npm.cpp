// npm ranges as node-semver reads them (default options): the text is rewritten step by step
// into plain comparators (`^1.2` into `>=1.2.0 <2.0.0-0`, ...) the way its regular expressions
// rewrite it, so that every quirk of the rewriting (which white space is dropped, which
// leftovers are read as "any") is kept, and the comparators are then read.
#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "native.hpp"

namespace ombrel {

namespace {

// node-semver's bounds: numbers beyond JavaScript's safe integers and versions longer than
// 256 characters are refused.
constexpr std::uint64_t kMaxSafe = (std::uint64_t{1} << 53) - 1;
constexpr std::size_t kMaxLength = 256;

// JavaScript's \s at s[i]: Unicode white space less U+0085, plus U+FEFF.
std::size_t js_space(std::string_view s, std::size_t i) {
  const unsigned char c = s[i];
  if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D);
  if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x85) return 0;
  if (c == 0xEF) return s.substr(i, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  return space_at(s, i);
}

std::size_t skip_space(std::string_view s, std::size_t i) {
  while (i < s.size()) {
    const std::size_t k = js_space(s, i);
    if (!k) break;
    i += k;
  }
  return i;
}

std::string_view js_trim(std::string_view s) {
  std::size_t b = skip_space(s, 0), e = s.size();
  while (e > b) {
    std::size_t k = 0;
    for (std::size_t back = 1; back <= 3 && back <= e - b && !k; ++back)
      if (js_space(s, e - back) == back) k = back;
    if (!k) break;
    e -= k;
  }
  return s.substr(b, e - b);
}

// Splits on runs of white space, dropping empty pieces.
std::vector<std::string_view> split_space(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    i = skip_space(s, i);
    std::size_t e = i;
    while (e < s.size() && !js_space(s, e)) ++e;
    if (e > i) out.push_back(s.substr(i, e - i));
    i = e;
  }
  return out;
}

bool is_x(std::string_view id) {
  return id.empty() || id == "x" || id == "X" || id == "*";
}

// One identifier of an x-range: 0, a number without leading zero, x, X or *; its length.
std::size_t xid_at(std::string_view s, std::size_t i) {
  if (i >= s.size()) return 0;
  const char c = s[i];
  if (c == 'x' || c == 'X' || c == '*' || c == '0') return 1;
  if (c < '1' || c > '9') return 0;
  std::size_t e = i + 1;
  while (e < s.size() && is_digit(s[e])) ++e;
  return e - i;
}

bool ident_char(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

// Dot-separated identifiers from s[i] while they are well formed; the end of the last.
// Pre-release identifiers that are all digits have no leading zero.
std::size_t idents_at(std::string_view s, std::size_t i, bool prerelease) {
  std::size_t end = i, k = i;
  while (true) {
    std::size_t e = k;
    bool digits = true;
    while (e < s.size() && ident_char(s[e])) digits &= is_digit(s[e++]);
    if (e == k || (prerelease && digits && e - k > 1 && s[k] == '0')) break;
    end = e;
    if (e >= s.size() || s[e] != '.') break;
    k = e + 1;
  }
  return end;
}

// An x-range's version: [v=\s]* then up to three identifiers, a pre-release and build after
// the third.
struct Plain {
  std::string_view prefix, major, minor, patch, pre, build;
  std::size_t end = 0;
};

// The longest reading of an x-range's version at s[i]; nothing when not even one identifier
// (`stop`, when given, then tells where the [v=\s]* run ended).
std::optional<Plain> plain_at(std::string_view s, std::size_t i, std::size_t* stop = nullptr) {
  Plain p;
  std::size_t k = i;
  while (k < s.size()) {
    if (s[k] == 'v' || s[k] == '=') {
      ++k;
    } else if (const std::size_t w = js_space(s, k)) {
      k += w;
    } else {
      break;
    }
  }
  p.prefix = s.substr(i, k - i);
  std::size_t n = xid_at(s, k);
  if (stop) *stop = k;
  if (!n) return std::nullopt;
  p.major = s.substr(k, n);
  k += n;
  std::string_view* parts[] = {&p.minor, &p.patch};
  for (std::string_view* part : parts) {
    if (k >= s.size() || s[k] != '.' || !(n = xid_at(s, k + 1))) {
      p.end = k;
      return p;
    }
    *part = s.substr(k + 1, n);
    k += 1 + n;
  }
  if (k < s.size() && s[k] == '-') {
    const std::size_t e = idents_at(s, k + 1, true);
    if (e > k + 1) {
      p.pre = s.substr(k + 1, e - k - 1);
      k = e;
    }
  }
  if (k < s.size() && s[k] == '+') {
    const std::size_t e = idents_at(s, k + 1, false);
    if (e > k + 1) {
      p.build = s.substr(k + 1, e - k - 1);
      k = e;
    }
  }
  p.end = k;
  return p;
}

// The whole of `s` as an x-range's version.
std::optional<Plain> whole_plain(std::string_view s) {
  auto p = plain_at(s, 0);
  if (!p || p->end != s.size()) return std::nullopt;
  return p;
}

// `n` + 1 as JavaScript prints it, for a digit string; a text no comparator reads when the
// number is beyond what a comparator may hold anyway.
std::string plus_one(std::string_view n) {
  auto v = parse_u64(n);
  if (!v || *v == UINT64_MAX) return "1e+99";
  return std::to_string(*v + 1);
}

std::string cat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view p : parts) out += p;
  return out;
}

// The leftmost `(<|>)?=?\s*\*` of `s`, removed.
std::string drop_star(std::string_view s) {
  const std::size_t star = s.find('*');
  std::string out(s);
  if (star == std::string_view::npos) return out;
  std::size_t b = star;
  while (b > 0) {
    std::size_t back = 0;
    for (std::size_t w = 1; w <= 3 && w <= b && !back; ++w)
      if (js_space(s, b - w) == w) back = w;
    if (!back) break;
    b -= back;
  }
  if (b > 0 && s[b - 1] == '=') --b;
  if (b > 0 && (s[b - 1] == '<' || s[b - 1] == '>')) --b;
  // A match starts at the first place it can: before white space only when an operator or
  // `=` leads it.
  if (b < star && s[b] != '<' && s[b] != '>' && s[b] != '=') b = star;
  out.erase(b, star + 1 - b);
  return out;
}

std::string caret(const Plain& p) {
  const auto& [prefix, M, m, pt, pr, build, end] = p;
  if (is_x(M)) return "";
  if (is_x(m)) return cat({">=", M, ".0.0 <", plus_one(M), ".0.0-0"});
  if (is_x(pt)) {
    if (M == "0") return cat({">=", M, ".", m, ".0 <", M, ".", plus_one(m), ".0-0"});
    return cat({">=", M, ".", m, ".0 <", plus_one(M), ".0.0-0"});
  }
  const std::string low = pr.empty() ? cat({">=", M, ".", m, ".", pt})
                                     : cat({">=", M, ".", m, ".", pt, "-", pr});
  if (M == "0") {
    if (m == "0") return cat({low, " <", M, ".", m, ".", plus_one(pt), "-0"});
    return cat({low, " <", M, ".", plus_one(m), ".0-0"});
  }
  return cat({low, " <", plus_one(M), ".0.0-0"});
}

std::string tilde(const Plain& p) {
  const auto& [prefix, M, m, pt, pr, build, end] = p;
  if (is_x(M)) return "";
  if (is_x(m)) return cat({">=", M, ".0.0 <", plus_one(M), ".0.0-0"});
  if (is_x(pt)) return cat({">=", M, ".", m, ".0 <", M, ".", plus_one(m), ".0-0"});
  const std::string low = pr.empty() ? cat({">=", M, ".", m, ".", pt})
                                     : cat({">=", M, ".", m, ".", pt, "-", pr});
  return cat({low, " <", M, ".", plus_one(m), ".0-0"});
}

// `op` is the operator read before the version; the token itself when nothing is an x.
std::string xrange(std::string_view token, std::string_view op, const Plain& p) {
  const bool xM = is_x(p.major), xm = xM || is_x(p.minor), xp = xm || is_x(p.patch);
  if (!xp) return std::string(token);
  std::string gtlt(op == "=" ? "" : op);
  if (xM) return gtlt == ">" || gtlt == "<" ? "<0.0.0-0" : "*";
  if (!gtlt.empty()) {
    std::string M(p.major), m(xm ? "0" : p.minor), pt("0");
    if (gtlt == ">") {
      gtlt = ">=";
      if (xm) {
        M = plus_one(M);
      } else {
        m = plus_one(m);
      }
    } else if (gtlt == "<=") {
      gtlt = "<";
      if (xm) {
        M = plus_one(M);
      } else {
        m = plus_one(m);
      }
    }
    return cat({gtlt, M, ".", m, ".", pt, gtlt == "<" ? "-0" : ""});
  }
  if (xm) return cat({">=", p.major, ".0.0 <", plus_one(p.major), ".0.0-0"});
  return cat({">=", p.major, ".", p.minor, ".0 <", p.major, ".", plus_one(p.minor), ".0-0"});
}

// The operator at the start of s: (<|>)?=? taken greedily.
std::size_t gtlt_len(std::string_view s) {
  std::size_t n = 0;
  if (n < s.size() && (s[n] == '<' || s[n] == '>')) ++n;
  if (n < s.size() && s[n] == '=') ++n;
  return n;
}

std::string comparator_pieces(std::string_view token) {
  std::string out;
  if (token.starts_with('^')) {
    if (auto p = whole_plain(token.substr(1))) {
      out = caret(*p);
    } else {
      out = token;
    }
  } else {
    out = token;
  }
  std::string next;
  for (std::string_view piece : split_space(out)) {
    if (!next.empty()) next += ' ';
    std::size_t lead = piece.starts_with("~>") ? 2 : piece.starts_with('~') ? 1 : 0;
    auto p = lead ? whole_plain(piece.substr(lead)) : std::nullopt;
    next += p ? tilde(*p) : std::string(piece);
  }
  out.clear();
  for (std::string_view piece : split_space(next)) {
    if (!out.empty()) out += ' ';
    const std::size_t n = gtlt_len(piece);
    auto p = whole_plain(piece.substr(n));
    out += p ? xrange(piece, piece.substr(0, n), *p) : std::string(piece);
  }
  return drop_star(js_trim(out));
}

// The white space after an operator that stands before a version, dropped (node-semver's
// "comparator trim"): the regular expression's left-to-right matching, including the
// versions it passes over without change.
std::string glue_operators(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t j = skip_space(s, i);
    const std::size_t op = gtlt_len(s.substr(j));
    const std::size_t k = skip_space(s, j + op);
    std::size_t stop = k;
    auto p = plain_at(s, k, &stop);
    if (!p) {
      // Every attempt that starts before `stop` reads the same run and fails the same way.
      const std::size_t next = std::max(i + 1, stop);
      out.append(s.substr(i, next - i));
      i = next;
      continue;
    }
    // A LOOSEPLAIN reading is tried first; it ends no earlier than where identifiers stop.
    std::size_t e = p->end;
    while (e < s.size() && (ident_char(s[e]) || s[e] == '.' || s[e] == '+')) ++e;
    out.append(s.substr(i, j + op - i));
    out.append(s.substr(k, e - k));
    if (e == i) {
      out += s[i];
      e = i + 1;
    }
    i = e;
  }
  return out;
}

// `~` (or `~>`) and `^` followed by white space lose it (and `~>` its `>`).
std::string glue_marks(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '~' && i + 1 < s.size() && s[i + 1] == '>') {
      const std::size_t e = skip_space(s, i + 2);
      if (e > i + 2) {
        out += c;
        i = e;
        continue;
      }
    }
    if (c == '~' || c == '^') {
      const std::size_t e = skip_space(s, i + 1);
      if (e > i + 1) {
        out += c;
        i = e;
        continue;
      }
    }
    out += s[i++];
  }
  return out;
}

// The hyphen range `A - B` over the whole text, rewritten; nothing when the text is not one.
std::optional<std::string> hyphen(std::string_view s) {
  auto from = plain_at(s, 0);
  if (!from) return std::nullopt;
  std::size_t k = from->end;
  const std::size_t a = skip_space(s, k);
  if (a == k || a >= s.size() || s[a] != '-') return std::nullopt;
  const std::size_t b = skip_space(s, a + 1);
  if (b == a + 1) return std::nullopt;
  auto to = plain_at(s, b);
  if (!to || to->end != s.size()) return std::nullopt;
  const std::string_view from_text = s.substr(0, from->end), to_text = s.substr(b);
  std::string low, high;
  if (is_x(from->major)) {
  } else if (is_x(from->minor)) {
    low = cat({">=", from->major, ".0.0"});
  } else if (is_x(from->patch)) {
    low = cat({">=", from->major, ".", from->minor, ".0"});
  } else {
    low = cat({">=", from_text});
  }
  if (is_x(to->major)) {
  } else if (is_x(to->minor)) {
    high = cat({"<", plus_one(to->major), ".0.0-0"});
  } else if (is_x(to->patch)) {
    high = cat({"<", to->major, ".", plus_one(to->minor), ".0-0"});
  } else if (!to->pre.empty()) {
    high = cat({"<=", to->major, ".", to->minor, ".", to->patch, "-", to->pre});
  } else {
    high = cat({"<=", to_text});
  }
  return std::string(js_trim(cat({low, " ", high})));
}

// `>=0.0.0`, its dots matching any one character as node-semver's pattern lets them.
bool is_gte0(std::string_view t) {
  auto one = [&](std::size_t& i) {
    if (i >= t.size()) return false;
    const unsigned char c = t[i];
    const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (n == 4 || c == '\n' || c == '\r' || t.substr(i, 3) == "\xE2\x80\xA8" ||
        t.substr(i, 3) == "\xE2\x80\xA9")
      return false;
    i += n;
    return true;
  };
  if (!t.starts_with(">=0")) return false;
  std::size_t i = 3;
  if (!one(i) || i >= t.size() || t[i++] != '0') return false;
  if (!one(i) || i >= t.size() || t[i++] != '0') return false;
  return i == t.size();
}

// node-semver writes `<X-0` to keep X's pre-releases out; helm's partial versions give both
// ends of that kind.
bool past_edge(Ecosystem eco, const NativeComparator& c, std::string_view,
               const ParsedRepr& version) {
  return op_holds(c.op, compare_for_ecosystem(eco, version, c.bound.parsed));
}
VersionSet on_release(Ecosystem eco, const NativeComparator& c) {
  using End = VersionSet::End;
  if (c.op == Op::Lt && c.extra.text == "0.0.0") return VersionSet(eco);
  std::vector<SetVersion> versions(1, c.extra);
  VersionSet::Span span;
  if (c.op == Op::Lt) span.upper = End{0, false};
  else span.lower = End{0, true};
  return VersionSet::build(eco, std::move(versions), {span});
}
constexpr NativeRule kFirstPrereleaseEdge{past_edge, on_release};

// A final comparator: an operator and a full version (`v` allowed, build ignored).
std::expected<std::optional<NativeComparator>, std::string> read_comparator(
    Ecosystem eco, std::string_view text, std::string_view token) {
  if (token.empty()) return std::nullopt;
  const std::size_t n = gtlt_len(token);
  std::string_view version = token.substr(n);
  auto bad = [&](std::string_view what) {
    return fail("invalid npm range '", text, "'; ", what);
  };
  if (version.size() > kMaxLength)
    return bad(message("version longer than 256 characters in '", token, "'"));
  std::string_view full = version.starts_with('v') ? version.substr(1) : version;
  auto p = whole_plain(full);
  if (!p || !p->prefix.empty() || p->patch.empty() || is_x(p->major) || is_x(p->minor) ||
      is_x(p->patch))
    return bad(message("invalid comparator '", token, "'"));
  for (std::string_view num : {p->major, p->minor, p->patch}) {
    auto v = parse_u64(num);
    if (!v || *v > kMaxSafe) return bad(message("number too large in '", token, "'"));
  }
  const std::string_view op = token.substr(0, n);
  const Op kind = op == ">" ? Op::Gt : op == ">=" ? Op::Ge : op == "<" ? Op::Lt
                  : op == "<=" ? Op::Le : Op::Eq;
  std::string bound = cat({p->major, ".", p->minor, ".", p->patch});
  if (!p->pre.empty()) bound = cat({bound, "-", p->pre});
  auto c = kind == Op::Lt && p->pre == "0"
               ? first_prerelease_edge(eco, kind, bound.substr(0, bound.size() - 2))
               : native_comparator(eco, kind, bound);
  if (!c) return std::unexpected(std::move(c.error()));
  return std::optional<NativeComparator>(std::move(*c));
}

// One alternative; `any` tells whether every comparator of it was "any".
std::expected<NativeList, std::string> read_part(Ecosystem eco, std::string_view text,
                                                 std::string_view part, bool& any) {
  std::string s(part);
  if (auto h = hyphen(part)) s = std::move(*h);
  s = glue_marks(glue_operators(s));
  std::string pieces;
  for (std::string_view token : split_space(s)) {
    pieces += comparator_pieces(token);
    pieces += ' ';
  }
  NativeList list;
  any = true;
  // node-semver keeps one comparator per operator and version, which also keeps a text that
  // repeats one comparator a million times small.
  std::unordered_set<std::string> seen;
  for (std::string_view token : split_space(pieces)) {
    if (is_gte0(token)) continue;
    auto c = read_comparator(eco, text, token);
    if (!c) return std::unexpected(std::move(c.error()));
    if (*c) {
      any = false;
      const NativeComparator& k = **c;
      if (seen.insert(message(char('0' + int(k.op)), k.bound.text)).second)
        list.push_back(std::move(**c));
    }
  }
  return list;
}

}  // namespace

std::expected<NativeComparator, std::string> first_prerelease_edge(Ecosystem eco, Op op,
                                                                   std::string_view release) {
  auto c = native_comparator(eco, op, message(release, "-0"));
  if (!c) return c;
  if (auto ok = c->extra.read(eco, release); !ok) return failure(ok);
  c->rule = &kFirstPrereleaseEdge;
  return c;
}

std::expected<NativeConstraint, std::string> parse_native_npm(Ecosystem eco,
                                                              std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::SameRelease, .alternatives = {}};
  bool any_part = false;
  std::size_t start = 0;
  while (true) {
    const std::size_t bar = text.find("||", start);
    const std::string_view part =
        js_trim(text.substr(start, bar == std::string_view::npos ? text.npos : bar - start));
    bool any = false;
    auto list = read_part(eco, text, part, any);
    if (!list) return std::unexpected(std::move(list.error()));
    any_part |= any;
    out.alternatives.push_back(std::move(*list));
    if (bar == std::string_view::npos) break;
    start = bar + 2;
  }
  // node-semver keeps only an alternative that is "any" when there is one, and an "any"
  // keeps pre-releases out.
  if (any_part) out.alternatives.assign(1, {});
  return out;
}

}  // namespace ombrel
