// Julia's [compat] entries (Pkg): comma-separated specifiers, any of which may hold. A bare
// version is a caret specifier; `^` and `~` keep the numbers Pkg keeps; `=` matches the
// versions that share the numbers written; `>=` (or `≥`) and `<` compare; `a - b` is the
// versions from a to b, b's unwritten numbers left free.
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

enum class JuliaOp : std::uint8_t { Caret, Tilde, Equal, Ge, Lt };

struct JuliaOpSpelling {
  std::string_view text;
  JuliaOp op;
};

constexpr JuliaOpSpelling kJuliaOps[] = {{"^", JuliaOp::Caret}, {"~", JuliaOp::Tilde},
                                         {"=", JuliaOp::Equal}, {">=", JuliaOp::Ge},
                                         {"\xE2\x89\xA5", JuliaOp::Ge}, {"<", JuliaOp::Lt}};

// One to three numbers, nothing else: Pkg's specifiers take release numbers only.
std::optional<std::vector<std::string_view>> julia_numbers(std::string_view v) {
  std::vector<std::string_view> nums = leading_numbers(v);
  std::size_t len = nums.size() ? nums.size() - 1 : 0;
  for (std::string_view n : nums) len += n.size();
  if (nums.empty() || nums.size() > 3 || len != v.size()) return std::nullopt;
  return nums;
}

std::string zeros(std::span<const std::string_view> nums) {
  std::string out;
  for (std::size_t i = 0; i < 3; ++i) {
    if (i) out += '.';
    out += i < nums.size() ? std::string(nums[i]) : std::string("0");
  }
  return out;
}

// The span [low, high) of one specifier, `high` empty when open.
struct Span {
  std::string low, high;
};

Span span_of(JuliaOp op, std::span<const std::string_view> nums) {
  std::size_t first_nonzero = nums.size();
  for (std::size_t k = 0; k < nums.size(); ++k)
    if (nums[k] != "0") {
      first_nonzero = k;
      break;
    }
  switch (op) {
    case JuliaOp::Caret:
      return {zeros(nums), bumped(nums, std::min(first_nonzero + 1, nums.size()), 3)};
    case JuliaOp::Tilde: {
      // ~1.2.3 and ~1.2 keep major.minor; ~1 the major; 0.0.x keeps all three.
      std::size_t keep = nums.size() == 1 ? 1 : 2;
      if (nums.size() == 3 && first_nonzero >= 2) keep = 3;
      return {zeros(nums), bumped(nums, keep, 3)};
    }
    case JuliaOp::Equal: return {zeros(nums), bumped(nums, nums.size(), 3)};
    case JuliaOp::Ge: return {zeros(nums), ""};
    case JuliaOp::Lt: return {"", zeros(nums)};
  }
  return {};
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_julia(Ecosystem eco,
                                                                std::string_view text) {
  auto bad = [&](std::string_view piece) {
    return fail("invalid julia range '", text, "'; invalid version specifier '", piece, "'");
  };
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  for (std::string_view piece : split_on(text, ',')) {
    const std::string_view s = trim_ascii(piece);
    Span span;
    if (const std::size_t dash = s.find(" - "); dash != std::string_view::npos) {
      const auto a = julia_numbers(trim_ascii(s.substr(0, dash)));
      const auto b = julia_numbers(trim_ascii(s.substr(dash + 3)));
      if (!a || !b) return bad(s);
      span = {zeros(*a), bumped(*b, b->size(), 3)};
    } else {
      JuliaOp op = JuliaOp::Caret;
      const std::size_t n = read_op(s, kJuliaOps, op);
      const auto nums = julia_numbers(trim_ascii(s.substr(n)));
      if (!nums) return bad(s);
      span = span_of(op, *nums);
    }
    NativeList list;
    if (!span.low.empty())
      if (auto ok = push_comparator(eco, list, Op::Ge, span.low); !ok) return failure(ok);
    if (!span.high.empty())
      if (auto ok = push_comparator(eco, list, Op::Lt, span.high); !ok) return failure(ok);
    out.alternatives.push_back(std::move(list));
  }
  return out;
}

}  // namespace ombrel
