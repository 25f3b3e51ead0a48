#include "common/form_controls.h"

#include "common/errors.h"

namespace oewr {

StringGrid::StringGrid(int colCount, int rowCount)
    : colWidths(static_cast<std::size_t>(colCount), 64),
      cols_(colCount),
      rows_(rowCount),
      cells_(static_cast<std::size_t>(colCount * rowCount)) {}

std::size_t StringGrid::index(int col, int row) const {
  if (col < 0 || col >= cols_ || row < 0 || row >= rows_)
    throw RangeError("Range check error: grid cell (" + std::to_string(col) + ", " + std::to_string(row) + ")");
  return static_cast<std::size_t>(row * cols_ + col);
}

std::string& StringGrid::cell(int col, int row) { return cells_[index(col, row)]; }
const std::string& StringGrid::cell(int col, int row) const { return cells_[index(col, row)]; }

}  // namespace oewr
