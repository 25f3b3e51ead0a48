// The headless run on the demo database.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/chart_output.h"
#include "cli/demo_site.h"
#include "cli/run_command.h"
#include "hostdb/host_admin.h"
#include "support/test_host.h"
#include "support/text_files.h"

using namespace oewr;

using oewr::testing::fileText;
using oewr::testing::textLines;

namespace {
struct RunResult {
  std::ostringstream out, err;
  int code = 0;
};

RunResult run(cli::RunOptions o) {
  RunResult r;
  r.code = cli::runRequest(o, r.out, r.err);
  return r;
}

// The demo site's database of `years` years in a directory of its own, and options that run its request.
struct DemoHost {
  oewr::testing::TempDir dir;
  cli::DemoDatabase db;
  cli::RunOptions options;
  explicit DemoHost(int years) : db(cli::buildDemoDatabase(dir.path(), cli::makeDemoSite(years))) {
    options.ini = db.iniFile.string();
    options.record = db.requestRecord;
  }
};

// The fields of a CSV line without quoted fields.
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> f;
  std::istringstream row(line);
  for (std::string x; std::getline(row, x, ',');) f.push_back(x);
  return f;
}
}  // namespace

TEST(HeadlessRun, DemoRequestRunsThroughHydrologyAndExports) {
  oewr::testing::TempDir dir;
  cli::DemoDatabase db = cli::buildDemoDatabase(dir.path(), cli::makeDemoSite());
  cli::RunOptions o;
  o.ini = db.iniFile.string();
  o.record = db.requestRecord;
  o.exportDir = (dir.path() / "out").string();
  o.outDir = (dir.path() / "out").string();
  o.chartsDir = "";
  o.exceedence = 20;
  RunResult r = run(o);
  ASSERT_EQ(r.code, 0) << r.err.str();
  EXPECT_NE(r.out.str().find("Site: Orvane River at Demo Weir"), std::string::npos);
  EXPECT_NE(r.out.str().find("(20% point)"), std::string::npos);
  const std::string json = fileText(dir.path() / "out" / "results.json");
  EXPECT_NE(json.find("\"maxBaseflowExceedence\": 20"), std::string::npos);
  EXPECT_NE(json.find("\"monthBaseFdc\""), std::string::npos);
  const std::string report = fileText(dir.path() / "out" / "report.txt");
  EXPECT_EQ(report.rfind("(Orvane Model outputs for site: Orvane River at Demo Weir", 0), 0u);
  EXPECT_NE(report.find("Using  20th percentile of FDC of separated baseflows"), std::string::npos);
}

TEST(HeadlessRun, RequestsThatCannotBeRunExitNonZeroWithAReason) {
  oewr::testing::TestHost host;
  host.admin->setText(host.target(3), "Site");
  const int other = host.addRequest("other.exe");
  cli::RunOptions o;
  o.ini = host.ini.string();
  o.record = other;
  RunResult r = run(o);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.str().find("Incompatible Requirement Record. Please Select an New Orvane EWR Model Application"),
            std::string::npos);
  o.record = 99;
  r = run(o);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.str().find("Record number 99 does not exist"), std::string::npos);
  o.record = other;
  o.category = "Q";
  r = run(o);
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.str().find("--category"), std::string::npos);
}

