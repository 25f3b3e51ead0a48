#include "ewr/assurance_rules.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/errors.h"
#include "hostdb/timeseries_codec.h"
#include "hydraulics/rating_curve.h"

namespace oewr::ewr {

namespace {

// Sorts the first n entries of a rank row into ascending order.
void sortRow(RankRow& row, int32_t n) {
  std::vector<float> values(static_cast<std::size_t>(n) + 1, 0.0f);
  std::vector<int32_t> companions(static_cast<std::size_t>(n) + 1, 0);
  for (int32_t k = 0; k < n; ++k) {
    values[static_cast<std::size_t>(k) + 1] = row[k];
    companions[static_cast<std::size_t>(k) + 1] = k;
  }
  hostdb::sortWithIndex(values, companions, n);
  for (int32_t k = 0; k < n; ++k) row[k] = values[static_cast<std::size_t>(k) + 1];
}

void clearMonthRanks(MonthRanks& table) {
  for (auto& month : table) month.fill(0.0f);
}

void clearMonthCategoryRanks(ecology::MonthCategoryRanks& table) {
  for (auto& month : table)
    for (auto& category : month) category.fill(0.0f);
}

}  // namespace

int32_t wholeYears(const TimeSeries& natural) {
  return natural.header.count > 0 ? natural.header.count / 12 : 0;
}

int hydroMonthOfValue(const TimeSeries& series, int32_t i) {
  const int calendar = (series.header.startMonth - 1 + i % 12) % 12 + 1;
  return hydroMonthIndex(calendar);
}

void checkAnalysisInputs(EwrView state) {
  const TimeSeriesHeader& h = state.site.naturalFlows.header;
  if (h.startMonth < 1 || h.startMonth > 12)
    throw ModelError("Natural flows: the start month " + std::to_string(h.startMonth) +
                     " is not a month of the year (1 to 12)");
  const int32_t years = wholeYears(state.site.naturalFlows);
  if (years < 1)
    throw ModelError("Natural flows: " + std::to_string(h.count) +
                     " monthly values hold no whole year; the final analysis needs at least 12 values");
  if (years > ecology::kMaxRanks)
    throw ModelError("Natural flows: " + std::to_string(years) +
                     " whole years are more than the final analysis can hold (at most " +
                     std::to_string(ecology::kMaxRanks) + " years)");
  for (int month : {state.hydrology.criticalWetMonth, state.hydrology.criticalDryMonth})
    if (month < 1 || month > 12)
      throw ModelError("The critical wet and dry months have not been chosen (wet " +
                       std::to_string(state.hydrology.criticalWetMonth) + ", dry " + std::to_string(state.hydrology.criticalDryMonth) +
                       "): run the hydrology plots first");
  if (auto why = hydraulics::channelCapacityShortfall(state)) throw ModelError(*why);
}

void calc_natfdc(EwrParts state) {
  state.ewr.valuesPerMonth.fill(0);
  for (int set = 0; set < 2; ++set) {
    clearMonthRanks(state.ewr.sortedFlows[set]);
    clearMonthRanks(state.ewr.sortedBaseflows[set]);
  }
  const TimeSeries& natural = state.site.naturalFlows;
  const TimeSeries& present = state.site.presentFlows;
  // Whole years only: a record that ends inside a year would otherwise give
  // the months of its last part one value more than the others.
  const int32_t values = wholeYears(natural) * 12;
  int calendar = natural.header.startMonth;
  for (int32_t i = 0; i < values; ++i) {
    const int m = hydroMonthIndex(calendar);
    const int32_t k = state.ewr.valuesPerMonth[m];
    state.ewr.sortedFlows[0][m][k] = natural.values[i];
    state.ewr.sortedFlows[1][m][k] = present.values[i];
    state.ewr.sortedBaseflows[0][m][k] = natural.baseflows[i];
    state.ewr.sortedBaseflows[1][m][k] = present.baseflows[i];
    state.ewr.valuesPerMonth[m] += 1;
    calendar = calendar == 12 ? 1 : calendar + 1;
  }
  const int sets = present.header.count >= 1 ? 2 : 1;
  for (int set = 0; set < sets; ++set)
    for (int m = 0; m < 12; ++m) sortRow(state.ewr.sortedFlows[set][m], state.ewr.valuesPerMonth[m]);
  for (int set = 0; set < sets; ++set)
    for (int m = 0; m < 12; ++m) sortRow(state.ewr.sortedBaseflows[set][m], state.ewr.valuesPerMonth[m]);
}

void smoothNinePoint(RankRow& y, int32_t n) {
  for (int32_t r = 0; r < n; ++r) {
    float s;
    if (r < 4) {
      s = static_cast<float>(4 - r) * y[0];
      for (int32_t k = 0; k <= r + 4; ++k) s += y[k < n ? k : n - 1];
    } else if (r <= n - 5) {
      s = y[r - 4];
      for (int32_t k = r - 3; k <= r + 4; ++k) s += y[k];
    } else {
      s = static_cast<float>(5 - n + r) * y[n - 1];
      for (int32_t k = r - 4; k <= n - 1; ++k) s += y[k];
    }
    y[r] = s / 9.0f;
  }
}

void makeNonDecreasing(RankRow& y, int32_t n) {
  if (n < 2) return;
  std::vector<bool> rising(static_cast<std::size_t>(n), false);
  rising[0] = true;
  float highest = y[0];
  for (int32_t r = 1; r < n; ++r) {
    if (y[r] > highest) {
      highest = y[r];
      rising[static_cast<std::size_t>(r)] = true;
    }
  }
  int32_t r = 1;
  while (r < n) {
    if (rising[static_cast<std::size_t>(r)]) {
      ++r;
    } else if (r == n - 1) {
      y[n - 1] = y[n - 2];
      ++r;
    } else {
      int32_t j = r + 1;
      while (j < n && !rising[static_cast<std::size_t>(j)]) ++j;
      if (j < n) {
        // The step is a share of the whole month (n), not of the gap.
        for (int32_t k = r; k < j; ++k)
          y[k] = y[r - 1] + static_cast<float>(k - r + 1) * (y[j] - y[r - 1]) / static_cast<float>(n);
      } else {
        for (int32_t k = r; k < n; ++k) y[k] = y[r - 1];
      }
      r = j;
    }
  }
}

int32_t flowPlace(const RankRow& sorted, int32_t n, float q) {
  if (n < 1) return -1;
  if (n == 1 || q < sorted[0]) return 0;
  for (int32_t j = 1; j < n; ++j)
    if (q <= sorted[j]) return j;
  return n;
}

float ewrAtPlace(const RankRow& sorted, const RankRow& low, int32_t n, float q, int32_t place) {
  if (place < 0) return 0.0f;
  if (place == 0) return low[0];
  if (place >= n) return low[n - 1];
  const int32_t j = place;
  const float d = sorted[j] - sorted[j - 1];
  if (d < 0.00001f) return low[j - 1];
  return low[j - 1] + (low[j] - low[j - 1]) * (q - sorted[j - 1]) / d;
}

float ewrAtFlow(const RankRow& sorted, const RankRow& low, int32_t n, float q) {
  return ewrAtPlace(sorted, low, n, q, flowPlace(sorted, n, q));
}

namespace {

void buildConstraintLimits(EwrParts state, int constraintMode) {
  clearMonthRanks(state.ewr.totalLimit);
  for (int m = 0; m < 12; ++m)
    for (int32_t r = 0; r < state.ewr.valuesPerMonth[m]; ++r) {
      switch (constraintMode) {
        case kToNaturalFlows: state.ewr.totalLimit[m][r] = state.ewr.sortedFlows[0][m][r]; break;
        case kToPresentDayFlows: state.ewr.totalLimit[m][r] = state.ewr.sortedFlows[1][m][r]; break;
        default: state.ewr.totalLimit[m][r] = kUnconstrainedLimit; break;
      }
    }
}

void buildReductionFractions(EwrParts state, int wet, int dry) {
  const MonthRanks& nb = state.ewr.sortedBaseflows[0];
  for (auto& category : state.ewr.reductionFraction)
    for (auto& slot : category) slot.fill(0.0f);
  for (int c = 0; c < kCategoryCount; ++c) {
    const int months[2] = {wet, dry};
    for (int slot = 0; slot < 2; ++slot) {
      const int month = months[slot];
      for (int32_t r = 0; r < state.ewr.valuesPerMonth[month]; ++r) {
        const float b = nb[month][r];
        // A volume and a discharge as they stand: the derived requirement of
        // the other months is again in m3/s.
        state.ewr.reductionFraction[c][slot][r] = b > 0.0f ? (b - state.ecology.ecoLowReq[month][c][r]) / b : 1.0f;
      }
    }
  }
}

// The requirement (m3/s) of a month between the critical months, smoothed
// and made non-decreasing.
void interpolateMonth(EwrParts state, int c, int m, int wet, int dry) {
  const MonthRanks& nb = state.ewr.sortedBaseflows[0];
  const int32_t n = state.ewr.valuesPerMonth[m];
  RankRow& y = state.ecology.ecoLowReq[m][c];
  for (int32_t r = 0; r < n; ++r) {
    const float delta = nb[wet][r] - nb[dry][r];
    const float w = delta > 0.0f ? (nb[wet][r] - nb[m][r]) / delta : 0.0f;
    const float wetFraction = state.ewr.reductionFraction[c][0][r];
    const float dryFraction = state.ewr.reductionFraction[c][1][r];
    const float f = (w > 1.0f || w < 0.0f) ? (dryFraction + wetFraction) / 2.0f
                                           : w * dryFraction + (1.0f - w) * wetFraction;
    y[r] = nb[m][r] - nb[m][r] * f;
  }
  smoothNinePoint(y, n);
  makeNonDecreasing(y, n);
}

}  // namespace

void calc_ewr_months(EwrParts state, int category, int constraintMode, bool includeHighFlows) {
  if (category < 0 || category >= kCategoryCount)
    throw RangeError("Final analysis: category " + std::to_string(category) + " outside 0..6");
  if (constraintMode < kNoConstraint || constraintMode > kToPresentDayFlows)
    throw RangeError("Final analysis: constraint " + std::to_string(constraintMode) + " outside 0..2");
  checkAnalysisInputs(state);

  calc_natfdc(state);
  buildConstraintLimits(state, constraintMode);
  const int wet = hydroMonthIndex(state.hydrology.criticalWetMonth);
  const int dry = hydroMonthIndex(state.hydrology.criticalDryMonth);
  buildReductionFractions(state, wet, dry);

  for (int c = 0; c < kCategoryCount; ++c)
    for (int m = 0; m < 12; ++m)
      if (m != wet && m != dry) interpolateMonth(state, c, m, wet, dry);

  clearMonthCategoryRanks(state.ewr.lowFlowAssurance);
  clearMonthCategoryRanks(state.ewr.totalFlowAssurance);
  for (int c = 0; c < kCategoryCount; ++c) {
    for (int m = 0; m < 12; ++m) {
      // February always counts 28 days.
      const float days = static_cast<float>(hostdb::daysInMonth(1999, calendarMonthOf(m)));
      for (int32_t r = 0; r < state.ewr.valuesPerMonth[m]; ++r) {
        const float volume = days * state.ecology.ecoLowReq[m][c][r] * 24.0f * 0.0036f;
        float& low = state.ewr.lowFlowAssurance[m][c][r];
        float& total = state.ewr.totalFlowAssurance[m][c][r];
        low = volume;
        total = volume;
        const float limit = state.ewr.totalLimit[m][r];
        if (total > limit) {
          total = limit;
          low = limit;
        }
        if (includeHighFlows) {
          total += state.floods.highFlowAssurance[m][c][r];
          if (total > limit) total = limit;
        }
      }
    }
  }

  // EWR series and long-term means over the whole years of the record. Each
  // value is read on the duration curve of its own month.
  const TimeSeries& natural = state.site.naturalFlows;
  const int32_t years = wholeYears(natural);
  const int32_t count = natural.header.count;
  state.ewr.ewrSeries.fill(0.0f);
  std::vector<int32_t> places(static_cast<std::size_t>(std::max(count, 0)));
  for (int32_t i = 0; i < count; ++i) {
    const int m = hydroMonthOfValue(natural, i);
    places[static_cast<std::size_t>(i)] =
        flowPlace(state.ewr.sortedFlows[0][m], state.ewr.valuesPerMonth[m], natural.values[i]);
  }
  for (int c = 0; c < kCategoryCount; ++c) {
    float sumTotal = 0.0f;
    float sumLow = 0.0f;
    for (int32_t i = 0; i < count; ++i) {
      const int m = hydroMonthOfValue(natural, i);
      float e = ewrAtPlace(state.ewr.sortedFlows[0][m], state.ewr.lowFlowAssurance[m][c], state.ewr.valuesPerMonth[m],
                           natural.values[i], places[static_cast<std::size_t>(i)]);
      const bool wholeYear = i < years * 12;
      if (wholeYear) {
        sumLow += e;
        sumTotal += e;
      }
      if (includeHighFlows) {
        const float high = state.floods.highFlowSeries[c][i];
        if (wholeYear) sumTotal += high;
        e += high;
      }
      if (c == category) state.ewr.ewrSeries[i] = e;
    }
    state.ewr.meanTotalEwr[c] = sumTotal / static_cast<float>(years);
    state.ewr.meanLowEwr[c] = sumLow / static_cast<float>(years);
  }
}

MonthlyRequirements monthlyMeanRequirements(EwrView state, int category) {
  MonthlyRequirements r;
  r.low.fill(0.0f);
  r.total.fill(0.0f);
  const TimeSeries& natural = state.site.naturalFlows;
  const int32_t years = wholeYears(natural);
  if (years <= 0) return r;
  for (int32_t i = 0; i < years * 12; ++i) {
    const int m = hydroMonthOfValue(natural, i);
    r.low[m] += ewrAtFlow(state.ewr.sortedFlows[0][m], state.ewr.lowFlowAssurance[m][category],
                          state.ewr.valuesPerMonth[m], natural.values[i]);
    r.total[m] += state.ewr.ewrSeries[i];
  }
  for (int m = 0; m < 12; ++m) {
    r.low[m] /= static_cast<float>(years);
    r.total[m] /= static_cast<float>(years);
  }
  return r;
}

}  // namespace oewr::ewr
