// libFuzzer entry point for the core parsers. The first byte picks a target, the second an
// ecosystem; the rest is split into texts at every 0xFF byte, which valid UTF-8 never holds,
// so the texts themselves may carry any other byte (NUL and broken sequences included).
// Every target checks the invariants its operation promises and aborts when one breaks.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <optional>
#include <ranges>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "autodetect.hpp"
#include "bump.hpp"
#include "ecosystem.hpp"
#include "generic_parse.hpp"
#include "merge_sort.hpp"
#include "osv.hpp"
#include "osv_database.hpp"
#include "purl.hpp"
#include "ranges.hpp"
#include "stable.hpp"
#include "strategies/maven.hpp"
#include "strategies/registry.hpp"
#include "text.hpp"
#include "native/native.hpp"
#include "strategies/composer.hpp"
#include "vers_standard.hpp"
#include "version_entries.hpp"
#include "version_key.hpp"
#include "version_set.hpp"

namespace {

using namespace ombrel;

[[noreturn]] void broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

void check(bool ok, const char* what) {
  if (!ok) broken(what);
}

struct Input {
  std::uint8_t target = 0;
  Ecosystem eco;
  std::vector<std::string_view> texts;  // always at least one

  std::string_view text(std::size_t i) const { return i < texts.size() ? texts[i] : ""; }
};

Input split(const std::uint8_t* data, std::size_t size) {
  Input in;
  if (size > 0) in.target = data[0];
  if (size > 1) in.eco = static_cast<Ecosystem::Id>(data[1] % Ecosystem::count);
  const std::size_t skip = size < 2 ? size : 2;
  std::string_view rest(reinterpret_cast<const char*>(data) + skip, size - skip);
  for (;;) {
    const std::size_t cut = rest.find('\xff');
    in.texts.push_back(rest.substr(0, cut));
    if (cut == rest.npos) break;
    rest.remove_prefix(cut + 1);
  }
  return in;
}

// Equal versions share their canonical text, and versions that share it are equal, but for
// Arch's, which leaves the pkgrel out (a version without one equals every pkgrel), and
// Maven's, whose rendering (kept as it is, so that its hashes stay) merges some lists that Maven
// orders apart: a collision, never a miss.
void check_canonical(Ecosystem eco, const std::vector<ParsedRepr>& parsed) {
  for (std::size_t i = 0; i < parsed.size(); ++i)
    for (std::size_t j = i + 1; j < parsed.size(); ++j) {
      const auto a = eco.strategy().canonical(parsed[i]), b = eco.strategy().canonical(parsed[j]);
      if (!a || !b) return;
      const bool equal = compare_for_ecosystem(eco, parsed[i], parsed[j]) == 0;
      // PEP 440 texts outside packaging's grammar whose numbers pass 64 bits compare equal to
      // any such number while their canonical texts keep the digits; the hash, read from the
      // canonical text's generic parse, saturates them alike, so equal versions still hash alike.
      check(!equal || *a == *b || eco == Ecosystem::Pep440,
            "equal versions share their canonical text");
      check(eco == Ecosystem::Arch || eco == Ecosystem::Maven || equal || *a != *b,
            "a canonical text names one version");
    }
}

// Equal versions must hash alike, or a Version cannot serve as a dict key.
void check_hash(Ecosystem eco, const std::vector<std::string_view>& texts,
                const std::vector<ParsedRepr>& parsed) {
  for (std::size_t i = 0; i < parsed.size(); ++i)
    for (std::size_t j = i + 1; j < parsed.size(); ++j) {
      const int order = compare_for_ecosystem(eco, parsed[i], parsed[j]);
      if (order == 0)
        check(version_hash(eco, parse_generic(texts[i]), parsed[i]) ==
                  version_hash(eco, parse_generic(texts[j]), parsed[j]),
              "equal versions hash alike");
    }
}

// The ecosystems whose ordering is transitive. The generic one is not: a number 0 against a
// missing segment goes on while a tag against a number decides, so "1^" > "1" > "1.0.foo" >
// "1^" (and PEP 440 orders by the same segments); nor is Maven's ("1.a1" < "1" < "1.u.0" <
// "1.a1" in Maven itself), nor Arch's ("7" equals "7-4" and "7-5", which differ).
constexpr Ecosystem::Id kTransitive[] = {Ecosystem::Semver, Ecosystem::Npm,   Ecosystem::Go,
                                         Ecosystem::Crates, Ecosystem::Hex,   Ecosystem::Swift,
                                         Ecosystem::Dart,   Ecosystem::Julia, Ecosystem::Helm,
                                         Ecosystem::Debian, Ecosystem::Rpm,   Ecosystem::Alpine,
                                         Ecosystem::Gentoo, Ecosystem::Ruby,  Ecosystem::Composer,
                                         Ecosystem::Cpan,   Ecosystem::Nix};

// The only answers auto-detection gives.
constexpr Ecosystem::Id kDetected[] = {
    Ecosystem::Pep440, Ecosystem::Debian, Ecosystem::Rpm,  Ecosystem::Go,     Ecosystem::Maven,
    Ecosystem::Conda,  Ecosystem::Alpine, Ecosystem::Ruby, Ecosystem::Calver, Ecosystem::Generic};

bool one_of(Ecosystem eco, std::span<const Ecosystem::Id> ids) {
  return std::ranges::find(ids, Ecosystem::Id(eco)) != ids.end();
}

// Three-way, reflexive and antisymmetric over every pair of parsed texts; transitive over every
// triple where the ecosystem's ordering is.
void check_order(Ecosystem eco, const std::vector<ParsedRepr>& v) {
  const bool total = one_of(eco, kTransitive);
  const std::size_t n = v.size();
  std::vector<int> c(n * n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) {
      const int r = compare_for_ecosystem(eco, v[i], v[j]);
      check(r == -1 || r == 0 || r == 1, "compare is -1, 0 or 1");
      c[i * n + j] = r;
    }
  for (std::size_t i = 0; i < n; ++i) {
    check(c[i * n + i] == 0, "compare(a, a) is equal");
    for (std::size_t j = 0; j < n; ++j) {
      check(c[i * n + j] == -c[j * n + i], "compare(a, b) is minus compare(b, a)");
      for (std::size_t k = 0; k < n && total; ++k)
        if (c[i * n + j] <= 0 && c[j * n + k] <= 0)
          check(c[i * n + k] <= 0 && (c[i * n + k] < 0) == (c[i * n + j] < 0 || c[j * n + k] < 0),
                "compare is transitive");
    }
  }
}

void strategies(const Input& in) {
  std::vector<std::string_view> texts;
  std::vector<ParsedRepr> parsed;
  for (std::size_t i = 0; i < in.texts.size() && i < 4; ++i) {
    auto p = parse_for_ecosystem(in.eco, in.texts[i]);
    if (!p) {
      check(!p.error().empty(), "a parse error has a message");
      continue;
    }
    texts.push_back(in.texts[i]);
    parsed.push_back(std::move(*p));
  }
  check_order(in.eco, parsed);
  check_hash(in.eco, texts, parsed);
  check_canonical(in.eco, parsed);
}

// The registry's shortcuts (comparing texts without keeping their parses, parsing in place,
// ordering by a prefix of leading numbers) must answer as parse and compare do.
void shortcuts(const Input& in) {
  const std::string_view a = in.text(0), b = in.text(1);
  const auto pa = parse_for_ecosystem(in.eco, a);
  const auto pb = parse_for_ecosystem(in.eco, b);
  std::expected<int, std::string> want = std::unexpected(std::string());
  if (!pa)
    want = std::unexpected(pa.error());
  else if (!pb)
    want = std::unexpected(pb.error());
  else
    want = compare_for_ecosystem(in.eco, *pa, *pb);
  check(compare_texts(in.eco, a, b) == want, "compare_texts agrees with parse and compare");
  check(check_text(in.eco, a).has_value() == pa.has_value(), "check_text accepts what parses");
  if (pa) {
    const auto with_text = compare_with_text(in.eco, *pa, b);
    check(with_text == want, "compare_with_text agrees with parse and compare");
  }
  // In place, into a fresh value and into one that holds an earlier parse.
  ParsedRepr out;
  for (std::string_view t : {a, b, in.text(2), a}) {
    const auto into = parse_into(in.eco, t, out);
    const auto ref = parse_for_ecosystem(in.eco, t);
    check(into.has_value() == ref.has_value(), "parse_into fails when parse fails");
    if (!ref) {
      check(into.error() == ref.error(), "parse_into fails with the same message");
      continue;
    }
    check(compare_for_ecosystem(in.eco, out, *ref) == 0, "parse_into gives the same version");
    if (pb) {
      check(compare_for_ecosystem(in.eco, out, *pb) == compare_for_ecosystem(in.eco, *ref, *pb),
            "parse_into orders as parse does");
      const int by_prefix = cmp_prefix(order_prefix(in.eco, out), order_prefix(in.eco, *pb));
      check(by_prefix == 0 || by_prefix == compare_for_ecosystem(in.eco, *ref, *pb),
            "a deciding prefix orders as compare does");
      // A key read from the text is the parse's key where the strategy reads texts for keys.
      const OrderKey key = order_key(in.eco, out), other = order_key(in.eco, *pb);
      const auto text_key = text_order_key(in.eco, t);
      check(text_key.has_value(), "a text that parses has a key");
      check(!text_key->complete() || (text_key->hi == key.hi && text_key->lo == key.lo),
            "a complete key of a text is its parse's");
      const int by_key = cmp_order_keys(key, other);
      check(by_key == kKeyOpen || by_key == compare_for_ecosystem(in.eco, *ref, *pb),
            "a deciding key orders as compare does");
    }
  }
}

void generic(const Input& in) {
  for (std::string_view t : in.texts) {
    const ParsedVersion p = parse_generic(t);
    check(p.raw == t, "raw is the input");
    check(p.build().size() <= t.size(), "build lies within raw");
    for (const Seg& s : p.segments.span()) {
      if (!s.is_tag()) continue;
      const std::string tag = GenericParse::tag_text(p.raw, s);
      check(!tag.empty(), "a tag is never empty");
      check(s.listed() == tag_weight(tag).has_value(), "tag weight matches its text");
    }
  }
}

// The detection rules restated one by one on a lower-case copy, searched once per rule: the
// slow reading that the one-pass detector must agree with on every text.
Ecosystem detect_rule_by_rule(std::string_view text) {
  const std::string s = ascii_lower(text);
  const auto has = [&](std::string_view mark) { return s.find(mark) != s.npos; };
  const auto digit = [&](std::size_t i) { return i < s.size() && is_digit(s[i]); };
  if (has("!")) return Ecosystem::Pep440;
  if (has("~")) return Ecosystem::Debian;
  if (has("^")) return Ecosystem::Rpm;
  if (has(".post") || has(".dev")) return Ecosystem::Pep440;
  if (s.ends_with("+incompatible")) return Ecosystem::Go;
  if (s.ends_with("-snapshot")) return Ecosystem::Maven;
  if (has("py") && has("_")) return Ecosystem::Conda;
  for (std::string_view mark : {"_alpha", "_beta", "_p", "_rc", "_pre"})
    if (has(mark)) return Ecosystem::Alpine;
  if (has("+deb") || has("+ubuntu")) return Ecosystem::Debian;
  for (std::string_view mark : {".el", ".fc", ".amzn"})  // the first of each only
    if (const std::size_t at = s.find(mark); at != s.npos && digit(at + mark.size()))
      return Ecosystem::Rpm;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const std::string_view after = std::string_view(s).substr(i + 1);
    if (digit(i) && (((after.starts_with('a') || after.starts_with('b')) && digit(i + 2)) ||
                     (after.starts_with("rc") && digit(i + 3))))
      return Ecosystem::Pep440;
  }
  if (const std::size_t r = s.rfind("-r"); r != s.npos && r > 0 && r + 2 < s.size() &&
                                            s.find_first_not_of("0123456789", r + 2) == s.npos)
    return Ecosystem::Alpine;
  if (!has("-") && !has("_"))
    for (const auto piece : std::views::split(s, '.')) {
      const std::string_view p(piece.begin(), piece.end());
      if (p == "rc" || p == "pre" || p.starts_with("beta") || p.starts_with("alpha"))
        return Ecosystem::Ruby;
    }
  const std::size_t lead = digit_run(s);
  const auto year = parse_u64(std::string_view(s).substr(0, lead));
  if (lead > 0 && has(".") && year && *year >= 1990 && *year <= 2100) return Ecosystem::Calver;
  return Ecosystem::Generic;
}

