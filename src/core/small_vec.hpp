// A vector of trivially copyable values that keeps its first N elements inline, so the
// segment lists of ordinary versions need no heap storage.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <type_traits>

namespace ombrel {

template <class T, std::size_t N>
class SmallVec {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  SmallVec() = default;
  SmallVec(const SmallVec& o) { assign(o); }
  SmallVec(SmallVec&& o) noexcept { take(o); }
  SmallVec& operator=(const SmallVec& o) {
    if (this != &o) {
      size_ = 0;
      assign(o);
    }
    return *this;
  }
  SmallVec& operator=(SmallVec&& o) noexcept {
    if (this != &o) {
      release();
      take(o);
    }
    return *this;
  }
  ~SmallVec() { release(); }

  void push_back(const T& v) {
    if (size_ == cap_) grow(cap_ * 2);
    data_[size_++] = v;
  }
  void reserve(std::size_t n) {
    if (n > cap_) grow(n);
  }

  std::size_t size() const { return size_; }
  std::size_t capacity() const { return cap_; }
  // For a writer that fills data() directly, up to capacity(): the count it has filled.
  void set_size(std::size_t n) { size_ = n; }
  bool empty() const { return size_ == 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T& back() { return data_[size_ - 1]; }
  const T& back() const { return data_[size_ - 1]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  operator std::span<const T>() const { return {data_, size_}; }
  std::span<const T> span() const { return {data_, size_}; }

 private:
  bool on_heap() const { return data_ != inline_; }
  void grow(std::size_t cap) {
    T* p = static_cast<T*>(std::malloc(cap * sizeof(T)));
    if (!p) throw std::bad_alloc();
    if (size_) std::memcpy(p, data_, size_ * sizeof(T));
    release();
    data_ = p;
    cap_ = cap;
  }
  void release() {
    if (on_heap()) std::free(data_);
    data_ = inline_;
    cap_ = N;
  }
  void assign(const SmallVec& o) {
    reserve(o.size_);
    if (o.size_) std::memcpy(data_, o.data_, o.size_ * sizeof(T));
    size_ = o.size_;
  }
  void take(SmallVec& o) {
    if (o.on_heap()) {
      data_ = o.data_;
      cap_ = o.cap_;
      size_ = o.size_;
      o.data_ = o.inline_;
      o.cap_ = N;
    } else {
      data_ = inline_;
      cap_ = N;
      size_ = o.size_;
      if (size_) std::memcpy(inline_, o.inline_, size_ * sizeof(T));
    }
    o.size_ = 0;
  }

  T* data_ = inline_;
  std::size_t size_ = 0;
  std::size_t cap_ = N;
  T inline_[N];
};

}  // namespace ombrel