TEST(HeadlessRun, WholeRunStoresTheResultsAndTheSiteStillLoads) {
  DemoHost host(30);
  const cli::DemoDatabase& db = host.db;
  cli::RunOptions o = host.options;
  RunResult r = run(o);
  ASSERT_EQ(r.code, 0) << r.err.str();
  EXPECT_NE(r.out.str().find("Final analysis, category B"), std::string::npos) << r.out.str();

  hostdb::HostAdmin admin(db.iniFile);
  const std::string feature = "River sites";
  auto total = admin.readArray({"EWR total flow assurance", 1, feature});
  auto low = admin.readArray({"EWR low flow assurance", 1, feature});
  ASSERT_TRUE(total && low);
  EXPECT_EQ(total->rows, 17);
  EXPECT_EQ(total->columns, 13);
  EXPECT_EQ(total->data.size(), 13u * 17u);
  EXPECT_EQ(total->title, "IFR Total Ass. ClassB");
  auto natural = admin.readTimeSeries({"Natural flows", 1, feature});
  for (const char* series : {"EWR total flow series", "EWR low flow series"}) {
    auto s = admin.readTimeSeries({series, 1, feature});
    ASSERT_TRUE(s) << series;
    EXPECT_EQ(s->header.count, natural->header.count);
    EXPECT_EQ(s->header.startYear, natural->header.startYear);
    EXPECT_EQ(s->header.startMonth, natural->header.startMonth);
    EXPECT_EQ(s->header.endYear, natural->header.endYear);
    EXPECT_EQ(s->values.size(), static_cast<std::size_t>(natural->header.count));
  }
  EXPECT_EQ(admin.readTimeSeries({"EWR total flow series", 1, feature})->header.geogId, "Total Flow EWR for B");
  auto memo = admin.readMemo({"EWR report", 1, feature});
  ASSERT_TRUE(memo);
  EXPECT_EQ(memo->title, "MEOR Report");
  EXPECT_EQ(memo->text.rfind("(Orvane Model outputs for site: Orvane River at Demo Weir", 0), 0u);
  EXPECT_NE(memo->text.find("FINAL RESERVE SUMMARY DETAILS"), std::string::npos);

  // A second run reads the request again, over the results the first one stored.
  RunResult again = run(o);
  EXPECT_EQ(again.code, 0) << again.err.str();
  EXPECT_NE(again.out.str().find("Site: Orvane River at Demo Weir"), std::string::npos);
}

TEST(HeadlessRun, TheShiftQuestionFollowsTheAnswerPolicy) {
  // The demo site stores no shifts, so the ecology window asks whether to
  // restore the defaults; the answer decides which shifts the run uses.
  // Returns the fields of the wet A row of shift_factors.csv:
  // season,category,default_high,high,default_low,low.
  auto runWith = [](const std::string& answer, bool restore, std::string& log) {
    oewr::testing::TempDir dir;
    cli::DemoDatabase db = cli::buildDemoDatabase(dir.path(), cli::makeDemoSite(30));
    cli::RunOptions o;
    o.ini = db.iniFile.string();
    o.record = db.requestRecord;
    o.exportDir = (dir.path() / "out").string();
    o.answer = answer;
    o.restoreDefaultShifts = restore;
    RunResult r = run(o);
    EXPECT_EQ(r.code, 0) << r.err.str();
    log = r.err.str();
    std::istringstream csv(fileText(dir.path() / "out" / "shift_factors.csv"));
    std::string header, wetA;
    std::getline(csv, header);
    std::getline(csv, wetA);
    std::vector<std::string> f = csvFields(wetA);
    EXPECT_EQ(f.size(), 6u) << wetA;
    f.resize(6);
    return f;
  };
  const std::string question =
      "Ecological sub-model: Current category shift parameters are NOT defaults. Do you want to restore defaults?";
  std::string log;
  const auto kept = runWith("no", false, log);
  EXPECT_NE(log.find(question + " [No]"), std::string::npos) << log;
  EXPECT_NE(kept[2], "0.0000");
  EXPECT_EQ(kept[3], "0.0000");  // the stored (zero) shifts stay in force
  EXPECT_EQ(kept[5], "0.0000");

  const auto restored = runWith("no", true, log);
  EXPECT_NE(log.find(question + " [Yes]"), std::string::npos) << log;
  EXPECT_NE(log.find("Selected category is B Do you wish to continue? [No]"), std::string::npos) << log;
  EXPECT_NE(restored[2], "0.0000");
  EXPECT_EQ(restored[3], restored[2]);
  EXPECT_EQ(restored[5], restored[4]);
}

