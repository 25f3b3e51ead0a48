#include <gtest/gtest.h>

#include <vector>

#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/host_admin.h"
#include "hostdb/table_save_dialog.h"
#include "hydraulics/habitat_diagram_window.h"
#include "hydraulics/hydraulics_save.h"
#include "hydraulics/hydraulics_step.h"
#include "hydraulics/hydraulics_window.h"
#include "hydraulics_fixture.h"
#include "hydrology/hydrology_input.h"
#include "menu/submodel_windows.h"
#include "process/process_window.h"
#include "support/test_host.h"

using namespace oewr;
using namespace oewr::hydraulics;
using namespace oewr::menu;
using namespace oewr::process;
using oewr::testing::NoHost;
using oewr::testing::TempDir;
using oewr::testing::ScriptedUi;
using oewr::testing::TestHost;

namespace {

struct SurveyedWindow {
  TempDir dir;
  std::unique_ptr<ModelState> state = oewr::testing::surveyedState(dir);
  NoHost host;
  TForm4 form{*state, host.tx, host.ui, host.dialog};
};

std::vector<std::string> tail(const std::vector<std::string>& lines, std::size_t from) {
  return {lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end()};
}

// The 24 parameters of the host site: the surveyed test channel, with a
// catchment so that reading them back shows no message.
std::vector<float> hostSiteParameters() {
  TempDir dir;
  auto s = oewr::testing::surveyedState(dir);
  s->site.siteParameters.catchmentArea = 500.0f;
  return siteParameterValues(s->site.siteParameters);
}

// A host site with every input the hydraulics window reads, and "Read Data"
// on it as the process window does it.
class HydraulicsHost {
 public:
  HydraulicsHost() {
    host.admin->setText(host.target(3), "Test River at Gauge");
    std::vector<float> eco = {15, 0, 0, 10, 20, 30, 40, 50, 60, 70, 80, 1, 2, 3, 4, 5, 6, 7, 8, 9, 2, 1, 1, 5, 3, 1, 1};
    host.admin->setArray(host.target(5), hostdb::ecologicalParametersArray(eco));
    host.admin->setArray(host.target(4), hostdb::siteParametersArray(hostSiteParameters()));
    host.admin->setArray(host.target(8), hostdb::crossSectionArray({100, 102, 104, 106, 108, 110, 112, 114, 116},
                                                                   {2.0f, 1.2f, 0.5f, 0.1f, 0.0f, 0.2f, 0.6f, 1.3f,
                                                                    1.8f}));
    record = host.addRequest();
  }

  // A fresh state loaded from the host: the inputs of "Read Data" and the
  // site parameters as the hydrology window reads them.
  struct Loaded {
    std::unique_ptr<ModelState> state = makeModelState();
    ScriptedUi ui;
    hostdb::Ttable_save dialog;
    ModelWindows windows;
    std::unique_ptr<TForm1> process;
    hostdb::Ttxtab& tx() { return *process->hostTables(); }
  };
  std::unique_ptr<Loaded> read() {
    auto l = std::make_unique<Loaded>();
    l->dialog.ui = &l->ui;
    l->process = std::make_unique<TForm1>(*l->state, l->ui, l->dialog, l->windows);
    l->process->FormCreate({host.ini.string(), std::to_string(record)}, host.dir.path().string());
    EXPECT_EQ(l->process->Button1, TForm1::kRunModel);
    hostdb::Ttxtab& tx = l->tx();
    tx.ddt3.open();
    tx.ddt4.open();
    EXPECT_TRUE(hydrology::readSiteParameters(*l->state, tx, l->ui, "test"));
    tx.ddt3.close();
    tx.ddt4.close();
    l->state->site.dataDirectory = data.path().string();
    l->state->hydrology.maxBaseflowWet = 5.0f;
    l->state->hydrology.maxBaseflowDry = 1.0f;
    l->state->site.naturalFlows.hydroIndex = l->state->site.siteParameters.hydroVariability;
    EXPECT_TRUE(l->ui.messages.empty());
    return l;
  }

  TestHost host;
  TempDir data;
  int record = 0;
};

}  // namespace

