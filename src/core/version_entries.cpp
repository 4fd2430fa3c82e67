#include "version_entries.hpp"

#include <stdexcept>

#include "merge_sort.hpp"

namespace ombrel {

VersionEntries::VersionEntries(Ecosystem eco, std::size_t capacity) : eco_(eco) {
  owned_.reserve(capacity);
  entries_.reserve(capacity);
}

std::expected<void, std::string> VersionEntries::add(std::string_view text,
                                                     std::uint32_t index) {
  const auto key = text_order_key(eco_, text);
  if (!key) return std::unexpected(key.error());
  if (key->complete() && text.size() < Entry::kParsed) {
    entries_.push_back({*key, text.data(), static_cast<std::uint32_t>(text.size()), index});
    return {};
  }
  // A key that leaves orders open: the parse is kept for them.
  if (owned_.size() == owned_.capacity()) throw std::length_error("more entries than reserved");
  ParsedRepr& parsed = owned_.emplace_back();
  if (auto ok = parse_into(eco_, text, parsed); !ok) {
    owned_.pop_back();
    return ok;
  }
  add_parsed(parsed, index);
  return {};
}

void VersionEntries::add_parsed(const ParsedRepr& parsed, std::uint32_t index) {
  entries_.push_back({order_key(eco_, parsed), &parsed, Entry::kParsed, index});
}

void VersionEntries::add(ParsedRepr&& parsed, std::uint32_t index) {
  if (owned_.size() == owned_.capacity()) throw std::length_error("more entries than reserved");
  add_parsed(owned_.emplace_back(std::move(parsed)), index);
}

// Keys leave open only orders that an incomplete key reaches, and an entry with one holds its
// parse; a text met here parsed before, so it parses again.
int VersionEntries::compare_open(const Entry& a, const Entry& b) const {
  if (a.parsed() && b.parsed()) return compare_for_ecosystem(eco_, a.parse(), b.parse());
  if (a.parsed()) return compare_with_text(eco_, a.parse(), b.text()).value_or(0);
  if (b.parsed()) return -compare_with_text(eco_, b.parse(), a.text()).value_or(0);
  return compare_texts(eco_, a.text(), b.text()).value_or(0);
}

void VersionEntries::sort() {
  const auto ahead = [](const Entry& e) {
    if (e.parsed()) __builtin_prefetch(e.at);
  };
  const auto less = [this](const Entry& a, const Entry& b) { return compare(a, b) < 0; };
  // The block length decides which elements meet; it stays what it was when entries held
  // their parses, so that where an ecosystem's order is not transitive the output does too.
  constexpr std::size_t kBlock = (std::size_t{1} << 20) / sizeof(ParsedRepr);
  stable_merge_sort(entries_, less, ahead, kBlock);
}

std::uint32_t VersionEntries::min() const {
  const Entry* kept = &entries_.front();
  for (auto e = entries_.begin() + 1; e != entries_.end(); ++e)
    if (compare(*kept, *e) > 0) kept = &*e;
  return kept->index;
}

}  // namespace ombrel