void autodetect(const Input& in) {
  const Ecosystem e = autodetect_ecosystem(in.text(0));
  check(one_of(e, kDetected), "autodetect answers one of its ten ecosystems");
  check(e == detect_rule_by_rule(in.text(0)), "autodetect decides as its rules one by one");
  (void)parse_for_ecosystem(e, in.text(0));
  // An ecosystem argument: auto detects from a text, keeps a known ecosystem and is generic
  // without a sample; a name resolves to itself whatever the sample.
  if (const auto arg = EcosystemArg::read(in.text(1))) {
    const auto named = Ecosystem::from_str(in.text(1));
    check(arg->is_auto() != named.has_value(), "an argument is auto or a name");
    check(arg->resolve(in.text(0)) == (named ? *named : e), "auto detects from the sample");
    check(arg->resolve(in.eco) == (named ? *named : in.eco), "auto keeps a known ecosystem");
    check(arg->resolve({}) == (named ? *named : Ecosystem(Ecosystem::Generic)),
          "auto without a sample is generic");
  }
  check(!EcosystemArg::read(in.text(1), false) || !EcosystemArg::read(in.text(1))->is_auto(),
        "auto is refused where it is not allowed");
  (void)Ecosystem::from_osv_name(in.text(0));
}

std::size_t count_separators(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t at = s.find("||"); at != s.npos; at = s.find("||", at + 2)) ++n;
  return n;
}