TEST(HydraulicsWindow, OpeningTicksTheDataItHasAndRunsTheModel) {
  SurveyedWindow w;
  w.form.FormCreate();
  EXPECT_TRUE(w.form.opened);
  EXPECT_FALSE(w.form.datag.items[kSavedSectionItem].checked);
  EXPECT_TRUE(w.form.datag.items[kObservedSectionItem].checked);
  EXPECT_TRUE(w.form.datag.items[kRatingTableItem].checked);
  EXPECT_FALSE(w.form.Button7.enabled);
  EXPECT_TRUE(w.form.Button6.enabled);
  EXPECT_EQ(w.form.datag.items[kRatingTableItem].caption, "Observed Rating Table");
  EXPECT_EQ(w.state->hydraulics.stageCount, oewr::testing::stagesBelow(2.0f));
  EXPECT_EQ(w.form.charts.stageDischarge.series[0].title, "Lower estimate");

  w.form.Button8Click();
  EXPECT_EQ(w.form.modalResult, mrOK);
}

TEST(HydraulicsReport, WithoutAReportItSaysSo) {
  SurveyedWindow w;
  w.form.FormCreate();
  w.form.Button5Click();
  EXPECT_EQ(w.host.ui.texts(), (std::vector<std::string>{"No report has been generated"}));
  EXPECT_FALSE(w.state->reportLines.has_value());
}

TEST(HydraulicsReport, SyntheticSectionAddedTwiceAppearsTwice) {
  SurveyedWindow w;
  w.form.FormCreate();
  w.state->reportLines = std::vector<std::string>{"HYDROLOGY"};
  w.form.addToReport();
  w.form.addToReport();
  const auto& sd = w.form.charts.stageDischarge.series;
  const std::vector<std::string> section = {
      " ",
      "HYDRAULICS DATA SUMMARY",
      " ",
      "Geomorph. Zone          4",
      "Width/Depth scaling     0.50",
      "Max. Channel width (m) 40.00",
      "Max. Channel Depth (m)  2.00",
      "Max. Channel Discharge (m3/s) between " + formatText("%8.3f", sd[0].points.back().x) +
          formatText(" and %8.3f", sd[1].points.back().x)};
  std::vector<std::string> expected = {"HYDROLOGY"};
  expected.insert(expected.end(), section.begin(), section.end());
  expected.insert(expected.end(), section.begin(), section.end());
  EXPECT_EQ(*w.state->reportLines, expected);
  EXPECT_LT(sd[0].points.back().x, sd[1].points.back().x);
}

TEST(HydraulicsReport, ObservedSectionStaysReportedAfterRePlot) {
  SurveyedWindow w;
  w.form.FormCreate();
  w.state->reportLines.emplace();
  w.form.useObservedData();
  w.form.rePlotGraphs();
  // The observed-data table is read as it stands when the section is added.
  w.form.observedGrid.cell(1, 1) = "0.018";
  w.form.addToReport();
  EXPECT_EQ(tail(*w.state->reportLines, 3),
            (std::vector<std::string>{"Geomorph. Zone          4", "Width/Depth scaling     0.50",
                                      "Max. Channel width (m) 40.00", "Max. Channel Depth (m)  2.00", " ",
                                      "Observed Channel XS used", "Observed Rating Curve used",
                                      "(Gradients and Roughness n values calibrated)", " ",
                                      "Max. Gradient         0.01800", "Min. Gradient         0.00500",
                                      "Gradient Shape Factor       8", "Max. Mannings n         0.070",
                                      "Min. Mannings n         0.040", "n Shape Factor             15", " "}));
  EXPECT_EQ(w.state->site.siteParameters.obsMaxGradient, 0.018f);
}

TEST(HydraulicsReport, ObservedSectionWithoutRatingTableAndSavedSection) {
  SurveyedWindow w;
  w.state->site.ratingCount = 0;
  w.form.checkParametersOnOpen();
  w.state->reportLines.emplace();
  w.form.useObservedData();
  w.form.addToReport();
  const auto& report = *w.state->reportLines;
  EXPECT_EQ(report[8], "Observed Channel XS used");
  EXPECT_EQ(report[9], "(Gradients and Roughness n values calibrated)");
  // The observed section's depth is its bank level.
  EXPECT_EQ(report[6], "Max. Channel Depth (m)  1.80");

  w.state->site.savedXsCount = 9;
  for (int i = 0; i < 9; ++i) {
    w.state->site.savedXsDistance[i] = w.state->site.xsDistance[i];
    w.state->site.savedXsElevation[i] = w.state->site.xsElevation[i];
  }
  w.form.useSavedSection();
  w.state->reportLines.emplace();
  w.form.addToReport();
  EXPECT_EQ(tail(*w.state->reportLines, 7),
            (std::vector<std::string>{" ", "Previously saved Channel XS used",
                                      "Max. Channel Discharge (m3/s) " +
                                          formatText("%8.3f", w.state->hydraulics.stageDischargeHigh[w.state->hydraulics.stageCount - 1])}));
}

