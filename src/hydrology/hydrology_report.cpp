#include "hydrology/hydrology_report.h"

#include "common/text_format.h"

namespace oewr::hydrology {

namespace {
// Name of a critical month 1 .. 12; a month not chosen reads "---".
std::string monthName(int calendarMonth) {
  if (calendarMonth < 1 || calendarMonth > 12) return "---";
  return kMonthNames[static_cast<std::size_t>(calendarMonth - 1)];
}
}  // namespace

void addHydrologyReport(ModelState& state, const HydrologyReportInput& input) {
  if (!state.reportLines) state.reportLines.emplace();
  auto& report = *state.reportLines;
  report.clear();
  std::string first = "(Orvane Model outputs for site: " + state.site.siteName;
  if (first.size() > 120) first.resize(120);
  report.push_back(first);
  report.push_back("HYDROLOGY DATA SUMMARY");
  for (std::size_t i = 0; i < input.naturalSummary.size(); ++i) {
    std::string line = formatText("%-40.40s", input.naturalSummary[i]);
    if (!input.presentSummary.empty() && i < input.presentSummary.size()) line += input.presentSummary[i];
    report.push_back(line);
  }
  report.push_back(" ");
  report.push_back(formatText("Critical months: WET : %3s, DRY : %3s", monthName(state.hydrology.criticalWetMonth),
                              monthName(state.hydrology.criticalDryMonth)));
  if (input.useQTotal)
    report.push_back("Using 75th percentile of FDC of Total Q");
  else
    report.push_back(formatText("Using %3dth percentile of FDC of separated baseflows", state.site.maxBaseflowExceedence));
  report.push_back(formatText("Max. baseflows (m3/s): WET : %-10.10s, DRY : %-10.10s", input.wetText, input.dryText));
}

}  // namespace oewr::hydrology
