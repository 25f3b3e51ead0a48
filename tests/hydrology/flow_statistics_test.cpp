#include <gtest/gtest.h>

#include <cmath>

#include "common/errors.h"
#include "hydrology/baseflow.h"
#include "hydrology/flow_statistics.h"

using namespace oewr;
using namespace oewr::hydrology;

namespace {

std::unique_ptr<ModelState> stateWith(TimeSeries SiteInputs::*which, int startYear, int startMonth,
                                      const std::vector<float>& values) {
  auto state = makeModelState();
  TimeSeries& s = state->site.*which;
  s.name = "Test series";
  s.header.startYear = static_cast<int16_t>(startYear);
  s.header.startMonth = static_cast<int16_t>(startMonth);
  s.header.count = static_cast<int32_t>(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) s.values[static_cast<long long>(i)] = values[i];
  return state;
}

std::unique_ptr<ModelState> naturalState(int startMonth, const std::vector<float>& values) {
  return stateWith(&SiteInputs::naturalFlows, 2000, startMonth, values);
}

constexpr int kOct = 9, kNov = 10, kJan = 0, kApr = 3, kSep = 8;

void expectFiniteStatistics(const TimeSeries& s) {
  for (float v : {s.mar, s.annualSd, s.annualCv, s.q75, s.pctZero, s.bfi, s.hydroIndex}) EXPECT_TRUE(std::isfinite(v));
  for (int m = 0; m < 12; ++m) {
    EXPECT_TRUE(std::isfinite(s.monthMean[m]));
    EXPECT_TRUE(std::isfinite(s.monthSd[m]));
    EXPECT_TRUE(std::isfinite(s.monthCv[m]));
  }
}

}  // namespace

TEST(DurationPosition, ExampleAndBounds) {
  EXPECT_EQ(fdcPosition(40, 75), 29);  // the 30th largest
  EXPECT_EQ(fdcPosition(40, 0.1f), 0);
  EXPECT_EQ(fdcPosition(40, 99.9f), 39);
  EXPECT_EQ(fdcPosition(10, 15), 1);  // 1.5 + 0.5 truncates to 2
  EXPECT_EQ(fdcPosition(1, 50), 0);
  EXPECT_EQ(fdcPosition(0, 50), 0);
  EXPECT_EQ(kDurationPoints.front(), 0.1f);
  EXPECT_EQ(kDurationPoints[10], 50.0f);
  EXPECT_EQ(kDurationPoints.back(), 99.9f);
}

TEST(ReadTsdata, TwoYearsOfOnes) {
  auto state = naturalState(10, std::vector<float>(24, 1.0f));
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  EXPECT_FLOAT_EQ(s.mar, 12.0f);
  EXPECT_EQ(s.annualSd, 0.0f);
  EXPECT_EQ(s.annualCv, 0.0f);
  EXPECT_EQ(s.q75, 1.0f);
  EXPECT_EQ(s.pctZero, 0.0f);
  for (int m = 0; m < 12; ++m) {
    EXPECT_FLOAT_EQ(s.monthMean[m], 1.0f) << m;
    EXPECT_EQ(s.monthSd[m], 0.0f) << m;
    EXPECT_EQ(s.monthCv[m], 0.0f) << m;
    for (int k = 0; k < kDurationPointCount; ++k) EXPECT_EQ(s.monthFdc[m][k], 1.0f);
  }
  EXPECT_TRUE(seriesWarnings(s, "Natural flows").empty());
}

TEST(ReadTsdata, QuarterOfMonthsZero) {
  std::vector<float> v(24, 2.0f);
  for (int i = 0; i < 24; i += 4) v[static_cast<std::size_t>(i)] = 0.0f;  // 6 of 24
  v[1] = 1.0f;
  auto state = naturalState(10, v);
  read_tsdata(state->site.naturalFlows);
  EXPECT_FLOAT_EQ(state->site.naturalFlows.pctZero, 25.0f);
  EXPECT_EQ(state->site.naturalFlows.q75, 1.0f);  // index 24 div 4 = 6 of the ascending sort
}