TEST(HydraulicsSave, SectionsOf400PointsAreRefusedAnd399Saved) {
  HydraulicsHost h;
  auto l = h.read();
  TForm4 form(*l->state, l->tx(), l->ui, l->dialog);
  form.FormCreate();
  ModelState& s = *l->state;
  for (int i = 0; i < 400; ++i) {
    s.hydraulics.modelXsDistance[i] = 0.1f * static_cast<float>(i);
    s.hydraulics.modelXsElevation[i] = static_cast<float>(i % 7);
  }

  s.hydraulics.modelXsCount = 400;
  EXPECT_FALSE(form.saveSection());
  EXPECT_EQ(l->ui.texts(), (std::vector<std::string>{"Cannot save X-Section as there are too many points"}));
  EXPECT_FALSE(h.host.admin->readArray(h.host.target(7)).has_value());
  EXPECT_EQ(s.site.savedXsCount, 0);

  s.hydraulics.modelXsCount = 399;
  EXPECT_TRUE(form.saveSection());
  EXPECT_EQ(s.site.savedXsCount, 399);
  EXPECT_EQ(s.site.savedXsDistance[399], -999.0f);
  EXPECT_TRUE(form.datag.items[kSavedSectionItem].checked);
  EXPECT_TRUE(form.Button7.enabled);

  const auto stored = h.host.admin->readArray(h.host.target(7));
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->title, "Saved Channel X-Section");
  EXPECT_EQ(stored->format, "XSection.txp");
  EXPECT_EQ(stored->rows, 400);
  EXPECT_EQ(stored->columns, 2);
  ASSERT_EQ(stored->data.size(), 800u);
  EXPECT_EQ(stored->data[398], 0.1f * 398.0f);
  EXPECT_EQ(stored->data[399], -999.0f);
  EXPECT_EQ(stored->data[799], -999.0f);

  // "Read Data" finds the 399 points.
  auto again = h.read();
  EXPECT_EQ(again->state->site.savedXsCount, 399);
  for (int i = 0; i < 399; ++i) {
    ASSERT_EQ(again->state->site.savedXsDistance[i], s.hydraulics.modelXsDistance[i]) << i;
    ASSERT_EQ(again->state->site.savedXsElevation[i], s.hydraulics.modelXsElevation[i]) << i;
  }
}

TEST(HydraulicsSave, ParametersAndSectionReadBackAsSaved) {
  HydraulicsHost h;
  auto l = h.read();
  ModelState& s = *l->state;
  ASSERT_EQ(s.site.xsPointCount, 9);
  TForm4 form(*l->state, l->tx(), l->ui, l->dialog);
  form.FormCreate();
  form.useObservedData();
  EXPECT_EQ(form.maxDepthBox.text, "  1.80");  // the last point, the first being higher

  // Typed values count: they are read when the parameters are saved.
  form.parameterGrid.cell(1, 2) = "0.45";
  form.observedGrid.cell(1, 2) = "0.00400";
  ASSERT_TRUE(form.saveParameters());
  EXPECT_EQ(s.site.siteParameters.widthDepthScaling, 0.45f);
  EXPECT_EQ(s.site.siteParameters.obsMinGradient, 0.004f);
  EXPECT_FLOAT_EQ(s.site.siteParameters.maxDepth, 2.0f);  // row 7, not the bank level
  ASSERT_TRUE(form.saveSection());
  EXPECT_TRUE(l->ui.messages.empty());

  const auto stored = h.host.admin->readArray(h.host.target(4));
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->title, "OEWR Hydrology and Hydraulic Parameters (Orvane EWR model)");
  EXPECT_EQ(stored->format, "OEWR_hyd_hydraulic_parameters.txp");
  EXPECT_EQ(stored->rows, 24);
  EXPECT_EQ(stored->columns, 1);

  auto again = h.read();
  const ModelState& r = *again->state;
  EXPECT_EQ(siteParameterValues(r.site.siteParameters), siteParameterValues(s.site.siteParameters));
  ASSERT_EQ(r.site.savedXsCount, 9);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(r.site.savedXsDistance[i], s.site.xsDistance[i]);
    EXPECT_EQ(r.site.savedXsElevation[i], s.site.xsElevation[i]);
  }
  EXPECT_EQ(r.site.xsDistance[8], 16.0f);  // the survey from its first point
  EXPECT_EQ(r.site.xsElevation[0], 2.0f);  // above its lowest point
}

