#include "ewr/final_analysis_window.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/errors.h"
#include "common/text_format.h"
#include "ewr/assurance_rules.h"
#include "ewr/ewr_fixture.h"
#include "ewr/ewr_step.h"
#include "ewr/ewr_tables.h"
#include "hostdb/blob_codec.h"
#include "hostdb/timeseries_codec.h"

using namespace oewr;
using namespace oewr::ewr;
using oewr::testing::EwrHost;
using oewr::testing::makeAnalysisState;

namespace {

struct FormCase {
  EwrHost host;
  std::unique_ptr<ModelState> state;
  std::unique_ptr<TForm7> form;

  explicit FormCase(int years = 30, int extraMonths = 5) : state(makeAnalysisState(years, extraMonths)) {
    host.attach(*state);
    form = std::make_unique<TForm7>(*state, *host.tx, host.ui, host.saveDialog);
  }
  std::vector<std::string> texts() const { return host.ui.texts(); }
};

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int lineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST(TForm7Analysis, DoAnalysisFillsTheListAndBothCharts) {
  FormCase f;
  f.form->Button3Click();  // disabled until the first analysis
  EXPECT_TRUE(f.texts().empty());
  f.state->site.naturalFlows.mar = 50.0f;
  f.state->site.presentFlows.mar = 40.0f;
  f.form->Button2Click();
  ASSERT_TRUE(f.form->analysed());
  EXPECT_TRUE(f.form->Button3.enabled);
  const float total = f.state->ewr.meanTotalEwr[2];
  const std::vector<std::string> expected = {"MAR (MCM)",
                                             "Natural      =     50.000",
                                             "Present Day  =     40.000",
                                             " ",
                                             "Long Term Mean",
                                             "Requirements",
                                             formatText("EWR = %10.3f MCM", total),
                                             formatText("EWR = %10.1f %%Nat.", total * 100.0f / 50.0f)};
  EXPECT_EQ(f.form->ListBox1, expected);

  const auto& nat = f.form->Chart1.series[0].points;
  ASSERT_EQ(nat.size(), 30u);
  EXPECT_DOUBLE_EQ(nat[0].x, 100.0);
  EXPECT_NEAR(nat[29].x, 100.0 / 30.0, 1e-6);
  EXPECT_EQ(nat[0].y, f.state->ewr.sortedFlows[0][4][0]);
  EXPECT_EQ(f.form->Chart1.series[1].points.size(), 30u);
  EXPECT_EQ(f.form->Chart1.series[2].points[7].y, f.state->ewr.totalFlowAssurance[4][2][7]);

  // Whole years only, each point on the 15th of its month.
  const auto& ts = f.form->Chart2.series[2].points;
  ASSERT_EQ(ts.size(), 360u);
  EXPECT_DOUBLE_EQ(ts[0].x, hostdb::encodeDateTime(1920, 10, 15, 0, 0));
  EXPECT_DOUBLE_EQ(ts[3].x, hostdb::encodeDateTime(1921, 1, 15, 0, 0));
  EXPECT_EQ(ts[100].y, f.state->ewr.ewrSeries[100]);
  EXPECT_TRUE(f.form->Chart2.bottomAxis.dateTime);

  // Unticking the high flows shows the low-flow curve and reruns everything.
  f.form->setIncludeHighFlows(false);
  EXPECT_EQ(f.form->Chart1.series[2].points[7].y, f.state->ewr.lowFlowAssurance[4][2][7]);
  EXPECT_EQ(f.state->ewr.meanTotalEwr[2], f.state->ewr.meanLowEwr[2]);
}

TEST(TForm7Analysis, PresentDayConstraintWithoutPresentDayDataReturnsToNoConstraint) {
  FormCase f;
  f.state->site.presentFlows.header.count = 0;
  f.form->RadioGroup3.itemIndex = 2;
  f.form->RadioGroup3Click();
  EXPECT_EQ(f.texts(), std::vector<std::string>{"No Present Day data available for constrainng"});
  EXPECT_EQ(f.form->constraintMode(), 0);
  EXPECT_TRUE(f.form->analysed());
  EXPECT_EQ(f.state->ewr.totalLimit[0][0], 10000000.0f);
  EXPECT_TRUE(f.form->Chart1.series[1].points.empty());
  EXPECT_TRUE(f.form->Chart2.series[1].points.empty());
}

TEST(TForm7Analysis, RefusedRecordIsReportedAndLeavesNothingOnShow) {
  FormCase f(0, 11);
  f.form->Button2Click();
  ASSERT_EQ(f.texts().size(), 1u);
  EXPECT_NE(f.texts()[0].find("no whole year"), std::string::npos) << f.texts()[0];
  EXPECT_FALSE(f.form->analysed());
  EXPECT_FALSE(f.form->Button3.enabled);
  EXPECT_TRUE(f.form->ListBox1.empty());
}

TEST(TForm7Report, AddToReportNeedsAReportAndAsksWithoutHighFlows) {
  FormCase f;
  f.form->Button2Click();
  f.form->Button3Click();
  EXPECT_EQ(f.texts(), std::vector<std::string>{"No report has been generated"});
  EXPECT_FALSE(f.state->reportLines.has_value());

  f.state->reportLines = std::vector<std::string>{"HYDROLOGY"};
  f.form->setIncludeHighFlows(false);
  f.host.ui.answers = {false};
  f.form->Button3Click();
  EXPECT_EQ(f.host.ui.questions, std::vector<std::string>{"No high flows calculated, do you wish to continue?"});
  EXPECT_EQ(f.state->reportLines->size(), 1u);
  f.host.ui.answers = {true};
  f.form->Button3Click();
  ASSERT_EQ(f.state->reportLines->size(), 250u);
  EXPECT_EQ((*f.state->reportLines)[2], "FINAL RESERVE SUMMARY DETAILS");
}

TEST(TForm7Save, QuestionOpensThePanelAndAbandonClosesIt) {
  FormCase f;
  f.host.ui.answers = {false};
  f.form->Button6Click();
  EXPECT_EQ(f.host.ui.questions, std::vector<std::string>{"Selected category is B Do you wish to continue?"});
  EXPECT_FALSE(f.form->Panel1Visible);
  f.form->RadioGroup2.itemIndex = 1;
  f.form->Button6Click();
  EXPECT_EQ(f.host.ui.questions.back(), "Selected category is A/B Do you wish to continue?");
  EXPECT_TRUE(f.form->Panel1Visible);
  ASSERT_EQ(f.form->CheckListBox1.items.size(), 5u);
  EXPECT_EQ(f.form->CheckListBox1.items[3].caption, "Low Flow EWR Time Series");
  f.form->Button5Click();
  EXPECT_FALSE(f.form->Panel1Visible);
  EXPECT_FALSE(f.host.recordOfSlot(13));
}

TEST(TForm7Save, SavesTheFiveResultsOfTheSelectedCategory) {
  FormCase f;
  f.state->reportLines = std::vector<std::string>{"HYDROLOGY", "line two"};
  f.form->Button2Click();
  const auto totalTable = ewr::assuranceTableData(*f.state, f.state->ewr.totalFlowAssurance, 2);
  const auto lowTable = ewr::assuranceTableData(*f.state, f.state->ewr.lowFlowAssurance, 2);
  const std::vector<float> totalSeries(f.state->ewr.ewrSeries.begin(), f.state->ewr.ewrSeries.begin() + 365);
  for (ewr::EwrSaveItem item : ewr::kSaveItems) f.form->setSaveItemTicked(item, true);
  f.form->Button6Click();
  f.form->Button4Click();
  EXPECT_FALSE(f.form->Panel1Visible);
  EXPECT_TRUE(f.texts().empty()) << f.texts()[0];

  auto total = f.host.recordOfSlot(13);
  ASSERT_TRUE(total);
  EXPECT_EQ(total->field("Title").asText(), "IFR Total Ass. ClassB");
  EXPECT_EQ(total->field("Rows").asInteger(), 17);
  EXPECT_EQ(total->field("Columns").asInteger(), 13);
  EXPECT_EQ(total->field("Format").asText(), "durc.txp");
  EXPECT_EQ(total->readBlob("Data").size(), 884u);
  EXPECT_EQ(hostdb::blobToFloats(total->readBlob("Data")), totalTable);
  auto low = f.host.recordOfSlot(14);
  ASSERT_TRUE(low);
  EXPECT_EQ(low->field("Title").asText(), "IFR Lowflow Ass. ClassB");
  EXPECT_EQ(hostdb::blobToFloats(low->readBlob("Data")), lowTable);

  auto series = f.host.recordOfSlot(15);
  ASSERT_TRUE(series);
  EXPECT_EQ(series->field("GeogID").asText(), "Total Flow EWR for B");
  EXPECT_EQ(series->field("DataID").asText(), "Monthly flows");
  EXPECT_EQ(series->field("No. Records").asInteger(), 365);
  EXPECT_EQ(series->field("Start Date").asText(), "1920-10-01");
  EXPECT_EQ(hostdb::blobToFloats(series->readBlob("Data")), totalSeries);
  auto lowSeries = f.host.recordOfSlot(16);
  ASSERT_TRUE(lowSeries);
  EXPECT_EQ(lowSeries->field("GeogID").asText(), "Low Flow EWR for B");
  // The low-flow series is saved last: the window is left without high flows.
  EXPECT_FALSE(f.form->CheckBox1.checked);
  const std::vector<float> lowValues(f.state->ewr.ewrSeries.begin(), f.state->ewr.ewrSeries.begin() + 365);
  EXPECT_EQ(hostdb::blobToFloats(lowSeries->readBlob("Data")), lowValues);
  EXPECT_NE(lowValues, totalSeries);

  auto memo = f.host.recordOfSlot(17);
  ASSERT_TRUE(memo);
  EXPECT_EQ(memo->field("Title").asText(), "MEOR Report");
  EXPECT_EQ(memo->field("Memo").asText(), "HYDROLOGY\r\nline two\r\n");
}

TEST(TForm7Save, SkipsSlotsWithoutAttributeAndAnAbsentReport) {
  FormCase f;
  f.state->site.attributeCodes[15] = 0;
  f.form->setSaveItemTicked(ewr::EwrSaveItem::TotalSeries, true);
  f.form->setSaveItemTicked(ewr::EwrSaveItem::LowAssurance, true);
  f.form->setSaveItemTicked(ewr::EwrSaveItem::Report, true);
  // Saving before any analysis analyses the window's choices first.
  f.form->save_go();
  EXPECT_TRUE(f.form->analysed());
  EXPECT_FALSE(f.host.recordOfSlot(15));
  EXPECT_FALSE(f.host.recordOfSlot(13));  // not ticked
  EXPECT_TRUE(f.host.recordOfSlot(14));
  // No report: an empty memo would replace one stored before.
  EXPECT_FALSE(f.host.recordOfSlot(17));
  EXPECT_EQ(f.texts(), std::vector<std::string>{"No report has been generated"});
}

TEST(TForm7Save, SeriesOfANaturalRecordStoredInCubicMetresAreStoredInMillionCubicMetres) {
  FormCase f;
  // The natural record was stored in m3 (Var. Type 3, Var. Unit 2); its
  // values in the state are million m3, as reading it made them.
  f.state->site.naturalFlows.header.varType = 2;
  f.state->site.naturalFlows.header.varUnit = 2;
  f.form->setSaveItemTicked(ewr::EwrSaveItem::LowSeries, true);
  f.form->save_go();
  ASSERT_TRUE(f.texts().empty()) << f.texts()[0];
  const std::vector<float> lowValues(f.state->ewr.ewrSeries.begin(), f.state->ewr.ewrSeries.begin() + 365);
  auto record = f.host.recordOfSlot(16);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->field("Var. Type").asInteger(), 3);
  EXPECT_EQ(record->field("Var. Unit").asInteger(), 4);
  // Read back as the model reads a series: the same million m3.
  TimeSeries& back = f.state->site.scenarioFlows;
  ASSERT_TRUE(hostdb::readSeriesFromSlot(f.state->site, *f.host.tx, 16, back));
  ASSERT_EQ(back.header.count, 365);
  for (int i = 0; i < 365; ++i) ASSERT_EQ(back.values[i], lowValues[static_cast<std::size_t>(i)]) << i;
  EXPECT_GT(back.values[0], 0.01f);
}

