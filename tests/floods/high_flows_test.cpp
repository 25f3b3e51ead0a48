#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "common/errors.h"
#include "floods/flood_fixture.h"
#include "floods/high_flows.h"

using namespace oewr;
using namespace oewr::floods;
using oewr::testing::fillNatural;
using oewr::testing::makeFloodState;

namespace {

// The default categories' events and codes with volumes 1 .. 5.
std::vector<FloodCategoryRow> defaultRows() {
  return {{1.0f, 4, 1}, {2.0f, 3, 1}, {3.0f, 1, 1}, {4.0f, 1, 2}, {5.0f, 1, 5}};
}

std::vector<float> levelEvents(const EventLadder& l, int32_t k) {
  std::vector<float> e;
  for (int32_t j = 1; j <= l.n[k]; ++j) e.push_back(l.E[k][j]);
  return e;
}

float levelSum(const EventLadder& l, int32_t k) {
  const auto e = levelEvents(l, k);
  return std::accumulate(e.begin(), e.end(), 0.0f);
}

}  // namespace

TEST(EventLadderTest, DefaultCategoriesGiveTenEvents) {
  const EventLadder l = buildEventLadder(defaultRows());
  EXPECT_EQ(l.K, 10);
  EXPECT_EQ(l.n[9], 9);
  // The 1-in-5 event replaces the 1-in-2 event.
  EXPECT_EQ(l.n[10], 9);
  EXPECT_EQ(levelEvents(l, 10), (std::vector<float>{1, 1, 1, 1, 2, 2, 2, 3, 5}));
  EXPECT_FLOAT_EQ(l.C[10], l.C[9] + l.v[10] - l.v[9]);
  EXPECT_FLOAT_EQ(l.C[9], 4 + 6 + 3 + 4);
  EXPECT_FLOAT_EQ(l.C[0], 0);
}

TEST(EventLadderTest, AReplacedEventNeverComesBack) {
  // An annual event, then a 1-in-2 and two 1-in-5 events: each rare event
  // takes the place of the one before, so the last level is (1, last).
  const EventLadder l = buildEventLadder({{1.0f, 1, 1}, {2.0f, 1, 2}, {3.0f, 1, 5}, {4.0f, 1, 5}});
  EXPECT_EQ(l.K, 4);
  EXPECT_EQ(levelEvents(l, 3), (std::vector<float>{1, 3}));
  EXPECT_EQ(levelEvents(l, 4), (std::vector<float>{1, 4}));
  // Any mix of codes: every level's events add up to its volume.
  const std::vector<std::vector<FloodCategoryRow>> mixes = {
      {{1.0f, 2, 2}, {2.0f, 1, 1}, {3.0f, 2, 3}, {0.5f, 3, 1}, {4.0f, 1, 5}},
      {{1.0f, 1, 1}, {2.0f, 1, 2}, {3.0f, 2, 1}},
      {{1.5f, 5, 5}, {2.5f, 5, 1}, {0.7f, 5, 2}, {0.2f, 5, 1}, {9.0f, 5, 3}}};
  for (const auto& rows : mixes) {
    const EventLadder m = buildEventLadder(rows);
    for (int32_t k = 1; k <= m.K; ++k) EXPECT_NEAR(m.C[k], levelSum(m, k), 1e-4f) << k;
  }
}

TEST(EventLadderTest, HoldsEveryEventOfFiveCategories) {
  const EventLadder l = buildEventLadder({{1, 5, 1}, {2, 5, 1}, {3, 5, 1}, {4, 5, 1}, {5, 5, 1}});
  EXPECT_EQ(l.K, 25);
  EXPECT_EQ(l.n[25], 25);
  EXPECT_FLOAT_EQ(l.C[25], 5 * (1 + 2 + 3 + 4 + 5));
  // Rows without events add nothing.
  EXPECT_EQ(buildEventLadder({{1, 0, 1}, {2, -1, 1}, {3, 2, 1}}).K, 2);
}

