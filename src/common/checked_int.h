#pragma once
// 32-bit integer arithmetic that reports overflow as an error instead of
// wrapping.
#include <cstdint>
#include <limits>

#include "common/errors.h"

namespace oewr {

[[noreturn]] void throwOverflow(const char* what);

inline int32_t checkedAdd(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_add_overflow(a, b, &r)) throwOverflow("addition");
  return r;
}
inline int32_t checkedSub(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_sub_overflow(a, b, &r)) throwOverflow("subtraction");
  return r;
}
inline int32_t checkedMul(int32_t a, int32_t b) {
  int32_t r;
  if (__builtin_mul_overflow(a, b, &r)) throwOverflow("multiplication");
  return r;
}

// Narrowing of a wider integer to int32, checked.
inline int32_t checkedInt32(long long v) {
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
    throwOverflow("conversion to a 32-bit integer");
  return static_cast<int32_t>(v);
}

// floor(x + 0.5) as a 32-bit integer; a value outside the 32-bit range (or
// NaN) is an overflow error.
int32_t roundToInt(double x);

}  // namespace oewr