TEST(HeadlessRun, WritingTheChartsLeavesTheSavedFloodCategoriesInForce) {
  oewr::testing::TempDir dir;
  cli::DemoDatabase db = cli::buildDemoDatabase(dir.path(), cli::makeDemoSite(30));
  // Per category: depth (cm), frequency, events, catchment shape, river slope.
  hostdb::HostAdmin(db.iniFile).setArray({"OEWR flood parameters", 1, "River sites"},
                                         hostdb::floodParametersArray({150, 0, 2, 1, 1, 200, 0, 2, 1, 1, 250, 0, 1, 1, 1,
                                                                       300, 1, 1, 1, 1, 350, 2, 1, 1, 1}));
  cli::RunOptions o;
  o.ini = db.iniFile.string();
  o.record = db.requestRecord;
  o.useSavedFloods = true;
  o.outDir = (dir.path() / "out").string();
  o.chartWriter = [](const charting::Chart&, const std::string&, std::string&) { return true; };
  RunResult r = run(o);
  ASSERT_EQ(r.code, 0) << r.err.str();
  // category,peak_m3s,duration_hours,volume_mcm,events,frequency_code: the
  // saved numbers of events (2, 2, 1), not the defaults (4, 3, 1).
  std::istringstream csv(fileText(dir.path() / "out" / "flood_categories.csv"));
  std::vector<std::string> events;
  std::string line;
  std::getline(csv, line);
  while (std::getline(csv, line)) {
    const std::vector<std::string> f = csvFields(line);
    ASSERT_EQ(f.size(), 6u) << line;
    events.push_back(f[4]);
  }
  EXPECT_EQ(events, (std::vector<std::string>{"2", "2", "1", "1", "1"}));
}

TEST(HeadlessRun, WhatTheRunNeedsIsCheckedBeforeItTouchesTheHost) {
  DemoHost host(30);
  const std::filesystem::path& dir = host.dir.path();
  const std::filesystem::path file = dir / "out.txt";
  std::ofstream(file) << "not a folder";
  cli::RunOptions o = host.options;
  o.outDir = file.string();
  RunResult r = run(o);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.str(), "oewr run: --out " + file.string() + ": is a file, not a directory\n");
  o.outDir = (file / "results").string();
  r = run(o);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.str().rfind("oewr run: --out " + o.outDir + ": cannot be made (", 0), 0u) << r.err.str();
  o.outDir.clear();
  o.chartsDir = file.string();
  EXPECT_EQ(run(o).code, 1);
  o.chartsDir.clear();
  o.ini = (dir / "none.ini").string();
  r = run(o);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.str(), "oewr run: --ini " + o.ini + ": no such ini file\n");
  // None of the runs reached the host: no results stored.
  hostdb::HostAdmin admin(host.db.iniFile);
  EXPECT_FALSE(admin.readArray({"EWR total flow assurance", 1, "River sites"}));
  EXPECT_FALSE(std::filesystem::exists(dir / hostdb::kHostDatabaseFile));
}

TEST(HeadlessRun, SaveNoneWritesNothingToTheHost) {
  DemoHost host(30);
  cli::RunOptions o = host.options;
  o.save = "none";
  o.exceedence = 20;  // the site's stored point is 15
  RunResult r = run(o);
  ASSERT_EQ(r.code, 0) << r.err.str();
  EXPECT_NE(r.out.str().find("(20% point)"), std::string::npos);
  EXPECT_NE(r.err.str().find("Saving Data to a Table: The host database is open for reading only: slot 5 is not saved"),
            std::string::npos)
      << r.err.str();
  hostdb::HostAdmin admin(host.db.iniFile);
  auto eco = admin.readArray({"OEWR ecological parameters", 1, "River sites"});
  ASSERT_TRUE(eco);
  EXPECT_EQ(eco->data.at(0), 15.0f);
  EXPECT_FALSE(admin.readArray({"EWR total flow assurance", 1, "River sites"}));
  EXPECT_FALSE(admin.readMemo({"EWR report", 1, "River sites"}));
}