TEST(EventLadderTest, LevelOfATarget) {
  const EventLadder l = buildEventLadder(defaultRows());
  EXPECT_EQ(floodLevel(l, 0.0f), 0);
  EXPECT_EQ(floodLevel(l, 0.99f), 0);
  EXPECT_EQ(floodLevel(l, 1.0f), 1);
  EXPECT_EQ(floodLevel(l, 4.5f), 4);
  EXPECT_EQ(floodLevel(l, 1000.0f), 10);
  // A negative target (naturalised records) has no flood, not the top level.
  EXPECT_EQ(floodLevel(l, -0.5f), 0);
  EXPECT_EQ(floodLevel(l, -1000.0f), 0);
}

TEST(PlaceEventsTest, LargestMonthsFirstThenWhatRemains) {
  EventLadder l = buildEventLadder({{2.0f, 1, 1}, {5.0f, 1, 1}});
  std::array<float, 12> s{};
  for (int m = 0; m < 12; ++m) s[static_cast<std::size_t>(m)] = static_cast<float>(m + 1);
  // Level 2: event 2 (5) into the largest month (12), event 1 (2) into the next (11).
  const auto f = placeEvents(s, l, 2);
  EXPECT_FLOAT_EQ(f[11], 5.0f);
  EXPECT_FLOAT_EQ(f[10], 2.0f);
  EXPECT_FLOAT_EQ(std::accumulate(f.begin(), f.end(), 0.0f), 7.0f);
  // Level 0: nothing.
  const auto none = placeEvents(s, l, 0);
  EXPECT_EQ(std::accumulate(none.begin(), none.end(), 0.0f), 0.0f);
}

TEST(PlaceEventsTest, AnEventLargerThanEveryMonthTakesOnlyTheLargestMonthsRemainder) {
  EventLadder l = buildEventLadder({{100.0f, 1, 1}});
  std::array<float, 12> s{};
  for (int m = 0; m < 12; ++m) s[static_cast<std::size_t>(m)] = 0.5f + static_cast<float>(m % 5);
  const auto f = placeEvents(s, l, 1);
  // Month 4 and 9 both hold 4.5, the largest; one of them takes all of it.
  EXPECT_FLOAT_EQ(f[4] + f[9], 4.5f);
  EXPECT_TRUE(f[4] == 0.0f || f[9] == 0.0f);
  EXPECT_FLOAT_EQ(std::accumulate(f.begin(), f.end(), 0.0f), 4.5f);
}

TEST(PlaceEventsTest, MoreEventsThanMonths) {
  // 20 events of 1 in a year of twelve months of 3: the first twelve go one
  // to a month, the other eight onto the months with most left.
  EventLadder l = buildEventLadder({{1, 5, 1}, {1, 5, 1}, {1, 5, 1}, {1, 5, 1}});
  ASSERT_EQ(l.n[20], 20);
  std::array<float, 12> s;
  s.fill(3.0f);
  const auto f = placeEvents(s, l, 20);
  EXPECT_FLOAT_EQ(std::accumulate(f.begin(), f.end(), 0.0f), 20.0f);
  for (float v : f) {
    EXPECT_GE(v, 1.0f);
    EXPECT_LE(v, 2.0f);
  }
}

TEST(GenerateTs, RatioLimits) {
  auto s = makeFloodState();
  s->floods.floodConstraint = 0.5f;
  // Small floods: the ratio is raised to the constraint.
  HighFlowRun run = prepareHighFlows(*s, {{0.01f, 1, 1}});
  EXPECT_FLOAT_EQ(run.shownRatio, 0.5f);
  EXPECT_FLOAT_EQ(run.ratio, 0.5f);
  EXPECT_FALSE(run.ratioCut);
  // Huge floods: cut to 0.7.
  run = prepareHighFlows(*s, {{1000.0f, 1, 1}});
  EXPECT_GT(run.shownRatio, 0.7f);
  EXPECT_TRUE(run.ratioCut);
  EXPECT_FLOAT_EQ(run.ratio, 0.7f);
  // In between it is C[K] over the annual high flow of the 20 % exceedance year.
  const float a20 = run.sortedTotals[static_cast<std::size_t>(run.r20)];
  run = prepareHighFlows(*s, {{0.6f * a20, 1, 1}});
  EXPECT_NEAR(run.ratio, 0.6f, 1e-5f);
  EXPECT_FALSE(run.ratioCut);
}

