#include "strategies/composer.hpp"

#include <algorithm>
#include <array>

#include "message.hpp"

namespace ombrel {

namespace {

// version_compare's words by rank; a number ranks as kNumber against a word. A branch name is
// a piece of its own.
constexpr std::int16_t kUnknown = -6;
constexpr std::int16_t kDev = 0;
constexpr std::int16_t kAlpha = 1;
constexpr std::int16_t kBeta = 2;
constexpr std::int16_t kRc = 3;
constexpr std::int16_t kNumber = 4;
constexpr std::int16_t kPatch = 5;
constexpr std::int16_t kBranch = 100;

// PHP reads each number with strtol, which holds a larger one at LONG_MAX.
constexpr std::uint64_t kLongMax = 9223372036854775807u;
// What Composer writes for a wildcard in a branch (`1.x-dev`) and for the default branches.
constexpr std::uint64_t kBranchNumber = 9999999;
constexpr std::array<std::string_view, 3> kDefaultBranches = {"master", "default", "trunk"};

// A word as version_compare ranks it: by its first letters, case kept.
std::int16_t word_rank(std::string_view w) {
  if (w.starts_with("dev")) return kDev;
  if (w.starts_with("a")) return kAlpha;
  if (w.starts_with("b")) return kBeta;
  if (w.starts_with("RC") || w.starts_with("rc")) return kRc;
  if (w.starts_with("p")) return kPatch;
  return kUnknown;
}

// Composer's stability words in the order its pattern tries them, each with the rank of the
// word it is normalised to (`stable` in any case but lower stays a word version_compare does
// not know).
struct Stability {
  std::string_view word;
  std::int16_t rank;
};
constexpr Stability kStabilities[] = {
    {"stable", kUnknown}, {"beta", kBeta}, {"b", kBeta},     {"rc", kRc}, {"alpha", kAlpha},
    {"a", kAlpha},        {"patch", kPatch}, {"pl", kPatch}, {"p", kPatch},
};

constexpr bool is_php_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool starts_with_i(std::string_view s, std::string_view lower) {
  return s.size() >= lower.size() && iequals(s.substr(0, lower.size()), lower);
}

// The digit runs and letter runs of `s`, a view into `text`, as version_compare reads them;
// other bytes only separate.
void push_runs(std::string_view text, std::string_view s, PieceParse& out) {
  const std::size_t base = offset_in(text, s);
  for (std::size_t i = 0; i < s.size();) {
    std::size_t end = i;
    if (is_digit(s[i])) {
      end += digit_run(s, i);
      out.pieces.push_back(Seg::num(saturated(s.substr(i, end - i), kLongMax)));
    } else if (is_alpha(s[i])) {
      while (end < s.size() && is_alpha(s[end])) ++end;
      out.pieces.push_back(Seg::tag(base + i, end - i, word_rank(s.substr(i, end - i))));
    } else {
      ++end;
    }
    i = end;
  }
}

// `1.0 as 2.0` is read as `1.0`.
std::string_view strip_alias(std::string_view t) {
  const std::size_t i = t.find(' ');
  if (i == 0 || i == std::string_view::npos) return t;
  for (std::size_t p = 0; p < i; ++p)
    if (is_php_space(t[p]) || t[p] == ',') return t;
  std::size_t j = i;
  while (j < t.size() && t[j] == ' ') ++j;
  if (t.substr(j, 2) != "as") return t;
  std::size_t k = j + 2, m = k;
  while (m < t.size() && t[m] == ' ') ++m;
  if (m == k || m == t.size()) return t;
  for (std::size_t p = m; p < t.size(); ++p)
    if (is_php_space(t[p]) || t[p] == ',') return t;
  return t.substr(0, i);
}

// `1.0@dev` is read as `1.0`.
std::string_view strip_flag(std::string_view t) {
  const std::size_t at = t.rfind('@');
  if (at == std::string_view::npos) return t;
  for (std::string_view flag : {"stable", "rc", "beta", "alpha", "dev"})
    if (iequals(t.substr(at + 1), flag)) return t.substr(0, at);
  return t;
}

// `1.0+build` is read as `1.0`.
std::string_view strip_build(std::string_view t) {
  const std::size_t plus = t.find('+');
  if (plus == 0 || plus == std::string_view::npos || plus + 1 == t.size()) return t;
  for (std::size_t i = 0; i < t.size(); ++i)
    if (is_php_space(t[i]) || (i < plus && t[i] == ',')) return t;
  return t.substr(0, plus);
}

// Composer's suffix after the numbers: [._-] [stability [number...]] [[.-]dev], all of `r`.
struct Suffix {
  std::int16_t rank = kNumber;  // kNumber: no stability word
  bool stable = false;          // the word `stable`, which drops the rest
  std::string_view number;      // the stability's numbers, separators included
  bool dev = false;
};

// `dev`, `.dev` or `-dev`: all of `r`.
bool is_dev_suffix(std::string_view r) {
  if (!r.empty() && (r[0] == '.' || r[0] == '-')) r.remove_prefix(1);
  return iequals(r, "dev");
}

bool read_suffix(std::string_view r, Suffix& out) {
  if (r.empty()) return true;
  for (const bool skip : {true, false}) {
    std::string_view s = r;
    if (skip) {
      if (s.empty() || (s[0] != '.' && s[0] != '_' && s[0] != '-')) continue;
      s.remove_prefix(1);
    }
    for (const auto& [w, rank] : kStabilities) {
      if (s.empty() || to_lower(s[0]) != w[0] || !starts_with_i(s, w)) continue;
      std::size_t i = w.size();
      for (;;) {  // ([.-]?\d+)*, taken whole
        const std::size_t d = i + (i < s.size() && (s[i] == '.' || s[i] == '-'));
        const std::size_t n = digit_run(s, d);
        if (n == 0) break;
        i = d + n;
      }
      const std::string_view rest = s.substr(i);
      if (!rest.empty() && !is_dev_suffix(rest)) continue;
      out.stable = s.substr(0, w.size()) == "stable";
      out.rank = rank;
      out.number = s.substr(w.size(), i - w.size());
      out.dev = !rest.empty();
      return true;
    }
    if (s.empty() || is_dev_suffix(s)) {
      out.dev = !s.empty();
      return true;
    }
  }
  return false;
}

// Pushes the normalised suffix; the number's separators only split it.
void push_suffix(std::string_view text, const Suffix& s, PieceParse& out) {
  if (s.stable) return;
  if (s.rank != kNumber) {
    out.pieces.push_back(Seg::tag(0, 0, s.rank));
    push_runs(text, s.number, out);
  }
  if (s.dev) out.pieces.push_back(Seg::tag(0, 0, kDev));
}

// A date-like version: four digits, one to six groups of two, up to two of one to three, each
// group after an optional `.`, `:` or `-`; `r` is the whole run of digits and separators.
bool date_fits(std::string_view r, std::size_t i, int twos, int shorts) {
  if (i == r.size()) return twos >= 1;
  const bool sep = r[i] == '.' || r[i] == ':' || r[i] == '-';
  const std::size_t j = i + sep;
  if (shorts == 0 && twos < 6 && digit_run(r, j) >= 2 && date_fits(r, j + 2, twos + 1, 0))
    return true;
  if (twos >= 1 && shorts < 2)
    for (std::size_t n = 1; n <= 3 && n <= digit_run(r, j); ++n)
      if (date_fits(r, j + n, twos, shorts + 1)) return true;
  return false;
}

// Up to four numbers, the first of at most five digits, at the start of `v`; where they end,
// or 0 when `v` does not start so.
std::size_t read_numbers(std::string_view v, PieceParse& out) {
  std::size_t i = digit_run(v);
  if (i == 0 || i > 5) return 0;
  out.pieces.push_back(Seg::num(saturated(v.substr(0, i), kLongMax)));
  while (out.pieces.size() < 4 && i + 1 < v.size() && v[i] == '.' && is_digit(v[i + 1])) {
    const std::size_t n = digit_run(v, i + 1);
    out.pieces.push_back(Seg::num(saturated(v.substr(i + 1, n), kLongMax)));
    i += 1 + n;
  }
  return i;
}

// Composer writes four numbers.
void pad_numbers(PieceParse& out) {
  while (out.pieces.size() < 4) out.pieces.push_back(Seg::num(0));
}

// After the numbers, Composer's suffix to the end of the text; false when it is not one.
bool read_classical_suffix(std::string_view text, std::string_view rest, PieceParse& out) {
  Suffix suffix;
  if (!read_suffix(rest, suffix)) return false;
  pad_numbers(out);
  push_suffix(text, suffix, out);
  return true;
}

// Composer's normal form of `t`, a view into `text`; false when Composer refuses it.
bool normalise(std::string_view text, std::string_view t, PieceParse& out) {
  t = strip_flag(strip_alias(t));
  if (starts_with_i(t, "dev-")) {
    const std::string_view name = t.substr(4);
    for (std::string_view d : kDefaultBranches)
      if (name == d) {
        out.pieces.push_back(Seg::num(kBranchNumber));
        out.pieces.push_back(Seg::tag(0, 0, kDev));
        return true;
      }
    out.pieces.push_back(Seg::tag(offset_in(text, name), name.size(), kBranch));
    return true;
  }
  t = strip_build(t);
  std::string_view v = t;
  if (!v.empty() && (v[0] == 'v' || v[0] == 'V')) v.remove_prefix(1);
  Suffix suffix;
  if (const std::size_t i = read_numbers(v, out)) {
    if (read_classical_suffix(text, v.substr(i), out)) return true;
    out.pieces.set_size(0);
  }
  // A date.
  std::size_t end = 0;
  for (std::size_t k = digit_run(v); k > 0;) {
    end += k;
    const bool sep = end + 1 < v.size() && (v[end] == '.' || v[end] == ':' || v[end] == '-');
    k = sep ? digit_run(v, end + 1) : 0;
    if (k) ++end;
  }
  if (end >= 4 && end <= 30 && digit_run(v) >= 4 && date_fits(v.substr(0, end), 4, 0, 0) &&
      read_suffix(v.substr(end), suffix)) {
    push_runs(text, v.substr(0, end), out);
    push_suffix(text, suffix, out);
    return true;
  }
  // A numbered branch: `1.x-dev`, `2.0.*-dev`.
  if (t.size() >= 3 && iequals(t.substr(t.size() - 3), "dev")) {
    std::string_view b = t.substr(0, t.size() - 3);
    if (!b.empty() && (b.back() == '.' || b.back() == '-')) b.remove_suffix(1);
    // Composer's pattern finds the name within the last line, and trims it (`1 -dev` is
    // 1.x-dev).
    if (const std::size_t nl = b.rfind('\n'); nl != std::string_view::npos) b.remove_prefix(nl + 1);
    b = composer_trim(b);
    if (!b.empty() && (b[0] == 'v' || b[0] == 'V')) b.remove_prefix(1);
    std::size_t k = digit_run(b), parts = 1;
    if (k == 0) return false;
    while (parts < 4 && k + 1 < b.size() && b[k] == '.') {
      const std::size_t n = digit_run(b, k + 1);
      const std::size_t w = n ? n : (b[k + 1] == 'x' || b[k + 1] == 'X' || b[k + 1] == '*');
      if (!w) break;
      k += 1 + w, ++parts;
    }
    if (k != b.size()) return false;
    // Each wildcard (`x`, `X`, `*`) and each missing part stands for kBranchNumber.
    for (std::size_t p = 0; p < b.size();) {
      if (is_digit(b[p])) {
        const std::size_t n = digit_run(b, p);
        out.pieces.push_back(Seg::num(saturated(b.substr(p, n), kLongMax)));
        p += n;
      } else {
        if (b[p] != '.') out.pieces.push_back(Seg::num(kBranchNumber));
        ++p;
      }
    }
    for (; parts < 4; ++parts) out.pieces.push_back(Seg::num(kBranchNumber));
    out.pieces.push_back(Seg::tag(0, 0, kDev));
    return true;
  }
  return false;
}

// A piece's place in version_compare: the rank, then the number (a missing piece is below
// every number and ranks as one against a word).
struct Weight {
  std::int16_t rank;
  std::uint64_t value;
  auto operator<=>(const Weight&) const = default;
};

Weight weight(const SegSpan& v, std::size_t i) {
  if (i >= v.segs.size()) return {kNumber, 0};
  const Seg& s = v.segs[i];
  return s.is_num() ? Weight{kNumber, s.value + 1} : Weight{s.weight, 0};
}

bool is_branch(const SegSpan& v) {
  return !v.segs.empty() && v.segs[0].is_tag() && v.segs[0].weight == kBranch;
}

}  // namespace

void parse_composer_into(std::string_view text, PieceParse& out) {
  const std::string_view t = trim(text);
  // Most versions are numbers and a suffix: without a space, `@` or `+` there is no alias, flag
  // or build to cut off first, and a branch does not start with a digit.
  const std::string_view v = strip_v(t);
  if (const std::size_t i = read_numbers(v, out)) {
    if (i == v.size()) return pad_numbers(out);
    const auto marks = [](char c) { return c == ' ' || c == '@' || c == '+'; };
    if (std::ranges::none_of(v, marks) && read_classical_suffix(text, v.substr(i), out))
      return;
  }
  out.pieces.set_size(0);
  if (normalise(text, t, out)) return;
  out.pieces.set_size(0);
  push_runs(text, v, out);
}

namespace {

// The word this strategy reads with `rank` (and version_compare with the rank it stands for).
std::string_view rank_word(std::int16_t rank) {
  switch (rank) {
    case kDev: return "dev";
    case kAlpha: return "alpha";
    case kBeta: return "beta";
    case kRc: return "RC";
    case kPatch: return "patch";
    default: return "STABLE";
  }
}

}  // namespace

std::string_view composer_trim(std::string_view s) {
  auto space = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0' || c == '\v';
  };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

std::optional<std::string_view> composer_branch(std::string_view text) {
  const std::string_view t = strip_flag(strip_alias(composer_trim(text)));
  for (std::string_view d : kDefaultBranches)
    if (t == d) return t;
  if (starts_with_i(t, "dev-")) return t.substr(4);
  return std::nullopt;
}

std::optional<ComposerNormal> composer_normal(std::string_view text) {
  const std::string_view t = composer_trim(text);
  // White space PHP keeps in the text is not Composer's.
  if (trim(t).size() != t.size()) return std::nullopt;
  if (auto name = composer_branch(t)) return ComposerNormal{true, false, message("dev-", *name)};
  PieceParse out;
  if (!normalise(t, t, out)) return std::nullopt;
  const SegSpan v = out.view(t);
  std::size_t n = 0;
  while (n < v.segs.size() && v.segs[n].is_num()) ++n;
  ComposerNormal normal{false, true, {}};
  bool after_word = false;
  for (std::size_t i = 0; i < v.segs.size(); ++i) {
    const Seg& s = v.segs[i];
    if (s.is_tag()) {
      normal.text += '-';
      normal.text += rank_word(s.weight);
      normal.stable &= s.weight == kPatch || s.weight == kUnknown;
      after_word = true;
      continue;
    }
    if (i && !after_word) normal.text += i < n && n != 4 ? '-' : '.';
    after_word = false;
    normal.text += std::to_string(s.value);
  }
  return normal;
}

// Composer leaves two named branches unordered; they are ordered here by name.
int cmp_composer(const SegSpan& a, const SegSpan& b) {
  const bool ba = is_branch(a), bb = is_branch(b);
  if (ba || bb) {
    if (ba != bb) return ba ? -1 : 1;
    return sign(a.tag_bytes(a.segs[0]).compare(b.tag_bytes(b.segs[0])));
  }
  const std::size_t n = a.segs.size() > b.segs.size() ? a.segs.size() : b.segs.size();
  std::size_t i = 0;
  // Leading numbers, the bulk of most versions.
  for (const std::size_t m = a.segs.size() < b.segs.size() ? a.segs.size() : b.segs.size(); i < m;
       ++i) {
    const Seg& x = a.segs[i];
    const Seg& y = b.segs[i];
    if (!x.is_num() || !y.is_num()) break;
    if (x.value != y.value) return x.value < y.value ? -1 : 1;
  }
  for (; i < n; ++i)
    if (const auto r = weight(a, i) <=> weight(b, i); r != 0) return r < 0 ? -1 : 1;
  return 0;
}

std::string canonical_composer(const SegSpan& v) {
  if (is_branch(v)) return "dev-" + std::string(v.tag_bytes(v.segs[0]));
  std::string out;
  for (const Seg& s : v.segs) {
    if (!out.empty()) out += '.';
    if (s.is_num()) {
      out += std::to_string(s.value);
      continue;
    }
    switch (s.weight) {
      case kDev: out += "dev"; break;
      case kAlpha: out += "alpha"; break;
      case kBeta: out += "beta"; break;
      case kRc: out += "RC"; break;
      case kPatch: out += "patch"; break;
      default: out += '*';
    }
  }
  return out;
}

}  // namespace ombrel
