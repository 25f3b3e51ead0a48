#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "hydraulics/rating_curve.h"
#include "hydraulics/synthetic_section.h"
#include "hydraulics_fixture.h"

using namespace oewr;
using namespace oewr::hydraulics;
using oewr::testing::ScratchDir;
using oewr::testing::ScriptedUi;

namespace {

// The worked example's channel as "Re-Calc Parameters" estimates it.
void setWorkedChannel(ModelState& s) {
  SiteParameters& p = s.site.siteParameters;
  p.geoZone = 4;
  p.maxWidth = 40;
  p.maxDepth = 3.42f;
  p.bedWidthFraction = 0.6f;
  p.macroRoughness = 0.694f;
  s.hydraulics.xsShape = 0;
}

SectionLayout layoutOf(ModelState& s) {
  ScriptedUi ui;
  SectionLayout layout;
  EXPECT_TRUE(buildLayout(s, ui, layout));
  return layout;
}

HydraulicSection profileOnly(const SectionLayout& layout) {
  HydraulicSection section;
  placeSectionPoints(layout, section);
  shapeSectionProfile(layout, section);
  return section;
}

// A hand-made section of n points one metre apart, every point at the bank top.
HydraulicSection flatSection(int n, float top) {
  HydraulicSection s;
  s.npt = n;
  for (int i = 0; i < n; ++i) {
    s.x[i] = static_cast<float>(i);
    s.y[i] = top;
  }
  return s;
}

}  // namespace

TEST(SyntheticSection, RandomNumbersFollowTheGeneratorFromSeedZero) {
  auto state = makeModelState();
  EXPECT_EQ(state->hydraulics.randomSeed, 0u);
  EXPECT_EQ(nextRandom(state->hydraulics), 1.0 / 4294967296.0);
  EXPECT_EQ(state->hydraulics.randomSeed, 1u);
  EXPECT_EQ(nextRandom(state->hydraulics), 134775814.0 / 4294967296.0);
  state->hydraulics.randomSeed = 0xFFFFFFFFu;  // wraps modulo 2^32
  const double r = nextRandom(state->hydraulics);
  EXPECT_EQ(state->hydraulics.randomSeed, 0xFFFFFFFFu * 134775813u + 1u);
  EXPECT_GE(r, 0.0);
  EXPECT_LT(r, 1.0);
}

TEST(SyntheticSection, WorkedExampleLayout) {
  auto state = makeModelState();
  setWorkedChannel(*state);
  const SectionLayout l = layoutOf(*state);
  EXPECT_FLOAT_EQ(l.bedWidth, 24.0f);
  EXPECT_FLOAT_EQ(l.bankRun, 8.0f);
  EXPECT_FLOAT_EQ(l.bankSlope, 3.42f / 8.0f);
  EXPECT_FLOAT_EQ(l.bedSpacing, 24.0f / 138.0f);  // nearest(24 / 0.1735)
  EXPECT_FLOAT_EQ(l.bankSpacing, 16.0f / 46.0f);  // 2 nearest(16 / 0.694)
  EXPECT_EQ(l.spacingFactor, 1.0f);

  HydraulicSection s;
  buildSection(*state, l, s, nullptr);
  // Fine over the bed, coarse on the banks; the last point at or beyond W.
  EXPECT_GE(s.x[s.npt - 1], 40.0f);
  EXPECT_LT(s.x[s.npt - 2], 40.0f);
  EXPECT_EQ(s.y[0], 3.42f);
  EXPECT_EQ(s.y[s.npt - 1], 3.42f);
  const float lowest = *std::min_element(s.y.begin() + 1, s.y.begin() + s.npt);
  EXPECT_EQ(lowest, 0.0f);
  // Published as the section in use.
  EXPECT_EQ(state->hydraulics.modelXsCount, s.npt);
  EXPECT_EQ(state->hydraulics.modelXsDistance[s.npt - 1], s.x[s.npt - 1]);
  EXPECT_EQ(state->hydraulics.modelXsElevation[5], s.y[5]);
}

TEST(SyntheticSection, ManyPointsCoarsenTheSpacing) {
  auto state = makeModelState();
  setWorkedChannel(*state);
  state->site.siteParameters.macroRoughness = 0.1f;  // 240 / 0.025 points on the bed alone
  const SectionLayout l = layoutOf(*state);
  EXPECT_GT(l.spacingFactor, 1.0f);
  EXPECT_LE(l.spacingFactor, 2.0f + 1e-5f);
  HydraulicSection s = profileOnly(l);
  EXPECT_LE(s.npt, 501);
}

