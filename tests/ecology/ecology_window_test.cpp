#include "ecology/ecology_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "common/text_format.h"
#include "ecology/ecology_fixture.h"
#include "ecology/ecology_step.h"

using namespace oewr;
using namespace oewr::ecology;
using oewr::testing::EcologyHost;
using oewr::testing::makeEcologyState;

namespace {

struct FormCase {
  EcologyHost h;
  std::unique_ptr<TForm5> form;

  explicit FormCase(std::unique_ptr<ModelState> s = makeEcologyState(40, 0)) : h(std::move(s)) {
    form = std::make_unique<TForm5>(*h.state, *h.tx, h.ui, h.saveDialog);
  }
  ModelState& state() { return *h.state; }
  // Opens the window on a site whose shifts are the defaults already.
  void openOnDefaults() {
    h.ui.answers = {true};
    form->FormCreate();
    h.ui.messages.clear();
    h.ui.questions.clear();
  }
};

std::vector<std::string> linesFrom(const std::vector<std::string>& all, const std::string& first, std::size_t count) {
  auto it = std::find(all.begin(), all.end(), first);
  if (it == all.end()) return {};
  return std::vector<std::string>(it, it + static_cast<long>(std::min<std::size_t>(count, all.end() - it)));
}

}  // namespace

TEST(TForm5Open, NewSiteRunsAsksToRestoreTheDefaultsAndStoresTheParameters) {
  FormCase f;
  f.h.ui.answers = {true};
  f.form->FormCreate();
  ASSERT_EQ(f.h.ui.questions.size(), 1u);  // a new site's zero shifts are not the defaults
  EXPECT_EQ(f.h.ui.questions[0], TForm5::kRestoreQuestion);
  EXPECT_TRUE(f.h.ui.messages.empty()) << f.h.ui.messages[0].text;
  EXPECT_TRUE(f.form->Button3.enabled);
  EXPECT_TRUE(f.form->Button4.enabled);
  EXPECT_FALSE(f.state().ecology.shiftsAltered);
  for (int s = 0; s < 2; ++s)
    for (int c = 0; c < kCategoryCount; ++c) {
      EXPECT_NEAR(f.state().site.highShift[s][c], f.state().ecology.defaultHighShift[s][c], 0.001f);
      EXPECT_NEAR(f.state().site.lowShift[s][c], f.state().ecology.defaultLowShift[s][c], 0.001f);
    }
  // The grids as the window shows them.
  EXPECT_EQ(f.form->StringGrid1.cell(0, 1), "Wet A");
  EXPECT_EQ(f.form->StringGrid1.cell(1, 0), "Default HIGH");
  EXPECT_EQ(f.form->StringGrid1.cell(1, TForm5::shiftRow(1, 6)), formatText("%5.3f", f.state().ecology.defaultHighShift[1][6]));
  EXPECT_EQ(f.form->StringGrid2.cell(1, 2), "  0.0");  // filled before the run defaulted the weights
  EXPECT_EQ(f.form->wetg.cell(0, 9), "T.Width (m)");
  EXPECT_EQ(f.form->wetg.cell(1, 7), formatText("%4.1f", f.state().hydraulics.stageClassShare[6][f.state().hydraulics.wetBaseflowStage]));
  EXPECT_EQ(f.form->wetMonthLabel, "% Habitats for Max. Baseflow : Feb");
  EXPECT_EQ(f.form->dryMonthLabel, "% Habitats for Max. Baseflow : Sep");
  EXPECT_EQ(f.form->dryDepthLabel.rfind("Depth = ", 0), 0u);

  // The stored record: 27 values, Rows 23.
  const auto stored = f.h.storedParameters();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->rows, 23);
  EXPECT_EQ(stored->columns, 1);
  EXPECT_EQ(stored->title, "OEWR Ecological (Orvane EWR model)");
  EXPECT_EQ(stored->format, "OEWR_Ecological_parameters.txp");
  ASSERT_EQ(stored->data.size(), 27u);
  EXPECT_EQ(stored->data[0], 15.0f);
  EXPECT_EQ(stored->data[3], f.state().site.highShift[0][0]);
  EXPECT_EQ(stored->data[19], 9.0f);  // wet stress at zero FS of a site without zero flows
  EXPECT_EQ(stored->data[20], 2.0f);  // wet FS weight
  EXPECT_EQ(stored->data[24], 3.0f);  // dry FS weight

  // Opened again with shifts equal to their defaults: nothing is asked.
  TForm5 again(f.state(), *f.h.tx, f.h.ui, f.h.saveDialog);
  f.h.ui.questions.clear();
  again.FormCreate();
  EXPECT_TRUE(f.h.ui.questions.empty());
}

