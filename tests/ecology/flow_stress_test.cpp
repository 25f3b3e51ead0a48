#include "ecology/flow_stress.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "ecology/ecology_fixture.h"

using namespace oewr;
using namespace oewr::ecology;
using oewr::testing::fillChannel;
using oewr::testing::makeEcologyState;

namespace {

// A natural record of whole years from October in which `zeroYears` of the
// February and September values are zero.
void zeroSomeYears(ModelState& s, int zeroYears) {
  for (int y = 0; y < zeroYears; ++y) {
    s.site.naturalFlows.values[y * 12 + 4] = 0.0f;   // February
    s.site.naturalFlows.values[y * 12 + 11] = 0.0f;  // September
  }
}

// Stages 0 .. 10 with discharge i + 1 and a stress curve rising by 0.5 a
// stage as the stage falls: 0 at stage 10, 5 at stage 0.
struct LinearStages {
  std::unique_ptr<ModelState> s = makeModelState();
  StageCurve curve;
  LinearStages() {
    s->hydraulics.stageCount = 11;
    for (int i = 0; i <= 10; ++i) {
      s->hydraulics.stageDischarge[i] = static_cast<float>(i + 1);
      curve[i] = 0.5f * static_cast<float>(10 - i);
    }
  }
};

}  // namespace

TEST(DefaultWeights, NewSiteGetsTheSeasonDefaults) {
  auto s = makeEcologyState(20, 0);
  s->site.fdWeight[0] = 0.05f;  // below 0.1 in total: defaulted, the FD weight kept
  const auto zeros = countZeroFlows(*s);
  EXPECT_EQ(zeros[0], 0.0f);
  EXPECT_EQ(zeros[1], 0.0f);
  applyDefaultWeights(*s, zeros);
  EXPECT_EQ(s->site.fsWeight[0], 2.0f);
  EXPECT_EQ(s->site.fiWeight[0], 1.0f);
  EXPECT_EQ(s->site.fdWeight[0], 0.05f);
  EXPECT_EQ(s->site.stressAtZeroFs[0], 9.0f);
  EXPECT_EQ(s->site.fsWeight[1], 3.0f);
  EXPECT_EQ(s->site.fiWeight[1], 1.0f);
  EXPECT_EQ(s->site.fdWeight[1], 0.0f);
  EXPECT_EQ(s->site.stressAtZeroFs[1], 5.0f);
}

TEST(DefaultWeights, ZeroFlowsLowerTheStressAtZeroFsByTheirShareOfAllMonths) {
  auto s = makeEcologyState(20, 0);
  zeroSomeYears(*s, 6);
  const auto zeros = countZeroFlows(*s);
  EXPECT_EQ(zeros[0], 6.0f);
  EXPECT_EQ(zeros[1], 6.0f);
  applyDefaultWeights(*s, zeros);
  // The count is divided by the 240 months of the record, not by its years.
  EXPECT_FLOAT_EQ(s->site.stressAtZeroFs[0], 9.0f - 4.0f * 6.0f / 240.0f);
  EXPECT_FLOAT_EQ(s->site.stressAtZeroFs[1], 5.0f - 4.0f * 6.0f / 240.0f);
}

TEST(DefaultWeights, WeightsInUseAreKept) {
  auto s = makeEcologyState(20, 0);
  s->site.fsWeight[0] = 0.1f;
  s->site.stressAtZeroFs[0] = 7.0f;
  applyDefaultWeights(*s, countZeroFlows(*s));
  EXPECT_EQ(s->site.fsWeight[0], 0.1f);
  EXPECT_EQ(s->site.fiWeight[0], 0.0f);
  EXPECT_EQ(s->site.stressAtZeroFs[0], 7.0f);
}

TEST(FlowStress, CriticalMonthsAndStartMonthAreChecked) {
  auto s = makeEcologyState(20, 0);
  s->hydrology.criticalDryMonth = 0;
  EXPECT_THROW(countZeroFlows(*s), ModelError);
  s->hydrology.criticalDryMonth = 9;
  s->site.naturalFlows.header.startMonth = 13;
  EXPECT_THROW(countZeroFlows(*s), ModelError);
}

TEST(FastHabitat, TwentyPercentIsTheThreshold) {
  HabitatMaxima m;
  m.maxFI = 5.0f;
  m.maxFS = 5.0f;
  EXPECT_FALSE(hasFastHabitat(9.9f, m));
  EXPECT_TRUE(hasFastHabitat(10.0f, m));
}

