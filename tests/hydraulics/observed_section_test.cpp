#include <gtest/gtest.h>

#include <vector>

#include "common/errors.h"
#include "common/text_format.h"
#include "hydraulics/habitat_classes.h"
#include "hydraulics/hydraulics_window.h"
#include "hydraulics/observed_section.h"
#include "hydraulics_fixture.h"

using namespace oewr;
using namespace oewr::hydraulics;
using oewr::testing::NoHost;
using oewr::testing::ScratchDir;

namespace {

// The window on the surveyed site, its tables filled as on opening (the model
// is not run: the tests press the section buttons themselves).
struct SurveyedWindow {
  ScratchDir dir;
  std::unique_ptr<ModelState> state = oewr::testing::surveyedState(dir);
  NoHost host;
  TForm4 form{*state, host.tx, host.ui, host.dialog};
  SurveyedWindow() { form.checkParametersOnOpen(); }
  std::vector<std::string> habitatFile() const { return oewr::testing::readLines(habitatFilePath(*state)); }
};

// What a single computation leaves for the later sub-models.
struct Results {
  int32_t stageCount;
  StageArray discharge, low, high, width;
  BoundedArray<StageArray, 0, kHabitatClassCount - 1> shares;
  float wetDepth, dryDepth;
  std::vector<std::string> file;
  std::vector<std::pair<double, double>> calculated;
  bool operator==(const Results&) const = default;
};

std::vector<std::pair<double, double>> pointsOf(const charting::Series& series) {
  std::vector<std::pair<double, double>> points;
  for (const auto& p : series.points) points.emplace_back(p.x, p.y);
  return points;
}

// The depth of stage j of the grid.
float stageDepth(int j) {
  float d = nextStage(0.0f);
  for (int i = 0; i < j; ++i) d = nextStage(d);
  return d;
}

Results resultsOf(const SurveyedWindow& w) {
  const ModelState& s = *w.state;
  return {s.hydraulics.stageCount,         s.hydraulics.stageDischarge, s.hydraulics.stageDischargeLow, s.hydraulics.stageDischargeHigh, s.hydraulics.stageWidth,
          s.hydraulics.stageClassShare,    s.hydraulics.wetBaseflowDepth, s.hydraulics.dryBaseflowDepth, w.habitatFile(),
          pointsOf(w.form.charts.stageDischarge.series[kUpperEstimateSeries])};
}

}  // namespace

TEST(BankLevel, LastPointBelowTheHighestSetsTheLevel) {
  EXPECT_FLOAT_EQ(bankLevel(std::vector<float>{1.0f, 3.0f, 0.0f, 2.5f}), 2.5f);
  // ... even when the first point is lower still.
  EXPECT_FLOAT_EQ(bankLevel(std::vector<float>{0.5f, 3.0f, 0.0f, 2.5f}), 2.5f);
}

TEST(BankLevel, HighestLastPointGivesWayToALowerFirstPoint) {
  EXPECT_FLOAT_EQ(bankLevel(std::vector<float>{1.5f, 0.0f, 2.7f}), 1.5f);
  EXPECT_FLOAT_EQ(bankLevel(std::vector<float>{2.7f, 0.0f, 2.7f}), 2.7f);
  EXPECT_FLOAT_EQ(bankLevel(std::vector<float>{3.1f, 0.0f, 2.7f}), 2.7f);  // last below the highest (first)
}

TEST(BankLevel, TruncatedToWholeCentimetres) {
  EXPECT_FLOAT_EQ(bankLevel(std::vector<float>{2.0f, 0.0f, 1.239f}), 1.23f);
  EXPECT_FLOAT_EQ(bankLevel(std::vector<float>{2.0f, 0.0f, 0.0f}), 0.0f);
  EXPECT_EQ(bankLevel(std::vector<float>{}), 0.0f);
}

TEST(Chainage, PointsBehindThePointBeforeAreNamed) {
  EXPECT_TRUE(chainageProblems(std::vector<float>{0, 1, 1, 2}).empty());  // equal distances are no problem
  EXPECT_EQ(chainageProblems(std::vector<float>{0, 2, 1, 0.5f, 3}), (std::vector<int32_t>{2, 3}));
}