TEST(TForm5Open, ChartsShowTheRun) {
  FormCase f(makeEcologyState(40, 0, false, true));
  f.openOnDefaults();
  EXPECT_EQ(f.form->Chart1.series[0].points.size(), 21u);
  EXPECT_EQ(f.form->Chart1.series[1].title, "dry");
  EXPECT_EQ(f.form->Chart1.series[0].points[0].x, f.state().ecology.stressFlow[0][0]);
  EXPECT_EQ(f.form->Chart2.series[0].title, "Nat.");
  EXPECT_EQ(f.form->Chart2.series[0].points.size(), 40u);
  EXPECT_EQ(f.form->Chart2.series[0].points[0].x, 100.0);
  EXPECT_EQ(f.form->Chart2.series[1].points.size(), 0u);  // no present-day flows
  EXPECT_EQ(f.form->Chart3.series[2].points.size(), 40u);  // scenario
  EXPECT_EQ(f.form->Chart4.series[1].points.size(), 0u);
  EXPECT_EQ(f.form->Chart4.series[5].title, "D");
  EXPECT_EQ(f.form->Chart4.series[5].points.size(), 40u);
  EXPECT_FALSE(f.form->RadioGroup2.enabled);
}

TEST(TForm5Run, ProcessDataWaitsForTheWindowToOpen) {
  FormCase f;
  f.form->Button1Click();
  EXPECT_FALSE(f.form->Button3.enabled);
  EXPECT_FALSE(f.h.storedParameters());
}

TEST(TForm5Run, InputsTheModelCannotUseAreReportedAndStoreNothing) {
  auto s = makeEcologyState(40, 0);
  s->hydraulics.stageCount = 0;
  FormCase f(std::move(s));
  f.form->FormCreate();
  ASSERT_FALSE(f.h.ui.messages.empty());
  EXPECT_NE(f.h.ui.messages[0].text.find("hydraulic"), std::string::npos);
  EXPECT_FALSE(f.form->Button3.enabled);
  EXPECT_FALSE(f.h.storedParameters());
}

TEST(TForm5Run, PerennialOptionOneCapsTheWetSeason) {
  auto s = makeEcologyState(40, 0);
  // Zero flows in February and September: case A, HIGH shifts above 10.
  for (int y = 0; y < 12; ++y) {
    s->site.naturalFlows.values[y * 12 + 4] = 0.0f;
    s->site.naturalFlows.values[y * 12 + 11] = 0.0f;
  }
  FormCase f(std::move(s));
  f.openOnDefaults();
  ASSERT_GT(f.state().ecology.defaultHighShift[0][6], 10.0f);
  ASSERT_GT(f.state().ecology.defaultHighShift[1][6], 10.0f);
  f.form->RadioGroup1.itemIndex = 1;
  f.form->RadioGroup1Click();
  const auto& run = f.form->lastRun();
  EXPECT_EQ(run.categoryHigh[0][6], 9.9f);
  EXPECT_EQ(run.categoryHigh[1][6], f.state().ecology.defaultHighShift[1][6]);
  EXPECT_GT(f.state().site.highShift[0][6], 10.0f);  // the shift itself is unchanged
}

