#include <gtest/gtest.h>

#include <cmath>

#include "common/errors.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/hydraulics_step.h"
#include "hydraulics/tform4.h"
#include "hydraulics_fixture.h"

using namespace oewr;
using namespace oewr::hydraulics;
using oewr::testing::ScratchDir;
using oewr::testing::NoHost;
using oewr::testing::ScriptedUi;

namespace {

// Re-Calc Parameters after the opening checks, with the typed zone and slope.
void recalc(TForm4& form, const std::string& zone, const std::string& slope) {
  form.parameterGrid.cell(1, 1) = zone;
  form.parameterGrid.cell(1, 4) = slope;
  form.recalcParameters();
}

}  // namespace

TEST(ChannelParameters, WorkedExampleEstimates) {
  ScratchDir dir;
  auto state = workedExampleState(dir);
  NoHost host;
  ScriptedUi& ui = host.ui;
  TForm4 form(*state, host.tx, ui, host.dialog);
  form.checkParametersOnOpen();
  form.recalcParameters();
  const SiteParameters& p = state->siteParameters;

  // The estimates as the table shows them, and as the model then runs with
  // them (rows 6 to 16 are read back).
  EXPECT_EQ(form.parameterGrid.cell(1, 6), "     40.00");
  EXPECT_EQ(form.parameterGrid.cell(1, 7), "      3.42");
  EXPECT_EQ(form.parameterGrid.cell(1, 8), "      0.60");
  EXPECT_EQ(form.parameterGrid.cell(1, 9), "     0.694");
  EXPECT_EQ(form.parameterGrid.cell(1, 11), "   0.03000");
  EXPECT_EQ(form.parameterGrid.cell(1, 12), "   0.01000");
  EXPECT_EQ(form.parameterGrid.cell(1, 15), "     0.070");
  EXPECT_EQ(form.parameterGrid.cell(1, 16), "        23");
  EXPECT_FLOAT_EQ(p.maxDepth, 3.42f);
  EXPECT_FLOAT_EQ(p.bedWidthFraction, 0.6f);
  EXPECT_FLOAT_EQ(p.macroRoughness, 0.694f);
  EXPECT_FLOAT_EQ(p.maxGradient, 0.03f);
  EXPECT_EQ(p.nShapeFactor, 23.0f);
  // 0.03f / 0.01f is exactly 3 in 4-byte floats: 3.75 * 3 + 1.25 = 12.5
  // rounds up.
  EXPECT_EQ(p.gradientShapeFactor, 13.0f);
  EXPECT_EQ(gradientShapeFactorOf(0.03f, 0.01f), 13.0f);
  // A ratio of just below 3 moves it to the lower integer.
  EXPECT_EQ(gradientShapeFactorOf(std::nextafter(0.03f, 0.0f), 0.01f), 12.0f);

  // The unrounded steps of the estimate.
  const float D = bankfullDepth(40.0f, 0.5f);
  EXPECT_NEAR(D, 2.46f, 0.005f);
  EXPECT_NEAR(40.0f / D, 16.26f, 0.01f);

  ASSERT_EQ(form.informationLines.size(), 5u);
  EXPECT_EQ(form.informationLines[0], "Additional information");
  EXPECT_EQ(form.informationLines[1], " ");
  EXPECT_EQ(form.informationLines[2], "  ");
  EXPECT_EQ(form.informationLines[3], "Velocity for micro-roughness");
  EXPECT_NE(form.informationLines[4].find(" m^3/s"), std::string::npos);
  EXPECT_EQ(form.informationLines[4].size(), 16u);

  // The model ran: the stage grid reaches the maximum depth of 3.42 m.
  EXPECT_EQ(state->stageCount, 362);
  EXPECT_EQ(state->xsShape, 0);
}

