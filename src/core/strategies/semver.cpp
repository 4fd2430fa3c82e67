#include "strategies/semver.hpp"

#include <algorithm>

#include "message.hpp"
#include "text.hpp"

namespace ombrel {

namespace {


}  // namespace

std::expected<std::uint64_t, std::string> parse_strict_u64(std::string_view piece,
                                                           std::string_view field) {
  if (piece.empty()) return fail("empty ", field);
  if (piece.size() > 1 && piece[0] == '0')
    return fail("leading zero in ", field, ": '", piece, '\'');
  auto v = parse_u64(piece);
  if (!v) return fail("invalid ", field, ": '", piece, '\'');
  return *v;
}

std::expected<void, std::string> validate_prerelease(std::string_view pre) {
  if (pre.empty()) return fail("empty prerelease");
  const std::size_t n = pre.size();
  for (std::size_t start = 0; start <= n;) {
    std::size_t end = start;
    bool digits = true, valid = true;
    for (; end < n && pre[end] != '.'; ++end) {
      const char c = pre[end];
      digits &= is_digit(c);
      valid &= is_alnum(c) || c == '-';
    }
    const std::string_view id = pre.substr(start, end - start);
    if (id.empty()) return fail("empty identifier in prerelease");
    if (!valid) return fail("invalid character in prerelease identifier: '", id, '\'');
    if (digits) {
      if (id.size() > 1 && id[0] == '0')
        return fail("leading zero in numeric prerelease identifier: '", id, '\'');
      if (!parse_u64(id))
        return fail("numeric prerelease identifier out of range for u64: '", id, '\'');
    }
    start = end + 1;
  }
  return {};
}

namespace {

// What validate_prerelease accepts, in the shape nearly every prerelease has: identifiers of
// letters, digits and '-', numbers without a leading zero and of at most 19 digits. False
// leaves the verdict (and its wording) to validate_prerelease.
bool plainly_valid(std::string_view pre) {
  if (pre.empty()) return false;
  std::size_t start = 0;
  bool digits = true;
  for (std::size_t i = 0; i <= pre.size(); ++i) {
    const char c = i < pre.size() ? pre[i] : '.';
    if (c == '.') {
      const std::size_t len = i - start;
      if (len == 0 || (digits && (len > 19 || (len > 1 && pre[start] == '0')))) return false;
      start = i + 1;
      digits = true;
    } else if (!is_digit(c)) {
      if (!is_alpha(c) && c != '-') return false;
      digits = false;
    }
  }
  return true;
}

// Every shape that is not three plain numbers, and the wording of every error. Kept out of
// line, so that the common path does not pay for its frame.
[[gnu::noinline]] std::expected<void, std::string> parse_semver_general(std::string_view t,
                                                                        SemverView& v) {
  t = t.substr(0, t.find('+'));
  std::optional<std::string_view> pre;
  if (const std::size_t dash = t.find('-'); dash != t.npos) {
    pre = t.substr(dash + 1);
    t = t.substr(0, dash);
  }
  std::string_view parts[3];
  std::size_t count = 0, start = 0;
  while (true) {
    const std::size_t dot = t.find('.', start);
    if (count < 3) parts[count] = t.substr(start, dot == t.npos ? t.npos : dot - start);
    ++count;
    if (dot == t.npos) break;
    start = dot + 1;
  }
  if (count != 3) return fail("Expected 3 parts, got ", std::to_string(count));
  static constexpr std::string_view kFields[3] = {"major", "minor", "patch"};
  std::uint64_t* out[3] = {&v.major, &v.minor, &v.patch};
  for (int i = 0; i < 3; ++i) {
    auto n = parse_strict_u64(parts[i], kFields[i]);
    if (!n) return failure(n);
    *out[i] = *n;
  }
  if (pre) {
    if (auto ok = validate_prerelease(*pre); !ok) return ok;
    v.prerelease = pre;
  }
  return {};
}

}  // namespace

std::expected<void, std::string> parse_semver_into(std::string_view text, SemverView& v) {
  std::string_view t = trim(text);
  t = strip_v(t);
  // One pass over three plain numbers (no leading zero, at most 19 digits, so no overflow)
  // and what follows them: the shape of nearly every version.
  std::uint64_t* fields[3] = {&v.major, &v.minor, &v.patch};
  std::size_t i = 0;
  bool plain = true;
  for (int f = 0; f < 3 && plain; ++f) {
    const std::size_t start = i;
    std::uint64_t n = 0;
    for (; i < t.size() && is_digit(t[i]); ++i) n = n * 10 + static_cast<std::uint64_t>(t[i] - '0');
    const std::size_t len = i - start;
    plain = len > 0 && len <= 19 && (len == 1 || t[start] != '0');
    if (f < 2) plain = plain && i < t.size() && t[i++] == '.';
    *fields[f] = n;
  }
  if (!plain || (i < t.size() && t[i] != '-' && t[i] != '+')) return parse_semver_general(t, v);
  if (i < t.size() && t[i] == '-') {
    std::size_t end = i + 1;
    while (end < t.size() && t[end] != '+') ++end;
    const std::string_view pre = t.substr(i + 1, end - i - 1);
    if (!plainly_valid(pre))
      if (auto ok = validate_prerelease(pre); !ok) return ok;
    v.prerelease = pre;
  }
  return {};
}

std::expected<StrictSemver, std::string> parse_semver_strict(std::string_view text) {
  SemverView v;
  if (auto ok = parse_semver_into(text, v); !ok) return failure(ok);
  StrictSemver s{std::nullopt, v.major, v.minor, v.patch};
  if (v.prerelease) s.prerelease.emplace(*v.prerelease);
  return s;
}

namespace {

// Numeric identifiers (digits that fit in 64 bits) sort below the others.
int cmp_identifier(std::string_view a, std::string_view b) {
  const auto na = parse_u64(a);  // nothing unless all digits
  const auto nb = parse_u64(b);
  if (na && nb) return cmp3(*na, *nb);
  if (na) return -1;
  if (nb) return 1;
  // Byte order, as memcmp has it; identifiers are short, so a plain loop.
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i])
      return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
  return cmp3(a.size(), b.size());
}

}  // namespace