void ranges(const Input& in) {
  const auto set = RangeSet::parse(in.text(0));
  if (!set) {
    check(!set.error().empty(), "a range error has a message");
    return;
  }
  check(set->branches.size() == count_separators(in.text(0)) + 1, "one branch per alternative");
  for (const Branch& b : set->branches)
    for (const Comparator& c : b)
      check(!c.version.empty() && trim(c.version) == c.version, "bounds are trimmed, not empty");
  (void)set->contains(in.eco, in.text(1));
  const auto other = RangeSet::parse(in.text(2));
  if (!other) return;
  const auto ab = set->intersects(in.eco, *other);
  const auto ba = other->intersects(in.eco, *set);
  if (ab && ba) check(*ab == *ba, "intersection is symmetric");
  (void)set->intersects(in.eco, *set);
}

bool same_purl(const Purl& a, const Purl& b) {
  return a.type == b.type && a.namespace_ == b.namespace_ && a.name == b.name &&
         a.version == b.version && a.qualifiers == b.qualifiers && a.subpath == b.subpath;
}

void purls(const Input& in) {
  for (std::string_view t : in.texts) {
    const auto p = Purl::parse(t);
    if (!p) continue;
    check(!p->type.empty() && !p->name.empty(), "a purl has a type and a name");
    const auto again = Purl::parse(p->to_purl());
    check(again.has_value() && same_purl(*p, *again), "a purl survives to_purl and parse");
    (void)p->ecosystem();
  }
}

