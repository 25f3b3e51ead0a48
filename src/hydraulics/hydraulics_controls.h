#pragma once
// The controls of the hydraulics windows as plain data: what a window shows
// and what the person typed. The Qt views show these and forward the
// person's actions to the form's handlers.
#include <cstddef>
#include <string>
#include <vector>

namespace oewr::hydraulics {

struct Button {
  std::string caption;
  bool enabled = true;
};

struct Edit {
  std::string caption;  // the label beside the box
  std::string text;
  bool readOnly = false;
};

// A check list box whose ticks the program sets.
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

}  // namespace oewr::hydraulics