TEST(TForm7Save, AFailureOnTheWayLeavesTheResultsOfTheSaveBefore) {
  FormCase f;
  f.state->reportLines = std::vector<std::string>{"HYDROLOGY"};
  for (ewr::EwrSaveItem item : ewr::kSaveItems) f.form->setSaveItemTicked(item, true);
  f.form->save_go();
  ASSERT_TRUE(f.texts().empty()) << f.texts()[0];
  std::vector<hostdb::Blob> before;
  for (int slot = 13; slot <= 16; ++slot) before.push_back(f.host.recordOfSlot(slot)->readBlob("Data"));

  // Category D, and the report's table has gone: the save cannot be made whole.
  f.form->RadioGroup2.itemIndex = 6;
  f.form->RadioGroup2Click();
  f.host.session.dropTable(EwrHost::kAlias, "memo");
  f.form->save_go();
  ASSERT_EQ(f.texts().size(), 1u);
  EXPECT_NE(f.texts()[0].find("(slot 17)"), std::string::npos) << f.texts()[0];
  EXPECT_NE(f.texts()[0].find("nothing was saved"), std::string::npos) << f.texts()[0];
  for (int slot = 13; slot <= 16; ++slot) {
    auto record = f.host.recordOfSlot(slot);
    ASSERT_TRUE(record) << "slot " << slot;
    EXPECT_EQ(record->readBlob("Data"), before[static_cast<std::size_t>(slot - 13)]) << "slot " << slot;
  }
  EXPECT_EQ(f.host.recordOfSlot(15)->field("GeogID").asText(), "Total Flow EWR for B");
}

