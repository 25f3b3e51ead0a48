#pragma once
// The controls of the flood window as plain data: what the window shows and
// what the person typed, picked or clicked. The Qt view shows these and
// forwards the person's actions to the form's handlers.
#include "common/form_controls.h"
#include <string>
#include <vector>

#include "common/bounded_array.h"

namespace oewr::floods {

using oewr::Button;
using oewr::Edit;
using oewr::RadioGroup;

// A spin edit holds a whole number within [minValue, maxValue].
struct SpinEdit {
  std::string caption;
  int value = 0;
  int minValue = 0;
  int maxValue = 0;
  int clamp(int v) const { return v < minValue ? minValue : v > maxValue ? maxValue : v; }
};

// A grid of texts, cell(col, row).
template <int Cols, int Rows>
struct TextGrid {
  static constexpr int colCount = Cols;
  static constexpr int rowCount = Rows;
  std::string caption;
  BoundedArray<BoundedArray<std::string, 0, Rows - 1>, 0, Cols - 1> cells;
  std::string& cell(int col, int row) { return cells[col][row]; }
  const std::string& cell(int col, int row) const { return cells[col][row]; }
};

}  // namespace oewr::floods
