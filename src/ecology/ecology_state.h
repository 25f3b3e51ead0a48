#pragma once
// Result fields of the ecological sub-model, part of ModelState.
#include <cstdint>

#include "common/bounded_array.h"

namespace oewr {

constexpr int kMaxRanks = 121;  // years a month in the ecological, flood and final tables

// [hydrological month 0 = October .. 11][category 0..6][rank 0..120]
using MonthCategoryRanks = BoundedArray<BoundedArray<BoundedArray<float, 0, kMaxRanks - 1>, 0, 6>, 0, 11>;

struct EcologyState {
  // Ecological low-flow requirement, m3/s: ranks ascend in flow and stand for
  // the duration (n - r) x 100 / n %. The ecological sub-model fills the two
  // critical months; the final analysis fills the other ten.
  MonthCategoryRanks ecoLowReq;
};

}  // namespace oewr
