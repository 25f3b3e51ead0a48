#pragma once
// The controls of the ecology window as plain data: what the window shows
// and what the person typed, ticked or selected. The Qt view shows these and
// forwards the person's actions to the form's handlers.
#include "common/form_controls.h"
#include <string>
#include <vector>

namespace oewr::ecology {

using forms::Button;
using forms::RadioGroup;
using forms::CheckListBox;
using forms::StringGrid;

}  // namespace oewr::ecology
