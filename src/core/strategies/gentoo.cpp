#include "strategies/gentoo.hpp"

#include <array>

#include "strategies/debian.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

// Suffix names by rank; a release without a suffix ranks between `rc` and `p`.
constexpr std::array<std::string_view, 5> kSuffixes = {"alpha", "beta", "pre", "rc", "p"};
constexpr std::size_t kP = 4;

std::size_t suffix_rank(std::string_view name) {
  std::size_t r = 0;
  while (r < kSuffixes.size() && kSuffixes[r] != name) ++r;
  return r;
}


std::size_t lower_run(std::string_view s, std::size_t from) {
  std::size_t e = from;
  while (e < s.size() && is_lower(s[e])) ++e;
  return e - from;
}

std::string_view part(std::string_view text, std::size_t from, std::size_t to) {
  return text.substr(from, to - from);
}

// A component after the first: when either has a leading zero both are strings without
// their trailing zeros ("1.01" < "1.1", "1.010" == "1.01"), else numbers.
int cmp_later_component(std::string_view a, std::string_view b) {
  if (a[0] != '0' && b[0] != '0') return cmp_digit_runs(a, b);
  while (!a.empty() && a.back() == '0') a.remove_suffix(1);
  while (!b.empty() && b.back() == '0') b.remove_suffix(1);
  return sign(a.compare(b));
}

// Dot-separated digit runs: pairwise, then the one with more components is the greater.
int cmp_numbers(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  for (bool first = true;; first = false) {
    const std::string_view x = a.substr(i, digit_run(a, i)), y = b.substr(j, digit_run(b, j));
    if (const int d = first ? cmp_digit_runs(x, y) : cmp_later_component(x, y)) return d;
    i += x.size() + 1;  // past the dot
    j += y.size() + 1;
    if (i > a.size() || j > b.size()) return cmp3(i <= a.size(), j <= b.size());
  }
}

struct Suffix {
  std::size_t rank;
  std::string_view number;  // "" reads as 0
};

// The suffix at s[i] (an underscore), moving `i` past it.
Suffix next_suffix(std::string_view s, std::size_t& i) {
  const std::size_t name = lower_run(s, i + 1);
  const std::size_t digits = digit_run(s, i + 1 + name);
  const Suffix out{suffix_rank(s.substr(i + 1, name)), s.substr(i + 1 + name, digits)};
  i += 1 + name + digits;
  return out;
}

int cmp_suffixes(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const Suffix x = next_suffix(a, i), y = next_suffix(b, j);
    if (const int d = cmp3(x.rank, y.rank)) return d;
    if (const int d = cmp_digit_runs(x.number, y.number)) return d;
  }
  // The side with a suffix left is the greater only when that suffix is `_p`.
  if (i < a.size()) return next_suffix(a, i).rank == kP ? 1 : -1;
  if (j < b.size()) return next_suffix(b, j).rank == kP ? -1 : 1;
  return 0;
}

// The digits of "-rN"; "" (read as 0) when there is none.
std::string_view revision_number(const GentooParse& v, std::string_view text) {
  return text.substr(v.revision, v.tail - v.revision).substr(v.tail > v.revision ? 2 : 0);
}

void append_number(std::string& out, std::string_view digits) {
  const std::string_view n = drop_leading_zeros(digits);
  out += n.empty() ? "0" : n;
}

}  // namespace

void parse_gentoo_into(std::string_view text, GentooParse& out) {
  const std::string_view t = trim(text);
  const std::size_t base = static_cast<std::size_t>(t.data() - text.data());
  std::size_t i = digit_run(t);
  while (i + 1 < t.size() && t[i] == '.' && is_digit(t[i + 1])) i += 1 + digit_run(t, i + 1);
  out.letter = i;
  // A letter only where the grammar may go on after it.
  if (i < t.size() && is_lower(t[i]) && (i + 1 == t.size() || t[i + 1] == '_' || t[i + 1] == '-'))
    ++i;
  out.suffixes = i;
  while (i < t.size() && t[i] == '_') {
    const std::size_t name = lower_run(t, i + 1);
    if (suffix_rank(t.substr(i + 1, name)) == kSuffixes.size()) break;
    i += 1 + name + digit_run(t, i + 1 + name);
  }
  out.revision = i;
  if (t.substr(i, 2) == "-r" && digit_run(t, i + 2) > 0) i += 2 + digit_run(t, i + 2);
  out.tail = i;
  out.begin = base;
  out.letter += base;
  out.suffixes += base;
  out.revision += base;
  out.tail += base;
  out.end = base + t.size();
}

int cmp_gentoo(const GentooParse& a, std::string_view text_a, const GentooParse& b,
               std::string_view text_b) {
  if (const int d = cmp_numbers(part(text_a, a.begin, a.letter), part(text_b, b.begin, b.letter)))
    return d;
  // A letter beats none; two letters compare as bytes.
  const std::string_view la = part(text_a, a.letter, a.suffixes);
  if (const int d = sign(la.compare(part(text_b, b.letter, b.suffixes)))) return d;
  if (const int d = cmp_suffixes(part(text_a, a.suffixes, a.revision),
                                 part(text_b, b.suffixes, b.revision)))
    return d;
  if (const int d = cmp_digit_runs(revision_number(a, text_a), revision_number(b, text_b)))
    return d;
  const std::string_view ta = part(text_a, a.tail, a.end), tb = part(text_b, b.tail, b.end);
  if (ta.empty() || tb.empty()) return cmp3(ta.empty(), tb.empty());
  return verrevcmp(ta, tb);
}

std::string canonical_gentoo(const GentooParse& v, std::string_view text) {
  std::string out;
  const std::string_view nums = part(text, v.begin, v.letter);
  for (std::size_t i = 0; i <= nums.size();) {
    const std::size_t n = digit_run(nums, i);
    std::string_view c = nums.substr(i, n);
    if (i == 0) {
      append_number(out, c);
    } else {
      out += '.';
      if (c[0] == '0')  // compared as a string without its trailing zeros
        while (!c.empty() && c.back() == '0') c.remove_suffix(1);
      out += c;  // else a number without leading zeros, already
    }
    i += n + 1;
  }
  out += part(text, v.letter, v.suffixes);
  const std::string_view suffixes = part(text, v.suffixes, v.revision);
  for (std::size_t i = 0; i < suffixes.size();) {
    const Suffix s = next_suffix(suffixes, i);
    out += '_';
    out += kSuffixes[s.rank];
    append_number(out, s.number);
  }
  out += "-r";
  append_number(out, revision_number(v, text));
  if (v.tail < v.end) {
    out += '!';  // never part of a valid version
    append_verrev_canonical(out, part(text, v.tail, v.end));
  }
  return out;
}

}  // namespace ombrel
