#pragma once
// The controls of the hydraulics windows as plain data: what a window shows
// and what the person typed. The Qt views show these and forward the
// person's actions to the form's handlers.
#include "common/form_controls.h"
#include <cstddef>
#include <string>
#include <vector>

namespace oewr::hydraulics {

using oewr::Button;
using oewr::Edit;
using oewr::CheckListBox;
using oewr::StringGrid;

}  // namespace oewr::hydraulics