TEST(HydraulicsSave, NothingIsWrittenWithoutASlotOrWithUnreadableTables) {
  HydraulicsHost h;
  auto l = h.read();
  ModelState& s = *l->state;
  TForm4 form(s, l->tx(), l->ui, l->dialog);
  form.FormCreate();
  const std::vector<float> before = siteParameterValues(s.site.siteParameters);

  // A cell that is no number: no parameter changes and nothing is written.
  form.parameterGrid.cell(1, 1) = "5";
  form.parameterGrid.cell(1, 10) = "rough";
  EXPECT_THROW(form.saveParameters(), ModelError);
  EXPECT_EQ(siteParameterValues(s.site.siteParameters), before);
  EXPECT_EQ(h.host.admin->readArray(h.host.target(4))->data, hostSiteParameters());

  // No attribute in the slots: nothing written, nothing said.
  form.parameterGrid.cell(1, 10) = "0.5";
  s.site.attributeCodes[kParameterSlot] = 0;
  s.site.attributeCodes[kSavedSectionSlot] = 0;
  EXPECT_FALSE(form.saveParameters());
  EXPECT_FALSE(form.saveSection());
  EXPECT_TRUE(l->ui.messages.empty());
  EXPECT_FALSE(form.datag.items[kSavedSectionItem].checked);
  EXPECT_EQ(h.host.admin->readArray(h.host.target(4))->data, hostSiteParameters());
  EXPECT_FALSE(h.host.admin->readArray(h.host.target(7)).has_value());
}

TEST(HydraulicsStep, ObservedSectionSavedAndReported) {
  HydraulicsHost h;
  auto l = h.read();
  ModelState& s = *l->state;
  s.reportLines.emplace();
  HydraulicsOptions options;
  options.section = HydraulicsOptions::Section::Observed;
  options.saveParameters = true;
  options.saveSection = true;
  const HydraulicsStepCharts charts = runHydraulicsStep(s, l->tx(), l->ui, l->dialog, options);
  EXPECT_TRUE(l->ui.messages.empty());
  EXPECT_EQ(charts.stageDischarge.series[0].title, "Observed Rating Curve");
  EXPECT_EQ(charts.section.series[0].points.size(), 9u);
  EXPECT_EQ(charts.habitat.series.size(), 7u);
  EXPECT_EQ(charts.habitat.title, "Habitat Frequency Plot for: Test River at Gauge");
  EXPECT_EQ(charts.width.series.size(), 1u);
  EXPECT_EQ(s.reportLines->at(8), "Observed Channel XS used");

  auto again = h.read();
  EXPECT_EQ(again->state->site.savedXsCount, 9);
  EXPECT_EQ(again->state->site.savedXsElevation[8], 1.8f);
}

TEST(HydraulicsStep, AskingForASectionTheSiteLacksIsAnError) {
  TempDir dir;
  auto state = workedExampleState(dir);
  NoHost host;
  HydraulicsOptions options;
  options.addToReport = false;
  options.section = HydraulicsOptions::Section::Saved;
  EXPECT_THROW(runHydraulicsStep(*state, host.tx, host.ui, host.dialog, options), ModelError);
  options.section = HydraulicsOptions::Section::Observed;
  EXPECT_THROW(runHydraulicsStep(*state, host.tx, host.ui, host.dialog, options), ModelError);

  // Saving asked for where the request has no slot: said, not silent.
  options.section = HydraulicsOptions::Section::Synthetic;
  options.saveParameters = true;
  runHydraulicsStep(*state, host.tx, host.ui, host.dialog, options);
  EXPECT_TRUE(host.ui.said(
      "The request assigns no attribute to slot 4: the hydrology/hydraulic parameters were not saved"));
}