TEST(SyntheticSection, ProfilesByBedWidth) {
  auto state = makeModelState();
  setWorkedChannel(*state);
  SiteParameters& p = state->site.siteParameters;
  const float D = p.maxDepth;

  // Fraction 0 as loaded (shape 0): the spacing uses a bed of 0.4 W, the
  // profile is a V split at L = 0.3 W, so it steps down at L.
  p.bedWidthFraction = 0;
  SectionLayout l = layoutOf(*state);
  EXPECT_FLOAT_EQ(l.bedWidth, 16.0f);
  EXPECT_FLOAT_EQ(l.bankRun, 12.0f);
  EXPECT_FLOAT_EQ(l.bankSlope, D / 20.0f);
  HydraulicSection s = profileOnly(l);
  int step = 0;
  for (int i = 1; i < s.npt - 1; ++i)
    if (s.x[i - 1] < 12.0f && s.x[i] >= 12.0f) step = i;
  ASSERT_GT(step, 0);
  EXPECT_NEAR(s.y[step - 1], D - D / 20.0f * s.x[step - 1], 1e-5f);
  EXPECT_NEAR(s.y[step], D - D / 20.0f * (40.0f - s.x[step]), 1e-5f);
  EXPECT_LT(s.y[step], 0.0f);  // below the bed until rescaled
  HydraulicSection full;
  buildSection(*state, l, full, nullptr);
  EXPECT_EQ(*std::min_element(full.y.begin() + 1, full.y.begin() + full.npt), 0.0f);

  // 0.04: a V whose two sides meet at L = (W - b) / 2, not at the centre:
  // the right side starts b s below the bed.
  p.bedWidthFraction = 0.04f;
  l = layoutOf(*state);
  EXPECT_FLOAT_EQ(l.bankRun, 19.2f);
  s = profileOnly(l);
  for (int i = 1; i < s.npt - 1; ++i) {
    const float h = s.x[i] < 19.2f ? l.bankSlope * s.x[i] : l.bankSlope * (40.0f - s.x[i]);
    EXPECT_FLOAT_EQ(s.y[i], D - h);
    EXPECT_GE(s.y[i], -l.bankSlope * 1.6f - 1e-5f);
  }

  // 0.05: a flat bed of 0.05 W.
  p.bedWidthFraction = 0.05f;
  l = layoutOf(*state);
  s = profileOnly(l);
  float bedStart = -1, bedEnd = -1;
  for (int i = 1; i < s.npt - 1; ++i)
    if (s.y[i] == 0.0f) {
      if (bedStart < 0) bedStart = s.x[i];
      bedEnd = s.x[i];
    }
  EXPECT_NEAR(bedStart, 19.0f, l.bankSpacing);
  EXPECT_NEAR(bedEnd - bedStart, 2.0f, l.bankSpacing + l.bedSpacing);

  // The parabola: deepest at the centre.
  state->hydraulics.xsShape = 1;
  l = layoutOf(*state);
  EXPECT_FLOAT_EQ(l.parabola, 4.0f / 1600.0f);
  s = profileOnly(l);
  for (int i = 1; i < s.npt - 1; ++i)
    EXPECT_NEAR(s.y[i], D - D * (4.0f * s.x[i] / 40.0f - l.parabola * s.x[i] * s.x[i]), 1e-5f);
}

TEST(SyntheticSection, ZonesFiveAndSixWidenTheBedSpacing) {
  for (float zone : {5.0f, 6.0f}) {
    auto state = makeModelState();
    setWorkedChannel(*state);
    state->site.siteParameters.geoZone = zone;
    const float k = state->site.siteParameters.macroRoughness;
    const SectionLayout l = layoutOf(*state);
    EXPECT_GE(l.bedSpacing, 1.5f * k) << "zone " << zone;
    EXPECT_GT(l.spacingFactor, 1.0f);
    // The bank spacing follows the same factor.
    EXPECT_FLOAT_EQ(l.bankSpacing,
                    16.0f / static_cast<float>(2 * std::floor(16.0f / (l.spacingFactor * k) + 0.5f)));
  }
}

TEST(SyntheticSection, LayoutRefusals) {
  auto state = makeModelState();
  setWorkedChannel(*state);
  ScriptedUi ui;
  SectionLayout l;
  state->site.siteParameters.macroRoughness = 0;
  EXPECT_FALSE(buildLayout(*state, ui, l));
  EXPECT_TRUE(ui.said("Probelm with macro-roughness estimate"));

  // A bed as wide as the channel leaves no banks: refused by name.
  state->site.siteParameters.macroRoughness = 0.694f;
  for (float fraction : {1.0f, 1.5f, -0.1f}) {
    ui.messages.clear();
    state->site.siteParameters.bedWidthFraction = fraction;
    EXPECT_FALSE(buildLayout(*state, ui, l));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("Bed Width (Fraction)"), std::string::npos);
  }
  // The parabola does not use the fraction.
  state->hydraulics.xsShape = 1;
  EXPECT_TRUE(buildLayout(*state, ui, l));
  state->hydraulics.xsShape = 0;
  // A refused layout runs nothing and clears nothing.
  ScratchDir dir;
  state->site.dataDirectory = dir.path().string();
  state->hydraulics.stageCount = 7;
  state->hydraulics.stageDischarge[0] = 1.5f;
  HydraulicsCharts charts = makeHydraulicsCharts();
  EXPECT_FALSE(runHydraulicModel(*state, ui, charts));
  EXPECT_EQ(state->hydraulics.stageCount, 7);
  EXPECT_EQ(state->hydraulics.stageDischarge[0], 1.5f);
  EXPECT_EQ(state->hydraulics.randomSeed, 0u);
}

