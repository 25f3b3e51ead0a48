#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "common/batch_math.h"
#include "hydraulics/habitat_classes.h"
#include "hydraulics/rating_curve.h"
#include "model/s_curve.h"
#include "hydraulics_fixture.h"

using namespace oewr;
using namespace oewr::hydraulics;
using oewr::testing::TempDir;
using oewr::testing::ScriptedUi;

namespace {

HydraulicSection sectionOf(std::initializer_list<std::pair<float, float>> points) {
  HydraulicSection s;
  for (const auto& [x, y] : points) {
    s.x[s.npt] = x;
    s.y[s.npt] = y;
    ++s.npt;
  }
  return s;
}

// The worked example's estimated channel and flow parameters.
void setWorkedChannel(ModelState& s) {
  SiteParameters& p = s.site.siteParameters;
  p.geoZone = 4;
  p.maxWidth = 40;
  p.maxDepth = 3.42f;
  p.bedWidthFraction = 0.6f;
  p.macroRoughness = 0.694f;
  p.maxGradient = 0.03f;
  p.minGradient = 0.01f;
  p.gradientShapeFactor = 13;
  p.maxManningN = 0.084f;
  p.minManningN = 0.07f;
  p.nShapeFactor = 23;
  s.hydraulics.xsShape = 0;
}

}  // namespace

TEST(RatingCurve, SCurveEnds) {
  EXPECT_NEAR(sCurve(1.0f, 1.3f), 0.9938f, 0.0005f);
  EXPECT_NEAR(sCurve(0.0f, 1.3f), 0.0062f, 0.0005f);
  EXPECT_FLOAT_EQ(sCurve(1.0f, 1.3f) + sCurve(0.0f, 1.3f), 1.0f);
  EXPECT_FLOAT_EQ(sCurve(0.5f, 1.0f), 0.5f);
  EXPECT_NEAR(normalDistribution(1.0f), 0.8413f, 0.0002f);
  // p = 0: x^0 = 1 for every x.
  EXPECT_EQ(sCurve(0.0f, 0.0f), sCurve(1.0f, 0.0f));
  // Falls as x falls.
  EXPECT_GT(sCurve(0.8f, 2.3f), sCurve(0.6f, 2.3f));
}

TEST(RatingCurve, StageGridAccumulatesInFloats) {
  float d = 0;
  std::vector<float> stages;
  for (int j = 0; j < 30; ++j) stages.push_back(d = nextStage(d));
  EXPECT_FLOAT_EQ(stages[0], 0.002f);
  EXPECT_GT(stages[24], 0.05f);  // the 25th stage lands just above 0.05
  EXPECT_LT(stages[24], 0.0500001f);
  EXPECT_NEAR(stages[25], 0.06f, 1e-7f);
  EXPECT_NEAR(stages[29], 0.10f, 1e-6f);
}