TEST(ChannelParameters, ZoneSlopeBoundsAreInclusive) {
  EXPECT_FALSE(checkZoneSlope(1, 0.1f).message);
  const SlopeCheck low = checkZoneSlope(1, 0.0999f);
  ASSERT_TRUE(low.message);
  EXPECT_EQ(*low.message, "Slope too low for A Geom. Zone");
  EXPECT_EQ(low.slope, 0.1f);

  EXPECT_FALSE(checkZoneSlope(6, 0.0015f).message);
  const SlopeCheck high = checkZoneSlope(6, 0.0016f);
  ASSERT_TRUE(high.message);
  EXPECT_EQ(*high.message, "Slope to high for F Geom. Zone");
  EXPECT_EQ(high.slope, 0.001f);

  EXPECT_FALSE(checkZoneSlope(4, 0.004f).message);
  EXPECT_FALSE(checkZoneSlope(4, 0.025f).message);
  EXPECT_EQ(*checkZoneSlope(4, 0.026f).message, "Slope incompatible with D Geom. Zone");
  EXPECT_EQ(checkZoneSlope(2, 0.2f).slope, 0.06f);
  EXPECT_EQ(checkZoneSlope(3, 0.01f).slope, 0.03f);
  EXPECT_EQ(checkZoneSlope(5, 0.01f).slope, 0.003f);
  // Zones outside the tables are not checked.
  EXPECT_FALSE(checkZoneSlope(7, 5.0f).message);
  EXPECT_THROW(zoneConstants(7), RangeError);
}

TEST(ChannelParameters, ZoneSixRefusesASlopeOfZeroOrBelow) {
  // A slope of 0 would leave the gradient shape factor without a divisor.
  for (float slope : {0.0f, -0.001f}) {
    const SlopeCheck c = checkZoneSlope(6, slope);
    ASSERT_TRUE(c.message);
    EXPECT_EQ(*c.message, "Slope to high for F Geom. Zone");
    EXPECT_EQ(c.slope, 0.001f);
  }
  ScratchDir dir;
  auto state = workedExampleState(dir);
  NoHost host;
  ScriptedUi& ui = host.ui;
  TForm4 form(*state, host.tx, ui, host.dialog);
  form.checkParametersOnOpen();
  recalc(form, "6", "0");
  EXPECT_TRUE(ui.said("Slope to high for F Geom. Zone"));
  EXPECT_EQ(state->siteParameters.valleySlope, 0.001f);
  EXPECT_EQ(form.parameterGrid.cell(1, 4), "   0.00100");
  EXPECT_TRUE(std::isfinite(state->siteParameters.gradientShapeFactor));
}

TEST(ChannelParameters, OpeningChecks) {
  ScratchDir dir;
  auto state = workedExampleState(dir);
  SiteParameters& p = state->siteParameters;
  p.maxWidth = 0;
  p.widthDepthScaling = 0.33f;
  p.hydroVariability = 1.234f;
  state->naturalFlows.hydroIndex = 1.231f;  // differs in the third decimal only
  p.maxGradient = 0.02f;
  p.nShapeFactor = 11;
  NoHost host;
  ScriptedUi& ui = host.ui;
  TForm4 form(*state, host.tx, ui, host.dialog);
  form.checkParametersOnOpen();
  EXPECT_TRUE(ui.questions.empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "Channel width has not been set and has defaulted to 40m");
  EXPECT_EQ(ui.messages[0].caption, "Orvane EWR Model : Hydraulics sub-model");
  EXPECT_EQ(p.maxWidth, 40.0f);
  EXPECT_EQ(p.widthDepthScaling, 0.5f);
  // The observed set defaults to the main set.
  EXPECT_EQ(p.obsMaxGradient, 0.02f);
  EXPECT_EQ(p.obsNShapeFactor, 11.0f);
  EXPECT_EQ(form.observedGrid.cell(1, 1), "   0.02000");
  EXPECT_EQ(form.observedGrid.cell(0, 6), "n Shape Factor");
  EXPECT_EQ(form.parameterGrid.cell(0, 0), "Hydraulic Parameters");
  EXPECT_EQ(form.parameterGrid.cell(0, 6), "Max. Width (m)");
  EXPECT_EQ(form.parameterGrid.cell(1, 6), "     40.00");
  EXPECT_FALSE(form.observedGrid.visible);

  for (float scaling : {0.34f, 0.66f}) {
    p.widthDepthScaling = scaling;
    form.checkParametersOnOpen();
    EXPECT_EQ(p.widthDepthScaling, scaling);
  }
  p.widthDepthScaling = 0.67f;
  form.checkParametersOnOpen();
  EXPECT_EQ(p.widthDepthScaling, 0.5f);
}