TEST(HeadlessRun, TheSeriesTableFollowsTheHighFlowsOfTheMeans) {
  // Each category's mean total requirement is the mean over the whole years
  // of the selected category's monthly totals: so the table's totals must be
  // without the floods when the run leaves them out.
  DemoHost host(20);
  for (const bool highFlows : {true, false}) {
    cli::RunOptions o = host.options;
    o.save = "none";
    o.noHighFlows = !highFlows;
    o.outDir = (host.dir.path() / (highFlows ? "with" : "without")).string();
    o.noCharts = true;
    RunResult r = run(o);
    ASSERT_EQ(r.code, 0) << r.err.str();
    const std::vector<std::string> series = textLines(fileText(std::filesystem::path(o.outDir) / "ewr_series.csv"));
    ASSERT_EQ(series.size(), 1u + 20 * 12);
    double total = 0;
    for (std::size_t i = 1; i < series.size(); ++i) total += std::stod(csvFields(series[i]).at(4));
    const std::vector<std::string> means = textLines(fileText(std::filesystem::path(o.outDir) / "ewr_means.csv"));
    const std::vector<std::string> b = csvFields(means.at(3));  // category B, the one selected
    ASSERT_EQ(b.at(0), "B");
    EXPECT_NEAR(total / 20, std::stod(b.at(3)), 0.001) << (highFlows ? "with" : "without") << " high flows";
    if (!highFlows) {
      EXPECT_EQ(b.at(3), b.at(1));
    }
  }
}

TEST(HeadlessRun, MissingSiteParametersStopTheRunBeforeAnyStep) {
  oewr::testing::TestHost host;
  host.admin->setText(host.target(3), "Site");
  host.admin->setMonthlyFlows(host.target(10), 2000, 10, std::vector<float>(24, 1.0f));
  cli::RunOptions o;
  o.ini = host.ini.string();
  o.record = host.addRequest();
  RunResult r = run(o);
  EXPECT_EQ(r.code, 1);
  const std::string noValue = r.err.str();
  EXPECT_NE(noValue.find("has no site parameters (slot 4, hydrology/hydraulic parameters): its attribute " +
                         std::to_string(host.codes[4]) + " holds no value for the site"),
            std::string::npos)
      << noValue;
  EXPECT_NE(noValue.find("oewr host set-array --kind site-parameters --template"), std::string::npos);
  EXPECT_EQ(r.out.str().find("Hydrology:"), std::string::npos);
  host.codes[4] = 0;
  o.record = host.addRequest();
  r = run(o);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.str().find("the request names no attribute for them"), std::string::npos) << r.err.str();
  EXPECT_NE(r.err.str().find("--slot site-parameters="), std::string::npos);
  EXPECT_EQ(r.out.str().find("Hydrology:"), std::string::npos);
}

// The run draws its charts through a drawing program of its own. When that
// program cannot be started, each chart says so, the run's results and
// report are written all the same, and the run fails.
TEST(HeadlessRun, ChartsWithoutTheirDrawingProgramAreReportedOneByOne) {
  DemoHost host(30);
  struct Command {
    std::vector<std::string> kept = cli::chartWorkerCommand();
    ~Command() { cli::chartWorkerCommand() = kept; }
  } restore;
  const std::string missing = (host.dir.path() / "no-such-drawing-program").string();
  cli::chartWorkerCommand() = {missing};
  cli::RunOptions o = host.options;
  o.outDir = (host.dir.path() / "out").string();
  RunResult r = run(o);
  EXPECT_EQ(r.code, 1) << r.err.str();
  const std::string expected =
      " not written: no chart drawing process could be started (cannot start " + missing + ": No such file or directory)\n";
  std::size_t count = 0;
  for (std::size_t at = r.err.str().find(expected); at != std::string::npos; at = r.err.str().find(expected, at + 1))
    ++count;
  EXPECT_EQ(count, 14u) << r.err.str();
  EXPECT_NE(r.err.str().find("oewr run: chart hydrology_time_series not written: "), std::string::npos) << r.err.str();
  EXPECT_EQ(r.out.str().find("  chart: "), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(host.dir.path() / "out" / "results.json"));
  EXPECT_TRUE(std::filesystem::exists(host.dir.path() / "out" / "report.txt"));
}