TEST(EwrRun, HeadlessStepAnalysesReportsSavesAndKeepsTheChosenOptions) {
  FormCase f;
  f.state->reportLines = std::vector<std::string>{"HYDROLOGY"};
  EwrOptions options;
  options.category = 4;
  options.constraint = ewr::kToNaturalFlows;
  runEwrStep(*f.state, *f.host.tx, f.host.ui, f.host.saveDialog, options);
  EXPECT_EQ(f.host.ui.questions, std::vector<std::string>{"Selected category is C Do you wish to continue?"});
  EXPECT_EQ(f.state->reportLines->size(), 250u);
  EXPECT_EQ((*f.state->reportLines)[4], "EWR (low and total Flows) are constrained to be below Natural Flows");
  for (int slot = 13; slot <= 17; ++slot) EXPECT_TRUE(f.host.recordOfSlot(slot)) << "slot " << slot;
  EXPECT_EQ(f.host.recordOfSlot(15)->field("GeogID").asText(), "Total Flow EWR for C");
  // The state holds the analysis of the options: with high flows.
  EXPECT_GT(f.state->ewr.meanTotalEwr[4], f.state->ewr.meanLowEwr[4]);
  const auto saved = hostdb::blobToFloats(f.host.recordOfSlot(15)->readBlob("Data"));
  EXPECT_EQ(saved[10], f.state->ewr.ewrSeries[10]);

  EwrOptions bad;
  bad.category = 7;
  EXPECT_THROW(runEwrStep(*f.state, *f.host.tx, f.host.ui, f.host.saveDialog, bad), ModelError);
  bad.category = 0;
  bad.month = 12;
  EXPECT_THROW(runEwrStep(*f.state, *f.host.tx, f.host.ui, f.host.saveDialog, bad), ModelError);
}