TEST(FastHabitat, SeasonBelowTwentyPercentUsesFastVeryShallowHabitatAndStressNine) {
  auto s = makeEcologyState(20, 0);
  // Dry baseflow stage: FS and FI scaled down so that FD + FI + FS = 19.9 %.
  const int32_t b = s->hydraulics.dryBaseflowStage;
  const HabitatMaxima before = scanHabitatMaxima(*s, b);
  const float scale = 19.9f / (before.maxFI + before.maxFS);
  for (int j = 0; j < s->hydraulics.stageCount; ++j) {
    s->hydraulics.stageClassShare[4][j] *= scale;
    s->hydraulics.stageClassShare[5][j] *= scale;
  }
  s->site.stressAtZeroFs[1] = 4.0f;
  s->site.fsWeight[1] = 3.0f;
  s->site.fiWeight[1] = 1.0f;
  EcologyWork w;
  do_flow_stress(*s, w);
  ASSERT_LT(s->hydraulics.stageClassShare[6][b] + w.habitat[1].maxima.maxFI + w.habitat[1].maxima.maxFS, 20.0f);
  EXPECT_TRUE(w.habitat[1].noFastHabitat);
  EXPECT_EQ(s->site.stressAtZeroFs[1], 9.0f);
  EXPECT_FALSE(w.habitat[0].noFastHabitat);
  // Level 18 (k of S0 = 9) holds Qlow, the lowest discharge with FVS habitat left.
  EXPECT_EQ(s->ecology.stressFlow[1][18], w.habitat[1].qLow);
}

TEST(FdBaseStress, ByTheRatioWhereFdVanishes) {
  EXPECT_EQ(fdBaseStress(10.0f, 1.0f, 0.75f), 1.0f);
  EXPECT_EQ(fdBaseStress(10.0f, 1.0f, 0.74f), 1.5f);
  EXPECT_EQ(fdBaseStress(10.0f, 1.0f, 0.5f), 1.5f);
  EXPECT_EQ(fdBaseStress(10.0f, 1.0f, 0.25f), 2.5f);
  EXPECT_EQ(fdBaseStress(10.0f, 1.0f, 0.2f), 3.0f);
  EXPECT_EQ(fdBaseStress(10.0f, 1.0f, -9.0f), 3.0f);  // FD never vanishes
  EXPECT_EQ(fdBaseStress(10.0f, 0.0f, 0.9f), 3.0f);   // no FD weight
  EXPECT_EQ(fdBaseStress(0.0f, 1.0f, 0.9f), 0.0f);    // no FD at the baseflow
}

TEST(RelativeLosses, FdThatNeverVanishesGivesRatioMinusNine) {
  auto s = makeModelState();
  s->hydraulics.stageCount = 5;
  for (int i = 0; i < 5; ++i) {
    s->hydraulics.stageDischarge[i] = static_cast<float>(i + 1);
    s->hydraulics.stageClassShare[6][i] = 2.0f + static_cast<float>(i);  // FD 2 .. 6, never 0
  }
  RelativeLosses l;
  relativeLosses(*s, 4, scanHabitatMaxima(*s, 4), l);
  EXPECT_EQ(l.fdRatio, -9.0f);
  EXPECT_EQ(fdBaseStress(s->hydraulics.stageClassShare[6][4], 1.0f, l.fdRatio), 3.0f);
  EXPECT_FLOAT_EQ(l.relFD[0], 1.0f - 2.0f / 6.0f);
  EXPECT_EQ(l.relFD[4], 0.0f);

  // FD gone at stage 1 (discharge 2 of 5 at b): r = 0.4.
  s->hydraulics.stageClassShare[6][1] = 0.0f;
  s->hydraulics.stageClassShare[6][0] = 3.0f;  // reappears below: the loss still does not fall
  relativeLosses(*s, 4, scanHabitatMaxima(*s, 4), l);
  EXPECT_FLOAT_EQ(l.fdRatio, 0.4f);
  EXPECT_EQ(l.relFD[1], 1.0f);
  EXPECT_EQ(l.relFD[0], 1.0f);
}

