// Terraform and OpenTofu version constraints: comma-separated `op version` pieces, all of
// which must hold; no operator means `=`. `~>` lets only the last written number grow
// (`~> 1.2` is >= 1.2, < 2.0; `~> 1.2.3` is >= 1.2.3, < 1.3.0), and a pre-release is selected
// only by a constraint that names it exactly.
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

constexpr OpSpelling kTerraformOps[] = {{"=", Op::Eq}, {"!=", Op::Ne}, {">", Op::Gt},
                                        {">=", Op::Ge}, {"<", Op::Lt}, {"<=", Op::Le},
                                        {"~>", Op::Ge}};

bool ident_char(char c) { return is_alnum(c) || c == '-'; }

// One to three numbers, then an optional `-pre` and `+build` of dot-separated identifiers.
bool terraform_version(std::string_view v, std::size_t& numbers) {
  numbers = leading_numbers(v).size();
  std::size_t i = 0;
  for (std::size_t k = 0; k < numbers; ++k) i += digit_run(v, i) + (k + 1 < numbers);
  if (!numbers || numbers > 3) return false;
  for (char mark : {'-', '+'}) {
    if (i == v.size() || v[i] != mark) continue;
    do {
      std::size_t e = ++i;
      while (e < v.size() && ident_char(v[e])) ++e;
      if (e == i) return false;
      i = e;
    } while (i < v.size() && v[i] == '.');
  }
  return i == v.size();
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_terraform(Ecosystem eco,
                                                                    std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::ExactOnly, .alternatives = {}};
  NativeList list;
  for (std::string_view piece : split_on(text, ',')) {
    const std::string_view s = trim_ascii(piece);
    Op op = Op::Eq;
    const std::size_t n = read_op(s, kTerraformOps, op);
    const std::string_view version = trim_ascii(s.substr(n));
    std::size_t numbers = 0;
    if (!terraform_version(version, numbers))
      return fail("invalid terraform range '", text, "'; invalid constraint '", piece, "'");
    if (auto ok = push_comparator(eco, list, op, version); !ok) return failure(ok);
    if (s.starts_with("~>")) {
      const std::vector<std::string_view> nums = leading_numbers(version);
      const std::size_t keep = numbers > 1 ? numbers - 1 : 1;
      if (auto ok = push_comparator(eco, list, Op::Lt, bumped(nums, keep, keep)); !ok)
        return failure(ok);
    }
  }
  out.alternatives.push_back(std::move(list));
  return out;
}

}  // namespace ombrel
