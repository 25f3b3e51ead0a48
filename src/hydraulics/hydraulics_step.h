#pragma once
// The hydraulics step of a headless run: what the hydraulics window does when
// it opens (the checks, "Re-Calc Parameters" when the maximum depth is 0, the
// model run on synthetic sections), then, as asked, the surveyed or saved
// section, the saving of the parameters and of the section, and the report
// section; without a window. And its results for other tools.
#include "charting/chart.h"
#include "common/results_writer.h"
#include "common/ui.h"
#include "hostdb/host_tables.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr::hostdb {
class Ttable_save;
}

namespace oewr::hydraulics {

struct HydraulicsOptions {
  // The section the results are computed on: the 20 synthetic sections, the
  // surveyed section with the stored observed set of gradients and n values
  // ("Use Observed Data"), or the saved section ("Use Saved X-Section").
  enum class Section { Synthetic, Observed, Saved } section = Section::Synthetic;
  bool saveParameters = false;  // "Save Parameters" (slot 4)
  bool saveSection = false;     // "Save XS to TERAVOX" (slot 7)
  bool addToReport = true;      // "Add to Report"
};

// The charts of the step as they stand after it.
struct HydraulicsStepCharts {
  charting::Chart section;         // "Channel X-Section"
  charting::Chart stageDischarge;  // "Stage - Discharge Curve"
  charting::Chart habitat;         // habitat frequencies, default discharge limit
  charting::Chart width;           // wetted width, default discharge limit
};

// Runs the step on the state; messages and questions go through `ui`. Asking
// for a section the site does not have is a ModelError (after the opening's
// run, before any saving).
HydraulicsStepCharts runHydraulicsStep(HydraulicsParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& dialog,
                                       const HydraulicsOptions& options = {});

// Its fields of results.json: the site parameters in force, the stages with
// their discharges, widths and habitat class shares, the stages of the
// maximum baseflows and the model cross-section.
void exportHydraulicsResults(HydraulicsView state, ResultsWriter& out);

}  // namespace oewr::hydraulics
