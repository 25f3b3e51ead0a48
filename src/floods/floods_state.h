#pragma once
// Result fields of the floods sub-model, part of ModelState.
#include <cstdint>

#include "common/bounded_array.h"

namespace oewr {

struct FloodState {};

}  // namespace oewr
