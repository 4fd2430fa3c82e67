// The versions of a list argument under one ecosystem, kept as the core's sort entries beside
// the caller's objects they came from.
#pragma once

#include <cstddef>
#include <vector>

#include "conv.hpp"
#include "version_entries.hpp"

namespace ombrel::py {

// The parameters of a function of a list of versions, and their values converted in that order.
inline constexpr Param kListParams[] = {{"versions"}, {"ecosystem", Default::Str, "generic"}};
struct VersionList {
  std::vector<Ref> items;
  std::string_view ecosystem;

  PyObject* first() const { return items.empty() ? nullptr : items.front().get(); }
};
std::optional<VersionList> bind_version_list(const Args& args);

// The list's elements under one ecosystem, for sorting and selection: each text is read in
// place, from the `str` or `Version` that holds it.
class Entries {
 public:
  Entries(Ecosystem eco, const VersionList& list);

  // Adds `item`, one of the list's items; raises and returns false when it does not parse.
  bool add(const Ref& item);
  // Adds `item` with its parse under the ecosystem, made by the caller.
  void add(ParsedRepr&& parsed, const Ref& item);

  bool empty() const { return entries_.empty(); }
  // Ascending; equal entries keep the order in which they were added.
  void sort() { entries_.sort(); }
  // The caller's object of the last entry (borrowed).
  PyObject* back() const { return object(entries_.index(entries_.size() - 1)); }
  // The first of the smallest: a later entry wins only when the kept one is greater.
  PyObject* min() const { return object(entries_.min()); }
  // A new list of the caller's objects, in entry order.
  PyObject* objects() const;

 private:
  std::uint32_t index_of(const Ref& item) const {
    return static_cast<std::uint32_t>(&item - items_.data());
  }
  PyObject* object(std::uint32_t index) const { return items_[index].get(); }

  Ecosystem eco_;
  const std::vector<Ref>& items_;
  VersionEntries entries_;
};

}  // namespace ombrel::py
