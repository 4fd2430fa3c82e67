// A stable sort of elements by an unsigned integer key, without comparisons.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace ombrel {

// Sorts `v` (fewer than 2^32 elements) by `key(x)`, which is below 2^bits; equal keys keep
// their order. One pass counts every digit, then one pass per digit moves the elements (least
// significant first), skipping a digit all elements share: linear work, and no comparison whose
// outcome the processor must guess.
template <class T, class Key>
void stable_radix_sort(std::vector<T>& v, unsigned bits, Key key) {
  constexpr unsigned kMaxWidth = 11;  // counts of one digit stay within the first-level cache
  const std::size_t n = v.size();
  const unsigned digits = (bits + kMaxWidth - 1) / kMaxWidth;
  if (n < 2 || digits == 0) return;
  const unsigned width = (bits + digits - 1) / digits;
  const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
  const auto digit = [&](const T& x, unsigned d) { return (key(x) >> (d * width)) & mask; };
  std::vector<std::uint32_t> counts(std::size_t{digits} << width);
  for (const T& x : v)
    for (unsigned d = 0; d < digits; ++d) ++counts[(std::size_t{d} << width) + digit(x, d)];
  std::vector<T> buffer(n);
  for (unsigned d = 0; d < digits; ++d) {
    std::uint32_t* at = counts.data() + (std::size_t{d} << width);
    if (at[digit(v.front(), d)] == n) continue;
    std::uint32_t sum = 0;
    for (std::uint64_t b = 0; b <= mask; ++b) sum += std::exchange(at[b], sum);
    for (const T& x : v) buffer[at[digit(x, d)]++] = x;
    v.swap(buffer);
  }
}

}  // namespace ombrel
