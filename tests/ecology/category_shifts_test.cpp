#include "ecology/category_shifts.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "ecology/ecology_fixture.h"
#include "ecology/flow_stress.h"
#include "ecology/process_data.h"
#include "ecology/stress_frequency.h"

using namespace oewr;
using namespace oewr::ecology;
using oewr::testing::makeEcologyState;
using oewr::testing::ScriptedUi;

namespace {

// A natural curve of n positions rising from `low` with the last `atTen`
// positions at stress 10.
void naturalCurve(ModelState& s, EcologyWork& w, int season, int32_t n, int32_t atTen, float low = 1.0f) {
  w.yearCount[kNatural][season] = n;
  for (int32_t j = 0; j < n; ++j)
    s.ecology.stressSeries[season][kNatural][j] =
        j >= n - atTen ? 10.0f : low + (9.0f - low) * static_cast<float>(j) / static_cast<float>(n);
}

// Season 0 table with flows 10, 9.5, .., 0 at levels 0 .. 20.
void linearTable(ModelState& s, int season) {
  for (int j = 0; j <= 20; ++j) {
    s.ecology.stressFlow[season][j] = 10.0f - 0.5f * static_cast<float>(j);
    s.ecology.stressLevel[season][j] = 0.5f * static_cast<float>(j);
  }
}

}  // namespace

TEST(DefaultShifts, CaseAFortyPercentAtStressTen) {
  auto s = makeModelState();
  EcologyWork w;
  ScriptedUi ui;
  for (int season = 0; season < 2; ++season) {
    naturalCurve(*s, w, season, 10, 4);
    w.zeroFlowCount[season] = 3.0f;
    s->site.stressAtZeroFs[season] = 9.0f;
  }
  EXPECT_FLOAT_EQ(zeroFlowFraction(s->ecology.stressSeries[0][kNatural], 10), 0.4f);
  defaultShifts(*s, w, ui, "Ecological sub-model");
  const float high[4] = {10.42f, 10.46f, 10.52f, 10.6f};
  const float low[4] = {0.5f, 1.5f, 3.0f, 5.0f};
  for (int season = 0; season < 2; ++season)
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(s->ecology.defaultHighShift[season][2 * i], high[i], 1e-5f);
      EXPECT_NEAR(s->ecology.defaultLowShift[season][2 * i], low[i], 1e-6f);
    }
  EXPECT_TRUE(ui.messages.empty());
}

TEST(DefaultShifts, CaseAWithEveryPositionAtTenSpendsAllTheTimeThere) {
  auto s = makeModelState();
  EcologyWork w;
  ScriptedUi ui;
  naturalCurve(*s, w, 0, 8, 8);
  naturalCurve(*s, w, 1, 8, 2);
  w.zeroFlowCount[0] = 8.0f;
  w.zeroFlowCount[1] = 2.0f;
  EXPECT_EQ(zeroFlowFraction(s->ecology.stressSeries[0][kNatural], 8), 1.0f);
  defaultShifts(*s, w, ui, "x");
  for (int c = 0; c < kCategoryCount; ++c) EXPECT_FLOAT_EQ(s->ecology.defaultHighShift[0][c], 11.0f);
  // Every category curve then stays at stress 10.
  YearValues curve;
  categoryCurve(8, s->ecology.defaultHighShift[0][0], s->ecology.defaultLowShift[0][0], CurveFit{}, curve);
  for (int r = 0; r < 8; ++r) EXPECT_EQ(curve[r], 10.0f);
}

