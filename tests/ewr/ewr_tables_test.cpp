#include "ewr/ewr_report.h"
#include "ewr/ewr_tables.h"

#include <gtest/gtest.h>

#include "common/text_format.h"
#include "ewr/ewr_fixture.h"
#include "ewr/ewr_save.h"

using namespace oewr;
using namespace oewr::ewr;
using oewr::testing::makeAnalysisState;

namespace {

RankRow ascending(int n) {
  RankRow row;
  for (int r = 0; r < n; ++r) row[r] = static_cast<float>(r + 1);
  return row;
}

}  // namespace

TEST(DurationPoints, ThirtyValuesGiveTheLargestBelowOneThirtiethAndInterpolateAbove) {
  const RankRow f = ascending(30);  // rank r holds r + 1
  const auto v = valuesAtDurationPoints(f, 30, kSavedPoints);
  ASSERT_EQ(v.size(), 17u);
  EXPECT_EQ(v[0], 30.0f);               // 0.1 %
  EXPECT_EQ(v[1], 30.0f);               // 1 %
  EXPECT_FLOAT_EQ(v[2], 29.5f);         // 5 %: halfway between the two largest
  EXPECT_FLOAT_EQ(v[3], 28.0f);         // 10 % lies on rank 27
  EXPECT_FLOAT_EQ(v[8], 16.0f);         // 50 % lies on rank 15
  EXPECT_FLOAT_EQ(v[10], 10.0f);        // 70 % lies on rank 9
  EXPECT_NEAR(v[16], 1.03f, 1e-4);      // 99.9 %
  for (std::size_t k = 1; k < v.size(); ++k) EXPECT_LE(v[k], v[k - 1]);
}

TEST(DurationPoints, ShortMonthsNeitherReadPastTheirValuesNorExtrapolate) {
  RankRow f = ascending(5);
  f[5] = 1000.0f;  // a leftover above the month's values
  const auto v = valuesAtDurationPoints(f, 5, kReportPoints);
  ASSERT_EQ(v.size(), 10u);
  EXPECT_EQ(v[0], 5.0f);          // 10 %: beyond the largest value's 20 %
  EXPECT_EQ(v[1], 5.0f);          // 20 %
  EXPECT_FLOAT_EQ(v[2], 4.5f);    // 30 %: between 40 % (4) and 20 % (5)
  EXPECT_FLOAT_EQ(v[3], 4.0f);    // 40 %
  EXPECT_FLOAT_EQ(v[4], 3.5f);    // 50 %
  EXPECT_FLOAT_EQ(v[9], 1.05f);   // 99 %
  for (float x : v) {
    EXPECT_GE(x, 1.0f);
    EXPECT_LE(x, 5.0f);
  }
  // Ten values: the 10 % point is the largest value itself.
  RankRow ten = ascending(10);
  ten[10] = 1000.0f;
  EXPECT_EQ(valuesAtDurationPoints(ten, 10, kReportPoints)[0], 10.0f);
}

TEST(DurationPoints, SingleValueFillsEveryPoint) {
  RankRow f;
  f[0] = 2.5f;
  for (float x : valuesAtDurationPoints(f, 1, kSavedPoints)) EXPECT_EQ(x, 2.5f);
  for (float x : valuesAtDurationPoints(f, 0, kSavedPoints)) EXPECT_EQ(x, 0.0f);
}

TEST(AssuranceTable, ThirteenBlocksFromJanuaryWithDecemberTwice) {
  auto s = makeAnalysisState(30);
  calc_ewr_months(*s, 2, kNoConstraint, true);
  const auto data = assuranceTableData(*s, s->ewr.totalFlowAssurance, 2);
  ASSERT_EQ(data.size() * 4, 884u);
  const auto january = valuesAtDurationPoints(s->ewr.totalFlowAssurance[3][2], 30, kSavedPoints);
  const auto december = valuesAtDurationPoints(s->ewr.totalFlowAssurance[2][2], 30, kSavedPoints);
  for (int k = 0; k < 17; ++k) {
    EXPECT_EQ(data[static_cast<std::size_t>(k)], january[static_cast<std::size_t>(k)]);
    EXPECT_EQ(data[static_cast<std::size_t>(11 * 17 + k)], december[static_cast<std::size_t>(k)]);
    EXPECT_EQ(data[static_cast<std::size_t>(12 * 17 + k)], december[static_cast<std::size_t>(k)]);
  }
}

