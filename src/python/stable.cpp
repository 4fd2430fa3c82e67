// Stable selection: the elements that the generic parse does not call pre-releases.
#include "collection.hpp"
#include "functions.hpp"
#include "pyversion.hpp"

namespace ombrel::py {

namespace {

constexpr Param kListParams[] = {{"versions"}, {"ecosystem", Default::Str, "generic"}};

// Whether the generic parse calls `obj` a pre-release, whatever the ecosystem. For a `str`
// the parse is left in `generic`: under the generic ecosystem it is also the element's entry.
std::optional<bool> is_prerelease_obj(PyObject* obj, std::optional<ParsedVersion>& generic) {
  if (is_version(obj)) return as_version(obj)->parsed.is_prerelease;
  const auto text = extract_raw(obj);  // a str's text, or "expected Version or str"
  if (!text) return std::nullopt;
  return generic.emplace(parse_generic(*text)).is_prerelease;
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
  for (const Ref& item : list->items) {
    const auto pre = is_prerelease_obj(item.get(), generic);
    if (!pre) return nullptr;
    if (*pre) continue;
    if (!accepted(item.get(), *eco) || PyList_Append(kept.get(), item.get()) < 0) return nullptr;
  }
  return kept.release();
}

PyObject* latest_stable_impl(PyObject*, const Args& args) {
  const auto list = bind_version_list(args);
  if (!list) return nullptr;
  if (list->items.empty()) return raise_value("empty sequence");
  const auto eco = resolve_eco(list->ecosystem, list->first());
  if (!eco) return nullptr;
  Entries entries(*eco, list->items.size());
  std::optional<ParsedVersion> generic;
  for (const Ref& item : list->items) {
    generic.reset();
    const auto pre = is_prerelease_obj(item.get(), generic);
    if (!pre) return nullptr;
    if (*pre) continue;
    if (generic && *eco == Ecosystem::Generic)
      entries.add(ParsedRepr(std::in_place_type<ParsedVersion>, std::move(*generic)), item.get());
    else if (!entries.add(item.get()))
      return nullptr;
  }
  if (entries.empty()) return raise_value("no stable versions found");
  entries.sort();
  return Py_NewRef(entries.back());
}

}  // namespace

const Function kStableVersions{{"stable_versions", kListParams}, stable_versions_impl};
const Function kLatestStable{{"latest_stable", kListParams}, latest_stable_impl};

}  // namespace ombrel::py