TEST(DefaultShifts, CaseB1CategoryDReachesStressTen) {
  auto s = makeModelState();
  EcologyWork w;
  ScriptedUi ui;
  naturalCurve(*s, w, 0, 20, 0, 2.0f);  // M = 2 + 7 x 19 / 20 = 8.65, m = 2
  s->site.stressAtZeroFs[0] = 5.0f;
  naturalCurve(*s, w, 1, 20, 0, 2.0f);
  s->site.stressAtZeroFs[1] = 5.0f;
  defaultShifts(*s, w, ui, "x");
  const float M = s->ecology.stressSeries[0][kNatural][19];
  EXPECT_FLOAT_EQ(s->ecology.defaultHighShift[0][6], 10.0f);
  EXPECT_FLOAT_EQ(s->ecology.defaultHighShift[0][0], M + (10.0f - M) * 0.1f);
  EXPECT_FLOAT_EQ(s->ecology.defaultLowShift[0][6], 0.5f * M);
  EXPECT_FLOAT_EQ(s->ecology.defaultLowShift[0][0], 2.0f + (0.5f * M - 2.0f) * 0.1f);
}

TEST(DefaultShifts, CaseB2FromTheFlowWhereFdHabitatFades) {
  auto s = makeModelState();
  EcologyWork w;
  ScriptedUi ui;
  naturalCurve(*s, w, 0, 20, 0, 0.5f);  // M = 0.5 + 8.5 x 0.95 = 8.575
  s->site.stressAtZeroFs[0] = 9.0f;
  linearTable(*s, 0);
  // FD at the baseflow stage 10 is 50 %; it first reaches 5 % at stage 4,
  // whose discharge 2.0 has stress 8 in the table.
  s->hydraulics.stageCount = 11;
  for (int i = 0; i <= 10; ++i) {
    s->hydraulics.stageDischarge[i] = 0.5f * static_cast<float>(i);
    s->hydraulics.stageClassShare[6][i] = 5.0f * static_cast<float>(i - 3 > 0 ? i - 3 : 0) * 10.0f / 7.0f;
  }
  s->site.fdWeight[0] = 1.0f;
  w.habitat[0].baseflowStage = 10;
  w.habitat[0].fdAtBaseflow = s->hydraulics.stageClassShare[6][10];
  // The dry season: no fast habitat, so H = S0.
  naturalCurve(*s, w, 1, 20, 0, 0.5f);
  s->site.stressAtZeroFs[1] = 9.0f;
  w.habitat[1].noFastHabitat = true;
  defaultShifts(*s, w, ui, "x");
  const float M = s->ecology.stressSeries[0][kNatural][19];
  // Q = 2.0 lies between levels 15 (2.5) and 16 (2.0): H = 8, which is below M: H = 10.
  EXPECT_FLOAT_EQ(stressOfHabitatFlow(*s, 0, 2.0f), 8.0f);
  EXPECT_FLOAT_EQ(s->ecology.defaultHighShift[0][6], 10.0f);
  EXPECT_FLOAT_EQ(s->ecology.defaultHighShift[1][6], 9.0f);
  EXPECT_FLOAT_EQ(s->ecology.defaultHighShift[1][0], M + (9.0f - M) * 0.1f);
  EXPECT_FLOAT_EQ(s->ecology.defaultLowShift[1][6], 0.5f * M);
}

TEST(DefaultShifts, CaseB2FlowBelowTheLastLevelLiesTowardsZeroFlow) {
  auto s = makeModelState();
  linearTable(*s, 0);
  // Level 19 holds 0.5, level 20 zero flow.
  EXPECT_FLOAT_EQ(stressOfHabitatFlow(*s, 0, 0.25f), 9.75f);
  EXPECT_FLOAT_EQ(stressOfHabitatFlow(*s, 0, 0.0f), 10.0f);
  EXPECT_FLOAT_EQ(stressOfHabitatFlow(*s, 0, 10.0f), 0.0f);
}

