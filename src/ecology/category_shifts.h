#pragma once
// The ecological categories: default HIGH and LOW SHIFT factors from the
// natural stress frequency curves, the shifts in force (defaults, the user's
// altered values or values aligned to present-day stress), the perenniality
// rule, one stress frequency curve per category, its flows through the
// flows-versus-stress table capped at the natural flows, and the hand-over of
// the two critical months into ecoLowReq.
#include <array>
#include <cstdint>
#include <string>

#include "common/ui.h"
#include "ecology/ecology_work.h"
#include "ecology/ecology_state.h"

namespace oewr::ecology {

// Category factor f[c] of A, A/B, B, B/C, C, C/D, D.
extern const std::array<float, 7> kCategoryFactor;

constexpr const char* kNoFastHabitats = "No fast habitats at all";

// Largest and smallest value of a curve of n positions.
struct CurveRange {
  float largest = 0;
  float smallest = 0;
};
CurveRange curveRange(const YearValues& curve, int32_t n);

// Case A: the fraction z of positions at stress 10 or more, scanning down
// from the last position to the first below 10. A curve with no position
// below 10 spends all its time at stress 10: z = 1.
float zeroFlowFraction(const YearValues& curve, int32_t n);

// Case B2: the stress of a flow Q in the season's table, interpolated
// between the levels that bracket it; a flow below level 19 is placed
// between level 19 and zero flow at level 20.
float stressOfHabitatFlow(EcologyView state, int season, float q);

// Case B2: the HIGH shift H of category D from the fast habitats of the
// season (before the H < M test). Shows "No fast habitats at all" and keeps
// the previous default HIGH of D when no fast habitat exceeds 1 % with a
// positive weight.
float caseB2High(EcologyView state, int season, const SeasonHabitat& habitat, Ui& ui,
                 const std::string& caption);

// The default shifts of both seasons from the natural smoothed curves.
void defaultShifts(EcologyParts state, const EcologyWork& work, Ui& ui, const std::string& caption);

// Any HIGH or LOW shift more than 0.001 from its default.
bool shiftsDifferFromDefaults(EcologyView state);

// The shifts of a season aligned to present day: category a - 1 takes the
// present-day maximum stress P; N is the natural maximum stress.
void alignShifts(EcologyParts state, int season, int alignOption, float presentMaximum, float naturalMaximum);

// Option 1: wet-season HIGH shifts above 10 become 9.9; option 2: both seasons.
void applyPerenniality(SeasonCategoryValues& categoryHigh, int perennialOption);

// The last curve position K below stress 10: n - floor(n (H - 10) + 0.5) for
// H above 10, else n - 1; held within 0 .. n - 1.
int32_t categoryCurveEnd(int32_t n, float high);

// The stress frequency curve of a category with HIGH shift H and LOW shift L
// on n positions, shaped by the fit; positions after K are at stress 10 and
// position K reaches the top (10 or H) exactly.
void categoryCurve(int32_t n, float high, float low, const CurveFit& fit, YearValues& curve);

// The flow (m3/s) at stress v of a season, inverse of the flows-versus-stress
// table; v is held within 0 .. 10.
float QSInterp(EcologyView state, int season, float v);

// The steps after the stress frequency curves: default shifts, the shifts
// and fit in force, perenniality, the category curves and flows, and
// ecoLowReq for the two critical months. `alignOption` and `perennialOption`
// are the selections on screen.
void do_category_shifts(EcologyParts state, EcologyWork& work, int perennialOption, int alignOption, Ui& ui,
                        const std::string& caption);

}  // namespace oewr::ecology
