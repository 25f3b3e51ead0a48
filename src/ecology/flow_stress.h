#pragma once
// The flow-stress relationship of the wet and the dry season: the default
// stress weights, the stress index along the rating-curve stages from the
// loss of fast habitat below the maximum baseflow, and the table of the flows
// at the 21 stress levels 0, 0.5, .., 10 that the rest of the sub-model reads.
#include <cstdint>

#include "ecology/ecology_work.h"
#include "ecology/ecology_state.h"

namespace oewr::ecology {

// Fast habitat (FD at the baseflow stage plus the FI and FS maxima) below
// this share (%) sends a season down the fast-very-shallow route.
constexpr float kFastHabitatThreshold = 20.0f;

// A monthly volume (million m3) of calendar month 1 .. 12 as a flow in m3/s,
// with the days of a non-leap year.
float monthlyFlowRate(float volume, int calendarMonth);

// Throws ModelError naming the series when its start month is not 1 .. 12.
void checkStartMonth(const TimeSeries& series, const char* seriesName);

// Step 1: natural critical-month flows below 0.0001 m3/s, per season.
BoundedArray<float, 0, 1> countZeroFlows(EcologyView state);

// Step 2: a season whose three fast-habitat weights add up to less than 0.1
// gets FS 2 and FI 1 (wet) or FS 3 and FI 1 (dry), and a stress at zero FS of
// 9 (wet) or 5 (dry) less 4 x the zero-flow count over the number of natural
// monthly values. The FD weight keeps its value.
void applyDefaultWeights(EcologyParts state, const BoundedArray<float, 0, 1>& zeroFlowCount);

// The baseflow stage b of a season, checked against the stages computed and
// the 1000 stages of the stress curve (ModelError naming the limit).
int32_t baseflowStageOf(EcologyView state, int season);

// Step 3.1: the FI, FS and FVS maxima over stages b down to 0.
HabitatMaxima scanHabitatMaxima(EcologyView state, int32_t b);

// Step 3.2: FD[b] + maxFI + maxFS of at least 20 %.
bool hasFastHabitat(float fdAtBaseflow, const HabitatMaxima& maxima);

// Step 4: relative losses of FD, FI and FS habitat at stages b down to 0,
// never decreasing as the discharge falls; and the FD ratio r (-9 when FD
// never vanishes).
struct RelativeLosses {
  StageCurve relFD, relFI, relFS;
  float fdRatio = -9;
};
void relativeLosses(EcologyView state, int32_t b, const HabitatMaxima& maxima, RelativeLosses& out);

// Step 5: the FD base stress F.
float fdBaseStress(float fdAtBaseflow, float fdWeight, float fdRatio);

// Step 5: weights of habitats that never occur become 0; returns their sum W.
float correctWeights(EcologyParts state, int season, float fdAtBaseflow, const HabitatMaxima& maxima);

// Step 6: the weighted stress curve of stages b down to 0. Returns Qlow.
float weightedStressCurve(EcologyView state, int season, int32_t b, const RelativeLosses& losses, float F,
                          float W, StageCurve& curve);

// Step 7: the stress curve from the loss of fast very shallow habitat alone;
// sets the season's stress at zero FS to 9. Returns Qlow.
float noFastHabitatCurve(EcologyParts state, int season, int32_t b, const HabitatMaxima& maxima, StageCurve& curve);

// The table level k of the stress at zero FS: floor(2 S0 + 0.5), held within
// 1 .. 19 so that the baseflow discharge (level 0) and zero flow (level 20)
// stay the table's ends.
int32_t zeroFsLevel(float stressAtZeroFs);

// Step 8: the 21-level table of a season from its stress curve and Qlow,
// descending from the baseflow discharge at stress 0 to zero flow at 10.
void buildStressTable(EcologyParts state, int season, int32_t b, const StageCurve& curve, float qLow);

// Steps 1 to 8 for both seasons.
void do_flow_stress(EcologyParts state, EcologyWork& work);

}  // namespace oewr::ecology
