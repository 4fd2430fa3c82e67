#include "autodetect.hpp"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>

#include "text.hpp"

namespace ombrel {

namespace {

using namespace std::string_view_literals;

// A text a rule looks for, with the set of its (ASCII) bytes, made when the rule is compiled.
struct Mark {
  std::string_view text;
  std::uint64_t low = 0, high = 0;
  consteval Mark(const char* s) : text(s) {
    for (char c : text) {
      const auto b = static_cast<unsigned char>(c);
      (b < 64 ? low : high) |= std::uint64_t{1} << (b & 63);
    }
  }
};

// The lower-case text with the set of ASCII bytes in it: a rule looks for a mark only in a
// text that has every byte of it, so that most rules cost a few tests on most texts.
class Lowered {
 public:
  explicit Lowered(std::string_view text) {
    char* out = buf_;
    if (text.size() > sizeof(buf_)) {
      heap_ = std::make_unique<char[]>(text.size());
      out = heap_.get();
    }
    // The set is gathered in registers: or-ing into memory byte by byte chains every byte's
    // store to the next one's load.
    std::uint64_t low = 0, high = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = to_lower(text[i]);
      out[i] = c;
      const auto b = static_cast<unsigned char>(c);
      const std::uint64_t bit = std::uint64_t{1} << (b & 63);
      low |= b < 64 ? bit : 0;
      high |= b >= 64 && b < 128 ? bit : 0;
    }
    seen_[0] = low;
    seen_[1] = high;
    v = {out, text.size()};
  }
  Lowered(const Lowered&) = delete;
  Lowered& operator=(const Lowered&) = delete;

  bool has(char c) const {
    const auto b = static_cast<unsigned char>(c);
    return b < 128 && (seen_[b >> 6] >> (b & 63) & 1);
  }
  bool has_all(const Mark& m) const {
    return (seen_[0] & m.low) == m.low && (seen_[1] & m.high) == m.high;
  }

  std::string_view v;

 private:
  char buf_[64];
  std::unique_ptr<char[]> heap_;  // a longer text
  std::uint64_t seen_[2] = {};
};

bool contains(const Lowered& s, const Mark& mark) {
  return s.has_all(mark) && s.v.find(mark.text) != std::string_view::npos;
}

bool contains_any(const Lowered& s, std::initializer_list<Mark> marks) {
  for (const Mark& n : marks)
    if (contains(s, n)) return true;
  return false;
}

// A distribution tag (".el8", ".fc39", ".amzn2"): the mark followed by a digit.
bool rpm_dist_tag(const Lowered& s) {
  if (!s.has('.')) return false;
  const std::string_view v = s.v;
  for (std::string_view m : {".el"sv, ".fc"sv, ".amzn"sv}) {
    if (!s.has(m[1])) continue;
    const std::size_t at = v.find(m);
    if (at != std::string_view::npos && at + m.size() < v.size() && is_digit(v[at + m.size()]))
      return true;
  }
  return false;
}

// A PEP 440 pre-release written against its number: "1a1", "2b3", "1rc1".
bool pep440_short_pre(const Lowered& s) {
  if (!s.has('a') && !s.has('b') && !s.has('r')) return false;
  const std::string_view v = s.v;
  for (std::size_t i = 0; i + 2 < v.size(); ++i) {
    if (!is_digit(v[i])) continue;
    if ((v[i + 1] == 'a' || v[i + 1] == 'b') && is_digit(v[i + 2])) return true;
    if (i + 3 < v.size() && v[i + 1] == 'r' && v[i + 2] == 'c' && is_digit(v[i + 3])) return true;
  }
  return false;
}

// Alpine's package release: "-r" and digits to the end, after something.
bool alpine_release(const Lowered& s) {
  if (!s.has('r')) return false;
  const std::string_view v = s.v;
  const std::size_t r = v.rfind("-r");
  return r != std::string_view::npos && r != 0 && r + 2 < v.size() &&
         digit_run(v, r + 2) == v.size() - r - 2;
}

// A RubyGems pre-release: a dot-separated piece "rc" or "pre" or one starting "beta" or
// "alpha", in a text without '-' or '_'.
bool ruby_prerelease(const Lowered& s) {
  if (s.has('-') || s.has('_') || (!s.has('r') && !s.has('p') && !s.has('b') && !s.has('a')))
    return false;
  const std::string_view v = s.v;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = v.find('.', start);
    const std::string_view piece =
        v.substr(start, dot == std::string_view::npos ? v.npos : dot - start);
    if (piece == "rc" || piece == "pre" || piece.starts_with("beta") || piece.starts_with("alpha"))
      return true;
    if (dot == std::string_view::npos) return false;
    start = dot + 1;
  }
}

// A year from 1990 to 2100 leading a dotted text.
bool calendar_year(std::string_view v, bool dotted) {
  const std::size_t lead = digit_run(v);
  if (lead == 0 || !dotted) return false;
  const auto year = parse_u64(v.substr(0, lead));
  return year && *year >= 1990 && *year <= 2100;
}

template <class Match>
struct Rule {
  Match matches;  // given the lower-case text
  Ecosystem::Id ecosystem;
};

// In order: the first rule the lower-case text meets decides. A tuple rather than an array of
// function pointers, so that the walk below is inlined rule by rule.
constexpr std::tuple kRules{
    Rule{[](const Lowered& v) { return contains(v, "!"); }, Ecosystem::Pep440},
    Rule{[](const Lowered& v) { return contains(v, "~"); }, Ecosystem::Debian},
    Rule{[](const Lowered& v) { return contains(v, "^"); }, Ecosystem::Rpm},
    Rule{[](const Lowered& v) { return contains_any(v, {".post", ".dev"}); }, Ecosystem::Pep440},
    Rule{[](const Lowered& v) { return v.v.ends_with("+incompatible"); }, Ecosystem::Go},
    Rule{[](const Lowered& v) { return v.v.ends_with("-snapshot"); }, Ecosystem::Maven},
    Rule{[](const Lowered& v) { return contains(v, "py") && contains(v, "_"); },
         Ecosystem::Conda},
    Rule{[](const Lowered& v) {
           return contains_any(v, {"_alpha", "_beta", "_p", "_rc", "_pre"});
         },
         Ecosystem::Alpine},
    Rule{[](const Lowered& v) { return contains_any(v, {"+deb", "+ubuntu"}); },
         Ecosystem::Debian},
    Rule{rpm_dist_tag, Ecosystem::Rpm},
    Rule{pep440_short_pre, Ecosystem::Pep440},
    Rule{alpine_release, Ecosystem::Alpine},
    Rule{ruby_prerelease, Ecosystem::Ruby},
    Rule{[](const Lowered& v) { return calendar_year(v.v, v.has('.')); }, Ecosystem::Calver},
};

}  // namespace

Ecosystem autodetect_ecosystem(std::string_view text) {
  // Plain dotted numbers bear none of the marks above but a leading year.
  if (const std::size_t parts = plain_parts(Ecosystem(Ecosystem::Generic).row().plain, text))
    return calendar_year(text, parts > 1) ? Ecosystem::Calver : Ecosystem::Generic;
  const Lowered lower(text);
  Ecosystem found = Ecosystem::Generic;
  std::apply(
      [&](const auto&... rule) {
        (void)((rule.matches(lower) && (found = rule.ecosystem, true)) || ...);
      },
      kRules);
  return found;
}

}  // namespace ombrel
