#include "ewr/assurance_rules.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "ewr/ewr_fixture.h"

using namespace oewr;
using namespace oewr::ecology;
using namespace oewr::ewr;
using oewr::testing::makeAnalysisState;

namespace {

RankRow rowOf(const std::vector<float>& values) {
  RankRow row;
  for (std::size_t k = 0; k < values.size(); ++k) row[static_cast<long long>(k)] = values[k];
  return row;
}

// A state of `years` years from October in which every month has the same
// flow and baseflow each year, so that every rank of a month holds the same
// value and the interpolated requirement is flat.
std::unique_ptr<ModelState> flatState(int years, const std::array<float, 12>& baseflowByHydroMonth) {
  auto s = makeModelState();
  s->site.naturalFlows.header.count = years * 12;
  s->site.naturalFlows.header.startYear = 1950;
  s->site.naturalFlows.header.startMonth = 10;
  for (int32_t i = 0; i < years * 12; ++i) {
    const float b = baseflowByHydroMonth[static_cast<std::size_t>(i % 12)];
    s->site.naturalFlows.values[i] = 2.0f * b + 1.0f;
    s->site.naturalFlows.baseflows[i] = b;
  }
  s->site.naturalFlows.mar = 1.0f;
  return s;
}

void setFlatRequirement(ModelState& s, int calendarMonth, float requirement) {
  const int m = hydroMonthIndex(calendarMonth);
  for (int c = 0; c < kCategoryCount; ++c)
    for (int r = 0; r < kMaxRanks; ++r) s.ecology.ecoLowReq[m][c][r] = requirement;
}

constexpr float kVolumeFactor = 24.0f * 0.0036f;

}  // namespace

TEST(NaturalDurationCurves, JanuaryStartFillsMonthIndexThreeAndSortsAscending) {
  auto s = makeModelState();
  s->site.naturalFlows.header.count = 24;
  s->site.naturalFlows.header.startMonth = 1;
  for (int i = 0; i < 24; ++i) {
    s->site.naturalFlows.values[i] = static_cast<float>(100 - i);
    s->site.naturalFlows.baseflows[i] = static_cast<float>(50 - i);
  }
  calc_natfdc(*s);
  for (int m = 0; m < 12; ++m) EXPECT_EQ(s->ewr.valuesPerMonth[m], 2);
  // January: values 0 and 12, ascending.
  EXPECT_EQ(s->ewr.sortedFlows[0][3][0], 88.0f);
  EXPECT_EQ(s->ewr.sortedFlows[0][3][1], 100.0f);
  EXPECT_EQ(s->ewr.sortedBaseflows[0][3][0], 38.0f);
  // October (index 0) holds values 9 and 21.
  EXPECT_EQ(s->ewr.sortedFlows[0][0][0], 79.0f);
  EXPECT_EQ(s->ewr.sortedFlows[0][0][1], 91.0f);
}

TEST(NaturalDurationCurves, EmptyPresentDaySetIsCopiedButNotSorted) {
  auto s = makeAnalysisState(3);
  s->site.presentFlows.header.count = 0;
  for (int i = 0; i < 36; ++i) s->site.presentFlows.values[i] = static_cast<float>(36 - i);
  calc_natfdc(*s);
  // October's present-day entries stay in the order of the record.
  EXPECT_EQ(s->ewr.sortedFlows[1][0][0], 36.0f);
  EXPECT_EQ(s->ewr.sortedFlows[1][0][1], 24.0f);
  EXPECT_EQ(s->ewr.sortedFlows[1][0][2], 12.0f);
  s->site.presentFlows.header.count = 36;
  calc_natfdc(*s);
  EXPECT_EQ(s->ewr.sortedFlows[1][0][0], 12.0f);
  EXPECT_EQ(s->ewr.sortedFlows[1][0][2], 36.0f);
}

TEST(NaturalDurationCurves, PartialLastYearIsLeftOut) {
  auto s = makeAnalysisState(30, 5);
  calc_natfdc(*s);
  for (int m = 0; m < 12; ++m) EXPECT_EQ(s->ewr.valuesPerMonth[m], 30) << "month " << m;
}

