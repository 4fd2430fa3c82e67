// Cargo's version requirements: comma-separated comparators, all of which must hold. A bare
// version is a caret requirement; partial versions (`1`, `1.2`, `1.*`) stand for the versions
// that share the numbers written; `*` alone is every version. A pre-release satisfies a
// requirement only when one of its comparators names a pre-release of the same
// major.minor.patch.
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

enum class CargoOp : std::uint8_t { Exact, Gt, Ge, Lt, Le, Tilde, Caret };

struct CargoOpSpelling {
  std::string_view text;
  CargoOp op;
};

constexpr CargoOpSpelling kCargoOps[] = {{"=", CargoOp::Exact}, {">", CargoOp::Gt},
                                         {">=", CargoOp::Ge},   {"<", CargoOp::Lt},
                                         {"<=", CargoOp::Le},   {"~", CargoOp::Tilde},
                                         {"^", CargoOp::Caret}};

bool is_wildcard(char c) { return c == '*' || c == 'x' || c == 'X'; }

// A comparator's version: 1 to 3 numbers (no leading zeros), the missing or wildcard ones
// unknown, a pre-release and build only after three numbers.
struct CargoVersion {
  std::string_view nums[3];
  std::size_t known = 0;
  std::string_view pre, build;
  bool wildcard = false;
};

std::optional<CargoVersion> cargo_version(std::string_view v) {
  CargoVersion out;
  std::size_t i = 0;
  for (std::size_t k = 0; k < 3; ++k) {
    if (k) {
      if (i == v.size() || v[i] != '.') break;
      ++i;
    }
    if (i < v.size() && is_wildcard(v[i]) && k) {
      out.wildcard = true;
      ++i;
      continue;
    }
    const std::size_t n = digit_run(v, i);
    if (!n || out.wildcard || (n > 1 && v[i] == '0') || !parse_u64(v.substr(i, n)))
      return std::nullopt;
    out.nums[out.known++] = v.substr(i, n);
    i += n;
  }
  auto idents = [&](std::string_view& into) {
    const std::size_t start = ++i;
    do {
      if (i > start) ++i;
      std::size_t e = i;
      while (e < v.size() && (is_alnum(v[e]) || v[e] == '-')) ++e;
      if (e == i) return false;
      i = e;
    } while (i < v.size() && v[i] == '.');
    into = v.substr(start, i - start);
    return true;
  };
  if (i < v.size() && v[i] == '-' && (out.known < 3 || !idents(out.pre))) return std::nullopt;
  if (i < v.size() && v[i] == '+' && (out.known < 3 || !idents(out.build))) return std::nullopt;
  if (i != v.size()) return std::nullopt;
  return out;
}

std::string padded(const CargoVersion& v) {
  return message(v.nums[0], ".", v.known > 1 ? v.nums[1] : "0", ".",
                 v.known > 2 ? v.nums[2] : "0", v.pre.empty() ? "" : "-", v.pre);
}

// The comparators of one Cargo comparator, as semver's matching reads it.
std::expected<void, std::string> expand(Ecosystem eco, NativeList& list, CargoOp op,
                                        const CargoVersion& v) {
  const std::string low = padded(v);
  const std::span<const std::string_view> nums(v.nums, v.known);
  // The end of the versions that share the first `keep` numbers.
  auto upto = [&](std::size_t keep) {
    return push_comparator(eco, list, Op::Lt, bumped(nums, keep, 3));
  };
  auto from = [&] { return push_comparator(eco, list, Op::Ge, low); };
  switch (op) {
    case CargoOp::Exact:
      if (v.known == 3) return push_comparator(eco, list, Op::Eq, low);
      if (auto ok = from(); !ok) return ok;
      return upto(v.known);
    case CargoOp::Gt:
      if (v.known == 3) return push_comparator(eco, list, Op::Gt, low);
      return push_comparator(eco, list, Op::Ge, bumped(nums, v.known, 3));
    case CargoOp::Ge: return from();
    case CargoOp::Lt: return push_comparator(eco, list, Op::Lt, low);
    case CargoOp::Le:
      if (v.known == 3) return push_comparator(eco, list, Op::Le, low);
      return upto(v.known);
    case CargoOp::Tilde:
      if (auto ok = from(); !ok) return ok;
      return upto(v.known > 1 ? 2 : 1);
    case CargoOp::Caret: {
      // The first non-zero number written is the one that may not change; all zeros written
      // fix every number written.
      std::size_t keep = v.known;
      for (std::size_t k = 0; k < v.known; ++k)
        if (v.nums[k] != "0") {
          keep = k + 1;
          break;
        }
      if (v.known == 3 && keep == 3) return push_comparator(eco, list, Op::Eq, low);
      if (auto ok = from(); !ok) return ok;
      return upto(keep);
    }
  }
  return {};
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_crates(Ecosystem eco,
                                                                 std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::SameRelease, .alternatives = {}};
  auto bad = [&](std::string_view what) {
    return fail("invalid crates range '", text, "'; ", what);
  };
  const std::string_view whole = trim_ascii(text);
  if (whole.size() == 1 && is_wildcard(whole[0])) {
    out.alternatives.emplace_back();
    return out;
  }
  NativeList list;
  for (std::string_view piece : split_on(text, ',')) {
    std::string_view s = trim_ascii(piece);
    if (s.empty()) return bad("empty comparator");
    CargoOp op = CargoOp::Caret;
    const std::size_t n = read_op(s, kCargoOps, op);
    const auto v = cargo_version(trim_ascii(s.substr(n)));
    if (!v) return bad(message("invalid comparator '", trim_ascii(piece), "'"));
    // A wildcard without an operator is an exact match of the numbers before it.
    if (v->wildcard && !n) op = CargoOp::Exact;
    if (auto ok = expand(eco, list, op, *v); !ok) return failure(ok);
  }
  out.alternatives.push_back(std::move(list));
  return out;
}

}  // namespace ombrel
