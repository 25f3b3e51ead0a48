#pragma once
// The working values of one "Process Data" of the ecological sub-model: what
// the flow-stress phase hands to the stress frequency curves, and both hand
// to the category shifts and curves. Nothing here outlives the run; the
// results that do are in EcologyState.
#include <cstdint>

#include "common/bounded_array.h"
#include "ecology/ecology_state.h"

namespace oewr::ecology {

constexpr int kWet = 0;
constexpr int kDry = 1;
constexpr int kNatural = 0;
constexpr int kPresentDay = 1;
constexpr int kScenario = 2;

// The stress curve holds stages 0 .. 1000; a baseflow stage above is refused.
constexpr int kMaxCurveStage = 1000;
using StageCurve = BoundedArray<float, 0, kMaxCurveStage>;

// A season's values, one per year or curve position.
using YearValues = BoundedArray<float, 0, kMaxRanks - 1>;

// The fast-habitat maxima of a season over stages b down to 0, each with the
// stage at which the downward scan first met it.
struct HabitatMaxima {
  float maxFI = 0, maxFS = 0, maxFVS = 0;
  int32_t iFI = 0, iFS = 0, iFVS = 0;
};

// What the flow-stress phase found for one season.
struct SeasonHabitat {
  int32_t baseflowStage = 0;   // b
  float fdAtBaseflow = 0;      // FD[b]
  HabitatMaxima maxima;
  bool noFastHabitat = false;  // fast habitats below 20 % at the baseflow stage
  float fdRatio = -9;          // r: discharge where FD vanishes / baseflow discharge
  float fdBaseStress = 0;      // F
  float qLow = 0;              // lowest discharge at which FS (or FVS) habitat remains
};

// The fit of a stress frequency curve: shape p and record-length offset t.
struct CurveFit {
  float shape = 2;
  int32_t offset = 0;
};

struct EcologyWork {
  // Flow-stress phase
  BoundedArray<float, 0, 1> zeroFlowCount;  // natural critical-month flows below 0.0001 m3/s
  BoundedArray<SeasonHabitat, 0, 1> habitat;
  StageCurve stressCurve;                   // of the season processed last

  // Stress frequency phase: the sorted critical-month flows (m3/s) and the
  // number of years of each kind and season; the position of the last zero
  // of each smoothed curve.
  BoundedArray<BoundedArray<YearValues, 0, 1>, 0, kFlowKindCount - 1> seasonFlows;  // [kind][season]
  BoundedArray<BoundedArray<int32_t, 0, 1>, 0, kFlowKindCount - 1> yearCount;       // [kind][season]
  BoundedArray<BoundedArray<int32_t, 0, 1>, 0, kFlowKindCount - 1> zeroIndex;       // [kind][season]
  BoundedArray<bool, 0, kFlowKindCount - 1> kindPresent;

  // Category phase
  SeasonCategoryValues categoryHigh;
  SeasonCategoryValues categoryLow;
  BoundedArray<BoundedArray<YearValues, 0, 6>, 0, 1> categoryCurve;  // [season][category]
  BoundedArray<BoundedArray<YearValues, 0, 6>, 0, 1> categoryFlows;  // [season][category]
  BoundedArray<int32_t, 0, 1> curveCount;  // positions of the category curves
  BoundedArray<CurveFit, 0, 1> fitInForce;  // [season]
  bool aligned = false;

  // The sorted natural flows, which cap the category flows rank by rank.
  const YearValues& naturalSeasonFlows(int season) const { return seasonFlows[kNatural][season]; }
};

}  // namespace oewr::ecology
