#include "ecology/ecology_step.h"

#include <algorithm>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"
#include "ecology/ecology_window.h"
#include "common/atomic_file.h"

namespace oewr::ecology {

void checkEcologyOptions(const EcologyOptions& options) {
  if (options.perennial < -1 || options.perennial > 2)
    throw ModelError("Perennial flow option " + std::to_string(options.perennial) +
                     " is not 0 (Non-Perennial Allowed), 1 (Wet Season Perennial) or 2 (All Seasons Perennial)");
  if (options.align < -1 || options.align > 7)
    throw ModelError("Alignment option " + std::to_string(options.align) +
                     " is not 0 (Don't Align) or 1 to 7 (Align A, A/B, B, B/C, C, C/D, D)");
}

EcologyCharts runEcologyStep(EcologyParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                             const EcologyOptions& options) {
  checkEcologyOptions(options);
  TForm5 form(state, tx, ui, saveDialog);
  form.FormCreate();
  const bool perennialChanged = options.perennial >= 0 && options.perennial != form.RadioGroup1.itemIndex;
  if (perennialChanged) form.setPerennialSelection(options.perennial);
  if (options.align >= 0) form.setAlignSelection(options.align);
  // Only "Save" of the shift panel keeps a changed "Perennial Flow" with
  // the ecological parameters for the next run.
  if (perennialChanged) form.Button12Click();
  // The window's message said why; a run that stopped hands nothing on.
  if (!form.runComplete()) throw ActionStopped("");
  if (options.addToReport) form.Button4Click();
  form.Button3Click();
  return {form.Chart1, form.Chart2, form.Chart3, form.Chart4};
}

namespace {

const char* seasonText(int season) { return season == 0 ? "wet" : "dry"; }

double durationPercent(int32_t position, int32_t n) {
  return static_cast<double>(static_cast<float>((n - position) * 100) / static_cast<float>(n));
}

}  // namespace

std::string stressTableCsv(EcologyView state) {
  std::string csv = "level,stress,wet_flow_m3s,dry_flow_m3s\n";
  for (int j = 0; j < kStressLevelCount; ++j)
    csv += formatText("%d,%.1f,%.6f,%.6f\n", j, state.ecology.stressLevel[0][j], state.ecology.stressFlow[0][j], state.ecology.stressFlow[1][j]);
  return csv;
}

std::string shiftFactorsCsv(EcologyView state) {
  std::string csv = "season,category,default_high,high,default_low,low\n";
  for (int s = 0; s < 2; ++s)
    for (int c = 0; c < kCategoryCount; ++c)
      csv += formatText("%s,%s,%.4f,%.4f,%.4f,%.4f\n", seasonText(s), kCategoryNames[static_cast<std::size_t>(c)],
                        state.ecology.defaultHighShift[s][c], state.site.highShift[s][c], state.ecology.defaultLowShift[s][c],
                        state.site.lowShift[s][c]);
  return csv;
}

std::string stressFrequencyCsv(EcologyView state) {
  static const char* const kinds[] = {"natural", "present_day", "scenario"};
  std::string csv = "season,kind,position,duration_pct,stress\n";
  for (int s = 0; s < 2; ++s)
    for (int kind = 0; kind < kFlowKindCount; ++kind) {
      const int32_t n = state.ecology.stressSeriesCount[s][kind];
      for (int32_t j = 0; j < n; ++j)
        csv += formatText("%s,%s,%d,%.3f,%.4f\n", seasonText(s), kinds[kind], j, durationPercent(j, n),
                          state.ecology.stressSeries[s][kind][j]);
    }
  return csv;
}

std::string ecologicalLowFlowsCsv(EcologyView state) {
  std::string csv = "season,month,category,rank,duration_pct,flow_m3s\n";
  for (int s = 0; s < 2; ++s) {
    const int calendar = s == 0 ? state.hydrology.criticalWetMonth : state.hydrology.criticalDryMonth;
    const int32_t n = state.ecology.ecoRankCount[s];
    if (n < 1 || calendar < 1 || calendar > 12) continue;
    const int m = hydroMonthIndex(calendar);
    for (int c = 0; c < kCategoryCount; ++c)
      for (int32_t r = 0; r < n; ++r)
        csv += formatText("%s,%s,%s,%d,%.3f,%.6f\n", seasonText(s), kMonthNames[static_cast<std::size_t>(calendar - 1)],
                          kCategoryNames[static_cast<std::size_t>(c)], r, durationPercent(r, n),
                          state.ecology.ecoLowReq[m][c][r]);
  }
  return csv;
}

namespace {

// The CSV files, each made from the state when it is written.
std::vector<NamedText> csvFiles(const EcologyView& state) {
  return {{"stress_table.csv", [state] { return stressTableCsv(state); }},
          {"shift_factors.csv", [state] { return shiftFactorsCsv(state); }},
          {"stress_frequency.csv", [state] { return stressFrequencyCsv(state); }},
          {"ecological_low_flows.csv", [state] { return ecologicalLowFlowsCsv(state); }}};
}

template <typename SeasonTable>
void writeSeasons(JsonWriter& j, const char* name, const SeasonTable& t) {
  j.key(name).beginArray();
  for (int season = 0; season < 2; ++season) j.floats(t[season].begin(), t[season].end());
  j.endArray();
}

}  // namespace

std::vector<std::filesystem::path> writeEcologyCsvFiles(EcologyView state, const std::filesystem::path& directory) {
  return writeTextFiles(directory, csvFiles(state));
}

void exportEcologyResults(EcologyView state, ResultsWriter& out) {
  JsonWriter& j = out.json;
  const EcologyState& e = state.ecology;
  const SiteInputs& site = state.site;
  writeSeasons(j, "stressFlow", e.stressFlow);
  writeSeasons(j, "stressLevel", e.stressLevel);
  j.key("stressAtZeroFs").floats(site.stressAtZeroFs.begin(), site.stressAtZeroFs.end());
  j.key("fsWeight").floats(site.fsWeight.begin(), site.fsWeight.end());
  j.key("fiWeight").floats(site.fiWeight.begin(), site.fiWeight.end());
  j.key("fdWeight").floats(site.fdWeight.begin(), site.fdWeight.end());
  j.key("stressSeries").beginArray();
  for (int season = 0; season < 2; ++season) {
    j.beginArray();
    for (int k = 0; k < kFlowKindCount; ++k) {
      const int n = std::max(0, std::min(e.stressSeriesCount[season][k], kMaxRanks));
      j.floats(e.stressSeries[season][k].begin(), e.stressSeries[season][k].begin() + n);
    }
    j.endArray();
  }
  j.endArray();
  j.key("fitShape").beginArray();
  for (int k = 0; k < kFittedKindCount; ++k) j.floats(e.fitShape[k].begin(), e.fitShape[k].end());
  j.endArray();
  j.key("fitOffset").beginArray();
  for (int k = 0; k < kFittedKindCount; ++k) {
    j.beginArray();
    for (int season = 0; season < 2; ++season) j.value(e.fitOffset[k][season]);
    j.endArray();
  }
  j.endArray();
  writeSeasons(j, "defaultHighShift", e.defaultHighShift);
  writeSeasons(j, "defaultLowShift", e.defaultLowShift);
  writeSeasons(j, "highShift", site.highShift);
  writeSeasons(j, "lowShift", site.lowShift);
  j.key("ecoLowReq").beginArray();
  for (int m = 0; m < 12; ++m) {
    j.beginArray();
    // The ecological step fills the two critical months; their ranks are the whole years.
    const int n = std::max(0, std::min(std::max(e.ecoRankCount[0], e.ecoRankCount[1]), kMaxRanks));
    for (int c = 0; c < kCategoryCount; ++c) j.floats(e.ecoLowReq[m][c].begin(), e.ecoLowReq[m][c].begin() + n);
    j.endArray();
  }
  j.endArray();
  for (NamedText& f : csvFiles(state)) out.files.push_back(std::move(f));
}

}  // namespace oewr::ecology
