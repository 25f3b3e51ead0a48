#include <cmath>
#include <string>

#include "common/bounded_array.h"
#include "common/checked_int.h"

namespace oewr {

void throwIndexError(long long index, long long lo, long long hi) {
  throw RangeError("Range check error: index " + std::to_string(index) + " outside the bounds " +
                   std::to_string(lo) + ".." + std::to_string(hi));
}

void throwOverflow(const char* what) {
  throw RangeError(std::string("Integer overflow in ") + what);
}

int32_t roundToInt(double x) {
  const double r = std::floor(x + 0.5);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) throwOverflow("rounding to an integer");
  return static_cast<int32_t>(r);
}

}  // namespace oewr
