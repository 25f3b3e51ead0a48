#include <gtest/gtest.h>

#include "hydraulics/hydraulics_step.h"
#include "hydraulics/hydraulics_window.h"
#include "hydraulics/rating_curve.h"
#include "hydraulics_fixture.h"

using namespace oewr;
using namespace oewr::hydraulics;
using oewr::testing::ScratchDir;
using oewr::testing::NoHost;
using oewr::testing::ScriptedUi;

TEST(HydraulicsStep, MaximumDepthZeroEstimatesAndRunsTwice) {
  ScratchDir dir;
  auto headless = workedExampleState(dir);
  NoHost host;
  ScriptedUi& ui = host.ui;
  headless->reportLines.emplace();
  const HydraulicsStepCharts charts = runHydraulicsStep(*headless, host.tx, ui, host.dialog);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(headless->reportLines->at(1), "HYDRAULICS DATA SUMMARY");
  EXPECT_EQ(headless->hydraulics.stageCount, 362);
  EXPECT_EQ(charts.stageDischarge.series[0].points.size(), 362u);
  EXPECT_EQ(charts.section.series[0].points.size(), static_cast<std::size_t>(headless->hydraulics.modelXsCount));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Worked example_habitat.txt"));

  // The same as Re-Calc (which runs the model) followed by a second run.
  auto byHand = workedExampleState(dir);
  TForm4 form(*byHand, host.tx, ui, host.dialog);
  form.checkParametersOnOpen();
  form.recalcParameters();
  HydraulicsCharts more = makeHydraulicsCharts();
  runHydraulicModel(*byHand, ui, more);
  EXPECT_EQ(headless->hydraulics.randomSeed, byHand->hydraulics.randomSeed);
  EXPECT_EQ(headless->hydraulics.stageDischarge, byHand->hydraulics.stageDischarge);
  EXPECT_EQ(headless->hydraulics.stageClassShare, byHand->hydraulics.stageClassShare);
}

TEST(HydraulicsStep, LoadedParametersRunOnceAsLoaded) {
  ScratchDir dir;
  auto state = workedExampleState(dir);
  SiteParameters& p = state->site.siteParameters;
  p.maxDepth = 2.0f;
  p.bedWidthFraction = 0.0f;  // as loaded: shape 0, a V split at 0.3 W
  p.macroRoughness = 0.5f;
  p.maxGradient = 0.02f;
  p.minGradient = 0.01f;
  p.gradientShapeFactor = 10;
  p.maxManningN = 0.08f;
  p.minManningN = 0.05f;
  p.nShapeFactor = 20;
  NoHost host;
  ScriptedUi& ui = host.ui;
  TForm4 form(*state, host.tx, ui, host.dialog);
  form.FormCreate();
  EXPECT_TRUE(form.informationLines.empty());  // no Re-Calc
  EXPECT_EQ(p.maxDepth, 2.0f);
  EXPECT_EQ(state->hydraulics.xsShape, 0);
  EXPECT_EQ(state->hydraulics.stageCount, 220);
  EXPECT_EQ(form.parameterGrid.cell(1, 7), "      2.00");
  EXPECT_EQ(form.observedGrid.cell(1, 6), "        20");
  // Lowest point 0, bank tops at the maximum depth.
  EXPECT_EQ(state->hydraulics.modelXsElevation[0], 2.0f);
  EXPECT_EQ(state->hydraulics.modelXsElevation[state->hydraulics.modelXsCount - 1], 2.0f);
}
