#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "common/errors.h"
#include "common/text_format.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/hydraulics_save.h"
#include "hydraulics/hydraulics_step.h"
#include "hydraulics/hydraulics_window.h"
#include "hydraulics_fixture.h"
#include "hydrology/hydrology_input.h"

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
  const SiteParameters& p = state->site.siteParameters;

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
  EXPECT_EQ(state->hydraulics.stageCount, 362);
  EXPECT_EQ(state->hydraulics.xsShape, 0);
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
  EXPECT_EQ(state->site.siteParameters.valleySlope, 0.001f);
  EXPECT_EQ(form.parameterGrid.cell(1, 4), "   0.00100");
  EXPECT_TRUE(std::isfinite(state->site.siteParameters.gradientShapeFactor));
}

TEST(ChannelParameters, OpeningChecks) {
  ScratchDir dir;
  auto state = workedExampleState(dir);
  SiteParameters& p = state->site.siteParameters;
  p.maxWidth = 0;
  p.widthDepthScaling = 0.33f;
  p.hydroVariability = 1.234f;
  state->site.naturalFlows.hydroIndex = 1.231f;  // differs in the third decimal only
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
  state->site.siteParameters.hydroVariability = 3.0f;
  state->site.naturalFlows.hydroIndex = 4.256f;
  NoHost host;
  ScriptedUi& ui = host.ui;
  ui.answers = {false, true};
  TForm4 form(*state, host.tx, ui, host.dialog);
  form.checkParametersOnOpen();
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0], "Replace hydro. Variability table value with estimate from hydrology?");
  EXPECT_EQ(state->site.siteParameters.hydroVariability, 3.0f);  // declined
  EXPECT_EQ(form.parameterGrid.cell(1, 3), "      3.00");
  form.checkParametersOnOpen();
  EXPECT_EQ(state->site.siteParameters.hydroVariability, 4.256f);
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
  SiteParameters& p = state->site.siteParameters;
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
  EXPECT_EQ(state->site.siteParameters.catchmentArea, 3.5f);
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
  const float macroBefore = state->site.siteParameters.macroRoughness;
  EXPECT_THROW(recalc(form, "7", "0.5"), RangeError);
  // The slope is not checked; the steps before the zone tables stand.
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(state->site.siteParameters.geoZone, 7.0f);
  EXPECT_EQ(state->site.siteParameters.valleySlope, 0.5f);
  EXPECT_NEAR(state->site.siteParameters.maxDepth, 2.46f, 0.005f);
  EXPECT_EQ(state->site.siteParameters.macroRoughness, macroBefore);
}

