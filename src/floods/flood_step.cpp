#include "floods/flood_step.h"

#include "common/errors.h"
#include "common/text_format.h"
#include "floods/flood_window.h"

namespace oewr::floods {

FloodStepCharts runFloodStep(ModelState& state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
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

std::string floodCategoriesCsv(const ModelState& state) {
  std::string csv = "category,peak_m3s,duration_hours,volume_mcm,events,frequency_code\n";
  const FloodCategoryTable& table = state.floods.floodCategoryTable;
  for (int k = 1; k <= kFloodCategoryCount; ++k) {
    csv += std::to_string(k);
    for (int col = 1; col < FloodCategoryTable::colCount; ++col) csv += "," + trim(table.cell(col, k));
    csv += "\n";
  }
  return csv;
}

std::string highFlowSeriesCsv(const ModelState& state) {
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

}  // namespace oewr::floods
