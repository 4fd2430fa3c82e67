// SipHash-1-3 (one compression round, three finalisation rounds) with a fixed all-zero key:
// the value of a byte stream is the same in every process, unlike Python's seeded str hash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ombrel {

class SipHasher13 {
 public:
  void update(std::string_view bytes);
  void update_byte(std::uint8_t b);
  // `n` bytes of `v`, least significant first.
  void update_le(std::uint64_t v, std::size_t n);
  std::uint64_t finish() const;

 private:
  void compress(std::uint64_t m);

  // The initialisation constants XOR the zero key, i.e. unchanged.
  std::uint64_t v0_ = 0x736f6d6570736575ULL;
  std::uint64_t v1_ = 0x646f72616e646f6dULL;
  std::uint64_t v2_ = 0x6c7967656e657261ULL;
  std::uint64_t v3_ = 0x7465646279746573ULL;
  std::uint64_t tail_ = 0;  // pending bytes of the current 8-byte word, little-endian
  std::uint64_t length_ = 0;
};

std::uint64_t siphash13(std::string_view bytes);

}  // namespace ombrel
