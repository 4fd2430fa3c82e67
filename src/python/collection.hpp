// The versions of a list argument, each parsed once under one ecosystem and kept with the
// caller's object it came from, and the stable order that sorting and selection share.
#pragma once

#include <cstddef>
#include <vector>

#include "conv.hpp"
#include "merge_sort.hpp"

namespace ombrel::py {

// The parameters of a function of a list of versions, and their values converted in that order.
inline constexpr Param kListParams[] = {{"versions"}, {"ecosystem", Default::Str, "generic"}};
struct VersionList {
  std::vector<Ref> items;
  std::string_view ecosystem;

  PyObject* first() const { return items.empty() ? nullptr : items.front().get(); }
};
std::optional<VersionList> bind_version_list(const Args& args);

struct Entry {
  OrderPrefix prefix;  // decides most comparisons without reaching for `key`
  const ParsedRepr* key;
  PyObject* obj;  // the caller's object, kept alive by the list's items
};

class Entries {
 public:
  // At most `capacity` entries may be added: parses are stored in place and must not move.
  Entries(Ecosystem eco, std::size_t capacity);

  // Parses `obj` under the ecosystem and appends it; raises and returns false on failure.
  bool add(PyObject* obj);
  void add(ParsedRepr&& parsed, PyObject* obj);

  bool empty() const { return entries_.empty(); }
  // Ascending; equal entries keep the order in which they were added.
  void sort();
  // The caller's object of the last entry (borrowed).
  PyObject* back() const { return entries_.back().obj; }
  // The first of the smallest: a later entry wins only when the kept one is greater.
  PyObject* min() const;
  // A new list of the caller's objects, in entry order.
  PyObject* objects() const;

 private:
  void push(const ParsedRepr* key, PyObject* obj);
  int compare(const Entry& a, const Entry& b) const;

  Ecosystem eco_;
  std::vector<ParsedRepr> owned_;
  std::vector<Entry> entries_;
};

}  // namespace ombrel::py
