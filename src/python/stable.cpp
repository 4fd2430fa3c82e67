// Stable selection: the elements that the generic parse does not call pre-releases.
#include "collection.hpp"
#include "functions.hpp"
#include "pyversion.hpp"
#include "stable.hpp"

namespace ombrel::py {

namespace {

// The generic parse of `obj`'s text, made in `slot` (under the generic ecosystem it is also the
// element's entry, so it is kept there); nullptr, raised, when `obj` is neither a `str` nor a
// `Version`.
const GenericParse* generic_of(PyObject* obj, std::optional<ParsedVersion>& slot) {
  const auto text = extract_raw(obj);  // a str's text, or "expected Version or str"
  if (!text) return nullptr;
  return &slot.emplace(parse_generic(*text));
}

// Raises when the ecosystem's parser rejects the element's text; the parse is not kept.
bool accepted(PyObject* obj, Ecosystem eco) {
  // The generic parse cannot fail, nor can a Version's text under its own ecosystem.
  if (eco == Ecosystem::Generic || (is_version(obj) && as_version(obj)->ecosystem == eco))
    return true;
  return extract_parsed_for_ecosystem(obj, eco).has_value();
}

// Stable selection over the list's elements: `keep(item, generic)` is handed each stable one,
// with the parse that generic_of left.
template <class Keep>
bool each_stable(const VersionList& list, Keep keep) {
  std::optional<ParsedVersion> generic;
  return select_stable(
      list.items, [&](const Ref& item) { return generic_of(item.get(), generic); },
      [&](const Ref& item) { return keep(item, generic); });
}

PyObject* stable_versions_impl(PyObject*, const Args& args) {
  const auto list = bind_version_list(args);
  if (!list) return nullptr;
  const auto eco = resolve_eco(list->ecosystem, list->first());
  if (!eco) return nullptr;
  Ref kept(PyList_New(0));
  if (!kept) return nullptr;
  const bool done = each_stable(*list, [&](const Ref& item, const std::optional<ParsedVersion>&) {
    return accepted(item.get(), *eco) && PyList_Append(kept.get(), item.get()) == 0;
  });
  return done ? kept.release() : nullptr;
}

PyObject* latest_stable_impl(PyObject*, const Args& args) {
  const auto list = bind_version_list(args);
  if (!list) return nullptr;
  if (list->items.empty()) return raise_value("empty sequence");
  const auto eco = resolve_eco(list->ecosystem, list->first());
  if (!eco) return nullptr;
  Entries entries(*eco, *list);
  const bool done = each_stable(*list, [&](const Ref& item, std::optional<ParsedVersion>& generic) {
    if (!generic || *eco != Ecosystem::Generic) return entries.add(item);
    entries.add(ParsedRepr(std::in_place_type<ParsedVersion>, std::move(*generic)), item);
    return true;
  });
  if (!done) return nullptr;
  if (entries.empty()) return raise_value("no stable versions found");
  entries.sort();
  return Py_NewRef(entries.back());
}

}  // namespace

const Function kStableVersions{{"stable_versions", kListParams}, stable_versions_impl};
const Function kLatestStable{{"latest_stable", kListParams}, latest_stable_impl};

}  // namespace ombrel::py
