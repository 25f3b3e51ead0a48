#include "ewr/ewr_step.h"

#include <algorithm>
#include <system_error>

#include "common/errors.h"
#include "common/text_format.h"
#include "ewr/assurance_rules.h"
#include "ewr/ewr_tables.h"
#include "ewr/final_analysis_window.h"
#include "common/atomic_file.h"

namespace oewr::ewr {

bool EwrOptions::saves(ewr::EwrSaveItem item) const {
  switch (item) {
    case ewr::EwrSaveItem::TotalAssurance: return saveTotalAssurance;
    case ewr::EwrSaveItem::LowAssurance: return saveLowAssurance;
    case ewr::EwrSaveItem::TotalSeries: return saveTotalSeries;
    case ewr::EwrSaveItem::LowSeries: return saveLowSeries;
    case ewr::EwrSaveItem::Report: return saveReport;
  }
  return false;
}

bool EwrOptions::anySave() const {
  for (ewr::EwrSaveItem item : ewr::kSaveItems)
    if (saves(item)) return true;
  return false;
}

void checkEwrOptions(const EwrOptions& options) {
  if (options.category < 0 || options.category >= kCategoryCount)
    throw ModelError("Final analysis: the category must be 0 to 6 (A, A/B, B, B/C, C, C/D, D), not " +
                     std::to_string(options.category));
  if (options.month < 0 || options.month > 11)
    throw ModelError("Final analysis: the month must be 0 to 11 (October to September), not " +
                     std::to_string(options.month));
  if (options.constraint < ewr::kNoConstraint || options.constraint > ewr::kToPresentDayFlows)
    throw ModelError("Final analysis: the constraint must be 0 (none), 1 (natural) or 2 (present day), not " +
                     std::to_string(options.constraint));
}

void runEwrStep(EwrParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                const EwrOptions& options) {
  checkEwrOptions(options);
  TForm7 form(state, tx, ui, saveDialog);
  form.RadioGroup1.itemIndex = options.month;
  form.RadioGroup2.itemIndex = options.category;
  form.RadioGroup3.itemIndex = options.constraint;
  form.CheckBox1.checked = options.highFlows;
  form.Button2Click();
  if (!form.analysed()) throw ActionStopped("The final analysis did not run");
  if (options.addToReport) form.Button3Click();
  if (options.anySave()) {
    for (ewr::EwrSaveItem item : ewr::kSaveItems) form.setSaveItemTicked(item, options.saves(item));
    form.Button6Click();
    if (form.Panel1Visible) form.Button4Click();
  }
  // Saving the series leaves the analysis without high flows; the results
  // kept are those of the chosen options.
  form.setIncludeHighFlows(options.highFlows);
  form.Button1Click();
}

namespace {

std::string pointText(float p) {
  return p == static_cast<float>(static_cast<int>(p)) ? formatText("%.0f", p) : formatText("%.1f", p);
}

}  // namespace

std::string assuranceTableCsv(EwrView state, bool total) {
  const ecology::MonthCategoryRanks& table = total ? state.ewr.totalFlowAssurance : state.ewr.lowFlowAssurance;
  std::string csv = "category,month";
  for (float p : ewr::filledPoints(ewr::kSavedPoints)) csv += "," + pointText(p);
  csv += "\n";
  for (int c = 0; c < kCategoryCount; ++c)
    for (int m = 0; m < 12; ++m) {
      csv += ewr::categoryName(c) + "," + ewr::hydroMonthName(m);
      for (float v : ewr::valuesAtDurationPoints(table[m][c], state.ewr.valuesPerMonth[m], ewr::kSavedPoints))
        csv += formatText(",%.6f", v);
      csv += "\n";
    }
  return csv;
}

std::string ewrSeriesCsv(EwrView state, int category, bool highFlows) {
  ewr::categoryName(category);  // checks the category
  const TimeSeries& natural = state.site.naturalFlows;
  const int32_t count = natural.header.count;
  if (count > kMaxEwrMonths)
    throw ModelError("EWR series: the natural record's " + std::to_string(count) + " months exceed the " +
                     std::to_string(kMaxEwrMonths) + " the series holds");
  std::string csv = "year,month,natural,low_flow_ewr,total_flow_ewr\n";
  int year = natural.header.startYear;
  int calendar = natural.header.startMonth;
  for (int32_t i = 0; i < count; ++i) {
    const int m = ewr::hydroMonthOfValue(natural, i);
    const float low = ewr::ewrAtFlow(state.ewr.sortedFlows[0][m], state.ewr.lowFlowAssurance[m][category],
                                     state.ewr.valuesPerMonth[m], natural.values[i]);
    const float total = highFlows ? low + state.floods.highFlowSeries[category][i] : low;
    csv += formatText("%d,%d,%.6f,%.6f,%.6f\n", year, calendar, natural.values[i], low, total);
    if (++calendar > 12) {
      calendar = 1;
      ++year;
    }
  }
  return csv;
}

std::string meanRequirementsCsv(EwrView state) {
  std::string csv = "category,low_mcm,low_pct_mar,total_mcm,total_pct_mar\n";
  const float mar = state.site.naturalFlows.mar;
  for (int c = 0; c < kCategoryCount; ++c) {
    const float low = state.ewr.meanLowEwr[c];
    const float total = state.ewr.meanTotalEwr[c];
    csv += ewr::categoryName(c) +
           formatText(",%.6f,%.3f,%.6f,%.3f\n", low, low * 100.0f / mar, total, total * 100.0f / mar);
  }
  return csv;
}

namespace {

// The CSV files, each made from the state when it is written.
std::vector<NamedText> csvFiles(const EwrView& state, int category, bool highFlows) {
  return {{"total_flow_assurance.csv", [state] { return assuranceTableCsv(state, true); }},
          {"low_flow_assurance.csv", [state] { return assuranceTableCsv(state, false); }},
          {"ewr_series.csv", [state, category, highFlows] { return ewrSeriesCsv(state, category, highFlows); }},
          {"ewr_means.csv", [state] { return meanRequirementsCsv(state); }}};
}

template <typename Ranks>
void writeMonthCategoryRanks(JsonWriter& j, const Ranks& t, const BoundedArray<int32_t, 0, 11>& counts) {
  j.beginArray();
  for (int m = 0; m < 12; ++m) {
    j.beginArray();
    const int n = std::max(0, std::min(counts[m], ecology::kMaxRanks));
    for (int c = 0; c < kCategoryCount; ++c) j.floats(t[m][c].begin(), t[m][c].begin() + n);
    j.endArray();
  }
  j.endArray();
}

}  // namespace

std::vector<std::filesystem::path> writeEwrCsvFiles(EwrView state, int category, bool highFlows,
                                                    const std::filesystem::path& directory) {
  return writeTextFiles(directory, csvFiles(state, category, highFlows));
}

void exportEwrResults(EwrView state, int category, bool highFlows, ResultsWriter& out) {
  JsonWriter& j = out.json;
  const EwrState& e = state.ewr;
  j.key("valuesPerMonth").beginArray();
  for (int m = 0; m < 12; ++m) j.value(e.valuesPerMonth[m]);
  j.endArray();
  for (int set = 0; set < 2; ++set) {
    j.key(set == 0 ? "sortedFlows" : "sortedPresentFlows").beginArray();
    for (int m = 0; m < 12; ++m) {
      const int n = std::max(0, std::min(e.valuesPerMonth[m], ecology::kMaxRanks));
      j.floats(e.sortedFlows[set][m].begin(), e.sortedFlows[set][m].begin() + n);
    }
    j.endArray();
  }
  j.key("sortedBaseflows").beginArray();
  for (int m = 0; m < 12; ++m) {
    const int n = std::max(0, std::min(e.valuesPerMonth[m], ecology::kMaxRanks));
    j.floats(e.sortedBaseflows[0][m].begin(), e.sortedBaseflows[0][m].begin() + n);
  }
  j.endArray();
  j.key("lowFlowAssurance");
  writeMonthCategoryRanks(j, e.lowFlowAssurance, e.valuesPerMonth);
  j.key("totalFlowAssurance");
  writeMonthCategoryRanks(j, e.totalFlowAssurance, e.valuesPerMonth);
  j.key("meanLowEwr").floats(e.meanLowEwr.begin(), e.meanLowEwr.end());
  j.key("meanTotalEwr").floats(e.meanTotalEwr.begin(), e.meanTotalEwr.end());
  const int n = std::max(0, std::min(state.site.naturalFlows.header.count, kMaxEwrMonths));
  j.key("ewrSeries").floats(e.ewrSeries.begin(), e.ewrSeries.begin() + n);
  for (NamedText& f : csvFiles(state, category, highFlows)) out.files.push_back(std::move(f));
}

}  // namespace oewr::ewr
