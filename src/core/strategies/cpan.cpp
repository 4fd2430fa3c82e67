#include "strategies/cpan.hpp"

namespace ombrel {

namespace {

// Perl keeps each part in a C int and holds a larger one at its maximum.
constexpr std::uint64_t kPartMax = 2147483647;
// A decimal version's fraction is read in groups of three digits: 1.002003 is v1.2.3.
constexpr std::size_t kDecimalGroup = 3;
constexpr std::int16_t kRest = 0;  // the bytes after the version in a text Perl refuses

constexpr bool is_perl_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The numeric shape of a text's start: [v] [int] {.digits} [_digits].
struct Shape {
  bool v = false;
  std::string_view integer;
  std::size_t groups = 0;     // how many `.digits` follow the integer
  std::string_view fraction;  // from the first dot to the end of the last group
  std::string_view alpha;     // the digits after `_`, when the shape allows them
  std::size_t end = 0;        // where the version ends: the text's end when Perl accepts it

  // A `v` or two dots make a dotted version; else it is decimal.
  bool dotted() const { return v || groups >= 2; }
};

Shape shape_of(std::string_view t) {
  Shape s;
  std::size_t i = 0;
  s.v = t.size() > 1 && t[0] == 'v' && is_digit(t[1]);
  if (s.v) i = 1;
  s.integer = t.substr(i, digit_run(t, i));
  i += s.integer.size();
  const std::size_t dots = i;
  while (i + 1 < t.size() && t[i] == '.' && is_digit(t[i + 1]))
    i += 1 + digit_run(t, i + 1), ++s.groups;
  s.fraction = t.substr(dots, i - dots);
  if (s.groups == 0 && s.integer.empty()) return s;
  s.end = i;
  // An alpha part `_digits` needs a dot before it.
  if (s.groups > 0 && i + 1 < t.size() && t[i] == '_' && is_digit(t[i + 1])) {
    s.alpha = t.substr(i + 1, digit_run(t, i + 1));
    s.end = i + 1 + s.alpha.size();
  }
  const std::string_view rest = t.substr(s.end);
  // `1.` and `v1.` stand for 1; any other trailing dot is refused.
  if (rest.empty() || (rest == "." && s.groups == 0)) s.end = t.size();
  // A dotted version may end in `_`. White space and a digit end the version, a dot before
  // them included: Perl ignores the rest.
  const bool underscore =
      s.dotted() && s.groups > 0 && s.alpha.empty() && s.end < t.size() && t[s.end] == '_';
  if (underscore && s.end + 1 == t.size()) s.end = t.size();
  std::size_t r = s.end + (s.end < t.size() && (t[s.end] == '.' || underscore));
  if (r < t.size() && is_perl_space(t[r])) {
    while (r < t.size() && is_perl_space(t[r])) ++r;
    if (r < t.size() && is_digit(t[r])) s.end = t.size();
  }
  return s;
}

// Pushes a part (the alpha digits continuing it); false when it was too large, which Perl
// holds at kPartMax and where it stops reading.
bool push_part(PieceParse& out, std::string_view digits, std::string_view more = {}) {
  const std::uint64_t v = saturated(more, kPartMax + 1, saturated(digits, kPartMax + 1));
  out.pieces.push_back(Seg::num(v > kPartMax ? kPartMax : v));
  return v <= kPartMax;
}

void push_dotted(const Shape& s, PieceParse& out) {
  if (!push_part(out, s.integer)) return;
  std::string_view f = s.fraction;
  for (std::size_t g = 0; g < s.groups; ++g) {
    f.remove_prefix(1);  // the dot
    const std::size_t n = digit_run(f);
    const std::string_view alpha = g + 1 == s.groups ? s.alpha : std::string_view();
    if (!push_part(out, f.substr(0, n), alpha)) return;
    f.remove_prefix(n);
  }
}

void push_decimal(const Shape& s, PieceParse& out) {
  if (!push_part(out, s.integer)) return;
  // The fraction's digits, then the alpha digits, in groups of three padded with zeros.
  const std::string_view digits[2] = {s.fraction.substr(s.fraction.empty() ? 0 : 1), s.alpha};
  std::uint64_t group = 0;
  std::size_t filled = 0;
  for (std::string_view d : digits)
    for (char c : d) {
      group = group * 10 + static_cast<std::uint64_t>(c - '0');
      if (++filled == kDecimalGroup) out.pieces.push_back(Seg::num(group)), group = 0, filled = 0;
    }
  if (filled) {
    for (; filled < kDecimalGroup; ++filled) group *= 10;
    out.pieces.push_back(Seg::num(group));
  }
}

}  // namespace

void parse_cpan_into(std::string_view text, PieceParse& out) {
  const std::string_view t = trim(text);
  // Perl reads the word `undef` as the undefined version, 0.
  if (t == "undef") return;
  Shape s = shape_of(t);
  if (s.end > 0) {
    if (s.dotted())
      push_dotted(s, out);
    else
      push_decimal(s, out);
  }
  if (s.end < t.size())
    out.pieces.push_back(Seg::tag(offset_in(text, t) + s.end, t.size() - s.end, kRest));
}

// The parts in turn, a missing one as 0; then a text Perl refuses above one it accepts with
// the same parts, and two such by their remaining bytes.
int cmp_cpan(const SegSpan& a, const SegSpan& b) {
  const std::size_t na = a.segs.size() - (!a.segs.empty() && a.segs.back().is_tag());
  const std::size_t nb = b.segs.size() - (!b.segs.empty() && b.segs.back().is_tag());
  for (std::size_t i = 0; i < na || i < nb; ++i) {
    const std::uint64_t x = i < na ? a.segs[i].value : 0, y = i < nb ? b.segs[i].value : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  const std::string_view ra = na < a.segs.size() ? a.tag_bytes(a.segs.back()) : std::string_view();
  const std::string_view rb = nb < b.segs.size() ? b.tag_bytes(b.segs.back()) : std::string_view();
  return sign(ra.compare(rb));
}

std::string canonical_cpan(const SegSpan& v) {
  std::size_t n = v.segs.size() - (!v.segs.empty() && v.segs.back().is_tag());
  const std::size_t parts = n;
  while (n > 0 && v.segs[n - 1].value == 0) --n;
  std::string out = "v";
  for (std::size_t i = 0; i < n; ++i) {
    if (i) out += '.';
    out += std::to_string(v.segs[i].value);
  }
  if (n == 0) out += '0';
  if (parts < v.segs.size()) out += '+', out += v.tag_bytes(v.segs.back());
  return out;
}

}  // namespace ombrel