int cmp_semver_strict(const SemverView& a, const SemverView& b) {
  if (int r = cmp3(a.major, b.major)) return r;
  if (int r = cmp3(a.minor, b.minor)) return r;
  if (int r = cmp3(a.patch, b.patch)) return r;
  if (!a.prerelease || !b.prerelease) return cmp3(!a.prerelease, !b.prerelease);
  const std::string_view pa = *a.prerelease, pb = *b.prerelease;
  // The identifier ending at the next '.' (or the end) from `i`.
  const auto next = [](std::string_view p, std::size_t i) {
    std::size_t e = i;
    while (e < p.size() && p[e] != '.') ++e;
    return p.substr(i, e - i);
  };
  // Identifiers both sides share decide nothing: start at the one holding the first difference.
  std::size_t k = 0;
  const std::size_t shared = std::min(pa.size(), pb.size());
  while (k < shared && pa[k] == pb[k]) ++k;
  if (k == pa.size() && k == pb.size()) return 0;
  while (k > 0 && pa[k - 1] != '.') --k;
  std::size_t ia = k, ib = k;
  while (true) {
    const bool ea = ia > pa.size(), eb = ib > pb.size();
    if (ea || eb) return ea && eb ? 0 : (ea ? -1 : 1);
    const std::string_view xa = next(pa, ia), xb = next(pb, ib);
    if (int r = cmp_identifier(xa, xb)) return r;
    ia += xa.size() + 1;
    ib += xb.size() + 1;
  }
}

}  // namespace ombrel