namespace {

// Opens the window on the worked example without a maximum depth, and makes
// the same estimate and the two whole model runs by hand on a copy; the
// results, the random numbers left and the messages must be the same.
void expectOpeningEqualsTwoWholeRuns(float wetBaseflow, float dryBaseflow) {
  TempDir dirA, dirB;
  NoHost a, b;
  auto sa = oewr::testing::workedExampleState(dirA);
  auto sb = oewr::testing::workedExampleState(dirB);
  for (ModelState* s : {sa.get(), sb.get()}) {
    s->hydraulics.randomSeed = 4711;
    s->hydrology.maxBaseflowWet = wetBaseflow;
    s->hydrology.maxBaseflowDry = dryBaseflow;
    s->hydraulics.wetBaseflowStage = 3;
    s->hydraulics.dryBaseflowStage = 2;
  }
  TForm4 fa(*sa, a.tx, a.ui, a.dialog);
  fa.FormCreate();
  TForm4 fb(*sb, b.tx, b.ui, b.dialog);
  fb.checkParametersOnOpen();
  fb.recalcParameters();
  ASSERT_TRUE(runHydraulicModel(*sb, b.ui, fb.charts));

  EXPECT_EQ(sa->hydraulics.randomSeed, sb->hydraulics.randomSeed);
  ASSERT_EQ(sa->hydraulics.stageCount, sb->hydraulics.stageCount);
  ASSERT_GT(sa->hydraulics.stageCount, 0);
  EXPECT_EQ(sa->hydraulics.wetBaseflowStage, sb->hydraulics.wetBaseflowStage);
  EXPECT_EQ(sa->hydraulics.dryBaseflowStage, sb->hydraulics.dryBaseflowStage);
  EXPECT_EQ(sa->hydraulics.wetBaseflowDepth, sb->hydraulics.wetBaseflowDepth);
  EXPECT_EQ(sa->hydraulics.dryBaseflowDepth, sb->hydraulics.dryBaseflowDepth);
  for (int32_t j = 0; j < sa->hydraulics.stageCount; ++j) {
    EXPECT_EQ(sa->hydraulics.stageDischarge[j], sb->hydraulics.stageDischarge[j]) << j;
    EXPECT_EQ(sa->hydraulics.stageDischargeLow[j], sb->hydraulics.stageDischargeLow[j]) << j;
    EXPECT_EQ(sa->hydraulics.stageDischargeHigh[j], sb->hydraulics.stageDischargeHigh[j]) << j;
    EXPECT_EQ(sa->hydraulics.stageWidth[j], sb->hydraulics.stageWidth[j]) << j;
    for (int c = 0; c < kHabitatClassCount; ++c) EXPECT_EQ(sa->hydraulics.stageClassShare[c][j], sb->hydraulics.stageClassShare[c][j]);
  }
  ASSERT_EQ(sa->hydraulics.modelXsCount, sb->hydraulics.modelXsCount);
  for (int32_t i = 0; i < sa->hydraulics.modelXsCount; ++i) EXPECT_EQ(sa->hydraulics.modelXsElevation[i], sb->hydraulics.modelXsElevation[i]);
  ASSERT_EQ(fa.charts.section.series.front().points.size(), fb.charts.section.series.front().points.size());
  for (std::size_t k = 0; k < fa.charts.section.series.front().points.size(); ++k)
    EXPECT_EQ(fa.charts.section.series.front().points[k].y, fb.charts.section.series.front().points[k].y);
  ASSERT_EQ(a.ui.messages.size(), b.ui.messages.size());
  for (std::size_t m = 0; m < a.ui.messages.size(); ++m) EXPECT_EQ(a.ui.messages[m].text, b.ui.messages[m].text);
}

}  // namespace

TEST(HydraulicsWindow, OpeningWithoutADepthGivesTheEstimateRunAndTheOpeningRun) {
  // Both baseflows cross the rating curve: the estimate's run computes its
  // sections only.
  expectOpeningEqualsTwoWholeRuns(5.0f, 1.0f);
  // A wet baseflow above every discharge keeps the stage held before: both
  // runs are made whole.
  expectOpeningEqualsTwoWholeRuns(1e9f, 1.0f);
}
