#pragma once
// The controls of the ecology window as plain data: what the window shows
// and what the person typed, ticked or selected. The Qt view shows these and
// forwards the person's actions to the form's handlers.
#include "common/form_controls.h"
#include <string>
#include <vector>

namespace oewr::ecology {

using oewr::Button;
using oewr::RadioGroup;
using oewr::CheckListBox;
using oewr::StringGrid;

}  // namespace oewr::ecology
