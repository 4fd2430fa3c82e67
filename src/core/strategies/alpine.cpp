#include "strategies/alpine.hpp"

#include <array>
#include <cstdint>

#include "strategies/debian.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

// Token kinds in apk's order: where two versions part after equal tokens, the one whose
// next token comes earlier in this list is the greater, unless that token is a pre-release
// suffix.
enum class Tok : std::uint8_t {
  InitialDigit,
  Digit,
  Letter,
  Suffix,
  SuffixNo,
  Hash,
  Revision,
  End,
  Invalid,
};

// Suffix names by rank; "" stands for a release without a suffix.
constexpr std::array<std::string_view, 10> kSuffixes = {
    "alpha", "beta", "pre", "rc", "", "cvs", "svn", "git", "hg", "p"};
constexpr std::size_t kRelease = 4;

std::size_t suffix_rank(std::string_view name) {
  for (std::size_t r = 0; r < kSuffixes.size(); ++r)
    if (r != kRelease && kSuffixes[r] == name) return r;
  return kSuffixes.size();
}

constexpr bool is_hex(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f');
}

struct Token {
  Tok kind;
  std::size_t rank = 0;    // Suffix: its rank
  std::string_view text;   // digits, the letter, the suffix name or the hash; Invalid: the rest
};

// Reads a version token by token, each kind allowed only after the kinds before it.
class Tokens {
 public:
  explicit Tokens(std::string_view s) : s_(s) {}

  Token first() { return last_ = digits(Tok::InitialDigit, 0); }

  Token next() {
    const std::size_t at = i_;
    if (at == s_.size()) return last_ = {Tok::End, 0, {}};
    const char c = s_[at];
    const Tok k = last_.kind;
    if (is_lower(c) && k <= Tok::Digit) {
      ++i_;
      return last_ = {Tok::Letter, 0, s_.substr(at, 1)};
    }
    if (c == '.' && k <= Tok::Digit) return last_ = digits(Tok::Digit, at + 1);
    if (c == '_' && k <= Tok::SuffixNo) {
      const std::string_view name = run(at + 1, is_lower);
      const std::size_t rank = suffix_rank(name);
      if (rank < kSuffixes.size()) {
        i_ = at + 1 + name.size();
        return last_ = {Tok::Suffix, rank, name};
      }
    } else if (is_digit(c) && k == Tok::Suffix) {
      return last_ = digits(Tok::SuffixNo, at);
    } else if (c == '~' && k < Tok::Hash) {
      const std::string_view hash = run(at + 1, is_hex);
      if (!hash.empty()) {
        i_ = at + 1 + hash.size();
        return last_ = {Tok::Hash, 0, hash};
      }
    } else if (c == '-' && k < Tok::Revision && s_.substr(at + 1, 1) == "r") {
      return last_ = digits(Tok::Revision, at + 2);
    }
    return last_ = invalid(at);
  }

 private:
  template <class Pred>
  std::string_view run(std::size_t from, Pred pred) const {
    std::size_t e = from;
    while (e < s_.size() && pred(s_[e])) ++e;
    return s_.substr(from, e - from);
  }
  // A digit run at `from`, or Invalid from the token's start when there is none.
  Token digits(Tok kind, std::size_t from) {
    const std::size_t start = i_;
    const std::string_view d = run(from, is_digit);
    if (d.empty()) return invalid(start);
    i_ = from + d.size();
    return {kind, 0, d};
  }
  Token invalid(std::size_t from) const { return {Tok::Invalid, 0, s_.substr(from)}; }

  std::string_view s_;
  std::size_t i_ = 0;
  Token last_{Tok::InitialDigit, 0, {}};
};

// Two tokens of one kind.
int cmp_token(const Token& a, const Token& b) {
  switch (a.kind) {
    case Tok::Digit:
      // A leading zero on either side makes both plain strings, as in Gentoo.
      if (a.text[0] == '0' || b.text[0] == '0') return sign(a.text.compare(b.text));
      [[fallthrough]];
    case Tok::InitialDigit:
    case Tok::SuffixNo:
    case Tok::Revision:
      return cmp_digit_runs(a.text, b.text);
    case Tok::Suffix:
      return cmp3(a.rank, b.rank);
    case Tok::Letter:
    case Tok::Hash:
      return sign(a.text.compare(b.text));
    case Tok::Invalid:
      return verrevcmp(a.text, b.text);
    case Tok::End:
      break;
  }
  return 0;
}

bool is_pre_release(const Token& t) {
  return t.kind == Tok::Suffix && t.rank < kRelease;
}

}  // namespace

void parse_alpine_into(std::string_view text, AlpineParse& out) {
  const std::string_view t = trim(text);
  out.begin = static_cast<std::size_t>(t.data() - text.data());
  out.end = out.begin + t.size();
}

int cmp_alpine(const AlpineParse& a, std::string_view text_a, const AlpineParse& b,
               std::string_view text_b) {
  Tokens ra(text_a.substr(a.begin, a.end - a.begin));
  Tokens rb(text_b.substr(b.begin, b.end - b.begin));
  Token ta = ra.first(), tb = rb.first();
  while (ta.kind == tb.kind) {
    if (const int d = cmp_token(ta, tb)) return d;
    if (ta.kind == Tok::End || ta.kind == Tok::Invalid) return 0;
    ta = ra.next();
    tb = rb.next();
  }
  if (is_pre_release(ta)) return -1;
  if (is_pre_release(tb)) return 1;
  return ta.kind > tb.kind ? -1 : 1;
}

bool alpine_valid(std::string_view text) {
  Tokens r(text);
  Token t = r.first();
  while (t.kind != Tok::End && t.kind != Tok::Invalid) t = r.next();
  return t.kind == Tok::End;
}

bool alpine_fuzzy_match(std::string_view text, std::string_view prefix) {
  Tokens ra(trim(text)), rb(prefix);
  for (Token ta = ra.first(), tb = rb.first(); tb.kind != Tok::End; ta = ra.next(), tb = rb.next())
    if (ta.kind != tb.kind || cmp_token(ta, tb) != 0) return false;
  return true;
}

std::string canonical_alpine(const AlpineParse& v, std::string_view text) {
  Tokens r(text.substr(v.begin, v.end - v.begin));
  std::string out;
  for (Token t = r.first(); t.kind != Tok::End; t = r.next()) {
    switch (t.kind) {
      case Tok::Digit:
        out += '.';
        out += t.text;  // kept whole: "05" and "5" differ, and a number has no leading zero
        continue;
      case Tok::Letter:
        out += t.text;
        continue;
      case Tok::Suffix:
        out += '_';
        out += t.text;
        continue;
      case Tok::Hash:
        out += '~';
        out += t.text;
        continue;
      case Tok::Revision:
        out += "-r";
        break;
      case Tok::Invalid:
        out += '!';  // never part of a valid version
        append_verrev_canonical(out, t.text);
        return out;
      default:
        break;
    }
    const std::string_view n = drop_leading_zeros(t.text);
    out += n.empty() ? "0" : n;
  }
  return out;
}

}  // namespace ombrel
