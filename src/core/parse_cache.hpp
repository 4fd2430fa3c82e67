// A small table of texts read lately and what reading them gave, a value or the message of its
// failure, so that a caller who passes the same text again and again reads it once.
#pragma once

#include <array>
#include <cstring>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace ombrel {

// A quick hash of a short text, a word at a time: a collision costs only a comparison of texts.
inline std::uint64_t quick_hash(std::string_view s) {
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ULL;
  std::uint64_t h = s.size() * kMul;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    h = (h ^ w) * kMul;
    h ^= h >> 32;
  }
  std::uint64_t w = 0;
  if (i < s.size()) std::memcpy(&w, s.data() + i, s.size() - i);
  h = (h ^ w) * kMul;
  return h ^ (h >> 32);
}

// Bounded: kSets * kWays results, each of a text of at most kMaxText bytes (a longer text is
// not kept; its caller reads it afresh) and holding at most kMaxBytes as `Value::footprint`
// counts them (a larger one is returned but not kept). A result is immutable and shared with
// whoever holds it, so that one pushed out while a caller still tests against it lives until
// that caller is done; results hold no pointer back to the table. One lock guards the slots
// (uncontended under Python's GIL, but the core does not lean on it); reading happens outside
// the lock, and nothing under it calls out.
template <class Value>
class ParseCache {
 public:
  using Result = std::expected<Value, std::string>;
  using Held = std::shared_ptr<const Result>;
  static constexpr std::size_t kMaxText = 256;
  static constexpr std::size_t kMaxBytes = 16 * 1024;

  // Whether a text is kept at all.
  static bool keeps(std::string_view text) { return text.size() <= kMaxText; }

  // The result of `read(text)` for `tag` (what else the result depends on, such as an
  // ecosystem): the kept one when `tag` and `text` were read lately, else read now and kept in
  // place of the less recently used of its two slots. `text` must be one that `keeps`.
  template <class Read>
  Held get(std::uint8_t tag, std::string_view text, Read&& read) {
    const std::uint64_t hash = quick_hash(text) ^ tag;
    Set& set = sets_[(hash >> 40) % kSets];
    {
      std::lock_guard lock(mutex_);
      for (std::size_t i = 0; i < kWays; ++i) {
        const Slot& s = set.slots[i];
        if (s.value && s.hash == hash && s.tag == tag && s.text == text) {
          set.recent = static_cast<std::uint8_t>(i);
          return s.value;
        }
      }
    }
    Held value = std::make_shared<const Result>(read(text));
    if (*value && (*value)->footprint() > kMaxBytes) return value;
    Held evicted;  // released after the lock, as is everything it owns
    std::lock_guard lock(mutex_);
    const std::size_t way = set.slots[0].value ? 1 - set.recent : 0;
    Slot& s = set.slots[way];
    evicted = std::move(s.value);
    s.hash = hash;
    s.tag = tag;
    s.text.assign(text);
    s.value = value;
    set.recent = static_cast<std::uint8_t>(way);
    return value;
  }

 private:
  static constexpr std::size_t kSets = 32, kWays = 2;
  struct Slot {
    std::uint64_t hash = 0;
    std::uint8_t tag = 0;
    std::string text;
    Held value;  // null while empty
  };
  struct Set {
    std::array<Slot, kWays> slots;
    std::uint8_t recent = 0;  // the slot used last
  };

  std::mutex mutex_;
  std::array<Set, kSets> sets_;
};

}  // namespace ombrel
