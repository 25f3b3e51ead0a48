#pragma once
// The hydraulics section of the report: the channel's zone, scaling, width
// and depth, then what the section in use was and the largest discharge the
// channel carries (or the calibrated gradient and roughness values).
#include <string>
#include <vector>

#include "charting/chart.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr::hydraulics {

// The section's lines, as the flags stand: `observedMode` (surveyed section,
// the observed set of gradients and n values), else `savedMode` (saved
// section, the discharge of the last point of the stage - discharge chart's
// second curve), else the synthetic range between the last points of its
// first two curves.
std::vector<std::string> hydraulicsReportLines(HydraulicsView state, bool observedMode, bool savedMode,
                                               const charting::Chart& stageDischarge);

}  // namespace oewr::hydraulics
