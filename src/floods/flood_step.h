#pragma once
// The flood step without windows, as the headless run takes it: the window's
// opening (the rating and the default flood categories), optionally the
// saved flood parameters, "Generate T/S", optionally "Save Flood
// Parameters", the report section and "Return to Main Menu"; and CSV texts
// of its results for other tools.
#include <string>

#include "charting/chart.h"
#include "common/results_writer.h"
#include "common/ui.h"
#include "floods/flood_state.h"

namespace oewr::hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::floods {

struct FloodOptions {
  bool useSaved = false;    // "Use Saved Flood Parameters" before generating
  bool save = false;        // "Save Flood Parameters" after generating
  bool addToReport = true;  // "Add to Report"
};

// The charts of the flood window as the step left them.
struct FloodStepCharts {
  charting::Chart section;     // "Channel X-Section"
  charting::Chart rating;      // "Rating Curve"
  charting::Chart hydrograph;  // "Hydrograph"
};

// Runs the step. Throws ActionStopped (after the window's message) when
// "Generate T/S" was refused, so that no later step takes flood volumes that
// were not made.
FloodStepCharts runFloodStep(FloodParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                             const FloodOptions& options);

// The flood categories as the window left them: "category,peak_m3s,
// duration_hours,volume_mcm,events,frequency_code", one row a category.
std::string floodCategoriesCsv(FloodView state);
// The high-flow series: "year,month,A,A/B,B,B/C,C,C/D,D" (million m3), one
// row a month of the natural record.
std::string highFlowSeriesCsv(FloodView state);

// Its results for other tools: the bankfull discharge, the flood categories
// and the high-flow series and assurances in results.json, and the two CSV
// files above (flood_categories.csv, high_flow_series.csv).
void exportFloodResults(FloodView state, ResultsWriter& out);

}  // namespace oewr::floods
