#include "floods/high_flows.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/timeseries_codec.h"

namespace oewr::floods {

EventLadder buildEventLadder(const std::vector<FloodCategoryRow>& rows) {
  EventLadder ladder;
  int32_t k = 1;
  for (const FloodCategoryRow& row : rows) {
    for (int32_t e = 0; e < row.events; ++e) {
      if (k > kMaxLadderEvents)
        throw RangeError(formatText("Flood events: more than the %d events of five categories", kMaxLadderEvents));
      ladder.v[k] = row.volume;
      ladder.code[k] = row.code;
      ladder.E[k] = ladder.E[k - 1];
      if (ladder.code[k - 1] < 2) {
        ladder.n[k] = ladder.n[k - 1] + 1;
        ladder.E[k][ladder.n[k]] = ladder.v[k];
        ladder.C[k] = ladder.C[k - 1] + ladder.v[k];
      } else {
        // The event takes the place of the rare event before it.
        ladder.n[k] = ladder.n[k - 1];
        ladder.E[k][ladder.n[k]] = ladder.v[k];
        ladder.C[k] = ladder.C[k - 1] + ladder.v[k] - ladder.v[k - 1];
      }
      ++k;
    }
  }
  ladder.K = k - 1;
  return ladder;
}

int32_t floodLevel(const EventLadder& ladder, float target) {
  // Naturalised records hold negative months: a year below no flow has no flood.
  if (!(target >= 0.0f)) return 0;
  for (int32_t k = 1; k <= ladder.K; ++k)
    if (ladder.C[k - 1] <= target && target < ladder.C[k]) return k - 1;
  return ladder.K;
}

namespace {

// The 12 months sorted by their remaining flow (1-based, ascending), with the
// month of each entry.
struct SortedMonths {
  std::vector<float> flow = std::vector<float>(13, 0.0f);
  std::vector<int32_t> month = std::vector<int32_t>(13, 0);
  void sort() { hostdb::sortWithIndex(flow, month, 12); }
};

}  // namespace

std::array<float, 12> placeEvents(std::array<float, 12> remaining, const EventLadder& ladder, int32_t level) {
  std::array<float, 12> flood{};
  if (level < 1) return flood;
  const int32_t n = ladder.n[level];
  std::vector<bool> placed(static_cast<std::size_t>(n) + 1, false);
  SortedMonths s;
  for (int m = 0; m < 12; ++m) {
    s.flow[static_cast<std::size_t>(m) + 1] = remaining[static_cast<std::size_t>(m)];
    s.month[static_cast<std::size_t>(m) + 1] = m;
  }
  s.sort();

  // Pass 1: one event a month, from the largest month down; a level of more
  // than 12 events leaves the rest to pass 2.
  for (int32_t j = n; j >= 1; --j) {
    const int32_t pos = 12 - (n - j);
    if (pos < 1) break;
    const float e = ladder.E[level][j];
    const auto p = static_cast<std::size_t>(pos);
    if (e < s.flow[p]) {
      flood[static_cast<std::size_t>(s.month[p])] = e;
      s.flow[p] -= e;
      placed[static_cast<std::size_t>(j)] = true;
    }
  }

  // Pass 2: each event left goes into the month with the most flow left,
  // taking no more than that month still has.
  s.sort();
  for (int32_t j = n; j >= 1; --j) {
    if (placed[static_cast<std::size_t>(j)]) continue;
    const float e = ladder.E[level][j];
    float& left = s.flow[12];
    float& f = flood[static_cast<std::size_t>(s.month[12])];
    if (e >= left) {
      f += left;
      left = 0.0f;
    } else {
      f += e;
      left -= e;
    }
    s.sort();
  }
  return flood;
}

HighFlowRun prepareHighFlows(const ModelState& state, const std::vector<FloodCategoryRow>& rows) {
  const TimeSeries& natural = state.site.naturalFlows;
  const int32_t count = natural.header.count;
  if (count < 1) throw ModelError("No natural flows have been read: the flood requirements need them");
  HighFlowRun run;
  run.years = count / 12;
  if (run.years < 5)
    throw ModelError(formatText("The natural flows hold %d whole years (%d months): the flood requirements need at "
                                "least 5 years to find the 20 %% exceedance year",
                                run.years, count));
  if (run.years > kMaxFloodYears)
    throw ModelError(formatText("The natural flows hold %d whole years: the flood requirements take at most %d",
                                run.years, kMaxFloodYears));
  const int32_t N = run.years;

  // 1. Natural high flows of the whole years.
  run.highFlow.assign(static_cast<std::size_t>(N), {});
  run.annualHighFlow.assign(static_cast<std::size_t>(N), 0.0f);
  for (int32_t y = 0; y < N; ++y) {
    float total = 0.0f;
    for (int m = 0; m < 12; ++m) {
      const int32_t i = 12 * y + m;
      const float h = natural.values[i] - natural.baseflows[i];
      run.highFlow[static_cast<std::size_t>(y)][static_cast<std::size_t>(m)] = h;
      total += h;
    }
    run.annualHighFlow[static_cast<std::size_t>(y)] = total;
  }

  // 2. Event ladder.
  run.ladder = buildEventLadder(rows);

  // 3. Years ranked by their annual high flow.
  std::vector<float> sorted(static_cast<std::size_t>(N) + 1, 0.0f);
  std::vector<int32_t> years(static_cast<std::size_t>(N) + 1, 0);
  for (int32_t y = 0; y < N; ++y) {
    sorted[static_cast<std::size_t>(y) + 1] = run.annualHighFlow[static_cast<std::size_t>(y)];
    years[static_cast<std::size_t>(y) + 1] = y;
  }
  hostdb::sortWithIndex(sorted, years, N);
  run.sortedTotals.assign(sorted.begin() + 1, sorted.end());
  run.yearOfRank.assign(years.begin() + 1, years.end());
  run.rankOfYear.assign(static_cast<std::size_t>(N), 0);
  run.exceedance.assign(static_cast<std::size_t>(N), 0.0f);
  for (int32_t r = 0; r < N; ++r) {
    run.rankOfYear[static_cast<std::size_t>(run.yearOfRank[static_cast<std::size_t>(r)])] = r;
    run.exceedance[static_cast<std::size_t>(r)] = static_cast<float>((N - r) * 100) / static_cast<float>(N);
  }
  for (int32_t r = 2; r < N; ++r)
    if (run.exceedance[static_cast<std::size_t>(r) - 1] > 20.0f && run.exceedance[static_cast<std::size_t>(r)] <= 20.0f) {
      run.r20 = r;
      break;
    }

  // 4. Volume ratio within its limits.
  float ratio = run.ladder.C[run.ladder.K] / run.sortedTotals[static_cast<std::size_t>(run.r20)];
  if (ratio < state.floods.floodConstraint || std::isnan(ratio)) ratio = state.floods.floodConstraint;
  run.shownRatio = ratio;
  if (ratio > kMaxVolumeRatio) {
    run.ratioCut = true;
    ratio = kMaxVolumeRatio;
  }
  run.ratio = ratio;
  return run;
}

float rankFactor(const HighFlowRun& run, int s, int32_t r) {
  const float R = run.ratio;
  if (r >= run.r20) return R;
  const float f = R - static_cast<float>(s) * R / 6.0f;
  const float w = (100.0f - run.exceedance[static_cast<std::size_t>(r)]) / 80.0f;
  return (R - f) * w + f;
}

int hydroMonthOfPosition(const ModelState& state, int m) {
  const int start = state.site.naturalFlows.header.startMonth;
  if (start < 1 || start > 12) return m;
  return hydroMonthIndex((start - 1 + m) % 12 + 1);
}

void clearHighFlows(ModelState& state) {
  for (auto& series : state.floods.highFlowSeries) series.fill(0.0f);
  for (auto& month : state.floods.highFlowAssurance)
    for (auto& category : month) category.fill(0.0f);
}

void placeHighFlows(ModelState& state, const HighFlowRun& run) {
  clearHighFlows(state);
  const int32_t N = run.years;
  for (int s = 0; s < kCategoryCount; ++s) {
    std::vector<float> factor(static_cast<std::size_t>(N));
    std::vector<int32_t> level(static_cast<std::size_t>(N));
    for (int32_t r = 0; r < N; ++r) {
      factor[static_cast<std::size_t>(r)] = rankFactor(run, s, r);
      const float target = run.sortedTotals[static_cast<std::size_t>(r)] * factor[static_cast<std::size_t>(r)];
      level[static_cast<std::size_t>(r)] = floodLevel(run.ladder, target);
    }
    auto& series = state.floods.highFlowSeries[s];
    for (int32_t y = 0; y < N; ++y) {
      const auto r = static_cast<std::size_t>(run.rankOfYear[static_cast<std::size_t>(y)]);
      std::array<float, 12> remaining{};
      for (std::size_t m = 0; m < 12; ++m) remaining[m] = run.highFlow[static_cast<std::size_t>(y)][m] * factor[r];
      const std::array<float, 12> flood = placeEvents(remaining, run.ladder, level[r]);
      for (int m = 0; m < 12; ++m) series[12 * y + m] = flood[static_cast<std::size_t>(m)];
    }
    for (int m = 0; m < 12; ++m) {
      std::vector<float> values;
      values.reserve(static_cast<std::size_t>(N));
      for (int32_t y = 0; y < N; ++y) values.push_back(series[12 * y + m]);
      std::sort(values.begin(), values.end());
      auto& ranks = state.floods.highFlowAssurance[hydroMonthOfPosition(state, m)][s];
      for (int32_t r = 0; r < N; ++r) ranks[r] = values[static_cast<std::size_t>(r)];
    }
  }
}

HighFlowRun generate_ts(ModelState& state, const std::vector<FloodCategoryRow>& rows) {
  HighFlowRun run = prepareHighFlows(state, rows);
  placeHighFlows(state, run);
  state.floods.floodVolumeRatio = run.ratio;
  return run;
}

}  // namespace oewr::floods