bool same_range(const RangeSet& a, const RangeSet& b) {
  if (a.branches.size() != b.branches.size()) return false;
  for (std::size_t i = 0; i < a.branches.size(); ++i) {
    const Branch &x = a.branches[i], &y = b.branches[i];
    if (x.size() != y.size()) return false;
    for (std::size_t j = 0; j < x.size(); ++j)
      if (x[j].op != y[j].op || x[j].version != y[j].version) return false;
  }
  return true;
}

// A canonical text reads back as itself and holds what its source holds, where the ordering
// is transitive (in a cycle, a set built by comparing bounds with each other may differ).
void canonical(const Vers& v, std::string_view version) {
  const auto text = v.canonical();
  if (!text) return;
  const auto back = Vers::parse(*text);
  check(back.has_value(), "a canonical text reads back");
  check(back->canonical() == *text, "a canonical text is its own canonical text");
  if (!one_of(v.ecosystem, kTransitive) || v.any_type) return;
  const auto want = v.contains(version);
  if (want) check(back->contains(version) == want, "a canonical text holds what its source holds");
}

// Union and intersection of two sets hold what either and both hold.
void set_algebra(Ecosystem eco, const RangeSet& a, const RangeSet& b, std::string_view version) {
  const auto sa = VersionSet::from_range(eco, a), sb = VersionSet::from_range(eco, b);
  auto x = parse_for_ecosystem(eco, version);
  if (!sa || !sb || !x || !one_of(eco, kTransitive)) return;
  const bool in_a = sa->contains(*x), in_b = sb->contains(*x);
  check(sa->unite(*sb).contains(*x) == (in_a || in_b), "a union holds what either holds");
  check(sa->intersect(*sb).contains(*x) == (in_a && in_b), "an intersection holds what both hold");
  check(sa->unite(*sb).to_vers("t") == sb->unite(*sa).to_vers("t"), "union is symmetric");
  check(a.contains(eco, version) == in_a, "a set holds what its range holds");
}