TEST(RelativeLosses, FiAndFsLossesStartAtTheirMaximum) {
  auto s = makeModelState();
  s->hydraulics.stageCount = 6;
  const float fi[6] = {0.0f, 4.0f, 10.0f, 8.0f, 6.0f, 5.0f};  // maximum at stage 2
  for (int i = 0; i < 6; ++i) {
    s->hydraulics.stageDischarge[i] = static_cast<float>(i + 1);
    s->hydraulics.stageClassShare[5][i] = fi[i];
  }
  const HabitatMaxima m = scanHabitatMaxima(*s, 5);
  EXPECT_EQ(m.maxFI, 10.0f);
  EXPECT_EQ(m.iFI, 2);
  RelativeLosses l;
  relativeLosses(*s, 5, m, l);
  EXPECT_EQ(l.relFI[5], 0.0f);
  EXPECT_EQ(l.relFI[3], 0.0f);  // above the maximum: no loss
  EXPECT_EQ(l.relFI[2], 0.0f);
  EXPECT_FLOAT_EQ(l.relFI[1], 0.6f);
  EXPECT_EQ(l.relFI[0], 1.0f);
}

TEST(FlowStress, NoFdAtTheBaseflowBuildsTheCurveFromFiAndFs) {
  auto s = makeEcologyState(20, 0);
  fillChannel(*s, 0.0f);  // no FD anywhere
  for (int season = 0; season < 2; ++season) {
    s->site.stressAtZeroFs[season] = 7.0f;
    s->site.fsWeight[season] = 2.0f;
    s->site.fiWeight[season] = 1.0f;
    s->site.fdWeight[season] = 2.0f;
  }
  EcologyWork w;
  do_flow_stress(*s, w);
  for (int season = 0; season < 2; ++season) {
    EXPECT_EQ(s->site.fdWeight[season], 0.0f);
    EXPECT_EQ(w.habitat[season].fdBaseStress, 0.0f);
    EXPECT_FALSE(w.habitat[season].noFastHabitat);
    EXPECT_EQ(s->site.fsWeight[season], 2.0f);
    EXPECT_EQ(s->site.fiWeight[season], 1.0f);
  }
}

