#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/errors.h"
#include "common/text_format.h"
#include "floods/flood_events.h"
#include "floods/flood_fixture.h"
#include "model/s_curve.h"

using namespace oewr;
using namespace oewr::floods;
using oewr::testing::channelDischarge;
using oewr::testing::makeFloodState;

TEST(FloodRating, StepsMeansAndBankfull) {
  auto s = makeFloodState();
  build_flood_rating(*s);
  // 25 steps of 2 mm land just above 0.05 m; the 26th is 0.06 m.
  EXPECT_GT(s->floods.floodDepthStep[24], 0.05f);
  EXPECT_NEAR(s->floods.floodDepthStep[24], 0.05f, 1e-6f);
  EXPECT_NEAR(s->floods.floodDepthStep[25], 0.06f, 1e-6f);
  EXPECT_FLOAT_EQ(s->floods.floodRatingFlow[10], (s->hydraulics.stageDischargeLow[10] + s->hydraulics.stageDischargeHigh[10]) * 0.5f);
  const int32_t last = s->hydraulics.stageCount - 1;
  EXPECT_FLOAT_EQ(s->floods.bankfullDischarge, s->floods.floodRatingFlow[last]);
  EXPECT_NEAR(s->floods.bankfullDischarge, channelDischarge(s->floods.floodDepthStep[last]), 1e-3f);

  s->hydraulics.stageCount = 0;
  build_flood_rating(*s);
  EXPECT_EQ(s->floods.bankfullDischarge, 0.0f);
}

TEST(FloodRating, BaseflowLevelIsTheLowerStepOrNone) {
  auto s = makeFloodState();
  build_flood_rating(*s);
  s->hydrology.maxBaseflowWet = (s->floods.floodRatingFlow[40] + s->floods.floodRatingFlow[41]) / 2;
  EXPECT_FLOAT_EQ(baseflow_level(*s), s->floods.floodDepthStep[40]);
  // Exactly on a step: the first pair that holds it, whose lower step is one below.
  s->hydrology.maxBaseflowWet = s->floods.floodRatingFlow[40];
  EXPECT_FLOAT_EQ(baseflow_level(*s), s->floods.floodDepthStep[39]);
  // Outside the rating, or no rating: no level.
  s->hydrology.maxBaseflowWet = s->floods.bankfullDischarge * 2;
  EXPECT_EQ(baseflow_level(*s), 0.0f);
  s->hydrology.maxBaseflowWet = s->floods.floodRatingFlow[0] / 2;
  EXPECT_EQ(baseflow_level(*s), 0.0f);
  s->hydraulics.stageCount = 0;
  s->hydrology.maxBaseflowWet = 1;
  EXPECT_EQ(baseflow_level(*s), 0.0f);
  EXPECT_EQ(s->floods.floodBaseflowDepth, 0.0f);
}

TEST(DefaultPeaks, TablesByVariability) {
  // Below 2: T1 directly; category 5 at 0.8 of bankfull.
  EXPECT_FLOAT_EQ(defaultPeak(5, 1.99f, 100.0f), 80.0f);
  EXPECT_FLOAT_EQ(defaultPeak(1, 0.0f, 100.0f), 7.3f);
  // 40 or more: x = 1, P = Phi(2.5) = 0.994, the peaks lie close to T3.
  const float p = sCurve(1.0f, 10.0f);
  EXPECT_NEAR(p, 0.994f, 0.001f);
  for (int k = 1; k <= 5; ++k) {
    const float t3 = kPeakFractionT3[static_cast<std::size_t>(k - 1)] * 100.0f;
    EXPECT_NEAR(defaultPeak(k, 40.0f, 100.0f), t3, 0.01f * t3) << k;
    EXPECT_FLOAT_EQ(defaultPeak(k, 400.0f, 100.0f), defaultPeak(k, 40.0f, 100.0f));
  }
  // At 2 the S-curve is near its foot: the peaks lie close to T2.
  EXPECT_NEAR(defaultPeak(5, 2.0f, 100.0f), 64.0f, 0.2f);
  EXPECT_THROW(defaultPeak(6, 10.0f, 100.0f), RangeError);
}