void vers(const Input& in) {
  if (const auto v = Vers::parse(in.text(0)); v) {
    (void)v->contains(in.text(1));
    canonical(*v, in.text(1));
  }
  // What build_vers writes must read back as the same ecosystem and range, unless the range
  // reads as a standard text.
  const auto eco = Ecosystem::from_str(in.text(1));
  const auto range = RangeSet::parse(in.text(2));
  if (const auto other = RangeSet::parse(in.text(3)); eco && range && other)
    set_algebra(*eco, *range, *other, in.text(0));
  if (!eco || !range || is_standard_constraints(trim(in.text(2)))) return;
  std::string text = "vers:";
  text.append(eco->as_str()).append("/").append(trim(in.text(2)));
  const auto back = Vers::parse(text);
  check(back.has_value(), "build_vers output parses");
  check(back->ecosystem == *eco, "build_vers keeps the ecosystem");
  check(same_range(back->range, *range), "build_vers keeps the range");
}

// An OSV range of events made from the texts after the first, which is the version: each
// text's first byte picks the event's kind (and, from the first event's, the range type), the
// rest is its value. The one-shot evaluation, the read rule and the database must agree, and
// under a transitive ordering the answer cannot depend on the order events are listed in.
void osv(const Input& in) {
  OsvRange range;
  for (std::size_t i = 1; i < in.texts.size(); ++i) {
    const std::string_view t = in.texts[i];
    if (t.empty()) continue;
    const auto byte = static_cast<unsigned char>(t[0]);
    if (range.events.empty()) range.type = static_cast<OsvRangeType>(byte / 4 % 3);
    range.events.push_back({static_cast<OsvEventKind>(byte % 4), t.substr(1)});
  }
  const std::string_view version = in.text(0);
  const auto hit = osv_range_contains(range, in.eco, version);
  if (!hit) check(!hit.error().empty(), "an OSV error has a message");
  const auto rule = OsvRangeRule::read(range, in.eco);
  const auto parsed = parse_for_ecosystem(osv_ordering(range.type, in.eco), version);
  if (hit && rule && parsed)
    check(rule->holds(*parsed) == *hit, "a read range holds what the one-shot evaluation does");

  // Listing order matters only between events at equal versions.
  if (hit && one_of(rule ? rule->ordering : in.eco, kTransitive)) {
    OsvRange reversed = range;
    std::ranges::reverse(reversed.events);
    bool distinct = true;
    for (std::size_t i = 0; rule && i < rule->events.size(); ++i)
      for (std::size_t j = i + 1; j < rule->events.size(); ++j)
        if (!rule->before(rule->events[i], rule->events[j]) &&
            !rule->before(rule->events[j], rule->events[i]))
          distinct = false;
    const auto again = osv_range_contains(reversed, in.eco, version);
    if (distinct) check(again.has_value() && *again == *hit, "events are walked in version order");
  }

  // The database answers as the evaluation, for a package of the fuzzed ecosystem.
  OsvDatabase db;
  OsvAdvisory advisory{"FUZZ-1", false, {OsvAffected{"generic", "p", {range}, {}}}};
  if (one_of(in.eco, kTransitive)) advisory.affected[0].ecosystem = in.eco.as_str();
  db.add(advisory);
  db.add(advisory);  // replaces the first
  check(db.size() == 1, "an advisory added again replaces the earlier one");
  const auto eco = osv_ecosystem(advisory.affected[0].ecosystem);
  const auto ids = db.query(osv_package(advisory.affected[0].ecosystem, "p", version));
  if (eco) {
    const auto want = osv_range_contains(range, *eco, version);
    if (ids && want) check((ids->size() == 1) == *want, "the database answers as osv_range_contains");
  }
  if (const auto package = osv_package_of_purl(version); package) (void)db.query(*package);
}