TEST(EwrRun, CsvFilesOfTheResults) {
  FormCase f;
  runEwrStep(*f.state, *f.host.tx, f.host.ui, f.host.saveDialog, [] {
    EwrOptions o;
    o.saveTotalAssurance = o.saveLowAssurance = o.saveTotalSeries = o.saveLowSeries = o.saveReport = false;
    o.addToReport = false;
    return o;
  }());
  const auto dir = f.host.dir.path() / "out";
  const auto files = writeEwrCsvFiles(*f.state, 2, true, dir);
  ASSERT_EQ(files.size(), 4u);
  const std::string total = readFile(dir / "total_flow_assurance.csv");
  EXPECT_EQ(lineCount(total), 85);
  EXPECT_EQ(total.substr(0, total.find('\n')),
            "category,month,0.1,1,5,10,15,20,30,40,50,60,70,80,85,90,95,99,99.9");
  EXPECT_EQ(total.substr(total.find('\n') + 1, 6), "A,Oct,");
  const std::string series = readFile(dir / "ewr_series.csv");
  EXPECT_EQ(lineCount(series), 366);
  std::istringstream rows(series);
  std::string header, first;
  std::getline(rows, header);
  std::getline(rows, first);
  EXPECT_EQ(header, "year,month,natural,low_flow_ewr,total_flow_ewr");
  const float low = ewr::ewrAtFlow(f.state->ewr.sortedFlows[0][0], f.state->ewr.lowFlowAssurance[0][2], 30,
                                   f.state->site.naturalFlows.values[0]);
  EXPECT_EQ(first, formatText("1920,10,%.6f,%.6f,%.6f", f.state->site.naturalFlows.values[0], low,
                              low + f.state->floods.highFlowSeries[2][0]));
  EXPECT_EQ(lineCount(readFile(dir / "ewr_means.csv")), 8);
}
