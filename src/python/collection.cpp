#include "collection.hpp"

#include "pyversion.hpp"

namespace ombrel::py {

std::optional<VersionList> bind_version_list(const Args& args) {
  auto items = extract_sequence(args[0], args.name(0));
  if (!items) return std::nullopt;
  const auto ecosystem = args.str(1);
  if (!ecosystem) return std::nullopt;
  return VersionList{std::move(*items), *ecosystem};
}

Entries::Entries(Ecosystem eco, const VersionList& list)
    : eco_(eco), items_(list.items), entries_(eco, list.items.size()) {}

bool Entries::add(const Ref& item) {
  const auto text = extract_raw(item.get());  // a str's or Version's text, or raised
  if (!text) return false;
  if (auto ok = entries_.add(*text, index_of(item)); !ok) {
    raise_value(ok.error());
    return false;
  }
  return true;
}

void Entries::add(ParsedRepr&& parsed, const Ref& item) {
  entries_.add(std::move(parsed), index_of(item));
}

PyObject* Entries::objects() const {
  Ref list(PyList_New(static_cast<Py_ssize_t>(entries_.size())));
  if (!list) return nullptr;
  // The objects are met in sorted order, scattered in memory: each is fetched well ahead of
  // the reference taken on it.
  constexpr std::size_t kAhead = 16;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (i + kAhead < entries_.size()) __builtin_prefetch(object(entries_.index(i + kAhead)), 1);
    PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), Py_NewRef(object(entries_.index(i))));
  }
  return list.release();
}

}  // namespace ombrel::py
