// PEP 440 specifier sets as `packaging` (26.x) reads them: `SpecifierSet(s).contains(v)` with its
// default handling, which lets a pre-release in whenever it meets every specifier. Every
// specifier is a rule of its own: packaging compares the public part of a version (`<=1.0`
// holds `1.0+local`), leaves the bound's pre-releases out of `<` and its post-releases out of
// `>`, matches prefixes for `==1.*`, compares `===` texts, and holds a text that is not a
// PEP 440 version only through `===`.
#include <cstdint>
#include <string>
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "native.hpp"

namespace ombrel {

namespace {

// What a PEP 440 text is made of, as packaging's pattern reads it (ASCII case ignored).
struct Pep440Text {
  std::string_view epoch, release, pre, post, dev, local;
  std::size_t release_parts = 0;
  bool has_pre = false, has_post = false, has_dev = false, has_local = false;
  bool wildcard = false;
};

// Python's str.isspace, which the specifier set's strip and pattern use.
std::size_t py_space(std::string_view s, std::size_t i) {
  const unsigned char c = s[i];
  if (c >= 0x1C && c <= 0x1F) return 1;
  return space_at(s, i);
}

std::string_view py_trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e) {
    const std::size_t k = py_space(s, b);
    if (!k) break;
    b += k;
  }
  while (e > b) {
    std::size_t k = 0;
    for (std::size_t back = 1; back <= 3 && back <= e - b && !k; ++back) {
      const unsigned char c = s[e - back];
      if ((c & 0xC0) == 0x80) continue;
      if (py_space(s, e - back) == back) k = back;
      else break;
    }
    if (!k) break;
    e -= k;
  }
  return s.substr(b, e - b);
}

class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}
  bool done() const { return i_ == s_.size(); }
  std::size_t pos() const { return i_; }
  void reset(std::size_t i) { i_ = i; }
  bool digits() {
    const std::size_t b = i_;
    while (i_ < s_.size() && is_digit(s_[i_])) ++i_;
    return i_ > b;
  }
  bool eat(char c) {
    if (i_ < s_.size() && to_lower(s_[i_]) == c) return ++i_, true;
    return false;
  }
  bool sep() { return eat('-') || eat('_') || eat('.'); }
  bool word(std::string_view w) {
    if (i_ + w.size() > s_.size() || !iequals(s_.substr(i_, w.size()), w)) return false;
    i_ += w.size();
    return true;
  }
  std::string_view from(std::size_t b) const { return s_.substr(b, i_ - b); }

 private:
  std::string_view s_;
  std::size_t i_ = 0;
};

// Reads `s` as a version of packaging's pattern; `local` and `wildcard` say what may follow.
std::optional<Pep440Text> read_pep440(std::string_view s, bool local, bool wildcard) {
  Pep440Text t;
  Scanner sc(s);
  sc.eat('v');
  std::size_t b = sc.pos();
  if (sc.digits() && sc.eat('!')) {
    t.epoch = sc.from(b);
    t.epoch.remove_suffix(1);
  } else {
    sc.reset(b);
  }
  b = sc.pos();
  if (!sc.digits()) return std::nullopt;
  t.release_parts = 1;
  while (true) {
    const std::size_t at = sc.pos();
    if (sc.eat('.') && sc.digits()) {
      ++t.release_parts;
      continue;
    }
    sc.reset(at);
    break;
  }
  t.release = sc.from(b);
  if (wildcard) {
    const std::size_t at = sc.pos();
    if (sc.eat('.') && sc.eat('*') && sc.done()) return t.wildcard = true, t;
    sc.reset(at);
  }
  if (sc.done()) return t;  // a plain release, the common case: nothing of what follows applies
  // Pre-release: [-_.]?(alpha|beta|preview|pre|a|b|c|rc)[-_.]?[0-9]*
  std::size_t at = sc.pos();
  sc.sep();
  bool pre = false;
  for (std::string_view w : {"alpha", "beta", "preview", "pre", "rc", "a", "b", "c"})
    if (sc.word(w)) {
      pre = true;
      break;
    }
  if (pre) {
    const std::size_t n = sc.pos();
    if (!(sc.sep() && sc.digits())) {
      sc.reset(n);
      sc.digits();
    }
    t.has_pre = true;
    t.pre = sc.from(at);
  } else {
    sc.reset(at);
  }
  // Post-release: -N, or [-_.]?(post|rev|r)[-_.]?[0-9]*
  at = sc.pos();
  if (sc.eat('-') && sc.digits()) {
    t.has_post = true;
  } else {
    sc.reset(at);
    sc.sep();
    if (sc.word("post") || sc.word("rev") || sc.word("r")) {
      const std::size_t n = sc.pos();
      if (!(sc.sep() && sc.digits())) {
        sc.reset(n);
        sc.digits();
      }
      t.has_post = true;
    } else {
      sc.reset(at);
    }
  }
  if (t.has_post) t.post = sc.from(at);
  // Development release: [-_.]?dev[-_.]?[0-9]*
  at = sc.pos();
  sc.sep();
  if (sc.word("dev")) {
    const std::size_t n = sc.pos();
    if (!(sc.sep() && sc.digits())) {
      sc.reset(n);
      sc.digits();
    }
    t.has_dev = true;
    t.dev = sc.from(at);
  } else {
    sc.reset(at);
  }
  if (local && sc.eat('+')) {
    const std::size_t lb = sc.pos();
    auto alnum = [&] {
      const std::size_t p = sc.pos();
      while (!sc.done() && (is_digit(s[sc.pos()]) || is_alpha(s[sc.pos()]))) sc.reset(sc.pos() + 1);
      return sc.pos() > p;
    };
    if (!alnum()) return std::nullopt;
    while (true) {
      const std::size_t p = sc.pos();
      if (sc.sep() && alnum()) continue;
      sc.reset(p);
      break;
    }
    t.has_local = true;
    t.local = sc.from(lb);
  }
  if (!sc.done()) return std::nullopt;
  return t;
}

