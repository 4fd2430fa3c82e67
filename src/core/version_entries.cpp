#include "version_entries.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <bitset>
#include <memory>
#include <optional>
#include <ranges>
#include <stdexcept>

#include "merge_sort.hpp"
#include "radix_sort.hpp"

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

namespace {

// Byte `d` of a key's code.
std::uint8_t key_byte(const OrderKey& k, std::size_t d) {
  return static_cast<std::uint8_t>(d < 8 ? k.hi >> (56 - 8 * d) : k.lo >> (120 - 8 * d));
}

bool same_bytes(const OrderKey& a, const OrderKey& b) {
  return a.hi == b.hi && (a.lo ^ b.lo) >> 8 == 0;  // the low byte holds the length
}

// Keys' bytes as integers in the same order: each byte as the rank of its value among the
// values met at its position, in the bits those ranks take (none where every key has the same
// byte), the first byte the most significant. Versions of a list share most bytes, so that
// their keys take a few dozen bits where their codes take 120.
class PackedBytes {
 public:
  template <class Keys>
  explicit PackedBytes(const Keys& keys) {
    std::array<std::bitset<256>, OrderKey::kBytes> met;
    for (const OrderKey& k : keys)
      for (std::size_t d = 0; d < OrderKey::kBytes; ++d) met[d].set(key_byte(k, d));
    for (std::size_t d = OrderKey::kBytes; d-- > 0;) {
      const auto width = static_cast<unsigned>(std::bit_width(met[d].count() - 1));
      if (width == 0) continue;
      if (bits_ + width > 64) return;
      std::uint64_t rank = 0;
      for (std::size_t b = 0; b < 256; ++b) {
        value_[d][b] = rank << bits_;
        rank += met[d][b];
      }
      used_[count_++] = static_cast<std::uint8_t>(d);
      bits_ += width;
    }
    fits_ = true;
  }

  // Whether the ranks fit in 64 bits.
  bool fits() const { return fits_; }
  unsigned bits() const { return bits_; }
  std::uint64_t operator()(const OrderKey& k) const {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < count_; ++i) v += value_[used_[i]][key_byte(k, used_[i])];
    return v;
  }

 private:
  std::array<std::array<std::uint64_t, 256>, OrderKey::kBytes> value_;
  std::array<std::uint8_t, OrderKey::kBytes> used_{};
  std::size_t count_ = 0;
  unsigned bits_ = 0;
  bool fits_ = false;
};

}  // namespace

// When every key is complete and no two leave their order open, the entries' order is the
// order of the keys' bytes: a total order, so that any stable sort gives what the merge sort
// gives, and a radix sort gives it without a comparison. Whether two keys leave their order
// open is known from neighbours once sorted: such a pair differs only past the valid bytes of
// one of them, which is then the least of the keys that share those bytes, and so it, or a
// key of equal bytes, and the next distinct key leave theirs open too.
bool VersionEntries::sort_by_keys() {
  if (entries_.size() < kKeySortFrom ||  // below, the merge sort is as quick
      std::ranges::any_of(entries_, [](const Entry& e) { return !e.key.complete(); }))
    return false;
  const auto keys = entries_ | std::views::transform(&Entry::key);
  const auto packed = std::make_unique<PackedBytes>(keys);
  if (!packed->fits()) return false;
  struct Packed {
    std::uint64_t key;
    std::uint32_t at;
  };
  std::vector<Packed> order(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i)
    order[i] = {(*packed)(entries_[i].key), static_cast<std::uint32_t>(i)};
  stable_radix_sort(order, packed->bits(), [](const Packed& p) { return p.key; });
  std::vector<Entry> sorted;
  sorted.reserve(entries_.size());
  for (const Packed& p : order) sorted.push_back(entries_[p.at]);
  order = {};
  // Runs of keys of equal bytes in turn, each as its key of the fewest valid bytes.
  std::optional<OrderKey> last;
  for (std::size_t i = 0; i < sorted.size();) {
    OrderKey run = sorted[i].key;
    for (const OrderKey bytes = run; i < sorted.size() && same_bytes(sorted[i].key, bytes); ++i)
      if (sorted[i].key.len() < run.len()) run = sorted[i].key;
    if (last && cmp_order_keys(*last, run) != -1) return false;
    last = run;
  }
  entries_.swap(sorted);
  return true;
}

void VersionEntries::sort() {
  if (sort_by_keys()) return;
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
