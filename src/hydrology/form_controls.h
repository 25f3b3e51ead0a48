#pragma once
// The controls of the hydrology windows as plain data: what the window shows
// and what the person typed or ticked. The Qt views show these and forward
// the person's actions to the form's handlers.
#include "common/form_controls.h"
#include <string>
#include <vector>

namespace oewr::hydrology {

using oewr::Button;
using oewr::CheckBox;
using oewr::CheckListBox;

struct Edit {
  std::string text;
};

struct SpinEdit {
  int value = 0;
  int minValue = 0;
  int maxValue = 0;
};

struct ComboBox {
  std::vector<std::string> items;
  std::string text;
};

}  // namespace oewr::hydrology
