#pragma once
// The high-flow part of the ecological reserve ("Generate T/S"): the natural
// high flows of the record's whole years, the ladder of flood events of the
// accepted categories, the years ranked by their annual high flow, the volume
// ratio and, for each ecological category, the flood volumes placed into the
// months of each year and their monthly duration curves.
#include <array>
#include <cstdint>
#include <vector>

#include "common/bounded_array.h"
#include "floods/flood_events.h"
#include "floods/flood_state.h"

namespace oewr::floods {

// Every event the window can define: five categories of up to five events.
constexpr int kMaxLadderEvents = kFloodCategoryCount * 5;
// Whole years of the natural record the monthly tables hold.
constexpr int kMaxFloodYears = ecology::kMaxRanks;
constexpr float kMaxVolumeRatio = 0.7f;

// Levels 0 .. K of flood events: level k holds the n[k] events E[k][1 ..
// n[k]] of total volume C[k]. An event that follows a 1-in-2 or 1-in-5
// event takes that event's place in the level instead of adding to it.
struct EventLadder {
  int32_t K = 0;
  BoundedArray<float, 0, kMaxLadderEvents> v;         // v[1 .. K]
  BoundedArray<int32_t, 0, kMaxLadderEvents> code;    // code[1 .. K]; code[0] = 0
  BoundedArray<int32_t, 0, kMaxLadderEvents> n;       // n[0] = 0
  BoundedArray<float, 0, kMaxLadderEvents> C;         // C[0] = 0
  BoundedArray<BoundedArray<float, 1, kMaxLadderEvents>, 0, kMaxLadderEvents> E;
};

// The ladder of the category rows in order, each row's events repeated;
// rows with fewer than 1 event add nothing.
EventLadder buildEventLadder(const std::vector<FloodCategoryRow>& rows);

// The level of a target volume: k - 1 for the first k with C[k - 1] <= T <
// C[k]; K when T reaches beyond every level; 0 (no flood) for a negative T.
int32_t floodLevel(const EventLadder& ladder, float target);

// Places the events of a level into the 12 months of a year whose remaining
// high flows are S: first each event, largest month first, into a month of
// its own where it fits below that month's remaining flow; then every event
// not placed into the month of the largest remaining flow, taking at most
// what remains there. Returns the flood volume of each month.
std::array<float, 12> placeEvents(std::array<float, 12> remaining, const EventLadder& ladder, int32_t level);

// Working data of one "Generate T/S" run.
struct HighFlowRun {
  int32_t years = 0;  // N, whole years of the natural record
  std::vector<std::array<float, 12>> highFlow;  // H[y][m] = flow - baseflow
  std::vector<float> annualHighFlow;            // A[y]
  std::vector<float> sortedTotals;              // A_s[r], ascending
  std::vector<int32_t> yearOfRank;
  std::vector<int32_t> rankOfYear;
  std::vector<float> exceedance;                // p[r] = (N - r) x 100 / N
  int32_t r20 = 0;                              // first rank of the wettest 20 %
  EventLadder ladder;
  float shownRatio = 0;  // R raised to the constraint, as the "Constraint value" box shows it
  bool ratioCut = false; // R was above 0.7 and is cut to it
  float ratio = 0;       // R as used
};

// Steps before the placement: checks the record (at least 1 and at most 121
// whole years; at least 5 for the 20 % exceedance year) and throws ModelError
// naming the record and the limit; then the high flows, the ladder, the
// ranking and the ratio.
HighFlowRun prepareHighFlows(FloodView state, const std::vector<FloodCategoryRow>& rows);

// Factor of the high flows of rank r for ecological category s (0 = A .. 6 =
// D): R for the wettest 20 % of years; below, from R - s R / 6 in the driest
// year rising linearly with the exceedance to R.
float rankFactor(const HighFlowRun& run, int s, int32_t r);

// Fills highFlowSeries and highFlowAssurance from a prepared run. The months
// of a last partial year get no flood volume; highFlowAssurance holds one
// value for each whole year, by the hydrological month of its position.
void placeHighFlows(FloodParts state, const HighFlowRun& run);

// "Generate T/S" without the window: prepare, place, and keep the ratio used
// in floodVolumeRatio.
HighFlowRun generate_ts(FloodParts state, const std::vector<FloodCategoryRow>& rows);

// Zero high flows, as before the first "Generate T/S".
void clearHighFlows(FloodParts state);

// Hydrological month (0 = October) of position m (0 .. 11) of a year of the
// natural record, counted from its start month; position m when the start
// month is not 1 to 12.
int hydroMonthOfPosition(FloodView state, int m);

}  // namespace oewr::floods