TEST(SyntheticSection, BedFormAboveTheBankTopIsMirroredBelowIt) {
  auto state = makeModelState();
  SectionLayout l;
  l.depth = 1.0f;
  l.macroRoughness = 1.0f;
  l.bedSpacing = 1.0f;
  l.bankSpacing = 1.0f;
  HydraulicSection s = flatSection(11, 1.0f);
  auto copy = makeModelState();
  addBedForms(state->hydraulics, l, s);
  // Bed forms of two points end at 3, 5, 7, 9; every offset upwards is
  // turned downwards by the same amount.
  float previous = 0;
  for (int e : {3, 5, 7, 9}) {
    const float r = static_cast<float>(nextRandom(copy->hydraulics) - 0.5);
    const float off = -std::fabs(1.0f * r);
    EXPECT_FLOAT_EQ(s.y[e], 1.0f + off) << "point " << e;
    EXPECT_FLOAT_EQ(s.y[e - 1], 1.0f + previous + (off - previous) * 0.5f);
    previous = off;
  }
  for (int i = 0; i < s.npt; ++i) EXPECT_LE(s.y[i], 1.0f);
  EXPECT_EQ(s.y[10], 1.0f);
}

TEST(SyntheticSection, BedFormsAdvanceWhenTheBedSpacingExceedsTwiceTheBankSpacing) {
  // nB = 2 nearest(1 / 3) = 0: every bed form still spans one point.
  auto state = makeModelState();
  SectionLayout l;
  l.depth = 2.0f;
  l.macroRoughness = 0.5f;
  l.bedSpacing = 3.0f;
  l.bankSpacing = 1.0f;
  HydraulicSection s = flatSection(12, 1.0f);
  addBedForms(state->hydraulics, l, s);
  // One-point bed forms end at 2, 3, ..., 10.
  auto copy = makeModelState();
  for (int e = 2; e <= 10; ++e)
    EXPECT_FLOAT_EQ(s.y[e], 1.0f + 0.5f * static_cast<float>(nextRandom(copy->hydraulics) - 0.5)) << "point " << e;
  EXPECT_EQ(state->hydraulics.randomSeed, copy->hydraulics.randomSeed);

  // A bed fraction of 0.001 of the worked channel: no point on the bed.
  auto channel = makeModelState();
  setWorkedChannel(*channel);
  channel->site.siteParameters.bedWidthFraction = 0.001f;
  const SectionLayout tiny = layoutOf(*channel);
  EXPECT_TRUE(std::isinf(tiny.bedSpacing));
  HydraulicSection section;
  buildSection(*channel, tiny, section, nullptr);
  EXPECT_GT(section.npt, 3);
}

TEST(SyntheticSection, ShortSectionTransitionNeverStartsBeforePointOne) {
  // Fine spacing everywhere with nB = 20: the first bed form is cut to end at
  // npt - 2 = 3 and keeps m = 20, so its transition would start at -16.
  auto state = makeModelState();
  SectionLayout l;
  l.depth = 5.0f;
  l.macroRoughness = 1.0f;
  l.bedSpacing = 0.1f;
  l.bankSpacing = 1.0f;
  HydraulicSection s;
  s.npt = 5;
  for (int i = 0; i < 5; ++i) {
    s.x[i] = 0.1f * static_cast<float>(i);
    s.y[i] = 2.0f;
  }
  auto copy = makeModelState();
  ASSERT_NO_THROW(addBedForms(state->hydraulics, l, s));
  const float off = 1.0f * static_cast<float>(nextRandom(copy->hydraulics) - 0.5);
  EXPECT_EQ(s.y[0], 2.0f);
  EXPECT_FLOAT_EQ(s.y[3], 2.0f + off);
  EXPECT_FLOAT_EQ(s.y[1], 2.0f + off * (18.0f / 20.0f));
  EXPECT_FLOAT_EQ(s.y[2], 2.0f + off * (19.0f / 20.0f));
  EXPECT_EQ(s.y[4], 2.0f);
}

TEST(SyntheticSection, SeedBelongsToTheState) {
  // Two program starts (two fresh states) give the same sections in the
  // same order; within one state the sequence continues.
  auto a = makeModelState();
  auto b = makeModelState();
  setWorkedChannel(*a);
  setWorkedChannel(*b);
  const SectionLayout l = layoutOf(*a);
  HydraulicSection a1, a2, b1, b2;
  buildSection(*a, l, a1, nullptr);
  buildSection(*a, l, a2, nullptr);
  buildSection(*b, l, b1, nullptr);
  buildSection(*b, l, b2, nullptr);
  EXPECT_EQ(a1.y, b1.y);
  EXPECT_EQ(a2.y, b2.y);
  EXPECT_NE(a1.y, a2.y);
  EXPECT_EQ(a->hydraulics.randomSeed, b->hydraulics.randomSeed);
}