// A version as packaging reads it: its text with surrounding white space allowed. Each
// specifier of a set reads the candidate in turn; the last short text read is kept with its
// reading, one per thread, so that a set reads a candidate once. The reading's views point into
// the kept copy (or, for a longer text, into `text`) and last until the next call.
std::optional<Pep440Text> candidate(std::string_view text) {
  constexpr std::size_t kKept = 64;
  if (text.size() > kKept) return read_pep440(py_trim(text), true, false);
  struct Last {
    std::string text;
    std::optional<Pep440Text> reading;
    bool read = false;
  };
  thread_local Last last;
  if (!last.read || text != last.text) {
    last.text.assign(text);
    last.reading = read_pep440(py_trim(last.text), true, false);
    last.read = true;
  }
  return last.reading;
}

std::string epoch_prefix(const Pep440Text& t) {
  return t.epoch.empty() ? std::string() : message(t.epoch, "!");
}

int cmp_text(Ecosystem eco, const ParsedRepr& a, std::string_view b) {
  auto r = compare_with_text(eco, a, b);
  return r ? *r : 1;
}

// The comparison of the candidate's public part with the bound.
int cmp_public(Ecosystem eco, const NativeComparator& c, std::string_view text,
               const Pep440Text& t, const ParsedRepr& version) {
  if (!t.has_local) return compare_for_ecosystem(eco, version, c.bound.parsed);
  const std::string_view trimmed = py_trim(text);
  auto pub = parse_for_ecosystem(eco, trimmed.substr(0, trimmed.find('+')));
  return pub ? compare_for_ecosystem(eco, *pub, c.bound.parsed) : 0;
}

// The kinds of specifier, each a rule.
enum class Kind : std::uint8_t { Public, Exact, Below, Above, Prefix, Identity };

