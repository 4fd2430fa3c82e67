// Stable selection: the elements that the generic parse does not call pre-releases.
#include "collection.hpp"
#include "functions.hpp"
#include "pyversion.hpp"
#include "stable.hpp"

namespace ombrel::py {

namespace {

// The generic parse of `obj`: a `Version`'s own, or for a `str` one made in `slot` (under the
// generic ecosystem it is also the element's entry, so it is kept there); nullptr, raised, when
// `obj` is neither.
const GenericParse* generic_of(PyObject* obj, std::optional<ParsedVersion>& slot) {
  slot.reset();
  if (is_version(obj)) return &as_version(obj)->parsed;
  const auto text = extract_raw(obj);  // a str's text, or "expected Version or str"
  if (!text) return nullptr;
  return &slot.emplace(parse_generic(*text));
}

// Raises when the ecosystem's parser rejects the element's text; the parse is not kept.
bool accepted(PyObject* obj, Ecosystem eco) {
  if (eco == Ecosystem::Generic || stored_parse(obj, eco)) return true;  // cannot fail
  return extract_parsed_for_ecosystem(obj, eco).has_value();
}

PyObject* stable_versions_impl(PyObject*, const Args& args) {
  const auto list = bind_version_list(args);
  if (!list) return nullptr;
  const auto eco = resolve_eco(list->ecosystem, list->first());
  if (!eco) return nullptr;
  Ref kept(PyList_New(0));
  if (!kept) return nullptr;
  std::optional<ParsedVersion> generic;
  const bool done = select_stable(
      list->items.size(),
      [&](std::size_t i) { return generic_of(list->items[i].get(), generic); },
      [&](std::size_t i) {
        PyObject* item = list->items[i].get();
        return accepted(item, *eco) && PyList_Append(kept.get(), item) == 0;
      });
  return done ? kept.release() : nullptr;
}

PyObject* latest_stable_impl(PyObject*, const Args& args) {
  const auto list = bind_version_list(args);
  if (!list) return nullptr;
  if (list->items.empty()) return raise_value("empty sequence");
  const auto eco = resolve_eco(list->ecosystem, list->first());
  if (!eco) return nullptr;
  Entries entries(*eco, list->items.size());
  std::optional<ParsedVersion> generic;
  const bool done = select_stable(
      list->items.size(),
      [&](std::size_t i) { return generic_of(list->items[i].get(), generic); },
      [&](std::size_t i) {
        PyObject* item = list->items[i].get();
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
