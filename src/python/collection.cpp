#include "collection.hpp"

#include <stdexcept>

#include "pyversion.hpp"

namespace ombrel::py {

std::optional<VersionList> bind_version_list(const Args& args) {
  auto items = extract_sequence(args[0], args.name(0));
  if (!items) return std::nullopt;
  const auto ecosystem = args.str(1);
  if (!ecosystem) return std::nullopt;
  return VersionList{std::move(*items), *ecosystem};
}

const ParsedRepr* stored_parse(PyObject* obj, Ecosystem eco) {
  if (!is_version(obj)) return nullptr;
  const VersionObject* v = as_version(obj);
  if (v->ecosystem == eco) return &v->repr;
  // The generic strategy and the light ones that reuse its parse store the generic parse.
  if (eco == Ecosystem::Generic && std::holds_alternative<ParsedVersion>(v->repr)) return &v->repr;
  return nullptr;
}

Entries::Entries(Ecosystem eco, std::size_t capacity) : eco_(eco) {
  owned_.reserve(capacity);
  entries_.reserve(capacity);
}

bool Entries::add(PyObject* obj) {
  if (const ParsedRepr* stored = stored_parse(obj, eco_)) {
    entries_.push_back({stored, obj});
    return true;
  }
  auto parsed = extract_parsed_for_ecosystem(obj, eco_);
  if (!parsed) return false;
  add(std::move(*parsed), obj);
  return true;
}

void Entries::add(ParsedRepr&& parsed, PyObject* obj) {
  if (owned_.size() == owned_.capacity()) throw std::length_error("more entries than reserved");
  entries_.push_back({&owned_.emplace_back(std::move(parsed)), obj});
}

void Entries::sort() {
  // Entries point to parses anywhere in memory; fetching them early keeps the final merge
  // from waiting on each comparison.
  const auto ahead = [](const Entry& e) {
    const char* p = reinterpret_cast<const char*>(e.key);
    const char* end = p + sizeof(ParsedRepr);
    for (; p < end; p += 64) __builtin_prefetch(p);
    __builtin_prefetch(end - 1);
  };
  const auto less = [eco = eco_](const Entry& a, const Entry& b) {
    return compare_for_ecosystem(eco, *a.key, *b.key) < 0;
  };
  // A block's parses (input order, mostly adjacent) fit in one core's cache.
  constexpr std::size_t kBlock = (std::size_t{1} << 20) / sizeof(ParsedRepr);
  stable_merge_sort(entries_, less, ahead, kBlock);
}

PyObject* Entries::min() const {
  const Entry* kept = &entries_.front();
  for (auto e = entries_.begin() + 1; e != entries_.end(); ++e)
    if (compare_for_ecosystem(eco_, *kept->key, *e->key) > 0) kept = &*e;
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
