#pragma once
// Arrays with declared index bounds [Lo, Hi]. Every index is checked; an index
// outside the bounds throws RangeError instead of touching memory.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "common/errors.h"

namespace oewr {

[[noreturn]] void throwIndexError(long long index, long long lo, long long hi);

template <typename T, long long Lo, long long Hi>
class BoundedArray {
  static_assert(Hi >= Lo, "empty bounds");

 public:
  static constexpr long long low = Lo;
  static constexpr long long high = Hi;
  static constexpr std::size_t extent = static_cast<std::size_t>(Hi - Lo + 1);

  BoundedArray() { data_.fill(T{}); }

  T& operator[](long long i) { return data_[offset(i)]; }
  const T& operator[](long long i) const { return data_[offset(i)]; }

  static constexpr bool inBounds(long long i) { return i >= Lo && i <= Hi; }
  void fill(const T& v) { data_.fill(v); }
  T* data() { return data_.data(); }
  const T* data() const { return data_.data(); }
  static constexpr std::size_t size() { return extent; }
  auto begin() { return data_.begin(); }
  auto end() { return data_.end(); }
  auto begin() const { return data_.begin(); }
  auto end() const { return data_.end(); }
  bool operator==(const BoundedArray&) const = default;

 private:
  static std::size_t offset(long long i) {
    if (i < Lo || i > Hi) throwIndexError(i, Lo, Hi);
    return static_cast<std::size_t>(i - Lo);
  }
  std::array<T, extent> data_;
};

// A bounded array indexed from 0 to N - 1.
template <typename T, long long N>
using Array0 = BoundedArray<T, 0, N - 1>;

}  // namespace oewr
