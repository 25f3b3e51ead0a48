#include "ecology/stress_frequency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/errors.h"
#include "ecology/ecology_fixture.h"
#include "ecology/flow_stress.h"
#include "model/s_curve.h"

using namespace oewr;
using namespace oewr::ecology;
using oewr::testing::makeEcologyState;

namespace {

// A table of season 0 with flows 10, 9.5, .., 0.5, 0 at levels 0 .. 20.
std::unique_ptr<ModelState> linearTable() {
  auto s = makeModelState();
  for (int j = 0; j <= 20; ++j) {
    s->ecology.stressFlow[0][j] = 10.0f - 0.5f * static_cast<float>(j);
    s->ecology.stressLevel[0][j] = 0.5f * static_cast<float>(j);
  }
  return s;
}

YearValues valuesOf(std::initializer_list<float> v) {
  YearValues y;
  int i = 0;
  for (float x : v) y[i++] = x;
  return y;
}

}  // namespace

TEST(StressOfFlow, TableEndsAndInterpolation) {
  auto s = linearTable();
  EXPECT_EQ(stressOfFlow(*s, 0, 10.0f), 0.0f);  // the baseflow discharge
  EXPECT_EQ(stressOfFlow(*s, 0, 12.0f), 0.0f);
  EXPECT_EQ(stressOfFlow(*s, 0, 0.0f), 10.0f);
  // Halfway between the flows of levels 3.0 (7.0) and 3.5 (6.5).
  EXPECT_FLOAT_EQ(stressOfFlow(*s, 0, 6.75f), 3.25f);
  EXPECT_FLOAT_EQ(stressOfFlow(*s, 0, 0.25f), 9.75f);
}

TEST(StressOfFlow, NegativeFlowsHaveStressTen) {
  auto s = linearTable();
  EXPECT_EQ(stressOfFlow(*s, 0, -0.001f), 10.0f);
  EXPECT_EQ(stressOfFlow(*s, 0, -999.0f), 10.0f);  // a missing value
}

TEST(StressOfFlow, FlatStretchOfTheTable) {
  auto s = linearTable();
  for (int j = 3; j <= 6; ++j) s->ecology.stressFlow[0][j] = 8.0f;  // levels 3 .. 6 share a flow
  EXPECT_FLOAT_EQ(stressOfFlow(*s, 0, 8.0f), 3.0f);  // the highest level holding it
  EXPECT_FLOAT_EQ(stressOfFlow(*s, 0, 7.75f), 0.5f * (6.0f + 0.25f / 1.5f));  // between level 6 and 7 (6.5)
  EXPECT_FLOAT_EQ(stressOfFlow(*s, 0, 8.5f), 0.5f * (2.0f + 0.5f / 1.0f));
}

TEST(SeasonalFlows, OnlyWholeYearsOfTheRecordCount) {
  TimeSeries t;
  oewr::testing::fillFlows(t, 115 * 12 + 3, 10, 5u);  // ends in December
  // November and December lie in the record's last, partial year too.
  const SeasonValues v = seasonalFlows(t, 11, 12, "natural flows");
  EXPECT_EQ(v.count[0], 115);
  EXPECT_EQ(v.count[1], 115);
  const SeasonValues feb = seasonalFlows(t, 2, 9, "natural flows");
  EXPECT_EQ(feb.count[0], 115);
  EXPECT_EQ(feb.count[1], 115);
  // Year 0's November: value 1; converted with its 30 days.
  EXPECT_FLOAT_EQ(v.values[0][0], t.values[1] * 1000000.0f / (30.0f * 24.0f * 3600.0f));
}

TEST(SeasonalFlows, MoreThan121WholeYearsAreRefused) {
  TimeSeries t;
  oewr::testing::fillFlows(t, 122 * 12, 10, 5u);
  try {
    seasonalFlows(t, 2, 9, "natural flows");
    FAIL() << "122 years accepted";
  } catch (const ModelError& e) {
    EXPECT_NE(std::string(e.what()).find("121"), std::string::npos) << e.what();
  }
  t.header.count = 121 * 12 + 11;
  EXPECT_EQ(seasonalFlows(t, 2, 9, "natural flows").count[0], 121);
}

