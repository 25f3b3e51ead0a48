#pragma once
// The hydrology step without windows, as the headless run takes it: what the
// hydrology window does when it opens, the plots at the chosen exceedence
// point, "Finished" (which saves the ecological parameters), the start of the
// report and "Return to main menu"; and its results for other tools.
#include <vector>

#include "charting/chart.h"
#include "common/results_writer.h"
#include "common/ui.h"
#include "hostdb/host_tables.h"
#include "hydrology/hydrology_state.h"

namespace oewr::hostdb {
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::hydrology {

struct HydrologyOptions {
  int exceedence = 0;      // 5, 10, ..., 50; 0 keeps the state's point
  bool useQtotal = false;  // maximum baseflows from the 75 % total flows instead of the baseflows
  std::vector<ParameterReplacement> siteParameters;  // read in place of the stored values
};

// True for 0 and for 5, 10, ..., 50.
bool isExceedenceChoice(int exceedence);

// The charts of the plots window as "Finished" left them.
struct HydrologyStepCharts {
  charting::Chart timeSeries;           // monthly flows and baseflows
  charting::Chart durationCurves;       // flow duration curves
  charting::Chart monthlyDistribution;  // monthly distribution at the point
};

// Runs the step. Throws ModelError for an exceedence that is not a choice,
// and ActionStopped (after the window's message) when no critical months
// could be chosen, so that the step is not finished.
HydrologyStepCharts runHydrologyStep(HydrologyParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                                     const HydrologyOptions& options);

// Its results for other tools: the three series with their statistics, the
// critical months and maximum baseflows in results.json; as CSV the monthly
// flows and baseflows (flows.csv), and the monthly statistics and duration
// tables of the natural and present-day flows, October first.
void exportHydrologyResults(HydrologyView state, ResultsWriter& out);

}  // namespace oewr::hydrology
