#include "floods/flood_step.h"

#include <algorithm>

#include "common/errors.h"
#include "common/text_format.h"
#include "floods/flood_window.h"

namespace oewr::floods {

FloodStepCharts runFloodStep(FloodParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                             const FloodOptions& options) {
  TForm6 form(state, tx, ui, saveDialog);
  if (!form.refusal.empty()) throw ActionStopped(form.refusal);
  if (options.useSaved) form.Button6Click();
  form.Button3Click();
  if (!form.Button4.enabled) throw ActionStopped("The flood requirements were not generated");
  if (options.save) form.Button5Click();
  if (options.addToReport) form.Button2Click();
  form.Button4Click();
  return {std::move(form.Chart1), std::move(form.Chart2), std::move(form.Chart3)};
}

std::string floodCategoriesCsv(FloodView state) {
  std::string csv = "category,peak_m3s,duration_hours,volume_mcm,events,frequency_code\n";
  const FloodCategoryTable& table = state.floods.floodCategoryTable;
  for (int k = 1; k <= kFloodCategoryCount; ++k) {
    csv += std::to_string(k);
    for (int col = 1; col < FloodCategoryTable::colCount; ++col) csv += "," + trim(table.cell(col, k));
    csv += "\n";
  }
  return csv;
}

std::string highFlowSeriesCsv(FloodView state) {
  const TimeSeries& natural = state.site.naturalFlows;
  const int32_t count = natural.header.count;
  if (count > kMaxFloodMonths)
    throw ModelError("High-flow series: the natural record's " + std::to_string(count) + " months exceed the " +
                     std::to_string(kMaxFloodMonths) + " the series holds");
  std::string csv = "year,month";
  for (int c = 0; c < kCategoryCount; ++c) csv += std::string(",") + kCategoryNames[static_cast<std::size_t>(c)];
  csv += "\n";
  int year = natural.header.startYear;
  int calendar = natural.header.startMonth;
  for (int32_t i = 0; i < count; ++i) {
    csv += formatText("%d,%d", year, calendar);
    for (int c = 0; c < kCategoryCount; ++c) csv += formatText(",%.6f", state.floods.highFlowSeries[c][i]);
    csv += "\n";
    if (++calendar > 12) {
      calendar = 1;
      ++year;
    }
  }
  return csv;
}

void exportFloodResults(FloodView state, ResultsWriter& out) {
  JsonWriter& j = out.json;
  const FloodState& f = state.floods;
  const int32_t count = state.site.naturalFlows.header.count;
  j.key("bankfullDischarge").value(f.bankfullDischarge);
  j.key("floodCategoryTable").beginArray();
  for (int r = 0; r < FloodCategoryTable::rowCount; ++r) {
    j.beginArray();
    for (int c = 0; c < FloodCategoryTable::colCount; ++c) j.value(f.floodCategoryTable.cell(c, r));
    j.endArray();
  }
  j.endArray();
  const int months = std::max(0, std::min(count, kMaxFloodMonths));
  j.key("highFlowSeries").beginArray();
  for (int c = 0; c < kCategoryCount; ++c) j.floats(f.highFlowSeries[c].begin(), f.highFlowSeries[c].begin() + months);
  j.endArray();
  const int years = std::max(0, std::min(count / 12, ecology::kMaxRanks));
  j.key("highFlowAssurance").beginArray();
  for (int m = 0; m < 12; ++m) {
    j.beginArray();
    for (int c = 0; c < kCategoryCount; ++c)
      j.floats(f.highFlowAssurance[m][c].begin(), f.highFlowAssurance[m][c].begin() + years);
    j.endArray();
  }
  j.endArray();
  out.files.push_back({"flood_categories.csv", [state] { return floodCategoriesCsv(state); }});
  out.files.push_back({"high_flow_series.csv", [state] { return highFlowSeriesCsv(state); }});
}

}  // namespace oewr::floods
