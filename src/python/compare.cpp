// Pairwise and collection comparison functions.
#include "collection.hpp"
#include "functions.hpp"
#include "pyversion.hpp"

namespace ombrel::py {

namespace {

constexpr Param kPairParams[] = {{"a"}, {"b"}, {"ecosystem", Default::Str, "generic"}};

// `compare`: versions as `str` or `Version`; with auto the ecosystem comes from `a`. The
// default, "generic" above, is the ecosystem of most calls and needs no lookup.
PyObject* compare_impl(PyObject*, const Args& args) {
  std::optional<Ecosystem> eco = Ecosystem(Ecosystem::Generic);
  if (args[2]) {
    const auto arg = args.ecosystem(2);
    if (!arg) return nullptr;
    eco = resolve_eco(*arg, args[0]);
    if (!eco) return nullptr;
  }
  const int ord = compare_objects(*eco, args[0], args[1]);
  return ord == kRaised ? nullptr : new_int(ord);
}

// The boolean functions take `str` only; the flags say which orderings answer True.
template <bool Less, bool Equal, bool Greater>
PyObject* predicate_impl(PyObject*, const Args& args) {
  const auto a = args.str(0);
  if (!a) return nullptr;
  const auto b = args.str(1);
  if (!b) return nullptr;
  const auto eco = args.ecosystem(2);  // auto detects from `a` alone
  if (!eco) return nullptr;
  const int ord = compare_texts_or_raise(eco->resolve(*a), *a, *b);
  if (ord == kRaised) return nullptr;
  return new_bool(ord < 0 ? Less : (ord == 0 ? Equal : Greater));
}

constexpr Param kSemverParams[] = {{"a"}, {"b"}};

PyObject* compare_semver_strict_impl(PyObject*, const Args& args) {
  const auto a = args.str(0);
  if (!a) return nullptr;
  const auto b = args.str(1);
  if (!b) return nullptr;
  const int ord = compare_texts_or_raise(Ecosystem::Semver, *a, *b);
  return ord == kRaised ? nullptr : new_int(ord);
}

constexpr Param kVersionParams[] = {{"s"}, {"ecosystem", Default::Str, "auto"}};
constexpr Param kPairsParams[] = {{"pairs"}, {"ecosystem", Default::Str, "generic"}};

PyObject* version_impl(PyObject*, const Args& args) {
  const auto s = args.str(0);
  if (!s) return nullptr;
  const auto eco = args.ecosystem(1);
  if (!eco) return nullptr;
  return new_version(*s, *eco);
}

// Every element parsed under `eco`, in input order; nothing (raised) at the first failure.
std::optional<Entries> parse_entries(const VersionList& list, Ecosystem eco) {
  Entries entries(eco, list);
  for (const Ref& item : list.items)
    if (!entries.add(item)) return std::nullopt;
  return entries;
}

PyObject* sort_versions_impl(PyObject*, const Args& args) {
  const auto list = bind_version_list(args);
  if (!list) return nullptr;
  const auto eco = resolve_eco(list->ecosystem, list->first());
  if (!eco) return nullptr;
  auto entries = parse_entries(*list, *eco);
  if (!entries) return nullptr;
  entries->sort();
  return entries->objects();
}

// The greatest is the last of a stable sort, so that among equal greatest elements the last
// one wins; the smallest is the first kept by a single scan.
template <bool Greatest>
PyObject* extreme_impl(PyObject*, const Args& args) {
  const auto list = bind_version_list(args);
  if (!list) return nullptr;
  if (list->items.empty()) return raise_value("empty sequence");
  const auto eco = resolve_eco(list->ecosystem, list->first());
  if (!eco) return nullptr;
  auto entries = parse_entries(*list, *eco);
  if (!entries) return nullptr;
  if (!Greatest) return Py_NewRef(entries->min());
  entries->sort();
  return Py_NewRef(entries->back());
}

// Under auto each pair takes its ecosystem from its own first member.
PyObject* batch_compare_impl(PyObject*, const Args& args) {
  const auto pairs = extract_sequence(args[0], args.name(0), check_pair);
  if (!pairs) return nullptr;
  const auto arg = args.ecosystem(1);
  if (!arg) return nullptr;
  Ref out(PyList_New(static_cast<Py_ssize_t>(pairs->size())));
  if (!out) return nullptr;
  for (std::size_t i = 0; i < pairs->size(); ++i) {
    PyObject* a = PyTuple_GetItem((*pairs)[i].get(), 0);
    PyObject* b = PyTuple_GetItem((*pairs)[i].get(), 1);
    const auto eco = resolve_eco(*arg, a);
    if (!eco) return nullptr;
    const int ord = compare_objects(*eco, a, b);
    if (ord == kRaised) return nullptr;
    PyObject* order = new_int(ord);
    if (!order) return nullptr;
    PyList_SetItem(out.get(), static_cast<Py_ssize_t>(i), order);
  }
  return out.release();
}

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
const Function kVersionFn{{"version", kVersionParams}, version_impl};
const Function kSortVersions{{"sort_versions", kListParams}, sort_versions_impl};
const Function kBatchCompare{{"batch_compare", kPairsParams}, batch_compare_impl};
const Function kMaxVersion{{"max_version", kListParams}, extreme_impl<true>};
const Function kMinVersion{{"min_version", kListParams}, extreme_impl<false>};

}  // namespace ombrel::py
