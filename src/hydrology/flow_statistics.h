#pragma once
// Annual and monthly statistics of a monthly flow series (million m3 per
// month), its monthly flow-duration tables, the checks that decide whether the
// hydrology window can analyse a series, and the summary list of a series.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/bounded_array.h"
#include "hydrology/hydrology_state.h"

namespace oewr::hydrology {

// Duration points (% of time equalled or exceeded) of the monthly tables.
constexpr int kDurationPointCount = 21;
extern const std::array<float, kDurationPointCount> kDurationPoints;

// Capacity of the hydrology window: its duration buffer holds 2001 monthly
// values and its year-by-month tables 201 years.
constexpr int kMaxAnalysedMonths = 2001;
constexpr int kMaxAnalysedYears = 201;

using SeriesValues = BoundedArray<float, 0, kSeriesCapacity - 1>;
using FdcRow = BoundedArray<float, 0, kDurationPointCount - 1>;
// Year (0 .. 200) by calendar month (0 = January).
using YearMonthTable = BoundedArray<BoundedArray<float, 0, 11>, 0, kMaxAnalysedYears - 1>;

// Position in a descending sort of n values of the value equalled or exceeded
// p % of the time: truncate(n p / 100 + 0.5) - 1, kept within 0 .. n - 1
// (0 for n below 1).
int fdcPosition(int n, float p);

// One month's duration table: the month's first `count` div 12 yearly values
// of the table, sorted into descending order, read at the 21 duration points.
// With no full year the row is 0.
void monthsort(const YearMonthTable& table, int month, int32_t count, FdcRow& fdc);

// The reason the window cannot analyse a series (a start month outside 1 to
// 12, a negative count, more values than its tables hold), or nullopt.
// `label` names the series in the text.
std::optional<std::string> refusalReason(const TimeSeries& s, const std::string& label);

// The limit of a whole run that a series passes, plainly: more whole years
// than kMaxRunYears, or a monthly volume not below kMaxMonthlyVolume (or not a
// number); then `consequence` (what happens to the series) and what the user
// can do. nullopt within the limits. `label` names the series.
std::optional<std::string> runLimitReason(const TimeSeries& s, const std::string& label,
                                          const std::string& consequence);

// Statistics of one series from its values (already in million m3): mar,
// annualSd, annualCv, q75, pctZero, monthMean, monthSd, monthCv and monthFdc.
// Statistics that a short or empty series leaves without a divisor are 0.
// Throws ModelError with the refusal reason for a series it cannot analyse.
void read_tsdata(TimeSeries& s);

// Warnings about a series as real records have them: too short for a year,
// a record ending inside a year, months below zero. Empty when tidy.
std::vector<std::string> seriesWarnings(const TimeSeries& s, const std::string& label);

// The natural series' baseflow duration table (monthBaseFdc): each calendar
// month's baseflows of the full years, in descending order, read at the 21
// duration points. Nothing is done without a full year.
void naturalBaseflowFdc(TimeSeries& natural);

// The n values of each calendar month (0 = January) in the first n full years
// of `data` (the series' values or baseflows), counting months from the
// series' start month.
std::array<std::vector<float>, 12> valuesByCalendarMonth(const TimeSeries& s, const SeriesValues& data, int years);

// Full years of a series: count div 12 (0 for an empty series).
int fullYears(const TimeSeries& s);

// Calendar year and month (1 .. 12) of value number `index` of a series.
void dateOfValue(const TimeSeries& s, int index, int& year, int& month);

// The summary list of a series: natural (ListBox1) or present-day (ListBox2).
// The area printed under "Area" is the site's catchment area; A and B are the
// site's baseflow separation parameters.
std::vector<std::string> display_qdata(const TimeSeries& s, bool natural, const SiteParameters& site);

}  // namespace oewr::hydrology