TEST(TForm5Shifts, SavingTheTableRebuildsTheIntermediateCategories) {
  FormCase f;
  f.openOnDefaults();
  f.form->Button6Click();
  EXPECT_TRUE(f.form->shiftPanelVisible);
  f.form->StringGrid1.cell(2, TForm5::shiftRow(0, 0)) = "2.0";
  f.form->StringGrid1.cell(2, TForm5::shiftRow(0, 2)) = "4.0";
  f.form->Button5Click();
  EXPECT_FALSE(f.form->shiftPanelVisible);
  EXPECT_TRUE(f.h.ui.messages.empty());
  EXPECT_EQ(f.state().site.highShift[0][1], 3.0f);
  EXPECT_TRUE(f.state().ecology.shiftsAltered);
  EXPECT_EQ(f.form->lastRun().categoryHigh[0][0], 2.0f);
  const auto stored = f.h.storedParameters();
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->data[3], 2.0f);
  EXPECT_EQ(stored->data[4], 4.0f);

  // "Reset to default " and "Save" bring them back.
  f.form->Button14Click();
  f.form->Button12Click();
  EXPECT_FALSE(f.state().ecology.shiftsAltered);
  EXPECT_NEAR(f.state().site.highShift[0][0], f.state().ecology.defaultHighShift[0][0], 0.001f);
}

TEST(TForm5Shifts, CellThatIsNoNumberChangesNothing) {
  FormCase f;
  f.openOnDefaults();
  const auto before = f.state().site.highShift;
  f.form->StringGrid1.cell(2, TForm5::shiftRow(0, 0)) = "2.0";
  f.form->StringGrid1.cell(4, TForm5::shiftRow(1, 4)) = "abc";
  f.form->Button12Click();
  ASSERT_EQ(f.h.ui.messages.size(), 1u);
  EXPECT_NE(f.h.ui.messages[0].text.find("\"Dry C\""), std::string::npos) << f.h.ui.messages[0].text;
  EXPECT_NE(f.h.ui.messages[0].text.find("Current LOW"), std::string::npos);
  EXPECT_EQ(f.state().site.highShift, before);
}

TEST(TForm5Weights, StressAtZeroFsOutsideHalfToNineAndAHalfIsRefused) {
  FormCase f;
  f.openOnDefaults();
  const float fs = f.state().site.fsWeight[1];
  // The grid shows a new site's zero weights: the wet season's stay unused
  // (defaulted), so its stress at zero FS of 0.0 is no matter.
  EXPECT_EQ(f.form->StringGrid2.cell(1, 1), "  0.0");
  f.form->StringGrid2.cell(2, 2) = "4.0";
  for (const char* bad : {"10", "0", "9.6", "0.4"}) {
    f.h.ui.messages.clear();
    f.form->StringGrid2.cell(2, 1) = bad;
    f.form->Button13Click();
    ASSERT_EQ(f.h.ui.messages.size(), 1u) << bad;
    EXPECT_NE(f.h.ui.messages[0].text.find("dry season"), std::string::npos) << f.h.ui.messages[0].text;
    EXPECT_NE(f.h.ui.messages[0].text.find("0.5 and 9.5"), std::string::npos);
    EXPECT_EQ(f.state().site.fsWeight[1], fs);
  }
  f.form->StringGrid2.cell(2, 1) = "9.5";
  f.h.ui.messages.clear();
  f.form->Button7Click();
  EXPECT_TRUE(f.h.ui.messages.empty()) << f.h.ui.messages[0].text;
  EXPECT_EQ(f.state().site.fsWeight[1], 4.0f);
  EXPECT_EQ(f.state().site.stressAtZeroFs[1], 9.5f);
}

TEST(TForm5Weights, NewWeightsBringTheShiftsBackToTheirNewDefaults) {
  FormCase f;
  f.openOnDefaults();
  f.form->StringGrid1.cell(2, TForm5::shiftRow(0, 6)) = "5.0";
  f.form->Button12Click();
  ASSERT_TRUE(f.state().ecology.shiftsAltered);
  for (int s = 0; s < 2; ++s) {
    f.form->StringGrid2.cell(s + 1, 1) = "6.0";
    f.form->StringGrid2.cell(s + 1, 2) = "1.0";
    f.form->StringGrid2.cell(s + 1, 3) = "2.0";
    f.form->StringGrid2.cell(s + 1, 4) = "1.0";
  }
  f.form->Button13Click();
  EXPECT_TRUE(f.h.ui.messages.empty()) << f.h.ui.messages[0].text;
  EXPECT_FALSE(f.state().ecology.shiftsAltered);
  for (int s = 0; s < 2; ++s)
    for (int c = 0; c < kCategoryCount; ++c)
      EXPECT_NEAR(f.state().site.highShift[s][c], f.state().ecology.defaultHighShift[s][c], 0.001f);
}