TEST(Smoothing, NinePointAverageWithExtendedEnds) {
  YearValues v;
  for (int i = 0; i < 12; ++i) v[i] = static_cast<float>(i);
  YearValues m;
  smoothStressCurve(v, 12, m);
  EXPECT_FLOAT_EQ(m[0], (4 * 0 + 0 + 1 + 2 + 3 + 4) / 9.0f);
  EXPECT_FLOAT_EQ(m[5], 5.0f);
  EXPECT_FLOAT_EQ(m[11], (7 + 8 + 9 + 10 + 11 + 4 * 11) / 9.0f);
}

TEST(Smoothing, FewerThanNineYearsRepeatTheLastValueToo) {
  const YearValues v = valuesOf({0.0f, 3.0f, 6.0f});
  YearValues m;
  smoothStressCurve(v, 3, m);
  EXPECT_FLOAT_EQ(m[0], (4 * 0.0f + 0 + 3 + 6 + 2 * 6.0f) / 9.0f);
  EXPECT_FLOAT_EQ(m[1], (3 * 0.0f + 0 + 3 + 6 + 3 * 6.0f) / 9.0f);
  EXPECT_FLOAT_EQ(m[2], (2 * 0.0f + 0 + 3 + 6 + 4 * 6.0f) / 9.0f);
  const YearValues one = valuesOf({4.0f});
  smoothStressCurve(one, 1, m);
  EXPECT_FLOAT_EQ(m[0], 4.0f);
}

TEST(ZeroIndex, LastExactZero) {
  EXPECT_EQ(zeroIndexOf(valuesOf({0.1f, 0.5f, 2.0f}), 3), 0);  // all positive
  EXPECT_EQ(zeroIndexOf(valuesOf({0.0f, 0.0f, 0.0f, 0.2f, 3.0f}), 5), 2);
  EXPECT_EQ(zeroIndexOf(valuesOf({0.0f, 0.0f}), 2), 1);
}

TEST(CurveFit, FlatCurveKeepsTheFirstPair) {
  ShapeTable shapes;
  YearValues flat;
  flat.fill(4.0f);
  CurveFit f = fitStressCurve(flat, 30, 0, shapes);
  EXPECT_EQ(f.shape, 2.0f);
  EXPECT_EQ(f.offset, 0);
  YearValues zeros;
  f = fitStressCurve(zeros, 30, 29, shapes);  // all zero: zeroIndex is the last position
  EXPECT_EQ(f.shape, 2.0f);
  EXPECT_EQ(f.offset, 0);
}

TEST(CurveFit, FindsTheShapeOfAnSCurve) {
  // y = 1 + 8 sCurve(u / (n + 10), 3.0) on 60 positions: the fitted curve
  // follows it closely, far closer than the first pair of the search.
  const int32_t n = 60;
  YearValues y;
  for (int32_t u = 0; u < n; ++u) y[u] = 1.0f + 8.0f * sCurve(durationFraction(u, n + 10), 3.0f);
  ShapeTable shapes;
  const CurveFit f = fitStressCurve(y, n, 0, shapes);
  // Largest gap and sum of squared gaps between y and the curve of (p, t).
  const auto gaps = [&](float p, int32_t t) {
    float worst = 0.0f;
    double squares = 0.0;
    for (int32_t u = 0; u < n; ++u) {
      const double m = y[0] + (y[n - 1] - y[0]) * static_cast<double>(sCurve(durationFraction(u, n + t), p / 10.0f));
      worst = std::max(worst, static_cast<float>(std::fabs(m - y[u])));
      squares += (m - y[u]) * (m - y[u]);
    }
    return std::make_pair(worst, squares);
  };
  EXPECT_LT(gaps(f.shape, f.offset).first, 0.5f);
  EXPECT_GT(gaps(2.0f, 0).first, 1.0f);
  EXPECT_LE(gaps(f.shape, f.offset).second, gaps(30.0f, 10).second);
  EXPECT_LE(gaps(f.shape, f.offset).second, gaps(f.shape + 1.0f, f.offset).second);
}