TEST(DepthToPeak, FirstStepWithinAMillimetre) {
  auto s = makeFloodState();
  build_flood_rating(*s);
  // 0 cm takes the first step (its 0.002 m exceeds 0 - 0.001).
  EXPECT_EQ(ratingStepAtDepth(*s, 0.0f), 0);
  EXPECT_EQ(ratingStepAtDepth(*s, 0.05f), 24);
  EXPECT_EQ(ratingStepAtDepth(*s, 1.0f), 24 + 95);
  EXPECT_NEAR(s->floods.floodDepthStep[ratingStepAtDepth(*s, 1.0f)], 1.0f, 1e-3f);
  // Above the last step there is no step.
  EXPECT_EQ(ratingStepAtDepth(*s, 2.5f), -1);
  s->hydraulics.stageCount = 0;
  EXPECT_EQ(ratingStepAtDepth(*s, 0.0f), -1);
}

namespace {

// A catchment whose time to peak T is close to 10 hours (Oval, Moderate).
constexpr float kTenHourArea = 175.0f;

}  // namespace

TEST(FloodTimingTest, TenHoursToPeakGiveADurationOf41) {
  // A peak at the scale root gives f = 1.
  const FloodTiming t = floodTiming(kTenHourArea, 1, 1, 36.0f, 6.0f, 4.0f);
  EXPECT_EQ(t.timeToPeak, 10);
  EXPECT_FLOAT_EQ(t.duration, 40.8f);
  EXPECT_EQ(formatText("%4.0f", t.duration), "  41");
  // The peak of a small flood rises faster: f = (sqrt(Q) / root + 1) / 2.
  EXPECT_EQ(floodTiming(kTenHourArea, 1, 1, 0.0f, 6.0f, 4.0f).timeToPeak, 5);
  // A longer, gentler catchment rises slower.
  EXPECT_GT(floodTiming(kTenHourArea, 2, 0, 36.0f, 6.0f, 4.0f).timeToPeak, 10);
}

TEST(FloodTimingTest, NoHydrographWithoutScaleRootOrArea) {
  // Baseflow at or above bankfull: the hydraulics need checking, no flood.
  for (float root : {0.0f, -1.0f, std::nanf("")}) {
    const FloodTiming t = floodTiming(kTenHourArea, 1, 1, 36.0f, root, 4.0f);
    EXPECT_EQ(t.timeToPeak, 0);
    EXPECT_EQ(t.duration, 0.0f);
  }
  EXPECT_EQ(floodTiming(0.0f, 1, 1, 36.0f, 6.0f, 4.0f).timeToPeak, 0);
  EXPECT_EQ(floodTiming(-5.0f, 1, 1, 36.0f, 6.0f, 4.0f).duration, 0.0f);
  // A tiny steep catchment peaks within the first hour: one hour, a finite duration.
  const FloodTiming tiny = floodTiming(0.01f, 0, 3, 0.0f, 6.0f, 4.0f);
  EXPECT_EQ(tiny.timeToPeak, 1);
  EXPECT_FLOAT_EQ(tiny.duration, 12.0f);
}