TEST(ReadTsdata, ThirtyValuesUseTwoAndAHalfYearsForMeansAndTwoForDurations) {
  std::vector<float> v(30, 1.0f);
  v[0] = 1.0f;    // October, year 1
  v[12] = 2.0f;   // October, year 2
  v[24] = 100.0f; // October of the partial third year
  auto state = naturalState(10, v);
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  // Two full years of 12 and 13 make the annual totals, over Y = 2.5.
  EXPECT_FLOAT_EQ(s.mar, 25.0f / 2.5f);
  EXPECT_FLOAT_EQ(s.monthMean[kOct], 103.0f / 2.5f);
  EXPECT_FLOAT_EQ(s.monthMean[kApr], 2.0f / 2.5f);  // April only in the full years
  EXPECT_FLOAT_EQ(s.monthMean[kJan], 3.0f / 2.5f);
  // Only the full years enter the duration table.
  EXPECT_EQ(s.monthFdc[kOct][0], 2.0f);
  EXPECT_EQ(s.monthFdc[kOct][kDurationPointCount - 1], 1.0f);
  auto warnings = seriesWarnings(s, "Natural flows");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("the last 6 months"), std::string::npos) << warnings[0];
  EXPECT_NE(warnings[0].find("2 full years"), std::string::npos) << warnings[0];
}

TEST(ReadTsdata, JanuaryStartCountsMonthsFromJanuary) {
  std::vector<float> v;
  for (int year = 0; year < 3; ++year)
    for (int m = 1; m <= 12; ++m) v.push_back(static_cast<float>(m + 12 * year));
  auto state = naturalState(1, v);
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  EXPECT_FLOAT_EQ(s.monthMean[kJan], (1 + 13 + 25) / 3.0f);
  EXPECT_FLOAT_EQ(s.monthMean[kSep], (9 + 21 + 33) / 3.0f);
  EXPECT_EQ(s.monthFdc[kJan][0], 25.0f);
  EXPECT_EQ(s.monthFdc[kJan][kDurationPointCount - 1], 1.0f);
  // Calendar years are the annual totals: 78, 222, 366.
  EXPECT_FLOAT_EQ(s.mar, 222.0f);
  EXPECT_NEAR(s.annualSd, 144.0f, 1e-3f);
}

TEST(ReadTsdata, ShortAndEmptySeriesGiveZeroNotNaN) {
  auto state = naturalState(10, {3.0f, 4.0f, 0.0f, 5.0f, 6.0f});
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  do_baseflow(s, 0.0f, 0.5f);
  expectFiniteStatistics(s);
  EXPECT_EQ(s.mar, 0.0f);
  EXPECT_EQ(s.annualSd, 0.0f);
  EXPECT_EQ(s.annualCv, 0.0f);
  EXPECT_EQ(s.bfi, 0.0f);
  EXPECT_FLOAT_EQ(s.pctZero, 20.0f);
  EXPECT_EQ(s.monthFdc[kOct][0], 0.0f);  // no full year
  auto warnings = seriesWarnings(s, "Natural flows");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0],
            "Natural flows: the series is too short (5 monthly values, fewer than 12): its annual statistics and "
            "baseflow index are 0");

  auto empty = naturalState(10, {});
  TimeSeries& e = empty->site.naturalFlows;
  e.q75 = 7;  // a previous series' statistics are not kept
  read_tsdata(e);
  do_baseflow(e, 0.925f, 0.5f);
  expectFiniteStatistics(e);
  EXPECT_EQ(e.q75, 0.0f);
  EXPECT_EQ(e.pctZero, 0.0f);
  EXPECT_EQ(e.mar, 0.0f);
}