TEST(UseObservedData, ComputesOnceOnTheSurveyedSection) {
  SurveyedWindow w;
  w.form.useObservedData();
  const ModelState& s = *w.state;
  EXPECT_TRUE(w.host.ui.messages.empty());

  // The window in the observed mode.
  EXPECT_TRUE(w.form.observedMode);
  EXPECT_FALSE(w.form.savedMode);
  EXPECT_FALSE(w.form.Button7.enabled);
  EXPECT_TRUE(w.form.observedGrid.visible);
  EXPECT_FALSE(w.form.parameterGrid.enabled);
  EXPECT_EQ(w.form.maxDepthBox.text, "  1.80");
  EXPECT_FLOAT_EQ(s.site.siteParameters.maxDepth, 1.8f);

  // The surveyed section is the section in use.
  ASSERT_EQ(s.hydraulics.modelXsCount, 9);
  EXPECT_EQ(s.hydraulics.modelXsDistance[4], 8.0f);
  EXPECT_EQ(s.hydraulics.modelXsElevation[8], 1.8f);
  EXPECT_EQ(w.form.charts.section.series[0].points.size(), 9u);

  // One computation: the three discharges of a stage are one.
  ASSERT_EQ(s.hydraulics.stageCount, oewr::testing::stagesBelow(1.8f));
  for (int32_t j = 0; j < s.hydraulics.stageCount; ++j) {
    EXPECT_EQ(s.hydraulics.stageDischargeLow[j], s.hydraulics.stageDischarge[j]);
    EXPECT_EQ(s.hydraulics.stageDischargeHigh[j], s.hydraulics.stageDischarge[j]);
  }
  EXPECT_GT(s.hydraulics.stageDischarge[s.hydraulics.stageCount - 1], s.hydraulics.stageDischarge[0]);
  float sum = 0;
  for (int c = 0; c < kHabitatClassCount; ++c) sum += s.hydraulics.stageClassShare[c][100];
  EXPECT_NEAR(sum, 100.0f, 0.01f);
  EXPECT_GT(s.hydraulics.stageWidth[100], 0.0f);

  // Both curves: the observed rating and the calculated one.
  const auto& sd = w.form.charts.stageDischarge.series;
  EXPECT_EQ(sd[0].title, "Observed Rating Curve");
  ASSERT_EQ(sd[0].points.size(), 151u);
  EXPECT_EQ(sd[0].points[100].x, static_cast<double>(s.site.ratingFlow[100]));
  EXPECT_EQ(sd[0].points[100].y, static_cast<double>(s.site.ratingDepth[100]));
  EXPECT_EQ(sd[1].title, "Calculated Rating Curve");
  ASSERT_EQ(sd[1].points.size(), static_cast<std::size_t>(s.hydraulics.stageCount));
  EXPECT_EQ(sd[1].points.back().x, static_cast<double>(s.hydraulics.stageDischargeHigh[s.hydraulics.stageCount - 1]));

  // The habitat file: no header, no width, eight fields a stage.
  const auto file = w.habitatFile();
  ASSERT_EQ(file.size(), static_cast<std::size_t>(s.hydraulics.stageCount));
  std::string first = formatText("%10.3f", s.hydraulics.stageDischarge[0]);
  for (int c = 0; c < kHabitatClassCount; ++c) first += formatText("%10.3f", s.hydraulics.stageClassShare[c][0]);
  EXPECT_EQ(file[0], first + "\r");
  for (const auto& line : file) EXPECT_EQ(line.size(), 81u);
}

TEST(UseObservedData, SecondPressGivesIdenticalResults) {
  SurveyedWindow w;
  w.form.useObservedData();
  const Results once = resultsOf(w);
  const uint32_t seed = w.state->hydraulics.randomSeed;
  w.form.useObservedData();
  EXPECT_TRUE(resultsOf(w) == once);
  EXPECT_EQ(w.state->hydraulics.randomSeed, seed);  // no random numbers in this mode
  EXPECT_EQ(w.form.charts.stageDischarge.series[0].points.size(), 151u);  // drawn anew, not added to
}

TEST(UseObservedData, EachPressTakesTheObservedTableAsTyped) {
  SurveyedWindow w;
  w.form.useObservedData();
  const Results before = resultsOf(w);
  // Calibration: a steeper minimum gradient carries more water at every
  // stage; the main set is not used.
  w.form.observedGrid.cell(1, 2) = "0.00800";
  w.state->site.siteParameters.minGradient = 0.5f;
  w.form.useObservedData();
  EXPECT_EQ(w.state->site.siteParameters.obsMinGradient, 0.008f);
  const ModelState& s = *w.state;
  ASSERT_EQ(s.hydraulics.stageCount, before.stageCount);
  for (int32_t j = 0; j < s.hydraulics.stageCount; ++j) EXPECT_GT(s.hydraulics.stageDischarge[j], before.discharge[j]) << "stage " << j;
}

TEST(UseObservedData, WithoutARatingTableOnlyTheCalculatedCurveIsDrawn) {
  SurveyedWindow w;
  w.state->site.ratingCount = 0;
  w.form.useObservedData();
  const auto& sd = w.form.charts.stageDischarge.series;
  EXPECT_TRUE(sd[0].points.empty());
  EXPECT_EQ(sd[0].title, "Observed Rating Curve");
  EXPECT_EQ(sd[1].points.size(), static_cast<std::size_t>(w.state->hydraulics.stageCount));
  EXPECT_GT(w.state->hydraulics.stageCount, 0);
}