namespace {

// The worked-example zone and slope on a channel 4 m wide, estimated and run
// as the window opens it (a small channel, so that the runs are quick).
struct SmallChannelWindow {
  ScratchDir dir;
  std::unique_ptr<ModelState> state = [this] {
    auto s = workedExampleState(dir);
    s->site.siteParameters.maxWidth = 4.0f;
    return s;
  }();
  NoHost host;
  TForm4 form{*state, host.tx, host.ui, host.dialog};
  SmallChannelWindow() { form.FormCreate(); }
};

std::string refusal(const std::function<void()>& action) {
  try {
    action();
  } catch (const ModelError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(ChannelInput, TypedValuesThatCannotBeAChannelAreRefusedByRow) {
  SmallChannelWindow w;
  ModelState& s = *w.state;
  TForm4& form = w.form;
  ASSERT_GT(s.hydraulics.stageCount, 0);
  const std::vector<float> parameters = siteParameterValues(s.site.siteParameters);
  const StageArray discharge = s.hydraulics.stageDischarge;
  const uint32_t seed = s.hydraulics.randomSeed;
  auto unchanged = [&] {
    EXPECT_EQ(siteParameterValues(s.site.siteParameters), parameters);
    EXPECT_EQ(s.hydraulics.stageDischarge, discharge);
    EXPECT_EQ(s.hydraulics.randomSeed, seed);
  };

  // A width of 0 ran to an all-zero rating, and "Re-Calc Parameters" then
  // estimated from it: no number for the macro roughness and both n.
  form.parameterGrid.cell(1, 6) = "0";
  EXPECT_EQ(refusal([&] { form.rePlotGraphs(); }),
            "Max. Width (m) is 0; it must be above 0 (Hydraulic Parameters, row 6): nothing was changed");
  unchanged();
  EXPECT_EQ(form.parameterGrid.cell(1, 6), "0");  // left to be typed over
  form.recalcParameters();  // from the width held
  EXPECT_FLOAT_EQ(s.site.siteParameters.maxWidth, 4.0f);
  EXPECT_TRUE(std::isfinite(s.site.siteParameters.macroRoughness));
  EXPECT_TRUE(std::isfinite(s.site.siteParameters.maxManningN));

  const std::vector<float> estimated = siteParameterValues(s.site.siteParameters);
  const StageArray rating = s.hydraulics.stageDischarge;
  const struct {
    int row;
    const char* text;
    const char* message;
  } cases[] = {
      {6, "-3", "Max. Width (m) is -3; it must be above 0 (Hydraulic Parameters, row 6): nothing was changed"},
      {7, "0", "Max. Depth (m) is 0; it must be above 0 (Hydraulic Parameters, row 7): nothing was changed"},
      {9, "-0.2", "Macro Roughness (m) is -0.2; it must be above 0 (Hydraulic Parameters, row 9): nothing was changed"},
      {10, "-0.01",
       "Micro Roughness (m) is -0.01; it must be at least 0 (Hydraulic Parameters, row 10): nothing was changed"},
      {8, "1", "Bed Width (Fraction) is 1; it must be at least 0 and below 1 (Hydraulic Parameters, row 8): nothing was "
               "changed"},
      {15, "0", "Min. Manning n is 0; it must be above 0 (Hydraulic Parameters, row 15): nothing was changed"},
      {16, "-1", "n Shape Factor is -1; it must be at least 0 (Hydraulic Parameters, row 16): nothing was changed"},
      // Beyond the 4-byte floats the model holds.
      {12, "1e39", "Min. Gradient is inf; it must be a finite number (Hydraulic Parameters, row 12): nothing was "
                   "changed"},
  };
  for (const auto& c : cases) {
    form.fillParameterTable();
    form.parameterGrid.cell(1, c.row) = c.text;
    EXPECT_EQ(refusal([&] { form.rePlotGraphs(); }), c.message);
    EXPECT_EQ(refusal([&] { form.saveParameters(); }), c.message);
    EXPECT_EQ(siteParameterValues(s.site.siteParameters), estimated) << c.text;
    EXPECT_EQ(s.hydraulics.stageDischarge, rating) << c.text;
  }
  EXPECT_TRUE(w.host.ui.messages.empty());

  // Numbers a channel may have, but so extreme that Manning's law overflows
  // (n of the smallest float): the run is refused and what stood before stays.
  form.fillParameterTable();
  form.parameterGrid.cell(1, 14) = "1e-45";
  form.parameterGrid.cell(1, 15) = "1e-45";
  const uint32_t seedBefore = s.hydraulics.randomSeed;
  form.rePlotGraphs();
  EXPECT_EQ(w.host.ui.texts(), std::vector<std::string>{"The hydraulic model gives no number for the stage of 0.002 m "
                                                         "with these parameters (extreme values?): the results of the "
                                                         "run before stay"});
  EXPECT_EQ(siteParameterValues(s.site.siteParameters), estimated);
  EXPECT_EQ(s.hydraulics.stageDischarge, rating);
  EXPECT_EQ(s.hydraulics.randomSeed, seedBefore);

  // Typed over: the width typed takes the place of one held that cannot be
  // used; a width typed while the held one is good waits for "Re-Plot".
  form.fillParameterTable();
  form.parameterGrid.cell(1, 6) = "8";
  form.recalcParameters();
  EXPECT_FLOAT_EQ(s.site.siteParameters.maxWidth, 4.0f);
}

TEST(ChannelInput, StoredValuesThatCannotBeAChannelStopTheOpening) {
  ScratchDir dir;
  NoHost host;
  for (float depth : {0.0f, 2.0f}) {
    auto state = workedExampleState(dir);
    state->site.siteParameters.maxWidth = -40.0f;
    state->site.siteParameters.maxDepth = depth;  // 0: estimated from the width
    state->site.siteParameters.macroRoughness = 0.5f;
    TForm4 form(*state, host.tx, host.ui, host.dialog);
    EXPECT_EQ(refusal([&] { form.FormCreate(); }),
              "Site parameters (slot 4): Max. Width (m) is -40; it must be above 0: the hydraulic model is not run "
              "with it");
    EXPECT_EQ(state->hydraulics.stageCount, 0);
    EXPECT_EQ(form.parameterGrid.cell(1, 6), "    -40.00");  // shown to be typed over
    // The same stop for the headless run, which opens the window the same way.
    auto headless = workedExampleState(dir);
    headless->site.siteParameters = state->site.siteParameters;
    headless->site.siteParameters.maxWidth = -40.0f;
    EXPECT_THROW(runHydraulicsStep(*headless, host.tx, host.ui, host.dialog), ModelError);
    EXPECT_EQ(headless->hydraulics.stageCount, 0);

    // Typed over, the width is estimated from.
    form.parameterGrid.cell(1, 6) = "4";
    form.recalcParameters();
    EXPECT_EQ(state->site.siteParameters.maxWidth, 4.0f);
    EXPECT_GT(state->hydraulics.stageCount, 0);
  }

  // A stored macro roughness below 0, where the model runs on the stored set.
  auto state = oewr::testing::surveyedState(dir);
  state->site.siteParameters.macroRoughness = -0.5f;
  TForm4 form(*state, host.tx, host.ui, host.dialog);
  EXPECT_EQ(refusal([&] { form.FormCreate(); }),
            "Site parameters (slot 4): Macro Roughness (m) is -0.5; it must be above 0: the hydraulic model is not "
            "run with it");
  EXPECT_EQ(refusal([&] { form.useObservedData(); }),
            "Site parameters (slot 4): Macro Roughness (m) is -0.5; it must be above 0: the hydraulic model is not "
            "run with it");
  EXPECT_FALSE(form.observedMode);
  EXPECT_EQ(state->hydraulics.stageCount, 0);
}

namespace {

// Where the first value of the hydraulics' state that is no finite number is,
// or "" when there is none.
std::string firstNonNumber(const ModelState& s) {
  for (int position = 1; position <= SiteParameters::count; ++position)
    if (!std::isfinite(s.site.siteParameters.at(position))) return SiteParameters::nameAt(position);
  const std::pair<const char*, const StageArray*> arrays[] = {
      {"stageDischarge", &s.hydraulics.stageDischarge}, {"stageDischargeLow", &s.hydraulics.stageDischargeLow},
      {"stageDischargeHigh", &s.hydraulics.stageDischargeHigh}, {"stageWidth", &s.hydraulics.stageWidth}};
  for (const auto& [name, a] : arrays)
    for (int j = 0; j <= kMaxStageIndex; ++j)
      if (!std::isfinite((*a)[j])) return name + ("[" + std::to_string(j) + "]");
  for (int c = 0; c < kHabitatClassCount; ++c)
    for (int j = 0; j <= kMaxStageIndex; ++j)
      if (!std::isfinite(s.hydraulics.stageClassShare[c][j])) return "stageClassShare";
  for (int i = 0; i <= kMaxSectionPoint; ++i)
    if (!std::isfinite(s.hydraulics.modelXsDistance[i]) || !std::isfinite(s.hydraulics.modelXsElevation[i])) return "modelXs";
  if (!std::isfinite(s.hydraulics.wetBaseflowDepth) || !std::isfinite(s.hydraulics.dryBaseflowDepth)) return "baseflow depths";
  return "";
}

}  // namespace

// Every way a number reaches the hydraulics (the cells of both tables and
// each button that reads them, and a stored record read and opened) with the
// numbers that break formulas: no number, infinity, 0, negative, the largest
// and the smallest floats. Whatever is refused, no value of the state may be
// left without a number.
TEST(ChannelInput, NoValueTypedOrStoredLeavesANonNumberInTheState) {
  const float denormal = std::numeric_limits<float>::denorm_min();
  const std::vector<std::string> typed = {"0", "-3", "1e38", "-1e38", "1e39", "1e-45", "1e-30"};
  SmallChannelWindow w;
  ModelState& s = *w.state;
  TForm4& form = w.form;
  // A surveyed and a saved section, so that both single computations run.
  auto surveyed = oewr::testing::surveyedState(w.dir);
  s.site.xsPointCount = s.site.savedXsCount = surveyed->site.xsPointCount;
  for (int i = 0; i < s.site.xsPointCount; ++i) {
    s.site.xsDistance[i] = s.site.savedXsDistance[i] = surveyed->site.xsDistance[i];
    s.site.xsElevation[i] = s.site.savedXsElevation[i] = surveyed->site.xsElevation[i];
  }
  form.Button6.enabled = form.Button7.enabled = true;
  // Every case starts from a zone A channel 1 m wide whose runs are quick.
  SiteParameters& p = s.site.siteParameters;
  p.geoZone = 1;
  p.valleySlope = 0.1f;
  p.maxWidth = 1.0f;
  p.maxDepth = 0.2f;
  p.bedWidthFraction = 0.5f;
  p.macroRoughness = 0.5f;
  const SiteParameters start = p;
  auto reset = [&] {
    s.site.siteParameters = start;
    form.fillParameterTable();
    form.fillObservedTable();
  };
  auto press = [&](const std::function<void()>& action, const std::string& what) {
    try {
      action();
    } catch (const ModelError&) {
      // refused: the property is about what stays
    }
    ASSERT_EQ(firstNonNumber(s), "") << what;
  };

  for (int row = 1; row <= 16; ++row)
    for (const std::string& text : typed) {
      const std::string what = "row " + std::to_string(row) + " typed " + text;
      reset();
      form.parameterGrid.cell(1, row) = text;
      // Re-Plot reads rows 6 to 16; Re-Calc rows 1 to 5 and estimates from
      // the width and micro roughness held; Use Saved reads row 7.
      if (row >= 6) press([&] { form.rePlotGraphs(); }, what + ", Re-Plot");
      if (row <= 5 || row == 6 || row == 10) press([&] { form.recalcParameters(); }, what + ", Re-Calc");
      if (row == 7) press([&] { form.useSavedSection(); }, what + ", Use Saved");
      press([&] { form.saveParameters(); }, what + ", Save");
    }
  for (int row = 1; row <= 6; ++row)
    for (const std::string& text : typed) {
      reset();
      form.observedGrid.cell(1, row) = text;
      press([&] { form.useObservedData(); }, "observed row " + std::to_string(row) + " typed " + text);
    }

  // Stored records: a sound one with a few values replaced.
  const float extremes[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), 0.0f, -40.0f, 1e38f, denormal};
  const std::vector<float> sound = siteParameterValues(start);
  std::mt19937 random(13);
  for (int record = 0; record < 24; ++record) {
    std::vector<float> stored = sound;
    for (int n = 0; n < 3; ++n)
      stored[random() % stored.size()] = extremes[random() % std::size(extremes)];
    hydrology::storeSiteParameters(s, stored);
    ASSERT_EQ(firstNonNumber(s), "") << "record " << record << " as read";
    TForm4 opened(s, w.host.tx, w.host.ui, w.host.dialog);
    press([&] { opened.FormCreate(); }, "record " + std::to_string(record) + " opened");
  }
}
