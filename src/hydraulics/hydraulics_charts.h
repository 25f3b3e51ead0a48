#pragma once
// The two charts of the hydraulics window: the channel cross-section and the
// stage - discharge curve with its four lines.
#include "charting/chart.h"

namespace oewr::hydraulics {

// Lines of the stage - discharge chart, by position (the observed and saved
// section modes retitle the first two).
constexpr int kLowerEstimateSeries = 0;
constexpr int kUpperEstimateSeries = 1;
constexpr int kWetBaseflowSeries = 2;
constexpr int kDryBaseflowSeries = 3;

struct HydraulicsCharts {
  charting::Chart section;         // "Channel X-Section"
  charting::Chart stageDischarge;  // "Stage - Discharge Curve"
};

// Both charts with their titles, axes, legends and empty lines.
HydraulicsCharts makeHydraulicsCharts();

}  // namespace oewr::hydraulics
