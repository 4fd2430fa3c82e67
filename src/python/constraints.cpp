// Constraint functions: range containment and range intersection on plain strings.
#include "functions.hpp"
#include "ranges.hpp"

namespace ombrel::py {
namespace {

template <class T>
std::optional<T> value_or_raise(std::expected<T, std::string>&& r) {
  if (!r) {
    raise_value(r.error());
    return std::nullopt;
  }
  return std::move(*r);
}

// The shared core of `satisfies` and `range_contains`: ecosystem, then range, then evaluation.
std::optional<bool> range_contains(std::string_view version, std::string_view range,
                                   PyObject* eco_arg, std::string_view ecosystem) {
  const auto eco = eco_from_str(eco_arg, ecosystem);
  if (!eco) return std::nullopt;
  return value_or_raise(ombrel::range_contains(*eco, range, version));
}

// The three arguments as text, in parameter order.
struct Texts {
  std::string_view first, second, ecosystem;
};
std::optional<Texts> texts(const Args& args) {
  const auto first = args.str(0);
  if (!first) return std::nullopt;
  const auto second = args.str(1);
  if (!second) return std::nullopt;
  const auto ecosystem = args.str(2);
  if (!ecosystem) return std::nullopt;
  return Texts{*first, *second, *ecosystem};
}

PyObject* contains_impl(PyObject*, const Args& args) {
  const auto t = texts(args);
  if (!t) return nullptr;
  const auto r = range_contains(t->first, t->second, args[2], t->ecosystem);
  return r ? new_bool(*r) : nullptr;
}

PyObject* intersect_impl(PyObject*, const Args& args) {
  const auto t = texts(args);
  if (!t) return nullptr;
  const auto eco = eco_from_str(args[2], t->ecosystem);
  if (!eco) return nullptr;
  const auto left = value_or_raise(RangeSet::parse(t->first));
  if (!left) return nullptr;
  const auto right = value_or_raise(RangeSet::parse(t->second));
  if (!right) return nullptr;
  const auto r = value_or_raise(left->intersects(*eco, *right));
  return r ? new_bool(*r) : nullptr;
}

constexpr Param kSatisfiesParams[] = {
    {"version"}, {"constraint"}, {"ecosystem", Default::Str, "generic"}};
constexpr Param kRangeParams[] = {{"version"}, {"range"}, {"ecosystem", Default::Str, "generic"}};
constexpr Param kIntersectParams[] = {{"left"}, {"right"}, {"ecosystem", Default::Str, "generic"}};

constexpr const char* kSatisfiesDoc =
    "Check whether `version` satisfies `constraint`.\n\nSupported syntax:\n"
    "  - Operators: `>=`, `<=`, `>`, `<`, `==`, `!=`\n"
    "  - AND via comma: `>=1.0,<2.0`\n"
    "  - OR via `||`: `^1.0 || ^2.0`\n"
    "  - Shorthand: `^1.2.3`, `~1.2`, `1.2.x`, `*`";

}  // namespace

const Function kSatisfies{{"satisfies", kSatisfiesParams, kSatisfiesDoc}, contains_impl};
const Function kRangeContains{{"range_contains", kRangeParams}, contains_impl};
const Function kRangesIntersect{{"ranges_intersect", kIntersectParams}, intersect_impl};

}  // namespace ombrel::py
