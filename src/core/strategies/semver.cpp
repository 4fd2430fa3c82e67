#include "strategies/semver.hpp"

#include "text.hpp"

namespace ombrel {

namespace {

std::unexpected<std::string> fail(std::string_view a, std::string_view b = {},
                                  std::string_view quoted = {}, bool quote = false) {
  std::string m(a);
  m += b;
  if (quote) {
    m += ": '";
    m += quoted;
    m += '\'';
  }
  return std::unexpected(std::move(m));
}

bool all_digits(std::string_view s) { return !s.empty() && digit_run(s) == s.size(); }

}  // namespace

std::expected<std::uint64_t, std::string> parse_strict_u64(std::string_view piece,
                                                           std::string_view field) {
  if (piece.empty()) return fail("empty ", field);
  if (piece.size() > 1 && piece[0] == '0') return fail("leading zero in ", field, piece, true);
  auto v = parse_u64(piece);
  if (!v) return fail("invalid ", field, piece, true);
  return *v;
}

std::expected<void, std::string> validate_prerelease(std::string_view pre) {
  if (pre.empty()) return fail("empty prerelease");
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = pre.find('.', start);
    const std::string_view id = pre.substr(start, dot == pre.npos ? pre.npos : dot - start);
    if (id.empty()) return fail("empty identifier in prerelease");
    for (char c : id)
      if (!is_alnum(c) && c != '-')
        return fail("invalid character in prerelease identifier", {}, id, true);
    if (all_digits(id)) {
      if (id.size() > 1 && id[0] == '0')
        return fail("leading zero in numeric prerelease identifier", {}, id, true);
      if (!parse_u64(id))
        return fail("numeric prerelease identifier out of range for u64", {}, id, true);
    }
    if (dot == pre.npos) break;
    start = dot + 1;
  }
  return {};
}

std::expected<StrictSemver, std::string> parse_semver_strict(std::string_view text) {
  std::string_view t = trim(text);
  if (t.size() >= 2 && (t[0] == 'v' || t[0] == 'V') && is_digit(t[1])) t.remove_prefix(1);
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
  if (count != 3) return std::unexpected("Expected 3 parts, got " + std::to_string(count));
  StrictSemver v;
  static constexpr std::string_view kFields[3] = {"major", "minor", "patch"};
  std::uint64_t* out[3] = {&v.major, &v.minor, &v.patch};
  for (int i = 0; i < 3; ++i) {
    auto n = parse_strict_u64(parts[i], kFields[i]);
    if (!n) return std::unexpected(std::move(n.error()));
    *out[i] = *n;
  }
  if (pre) {
    if (auto ok = validate_prerelease(*pre); !ok) return std::unexpected(std::move(ok.error()));
    v.prerelease.emplace(*pre);
  }
  return v;
}

namespace {

// Numeric identifiers (digits that fit in 64 bits) sort below the others.
int cmp_identifier(std::string_view a, std::string_view b) {
  const auto na = all_digits(a) ? parse_u64(a) : std::nullopt;
  const auto nb = all_digits(b) ? parse_u64(b) : std::nullopt;
  if (na && nb) return cmp3(*na, *nb);
  if (na) return -1;
  if (nb) return 1;
  return sign(a.compare(b));
}

}  // namespace

int cmp_semver_strict(const StrictSemver& a, const StrictSemver& b) {
  if (int r = cmp3(a.major, b.major)) return r;
  if (int r = cmp3(a.minor, b.minor)) return r;
  if (int r = cmp3(a.patch, b.patch)) return r;
  if (!a.prerelease || !b.prerelease) return cmp3(!a.prerelease, !b.prerelease);
  const std::string_view pa = *a.prerelease, pb = *b.prerelease;
  std::size_t ia = 0, ib = 0;
  while (true) {
    const bool ea = ia > pa.size(), eb = ib > pb.size();
    if (ea || eb) return ea && eb ? 0 : (ea ? -1 : 1);
    const std::size_t da = pa.find('.', ia), db = pb.find('.', ib);
    const std::string_view xa = pa.substr(ia, da == pa.npos ? pa.npos : da - ia);
    const std::string_view xb = pb.substr(ib, db == pb.npos ? pb.npos : db - ib);
    if (int r = cmp_identifier(xa, xb)) return r;
    ia = da == pa.npos ? pa.size() + 1 : da + 1;
    ib = db == pb.npos ? pb.size() + 1 : db + 1;
  }
}

}  // namespace ombrel