TEST(DefaultShifts, NoFastHabitatsAtAllKeepsThePreviousDefaultOfD) {
  auto s = makeModelState();
  EcologyWork w;
  ScriptedUi ui;
  naturalCurve(*s, w, 0, 20, 0, 0.2f);
  s->site.stressAtZeroFs[0] = 9.5f;
  linearTable(*s, 0);
  s->hydraulics.stageCount = 3;
  w.habitat[0].baseflowStage = 2;  // no FD, FI or FS above 1 %
  s->ecology.defaultHighShift[0][6] = 9.0f;  // the previous default, taken as a flow
  // 9.0 read as a flow lies between levels 1 (9.5) and 2 (9.0): stress 1.
  EXPECT_FLOAT_EQ(caseB2High(*s, 0, w.habitat[0], ui, "Ecological sub-model"), 1.0f);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "No fast habitats at all");
}

TEST(Shifts, DefaultsWithinAThousandthCountAsUnaltered) {
  auto s = makeModelState();
  for (int season = 0; season < 2; ++season)
    for (int c = 0; c < kCategoryCount; ++c) {
      s->ecology.defaultHighShift[season][c] = 9.0f + 0.1f * static_cast<float>(c);
      s->ecology.defaultLowShift[season][c] = 0.5f * static_cast<float>(c);
      s->site.highShift[season][c] = s->ecology.defaultHighShift[season][c] + 0.0009f;
      s->site.lowShift[season][c] = s->ecology.defaultLowShift[season][c] - 0.0009f;
    }
  EXPECT_FALSE(shiftsDifferFromDefaults(*s));
  s->site.lowShift[1][3] += -0.0005f;
  EXPECT_TRUE(shiftsDifferFromDefaults(*s));
}

TEST(Shifts, AlignmentToPresentDay) {
  auto s = makeModelState();
  for (int c = 0; c < kCategoryCount; ++c) {
    s->ecology.defaultHighShift[0][c] = 6.0f + 4.0f * kCategoryFactor[static_cast<std::size_t>(c)];
    s->ecology.defaultLowShift[0][c] = 1.0f + 2.0f * kCategoryFactor[static_cast<std::size_t>(c)];
  }
  // Align B (option 3, category 2) to P = 7.5; the natural maximum N = 6.0.
  alignShifts(*s, 0, 3, 7.5f, 6.0f);
  EXPECT_EQ(s->site.highShift[0][2], 7.5f);
  EXPECT_FLOAT_EQ(s->site.lowShift[0][6], 3.75f);
  const float d = 3.75f - 3.0f;
  for (int c = 0; c < kCategoryCount; ++c) {
    EXPECT_FLOAT_EQ(s->site.lowShift[0][c], s->ecology.defaultLowShift[0][c] + d);
    if (c != 2) {
      EXPECT_FLOAT_EQ(s->site.highShift[0][c], 7.5f + s->ecology.defaultHighShift[0][c] - s->ecology.defaultHighShift[0][2]);
    }
  }
  // A HIGH of A below the natural maximum is drawn between N and P.
  alignShifts(*s, 0, 3, 6.5f, 9.0f);
  EXPECT_FLOAT_EQ(s->site.highShift[0][0], 9.0f + (6.5f - 9.0f) * 0.1f / 0.3f);
  EXPECT_FLOAT_EQ(s->site.highShift[0][1], 9.0f + (6.5f - 9.0f) * 0.2f / 0.3f);
  // Above 10 a value is compressed: 10 + (v - 10) / 10.
  alignShifts(*s, 0, 3, 10.2f, 10.5f);
  const float v = 10.5f + (10.2f - 10.5f) * 0.1f / 0.3f;
  EXPECT_FLOAT_EQ(s->site.highShift[0][0], 10.0f + (v - 10.0f) / 10.0f);
}