TEST(HydrographTest, PeaksAtTheTimeToPeakAndEndsAtTheDuration) {
  const Hydrograph h = hydrograph(100.0f, 10, 41);
  ASSERT_EQ(h.points.size(), 1001u);
  const auto top = std::max_element(h.points.begin(), h.points.end(),
                                    [](const charting::Point& a, const charting::Point& b) { return a.y < b.y; });
  EXPECT_NEAR(top->x, 10.0, 1e-4);
  EXPECT_NEAR(top->y, 100.0, 1e-3);
  EXPECT_EQ(h.points.front().x, 0.0);
  EXPECT_NEAR(h.points.front().y, 0.0, 1e-4);
  EXPECT_NEAR(h.points.back().x, 41.0, 1e-4);
  EXPECT_NEAR(h.points.back().y, 0.0, 1e-3);
  // At 2.5 T_p the flow has fallen to a quarter of the peak.
  const auto at25 = std::find_if(h.points.begin(), h.points.end(), [](const charting::Point& p) { return p.x >= 25.0; });
  EXPECT_NEAR(at25->y, 25.0, 0.5);
  // Volume: Q_p (T_p / 2 + 1.0601 T_p + 0.0865 (T_d - 2.5 T_p)) hours, in million m3.
  const double hours = 5.0 + 10.601 + 0.0865 * 16.0;
  EXPECT_NEAR(h.volume, 100.0 * hours * 0.0036, 0.005 * 100.0 * hours * 0.0036);
  // Time never runs backwards.
  for (std::size_t i = 1; i < h.points.size(); ++i) EXPECT_GE(h.points[i].x, h.points[i - 1].x);
}

TEST(HydrographTest, NoTimeNoHydrograph) {
  EXPECT_TRUE(hydrograph(100.0f, 0, 0).points.empty());
  EXPECT_EQ(hydrograph(100.0f, 0, 0).volume, 0.0f);
  EXPECT_EQ(hydrograph(100.0f, 10, 0).volume, 0.0f);
}

namespace {

FloodCategoryTable tableOf(const std::vector<std::array<const char*, 3>>& rows) {
  FloodCategoryTable t;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    t.cell(3, row) = rows[i][0];
    t.cell(4, row) = rows[i][1];
    t.cell(5, row) = rows[i][2];
  }
  return t;
}

}  // namespace

TEST(CategoryTable, TotalsAddAnnualEventsToEachRarerCategory) {
  const auto rows = readCategoryRows(
      tableOf({{"     1.000", "4", "1"}, {"  2.5", "2", "1"}, {"3", "1", "1"}, {"4", "1", "2"}, {"5", "1", "5"}}));
  const auto t = volumeTotals(rows);
  EXPECT_FLOAT_EQ(t[1], 4 + 5 + 3);
  EXPECT_FLOAT_EQ(t[2], 4 + 12);
  EXPECT_FLOAT_EQ(t[3], 0);
  EXPECT_FLOAT_EQ(t[5], 5 + 12);
  // A rarer row uses the annual total of the rows above it only.
  const auto early = volumeTotals(readCategoryRows(
      tableOf({{"1", "1", "1"}, {"4", "1", "3"}, {"2", "1", "1"}, {"0.5", "1", "1"}, {"0.5", "1", "1"}})));
  EXPECT_FLOAT_EQ(early[3], 4 + 1);
  EXPECT_FLOAT_EQ(early[1], 1 + 2 + 0.5f + 0.5f);
}

TEST(CategoryTable, BadCellsAreNamed) {
  try {
    readCategoryRows(tableOf({{"1", "1", "1"}, {"1", "1", "1"}, {"abc", "1", "1"}, {"1", "1", "1"}, {"1", "1", "1"}}));
    FAIL();
  } catch (const ModelError& e) {
    EXPECT_STREQ(e.what(), "Flood category table, category 3, \"Volume (MCM)\": \"abc\" is not a number");
  }
  EXPECT_THROW(readCategoryRows(tableOf({{"1", "6", "1"}, {"1", "1", "1"}, {"1", "1", "1"}, {"1", "1", "1"},
                                         {"1", "1", "1"}})),
               ModelError);
  EXPECT_THROW(readCategoryRows(tableOf({{"1", "1", "4"}, {"1", "1", "1"}, {"1", "1", "1"}, {"1", "1", "1"},
                                         {"1", "1", "0"}})),
               ModelError);
  // No events: the row is read and adds nothing.
  const auto rows =
      readCategoryRows(tableOf({{"1", "0", "1"}, {"1", "1", "1"}, {"1", "1", "1"}, {"1", "1", "1"}, {"1", "1", "1"}}));
  EXPECT_EQ(rows[0].events, 0);
}
