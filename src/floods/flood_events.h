#pragma once
// Flood events of one flood category: the rating the flood window uses and
// its bankfull discharge, the level of the maximum wet-season baseflow, the
// default peaks, the peak discharge of a flood depth, the time to peak and
// duration, the synthetic hydrograph with its event volume, and the volume
// totals of the accepted categories.
#include <array>
#include <cstdint>
#include <vector>

#include "charting/chart.h"
#include "floods/flood_state.h"

namespace oewr::floods {

// Catchment shapes "Round ", "Oval", "Elongated" and their shape factors.
extern const std::array<const char*, 3> kShapeNames;
extern const std::array<float, 3> kShapeFactors;
// River slopes "Gentle", "Moderate", "Steep", "Very Steep" and their values.
extern const std::array<const char*, 4> kSlopeNames;
extern const std::array<float, 4> kSlopeValues;
// Frequencies of the "Frequency" group.
extern const std::array<const char*, 3> kFrequencyNames;

// Default peak fractions of the bankfull discharge of flood categories 1 .. 5
// (index 0 .. 4): T1 for a low hydrological variability, T2 and T3.
extern const std::array<float, 5> kPeakFractionT1;
extern const std::array<float, 5> kPeakFractionT2;
extern const std::array<float, 5> kPeakFractionT3;
// Default number of events and frequency code ("1", "2" or "5") of flood
// categories 1 .. 5, and their frequency index in the "Frequency" group.
extern const std::array<int32_t, 5> kDefaultEvents;
extern const std::array<int32_t, 5> kDefaultFrequencyIndex;
extern const std::array<int32_t, 5> kDefaultFrequencyCode;

// Builds floodDepthStep and floodRatingFlow for the stageCount steps of the
// last hydraulics run (the mean of the lower and upper discharge estimates)
// and sets bankfullDischarge to the last step's discharge, or 0 when there is
// no step. A stage count beyond the stage grid throws RangeError.
void build_flood_rating(FloodParts state);

// Depth of the first step i with floodRatingFlow[i] <= maxBaseflowWet <=
// floodRatingFlow[i + 1]; 0 when the baseflow lies outside the rating (or
// the rating has fewer than two steps). Also sets floodBaseflowDepth.
float baseflow_level(FloodParts state);

// sqrt(bankfullDischarge) - sqrt(maxBaseflowWet); also sets peakScaleRoot.
float peak_scale_root(FloodParts state);

// Default peak discharge of flood category k (1 .. 5): T1[k] x bankfull for a
// hydrological variability below 2, else between T2[k] and T3[k] by the
// S-curve of the variability over 40.
float defaultPeak(int k, float hydroVariability, float bankfullDischarge);

// Index of the rating step of depth d (m): the first step whose depth is
// less than 1 mm below d. -1 when d lies above the last step (or there is no
// step).
int32_t ratingStepAtDepth(FloodView state, float d);

// Time to peak (whole hours) and duration (hours) of a flood.
struct FloodTiming {
  int32_t timeToPeak = 0;
  float duration = 0;
};

// The time to peak of the catchment, T = (0.87 L^2 / (10 S))^0.385 with
// L = 2 sqrt(A 7 / 22) x shape factor, scaled by (sqrt(peak) / peakScaleRoot
// + 1) / 2 and rounded; the duration T_p x f + (2 / T_p) x f. Without a
// positive peakScaleRoot (baseflow at or above bankfull), a positive
// catchment area or a peak of at least 0, both are 0: the flood has no
// hydrograph. A catchment that peaks in under half an hour counts one hour.
FloodTiming floodTiming(float catchmentArea, int shapeIndex, int slopeIndex, float peak, float peakScaleRoot,
                        float durationFactor);

// The synthetic hydrograph of 1001 points (hours, m3/s): a sine rising to the
// peak at T_p, falling to a quarter of it at 2.5 T_p and to 0 at T_d; and its
// volume in million m3. No points and no volume when T_p or T_d is not above 0.
struct Hydrograph {
  std::vector<charting::Point> points;
  float volume = 0;
};
Hydrograph hydrograph(float peak, int32_t timeToPeak, int32_t duration);

// One row of the category table as numbers.
struct FloodCategoryRow {
  float volume = 0;    // event volume, million m3
  int32_t events = 0;  // number of events
  int32_t code = 0;    // frequency code: 1 annual, 2 or 3 (accepted) / 5 (default) rarer
};

// Reads rows 1 .. 5 of the category table. A cell that holds no number (or a
// number of events above 5, or a frequency code outside 1 .. 5) throws
// ModelError naming the row, the column and the text.
std::vector<FloodCategoryRow> readCategoryRows(const FloodCategoryTable& table);

// Totals t[1 .. 5] of the accepted categories (index 0 unused): code 1 adds
// events x volume to t[1]; codes 2 to 5 set t[code] to events x volume plus
// the annual total of the rows above.
std::array<float, 6> volumeTotals(const std::vector<FloodCategoryRow>& rows);

}  // namespace oewr::floods