TEST(ReductionFractions, EqualCriticalBaseflowsGiveTheWetFraction) {
  // Wet (March, index 5) and dry (September, index 11) months both hold a
  // baseflow of 4; the wet month keeps 2 (fraction 0.5), the dry month 0.8
  // (fraction 0.8). February (index 4) has a baseflow of 2.
  std::array<float, 12> b{};
  b.fill(2.0f);
  b[5] = 4.0f;
  b[11] = 4.0f;
  auto s = flatState(12, b);
  s->hydrology.criticalWetMonth = 3;
  s->hydrology.criticalDryMonth = 9;
  setFlatRequirement(*s, 3, 2.0f);
  setFlatRequirement(*s, 9, 0.8f);
  calc_ewr_months(*s, 2, kNoConstraint, false);
  EXPECT_FLOAT_EQ(s->ewr.reductionFraction[2][0][0], 0.5f);
  EXPECT_FLOAT_EQ(s->ewr.reductionFraction[2][1][0], 0.8f);
  for (int r = 0; r < 12; ++r) {
    EXPECT_NEAR(s->ecology.ecoLowReq[4][2][r], 1.0f, 1e-6) << "rank " << r;  // 2 - 2 x 0.5
    // February counts 28 days: 28 x 1.0 m3/s.
    EXPECT_NEAR(s->ewr.lowFlowAssurance[4][2][r], 28.0f * kVolumeFactor, 1e-5);
  }
  // The critical months keep the ecological requirement as it was.
  EXPECT_EQ(s->ecology.ecoLowReq[5][2][0], 2.0f);
  EXPECT_EQ(s->ecology.ecoLowReq[11][2][0], 0.8f);
}

TEST(ReductionFractions, ZeroBaseflowGivesFractionOneAndNoRequirement) {
  // The wet month (March) has no baseflow: its fraction is 1.0 at every
  // rank. With the wet month below the dry one the weight is 0, so every
  // other month takes the wet fraction and requires nothing.
  std::array<float, 12> b{};
  b.fill(3.0f);
  b[5] = 0.0f;
  b[11] = 4.0f;
  auto s = flatState(10, b);
  s->hydrology.criticalWetMonth = 3;
  s->hydrology.criticalDryMonth = 9;
  setFlatRequirement(*s, 3, 0.0f);
  setFlatRequirement(*s, 9, 2.0f);
  calc_ewr_months(*s, 0, kNoConstraint, false);
  for (int r = 0; r < 10; ++r) {
    EXPECT_EQ(s->ewr.reductionFraction[0][0][r], 1.0f);
    EXPECT_EQ(s->ewr.reductionFraction[0][1][r], 0.5f);
    EXPECT_EQ(s->ecology.ecoLowReq[0][0][r], 0.0f);
    EXPECT_EQ(s->ewr.lowFlowAssurance[0][0][r], 0.0f);
  }
}

TEST(ReductionFractions, WeightOutsideZeroToOneGivesTheAverage) {
  // Wet baseflow 4 keeps 2 (fraction 0.5); dry baseflow 2 keeps 0.4
  // (fraction 0.8). A month at 6 lies above the wet month (w = -1), one at 1
  // below the dry month (w = 1.5): both take 0.65. A month at 3.5 has
  // w = 0.25: 0.25 x 0.8 + 0.75 x 0.5 = 0.575.
  std::array<float, 12> b{};
  b.fill(2.0f);
  b[5] = 4.0f;
  b[11] = 2.0f;
  b[0] = 6.0f;
  b[1] = 1.0f;
  b[2] = 3.5f;
  auto s = flatState(15, b);
  s->hydrology.criticalWetMonth = 3;
  s->hydrology.criticalDryMonth = 9;
  setFlatRequirement(*s, 3, 2.0f);
  setFlatRequirement(*s, 9, 0.4f);
  calc_ewr_months(*s, 6, kNoConstraint, false);
  for (int r = 0; r < 15; ++r) {
    EXPECT_NEAR(s->ecology.ecoLowReq[0][6][r], 6.0f - 6.0f * 0.65f, 1e-5) << "rank " << r;
    EXPECT_NEAR(s->ecology.ecoLowReq[1][6][r], 1.0f - 1.0f * 0.65f, 1e-5);
    EXPECT_NEAR(s->ecology.ecoLowReq[2][6][r], 3.5f - 3.5f * 0.575f, 1e-5);
  }
}

