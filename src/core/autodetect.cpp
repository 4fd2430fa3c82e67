#include "autodetect.hpp"

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <tuple>

#include "text.hpp"

namespace ombrel {

namespace {

using namespace std::string_view_literals;

// What the rules read, each a bit. The first five are bytes whose presence is the fact.
enum Fact : std::uint32_t {
  kBang = 1 << 0,
  kTilde = 1 << 1,
  kCaret = 1 << 2,
  kDash = 1 << 3,
  kUnderscore = 1 << 4,
  kPostOrDev = 1 << 5,      // ".post", ".dev"
  kGoSuffix = 1 << 6,       // "+incompatible" at the end
  kMavenSuffix = 1 << 7,    // "-snapshot" at the end
  kPy = 1 << 8,             // "py"
  kAlpineSuffix = 1 << 9,   // "_alpha", "_beta", "_p", "_rc", "_pre"
  kDebianSuffix = 1 << 10,  // "+deb", "+ubuntu"
  // A distribution tag (".el8", ".fc39", ".amzn2"): the first ".el", ".fc" or ".amzn"
  // followed by a digit; a later one does not count.
  kDistTag = 1 << 11,
  kElSeen = 1 << 12,  // which of those marks the pass has met
  kFcSeen = 1 << 13,
  kAmznSeen = 1 << 14,
  // A PEP 440 pre-release written against its number: "1a1", "2b3", "1rc1".
  kShortPre = 1 << 15,
  // A dot-separated piece "rc" or "pre" or one starting "beta" or "alpha".
  kRubyPiece = 1 << 16,
};
constexpr std::uint32_t kByteFacts = kBang | kTilde | kCaret | kDash | kUnderscore;

// What a byte may start, above the facts it is by itself: most bytes are neither and are
// passed over with one test. Marks after a dot are read at the letter that follows it, so that
// the usual dot, before a digit, is passed over too.
enum Lead : std::uint32_t {
  kAfterDot = 1 << 24,    // the first letter of "post", "dev", "el", "fc", "amzn" and pieces
  kAfterPlus = 1 << 25,   // "+deb", "+ubuntu", "+incompatible"
  kAfterDash = 1 << 26,   // "-snapshot"
  kAfterUnder = 1 << 27,  // "_alpha", "_p", ...
  kP = 1 << 28,           // "py"
  kPreLetter = 1 << 29,   // 'a', 'b', 'r' after a digit: "1a1", "2b3", "1rc1"
};

struct Leads {
  std::uint32_t of[256] = {};
  constexpr Leads() {
    of['!'] = kBang, of['~'] = kTilde, of['^'] = kCaret, of['+'] = kAfterPlus;
    of['-'] = kDash | std::uint32_t{kAfterDash};
    of['_'] = kUnderscore | std::uint32_t{kAfterUnder};
    for (char c : "abdefprABDEFPR"sv) of[static_cast<unsigned char>(c)] |= kAfterDot;
    for (char c : "abrABR"sv) of[static_cast<unsigned char>(c)] |= kPreLetter;
    of['p'] |= kP, of['P'] |= kP;
  }
};
inline constexpr Leads kLeads;

// The facts of a text, gathered in one pass over it, case folded as each byte is read.
struct Facts {
  std::string_view text;
  std::uint32_t found = 0;

  explicit Facts(std::string_view s) : text(s) {
    std::uint32_t f = 0;
    for (std::size_t i = next_lead(0); i < s.size(); i = next_lead(i + 1)) {
      const std::uint32_t lead = kLeads.of[static_cast<unsigned char>(s[i])];
      f |= lead & kByteFacts;
      if ((lead & kAfterDot) && (i == 0 || s[i - 1] == '.')) {
        f |= piece_at(i);
        if (i > 0) f = after_dot(f, i);
      }
      if (lead & kPreLetter) {
        const bool ab = to_lower(s[i]) != 'r';
        if (after_digit(i) && (ab ? digit_at(i + 1) : next_is(i, 'c') && digit_at(i + 2)))
          f |= kShortPre;
      } else if (lead & kAfterPlus) {
        if (mark_at(i + 1, "deb") || mark_at(i + 1, "ubuntu")) f |= kDebianSuffix;
        if (last_mark_at(i, "+incompatible")) f |= kGoSuffix;
      } else if (lead & kAfterDash) {
        if (last_mark_at(i, "-snapshot")) f |= kMavenSuffix;
      } else if (lead & kAfterUnder) {
        for (std::string_view mark : {"alpha"sv, "beta"sv, "p"sv, "rc"sv, "pre"sv})
          if (mark_at(i + 1, mark)) f |= kAlpineSuffix;
      }
      if ((lead & kP) && next_is(i, 'y')) f |= kPy;
    }
    found = f;
  }

  bool has(std::uint32_t fact) const { return found & fact; }

 private:
  // Whether the text holds the lower-case `mark` at `at`, ASCII case ignored.
  bool mark_at(std::size_t at, std::string_view mark) const {
    return text.size() - at >= mark.size() && iequals(text.substr(at, mark.size()), mark);
  }
  // Whether it ends with `mark`, which starts at `at`.
  bool last_mark_at(std::size_t at, std::string_view mark) const {
    return text.size() - at == mark.size() && iequals(text.substr(at), mark);
  }

