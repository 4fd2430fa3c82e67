// Pairwise and collection comparison functions.
#include "functions.hpp"
#include "pyversion.hpp"
#include "text.hpp"

namespace ombrel::py {

namespace {

constexpr Param kPairParams[] = {{"a"}, {"b"}, {"ecosystem", Default::Str, "generic"}};

// `compare`: versions as `str` or `Version`; with auto the ecosystem comes from `a`.
PyObject* compare_impl(PyObject*, const Args& args) {
  const auto name = args.str(2);
  if (!name) return nullptr;
  const auto eco = resolve_eco_for_obj(*name, args[0]);
  if (!eco) return nullptr;
  const auto pa = extract_parsed_for_ecosystem(args[0], *eco);
  if (!pa) return nullptr;
  const auto pb = extract_parsed_for_ecosystem(args[1], *eco);
  if (!pb) return nullptr;
  return new_int(compare_for_ecosystem(*eco, *pa, *pb));
}

std::optional<int> compare_texts(Ecosystem eco, std::string_view a, std::string_view b) {
  const auto pa = parse_or_raise(eco, a);
  if (!pa) return std::nullopt;
  const auto pb = parse_or_raise(eco, b);
  if (!pb) return std::nullopt;
  return compare_for_ecosystem(eco, *pa, *pb);
}

// Two version texts under an ecosystem name; auto detects from `a` alone.
std::optional<int> compare_str_with_ecosystem(std::string_view a, std::string_view b,
                                              std::string_view ecosystem) {
  const auto eco = is_auto(ecosystem) ? std::optional(autodetect_ecosystem(a)) : eco_from_str(ecosystem);
  if (!eco) return std::nullopt;
  return compare_texts(*eco, a, b);
}

// The boolean functions take `str` only; the flags say which orderings answer True.
template <bool Less, bool Equal, bool Greater>
PyObject* predicate_impl(PyObject*, const Args& args) {
  const auto a = args.str(0);
  if (!a) return nullptr;
  const auto b = args.str(1);
  if (!b) return nullptr;
  const auto eco = args.str(2);
  if (!eco) return nullptr;
  const auto ord = compare_str_with_ecosystem(*a, *b, *eco);
  if (!ord) return nullptr;
  return new_bool(*ord < 0 ? Less : (*ord == 0 ? Equal : Greater));
}

constexpr Param kSemverParams[] = {{"a"}, {"b"}};

PyObject* compare_semver_strict_impl(PyObject*, const Args& args) {
  const auto a = args.str(0);
  if (!a) return nullptr;
  const auto b = args.str(1);
  if (!b) return nullptr;
  const auto ord = compare_texts(Ecosystem::Semver, *a, *b);
  return ord ? new_int(*ord) : nullptr;
}

constexpr Param kVersionParams[] = {{"s"}, {"ecosystem", Default::Str, "auto"}};
constexpr Param kListParams[] = {{"versions"}, {"ecosystem", Default::Str, "generic"}};
constexpr Param kPairsParams[] = {{"pairs"}, {"ecosystem", Default::Str, "generic"}};

}  // namespace

const Function kCompare{{"compare", kPairParams}, compare_impl};
const Function kCompareSemverStrict{{"compare_semver_strict", kSemverParams},
                                    compare_semver_strict_impl};
const Function kGt{{"gt", kPairParams}, predicate_impl<false, false, true>};
const Function kGe{{"ge", kPairParams}, predicate_impl<false, true, true>};
const Function kGte{{"gte", kPairParams}, predicate_impl<false, true, true>};
const Function kLt{{"lt", kPairParams}, predicate_impl<true, false, false>};
const Function kLe{{"le", kPairParams}, predicate_impl<true, true, false>};
const Function kLte{{"lte", kPairParams}, predicate_impl<true, true, false>};
const Function kEq{{"eq", kPairParams}, predicate_impl<false, true, false>};
const Function kNe{{"ne", kPairParams}, predicate_impl<true, false, true>};

// Collection functions.
const Function kVersionFn{{"version", kVersionParams}, not_built};
const Function kSortVersions{{"sort_versions", kListParams}, not_built};
const Function kBatchCompare{{"batch_compare", kPairsParams}, not_built};
const Function kMaxVersion{{"max_version", kListParams}, not_built};
const Function kMinVersion{{"min_version", kListParams}, not_built};

}  // namespace ombrel::py
