#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "common/errors.h"
#include "common/text_format.h"
#include "hydrology/baseflow.h"
#include "hydrology/flow_statistics.h"
#include "hydrology/hydrology_report.h"

using namespace oewr;
using namespace oewr::hydrology;

namespace {

std::unique_ptr<ModelState> naturalState(const std::vector<float>& values, int startMonth = 10) {
  auto state = makeModelState();
  TimeSeries& s = state->site.naturalFlows;
  s.header.startYear = 1990;
  s.header.startMonth = static_cast<int16_t>(startMonth);
  s.header.count = static_cast<int32_t>(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) s.values[static_cast<long long>(i)] = values[i];
  return state;
}

}  // namespace

TEST(BaseflowFilter, ConstantSeriesIsAllBaseflowWithHalfTheRiseAsQuickflow) {
  auto state = naturalState(std::vector<float>(36, 2.0f));
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  do_baseflow(s, 0.0f, 0.5f);
  for (int t = 0; t < 36; ++t) EXPECT_EQ(s.baseflows[t], 2.0f);
  EXPECT_FLOAT_EQ(s.bfi, 1.0f);

  // A rise of 4 makes a quickflow of 2 with A = 0; the fall back gives a
  // negative quickflow, so all of that month is baseflow.
  auto rise = naturalState({2, 6, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2});
  read_tsdata(rise->site.naturalFlows);
  do_baseflow(rise->site.naturalFlows, 0.0f, 0.5f);
  EXPECT_EQ(rise->site.naturalFlows.baseflows[1], 4.0f);
  EXPECT_EQ(rise->site.naturalFlows.baseflows[2], 2.0f);
}

TEST(BaseflowFilter, ZeroMonthResetsTheFilter) {
  auto state = naturalState({4, 0, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6});
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  do_baseflow(s, 0.0f, 0.5f);
  EXPECT_EQ(s.baseflows[0], 4.0f);
  EXPECT_EQ(s.baseflows[1], 0.0f);
  // From a previous flow of 0 (not 4): quickflow 0.5 × 6 = 3.
  EXPECT_EQ(s.baseflows[2], 3.0f);
}

TEST(BaseflowFilter, BaseflowStaysBetweenZeroAndTheFlow) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> flow(-0.5f, 50.0f);
  std::vector<float> v;
  for (int i = 0; i < 600; ++i) v.push_back(i % 17 == 0 ? 0.0f : flow(random));
  auto state = naturalState(v);
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  do_baseflow(s, 0.925f, 0.5f);
  for (int t = 0; t < 600; ++t) {
    EXPECT_GE(s.baseflows[t], 0.0f) << t;
    EXPECT_LE(s.baseflows[t], std::max(v[static_cast<std::size_t>(t)], 0.0f)) << t;
  }
  EXPECT_GT(s.bfi, 0.0f);
  EXPECT_LT(s.bfi, 1.0f);
  EXPECT_GE(s.hydroIndex, 1.0f);
}

TEST(BaseflowIndices, SeasonalVariability) {
  TimeSeries s;
  s.monthCv[0] = 0.0f;  // January
  s.monthCv[1] = 0.8f;
  s.monthCv[2] = 0.0f;
  s.monthCv[11] = 0.4f;  // December
  s.monthCv[3] = 9.0f;   // April, not used while December is above 0
  EXPECT_FLOAT_EQ(wetSeasonCv(s), 0.6f);
  s.monthCv[11] = 0.0f;
  EXPECT_FLOAT_EQ(wetSeasonCv(s), (0.8f + 9.0f) / 2);
  s.monthCv[5] = 0.2f;  // June, July, August all above 0: no extra month
  s.monthCv[6] = 0.4f;
  s.monthCv[7] = 0.6f;
  s.monthCv[8] = 5.0f;
  EXPECT_FLOAT_EQ(drySeasonCv(s), 0.4f);
}

TEST(BaseflowIndices, ZeroBfiDividesVariabilityByPointFifteen) {
  auto state = naturalState(std::vector<float>(24, 0.0f));
  TimeSeries& s = state->site.naturalFlows;
  s.mar = 10.0f;
  for (int m : {0, 1, 2, 5, 6, 7}) s.monthCv[m] = 0.3f;
  do_baseflow(s, 0.0f, 0.5f);
  EXPECT_EQ(s.bfi, 0.0f);
  EXPECT_FLOAT_EQ(s.hydroIndex, 0.6f / 0.15f);

  // A hydrological index below 1 becomes 1.
  auto steady = naturalState(std::vector<float>(24, 3.0f));
  read_tsdata(steady->site.naturalFlows);
  do_baseflow(steady->site.naturalFlows, 0.0f, 0.5f);
  EXPECT_EQ(steady->site.naturalFlows.hydroIndex, 1.0f);
}

TEST(ExceedenceValue, ExampleOfFortyYears) {
  std::vector<float> v;
  for (int i = 40; i >= 1; --i) v.push_back(static_cast<float>(i));  // any order
  // Position 11 of the ascending sort (c = 72.5) holds 12.
  EXPECT_EQ(exceedenceValue(v, 75), 12.0f);
  EXPECT_EQ(exceedenceValue(v, 50), 22.0f);  // c = 50 at position 20 is not below 50; 47.5 at 21 is
  EXPECT_EQ(exceedenceValue(v, 5), 40.0f);   // c = 2.5 at position 39
}