TEST(TForm5Align, WithoutPresentDayFlowsDontAlignIsInForce) {
  FormCase f(makeEcologyState(40, 0, false, false));
  f.openOnDefaults();
  f.form->setAlignSelection(3);
  ASSERT_EQ(f.h.ui.messages.size(), 1u);
  EXPECT_EQ(f.h.ui.messages[0].text, TForm5::kNoPresentDayAlignment);
  EXPECT_EQ(f.form->RadioGroup2.itemIndex, 0);
  EXPECT_EQ(f.state().site.alignStressOption, 0);
  EXPECT_FALSE(f.state().ecology.shiftsAltered);
  EXPECT_TRUE(f.form->Button3.enabled);
}

TEST(TForm5Align, StoredAlignmentWithoutPresentDayFlowsRestoresTheDefaults) {
  auto s = makeEcologyState(40, 0, false, false);
  s->site.alignStressOption = 3;
  for (int season = 0; season < 2; ++season)
    for (int c = 0; c < kCategoryCount; ++c) s->site.highShift[season][c] = 4.0f;
  FormCase f(std::move(s));
  f.form->FormCreate();
  EXPECT_TRUE(f.h.ui.said(TForm5::kNoPresentDayAlignment));
  EXPECT_TRUE(f.h.ui.questions.empty());
  EXPECT_EQ(f.state().site.alignStressOption, 0);
  EXPECT_FALSE(f.state().ecology.shiftsAltered);
  for (int season = 0; season < 2; ++season)
    for (int c = 0; c < kCategoryCount; ++c)
      EXPECT_NEAR(f.state().site.highShift[season][c], f.state().ecology.defaultHighShift[season][c], 0.001f);
}

TEST(TForm5Align, AligningToPresentDayAndSwitchingItOff) {
  FormCase f;
  f.openOnDefaults();
  f.form->setAlignSelection(3);  // Align B
  EXPECT_TRUE(f.h.ui.messages.empty());
  EXPECT_EQ(f.state().site.alignStressOption, 3);
  EXPECT_TRUE(f.state().ecology.shiftsAltered);
  EXPECT_TRUE(f.form->lastRun().aligned);
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(f.state().site.highShift[s][2], f.state().ecology.stressSeries[s][1][39]);
    EXPECT_EQ(f.form->lastRun().fitInForce[s].shape, f.state().ecology.fitShape[1][s]);
  }
  EXPECT_EQ(f.h.storedParameters()->data[2], 3.0f);

  f.form->setAlignSelection(0);
  EXPECT_EQ(f.state().site.alignStressOption, 0);
  EXPECT_FALSE(f.state().ecology.shiftsAltered);
  EXPECT_NEAR(f.state().site.highShift[0][2], f.state().ecology.defaultHighShift[0][2], 0.001f);
  EXPECT_EQ(f.h.storedParameters()->data[2], 0.0f);
}

TEST(TForm5Report, SectionAppendedEachTimeAddToReportIsPressed) {
  FormCase f;
  f.openOnDefaults();
  f.form->Button4Click();
  EXPECT_TRUE(f.h.ui.said(TForm5::kNoReport));
  f.state().reportLines.emplace();
  f.form->Button4Click();
  const std::size_t once = f.state().reportLines->size();
  f.form->Button4Click();
  EXPECT_EQ(f.state().reportLines->size(), 2 * once);
  EXPECT_EQ(once, 5u + 4u + 4u + 11u + 5u + 16u + 3u + 3u);
  const auto& r = *f.state().reportLines;
  EXPECT_EQ(std::count(r.begin(), r.end(), "FLOW - STRESSOR RESPONSE DATA SUMMARY"), 2);
  const auto weights = linesFrom(r, "Season          Wet   Dry", 5);
  ASSERT_EQ(weights.size(), 5u);
  EXPECT_EQ(weights[1], "Stress at 0 FS:  9     5");
  EXPECT_EQ(weights[2], "FS Weight:       2     3");
  const auto table = linesFrom(r, "Stress      Flow        Flow", 12);
  ASSERT_EQ(table.size(), 12u);
  EXPECT_EQ(table[1], formatText("%4.0f    %8.3f    %8.3f", 0.0, f.state().ecology.stressFlow[0][0], f.state().ecology.stressFlow[1][0]));
  EXPECT_EQ(table[2].substr(0, 4), "   1");  // stress 0.5 printed with no decimals
  EXPECT_EQ(table[11].substr(0, 4), "   5");
  const auto shifts = linesFrom(r, "Wet season", 2);
  ASSERT_EQ(shifts.size(), 2u);
  EXPECT_EQ(shifts[1], formatText("%3s        %6.3f     %6.3f     %6.3f     %6.3f", "A", f.state().ecology.defaultHighShift[0][0],
                                  f.state().site.highShift[0][0], f.state().ecology.defaultLowShift[0][0], f.state().site.lowShift[0][0]));
  EXPECT_EQ(linesFrom(r, "Perenniality Rules", 2).at(1), "Non-Perennial Allowed");
  EXPECT_EQ(r.back(), "Not Aligned");
}

