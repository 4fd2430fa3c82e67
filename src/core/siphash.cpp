#include "siphash.hpp"

#include <bit>

namespace ombrel {

namespace {

struct State {
  std::uint64_t &v0, &v1, &v2, &v3;

  void round() {
    v0 += v1;
    v1 = std::rotl(v1, 13);
    v1 ^= v0;
    v0 = std::rotl(v0, 32);
    v2 += v3;
    v3 = std::rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = std::rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = std::rotl(v1, 17);
    v1 ^= v2;
    v2 = std::rotl(v2, 32);
  }
};

}  // namespace

void SipHasher13::compress(std::uint64_t m) {
  v3_ ^= m;
  State{v0_, v1_, v2_, v3_}.round();
  v0_ ^= m;
}

void SipHasher13::update_byte(std::uint8_t b) {
  tail_ |= std::uint64_t{b} << (8 * (length_ % 8));
  if (++length_ % 8 == 0) {
    compress(tail_);
    tail_ = 0;
  }
}

void SipHasher13::update(std::string_view bytes) {
  for (char c : bytes) update_byte(static_cast<std::uint8_t>(c));
}

void SipHasher13::update_le(std::uint64_t v, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) update_byte(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint64_t SipHasher13::finish() const {
  std::uint64_t v0 = v0_, v1 = v1_, v2 = v2_, v3 = v3_;
  State s{v0, v1, v2, v3};
  const std::uint64_t last = tail_ | (length_ << 56);
  v3 ^= last;
  s.round();
  v0 ^= last;
  v2 ^= 0xff;
  for (int i = 0; i < 3; ++i) s.round();
  return v0 ^ v1 ^ v2 ^ v3;
}

std::uint64_t siphash13(std::string_view bytes) {
  SipHasher13 h;
  h.update(bytes);
  return h.finish();
}

}  // namespace ombrel
