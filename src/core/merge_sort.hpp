// A stable sort for the hot path of ordering lists of parsed versions.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace ombrel {

// Stable merge sort in two stages: blocks of `block` elements are sorted by bottom-up merging,
// then all blocks are merged in one pass through a tree of losers, so that what `less` reads
// of an element comes from memory twice in all rather than once per merge level.
// An element moves ahead of an earlier one only when `less` says so, and every loop is bounded
// by positions alone: a comparator that is not a strict weak ordering yields some permutation
// of the input, never a fault. `ahead(x)` is told of elements a few steps before they are
// compared; it may only warm caches.
template <class T, class Less, class Ahead>
void stable_merge_sort(std::vector<T>& v, Less less, Ahead ahead, std::size_t block) {
  constexpr std::size_t kAhead = 8;
  const std::size_t n = v.size();
  if (n < 2) return;
  std::vector<T> buffer(n);
  for (std::size_t base = 0; base < n; base += block) {
    const std::size_t len = std::min(block, n - base);
    T* src = v.data() + base;
    T* dst = buffer.data() + base;
    for (std::size_t width = 1; width < len; width *= 2) {
      for (std::size_t lo = 0; lo < len; lo += 2 * width) {
        const std::size_t mid = std::min(lo + width, len), hi = std::min(lo + 2 * width, len);
        std::size_t i = lo, j = mid, k = lo;
        // Runs already in order, as in nearly sorted input, cost one comparison.
        if (j < hi && less(src[j], src[j - 1])) {
          while (i < mid && j < hi) dst[k++] = less(src[j], src[i]) ? src[j++] : src[i++];
        }
        k = std::copy(src + i, src + mid, dst + k) - dst;
        std::copy(src + j, src + hi, dst + k);
      }
      std::swap(src, dst);
    }
    if (src != v.data() + base) std::copy(src, src + len, v.data() + base);
  }
  const std::size_t runs = (n + block - 1) / block;
  if (runs < 2) return;

  // Run r is v[head[r], end(r)); node i of the tree has children 2i and 2i+1, run r is leaf
  // runs + r, and each inner node keeps the run that lost there.
  std::vector<std::size_t> head(runs), loser(runs);
  const auto end = [&](std::size_t r) { return std::min((r + 1) * block, n); };
  // Whether run a's head goes out before run b's: an exhausted run never does, and of equal
  // heads the earlier run's does.
  const auto first = [&](std::size_t a, std::size_t b) -> bool {
    if (head[a] == end(a)) return false;
    if (head[b] == end(b)) return true;
    return a < b ? !less(v[head[b]], v[head[a]]) : less(v[head[a]], v[head[b]]);
  };
  std::vector<std::size_t> winner(2 * runs);
  for (std::size_t r = 0; r < runs; ++r) {
    head[r] = r * block;
    winner[runs + r] = r;
    for (std::size_t d = 0; d < kAhead && head[r] + d < end(r); ++d) ahead(v[head[r] + d]);
  }
  for (std::size_t i = runs - 1; i >= 1; --i) {
    const std::size_t a = winner[2 * i], b = winner[2 * i + 1];
    const bool a_first = first(a, b);
    winner[i] = a_first ? a : b;
    loser[i] = a_first ? b : a;
  }
  std::size_t top = winner[1];
  for (std::size_t k = 0; k < n; ++k) {
    buffer[k] = v[head[top]++];
    // The runs are read as many interleaved streams: each run's elements are fetched well
    // ahead, so that `ahead` may read them in turn without waiting.
    if (head[top] + 2 * kAhead < end(top)) __builtin_prefetch(&v[head[top] + 2 * kAhead]);
    if (head[top] + kAhead < end(top)) ahead(v[head[top] + kAhead]);
    for (std::size_t i = (runs + top) / 2; i >= 1; i /= 2)
      if (first(loser[i], top)) std::swap(loser[i], top);
  }
  v.swap(buffer);
}

}  // namespace ombrel