bool test(Kind kind, Ecosystem eco, const NativeComparator& c, std::string_view text,
          const ParsedRepr& version) {
  if (kind == Kind::Identity) {
    const std::string_view spec = c.bound.text;
    if (text.size() != spec.size()) return false;
    for (std::size_t i = 0; i < spec.size(); ++i)
      if (to_lower(text[i]) != to_lower(spec[i])) return false;
    return true;
  }
  const auto t = candidate(text);
  if (!t) return false;
  const auto holds = [&](int r) { return op_holds(c.op, r); };
  switch (kind) {
    case Kind::Public:
      return holds(cmp_public(eco, c, text, *t, version));
    case Kind::Exact:
      return holds(compare_for_ecosystem(eco, version, c.bound.parsed));
    case Kind::Below: {  // `<V`; `extra` is V.dev0 when V is no pre-release
      if (compare_for_ecosystem(eco, version, c.bound.parsed) >= 0) return false;
      return c.extra.text.empty() || !(t->has_pre || t->has_dev) ||
             compare_for_ecosystem(eco, version, c.extra.parsed) < 0;
    }
    case Kind::Above: {  // `>V`; `extra` is set when V is no post-release
      if (compare_for_ecosystem(eco, version, c.bound.parsed) <= 0) return false;
      if (!c.extra.text.empty() && t->has_post &&
          cmp_text(eco, c.bound.parsed, message(epoch_prefix(*t), t->release, t->pre)) == 0)
        return false;
      return !(t->has_local && cmp_public(eco, c, text, *t, version) == 0);
    }
    case Kind::Prefix: {  // `==P.*`: the public part in [P.dev0, P'.dev0)
      const NativeComparator high{.op = Op::Lt, .names_prerelease = false, .rule = nullptr,
                                  .bound = c.extra, .extra = {}};
      const bool in = cmp_public(eco, c, text, *t, version) >= 0 &&
                      cmp_public(eco, high, text, *t, version) < 0;
      return (c.op == Op::Eq) == in;
    }
    case Kind::Identity:
      break;
  }
  return false;
}

template <Kind K>
bool test_kind(Ecosystem eco, const NativeComparator& c, std::string_view text,
               const ParsedRepr& version) {
  return test(K, eco, c, text, version);
}

VersionSet one(Ecosystem eco, const SetVersion& v, VersionSet::Span span,
               std::span<const std::uint32_t> left_out = {}) {
  return VersionSet::build(eco, std::vector<SetVersion>(1, v), {span}, left_out);
}

// The interval of `op bound`: what the VERS text keeps of a rule.
VersionSet nearest_interval(Ecosystem eco, const NativeComparator& c) {
  using End = VersionSet::End;
  static constexpr std::uint32_t kFirst[] = {0};
  switch (c.op) {
    case Op::Gt: return one(eco, c.bound, {End{0, false}, {}});
    case Op::Ge: return one(eco, c.bound, {End{0, true}, {}});
    case Op::Lt: return one(eco, c.bound, {{}, End{0, false}});
    case Op::Le: return one(eco, c.bound, {{}, End{0, true}});
    case Op::Eq: return one(eco, c.bound, {End{0, true}, End{0, true}});
    case Op::Ne: return one(eco, c.bound, {}, kFirst);
  }
  return VersionSet(eco);
}

VersionSet nearest_prefix(Ecosystem eco, const NativeComparator& c) {
  using End = VersionSet::End;
  std::vector<SetVersion> versions{c.bound, c.extra};
  if (c.op == Op::Eq) return VersionSet::build(eco, std::move(versions), {{End{0, true}, End{1, false}}});
  return VersionSet::build(eco, std::move(versions), {{{}, End{0, false}}, {End{1, true}, {}}});
}

VersionSet nearest_identity(Ecosystem eco, const NativeComparator& c) {
  return c.extra.text.empty() ? VersionSet(eco) : nearest_interval(eco, c);
}

constexpr NativeRule kRules[] = {
    {test_kind<Kind::Public>, nearest_interval, true},
    {test_kind<Kind::Exact>, nearest_interval, true},
    {test_kind<Kind::Below>, nearest_interval, true},
    {test_kind<Kind::Above>, nearest_interval, true},
    {test_kind<Kind::Prefix>, nearest_prefix},
    {test_kind<Kind::Identity>, nearest_identity},
};

struct OpSpelling {
  std::string_view text;
  Op op;
};
// Longest first, as the pattern tries them.
constexpr OpSpelling kOps[] = {{"===", Op::Eq}, {"~=", Op::Ge}, {"==", Op::Eq}, {"!=", Op::Ne},
                               {"<=", Op::Le},  {">=", Op::Ge}, {"<", Op::Lt},  {">", Op::Gt}};

// The release of `t` with its last part dropped (`~=`) or raised by one (prefix ends).
std::string release_prefix(const Pep440Text& t, bool drop_last) {
  std::string_view r = t.release;
  if (drop_last) return std::string(r.substr(0, r.rfind('.')));
  return std::string(r);
}