TEST(ExceedenceValue, ShortRecordsNeverKeepAStaleValue) {
  EXPECT_EQ(exceedenceValue({}, 15), 0.0f);
  EXPECT_EQ(exceedenceValue({3.5f}, 15), 3.5f);         // c = 100 never below 15: the largest
  EXPECT_EQ(exceedenceValue({1.0f, 2.0f, 4.0f}, 5), 4.0f);
  EXPECT_EQ(exceedenceValue({1.0f, 2.0f, 4.0f}, 50), 4.0f);  // c = 33.3 at position 2
  EXPECT_EQ(exceedenceValue({1.0f, 2.0f, 4.0f}, 75), 2.0f);  // c = 66.7 at position 1
}

TEST(CriticalMonths, LargestAndSmallestBaseflowAtThePoint) {
  // Three years from October; baseflow level of each month set directly.
  const float level[12] = {3, 4, 5, 9, 9, 2, 1, 1, 6, 7, 8, 3};  // Oct .. Sep
  std::vector<float> v;
  for (int y = 0; y < 3; ++y)
    for (int h = 0; h < 12; ++h) v.push_back(level[h] * 2 + static_cast<float>(y));
  auto state = naturalState(v);
  TimeSeries& s = state->site.naturalFlows;
  for (int i = 0; i < 36; ++i) s.baseflows[i] = level[i % 12] + 0.1f * static_cast<float>(i / 12);
  auto flows = chooseCriticalMonths(s, 50);
  EXPECT_EQ(flows.wetMonth, 1);  // January ties with February: the earlier month from October
  EXPECT_EQ(flows.dryMonth, 4);  // April ties with May
  EXPECT_FLOAT_EQ(flows.qBaseWet, 9.2f);       // c = 33.3 at position 2 of 3 years
  EXPECT_FLOAT_EQ(flows.qTotal75Wet, 19.0f);   // totals 18, 19, 20 at 75: position 1
  EXPECT_FLOAT_EQ(flows.qBaseDry, 1.2f);
  EXPECT_FLOAT_EQ(flows.qTotal75Dry, 3.0f);

  auto none = naturalState(std::vector<float>(11, 1.0f));
  auto unchosen = chooseCriticalMonths(none->site.naturalFlows, 15);
  EXPECT_EQ(unchosen.wetMonth, 0);
  EXPECT_EQ(unchosen.dryMonth, 0);
}

TEST(Conversions, MonthlyVolumesAndFlows) {
  EXPECT_EQ(formatText("%10.3f", volumeToFlow(2.592f, 4)), "     1.000");
  EXPECT_FLOAT_EQ(volumeToFlow(2.4192f, 2), 1.0f);  // February always 28 days
  EXPECT_FLOAT_EQ(volumeToFlow(2.6784f, 1), 1.0f);
  EXPECT_FLOAT_EQ(flowToVolume(1.0f, 4), 2.592f);
  EXPECT_THROW(volumeToFlow(1.0f, 0), RangeError);
}

TEST(HydrologyReport, StartsTheReportAfresh) {
  auto state = makeModelState();
  state->site.siteName = std::string(150, 'S');
  state->hydrology.criticalWetMonth = 2;
  state->hydrology.criticalDryMonth = 8;
  state->site.maxBaseflowExceedence = 15;
  HydrologyReportInput input;
  input.naturalSummary = {"Natural Flows:", std::string(45, 'n')};
  input.presentSummary = {"Present Day Flows:", "pd"};
  input.wetText = "     1.234";
  input.dryText = "     0.056";
  addHydrologyReport(*state, input);
  ASSERT_TRUE(state->reportLines.has_value());
  const auto& r = *state->reportLines;
  ASSERT_EQ(r.size(), 8u);
  EXPECT_EQ(r[0], ("(Orvane Model outputs for site: " + std::string(150, 'S')).substr(0, 120));
  EXPECT_EQ(r[1], "HYDROLOGY DATA SUMMARY");
  EXPECT_EQ(r[2], formatText("%-40s", "Natural Flows:") + "Present Day Flows:");
  EXPECT_EQ(r[3], std::string(40, 'n') + "pd");
  EXPECT_EQ(r[4], " ");
  EXPECT_EQ(r[5], "Critical months: WET : Feb, DRY : Aug");
  EXPECT_EQ(r[6], "Using  15th percentile of FDC of separated baseflows");
  EXPECT_EQ(r[7], "Max. baseflows (m3/s): WET :      1.234, DRY :      0.056");

  // Later sections are dropped by a second run; without a present-day
  // summary the natural lines stand alone.
  state->reportLines->push_back("HYDRAULICS");
  input.useQTotal = true;
  input.presentSummary.clear();
  addHydrologyReport(*state, input);
  EXPECT_EQ(state->reportLines->size(), 8u);
  EXPECT_EQ((*state->reportLines)[2], formatText("%-40s", "Natural Flows:"));
  EXPECT_EQ((*state->reportLines)[6], "Using 75th percentile of FDC of Total Q");
}
