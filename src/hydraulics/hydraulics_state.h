#pragma once
// Result fields of the hydraulics sub-model, part of ModelState.
#include <cstdint>

#include "common/bounded_array.h"

namespace oewr {

struct HydraulicsState {};

}  // namespace oewr
