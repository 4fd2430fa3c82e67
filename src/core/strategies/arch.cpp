#include "strategies/arch.hpp"

#include "strategies/rpm.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

struct Evr {
  std::string_view epoch;  // "" reads as 0
  std::string_view pkgver;
  std::string_view pkgrel;
  bool has_pkgrel;
};

Evr split(const ArchParse& v, std::string_view text) {
  const bool rel = v.pkgrel != std::string_view::npos;
  const std::size_t ver_end = rel ? v.pkgrel - 1 : v.end;
  return {text.substr(v.begin, v.pkgver > v.begin ? v.pkgver - 1 - v.begin : 0),
          text.substr(v.pkgver, ver_end - v.pkgver),
          rel ? text.substr(v.pkgrel, v.end - v.pkgrel) : std::string_view{}, rel};
}

std::size_t skip_separators(std::string_view s, std::size_t i) {
  while (i < s.size() && !is_alnum(s[i])) ++i;
  return i;
}

// pacman's own rpmvercmp, an older fork of rpm's: `~` and `^` are plain separators, separator
// runs of different lengths decide, and a letter left over loses to the end of the text.
int vercmp_part(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  std::size_t seg_end_a = 0, seg_end_b = 0;  // where the previous segment ended
  while (i < a.size() && j < b.size()) {
    i = skip_separators(a, i);
    j = skip_separators(b, j);
    if (i == a.size() || j == b.size()) break;
    if (i - seg_end_a != j - seg_end_b) return i - seg_end_a < j - seg_end_b ? -1 : 1;
    const bool numeric = is_digit(a[i]);
    const std::string_view sa = rpm_segment(a, i, numeric), sb = rpm_segment(b, j, numeric);
    // Numbers are newer than letters.
    if (sb.empty()) return numeric ? 1 : -1;
    if (const int d = cmp_rpm_segment(sa, sb, numeric)) return d;
    seg_end_a = i += sa.size();
    seg_end_b = j += sb.size();
  }
  if (i == a.size() && j == b.size()) return 0;
  // One side has run out (`i` or `j` may still stand before separators): a letter left over
  // is older than the end, anything else newer.
  if (i == a.size()) return is_alpha(b[j]) ? 1 : -1;
  return is_alpha(a[i]) ? -1 : 1;
}

void append_part_canonical(std::string& out, std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t sep = skip_separators(s, i);
    if (sep == s.size()) {  // trailing separators count once, however many
      out += '.';
      break;
    }
    out.append(sep - i, '.');
    const std::string_view seg = rpm_segment(s, sep, is_digit(s[sep]));
    const std::string_view n = is_digit(s[sep]) ? drop_leading_zeros(seg) : seg;
    out.append(n.empty() ? "0" : n);
    i = sep + seg.size();
  }
}

}  // namespace

void parse_arch_into(std::string_view text, ArchParse& out) {
  const std::string_view t = trim(text);
  out.begin = static_cast<std::size_t>(t.data() - text.data());
  out.end = out.begin + t.size();
  const std::size_t digits = digit_run(t);
  out.pkgver = out.begin + (digits < t.size() && t[digits] == ':' ? digits + 1 : 0);
  const std::size_t hyphen = t.rfind('-');
  out.pkgrel = hyphen != t.npos && out.begin + hyphen >= out.pkgver ? out.begin + hyphen + 1
                                                                    : std::string_view::npos;
}

int cmp_arch(const ArchParse& a, std::string_view text_a, const ArchParse& b,
             std::string_view text_b) {
  const Evr x = split(a, text_a), y = split(b, text_b);
  if (const int d = cmp_digit_runs(x.epoch, y.epoch)) return d;
  if (const int d = vercmp_part(x.pkgver, y.pkgver)) return d;
  return x.has_pkgrel && y.has_pkgrel ? vercmp_part(x.pkgrel, y.pkgrel) : 0;
}

std::string canonical_arch(const ArchParse& v, std::string_view text) {
  const Evr e = split(v, text);
  const std::string_view epoch = drop_leading_zeros(e.epoch);
  std::string out(epoch.empty() ? "0" : epoch);
  out += ':';
  append_part_canonical(out, e.pkgver);
  return out;
}

}  // namespace ombrel