TEST(ReadTsdata, OneYearHasNoSpread) {
  auto state = naturalState(10, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  EXPECT_FLOAT_EQ(s.mar, 78.0f);
  EXPECT_EQ(s.annualSd, 0.0f);
  EXPECT_EQ(s.monthSd[kOct], 0.0f);
  expectFiniteStatistics(s);
}

TEST(ReadTsdata, RefusesSeriesBeyondTheWindowsTables) {
  auto state = naturalState(10, std::vector<float>(2002, 1.0f));
  TimeSeries& s = state->site.naturalFlows;
  auto why = refusalReason(s, "Natural flows");
  ASSERT_TRUE(why.has_value());
  EXPECT_NE(why->find("2002 monthly values"), std::string::npos);
  EXPECT_NE(why->find("2001 months, 201 years"), std::string::npos);
  EXPECT_THROW(read_tsdata(s), ModelError);

  auto fits = naturalState(10, std::vector<float>(2001, 1.0f));
  EXPECT_FALSE(refusalReason(fits->site.naturalFlows, "Natural flows").has_value());
  EXPECT_NO_THROW(read_tsdata(fits->site.naturalFlows));
  EXPECT_FLOAT_EQ(fits->site.naturalFlows.monthMean[kNov], 167.0f / (2001.0f / 12.0f));

  auto noStart = naturalState(0, {1.0f, 2.0f});
  EXPECT_NE(refusalReason(noStart->site.naturalFlows, "Natural flows")->find("month 0"), std::string::npos);
  EXPECT_THROW(read_tsdata(noStart->site.naturalFlows), ModelError);
}

TEST(ReadTsdata, NegativeMonthsCountAsZeroFlowsAndAreReported) {
  std::vector<float> v(24, 2.0f);
  v[5] = -0.25f;  // March 2001
  v[16] = -0.5f;  // February 2002
  auto state = naturalState(10, v);
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  EXPECT_FLOAT_EQ(s.pctZero, 100.0f * 2 / 24);
  EXPECT_FLOAT_EQ(s.monthMean[2], (-0.25f + 2.0f) / 2.0f);
  do_baseflow(s, 0.0f, 0.5f);
  EXPECT_EQ(s.baseflows[5], 0.0f);
  auto warnings = seriesWarnings(s, "Natural flows");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0],
            "Natural flows: 2 monthly values are below zero (the first, -0.250, in Mar 2001); negative months count "
            "as zero flows in the duration statistics and carry no baseflow");
}

TEST(DisplayQdata, SummaryLinesRunOctoberToSeptember) {
  auto state = naturalState(10, std::vector<float>(24, 1.0f));
  TimeSeries& s = state->site.naturalFlows;
  read_tsdata(s);
  SiteParameters site;
  site.baseflowA = 0.925f;
  site.baseflowB = 0.5f;
  site.catchmentArea = 1234.5f;
  do_baseflow(s, site.baseflowA, site.baseflowB);
  auto lines = display_qdata(s, true, site);
  ASSERT_EQ(lines.size(), 23u);
  EXPECT_EQ(lines[0], "Natural Flows:");
  EXPECT_EQ(lines[1], "   Area     MAR   Ann.SD    Q75   Ann.");
  EXPECT_EQ(lines[2], "  (km^2)       (m^3 * 10^6)        CV ");
  EXPECT_EQ(lines[3], " 1234.50   12.00    0.00    1.00  0.00");
  EXPECT_EQ(lines[5], "% Zero flows =   0.0");
  EXPECT_EQ(lines[6], "Baseflow Parameters: A = 0.925, B = 0.500");
  EXPECT_EQ(lines[7], "BFI = 1.00 : Hydro Index =   1.0");
  EXPECT_EQ(lines[9], "MONTH   MEAN      SD     CV");
  EXPECT_EQ(lines[11], " Oct    1.00    0.00    0.00");
  EXPECT_EQ(lines[22].substr(0, 4), " Sep");
  EXPECT_EQ(display_qdata(s, false, site)[0], "Present Day Flows:");
}