TEST(CurveFit, SharedShapeTableGivesTheFitOfAFreshOne) {
  auto s = makeEcologyState(40, 0);
  EcologyWork w;
  do_flow_stress(*s, w);
  do_stress_frequency(*s, w);
  // Curves of one length, fitted from late and from early starts, in both orders.
  ShapeTable shared;
  for (int kind = 0; kind < 2; ++kind)
    for (int season = 0; season < 2; ++season) {
      const int32_t n = w.yearCount[kind][season];
      for (int32_t start : {n / 2, 0, n / 3}) {
        ShapeTable fresh;
        const CurveFit a = fit_sfdc(*s, kind, season, n, start, shared);
        const CurveFit b = fit_sfdc(*s, kind, season, n, start, fresh);
        EXPECT_EQ(a.shape, b.shape);
        EXPECT_EQ(a.offset, b.offset);
      }
    }
}

TEST(StressFrequency, CurvesOfEveryKindAscendAndSkipAbsentKinds) {
  auto s = makeEcologyState(115, 3, true, false);
  EcologyWork w;
  do_flow_stress(*s, w);
  do_stress_frequency(*s, w);
  EXPECT_TRUE(w.kindPresent[kNatural]);
  EXPECT_TRUE(w.kindPresent[kPresentDay]);
  EXPECT_FALSE(w.kindPresent[kScenario]);
  for (int season = 0; season < 2; ++season) {
    EXPECT_EQ(w.yearCount[kNatural][season], 115);
    EXPECT_EQ(w.yearCount[kPresentDay][season], 115);
    EXPECT_EQ(w.yearCount[kScenario][season], 0);
    EXPECT_EQ(s->ecology.stressSeriesCount[season][kScenario], 0);
    for (int kind = 0; kind < 2; ++kind) {
      const auto& c = s->ecology.stressSeries[season][kind];
      for (int j = 0; j + 1 < 115; ++j) EXPECT_LE(c[j], c[j + 1]);
      EXPECT_GE(c[0], 0.0f);
      EXPECT_LE(c[114], 10.0f);
      EXPECT_GE(s->ecology.fitShape[kind][season], 2.0f);
      EXPECT_LE(s->ecology.fitShape[kind][season], 101.0f);
    }
    // The sorted natural flows, ascending.
    for (int j = 0; j + 1 < 115; ++j) EXPECT_LE(w.seasonFlows[kNatural][season][j], w.seasonFlows[kNatural][season][j + 1]);
  }
  // Present-day flows are lower, so their stresses are higher.
  EXPECT_GT(w.zeroIndex[kNatural][0], 0);  // wet-season flows above the baseflow discharge have stress 0
  EXPECT_GT(s->ecology.stressSeries[1][kPresentDay][114], s->ecology.stressSeries[1][kNatural][57]);
}

TEST(StressFrequency, ScenarioCurveHasItsZeroIndexToo) {
  auto s = makeEcologyState(50, 0, false, true);
  // Scenario flows far above the baseflow discharge in the first 20 years.
  for (int i = 0; i < 20 * 12; ++i) s->site.scenarioFlows.values[i] = 500.0f;
  EcologyWork w;
  do_flow_stress(*s, w);
  do_stress_frequency(*s, w);
  for (int season = 0; season < 2; ++season) {
    EXPECT_EQ(w.zeroIndex[kScenario][season], zeroIndexOf(s->ecology.stressSeries[season][kScenario], 50));
    EXPECT_GE(w.zeroIndex[kScenario][season], 15);
  }
}