TEST(GenerateTs, RankingAndThe20PercentYear) {
  auto s = makeFloodState();
  s->floods.floodConstraint = 0.5f;
  const HighFlowRun run = prepareHighFlows(*s, defaultRows());
  ASSERT_EQ(run.years, 20);
  EXPECT_EQ(run.r20, 16);  // p[15] = 25, p[16] = 20
  EXPECT_FLOAT_EQ(run.exceedance[0], 100.0f);
  EXPECT_FLOAT_EQ(run.exceedance[16], 20.0f);
  EXPECT_TRUE(std::is_sorted(run.sortedTotals.begin(), run.sortedTotals.end()));
  for (int32_t r = 0; r < 20; ++r)
    EXPECT_FLOAT_EQ(run.annualHighFlow[static_cast<std::size_t>(run.yearOfRank[static_cast<std::size_t>(r)])],
                    run.sortedTotals[static_cast<std::size_t>(r)]);
}

TEST(GenerateTs, FactorsOfCategoriesAAndD) {
  auto s = makeFloodState();
  s->floods.floodConstraint = 0.5f;
  const HighFlowRun run = prepareHighFlows(*s, defaultRows());
  const float R = run.ratio;
  for (int32_t r = 0; r < run.years; ++r) EXPECT_FLOAT_EQ(rankFactor(run, 0, r), R) << r;
  // D rises from 0 in the driest year to R at the 20 % exceedance year.
  EXPECT_NEAR(rankFactor(run, 6, 0), 0.0f, 1e-6f);
  for (int32_t r = 1; r < run.r20; ++r) EXPECT_GT(rankFactor(run, 6, r), rankFactor(run, 6, r - 1));
  EXPECT_NEAR(rankFactor(run, 6, run.r20 - 1), R * (100 - 25) / 80.0f, 1e-6f);
  EXPECT_FLOAT_EQ(rankFactor(run, 6, run.r20), R);
  EXPECT_FLOAT_EQ(rankFactor(run, 6, run.years - 1), R);
  // C starts at R - 4 R / 6.
  EXPECT_NEAR(rankFactor(run, 4, 0), R - 4 * R / 6, 1e-6f);
}

TEST(GenerateTs, SeriesAndAssurance) {
  auto s = makeFloodState();
  s->floods.floodConstraint = 0.5f;
  const HighFlowRun run = generate_ts(*s, defaultRows());
  EXPECT_FLOAT_EQ(s->floods.floodVolumeRatio, run.ratio);
  for (int c = 0; c < 7; ++c) {
    float total = 0;
    for (int32_t i = 0; i < 240; ++i) {
      const float f = s->floods.highFlowSeries[c][i];
      EXPECT_GE(f, 0.0f);
      // No month gets more than its share of the high flow.
      const float h = s->site.naturalFlows.values[i] - s->site.naturalFlows.baseflows[i];
      EXPECT_LE(f, h * 0.7f + 1e-5f);
      total += f;
    }
    EXPECT_GT(total, 0.0f) << c;
    for (int m = 0; m < 12; ++m) {
      const auto& a = s->floods.highFlowAssurance[m][c];
      for (int r = 1; r < 20; ++r) EXPECT_LE(a[r - 1], a[r]);
      std::vector<float> months;
      for (int y = 0; y < 20; ++y) months.push_back(s->floods.highFlowSeries[c][12 * y + m]);
      EXPECT_FLOAT_EQ(a[19], *std::max_element(months.begin(), months.end()));
      EXPECT_EQ(a[20], 0.0f);
    }
  }
  // A keeps more flood volume than D in every year.
  float a = 0, d = 0;
  for (int32_t i = 0; i < 240; ++i) {
    a += s->floods.highFlowSeries[0][i];
    d += s->floods.highFlowSeries[6][i];
  }
  EXPECT_GT(a, d);
}

