// A compact order key: a few bytes kept beside each element of a sort that decide most
// comparisons with one or two integer compares, leaving the rest to the full comparison.
#pragma once

#include <bit>
#include <cstdint>
#include <span>

#include "generic_parse.hpp"

namespace ombrel {

// Up to 15 code bytes, big-endian across `hi` and the top of `lo`, compared as unsigned
// integers; the low byte of `lo` holds how many bytes are valid and whether the key is
// complete. A key is a prefix of an encoding whose byte order is the ecosystem's order:
// where two keys differ within the bytes both hold, that difference is the order; past
// either one's valid bytes nothing is known. A complete key holds its whole encoding, so two
// equal complete keys are versions that compare equal.
struct OrderKey {
  static constexpr std::uint64_t kLenMask = 0x0F;
  static constexpr std::uint64_t kComplete = 0x10;
  static constexpr std::size_t kBytes = 15;

  std::uint64_t hi = 0;
  std::uint64_t lo = 0;

  unsigned len() const { return static_cast<unsigned>(lo & kLenMask); }
  bool complete() const { return lo & kComplete; }
};

// -1 or 1 when the keys decide, 0 when both are complete and equal, kOpen when the versions
// must decide.
inline constexpr int kKeyOpen = 2;
inline int cmp_order_keys(const OrderKey& a, const OrderKey& b) {
  std::uint64_t x = a.hi ^ b.hi, ka = a.hi, kb = b.hi;
  unsigned base = 0;
  if (!x) {
    x = (a.lo ^ b.lo) & ~std::uint64_t{0xFF};
    ka = a.lo, kb = b.lo, base = 8;
    if (!x) return a.lo & b.lo & OrderKey::kComplete ? 0 : kKeyOpen;
  }
  const unsigned at = base + static_cast<unsigned>(std::countl_zero(x) >> 3);
  if (at >= a.len() || at >= b.len()) return kKeyOpen;
  return ka < kb ? -1 : 1;
}

// Writes the code bytes of a key in order. `stop()` ends the key where the encoding can no
// longer stand for the order; bytes past the room make the key incomplete.
class OrderKeyWriter {
 public:
  // Code bytes of the tokens that more than one ordering writes.
  static constexpr std::uint8_t kNumberBase = 0x31;  // numbers: 0x31 + value below kSmall
  static constexpr std::uint64_t kSmall = 0xF8 - kNumberBase;
  static constexpr std::uint8_t kLongNumber = 0xF7;  // + byte count, then the bytes

  bool open() const { return !stopped_; }
  void byte(std::uint8_t b) {
    if (stopped_) return;
    if (n_ == OrderKey::kBytes) {
      stopped_ = true;
      return;
    }
    if (n_ < 8)
      key_.hi |= std::uint64_t{b} << (56 - 8 * n_);
    else
      key_.lo |= std::uint64_t{b} << (56 - 8 * (n_ - 8));
    ++n_;
  }
  // A number by value: fewer bytes for smaller numbers, and more bytes only for larger ones.
  void number(std::uint64_t v) {
    if (v < kSmall) return byte(static_cast<std::uint8_t>(kNumberBase + v));
    const unsigned bytes = 8 - static_cast<unsigned>(std::countl_zero(v) >> 3);
    byte(static_cast<std::uint8_t>(kLongNumber + bytes));
    for (unsigned i = bytes; i-- > 0;) byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void stop() { stopped_ = true; }
  OrderKey done() const {
    OrderKey k = key_;
    k.lo |= n_ | (stopped_ ? 0 : OrderKey::kComplete);
    return k;
  }

 private:
  OrderKey key_;
  unsigned n_ = 0;
  bool stopped_ = false;
};

// The encoding of cmp_segments' order of a segment list (the text its tags point into),
// ending with its end marker.
void write_segments(OrderKeyWriter& w, const SegSpan& v);

}  // namespace ombrel