TEST(Smoothing, NinePointMeanPadsBothEndsAndUsesSmoothedLowerRanks) {
  RankRow y = rowOf({9, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  smoothNinePoint(y, 10);
  EXPECT_FLOAT_EQ(y[0], 5.0f);          // (4 x 9 + 9) / 9
  EXPECT_FLOAT_EQ(y[1], 20.0f / 9.0f);  // (3 x 5 + 5) / 9: the smoothed rank 0
  RankRow top = rowOf({0, 0, 0, 0, 0, 0, 0, 0, 0, 9});
  smoothNinePoint(top, 10);
  EXPECT_EQ(top[4], 0.0f);
  EXPECT_FLOAT_EQ(top[5], 1.0f);
  EXPECT_FLOAT_EQ(top[6], 19.0f / 9.0f);  // 1 x Y[9] + Y[2..9]
}

TEST(Smoothing, ShortCurvesArePaddedWithTheirLargestValue) {
  // Ranks above the curve hold leftovers that must not count.
  RankRow y = rowOf({3, 6, 9, 1000, 1000, 1000, 1000, 1000, 1000});
  smoothNinePoint(y, 3);
  EXPECT_FLOAT_EQ(y[0], 48.0f / 9.0f);  // 4 x 3 + 3 + 6 + 9 + 9 + 9
  EXPECT_LT(y[2], 9.0f);
  EXPECT_EQ(y[3], 1000.0f);  // untouched
  RankRow single = rowOf({7, 1000});
  smoothNinePoint(single, 1);
  EXPECT_FLOAT_EQ(single[0], 7.0f);
}

TEST(NonDecreasingRepair, FallAtTheLastRankTakesTheRankBefore) {
  RankRow y = rowOf({1, 2, 3, 4, 3.5f});
  makeNonDecreasing(y, 5);
  EXPECT_EQ(y[4], 4.0f);
  EXPECT_EQ(y[3], 4.0f);
}

TEST(NonDecreasingRepair, FallingStretchRisesInStepsOfTheWholeMonth) {
  RankRow y = rowOf({1, 2, 1.5f, 1.2f, 3, 4});
  makeNonDecreasing(y, 6);
  EXPECT_FLOAT_EQ(y[2], 2.0f + 1.0f / 6.0f);
  EXPECT_FLOAT_EQ(y[3], 2.0f + 2.0f / 6.0f);  // still below the next rising value 3
  EXPECT_EQ(y[4], 3.0f);
  RankRow tail = rowOf({1, 3, 2, 2.5f});
  makeNonDecreasing(tail, 4);
  EXPECT_EQ(tail[2], 3.0f);
  EXPECT_EQ(tail[3], 3.0f);
}

TEST(Constraints, NoConstraintPassesTheCurvesUnchanged) {
  auto s = makeAnalysisState(20);
  calc_ewr_months(*s, 2, kNoConstraint, false);
  const int wet = hydroMonthIndex(3);  // March: 31 days
  for (int r = 0; r < 20; ++r) {
    EXPECT_EQ(s->ewr.totalLimit[wet][r], 10000000.0f);
    const float volume = 31.0f * s->ecology.ecoLowReq[wet][2][r] * 24.0f * 0.0036f;
    EXPECT_EQ(s->ewr.lowFlowAssurance[wet][2][r], volume);
    EXPECT_EQ(s->ewr.totalFlowAssurance[wet][2][r], volume);
  }
}

TEST(Constraints, ToNaturalFlowsCutsBothCurvesAndTheAddedHighFlows) {
  auto s = makeAnalysisState(20);
  // The wet month requires 3 m3/s at every rank: about 8 million m3, more
  // than March's smallest flows but less than its largest.
  setFlatRequirement(*s, 3, 3.0f);
  calc_ewr_months(*s, 1, kToNaturalFlows, true);
  const int wet = hydroMonthIndex(3);
  const float volume = 31.0f * 3.0f * 24.0f * 0.0036f;
  int cut = 0, kept = 0;
  for (int r = 0; r < 20; ++r) {
    const float natural = s->ewr.sortedFlows[0][wet][r];
    EXPECT_EQ(s->ewr.totalLimit[wet][r], natural);
    EXPECT_LE(s->ewr.totalFlowAssurance[wet][1][r], natural);
    if (volume > natural) {
      ++cut;
      EXPECT_EQ(s->ewr.lowFlowAssurance[wet][1][r], natural);
      EXPECT_EQ(s->ewr.totalFlowAssurance[wet][1][r], natural);
    } else {
      ++kept;
      EXPECT_EQ(s->ewr.lowFlowAssurance[wet][1][r], volume);
      const float sum = volume + s->floods.highFlowAssurance[wet][1][r];
      EXPECT_EQ(s->ewr.totalFlowAssurance[wet][1][r], sum > natural ? natural : sum);
    }
  }
  EXPECT_GT(cut, 0);
  EXPECT_GT(kept, 0);
}

TEST(Constraints, UntickedHighFlowsMakeTotalEqualLow) {
  auto s = makeAnalysisState(25);
  calc_ewr_months(*s, 3, kNoConstraint, false);
  for (int c = 0; c < kCategoryCount; ++c) {
    EXPECT_EQ(s->ewr.meanTotalEwr[c], s->ewr.meanLowEwr[c]);
    for (int m = 0; m < 12; ++m)
      for (int r = 0; r < 25; ++r) EXPECT_EQ(s->ewr.totalFlowAssurance[m][c][r], s->ewr.lowFlowAssurance[m][c][r]);
  }
  calc_ewr_months(*s, 3, kNoConstraint, true);
  for (int c = 0; c < kCategoryCount; ++c) EXPECT_GT(s->ewr.meanTotalEwr[c], s->ewr.meanLowEwr[c]);
}

TEST(EwrAtFlow, ReadsTheRequirementAtTheFlowsDurationPosition) {
  const RankRow s = rowOf({1, 2, 4});
  const RankRow l = rowOf({10, 20, 40});
  EXPECT_EQ(ewrAtFlow(s, l, 3, 1.0f), 10.0f);  // smallest flow: rank 0
  EXPECT_EQ(ewrAtFlow(s, l, 3, 4.0f), 40.0f);  // largest flow: last rank
  EXPECT_EQ(ewrAtFlow(s, l, 3, 3.0f), 30.0f);
  EXPECT_EQ(ewrAtFlow(s, l, 3, 0.5f), 10.0f);  // below the curve: no extrapolation
  EXPECT_EQ(ewrAtFlow(s, l, 3, 9.0f), 40.0f);  // above it
  EXPECT_EQ(ewrAtFlow(s, l, 1, 3.0f), 10.0f);  // a single value
}

TEST(EwrAtFlow, EqualNeighboursGiveTheLowerRanksRequirement) {
  const RankRow s = rowOf({1, 1.000005f, 3});
  const RankRow l = rowOf({5, 7, 9});
  EXPECT_EQ(ewrAtFlow(s, l, 3, 1.000003f), 5.0f);
}

TEST(EwrSeries, WholeYearsMakeTheMeansAndEveryMonthGetsAValue) {
  auto s = makeAnalysisState(30, 5);
  calc_ewr_months(*s, 2, kNoConstraint, false);
  float sum = 0.0f;
  for (int i = 0; i < 360; ++i) sum += s->ewr.ewrSeries[i];
  EXPECT_FLOAT_EQ(s->ewr.meanLowEwr[2], sum / 30.0f);
  // The five months of the last part year are read on their months' curves.
  for (int i = 360; i < 365; ++i) {
    const int m = i % 12;
    EXPECT_GE(s->ewr.ewrSeries[i], s->ewr.lowFlowAssurance[m][2][0]);
    EXPECT_LE(s->ewr.ewrSeries[i], s->ewr.lowFlowAssurance[m][2][29]);
  }
  EXPECT_EQ(s->ewr.ewrSeries[365], 0.0f);
}

TEST(EwrSeries, HighFlowsAreAddedMonthByMonth) {
  auto s = makeAnalysisState(12);
  calc_ewr_months(*s, 4, kNoConstraint, false);
  std::vector<float> low(s->ewr.ewrSeries.begin(), s->ewr.ewrSeries.begin() + 144);
  calc_ewr_months(*s, 4, kNoConstraint, true);
  for (int i = 0; i < 144; ++i) EXPECT_EQ(s->ewr.ewrSeries[i], low[static_cast<std::size_t>(i)] + s->floods.highFlowSeries[4][i]);
}

TEST(EwrSeries, PartYearAtTheEndChangesNoCurveAndNoMean) {
  // A record ending inside a year once gave the months of its last part one
  // value more than the critical months: their top ranks then took the full
  // natural baseflow as the requirement.
  auto whole = makeAnalysisState(30);
  auto longer = makeAnalysisState(30, 5);
  for (int i = 360; i < 365; ++i) {
    longer->site.naturalFlows.values[i] *= 10.0f;
    longer->site.naturalFlows.baseflows[i] *= 10.0f;
  }
  calc_ewr_months(*whole, 2, kToNaturalFlows, true);
  calc_ewr_months(*longer, 2, kToNaturalFlows, true);
  for (int c = 0; c < kCategoryCount; ++c) {
    EXPECT_EQ(whole->ewr.meanLowEwr[c], longer->ewr.meanLowEwr[c]);
    EXPECT_EQ(whole->ewr.meanTotalEwr[c], longer->ewr.meanTotalEwr[c]);
    for (int m = 0; m < 12; ++m)
      for (int r = 0; r < 30; ++r) {
        ASSERT_EQ(whole->ewr.lowFlowAssurance[m][c][r], longer->ewr.lowFlowAssurance[m][c][r]) << m << " " << c << " " << r;
        ASSERT_EQ(whole->ewr.totalFlowAssurance[m][c][r], longer->ewr.totalFlowAssurance[m][c][r]);
      }
  }
  for (int i = 0; i < 360; ++i) EXPECT_EQ(whole->ewr.ewrSeries[i], longer->ewr.ewrSeries[i]);
}

TEST(EwrSeries, SecondRunGivesTheSameResult) {
  auto s = makeAnalysisState(20);
  calc_ewr_months(*s, 2, kToPresentDayFlows, true);
  auto first = s->ewr.totalFlowAssurance;
  auto firstSeries = s->ewr.ewrSeries;
  calc_ewr_months(*s, 2, kToPresentDayFlows, true);
  EXPECT_TRUE(first == s->ewr.totalFlowAssurance);
  EXPECT_TRUE(firstSeries == s->ewr.ewrSeries);
}

TEST(EwrSeries, ShortRecordsStayWithinTheirCurves) {
  auto s = makeAnalysisState(4);
  calc_ewr_months(*s, 2, kNoConstraint, false);
  for (int m = 0; m < 12; ++m) {
    EXPECT_EQ(s->ewr.valuesPerMonth[m], 4);
    for (int r = 0; r < 4; ++r) {
      EXPECT_GE(s->ewr.lowFlowAssurance[m][2][r], 0.0f);
      if (r > 0) {
        EXPECT_GE(s->ewr.lowFlowAssurance[m][2][r], s->ewr.lowFlowAssurance[m][2][r - 1]);
      }
    }
  }
  auto one = makeAnalysisState(1);
  calc_ewr_months(*one, 2, kNoConstraint, false);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(one->ewr.ewrSeries[i], one->ewr.lowFlowAssurance[i][2][0]);
  EXPECT_FLOAT_EQ(one->ewr.meanLowEwr[2], [&] {
    float sum = 0.0f;
    for (int i = 0; i < 12; ++i) sum += one->ewr.ewrSeries[i];
    return sum;
  }());
}

TEST(AnalysisInputs, RecordsTheTablesCannotHoldAreRefusedWithTheirLimit) {
  auto s = makeAnalysisState(2);
  s->site.naturalFlows.header.count = 122 * 12;
  try {
    calc_ewr_months(*s, 2, kNoConstraint, true);
    FAIL() << "a record of 122 years was analysed";
  } catch (const ModelError& e) {
    EXPECT_NE(std::string(e.what()).find("at most 121 years"), std::string::npos) << e.what();
  }
  s->site.naturalFlows.header.count = 121 * 12 + 11;  // 121 whole years fit
  EXPECT_NO_THROW(calc_ewr_months(*s, 2, kNoConstraint, true));
  s->site.naturalFlows.header.count = 11;
  EXPECT_THROW(calc_ewr_months(*s, 2, kNoConstraint, true), ModelError);
  s->site.naturalFlows.header.count = 24;
  s->hydrology.criticalDryMonth = 0;
  EXPECT_THROW(calc_ewr_months(*s, 2, kNoConstraint, true), ModelError);
  s->hydrology.criticalDryMonth = 9;
  s->site.naturalFlows.header.startMonth = 0;
  EXPECT_THROW(calc_ewr_months(*s, 2, kNoConstraint, true), ModelError);
  s->site.naturalFlows.header.startMonth = 10;

  // A channel that carries at most 2 m3/s holds no baseflow of 2 m3/s or more.
  s->hydraulics.stageCount = 3;
  s->hydraulics.stageDischarge[1] = 1.0f;
  s->hydraulics.stageDischarge[2] = 2.0f;
  s->hydrology.maxBaseflowWet = 1.5f;
  s->hydrology.maxBaseflowDry = 0.5f;
  EXPECT_NO_THROW(calc_ewr_months(*s, 2, kNoConstraint, true));
  s->hydrology.maxBaseflowDry = 2.0f;
  try {
    calc_ewr_months(*s, 2, kNoConstraint, true);
    FAIL() << "a channel too small for its baseflows was analysed";
  } catch (const ModelError& e) {
    EXPECT_NE(std::string(e.what()).find("critical dry month, 2.000 m3/s, is not below the 2.000 m3/s the channel "
                                         "carries when full"),
              std::string::npos)
        << e.what();
  }
}
