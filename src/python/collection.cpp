#include "collection.hpp"

#include <stdexcept>

#include "merge_sort.hpp"
#include "pyversion.hpp"

namespace ombrel::py {

std::optional<VersionList> bind_version_list(const Args& args) {
  auto items = extract_sequence(args[0], args.name(0));
  if (!items) return std::nullopt;
  const auto ecosystem = args.str(1);
  if (!ecosystem) return std::nullopt;
  return VersionList{std::move(*items), *ecosystem};
}

Entries::Entries(Ecosystem eco, std::size_t capacity) : eco_(eco) {
  owned_.reserve(capacity);
  entries_.reserve(capacity);
}

bool Entries::add(PyObject* obj) {
  if (owned_.size() == owned_.capacity()) throw std::length_error("more entries than reserved");
  ParsedRepr& parsed = owned_.emplace_back();
  if (!extract_parsed_into(obj, eco_, parsed)) {
    owned_.pop_back();
    return false;
  }
  push(&parsed, obj);
  return true;
}

void Entries::add(ParsedRepr&& parsed, PyObject* obj) {
  if (owned_.size() == owned_.capacity()) throw std::length_error("more entries than reserved");
  push(&owned_.emplace_back(std::move(parsed)), obj);
}

void Entries::push(const ParsedRepr* key, PyObject* obj) {
  entries_.push_back({order_prefix(eco_, *key), key, obj});
}

int Entries::compare(const Entry& a, const Entry& b) const {
  if (const int r = cmp_prefix(a.prefix, b.prefix)) return r;
  return compare_for_ecosystem(eco_, *a.key, *b.key);
}

void Entries::sort() {
  // Entries point to parses anywhere in memory; fetching the start of one early keeps a
  // comparison that the prefixes leave open from waiting on it.
  const auto ahead = [](const Entry& e) { __builtin_prefetch(e.key); };
  const auto less = [this](const Entry& a, const Entry& b) { return compare(a, b) < 0; };
  // A block's parses (input order, mostly adjacent) fit in one core's cache.
  constexpr std::size_t kBlock = (std::size_t{1} << 20) / sizeof(ParsedRepr);
  stable_merge_sort(entries_, less, ahead, kBlock);
}

PyObject* Entries::min() const {
  const Entry* kept = &entries_.front();
  for (auto e = entries_.begin() + 1; e != entries_.end(); ++e)
    if (compare(*kept, *e) > 0) kept = &*e;
  return kept->obj;
}

PyObject* Entries::objects() const {
  Ref list(PyList_New(static_cast<Py_ssize_t>(entries_.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < entries_.size(); ++i)
    PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), Py_NewRef(entries_[i].obj));
  return list.release();
}

}  // namespace ombrel::py