TEST(TForm5Output, OnlyTickedChartsAreWrittenUnderTheNameChosen) {
  FormCase f;
  f.openOnDefaults();
  std::vector<std::pair<std::string, std::string>> written;
  f.form->saveChartPicture = [&](const charting::Chart& c, const std::string& path) {
    written.emplace_back(c.title, path);
    return true;
  };
  f.form->Button9Click();
  EXPECT_TRUE(f.form->outputPanelVisible);
  f.form->Button10Click();  // nothing ticked
  EXPECT_TRUE(written.empty());
  EXPECT_FALSE(f.form->outputPanelVisible);

  f.form->CheckListBox1.items[1].checked = true;
  f.form->CheckListBox1.items[3].checked = true;
  f.h.ui.saveFile = "/tmp/river_charts";
  f.form->Button10Click();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].first, "Stress Frequency Curves (Wet)");
  EXPECT_EQ(written[0].second, "/tmp/river_charts.bmp");
  EXPECT_EQ(written[1].first, "Flow Duration Curves");

  written.clear();
  f.h.ui.saveFile.reset();  // cancelled dialogs
  f.form->Button10Click();
  EXPECT_TRUE(written.empty());
}

TEST(TForm5Fsrt, ReadsEighteenNumbersThenProcessesTheData) {
  FormCase f;
  f.openOnDefaults();
  oewr::testing::TempDir dir;
  const auto path = dir.path() / "site_fsrt.txt";
  {
    std::ofstream out(path);
    for (int k = 0; k < 18; ++k) out << (k + 1) * 0.5 << "  comment\n";
  }
  f.h.ui.openFile = path.string();
  const int before = f.form->Chart1.revision;
  f.form->Button11Click();
  EXPECT_TRUE(f.h.ui.messages.empty());
  EXPECT_EQ(f.form->fsrtValues[0][0], 0.5f);
  EXPECT_EQ(f.form->fsrtValues[1][8], 9.0f);
  EXPECT_GT(f.form->Chart1.revision, before);

  // A file that ends early: the message, no run.
  {
    std::ofstream out(path);
    for (int k = 0; k < 10; ++k) out << k << "\n";
  }
  const int after = f.form->Chart1.revision;
  f.form->Button11Click();
  ASSERT_EQ(f.h.ui.messages.size(), 1u);
  EXPECT_NE(f.h.ui.messages[0].text.find("10 of its 18"), std::string::npos) << f.h.ui.messages[0].text;
  EXPECT_EQ(f.form->Chart1.revision, after);
  EXPECT_EQ(f.form->fsrtValues[1][8], 9.0f);
}

TEST(TForm5HabitDetail, OpensTheDiagramModally) {
  FormCase f;
  f.openOnDefaults();
  std::vector<std::string> shown;
  f.h.ui.onModal = [&](ModalForm& m) {
    shown.push_back(m.formCaption());
    return mrCancel;
  };
  f.form->Button2Click();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "Habitat Frequency Diagram");
  EXPECT_TRUE(f.h.ui.messages.empty());

  f.form->makeHabitatDiagram = nullptr;  // none to open: said, nothing shown
  f.form->Button2Click();
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(f.h.ui.messages.size(), 1u);
}

