#include "ewr/ewr_report.h"

#include "common/text_format.h"
#include "ewr/ewr_tables.h"

namespace oewr::ewr {

namespace {

void addCurveRows(std::vector<std::string>& lines, const ModelState& state, const MonthRanks& curves) {
  for (int m = 0; m < 12; ++m) {
    std::string row = hydroMonthName(m);
    for (float v : valuesAtDurationPoints(curves[m], state.ewr.valuesPerMonth[m], kReportPoints))
      row += formatText("%10.3f", v);
    lines.push_back(row);
  }
}

void addCategoryCurveRows(std::vector<std::string>& lines, const ModelState& state,
                          const ecology::MonthCategoryRanks& table, int c) {
  for (int m = 0; m < 12; ++m) {
    std::string row = hydroMonthName(m);
    for (float v : valuesAtDurationPoints(table[m][c], state.ewr.valuesPerMonth[m], kReportPoints))
      row += formatText("%10.3f", v);
    lines.push_back(row);
  }
}

}  // namespace

std::vector<std::string> finalReportLines(const ModelState& state, int constraintMode) {
  std::vector<std::string> lines = {" ", "FINAL RESERVE SUMMARY DETAILS", " "};
  switch (constraintMode) {
    case kToNaturalFlows: lines.push_back("EWR (low and total Flows) are constrained to be below Natural Flows"); break;
    case kToPresentDayFlows:
      lines.push_back("EWR (low and total Flows) are constrained to be below Present Day Flows");
      break;
    default: lines.push_back("EWR Flows are NOT constrained to be below Natural or Present Day Flows"); break;
  }
  for (const char* text : {" ", "Long term mean flow requirements (Mill. m3 and %MAR)", " ",
                           "Category     Low Flows         Total Flows", "          Mill. m3   %MAR    Mill. m3   %MAR"})
    lines.push_back(text);
  const float mar = state.site.naturalFlows.mar;
  for (int c = 0; c < kCategoryCount; ++c) {
    const float low = state.ewr.meanLowEwr[c];
    const float total = state.ewr.meanTotalEwr[c];
    lines.push_back(formatText("   %3s  ", categoryName(c)) + formatText("%10.3f", low) +
                    formatText("%8.1f", low * 100.0f / mar) + formatText("%10.3f", total) +
                    formatText("%8.1f", total * 100.0f / mar));
  }
  for (const char* text :
       {" ", "FLOW DURATION and RESERVE ASSURANCE TABLES", " ", "Columns are FDC precentage points:"})
    lines.push_back(text);
  std::string heading = "  ";
  for (float p : filledPoints(kReportPoints)) heading += formatText("%10.0f", p);
  lines.push_back(heading);
  lines.push_back("  ");
  lines.push_back("Natural Total flow duration curve (mill. m3)");
  addCurveRows(lines, state, state.ewr.sortedFlows[0]);
  lines.push_back(" ");
  lines.push_back("Natural Baseflow flow duration curve (mill. m3)");
  addCurveRows(lines, state, state.ewr.sortedBaseflows[0]);
  lines.push_back(" ");
  lines.push_back("Category Low Flow Assurance curves (mill. m3)");
  for (int c = 0; c < kCategoryCount; ++c) {
    lines.push_back(" ");
    lines.push_back(formatText("%3s Category", categoryName(c)));
    addCategoryCurveRows(lines, state, state.ewr.lowFlowAssurance, c);
  }
  lines.push_back(" ");
  lines.push_back("Category Total Flow Assurance curves (mill. m3)");
  for (int c = 0; c < kCategoryCount; ++c) {
    lines.push_back(" ");
    lines.push_back(formatText("%3s Category", categoryName(c)));
    addCategoryCurveRows(lines, state, state.ewr.totalFlowAssurance, c);
  }
  return lines;
}

}  // namespace oewr::ewr