TEST(Perenniality, OptionOneForcesTheWetSeasonOnly) {
  SeasonCategoryValues high;
  high[0].fill(10.6f);
  high[1].fill(10.6f);
  high[0][0] = 10.0f;
  SeasonCategoryValues one = high;
  applyPerenniality(one, 1);
  EXPECT_EQ(one[0][6], 9.9f);
  EXPECT_EQ(one[0][0], 10.0f);  // not above 10
  EXPECT_EQ(one[1][6], 10.6f);
  SeasonCategoryValues two = high;
  applyPerenniality(two, 2);
  EXPECT_EQ(two[0][6], 9.9f);
  EXPECT_EQ(two[1][6], 9.9f);
  SeasonCategoryValues none = high;
  applyPerenniality(none, 0);
  EXPECT_EQ(none[1][6], 10.6f);
}

TEST(CategoryCurve, EndsAtTheHighShiftWhenNotAboveTen) {
  YearValues c;
  const int32_t n = 30;
  EXPECT_EQ(categoryCurveEnd(n, 8.0f), n - 1);
  categoryCurve(n, 8.0f, 1.5f, CurveFit{25.0f, 4}, c);
  EXPECT_FLOAT_EQ(c[n - 1], 8.0f);
  EXPECT_NEAR(c[0], 1.5f, 0.05f);
  for (int r = 0; r + 1 < n; ++r) EXPECT_LE(c[r], c[r + 1]);
}

TEST(CategoryCurve, HighShiftAboveTenSpendsItsFractionAtTen) {
  YearValues c;
  // n = 20, H = 10.3: 6 positions at 10, K = 14.
  EXPECT_EQ(categoryCurveEnd(20, 10.3f), 14);
  categoryCurve(20, 10.3f, 0.5f, CurveFit{30.0f, 0}, c);
  EXPECT_FLOAT_EQ(c[14], 10.0f);
  for (int r = 15; r < 20; ++r) EXPECT_EQ(c[r], 10.0f);
}

TEST(CategoryCurve, EndPositionHeldWithinTheCurve) {
  // A HIGH just above 10 with few years rounds to no position at 10: K = n - 1.
  EXPECT_EQ(categoryCurveEnd(5, 10.05f), 4);
  YearValues c;
  c.fill(-1.0f);
  categoryCurve(5, 10.05f, 1.0f, CurveFit{20.0f, 0}, c);
  EXPECT_FLOAT_EQ(c[4], 10.0f);
  EXPECT_EQ(c[5], -1.0f);  // nothing written past the curve
  // K = 0: the whole curve at stress 10.
  EXPECT_EQ(categoryCurveEnd(4, 10.9f), 0);
  categoryCurve(4, 10.9f, 1.0f, CurveFit{20.0f, 0}, c);
  for (int r = 0; r < 4; ++r) EXPECT_EQ(c[r], 10.0f);
  EXPECT_EQ(categoryCurveEnd(4, 12.0f), 0);
  // n = 121 with H just above 10 stays within the 121 positions.
  EXPECT_EQ(categoryCurveEnd(121, 10.001f), 120);
  categoryCurve(121, 10.001f, 0.0f, CurveFit{}, c);
  EXPECT_FLOAT_EQ(c[120], 10.0f);
}

TEST(QSInterp, InverseOfTheTableAndClamped) {
  auto s = makeModelState();
  linearTable(*s, 1);
  EXPECT_FLOAT_EQ(QSInterp(*s, 1, 0.0f), 10.0f);
  EXPECT_FLOAT_EQ(QSInterp(*s, 1, 3.25f), 6.75f);
  EXPECT_FLOAT_EQ(QSInterp(*s, 1, 10.0f), 0.0f);
  EXPECT_FLOAT_EQ(QSInterp(*s, 1, -0.0001f), 10.0f);
  EXPECT_FLOAT_EQ(QSInterp(*s, 1, -2.0f), 10.0f);
  EXPECT_FLOAT_EQ(QSInterp(*s, 1, 10.0001f), 0.0f);
}