TEST(TForm5Return, ClosesWithOkOnlyAfterARun) {
  FormCase f;
  f.form->Button3Click();
  EXPECT_EQ(f.form->modalResult, mrNone);
  f.openOnDefaults();
  f.form->Button3Click();
  EXPECT_EQ(f.form->modalResult, mrOK);
}

TEST(EcologyStep, HeadlessRunWithTheStoredParametersAndTheReport) {
  EcologyHost h(makeEcologyState(40, 0));
  h.state->reportLines.emplace();
  EcologyOptions options;
  const EcologyCharts charts = runEcologyStep(*h.state, *h.tx, h.ui, h.saveDialog, options);
  // The new site's zero shifts: the window's question, answered Yes.
  EXPECT_EQ(h.ui.questions, std::vector<std::string>{TForm5::kRestoreQuestion});
  EXPECT_FALSE(h.state->ecology.shiftsAltered);
  EXPECT_EQ(charts.wetStressFrequency.title, "Stress Frequency Curves (Wet)");
  EXPECT_EQ(charts.flowStress.series[0].points.size(), 21u);
  EXPECT_EQ(std::count(h.state->reportLines->begin(), h.state->reportLines->end(), "FLOW - STRESSOR RESPONSE DATA SUMMARY"), 1);
  EXPECT_EQ(h.state->ecology.ecoRankCount[0], 40);
  ASSERT_TRUE(h.storedParameters());
  EXPECT_NEAR(h.storedParameters()->data[3], h.state->ecology.defaultHighShift[0][0], 0.001f);

  options.perennial = 2;
  options.align = 7;
  runEcologyStep(*h.state, *h.tx, h.ui, h.saveDialog, options);
  EXPECT_EQ(h.state->site.perennialOption, 2);
  EXPECT_EQ(h.state->site.alignStressOption, 7);
  EXPECT_EQ(h.storedParameters()->data[1], 2.0f);
  EXPECT_EQ(h.storedParameters()->data[2], 7.0f);
  EXPECT_EQ(h.state->reportLines->back(), " D  Category Aligned");
}

TEST(EcologyStep, CsvFilesOfTheResults) {
  EcologyHost h(makeEcologyState(30, 0));
  runEcologyStep(*h.state, *h.tx, h.ui, h.saveDialog, EcologyOptions{});
  const std::string table = stressTableCsv(*h.state);
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 22);
  EXPECT_EQ(table.substr(0, table.find('\n', table.find('\n') + 1)),
            "level,stress,wet_flow_m3s,dry_flow_m3s\n" +
                formatText("0,0.0,%.6f,%.6f", h.state->ecology.stressFlow[0][0], h.state->ecology.stressFlow[1][0]));
  const std::string low = ecologicalLowFlowsCsv(*h.state);
  EXPECT_EQ(std::count(low.begin(), low.end(), '\n'), 1 + 2 * 7 * 30);
  EXPECT_NE(low.find("\ndry,Sep,D,29,3.333,"), std::string::npos);
  oewr::testing::TempDir dir;
  const auto files = writeEcologyCsvFiles(*h.state, dir.path() / "out");
  ASSERT_EQ(files.size(), 4u);
  for (const auto& f : files) EXPECT_TRUE(std::filesystem::exists(f)) << f;
}

TEST(EcologyStep, OptionsOutOfRangeAreRefused) {
  EcologyOptions bad;
  bad.perennial = 3;
  EXPECT_THROW(checkEcologyOptions(bad), ModelError);
  bad.perennial = -1;
  bad.align = 8;
  EXPECT_THROW(checkEcologyOptions(bad), ModelError);
  EcologyHost h(makeEcologyState(40, 0));
  h.state->hydraulics.stageCount = 0;
  EXPECT_THROW(runEcologyStep(*h.state, *h.tx, h.ui, h.saveDialog, EcologyOptions{}), ModelError);
  EXPECT_FALSE(h.storedParameters());
  // The refused run says why and offers no defaults it never computed.
  EXPECT_FALSE(h.ui.messages.empty());
  EXPECT_TRUE(h.ui.questions.empty());
}
