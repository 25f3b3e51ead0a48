#pragma once
// The controls of the ecology window as plain data: what the window shows
// and what the person typed, ticked or selected. The Qt view shows these and
// forwards the person's actions to the form's handlers.
#include <string>
#include <vector>

namespace oewr::ecology {

struct Button {
  std::string caption;
  bool enabled = true;
};

struct RadioGroup {
  std::string caption;
  std::vector<std::string> items;
  int itemIndex = 0;
  bool enabled = true;
};

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

 private:
  std::size_t index(int col, int row) const;
  int cols_;
  int rows_;
  std::vector<std::string> cells_;
};

}  // namespace oewr::ecology
