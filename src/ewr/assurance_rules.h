#pragma once
// The assurance rules of the final analysis: the monthly duration curves of
// the natural and present-day flows, the low-flow and total-flow assurance
// curves of all twelve months and seven categories, the constraint caps, the
// EWR monthly series and the long-term mean requirements.
//
// Months are hydrological (0 = October); rank r of a month's n values in
// ascending order is equalled or exceeded (n - r) x 100 / n % of the time.
// The monthly tables hold the whole years of the natural record only, the
// first count div 12 years from its start month, so that every month has the
// same number of values.
#include <cstdint>

#include "common/bounded_array.h"
#include "ewr/ewr_state.h"

namespace oewr::ewr {

using RankRow = BoundedArray<float, 0, ecology::kMaxRanks - 1>;

// Constraint of the EWR outputs ("Constrain EWR Outputs").
constexpr int kNoConstraint = 0;
constexpr int kToNaturalFlows = 1;
constexpr int kToPresentDayFlows = 2;
// The limit of "No Constraint", million m3: no real curve reaches it.
constexpr float kUnconstrainedLimit = kMaxMonthlyVolume;

// Whole years of the natural record: count div 12 (0 for an empty record).
int32_t wholeYears(const TimeSeries& natural);

// Hydrological month index of value i of a series, counted from its start month.
int hydroMonthOfValue(const TimeSeries& series, int32_t i);

// Throws ModelError, naming the record and the limit, when the natural record
// cannot be analysed: a start month outside 1 to 12, no whole year, more
// whole years than the 121 ranks of the monthly tables; or when the critical
// months have not been chosen, or the channel cannot carry their maximum
// baseflows.
void checkAnalysisInputs(EwrView state);

// Fills valuesPerMonth, sortedFlows and sortedBaseflows from the whole years
// of the natural record (the present-day values are copied by position); the
// present-day set is sorted only when that series holds values.
void calc_natfdc(EwrParts state);

// The whole final analysis for the selected category (0 .. 6): duration
// curves, constraint limits, the requirements of the ten non-critical months
// from the critical months' reduction fractions, smoothing, the non-decreasing
// repair, monthly volumes, the constraint caps, the high flows, the EWR
// series of every category (ewrSeries keeps the selected one) and the
// long-term means. The critical months of ecoLowReq are only read.
void calc_ewr_months(EwrParts state, int category, int constraintMode, bool includeHighFlows);

// Nine-point running mean in place, ranks ascending, each rank using the
// already smoothed values below it. Below rank 0 the curve is padded with
// Y[0], above rank n - 1 with Y[n - 1].
void smoothNinePoint(RankRow& y, int32_t n);

// Makes a curve non-decreasing: a falling stretch rises from the value before
// it towards the next rising value in steps of (Y[j] - Y[r - 1]) / n; a
// falling stretch at the top takes the value before it.
void makeNonDecreasing(RankRow& y, int32_t n);

// The requirement at natural flow q of a month: the requirement curve `low`
// read at q's place on the month's natural duration curve `sorted` (n values
// ascending), linearly between neighbouring ranks. Two neighbours closer than
// 0.00001 give the lower rank's requirement. A flow below the curve takes the
// requirement of rank 0, above it that of rank n - 1; a month with a single
// value gives that value's requirement.
float ewrAtFlow(const RankRow& sorted, const RankRow& low, int32_t n, float q);

// The same in two parts, so that the place of a flow, which is the same for
// every category, is found once: the place of q on `sorted` (-1 for an empty
// month, 0 below the curve or with a single value, n above it, otherwise the
// first rank j >= 1 with q <= sorted[j]), and the requirement at that place.
int32_t flowPlace(const RankRow& sorted, int32_t n, float q);
float ewrAtPlace(const RankRow& sorted, const RankRow& low, int32_t n, float q, int32_t place);

// The mean requirement of each hydrological month (October = 0) over the
// whole years of the natural record, for the category calc_ewr_months last
// selected: the low flows, and the totals of ewrSeries (with the high flows
// when they were included). Zero when the record holds no whole year.
struct MonthlyRequirements {
  BoundedArray<float, 0, 11> low;
  BoundedArray<float, 0, 11> total;
};
MonthlyRequirements monthlyMeanRequirements(EwrView state, int category);

}  // namespace oewr::ewr