TEST(UseObservedData, DecreasingChainageWarnsAtEachPointAndComputes) {
  SurveyedWindow w;
  w.state->site.xsDistance[4] = 5.0f;  // behind point 3 (6 m)
  w.state->site.xsDistance[5] = 4.5f;  // behind point 4
  w.form.useObservedData();
  EXPECT_EQ(w.host.ui.texts(),
            (std::vector<std::string>{"Problem in X-Section Chainage", "Problem in X-Section Chainage"}));
  EXPECT_EQ(w.state->hydraulics.stageCount, oewr::testing::stagesBelow(1.8f));
  EXPECT_GT(w.state->hydraulics.stageDischarge[w.state->hydraulics.stageCount - 1], 0.0f);
  EXPECT_EQ(w.state->hydraulics.modelXsDistance[5], 4.5f);  // used as surveyed
}

TEST(UseObservedData, BankLevelZeroComputesNoStagesAndSaysSo) {
  SurveyedWindow w;
  w.state->site.xsElevation[8] = 0.0f;  // the right bank at the bed: bank level 0
  w.state->hydraulics.stageCount = 50;
  w.form.useObservedData();
  EXPECT_EQ(w.form.maxDepthBox.text, "  0.00");
  EXPECT_EQ(w.state->hydraulics.stageCount, 0);
  EXPECT_TRUE(w.form.charts.stageDischarge.series[1].points.empty());
  EXPECT_TRUE(w.habitatFile().empty());
  ASSERT_EQ(w.host.ui.messages.size(), 1u);
  EXPECT_EQ(w.host.ui.messages[0].text,
            "The bank level of the observed cross-section is 0.00 m: no stage lies below it, so no rating curve or "
            "habitat frequencies were computed");
}

TEST(UseObservedData, RefusedInputChangesNothing) {
  // More rating rows than the chart takes.
  {
    SurveyedWindow w;
    w.state->site.ratingCount = 501;
    w.state->hydraulics.stageCount = 7;
    w.form.useObservedData();
    ASSERT_EQ(w.host.ui.messages.size(), 1u);
    EXPECT_EQ(w.host.ui.messages[0].text.rfind("array bound: the observed rating table has 501 rows", 0), 0u);
    EXPECT_FALSE(w.form.observedMode);
    EXPECT_EQ(w.form.charts.stageDischarge.series[0].title, "Lower estimate");
    EXPECT_EQ(w.state->hydraulics.modelXsCount, 0);
    EXPECT_EQ(w.state->hydraulics.stageCount, 7);
    EXPECT_FALSE(w.form.observedGrid.visible);
  }
  // More points than the tables hold.
  {
    SurveyedWindow w;
    w.state->site.xsPointCount = 502;
    w.form.useObservedData();
    EXPECT_EQ(w.host.ui.texts(),
              (std::vector<std::string>{
                  "The observed cross-section has 502 points; the window holds at most 501: it is not used"}));
    EXPECT_FALSE(w.form.observedMode);
    EXPECT_EQ(w.state->hydraulics.modelXsCount, 0);
  }
  // A text in the observed-data table that is no number.
  {
    SurveyedWindow w;
    w.form.observedGrid.cell(1, 1) = "0.0150";
    w.form.observedGrid.cell(1, 4) = "n/a";
    EXPECT_THROW(w.form.useObservedData(), ModelError);
    EXPECT_FALSE(w.form.observedMode);
    EXPECT_EQ(w.state->site.siteParameters.obsMaxGradient, 0.015f);
    EXPECT_EQ(w.state->hydraulics.modelXsCount, 0);
  }
}

TEST(UseObservedData, BaseflowDepthsOfAnEarlierRunDoNotStay) {
  SurveyedWindow w;
  w.state->hydrology.maxBaseflowWet = 1e6f;  // above every discharge of the section
  w.state->hydraulics.wetBaseflowDepth = 0.7f;
  w.state->hydraulics.wetBaseflowStage = 60;
  w.form.useObservedData();
  EXPECT_EQ(w.state->hydraulics.wetBaseflowDepth, 0.0f);
  EXPECT_EQ(w.state->hydraulics.wetBaseflowStage, 60);  // set only by a crossing
  EXPECT_TRUE(w.form.charts.stageDischarge.series[kWetBaseflowSeries].points.empty());
  EXPECT_GT(w.state->hydraulics.dryBaseflowDepth, 0.0f);  // 1 m3/s is crossed
  EXPECT_EQ(w.form.charts.stageDischarge.series[kDryBaseflowSeries].points.size(), 2u);
}

