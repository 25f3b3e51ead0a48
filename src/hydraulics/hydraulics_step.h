#pragma once
// The hydraulics step of a headless run: what the hydraulics window does when
// it opens (the checks, "Re-Calc Parameters" when the maximum depth is 0, the
// model run on synthetic sections), without a window.
#include "common/ui.h"
#include "hydraulics/hydraulics_charts.h"
#include "process/model_state.h"

namespace oewr::hydraulics {

// Runs the step on the state; messages and questions go through `ui`.
// Returns the window's two charts as they stand after the run.
HydraulicsCharts runHydraulicsStep(ModelState& state, Ui& ui);

}  // namespace oewr::hydraulics
