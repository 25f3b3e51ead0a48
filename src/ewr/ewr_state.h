#pragma once
// Result fields of the ewr sub-model, part of ModelState.
#include <cstdint>

#include "common/bounded_array.h"

namespace oewr {

struct EwrState {};

}  // namespace oewr