TEST(ChannelParameters, VariabilityQuestion) {
  ScratchDir dir;
  auto state = workedExampleState(dir);
  state->siteParameters.hydroVariability = 3.0f;
  state->naturalFlows.hydroIndex = 4.256f;
  NoHost host;
  ScriptedUi& ui = host.ui;
  ui.answers = {false, true};
  TForm4 form(*state, host.tx, ui, host.dialog);
  form.checkParametersOnOpen();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0], "Replace hydro. Variability table value with estimate from hydrology?");
  EXPECT_EQ(state->siteParameters.hydroVariability, 3.0f);  // declined
  EXPECT_EQ(form.parameterGrid.cell(1, 3), "      3.00");
  form.checkParametersOnOpen();
  EXPECT_EQ(state->siteParameters.hydroVariability, 4.256f);
  EXPECT_EQ(form.parameterGrid.cell(1, 3), "      4.26");
}

TEST(ChannelParameters, NShapeFactorIsCappedAt50) {
  const float D = bankfullDepth(40.0f, 0.5f);
  const float macro = D * 0.07f * std::sqrt(40.0f / D);
  EXPECT_EQ(nShapeFactorOf(macro, D), 23.0f);
  EXPECT_EQ(nShapeFactorOf(0.1f, 2.0f), 50.0f);  // 3.5 * 0.05^-1.5 = 313
  EXPECT_EQ(nShapeFactorOf(0.25f, 1.0f), 28.0f);
}

TEST(ChannelParameters, SecondRecalcUsesTheMicroRoughnessOfTheFirst) {
  ScratchDir dir;
  auto state = workedExampleState(dir);
  SiteParameters& p = state->siteParameters;
  p.microRoughness = 0.25f;  // as loaded
  NoHost host;
  ScriptedUi& ui = host.ui;
  TForm4 form(*state, host.tx, ui, host.dialog);
  form.checkParametersOnOpen();
  form.recalcParameters();
  const float macro = 0.694f;
  // 0.4 sqrt(0.25) + 0.1 macro is above 1.2 min n.
  EXPECT_NEAR(p.maxManningN, 0.269f, 0.0005f);  // "%10.3f" read back
  const float firstMicro = p.microRoughness;
  EXPECT_NE(firstMicro, 0.25f);
  form.recalcParameters();
  const float expected = std::max(0.4f * std::sqrt(firstMicro) + 0.1f * macro, 1.2f * p.minManningN);
  EXPECT_NEAR(p.maxManningN, expected, 0.0005f);
}

TEST(ChannelParameters, TableTextThatIsNoNumberEndsTheAction) {
  ScratchDir dir;
  auto state = workedExampleState(dir);
  NoHost host;
  ScriptedUi& ui = host.ui;
  TForm4 form(*state, host.tx, ui, host.dialog);
  form.checkParametersOnOpen();
  form.parameterGrid.cell(1, 1) = "   4.5";
  try {
    form.recalcParameters();
    FAIL() << "a zone with decimals was accepted";
  } catch (const ModelError& e) {
    EXPECT_NE(std::string(e.what()).find("row 1"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("4.5"), std::string::npos);
  }
  form.parameterGrid.cell(1, 1) = "4";
  form.parameterGrid.cell(1, 5) = "abc";
  EXPECT_THROW(form.recalcParameters(), ModelError);
  // Typed text counts as typed: "3,5" reads as 3.5.
  form.parameterGrid.cell(1, 5) = "3,5";
  form.recalcParameters();
  EXPECT_EQ(state->siteParameters.catchmentArea, 3.5f);
  form.parameterGrid.cell(1, 10) = "x";
  EXPECT_THROW(form.rePlotGraphs(), ModelError);
}

TEST(ChannelParameters, ZoneOutsideTheTablesStopsAtTheMacroRoughness) {
  ScratchDir dir;
  auto state = workedExampleState(dir);
  NoHost host;
  ScriptedUi& ui = host.ui;
  TForm4 form(*state, host.tx, ui, host.dialog);
  form.checkParametersOnOpen();
  const float macroBefore = state->siteParameters.macroRoughness;
  EXPECT_THROW(recalc(form, "7", "0.5"), RangeError);
  // The slope is not checked; the steps before the zone tables stand.
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(state->siteParameters.geoZone, 7.0f);
  EXPECT_EQ(state->siteParameters.valleySlope, 0.5f);
  EXPECT_NEAR(state->siteParameters.maxDepth, 2.46f, 0.005f);
  EXPECT_EQ(state->siteParameters.macroRoughness, macroBefore);
}