// Deep nesting is reached far more often when each byte stands for a Maven token. Two texts
// compared without keeping their parses (short ones read together, as far as they must be)
// order as their parses do.
void maven(const Input& in) {
  static constexpr std::string_view kTokens[] = {
      "1", "0", ".", "-", "a", "rc", "sp", "x", "ga", "-1", "a1", "9999999999999999999999",
      "Final", "SNAPSHOT", "m"};
  std::vector<std::string> owned;
  for (std::string_view t : in.texts) {
    std::string text;
    for (unsigned char c : t) text += kTokens[c % std::size(kTokens)];
    owned.emplace_back(t);
    owned.push_back(std::move(text));
  }
  std::vector<std::string_view> texts;
  std::vector<ParsedRepr> parsed;
  for (const std::string& s : owned) {
    auto p = parse_for_ecosystem(Ecosystem::Maven, s);
    if (!p) continue;
    (void)std::get<MavenVersion>(*p).canonical();
    if (parsed.size() == 4) continue;
    texts.push_back(s);
    parsed.push_back(std::move(*p));
  }
  check_order(Ecosystem::Maven, parsed);
  check_hash(Ecosystem::Maven, texts, parsed);
  for (std::size_t i = 0; i < parsed.size(); ++i)
    for (std::size_t j = 0; j < parsed.size(); ++j)
      check(compare_texts(Ecosystem::Maven, texts[i], texts[j]) ==
                compare_for_ecosystem(Ecosystem::Maven, parsed[i], parsed[j]),
            "Maven texts compared as read order as their parses do");
}


// The decimal text of the successor of `n`, past the 64-bit range included.
std::string successor_text(std::uint64_t n) {
  if (n == std::numeric_limits<std::uint64_t>::max()) return "18446744073709551616";
  return std::to_string(n + 1);
}

// A bump keeps the components before the bumped one, writes the successor of that one and
// zeroes the rest; next_stable keeps all three.
void bumps(const Input& in) {
  for (std::string_view t : in.texts) {
    const ParsedVersion p = parse_generic(t);
    for (const BumpPart part :
         {BumpPart::Major, BumpPart::Minor, BumpPart::Patch, BumpPart::Release}) {
      std::string want;
      for (std::size_t k = 0; k < 3; ++k) {
        if (k) want += '.';
        const auto bumped = static_cast<std::size_t>(part);
        want += k < bumped ? std::to_string(p.number_at(k))
                           : (k == bumped ? successor_text(p.number_at(k)) : "0");
      }
      check(bump(t, part) == want, "a bump writes the bumped release triple");
    }
    // The pre-release counter follows the first tag when it is the wanted one.
    const std::string_view tag = in.text(1);
    const std::string out = bump_prerelease(t, tag);
    const std::string head = bump(t, BumpPart::Release) + '-' + ascii_lower(tag) + '.';
    check(out.starts_with(head), "a pre-release bump keeps the release and names the tag");
    const std::string_view counter = std::string_view(out).substr(head.size());
    std::size_t first = 0;
    while (first < p.segments.size() && !p.segments[first].is_tag()) ++first;
    const bool counts = first + 1 < p.segments.size() &&
                        iequals(p.view().tag_bytes(p.segments[first]), ascii_lower(tag)) &&
                        p.segments[first + 1].is_num();
    check(counter == (counts ? successor_text(p.segments[first + 1].value) : "0"),
          "a pre-release bump counts on from the same tag, else from 0");
  }
}

// The texts that parse under the ecosystem, with their positions in the input.
struct Parsed {
  std::vector<std::size_t> at;
  std::vector<ParsedRepr> reprs;
};

Parsed parse_all(Ecosystem eco, const std::vector<std::string_view>& texts) {
  Parsed out;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    auto p = parse_for_ecosystem(eco, texts[i]);
    if (!p) continue;
    out.at.push_back(i);
    out.reprs.push_back(std::move(*p));
  }
  return out;
}