TEST(RatingCurve, EdgeTrianglesOfTheDeepestPoint) {
  // Just above the lowest point only the two triangles beside it are wet.
  const HydraulicSection s = sectionOf({{0, 1}, {1, 0}, {2, 1}});
  ScriptedUi ui;
  SectionHydraulics hyd;
  const float Q = sectionDischarge(s, s.npt, 0.002f, 0.01f, 23, 0.084f, 0.07f, 1.0f, hyd, ui);
  EXPECT_GT(Q, 0.0f);
  EXPECT_LT(Q, 1e-5f);
  EXPECT_FLOAT_EQ(hyd.wettedWidth, 0.004f);
  EXPECT_FLOAT_EQ(hyd.area, 4e-6f);
  EXPECT_FLOAT_EQ(hyd.meanDepth, 0.001f);
  EXPECT_FLOAT_EQ(hyd.xLeft, 0.998f);
  EXPECT_EQ(hyd.xRight, 2.0f);
  // Each triangle: a = 2e-6, p = sqrt(2) 0.002, n at the depth d / 2.
  const float n = manningN(0.001f, 1.0f, 23, 0.084f, 0.07f);
  const float a = 0.5f * 0.002f * 0.002f;
  const float R = a / std::sqrt(0.002f * 0.002f + 0.002f * 0.002f);
  const float one = a * std::pow(R, 0.667f) * std::sqrt(0.01f) / n;
  EXPECT_FLOAT_EQ(Q, one + one);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(RatingCurve, ZeroGradientOrRoughnessCarriesNoDischarge) {
  const HydraulicSection s = sectionOf({{0, 2}, {1, 0.5f}, {3, 0}, {4, 2}});
  ScriptedUi ui;
  SectionHydraulics withFlow, noGradient, noRoughness;
  EXPECT_GT(sectionDischarge(s, s.npt, 1.0f, 0.01f, 23, 0.08f, 0.07f, 2.0f, withFlow, ui), 0.0f);
  EXPECT_EQ(sectionDischarge(s, s.npt, 1.0f, 0.0f, 23, 0.08f, 0.07f, 2.0f, noGradient, ui), 0.0f);
  EXPECT_EQ(sectionDischarge(s, s.npt, 1.0f, 0.01f, 23, 0.0f, 0.0f, 2.0f, noRoughness, ui), 0.0f);
  for (const SectionHydraulics* h : {&noGradient, &noRoughness}) {
    EXPECT_EQ(h->wettedWidth, withFlow.wettedWidth);
    EXPECT_EQ(h->area, withFlow.area);
    EXPECT_GT(h->area, 0.0f);
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST(RatingCurve, HydraulicRadiusErrorKeepsTheSumsSoFar) {
  // The second segment's area is so small against its perimeter that its
  // hydraulic radius underflows to 0.
  const float tiny = std::numeric_limits<float>::denorm_min();
  const HydraulicSection s = sectionOf({{-1, 0}, {0, 0}, {tiny, -1e7f}, {5, 0}});
  ScriptedUi ui;
  SectionHydraulics hyd;
  hyd.meanDepth = 123.0f;
  const float Q = sectionDischarge(s, s.npt, 0.5f, 0.01f, 0, 0.08f, 0.07f, 2.0f, hyd, ui);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Calculation/data error in H.Radius");
  EXPECT_GT(Q, 0.0f);
  EXPECT_EQ(hyd.wettedWidth, 1.0f);  // the first segment only
  EXPECT_EQ(hyd.area, 0.5f);
  EXPECT_EQ(hyd.meanDepth, 123.0f);
}

TEST(RatingCurve, CrossingDepthsOfTheFirstStages) {
  EXPECT_FLOAT_EQ(crossingDepth(24, 0.5f), 0.05f + 0.002f * 0.5f);
  EXPECT_FLOAT_EQ(crossingDepth(25, 0.5f), 0.05f + 0.01f * 0.5f);
  EXPECT_FLOAT_EQ(crossingDepth(3, 0.25f), 0.008f + 0.0005f);
  EXPECT_FLOAT_EQ(crossingDepth(30, 0.0f), 0.1f);

  auto state = makeModelState();
  for (int j = 0; j < 40; ++j) state->hydraulics.stageDischarge[j] = static_cast<float>(j);
  state->hydrology.maxBaseflowWet = 24.5f;  // between stages 24 and 25
  state->hydrology.maxBaseflowDry = 23.5f;  // between stages 23 and 24
  charting::Series wet, dry;
  for (int j = 1; j < 40; ++j) markBaseflowCrossings(*state, j, &wet, &dry);
  EXPECT_EQ(state->hydraulics.wetBaseflowStage, 25);
  EXPECT_FLOAT_EQ(state->hydraulics.wetBaseflowDepth, 0.05f + 0.01f * 0.5f);
  EXPECT_EQ(state->hydraulics.dryBaseflowStage, 24);
  EXPECT_FLOAT_EQ(state->hydraulics.dryBaseflowDepth, 0.05f + 0.002f * 0.5f);
  ASSERT_EQ(wet.points.size(), 2u);
  EXPECT_EQ(wet.points[0].x, 24.5);
  EXPECT_EQ(wet.points[0].y, 0.0);
  EXPECT_EQ(wet.points[1].y, static_cast<double>(state->hydraulics.wetBaseflowDepth));
}

TEST(RatingCurve, EveryUpwardCrossingOfANonMonotonicMeanDrawsALine) {
  auto state = makeModelState();
  const float q[] = {0, 1, 3, 2, 4, 5};
  for (int j = 0; j < 6; ++j) state->hydraulics.stageDischarge[j] = q[j];
  state->hydrology.maxBaseflowWet = 2.5f;
  state->hydrology.maxBaseflowDry = 2.0f;  // equal to stage 3: passes from 3 to 4 only
  charting::Series wet, dry;
  for (int j = 1; j < 6; ++j) markBaseflowCrossings(*state, j, &wet, &dry);
  EXPECT_EQ(wet.points.size(), 4u);
  EXPECT_EQ(state->hydraulics.wetBaseflowStage, 4);
  EXPECT_FLOAT_EQ(state->hydraulics.wetBaseflowDepth, crossingDepth(4, 0.25f));
  EXPECT_EQ(dry.points.size(), 4u);  // 1 <= 2 < 3 and 2 <= 2 < 4
  EXPECT_EQ(state->hydraulics.dryBaseflowStage, 4);
  EXPECT_FLOAT_EQ(state->hydraulics.dryBaseflowDepth, crossingDepth(4, 0.0f));
}

TEST(RatingCurve, AHabitatFileThatCannotBeWrittenLeavesTheRunStanding) {
  // A data directory that does not exist (or may not be written): the run
  // keeps its results and says why the file is missing.
  TempDir dir;
  auto state = workedExampleState(dir);
  setWorkedChannel(*state);
  state->site.dataDirectory = (dir.path() / "no such folder").string();
  ScriptedUi ui;
  HydraulicsCharts charts = makeHydraulicsCharts();
  ASSERT_TRUE(runHydraulicModel(*state, ui, charts));
  EXPECT_EQ(state->hydraulics.stageCount, 362);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("no such folder"), std::string::npos) << ui.messages[0].text;
  EXPECT_NE(ui.messages[0].text.find("the hydraulic results stand"), std::string::npos) << ui.messages[0].text;
}

TEST(RatingCurve, RunOfTwentyRealisations) {
  TempDir dir;
  auto state = workedExampleState(dir);
  setWorkedChannel(*state);
  state->hydraulics.dryBaseflowStage = 77;
  state->hydrology.maxBaseflowDry = 1e9f;  // never reached
  state->hydraulics.dryBaseflowDepth = 9;
  ScriptedUi ui;
  HydraulicsCharts charts = makeHydraulicsCharts();
  ASSERT_TRUE(runHydraulicModel(*state, ui, charts));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(state->hydraulics.stageCount, 362);  // 25 stages to 0.05 m, 337 to just below 3.42 m
  for (int j = 0; j < state->hydraulics.stageCount; ++j) {
    EXPECT_LE(state->hydraulics.stageDischargeLow[j], state->hydraulics.stageDischarge[j] * 1.00001f);
    EXPECT_GE(state->hydraulics.stageDischargeHigh[j] * 1.00001f, state->hydraulics.stageDischarge[j]);
  }
  EXPECT_EQ(state->hydraulics.stageDischargeLow[state->hydraulics.stageCount], 1e8f);  // beyond the grid
  EXPECT_GT(state->hydraulics.stageDischarge[361], state->hydraulics.stageDischarge[100]);
  EXPECT_GT(state->hydraulics.stageWidth[361], 38.0f);

  // The wet baseflow is crossed once; the dry one never: its stage keeps the
  // earlier value, its depth is 0 and no line is drawn.
  EXPECT_GT(state->hydraulics.wetBaseflowDepth, 0.0f);
  EXPECT_LT(state->hydraulics.stageDischarge[state->hydraulics.wetBaseflowStage - 1], 5.0f);
  EXPECT_GE(state->hydraulics.stageDischarge[state->hydraulics.wetBaseflowStage], 5.0f);
  EXPECT_EQ(state->hydraulics.dryBaseflowStage, 77);
  EXPECT_EQ(state->hydraulics.dryBaseflowDepth, 0.0f);

  const charting::Chart& chart = charts.stageDischarge;
  ASSERT_EQ(chart.series.size(), 4u);
  EXPECT_EQ(chart.series[0].title, "Lower estimate");
  EXPECT_EQ(chart.series[1].title, "Upper estimate");
  EXPECT_EQ(chart.series[2].title, "Wet season max baseflow");
  EXPECT_EQ(chart.series[3].title, "Dry season max baseflow");
  EXPECT_EQ(chart.bottomAxis.title, "Discharge (cumecs m^3 / s)");
  EXPECT_EQ(chart.leftAxis.title, "Depth or Stage (m)");
  ASSERT_EQ(chart.series[0].points.size(), 362u);
  EXPECT_EQ(chart.series[0].points.back().x, static_cast<double>(state->hydraulics.stageDischargeLow[361]));
  EXPECT_EQ(chart.series[1].points.back().x, static_cast<double>(state->hydraulics.stageDischargeHigh[361]));
  EXPECT_NEAR(chart.series[1].points.back().y, 3.42, 1e-5);
  EXPECT_LT(chart.series[1].points.back().y, 3.42);
  EXPECT_EQ(chart.series[2].points.size(), 2u);
  EXPECT_TRUE(chart.series[3].points.empty());

  // The 20th realisation is the section in use.
  EXPECT_EQ(state->hydraulics.modelXsCount, 184);
  EXPECT_EQ(state->hydraulics.modelXsElevation[0], 3.42f);
}

TEST(RatingCurve, RunsRepeatFromAFreshStateAndContinueWithinOne) {
  TempDir dir;
  ScriptedUi ui;
  auto a = workedExampleState(dir);
  auto b = workedExampleState(dir);
  setWorkedChannel(*a);
  setWorkedChannel(*b);
  HydraulicsCharts charts = makeHydraulicsCharts();
  runHydraulicModel(*a, ui, charts);
  const StageArray first = a->hydraulics.stageDischarge;
  runHydraulicModel(*b, ui, charts);
  EXPECT_EQ(first, b->hydraulics.stageDischarge);
  runHydraulicModel(*a, ui, charts);
  EXPECT_NE(first, a->hydraulics.stageDischarge);
}

// Realisations computed on two threads give the same sums, bit for bit, and
// the same messages as computed one after another.
TEST(RatingCurve, RealisationsOnTwoThreadsEqualThoseOneAfterAnother) {
  TempDir dir;
  auto serial = workedExampleState(dir);
  auto threaded = workedExampleState(dir);
  setWorkedChannel(*serial);
  setWorkedChannel(*threaded);
  ScriptedUi serialUi, threadedUi;
  HydraulicsCharts serialCharts = makeHydraulicsCharts(), threadedCharts = makeHydraulicsCharts();
  setRealisationThreads(1);
  ASSERT_TRUE(runHydraulicModel(*serial, serialUi, serialCharts));
  setRealisationThreads(2);
  ASSERT_TRUE(runHydraulicModel(*threaded, threadedUi, threadedCharts));
  setRealisationThreads(0);
  const HydraulicsState& a = serial->hydraulics;
  const HydraulicsState& b = threaded->hydraulics;
  ASSERT_EQ(a.stageCount, b.stageCount);
  auto same = [](const StageArray& x, const StageArray& y) {
    return std::memcmp(&x[0], &y[0], sizeof(float) * (kMaxStageIndex + 1)) == 0;
  };
  EXPECT_TRUE(same(a.stageDischarge, b.stageDischarge));
  EXPECT_TRUE(same(a.stageDischargeLow, b.stageDischargeLow));
  EXPECT_TRUE(same(a.stageDischargeHigh, b.stageDischargeHigh));
  EXPECT_TRUE(same(a.stageWidth, b.stageWidth));
  for (int c = 0; c < kHabitatClassCount; ++c) EXPECT_TRUE(same(a.stageClassShare[c], b.stageClassShare[c]));
  EXPECT_EQ(a.wetBaseflowStage, b.wetBaseflowStage);
  EXPECT_EQ(a.modelXsCount, b.modelXsCount);
  auto said = [](const ScriptedUi& ui) {
    std::vector<std::string> lines;
    for (const auto& m : ui.messages) lines.push_back(m.caption + ": " + m.text);
    return lines;
  };
  EXPECT_EQ(said(serialUi), said(threadedUi));
}

TEST(RatingCurve, StageCountIsCappedAt2000) {
  TempDir dir;
  auto state = workedExampleState(dir);
  setWorkedChannel(*state);
  SiteParameters& p = state->site.siteParameters;
  p.maxDepth = 25.0f;  // 2520 stages
  p.macroRoughness = 10.0f;  // few points, to keep the test quick
  ScriptedUi ui;
  HydraulicsCharts charts = makeHydraulicsCharts();
  ASSERT_TRUE(runHydraulicModel(*state, ui, charts));
  EXPECT_EQ(state->hydraulics.stageCount, 2000);
  EXPECT_TRUE(ui.said("array bounds exceeded"));
  EXPECT_GT(state->hydraulics.stageDischarge[2000], 0.0f);  // filled, not counted
  EXPECT_EQ(charts.stageDischarge.series[0].points.size(), 2000u);
  const auto lines = oewr::testing::readLines(habitatFilePath(*state));
  EXPECT_EQ(lines.size(), 2002u);
}

// Every 4093rd bit pattern of a float: each sign and exponent, zeros,
// subnormals, infinities and NaNs.
std::vector<float> everyFloatSample() {
  std::vector<float> x;
  for (uint64_t u = 0; u < (uint64_t{1} << 32); u += 4093) {
    float f;
    const uint32_t bits = static_cast<uint32_t>(u);
    std::memcpy(&f, &bits, sizeof f);
    x.push_back(f);
  }
  return x;
}

// The batch exponential gives std::exp's float bit for bit: over a sample of
// every float (each sign, exponent and about 2^20 patterns), a denser one of
// the range the S-curve uses ([-4, 0]), batch lengths that leave a
// remainder, and in place.
TEST(SCurve, BatchExponentialsAreTheLibrarysBitForBit) {
  std::vector<float> x = everyFloatSample();
  for (uint32_t bits = 0x80000000u; bits <= 0xC0800000u; bits += 257) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    x.push_back(f);
  }
  std::vector<float> batch(x.size());
  oewr::expBatch(x.data(), batch.data(), x.size());
  std::size_t differ = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const float one = std::exp(x[i]);
    if (std::memcmp(&one, &batch[i], sizeof one) != 0 && ++differ < 5) ADD_FAILURE() << "exp(" << x[i] << ")";
  }
  EXPECT_EQ(differ, 0u);
  for (std::size_t n = 1; n <= 17; ++n) {
    std::vector<float> v(x.begin() + 1000, x.begin() + 1000 + static_cast<std::ptrdiff_t>(n));
    oewr::expBatch(v.data(), v.data(), n);
    for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(v[i], std::exp(x[1000 + i])) << n;
  }
}

