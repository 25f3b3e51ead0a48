#pragma once
// Result fields of the hydrology sub-model: the critical months and their
// maximum baseflows, which the hydraulics and the later analyses stand on.
#include <cstdint>

namespace oewr::hydrology {

struct HydrologyState {
  int32_t criticalWetMonth = 0;  // calendar month 1 .. 12
  int32_t criticalDryMonth = 0;
  float maxBaseflowWet = 0;  // m3/s
  float maxBaseflowDry = 0;
};

}  // namespace oewr::hydrology