TEST(GenerateTs, AYearBelowTheFirstLevelGetsNoFloodVolume) {
  auto s = makeFloodState();
  s->floods.floodConstraint = 0.5f;
  // Year 3 is nearly dry: its target lies below C[1].
  for (int m = 0; m < 12; ++m) {
    s->site.naturalFlows.values[36 + m] = 0.01f;
    s->site.naturalFlows.baseflows[36 + m] = 0.005f;
  }
  // Year 5 is a naturalised year whose high flows are negative.
  for (int m = 0; m < 12; ++m) {
    s->site.naturalFlows.values[60 + m] = 0.1f;
    s->site.naturalFlows.baseflows[60 + m] = 0.5f;
  }
  generate_ts(*s, defaultRows());
  for (int c = 0; c < 7; ++c)
    for (int m = 0; m < 12; ++m) {
      EXPECT_EQ(s->floods.highFlowSeries[c][36 + m], 0.0f);
      EXPECT_EQ(s->floods.highFlowSeries[c][60 + m], 0.0f);
    }
}

TEST(GenerateTs, PartialYearGetsNoFloodVolume) {
  auto s = makeFloodState(10.0f, 20 * 12 + 5);
  s->floods.floodConstraint = 0.5f;
  // Values past the record hold 1e6: reading them would give huge floods.
  const HighFlowRun run = generate_ts(*s, defaultRows());
  EXPECT_EQ(run.years, 20);
  for (int c = 0; c < 7; ++c) {
    for (int32_t i = 240; i < 260; ++i) EXPECT_EQ(s->floods.highFlowSeries[c][i], 0.0f);
    for (int m = 0; m < 12; ++m) {
      EXPECT_LT(s->floods.highFlowAssurance[m][c][19], 100.0f);
      EXPECT_EQ(s->floods.highFlowAssurance[m][c][20], 0.0f);
    }
  }
}

TEST(GenerateTs, RecordLimits) {
  auto s = makeFloodState(10.0f, 4 * 12 + 11);
  s->floods.floodConstraint = 0.5f;
  try {
    prepareHighFlows(*s, defaultRows());
    FAIL();
  } catch (const ModelError& e) {
    EXPECT_STREQ(e.what(),
                 "The natural flows hold 4 whole years (59 months): the flood requirements need at least 5 years to "
                 "find the 20 % exceedance year");
  }
  fillNatural(*s, 5 * 12);
  EXPECT_EQ(prepareHighFlows(*s, defaultRows()).r20, 4);
  // 121 years fill the monthly tables; 122 do not fit.
  fillNatural(*s, 121 * 12);
  generate_ts(*s, defaultRows());
  EXPECT_GT(s->floods.highFlowAssurance[4][0][120], 0.0f);
  fillNatural(*s, 122 * 12);
  EXPECT_THROW(prepareHighFlows(*s, defaultRows()), ModelError);
  fillNatural(*s, 0);
  EXPECT_THROW(prepareHighFlows(*s, defaultRows()), ModelError);
}

TEST(GenerateTs, AssuranceByTheRecordsStartMonth) {
  auto s = makeFloodState();
  s->floods.floodConstraint = 0.5f;
  fillNatural(*s, 240, 1);  // January first
  generate_ts(*s, defaultRows());
  std::vector<float> january;
  for (int y = 0; y < 20; ++y) january.push_back(s->floods.highFlowSeries[0][12 * y]);
  std::sort(january.begin(), january.end());
  for (int r = 0; r < 20; ++r) EXPECT_FLOAT_EQ(s->floods.highFlowAssurance[3][0][r], january[static_cast<std::size_t>(r)]);
}