  // The next byte that starts a mark or is a fact.
  std::size_t next_lead(std::size_t i) const {
    while (i < text.size() && !kLeads.of[static_cast<unsigned char>(text[i])]) ++i;
    return i;
  }

  bool digit_at(std::size_t i) const { return i < text.size() && is_digit(text[i]); }
  bool next_is(std::size_t i, char lower) const {
    return i + 1 < text.size() && to_lower(text[i + 1]) == lower;
  }
  bool after_digit(std::size_t i) const { return i > 0 && is_digit(text[i - 1]); }

  // A piece that starts at `at`, after a dot or at the start.
  std::uint32_t piece_at(std::size_t at) const {
    const auto whole = [&](std::string_view mark) {
      const std::size_t end = at + mark.size();
      return mark_at(at, mark) && (end == text.size() || text[end] == '.');
    };
    const bool ruby = whole("rc") || whole("pre") || mark_at(at, "beta") || mark_at(at, "alpha");
    return ruby ? kRubyPiece : 0u;
  }

  // The marks that a dot before `at` starts.
  std::uint32_t after_dot(std::uint32_t f, std::size_t at) const {
    if (mark_at(at, "post") || mark_at(at, "dev")) f |= kPostOrDev;
    f = dist_mark(f, at, "el", kElSeen);
    f = dist_mark(f, at, "fc", kFcSeen);
    return dist_mark(f, at, "amzn", kAmznSeen);
  }

  // Only the first of each distribution mark is read.
  std::uint32_t dist_mark(std::uint32_t f, std::size_t at, std::string_view mark,
                          std::uint32_t seen) const {
    if ((f & seen) || !mark_at(at, mark)) return f;
    return f | seen | (digit_at(at + mark.size()) ? kDistTag : 0u);
  }
};

// Alpine's package release: "-r" and digits to the end, after something. No later "-r" can
// hide among those digits, so the text's last "-r" is the one before its final digits.
bool alpine_release(std::string_view v) {
  std::size_t digits = 0;
  while (digits < v.size() && is_digit(v[v.size() - 1 - digits])) ++digits;
  const std::size_t r = v.size() - digits;  // just past the "-r"
  return digits > 0 && r >= 3 && v[r - 2] == '-' && to_lower(v[r - 1]) == 'r';
}

// A year from 1990 to 2100 (after any zeros) leading a dotted text.
bool calendar_year(std::string_view v) {
  const std::string_view year = drop_leading_zeros(v.substr(0, digit_run(v)));
  return year.size() == 4 && year >= "1990" && year <= "2100" &&
         v.find('.') != std::string_view::npos;
}

template <class Match>
struct Rule {
  Match matches;  // given the facts of the text
  Ecosystem::Id ecosystem;
};

// In order: the first rule the text meets decides. A tuple rather than an array of function
// pointers, so that the walk below is inlined rule by rule.
constexpr std::tuple kRules{
    Rule{[](const Facts& f) { return f.has(kBang); }, Ecosystem::Pep440},
    Rule{[](const Facts& f) { return f.has(kTilde); }, Ecosystem::Debian},
    Rule{[](const Facts& f) { return f.has(kCaret); }, Ecosystem::Rpm},
    Rule{[](const Facts& f) { return f.has(kPostOrDev); }, Ecosystem::Pep440},
    Rule{[](const Facts& f) { return f.has(kGoSuffix); }, Ecosystem::Go},
    Rule{[](const Facts& f) { return f.has(kMavenSuffix); }, Ecosystem::Maven},
    Rule{[](const Facts& f) { return f.has(kPy) && f.has(kUnderscore); }, Ecosystem::Conda},
    Rule{[](const Facts& f) { return f.has(kAlpineSuffix); }, Ecosystem::Alpine},
    Rule{[](const Facts& f) { return f.has(kDebianSuffix); }, Ecosystem::Debian},
    Rule{[](const Facts& f) { return f.has(kDistTag); }, Ecosystem::Rpm},
    Rule{[](const Facts& f) { return f.has(kShortPre); }, Ecosystem::Pep440},
    Rule{[](const Facts& f) { return alpine_release(f.text); }, Ecosystem::Alpine},
    // RubyGems' pre-release pieces, in a text without '-' or '_'.
    Rule{[](const Facts& f) { return f.has(kRubyPiece) && !f.has(kDash | kUnderscore); },
         Ecosystem::Ruby},
    Rule{[](const Facts& f) { return calendar_year(f.text); }, Ecosystem::Calver},
};

}  // namespace

Ecosystem autodetect_ecosystem(std::string_view text) {
  const Facts facts(text);
  Ecosystem found = Ecosystem::Generic;
  std::apply(
      [&](const auto&... rule) {
        (void)((rule.matches(facts) && (found = rule.ecosystem, true)) || ...);
      },
      kRules);
  return found;
}

}  // namespace ombrel