TEST(FinalReport, SectionLayout) {
  auto s = makeAnalysisState(30);
  s->site.naturalFlows.mar = 60.0f;
  calc_ewr_months(*s, 2, kToNaturalFlows, true);
  s->ewr.meanLowEwr[0] = 12.3456f;
  s->ewr.meanTotalEwr[0] = 30.0f;
  const auto lines = finalReportLines(*s, kToNaturalFlows);
  ASSERT_EQ(lines.size(), 249u);
  EXPECT_EQ(lines[1], "FINAL RESERVE SUMMARY DETAILS");
  EXPECT_EQ(lines[3], "EWR (low and total Flows) are constrained to be below Natural Flows");
  EXPECT_EQ(lines[8], "          Mill. m3   %MAR    Mill. m3   %MAR");
  EXPECT_EQ(lines[9], "     A      12.346    20.6    30.000    50.0");
  EXPECT_EQ(lines[19], "Columns are FDC precentage points:");
  EXPECT_EQ(lines[20], "          10        20        30        40        50        60        70        80        90    "
                       "    99");
  EXPECT_EQ(lines[21], "  ");
  EXPECT_EQ(lines[22], "Natural Total flow duration curve (mill. m3)");
  EXPECT_EQ(lines[23].substr(0, 3), "Oct");
  EXPECT_EQ(lines[23].size(), 103u);
  EXPECT_EQ(lines[34].substr(0, 3), "Sep");
  EXPECT_EQ(lines[36], "Natural Baseflow flow duration curve (mill. m3)");
  EXPECT_EQ(lines[49], " ");
  EXPECT_EQ(lines[50], "Category Low Flow Assurance curves (mill. m3)");
  EXPECT_EQ(lines[52], "  A Category");
  EXPECT_EQ(lines[66], "A/B Category");
  EXPECT_EQ(lines[150], "Category Total Flow Assurance curves (mill. m3)");
  EXPECT_EQ(lines[248].substr(0, 3), "Sep");
  // The Oct row of the natural curve at 50 %: rank 15 of 30.
  EXPECT_EQ(lines[23].substr(3 + 4 * 10, 10), formatText("%10.3f", s->ewr.sortedFlows[0][0][15]));
  EXPECT_EQ(finalReportLines(*s, kNoConstraint)[3],
            "EWR Flows are NOT constrained to be below Natural or Present Day Flows");
  EXPECT_EQ(finalReportLines(*s, kToPresentDayFlows)[3],
            "EWR (low and total Flows) are constrained to be below Present Day Flows");
}

TEST(SavedRecords, TitlesAndSeriesHeader) {
  EXPECT_EQ(assuranceTableTitle(true, 2), "IFR Total Ass. ClassB");
  EXPECT_EQ(assuranceTableTitle(false, 1), "IFR Lowflow Ass. ClassA/B");
  EXPECT_EQ(ewrSeriesTitle(true, 5), "Total Flow EWR for C/D");
  EXPECT_EQ(ewrSeriesTitle(false, 6), "Low Flow EWR for D");
  TimeSeriesHeader natural;
  natural.geogId = "Natural";
  natural.count = 365;
  natural.startYear = 1920;
  natural.startMonth = 10;
  const std::string longTitle = "Total Flow EWR for a category with a very long name";
  const TimeSeriesHeader h = ewrSeriesHeader(natural, longTitle);
  EXPECT_EQ(h.geogId, longTitle.substr(0, 41));
  EXPECT_EQ(h.geogId.size(), 41u);
  EXPECT_EQ(h.count, 365);
  EXPECT_EQ(h.startYear, 1920);
  EXPECT_EQ(reportMemoText({"a", "", "b"}), "a\r\n\r\nb\r\n");
}