TEST(UseSavedSection, ComputesOnTheSavedSectionWithTheMainSet) {
  SurveyedWindow w;
  ModelState& s = *w.state;
  s.site.savedXsCount = 9;
  for (int i = 0; i < 9; ++i) {
    s.site.savedXsDistance[i] = s.site.xsDistance[i];
    s.site.savedXsElevation[i] = s.site.xsElevation[i];
  }
  w.form.useObservedData();
  w.form.useSavedSection();
  EXPECT_TRUE(w.form.savedMode);
  EXPECT_FALSE(w.form.observedMode);
  EXPECT_FALSE(w.form.parameterGrid.enabled);
  const auto& sd = w.form.charts.stageDischarge.series;
  EXPECT_EQ(sd[0].title, "Not used");
  EXPECT_TRUE(sd[0].points.empty());
  EXPECT_EQ(sd[1].title, "Saved Rating Curve");
  // The depth of row 7 (2.00), not the bank level.
  ASSERT_EQ(s.hydraulics.stageCount, oewr::testing::stagesBelow(2.0f));
  EXPECT_EQ(sd[1].points.size(), static_cast<std::size_t>(s.hydraulics.stageCount));

  // The main set of gradients and n values.
  HydraulicSection section;
  for (int i = 0; i < 9; ++i) {
    section.x[i] = s.site.xsDistance[i];
    section.y[i] = s.site.xsElevation[i];
  }
  section.npt = 9;
  const SiteParameters& p = s.site.siteParameters;
  FlowParameters fp{2.0f, p.maxGradient, p.minGradient, p.gradientShapeFactor, p.maxManningN, p.minManningN,
                    p.nShapeFactor};
  SectionHydraulics hyd;
  for (int j : {0, 30, 119, s.hydraulics.stageCount - 1}) {
    const float d = stageDepth(j);
    EXPECT_EQ(s.hydraulics.stageDischarge[j], sectionDischarge(section, 9, d, stageGradient(fp, d), fp.nShapeFactor,
                                                    fp.maxManningN, fp.minManningN, fp.maxDepth, hyd, w.host.ui))
        << "stage " << j;
  }
}

TEST(ModeFlags, RePlotAndReCalcKeepTheFlagsTheyDoNotOwn) {
  SurveyedWindow w;
  ModelState& s = *w.state;
  s.site.savedXsCount = 9;
  for (int i = 0; i < 9; ++i) {
    s.site.savedXsDistance[i] = s.site.xsDistance[i];
    s.site.savedXsElevation[i] = s.site.xsElevation[i];
  }
  w.form.FormCreate();
  EXPECT_TRUE(w.form.Button7.enabled);
  w.form.useObservedData();
  EXPECT_FALSE(w.form.Button7.enabled);

  // Re-Plot: the synthetic run again, the flags and the titles stay.
  w.form.rePlotGraphs();
  EXPECT_TRUE(w.form.observedMode);
  EXPECT_FALSE(w.form.observedGrid.visible);
  EXPECT_TRUE(w.form.parameterGrid.enabled);
  EXPECT_FALSE(w.form.Button7.enabled);
  EXPECT_EQ(w.form.charts.stageDischarge.series[0].title, "Observed Rating Curve");
  EXPECT_EQ(w.form.charts.stageDischarge.series[0].points.size(), static_cast<std::size_t>(s.hydraulics.stageCount));
  EXPECT_FLOAT_EQ(s.site.siteParameters.maxDepth, 2.0f);  // row 7 again

  // Re-Calc offers the saved section again; the observed mode stays.
  w.form.recalcParameters();
  EXPECT_TRUE(w.form.observedMode);
  EXPECT_TRUE(w.form.Button7.enabled);

  // The saved section ends the observed mode; Re-Calc ends the saved mode.
  w.form.useSavedSection();
  EXPECT_TRUE(w.form.savedMode);
  EXPECT_FALSE(w.form.observedMode);
  w.form.recalcParameters();
  EXPECT_FALSE(w.form.savedMode);
  EXPECT_EQ(w.form.charts.stageDischarge.series[0].title, "Not used");
}

TEST(UseSavedSection, RefusedWhenTheSectionIsLargerThanItsTable) {
  SurveyedWindow w;
  w.state->site.savedXsCount = 402;
  w.form.useSavedSection();
  EXPECT_EQ(w.host.ui.texts(),
            (std::vector<std::string>{
                "The saved cross-section has 402 points; the window holds at most 401: it is not used"}));
  EXPECT_FALSE(w.form.savedMode);
  EXPECT_EQ(w.form.charts.stageDischarge.series[0].title, "Lower estimate");
}