TEST(FlowStress, ZeroWeightsOfThePresentHabitatsAreRefused) {
  auto s = makeEcologyState(20, 0);
  // Only FD habitat, with no FD weight: the weights left add up to 0.
  for (int j = 0; j < s->hydraulics.stageCount; ++j) {
    s->hydraulics.stageClassShare[4][j] = 0.0f;
    s->hydraulics.stageClassShare[5][j] = 0.0f;
    s->hydraulics.stageClassShare[6][j] = 30.0f;
  }
  EcologyWork w;
  try {
    do_flow_stress(*s, w);
    FAIL() << "zero weights accepted";
  } catch (const ModelError& e) {
    EXPECT_NE(std::string(e.what()).find("Wet season"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("add up to 0"), std::string::npos) << e.what();
  }
}

TEST(FlowStress, BaseflowStageAboveTheCurveLimitIsRefused) {
  auto s = makeEcologyState(20, 0);
  s->hydraulics.stageCount = 1500;
  s->hydraulics.wetBaseflowStage = 1001;
  try {
    baseflowStageOf(*s, 0);
    FAIL() << "stage 1001 accepted";
  } catch (const ModelError& e) {
    EXPECT_NE(std::string(e.what()).find("1000"), std::string::npos) << e.what();
  }
  s->hydraulics.wetBaseflowStage = 1000;
  EXPECT_EQ(baseflowStageOf(*s, 0), 1000);
  s->hydraulics.stageCount = 0;
  EXPECT_THROW(baseflowStageOf(*s, 0), ModelError);  // no rating curve yet
}

TEST(StressTable, LevelOfTheStressAtZeroFs) {
  EXPECT_EQ(zeroFsLevel(9.0f), 18);
  EXPECT_EQ(zeroFsLevel(4.7f), 9);  // floor of 9.9
  EXPECT_EQ(zeroFsLevel(4.75f), 10);
  // The table's ends are never overwritten.
  EXPECT_EQ(zeroFsLevel(10.0f), 19);
  EXPECT_EQ(zeroFsLevel(0.0f), 1);
  EXPECT_EQ(zeroFsLevel(-3.0f), 1);
}

TEST(StressTable, DescendsFromTheBaseflowDischargeToZeroFlow) {
  LinearStages t;
  t.s->site.stressAtZeroFs[0] = 4.7f;  // k = 9
  buildStressTable(*t.s, 0, 10, t.curve, 8.0f);
  const auto& f = t.s->ecology.stressFlow[0];
  const auto& l = t.s->ecology.stressLevel[0];
  EXPECT_EQ(f[0], 11.0f);
  EXPECT_EQ(l[0], 0.0f);
  EXPECT_EQ(f[20], 0.0f);
  EXPECT_EQ(l[20], 10.0f);
  for (int j = 0; j <= 20; ++j) EXPECT_EQ(l[j], 0.5f * static_cast<float>(j));
  // Read off the curve: stress j/2 at stage 10 - j, discharge 11 - j.
  EXPECT_EQ(f[1], 10.0f);
  EXPECT_EQ(f[3], 8.0f);
  // Levels 4 .. 8 lie below Qlow on the curve and are lifted to it.
  for (int j = 4; j <= 9; ++j) EXPECT_EQ(f[j], 8.0f) << "level " << j;
  // Straight line from Qlow at level 9 to zero at level 20.
  EXPECT_FLOAT_EQ(f[10], 8.0f - 8.0f * 1.0f / 11.0f);
  EXPECT_FLOAT_EQ(f[19], 8.0f - 8.0f * 10.0f / 11.0f);
  for (int j = 0; j < 20; ++j) EXPECT_GE(f[j], f[j + 1]) << "level " << j;
}

TEST(StressTable, EndsHoldWhateverTheStressAtZeroFs) {
  for (float s0 : {10.0f, 0.0f, 9.9f, 0.1f}) {
    LinearStages t;
    t.s->site.stressAtZeroFs[0] = s0;
    buildStressTable(*t.s, 0, 10, t.curve, 3.0f);
    EXPECT_EQ(t.s->ecology.stressFlow[0][0], 11.0f) << "S0 " << s0;
    EXPECT_EQ(t.s->ecology.stressLevel[0][0], 0.0f) << "S0 " << s0;
    EXPECT_EQ(t.s->ecology.stressFlow[0][20], 0.0f) << "S0 " << s0;
    EXPECT_EQ(t.s->ecology.stressLevel[0][20], 10.0f) << "S0 " << s0;
  }
}

TEST(StressTable, LevelsTheCurveNeverReachesTakeQlow) {
  LinearStages t;
  for (int i = 0; i <= 10; ++i) t.curve[i] *= 0.5f;  // the curve tops out at 2.5
  t.s->site.stressAtZeroFs[0] = 4.0f;                     // k = 8
  buildStressTable(*t.s, 0, 10, t.curve, 1.0f);
  EXPECT_EQ(t.s->ecology.stressFlow[0][5], 1.0f);  // stress 2.5 at stage 0, discharge 1
  EXPECT_EQ(t.s->ecology.stressFlow[0][6], 1.0f);
  EXPECT_EQ(t.s->ecology.stressFlow[0][7], 1.0f);
  EXPECT_EQ(t.s->ecology.stressFlow[0][8], 1.0f);
  // A baseflow at stage 0 has no pair of stages at all.
  buildStressTable(*t.s, 0, 0, t.curve, 1.0f);
  for (int j = 0; j <= 8; ++j) EXPECT_EQ(t.s->ecology.stressFlow[0][j], 1.0f);
}

TEST(FlowStress, WholePhaseOnTheChannelGivesDescendingTables) {
  auto s = makeEcologyState(30, 0);
  EcologyWork w;
  do_flow_stress(*s, w);
  for (int season = 0; season < 2; ++season) {
    const int32_t b = season == 0 ? s->hydraulics.wetBaseflowStage : s->hydraulics.dryBaseflowStage;
    EXPECT_EQ(s->ecology.stressFlow[season][0], s->hydraulics.stageDischarge[b]);
    EXPECT_EQ(s->ecology.stressFlow[season][20], 0.0f);
    for (int j = 0; j < 20; ++j) EXPECT_GE(s->ecology.stressFlow[season][j], s->ecology.stressFlow[season][j + 1]);
    EXPECT_FALSE(w.habitat[season].noFastHabitat);
  }
  EXPECT_EQ(s->site.fsWeight[0], 2.0f);
  EXPECT_EQ(s->site.fsWeight[1], 3.0f);
}