// The batch power gives std::pow's float bit for bit: a sample of every
// float (each sign, exponent, zeros, subnormals, infinities and NaNs) raised
// to the exponents the model uses (0.667 and the shapes 0.2 .. 10.1) and to
// some that overflow, underflow or are special; remainders and in place.
TEST(SCurve, BatchPowersAreTheLibrarysBitForBit) {
  std::vector<float> x = everyFloatSample();
  std::vector<float> exponents = {0.667f, -0.5f, 1.0f, 2.0f, 37.5f, -150.0f, 0.0f,
                                  std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
  for (int p = 2; p <= 101; p += 9) exponents.push_back(static_cast<float>(p) / 10.0f);
  std::vector<float> batch(x.size());
  std::size_t differ = 0;
  for (const float e : exponents) {
    oewr::powBatch(x.data(), e, batch.data(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
      const float one = std::pow(x[i], e);
      if (std::memcmp(&one, &batch[i], sizeof one) != 0 && ++differ < 5)
        ADD_FAILURE() << "pow(" << x[i] << ", " << e << ")";
    }
  }
  EXPECT_EQ(differ, 0u);
  for (std::size_t n = 1; n <= 17; ++n) {
    std::vector<float> v(x.begin() + 260000, x.begin() + 260000 + static_cast<std::ptrdiff_t>(n));
    oewr::powBatch(v.data(), 0.667f, v.data(), n);
    for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(v[i], std::pow(x[260000 + i], 0.667f)) << n;
  }
}

// The batched S-curve and normal distribution are the single ones.
TEST(SCurve, BatchesEqualTheSingleValues) {
  std::vector<float> z;
  for (float v = -6.0f; v <= 6.0f; v += 0.001953125f) z.push_back(v);
  z.push_back(std::numeric_limits<float>::infinity());
  std::vector<float> out(z.size());
  normalDistributionBatch(z.data(), out.data(), static_cast<int>(z.size()));
  for (std::size_t i = 0; i < z.size(); ++i) EXPECT_EQ(out[i], normalDistribution(z[i])) << z[i];
  std::vector<float> x;
  for (float v = 0.0f; v <= 1.0f; v += 0.0009765625f) x.push_back(v);
  out.resize(x.size());
  sCurveBatch(x.data(), 2.3f, out.data(), static_cast<int>(x.size()));
  for (std::size_t i = 0; i < x.size(); ++i) EXPECT_EQ(out[i], sCurve(x[i], 2.3f)) << x[i];
}
