#pragma once
// Result fields of the flood sub-model, part of ModelState.
#include <cstdint>

#include "common/bounded_array.h"
#include "ecology/ecology_state.h"

namespace oewr {

constexpr int kMaxFloodMonths = 2001;

struct FloodState {
  // Flood volume of each month of the natural record per category, million m3.
  BoundedArray<BoundedArray<float, 0, kMaxFloodMonths - 1>, 0, 6> highFlowSeries;
  // Per month (October = 0), category and rank: that month's flood volumes
  // over the years in ascending order, million m3. Zero until "Generate T/S".
  MonthCategoryRanks highFlowAssurance;
};

}  // namespace oewr
