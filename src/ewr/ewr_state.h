#pragma once
// Result fields of the ewr sub-model, part of ModelState.
#include <cstdint>

#include "floods/flood_state.h"
#include "model/site_inputs.h"
#include "model/state_parts.h"
#include "common/bounded_array.h"
#include "ecology/ecology_state.h"

namespace oewr::ewr {

constexpr int kMaxEwrMonths = 2001;  // months of the EWR series (0 .. 2000)

// [hydrological month 0 = October .. 11][rank 0 .. 120]
using MonthRanks = BoundedArray<BoundedArray<float, 0, ecology::kMaxRanks - 1>, 0, 11>;
// [set 0 natural, 1 present-day][hydrological month][rank]
using FlowSetMonthRanks = BoundedArray<MonthRanks, 0, 1>;

struct EwrState {
  // Number of values of each month (October = 0) in the natural duration curves.
  BoundedArray<int32_t, 0, 11> valuesPerMonth;
  // Monthly flow and baseflow volumes in ascending order, million m3.
  FlowSetMonthRanks sortedFlows;
  FlowSetMonthRanks sortedBaseflows;
  // Assurance curves, million m3 per month, by month, category and rank.
  ecology::MonthCategoryRanks lowFlowAssurance;
  ecology::MonthCategoryRanks totalFlowAssurance;
  // Working tables of the assurance rules: the share of the natural baseflow
  // that the critical months give up, [category][0 wet, 1 dry][rank], and the
  // constraint limit of each month and rank, million m3.
  BoundedArray<BoundedArray<BoundedArray<float, 0, ecology::kMaxRanks - 1>, 0, 1>, 0, 6> reductionFraction;
  MonthRanks totalLimit;
  // Long-term mean requirements of each category, million m3 per year.
  BoundedArray<float, 0, 6> meanTotalEwr;
  BoundedArray<float, 0, 6> meanLowEwr;
  // EWR monthly series of the selected category, million m3 per month, one
  // value per month of the natural series.
  BoundedArray<float, 0, kMaxEwrMonths - 1> ewrSeries;
};

// The parts of the model state the final analysis reads (all of it) and writes.
template <bool Writable>
struct EwrPartsOf {
  PartRef<SiteInputs, Writable> site;
  PartRef<hydrology::HydrologyState, Writable> hydrology;
  PartRef<hydraulics::HydraulicsState, Writable> hydraulics;
  PartRef<ecology::EcologyState, Writable> ecology;
  PartRef<floods::FloodState, Writable> floods;
  PartRef<EwrState, Writable> ewr;
  PartRef<ReportLines, Writable> reportLines;

  template <class State>
  EwrPartsOf(State& s) : site(s.site), hydrology(s.hydrology), hydraulics(s.hydraulics), ecology(s.ecology), floods(s.floods), ewr(s.ewr), reportLines(s.reportLines) {}
};
using EwrParts = EwrPartsOf<true>;
using EwrView = EwrPartsOf<false>;

}  // namespace oewr::ewr
