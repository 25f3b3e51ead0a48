#pragma once
// Result fields of the hydraulics sub-model, part of ModelState: the rating
// curve and habitat classes on the stage grid, the depths of the maximum
// baseflows, the cross-section in use and the state of the random numbers
// that roughen the synthetic sections.
#include <cstdint>

#include "hydrology/hydrology_state.h"
#include "model/site_inputs.h"
#include "model/state_parts.h"
#include "common/bounded_array.h"

namespace oewr::hydraulics {

constexpr int kMaxStageIndex = 2000;  // stages 0 .. 2000
constexpr int kHabitatClassCount = 7;  // SVS, SS, SD, FVS, FS, FI, FD
constexpr int kMaxSectionPoint = 500;  // published section points 0 .. 500

using StageArray = BoundedArray<float, 0, kMaxStageIndex>;

struct HydraulicsState {
  // Shape of the synthetic section: 0 trapezoid or V, 1 parabola.
  int32_t xsShape = 0;

  // Rating curve on the stage grid (m3/s).
  int32_t stageCount = 0;
  StageArray stageDischarge;      // mean of the realisations
  StageArray stageDischargeLow;   // lowest over the realisations
  StageArray stageDischargeHigh;  // highest over the realisations

  // Habitat classes: share of each class in % of the wetted width, and the
  // wetted width (m); means over the realisations.
  BoundedArray<StageArray, 0, kHabitatClassCount - 1> stageClassShare;
  StageArray stageWidth;

  // Where the mean discharge passes the wet and dry maximum baseflows.
  int32_t wetBaseflowStage = 0;
  int32_t dryBaseflowStage = 0;
  float wetBaseflowDepth = 0;
  float dryBaseflowDepth = 0;

  // The cross-section in use (the last synthetic realisation, or the
  // observed or saved section).
  BoundedArray<float, 0, kMaxSectionPoint> modelXsDistance;
  BoundedArray<float, 0, kMaxSectionPoint> modelXsElevation;
  int32_t modelXsCount = 0;

  // Seed of the linear congruential generator: 0 when the program starts,
  // carried from run to run and never reseeded.
  uint32_t randomSeed = 0;
};

// The parts of the model state the hydraulics reads and writes.
template <bool Writable>
struct HydraulicsPartsOf {
  PartRef<SiteInputs, Writable> site;
  PartRef<hydrology::HydrologyState, Writable> hydrology;
  PartRef<HydraulicsState, Writable> hydraulics;
  PartRef<ReportLines, Writable> reportLines;

  template <class State>
  HydraulicsPartsOf(State& s) : site(s.site), hydrology(s.hydrology), hydraulics(s.hydraulics), reportLines(s.reportLines) {}
};
using HydraulicsParts = HydraulicsPartsOf<true>;
using HydraulicsView = HydraulicsPartsOf<false>;

}  // namespace oewr::hydraulics
