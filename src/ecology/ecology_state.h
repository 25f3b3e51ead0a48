#pragma once
// Result fields of the ecological sub-model, part of ModelState.
#include <cstdint>

#include "hydraulics/hydraulics_state.h"
#include "model/site_inputs.h"
#include "model/state_parts.h"
#include "common/bounded_array.h"

namespace oewr::ecology {

constexpr int kMaxRanks = kMaxRunYears;  // years a month in the ecological, flood and final tables

// [hydrological month 0 = October .. 11][category 0..6][rank 0..120]
using MonthCategoryRanks = BoundedArray<BoundedArray<BoundedArray<float, 0, kMaxRanks - 1>, 0, 6>, 0, 11>;

constexpr int kStressLevelCount = 21;  // stress 0, 0.5, .., 10
constexpr int kFlowKindCount = 3;      // 0 natural, 1 present day, 2 scenario
constexpr int kFittedKindCount = 2;    // natural and present day are fitted

// [season 0 wet, 1 dry][level 0 .. 20]
using SeasonStressTable = BoundedArray<BoundedArray<float, 0, kStressLevelCount - 1>, 0, 1>;
// [season][category A .. D, 0 .. 6]
using SeasonCategoryValues = BoundedArray<BoundedArray<float, 0, 6>, 0, 1>;
// [season][kind][year or curve position]
using SeasonKindYears = BoundedArray<BoundedArray<BoundedArray<float, 0, kMaxRanks - 1>, 0, kFlowKindCount - 1>, 0, 1>;

struct EcologyState {
  // Ecological low-flow requirement, m3/s: ranks ascend in flow and stand for
  // the duration (n - r) x 100 / n %. The ecological sub-model fills the two
  // critical months; the final analysis fills the other ten.
  MonthCategoryRanks ecoLowReq;
  // Ranks of ecoLowReq filled for the wet and the dry critical month.
  BoundedArray<int32_t, 0, 1> ecoRankCount;

  // Flows-versus-stress table: stressFlow[s][j] (m3/s) is the discharge at
  // which the stress index of season s equals stressLevel[s][j] = 0.5 j.
  SeasonStressTable stressFlow;
  SeasonStressTable stressLevel;

  // Stress of each year's critical-month flow, then the sorted and smoothed
  // stress frequency curve, by season and kind of flow; with the number of
  // values of each.
  SeasonKindYears stressSeries;
  BoundedArray<BoundedArray<int32_t, 0, kFlowKindCount - 1>, 0, 1> stressSeriesCount;

  // Fitted shape p (2 .. 101) and record-length offset t (0 .. 50) of the
  // natural and present-day stress frequency curves, [kind][season].
  BoundedArray<BoundedArray<float, 0, 1>, 0, kFittedKindCount - 1> fitShape;
  BoundedArray<BoundedArray<int32_t, 0, 1>, 0, kFittedKindCount - 1> fitOffset;

  // Default HIGH and LOW SHIFT factors of the seven categories, recomputed
  // on every run from the natural stress frequency curves.
  SeasonCategoryValues defaultHighShift;
  SeasonCategoryValues defaultLowShift;

  // The shifts in force differ from the defaults (or are aligned to present day).
  bool shiftsAltered = false;
};

// The parts of the model state the ecology reads and writes.
template <bool Writable>
struct EcologyPartsOf {
  PartRef<SiteInputs, Writable> site;
  PartRef<hydrology::HydrologyState, Writable> hydrology;
  PartRef<hydraulics::HydraulicsState, Writable> hydraulics;
  PartRef<EcologyState, Writable> ecology;
  PartRef<ReportLines, Writable> reportLines;

  template <class State>
  EcologyPartsOf(State& s) : site(s.site), hydrology(s.hydrology), hydraulics(s.hydraulics), ecology(s.ecology), reportLines(s.reportLines) {}
};
using EcologyParts = EcologyPartsOf<true>;
using EcologyView = EcologyPartsOf<false>;

}  // namespace oewr::ecology