std::string raised(std::string_view release) {
  const std::size_t dot = release.rfind('.');
  const std::size_t b = dot == std::string_view::npos ? 0 : dot + 1;
  std::string digits(release.substr(b));
  // Decimal increment of the last part, whatever its length.
  std::size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i == 0) {
    digits.insert(digits.begin(), '1');
  } else {
    ++digits[i - 1];
  }
  return message(release.substr(0, b), digits);
}

std::expected<NativeComparator, std::string> with_rule(Ecosystem eco, Op op, std::string_view v,
                                                       Kind kind) {
  auto c = native_comparator(eco, op, v);
  if (!c) return c;
  c->rule = &kRules[static_cast<int>(kind)];
  return c;
}

std::expected<void, std::string> read_specifier(Ecosystem eco, std::string_view text,
                                                std::string_view spec, NativeList& out) {
  auto bad = [&] { return fail("invalid PEP 440 specifier set '", text, "'; invalid specifier '", spec, "'"); };
  const OpSpelling* op = nullptr;
  for (const OpSpelling& o : kOps)
    if (spec.starts_with(o.text)) {
      op = &o;
      break;
    }
  if (!op) return bad();
  std::string_view v = spec.substr(op->text.size());
  v = py_trim(v);
  if (op->text == "===") {
    for (std::size_t i = 0; i < v.size(); ++i)
      if (py_space(v, i) || v[i] == ';' || v[i] == ')') return bad();
    NativeComparator c;
    c.op = Op::Eq;
    c.rule = &kRules[static_cast<int>(Kind::Identity)];
    c.bound.text = std::string(v);
    // Where the text is a version, the VERS text names it.
    if (auto ok = c.extra.read(eco, v); ok) {
      c.bound.parsed = c.extra.parsed;
    } else {
      c.extra = SetVersion();
      c.extra.text.clear();
    }
    out.push_back(std::move(c));
    return {};
  }
  const bool eq = op->text == "==" || op->text == "!=";
  const auto t = read_pep440(v, eq, eq);
  if (!t || (op->text == "~=" && t->release_parts < 2)) return bad();
  const std::string e = epoch_prefix(*t);
  if (t->wildcard) {
    auto c = with_rule(eco, op->op, message(e, t->release, ".dev0"), Kind::Prefix);
    if (!c) return failure(c);
    if (auto ok = c->extra.read(eco, message(e, raised(t->release), ".dev0")); !ok) return failure(ok);
    c->names_prerelease = false;
    out.push_back(std::move(*c));
    return {};
  }
  if (op->text == "~=") {
    auto ge = with_rule(eco, Op::Ge, v, Kind::Public);
    if (!ge) return failure(ge);
    out.push_back(std::move(*ge));
    const std::string prefix = release_prefix(*t, true);
    auto c = with_rule(eco, Op::Eq, message(e, prefix, ".dev0"), Kind::Prefix);
    if (!c) return failure(c);
    if (auto ok = c->extra.read(eco, message(e, raised(prefix), ".dev0")); !ok) return failure(ok);
    // packaging builds the prefix from the text as written, and one that starts with `v`
    // matches nothing: an empty prefix range says so.
    if (v[0] == 'v' || v[0] == 'V') c->extra = c->bound;
    c->names_prerelease = false;
    out.push_back(std::move(*c));
    return {};
  }
  Kind kind = t->has_local ? Kind::Exact : Kind::Public;
  if (op->op == Op::Lt) kind = Kind::Below;
  if (op->op == Op::Gt) kind = Kind::Above;
  auto c = with_rule(eco, op->op, v, kind);
  if (!c) return failure(c);
  if (kind == Kind::Below && !(t->has_pre || t->has_dev)) {
    if (auto ok = c->extra.read(eco, message(e, t->release, t->pre, t->post, ".dev0")); !ok)
      return failure(ok);
  }
  if (kind == Kind::Above && !t->has_post) c->extra = c->bound;
  out.push_back(std::move(*c));
  return {};
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_pep440(Ecosystem eco,
                                                                 std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  NativeList list;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view spec = py_trim(text.substr(start, comma - start));
    if (!spec.empty())
      if (auto ok = read_specifier(eco, text, spec, list); !ok) return std::unexpected(std::move(ok.error()));
    start = comma + 1;
  }
  out.alternatives.push_back(std::move(list));
  return out;
}

}  // namespace ombrel