// The texts that parse, repeated into a list long enough for the keys to sort it alone: where
// they decide every pair, the order is a total one, the ecosystem's even where that is not
// transitive in general.
void sorting_by_keys(const Input& in) {
  std::vector<std::string_view> texts;
  for (std::string_view t : in.texts)
    if (parse_for_ecosystem(in.eco, t)) texts.push_back(t);
  if (texts.empty() || texts.size() > 64) return;
  std::vector<OrderKey> keys;
  for (std::string_view t : texts) keys.push_back(*text_order_key(in.eco, t));
  bool decided = true;
  for (const OrderKey& a : keys)
    for (const OrderKey& b : keys)
      decided = decided && a.complete() && cmp_order_keys(a, b) != kKeyOpen;
  const std::size_t n = std::max(texts.size(), VersionEntries::kKeySortFrom);
  VersionEntries entries(in.eco, n);
  for (std::size_t i = 0; i < n; ++i)
    check(entries.add(texts[i % texts.size()], static_cast<std::uint32_t>(i)).has_value(),
          "a text that parses is added");
  entries.sort();
  std::vector<std::uint32_t> seen(n);
  for (std::size_t i = 0; i < n; ++i) seen[i] = entries.index(i);
  std::ranges::sort(seen);
  for (std::size_t i = 0; i < n; ++i) check(seen[i] == i, "a long sort gives a permutation");
  if (!decided && !one_of(in.eco, kTransitive)) return;
  for (std::size_t i = 1; i < n; ++i) {
    const std::uint32_t a = entries.index(i - 1), b = entries.index(i);
    const int r = *compare_texts(in.eco, texts[a % texts.size()], texts[b % texts.size()]);
    check(r < 0 || (r == 0 && a < b), "a long sort is ascending and stable");
  }
}

// The sort gives a permutation of its input whatever the comparator; under a transitive
// ordering the result is ascending and equal versions keep their input order. Blocks of one to
// four elements send every sort of a few elements through the merge of many runs.
void sorting(const Input& in) {
  const Parsed parsed = parse_all(in.eco, in.texts);
  const std::size_t n = parsed.reprs.size();
  const std::size_t block = 1 + in.target / 16 % 4;
  // The entries' sort orders the texts as the sort of their parses below does.
  VersionEntries entries(in.eco, in.texts.size());
  for (std::size_t i = 0; i < in.texts.size(); ++i) {
    const auto added = entries.add(in.texts[i], static_cast<std::uint32_t>(i));
    check(added.has_value() == parse_for_ecosystem(in.eco, in.texts[i]).has_value(),
          "an entry is added exactly when its text parses");
  }
  entries.sort();
  for (std::size_t i = 1; i < entries.size() && one_of(in.eco, kTransitive); ++i) {
    const auto& a = in.texts[entries.index(i - 1)];
    const auto& b = in.texts[entries.index(i)];
    const int r = *compare_texts(in.eco, a, b);
    check(r < 0 || (r == 0 && entries.index(i - 1) < entries.index(i)),
          "entries sort ascending and stable");
  }
  sorting_by_keys(in);
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  const auto cmp = [&](std::size_t a, std::size_t b) {
    const int r = cmp_prefix(order_prefix(in.eco, parsed.reprs[a]),
                             order_prefix(in.eco, parsed.reprs[b]));
    return r ? r : compare_for_ecosystem(in.eco, parsed.reprs[a], parsed.reprs[b]);
  };
  stable_merge_sort(
      order, [&](std::size_t a, std::size_t b) { return cmp(a, b) < 0; }, [](std::size_t) {},
      block);
  std::vector<std::size_t> seen(order);
  std::ranges::sort(seen);
  for (std::size_t i = 0; i < n; ++i) check(seen[i] == i, "a sort gives a permutation");
  if (one_of(in.eco, kTransitive))
    for (std::size_t i = 1; i < n; ++i) {
      const int r = cmp(order[i - 1], order[i]);
      check(r < 0 || (r == 0 && order[i - 1] < order[i]), "a sort is ascending and stable");
    }
  // A comparator that answers from the input's bytes, with no order at all.
  std::vector<std::size_t> any(in.texts.size());
  std::iota(any.begin(), any.end(), 0);
  const auto byte = [&](std::size_t i) { return i < in.text(0).size() ? in.text(0)[i] : 0; };
  stable_merge_sort(
      any, [&](std::size_t a, std::size_t b) { return (byte(a) ^ byte(b + 7)) & 1; },
      [](std::size_t) {}, block);
  std::ranges::sort(any);
  for (std::size_t i = 0; i < any.size(); ++i)
    check(any[i] == i, "a sort gives a permutation under any comparator");
}

