#pragma once
// Result fields of the ecology sub-model, part of ModelState.
#include <cstdint>

#include "common/bounded_array.h"

namespace oewr {

struct EcologyState {};

}  // namespace oewr
