#include "floods/flood_report.h"

#include "common/text_format.h"

namespace oewr::floods {

std::vector<std::string> floodReportLines(const ModelState& state) {
  std::vector<std::string> lines;
  lines.push_back(" ");
  lines.push_back("HIGH FLOW REQUIREMENT SUMMARY");
  lines.push_back(formatText("Bankfull channel discharge (m3/s) = %10.3f", state.floods.bankfullDischarge));
  lines.push_back("Flood event requirements");
  lines.push_back("Category Frequency    Peak(m3/s) Duration(hours) N. Events Volume(MCM)");
  const FloodCategoryTable& table = state.floods.floodCategoryTable;
  for (int k = 1; k <= kFloodCategoryCount; ++k) {
    // The frequency label belongs to the row, whatever the category's frequency.
    const char* label = k <= 3 ? "  Annual   " : k == 4 ? " 1:2 year  " : " 1:5 year  ";
    lines.push_back(formatText("  %2d    ", k) + label + table.cell(1, k) + "        " + table.cell(2, k) +
                    "        " + table.cell(4, k) + table.cell(3, k));
  }
  return lines;
}

}  // namespace oewr::floods
