#pragma once
// Baseflow separation of a monthly flow series by a one-parameter recursive
// digital filter, the baseflow and hydrological indices, the exceedence value
// of a month's flows and the choice of the critical wet and dry months.
#include <vector>

#include "hydrology/hydrology_state.h"

namespace oewr::hydrology {

// Mean CV of January to March (wet) or June to August (dry); when fewer than
// two of the three are above 0, December (wet) or September (dry) is added
// when above 0, otherwise April (wet) or May (dry).
float wetSeasonCv(const TimeSeries& s);
float drySeasonCv(const TimeSeries& s);

// Separates the series' flows into baseflows with the filter parameters A and
// B (B = 0.5 is the Lyne and Hollick filter) and sets bfi and hydroIndex.
// Uses mar and monthCv from read_tsdata. Without a full year or a mean annual
// runoff above 0, bfi is 0.
void do_baseflow(TimeSeries& s, float a, float b);

// The value of n yearly values equalled or exceeded p % of the time: in an
// ascending sort, the value at the first position i whose (n - i) 100 / n is
// below p. When no position qualifies (p at or below 100 / n) it is the
// largest value; 0 without values.
float exceedenceValue(const std::vector<float>& values, int p);

// The critical months chosen from the natural series at exceedence point p
// and their flows (million m3 per month).
struct CriticalMonthFlows {
  int wetMonth = 0;  // calendar month 1 .. 12; 0 when none could be chosen
  int dryMonth = 0;
  float qTotal75Wet = 0;
  float qTotal75Dry = 0;
  float qBaseWet = 0;
  float qBaseDry = 0;
};

// Of the twelve months from October on, the one whose baseflow at p is the
// largest (above 0) is the wet month and the one with the smallest the dry
// month; ties keep the earlier month. Nothing is chosen without a full year.
CriticalMonthFlows chooseCriticalMonths(const TimeSeries& natural, int p);

// A monthly volume (million m3) as a flow (m3/s) and back, with the days of
// calendar month 1 .. 12 in a year that is not a leap year.
float volumeToFlow(float volume, int calendarMonth);
float flowToVolume(float flow, int calendarMonth);

}  // namespace oewr::hydrology
