// The elements of a list of versions under one ecosystem, laid out for sorting: each is its
// order key beside either its text or, where the key leaves orders open, its parse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "order_key.hpp"
#include "strategies/registry.hpp"

namespace ombrel {

class VersionEntries {
 public:
  // At most `capacity` entries may be added; `index` is the caller's name for an entry.
  VersionEntries(Ecosystem eco, std::size_t capacity);

  // A version text, which must outlive this object; the error is the parse's.
  std::expected<void, std::string> add(std::string_view text, std::uint32_t index);
  // A parse the caller keeps alive.
  void add_parsed(const ParsedRepr& parsed, std::uint32_t index);
  // A parse handed over.
  void add(ParsedRepr&& parsed, std::uint32_t index);

  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  std::uint32_t index(std::size_t k) const { return entries_[k].index; }
  // Ascending; equal entries keep the order in which they were added. From this many entries
  // on, keys that decide every pair sort them alone.
  static constexpr std::size_t kKeySortFrom = 256;
  void sort();
  // The index of the first of the smallest: a later entry wins only when the kept one is greater.
  std::uint32_t min() const;

 private:
  struct Entry {
    static constexpr std::uint32_t kParsed = UINT32_MAX;

    OrderKey key;
    const void* at;     // the text, or when `len` is kParsed the parse
    std::uint32_t len;  // of the text
    std::uint32_t index;

    bool parsed() const { return len == kParsed; }
    const ParsedRepr& parse() const { return *static_cast<const ParsedRepr*>(at); }
    std::string_view text() const { return {static_cast<const char*>(at), len}; }
  };

  int compare(const Entry& a, const Entry& b) const {
    const int r = cmp_order_keys(a.key, b.key);
    return r != kKeyOpen ? r : compare_open(a, b);
  }
  int compare_open(const Entry& a, const Entry& b) const;
  // Sorts by the keys' bytes where that is the entries' order; false, with the entries as they
  // were, where it is not.
  bool sort_by_keys();

  Ecosystem eco_;
  std::vector<ParsedRepr> owned_;
  std::vector<Entry> entries_;
};

}  // namespace ombrel
