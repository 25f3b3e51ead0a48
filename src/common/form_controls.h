#pragma once
// Controls of the windows as plain data, shared by every form class: what a
// window shows and what the person typed, ticked or selected. The Qt views
// show these and forward the person's actions to the form's handlers.
#include <cstddef>
#include <string>
#include <vector>

#include "common/bounded_array.h"

namespace oewr {

struct Button {
  std::string caption;
  bool enabled = true;
};

// An edit box with the label beside it.
struct Edit {
  std::string caption;
  std::string text;
  bool readOnly = false;
};

struct CheckBox {
  std::string caption;
  bool checked = false;
};

// A spin edit holds a whole number within [minValue, maxValue].
struct SpinEdit {
  std::string caption;
  int value = 0;
  int minValue = 0;
  int maxValue = 0;
  int clamp(int v) const { return v < minValue ? minValue : v > maxValue ? maxValue : v; }
};

// A combo box: the items to pick from and the text shown.
struct ComboBox {
  std::vector<std::string> items;
  std::string text;
};

struct RadioGroup {
  std::string caption;
  std::vector<std::string> items;
  int itemIndex = 0;
  bool enabled = true;
};

// A check list box: items with a tick each.
struct CheckListBox {
  struct Item {
    std::string caption;
    bool checked = false;
  };
  std::vector<Item> items;
};

// An editable grid of texts, cell(col, row) as the window shows it.
class StringGrid {
 public:
  StringGrid(int colCount, int rowCount);
  int colCount() const { return cols_; }
  int rowCount() const { return rows_; }
  // A cell outside the grid throws RangeError.
  std::string& cell(int col, int row);
  const std::string& cell(int col, int row) const;

  bool visible = true;
  bool enabled = true;
  std::vector<int> colWidths;  // pixels

 private:
  std::size_t index(int col, int row) const;
  int cols_;
  int rows_;
  std::vector<std::string> cells_;
};

// A grid of texts of a fixed size, cell(col, row).
template <int Cols, int Rows>
struct TextGrid {
  static constexpr int colCount = Cols;
  static constexpr int rowCount = Rows;
  std::string caption;
  BoundedArray<BoundedArray<std::string, 0, Rows - 1>, 0, Cols - 1> cells;
  std::string& cell(int col, int row) { return cells[col][row]; }
  const std::string& cell(int col, int row) const { return cells[col][row]; }
};

}  // namespace oewr