TEST(CategoryFlows, CappedAtTheNaturalFlowsAndHandedOver) {
  auto s = makeEcologyState(40, 0);
  EcologyWork w;
  ScriptedUi ui;
  computeEcology(*s, w, 0, 0, ui, "Ecological sub-model");
  int capped = 0;
  for (int season = 0; season < 2; ++season) {
    const int32_t n = w.curveCount[season];
    ASSERT_EQ(n, 40);
    EXPECT_EQ(s->ecology.ecoRankCount[season], 40);
    const int m = season == 0 ? hydroMonthIndex(2) : hydroMonthIndex(9);
    for (int c = 0; c < kCategoryCount; ++c)
      for (int32_t r = 0; r < n; ++r) {
        const float flow = w.categoryFlows[season][c][n - 1 - r];
        const float natural = w.naturalSeasonFlows(season)[r];
        EXPECT_LE(flow, natural);
        if (flow == natural && QSInterp(*s, season, w.categoryCurve[season][c][n - 1 - r]) > natural) ++capped;
        EXPECT_EQ(s->ecology.ecoLowReq[m][c][r], flow);
      }
  }
  EXPECT_GT(capped, 0);
  // The other months are left alone.
  EXPECT_EQ(s->ecology.ecoLowReq[0][0][0], 0.0f);
}

TEST(CategoryFlows, CategoriesAreOrderedFromAToD) {
  auto s = makeEcologyState(60, 0);
  EcologyWork w;
  ScriptedUi ui;
  // A new site's zero shifts count as altered until the defaults are taken.
  computeEcology(*s, w, 0, 0, ui, "x");
  EXPECT_TRUE(s->ecology.shiftsAltered);
  s->site.highShift = s->ecology.defaultHighShift;
  s->site.lowShift = s->ecology.defaultLowShift;
  s->ecology.shiftsAltered = false;
  computeEcology(*s, w, 0, 0, ui, "x");
  for (int season = 0; season < 2; ++season) {
    const int m = season == 0 ? hydroMonthIndex(2) : hydroMonthIndex(9);
    double sumA = 0, sumD = 0;
    for (int r = 0; r < 60; ++r) {
      sumA += s->ecology.ecoLowReq[m][0][r];
      sumD += s->ecology.ecoLowReq[m][6][r];
    }
    EXPECT_GT(sumA, sumD) << "season " << season;
  }
  EXPECT_FALSE(s->ecology.shiftsAltered);
  EXPECT_EQ(s->site.highShift[0][2], s->ecology.defaultHighShift[0][2]);
}

TEST(CategoryFlows, AlignmentNeedsPresentDayFlows) {
  auto s = makeEcologyState(30, 0, false, false);
  EcologyWork w;
  ScriptedUi ui;
  s->ecology.shiftsAltered = true;
  EXPECT_THROW(computeEcology(*s, w, 0, 3, ui, "x"), ModelError);
}

TEST(CategoryFlows, SeriesOfOtherLengthsFollowTheNaturalRecord) {
  auto s = makeEcologyState(40, 0);
  oewr::testing::fillFlows(s->site.presentFlows, 25 * 12 + 7, 10, 29u, 0.6f);
  oewr::testing::fillFlows(s->site.scenarioFlows, 50 * 12, 10, 41u, 0.8f);
  EcologyWork w;
  ScriptedUi ui;
  s->ecology.shiftsAltered = true;  // aligned shifts are altered ones
  computeEcology(*s, w, 0, 3, ui, "x");
  EXPECT_EQ(w.yearCount[kPresentDay][0], 25);
  EXPECT_EQ(w.yearCount[kScenario][1], 50);
  for (int season = 0; season < 2; ++season) {
    EXPECT_EQ(w.curveCount[season], 40);
    EXPECT_EQ(s->ecology.ecoRankCount[season], 40);
    // Category B is aligned to the last position of the present-day curve.
    EXPECT_EQ(s->site.highShift[season][2], s->ecology.stressSeries[season][kPresentDay][24]);
  }
  EXPECT_TRUE(w.aligned);
  EXPECT_EQ(s->site.alignStressOption, 3);
}