// Stable selection keeps, in order, the texts whose generic parse is not a pre-release, and
// stops at the first of them that the ecosystem rejects.
void stable(const Input& in) {
  std::vector<ParsedVersion> generic;
  for (std::string_view t : in.texts) generic.push_back(parse_generic(t));
  std::vector<std::size_t> kept;
  std::size_t rejected = in.texts.size();
  const bool done = select_stable(
      std::views::iota(std::size_t{0}, in.texts.size()),
      [&](std::size_t i) { return &generic[i]; },
      [&](std::size_t i) {
        if (!parse_for_ecosystem(in.eco, in.texts[i])) {
          rejected = i;
          return false;
        }
        kept.push_back(i);
        return true;
      });
  check(done == (rejected == in.texts.size()), "selection ends at the first rejection");
  std::size_t next = 0;
  for (std::size_t i = 0; i < rejected; ++i)
    if (!generic[i].is_prerelease) {
      check(next < kept.size() && kept[next] == i, "every stable text before it is kept");
      ++next;
    }
  check(next == kept.size(), "only stable texts are kept");
}

// Versions parsed under two ecosystems order as their ecosystem does when it is the same, as
// their generic parses do otherwise, and either way antisymmetrically.
void across(const Input& in) {
  const std::string_view third = in.text(2);
  Ecosystem other = in.eco;
  if (!third.empty())
    other = static_cast<Ecosystem::Id>(static_cast<unsigned char>(third[0]) % Ecosystem::count);
  const std::string_view a = in.text(0), b = in.text(1);
  const auto ra = parse_for_ecosystem(in.eco, a);
  const auto rb = parse_for_ecosystem(other, b);
  if (!ra || !rb) return;
  const ParsedVersion ga = parse_generic(a), gb = parse_generic(b);
  const int ab = compare_across(in.eco, a, other, b);
  check(ab == -compare_across(other, b, in.eco, a), "compare_across is antisymmetric");
  check(ab == (in.eco == other ? compare_for_ecosystem(in.eco, *ra, *rb) : cmp_generic(ga, gb)),
        "compare_across orders by the one ecosystem, else generically");
}

// Each ecosystem's own range syntax: a constraint or its message; what it holds, its normal
// form, and the VERS text of that reading back.
void native(const Input& in) {
  const auto c = parse_native(in.eco, in.text(0));
  if (!c) {
    check(!c.error().empty(), "a refusal says why");
    return;
  }
  const VersionSet set = c->to_set();
  const std::string text = set.to_vers(in.eco.row().vers_type);
  // A Maven bound that VersionRange reads but a Maven version here may not be keeps its text,
  // which the VERS reader refuses (docs/ranges.md).
  bool readable = true;
  for (const NativeList& list : c->alternatives)
    for (const NativeComparator& k : list)
      readable &= parse_for_ecosystem(in.eco, k.bound.text).has_value();
  if (readable) check(Vers::parse(text).has_value(), "the VERS text of a native range reads back");
  const auto parsed = parse_for_ecosystem(in.eco, in.text(1));
  if (!parsed) return;
  const bool hit = c->contains(in.text(1), *parsed);
  const int by_scan = c->contains_plain(in.text(1));
  check(by_scan == kNotPlain || by_scan == int(hit), "a plain release meets it as its parse does");
  // Without rules or a pre-release policy, the set is exact.
  bool exact = c->policy == PrePolicy::Plain;
  for (const NativeList& list : c->alternatives)
    for (const NativeComparator& k : list) exact &= k.rule == nullptr;
  // Composer's rule is its interval but where a branch is compared.
  if (in.eco == Ecosystem::Composer && !composer_branch(in.text(1))) {
    exact = true;
    for (const NativeList& list : c->alternatives)
      for (const NativeComparator& k : list) exact &= !k.bound.text.starts_with("dev-");
  }
  if (exact) check(set.contains(*parsed) == hit, "the normal form holds what the constraint holds");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Input in = split(data, size);
  switch (in.target % 14) {
    case 0:
      generic(in);
      break;
    case 1:
      strategies(in);
      break;
    case 2:
      autodetect(in);
      break;
    case 3:
      ranges(in);
      break;
    case 4:
      purls(in);
      break;
    case 5:
      vers(in);
      break;
    case 6:
      maven(in);
      break;
    case 7:
      shortcuts(in);
      break;
    case 8:
      bumps(in);
      break;
    case 9:
      sorting(in);
      break;
    case 10:
      stable(in);
      break;
    case 11:
      across(in);
      break;
    case 12:
      native(in);
      break;
    case 13:
      osv(in);
      break;
  }
  return 0;
}
