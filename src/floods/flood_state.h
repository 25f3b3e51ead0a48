#pragma once
// Result fields of the flood sub-model, part of ModelState.
#include <cstdint>
#include <string>

#include "model/site_inputs.h"
#include "model/state_parts.h"
#include "common/bounded_array.h"
#include "ecology/ecology_state.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr::floods {

constexpr int kMaxFloodMonths = 2001;
constexpr int kFloodCategoryCount = 5;  // flood categories 1 .. 5
constexpr int kFloodParameterCount = 5;  // depth, frequency, events, shape, slope

// The flood window's category table as its texts, cell(col, row): row 0 the
// headings, rows 1 to 5 the flood categories (number, peak discharge m3/s,
// duration hours, event volume million m3, number of events, frequency code).
struct FloodCategoryTable {
  static constexpr int colCount = 6;
  static constexpr int rowCount = 6;
  BoundedArray<BoundedArray<std::string, 0, rowCount - 1>, 0, colCount - 1> cells;

  std::string& cell(int col, int row) { return cells[col][row]; }
  const std::string& cell(int col, int row) const { return cells[col][row]; }
};

struct FloodState {
  // The rating the flood window uses: depth (m) and mean of the lower and
  // upper discharge estimates (m3/s) of each stage of the last hydraulics run.
  hydraulics::StageArray floodDepthStep;
  hydraulics::StageArray floodRatingFlow;
  // Discharge of the last rating step, m3/s.
  float bankfullDischarge = 0;
  // Depth (m) of the rating step at which the maximum wet-season baseflow
  // lies; 0 when the baseflow lies outside the rating.
  float floodBaseflowDepth = 0;
  // sqrt(bankfullDischarge) - sqrt(maxBaseflowWet): scales a peak's share of
  // the catchment's time to peak.
  float peakScaleRoot = 0;
  float durationFactor = 0;   // 4.0 once the window has opened
  float floodConstraint = 0;  // lowest volume ratio, 0.5 once the window has opened
  // Set while the flood window fills its default categories.
  bool floodInitialising = false;
  // Per flood category: depth (cm), frequency index, number of events,
  // catchment-shape index, river-slope index; as accepted or restored.
  BoundedArray<BoundedArray<float, 0, kFloodParameterCount - 1>, 0, kFloodCategoryCount - 1> savedFloodParameters;
  FloodCategoryTable floodCategoryTable;
  // Total flood volume over the annual high flow of the 20 % exceedance
  // year, within its limits, as the last "Generate T/S" used it.
  float floodVolumeRatio = 0;

  // Flood volume of each month of the natural record per category, million m3.
  BoundedArray<BoundedArray<float, 0, kMaxFloodMonths - 1>, 0, 6> highFlowSeries;
  // Per month (October = 0), category and rank: that month's flood volumes
  // over the years in ascending order, million m3. Zero until "Generate T/S".
  ecology::MonthCategoryRanks highFlowAssurance;
};

// The parts of the model state the flood analysis reads and writes.
template <bool Writable>
struct FloodPartsOf {
  PartRef<SiteInputs, Writable> site;
  PartRef<hydrology::HydrologyState, Writable> hydrology;
  PartRef<hydraulics::HydraulicsState, Writable> hydraulics;
  PartRef<ecology::EcologyState, Writable> ecology;
  PartRef<FloodState, Writable> floods;
  PartRef<ReportLines, Writable> reportLines;

  template <class State>
  FloodPartsOf(State& s) : site(s.site), hydrology(s.hydrology), hydraulics(s.hydraulics), ecology(s.ecology), floods(s.floods), reportLines(s.reportLines) {}
};
using FloodParts = FloodPartsOf<true>;
using FloodView = FloodPartsOf<false>;

}  // namespace oewr::floods
