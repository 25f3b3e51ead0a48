// Many requests in one command.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include <sys/wait.h>

#include "cli/batch_run.h"
#include "cli/chart_output.h"
#include "cli/demo_site.h"
#include "cli/shards.h"
#include "hostdb/flow_csv.h"
#include "support/test_host.h"
#include "support/text_files.h"

using namespace oewr;

using oewr::testing::fileText;
using oewr::testing::textLines;

namespace {

std::vector<std::string> fields(const std::string& line) { return cli::csvFields(line); }

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The batch starts drawing processes with `command` while it lives.
struct ChartWorkerCommandFor {
  explicit ChartWorkerCommandFor(std::vector<std::string> command) { cli::chartWorkerCommand() = std::move(command); }
  ~ChartWorkerCommandFor() { cli::chartWorkerCommand().clear(); }
};

std::vector<std::string> chartFiles(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  if (std::filesystem::exists(dir))
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Two demo sites in a host database; `ini` is set to its ini file.
std::vector<int> twoSites(const std::filesystem::path& dir, std::filesystem::path& ini) {
  cli::DemoSite a = cli::makeDemoSite();
  cli::DemoSite b = cli::makeDemoSite();
  b.name = "Second river";
  for (float& v : b.natural) v *= 3.0f;
  return cli::buildSitesDatabase(dir, {a, b}, ini);
}

// Runs the oewr program with `args` (each quoted), its output into `log`; the exit code.
int oewrCli(const std::vector<std::string>& args, const std::filesystem::path& log) {
  std::string cmd = shellQuote(OEWR_CLI_PATH);
  for (const std::string& a : args) cmd += " " + shellQuote(a);
  cmd += " >" + shellQuote(log.string()) + " 2>&1 </dev/null";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

cli::RunOptions batchOptions(const std::filesystem::path& ini, const std::filesystem::path& outDir, int jobs) {
  cli::RunOptions o;
  o.ini = ini.string();
  o.outDir = outDir.string();
  o.jobs = jobs;
  return o;
}

}  // namespace

TEST(BatchRun, RecordLists) {
  EXPECT_EQ(cli::parseRecordList("1,3,5-7"), (std::vector<int>{1, 3, 5, 6, 7}));
  EXPECT_EQ(cli::parseRecordList(" 2 "), (std::vector<int>{2}));
  EXPECT_THROW(cli::parseRecordList("7-5"), ModelError);
  EXPECT_THROW(cli::parseRecordList("a"), ModelError);
  EXPECT_THROW(cli::parseRecordList(","), ModelError);
  // A request named twice would run twice into one folder.
  for (const char* twice : {"1,1", "1-5,3", "4-6,2-4"}) EXPECT_THROW(cli::parseRecordList(twice), ModelError) << twice;
}

TEST(BatchRun, SitesRunSideBySideAndAFailureStopsNoOther) {
  oewr::testing::TempDir dir;
  cli::DemoSite a = cli::makeDemoSite();
  cli::DemoSite b = cli::makeDemoSite();
  b.name = "Second river";
  for (float& v : b.natural) v *= 2.0f;
  cli::DemoSite shortSite = cli::siteWithNaturalFlows("Too short", 2000, 10, {1, 2, 3, 4, 5, 6});
  std::filesystem::path ini;
  const std::vector<int> requests = cli::buildSitesDatabase(dir.path(), {a, b, shortSite}, ini);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(cli::modelRequests(ini.string()), requests);

  cli::RunOptions o = batchOptions(ini, dir.path() / "runs", 2);
  std::ostringstream out, err;
  EXPECT_EQ(cli::runBatch(o, requests, out, err), 1) << err.str();
  const auto rows = textLines(fileText(dir.path() / "runs" / "summary.csv"));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1].rfind("1,Orvane River at Demo Weir,ok,", 0), 0u) << rows[1];
  EXPECT_EQ(rows[2].rfind("2,Second river,ok,", 0), 0u) << rows[2];
  EXPECT_EQ(rows[3].rfind("3,Too short,failed,", 0), 0u) << rows[3];
  EXPECT_NE(out.str().find("request 3 (Too short): "), std::string::npos) << out.str();
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "runs" / "request-1" / "results.json"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "runs" / "request-2" / "report.txt"));

  // The shifts in force close each row: HIGH then LOW, wet then dry, A to D.
  // The demo sites store no shifts: the ecology window's question restored
  // the defaults, and the log says so.
  const std::vector<std::string> header = fields(rows[0]);
  ASSERT_EQ(header.size(), 9u + 28u + 16u);
  EXPECT_EQ(header[37], "high_shift_wet_A");
  EXPECT_EQ(header[52], "low_shift_dry_D");
  for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(fields(rows[i]).size(), header.size()) << rows[i];
  EXPECT_EQ(fields(rows[3])[37], "");  // the failed site ran no ecology
  const auto shiftRows = textLines(fileText(dir.path() / "runs" / "request-1" / "shift_factors.csv"));
  ASSERT_EQ(shiftRows.size(), 15u);
  const std::vector<std::string> first = fields(rows[1]);
  std::size_t column = 37;
  for (int table = 0; table < 2; ++table)
    for (int season = 0; season < 2; ++season)
      for (int category = 0; category < 7; category += 2) {
        // season,category,default_high,high,default_low,low
        const std::vector<std::string> shift = fields(shiftRows[static_cast<std::size_t>(1 + season * 7 + category)]);
        const double defaultValue = std::stod(shift[table == 0 ? 2 : 4]);
        EXPECT_GT(defaultValue, 0.0);
        EXPECT_NEAR(std::stod(first[column]), defaultValue, 0.0001) << header[column];
        ++column;
      }
  EXPECT_NE(fileText(dir.path() / "runs" / "request-1" / "log.txt")
                .find("Ecological sub-model: Current category shift parameters are NOT defaults. Do you want to "
                      "restore defaults? [Yes]"),
            std::string::npos);

  // A site's results do not depend on the sites that ran before or beside it.
  cli::RunOptions single = o;
  single.outDir = (dir.path() / "alone").string();
  std::ostringstream out2, err2;
  ASSERT_EQ(cli::runBatch(single, {requests[1]}, out2, err2), 0) << err2.str();
  EXPECT_EQ(fileText(dir.path() / "alone" / "request-2" / "results.json"),
            fileText(dir.path() / "runs" / "request-2" / "results.json"));
  EXPECT_EQ(textLines(fileText(dir.path() / "alone" / "summary.csv"))[1], rows[2]);
}

// The shards of a batch, merged, give the summary of the batch run whole,
// byte for byte, and every site's folder.
TEST(BatchRun, ShardsMergedAreTheBatchRunWhole) {
  oewr::testing::TempDir dir;
  cli::DemoSite a = cli::makeDemoSite(), b = cli::makeDemoSite(), e = cli::makeDemoSite();
  b.name = "Berg, \"upper\" reach";  // quoted in the summary
  for (float& v : b.natural) v *= 3.0f;
  for (float& v : e.natural) v *= 0.5f;
  e.name = "Fifth river";
  cli::DemoSite shortSite = cli::siteWithNaturalFlows("Too short", 2000, 10, {1, 2, 3, 4, 5, 6});
  cli::DemoSite d = a;
  d.name = "Fourth river";
  for (float& v : d.natural) v *= 1.5f;
  std::filesystem::path ini;
  ASSERT_EQ(cli::buildSitesDatabase(dir.path(), {a, b, shortSite, d, e}, ini), (std::vector<int>{1, 2, 3, 4, 5}));
  const std::vector<std::string> run = {"run", "--ini", ini.string(), "--all", "--save", "none", "--no-charts"};
  auto with = [](std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  const auto whole = dir.path() / "whole", shards = dir.path() / "shards", log = dir.path() / "log.txt";
  EXPECT_EQ(oewrCli(with(run, {"--out", whole.string()}), log), 1) << fileText(log);  // request 3 fails
  // Five requests in three shards: 2, 2, 1; the failing request 3 is in the second.
  const std::vector<std::vector<std::string>> shardRequests = {{"1", "2"}, {"3", "4"}, {"5"}};
  for (int k = 1; k <= 3; ++k) {
    const auto out = shards / ("shard-" + std::to_string(k));
    EXPECT_EQ(oewrCli(with(run, {"--jobs", "2", "--shard", std::to_string(k) + "/3", "--out", out.string()}), log),
              k == 2 ? 1 : 0)
        << fileText(log);
    const auto rows = textLines(fileText(out / "summary.csv"));
    ASSERT_EQ(rows.size(), shardRequests[static_cast<std::size_t>(k - 1)].size() + 1) << k;
    for (std::size_t i = 1; i < rows.size(); ++i)
      EXPECT_EQ(fields(rows[i])[0], shardRequests[static_cast<std::size_t>(k - 1)][i - 1]) << k;
  }
  // The shards in any order.
  const auto merged = dir.path() / "merged";
  ASSERT_EQ(oewrCli({"merge", (shards / "shard-3").string(), (shards / "shard-1").string(),
                     (shards / "shard-2").string(), "--out", merged.string()},
                    log),
            0)
      << fileText(log);
  EXPECT_NE(fileText(log).find("3 shards merged: 5 requests, 4 ran, 1 failed"), std::string::npos) << fileText(log);
  const std::string expected = fileText(whole / "summary.csv");
  ASSERT_EQ(textLines(expected).size(), 6u);
  EXPECT_TRUE(fileText(merged / "summary.csv") == expected) << fileText(merged / "summary.csv") << "\n" << expected;
  for (int r : {1, 2, 4, 5})
    EXPECT_EQ(fileText(merged / ("request-" + std::to_string(r)) / "results.json"),
              fileText(whole / ("request-" + std::to_string(r)) / "results.json"))
        << r;
  EXPECT_TRUE(std::filesystem::exists(merged / "request-3" / "log.txt"));
  EXPECT_TRUE(std::filesystem::exists(shards / "shard-2" / "request-3" / "log.txt"));  // copied, not moved
}

// Shard values and merges that cannot be done are refused, saying what and
// where, and a refused merge writes nothing.
TEST(BatchRun, ShardsAndMergesRefused) {
  const std::vector<int> ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_EQ(cli::shardOf(ten, {1, 3}), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(cli::shardOf(ten, {2, 3}), (std::vector<int>{5, 6, 7}));
  EXPECT_EQ(cli::shardOf(ten, {3, 3}), (std::vector<int>{8, 9, 10}));
  EXPECT_EQ(cli::shardOf({7, 9}, {2, 3}), (std::vector<int>{9}));
  EXPECT_EQ(cli::shardOf({7, 9}, {3, 3}), (std::vector<int>{}));

  oewr::testing::TempDir dir;
  const auto log = dir.path() / "log.txt";
  auto refused = [&](const std::vector<std::string>& args, const std::string& message) {
    EXPECT_NE(oewrCli(args, log), 0) << message;
    EXPECT_NE(fileText(log).find(message), std::string::npos) << fileText(log);
  };
  const std::string ini = (dir.path() / "teravox.ini").string();
  for (const auto& [value, why] : std::vector<std::pair<std::string, std::string>>{
           {"0/3", "is not a shard: K is not from 1 to 3"},
           {"4/3", "is not a shard: K is not from 1 to 3"},
           {"a/b", "is not K/N"},
           {"3", "is not K/N"},
           {"1/0", "is not a shard: N is not from 1"}})
    refused({"run", "--ini", ini, "--all", "--shard", value}, "--shard: '" + value + "' " + why);
  refused({"run", "--ini", ini, "--record", "5", "--shard", "1/2"}, "--shard 1/2: --record 5 is a single request");

  // Rows whose quoted fields hold line breaks and quotes stay whole.
  auto shard = [&](const std::string& name, const std::string& text) {
    std::filesystem::create_directories(dir.path() / name);
    std::ofstream(dir.path() / name / "summary.csv", std::ios::binary) << text;
    return (dir.path() / name).string();
  };
  const std::string first = shard("a", "request,site,status\n1,x,ok\n3,\"two\nlines, \"\"q\"\"\",failed\n");
  const std::string second = shard("b", "request,site,status\n2,y,ok\n");
  const std::string out = (dir.path() / "out").string();
  std::ostringstream o, e;
  ASSERT_EQ(cli::mergeShards({first, second}, out, o, e), 0) << e.str();
  EXPECT_EQ(fileText(dir.path() / "out" / "summary.csv"),
            "request,site,status\n1,x,ok\n2,y,ok\n3,\"two\nlines, \"\"q\"\"\",failed\n");

  const std::string noSummary = (dir.path() / "c").string();
  std::filesystem::create_directories(noSummary);
  const std::string otherHeader = shard("d", "request,site,state\n4,z,ok\n");
  const std::string again = shard("e", "request,site,status\n5,v,ok\n2,w,ok\n");
  const std::string badRow = shard("f", "request,site,status\n6,u,ok\nsix,u,ok\n");
  const auto into = dir.path() / "refused";
  for (const auto& [dirs, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{first, noSummary}, noSummary + "/summary.csv: no such file"},
           {{first, otherHeader}, otherHeader + "/summary.csv: its header differs from that of " + first +
                                      "/summary.csv (column 3: 'status' there, 'state' here)"},
           {{second, again}, "request 2 is in both " + second + "/summary.csv (line 2) and " + again +
                                 "/summary.csv (line 3)"},
           {{first, badRow}, badRow + "/summary.csv, line 3: 'six' is not a request number"},
           {{first, first}, first + ": is given twice"}}) {
    std::ostringstream o2, e2;
    EXPECT_EQ(cli::mergeShards(dirs, into.string(), o2, e2), 1) << message;
    EXPECT_NE(e2.str().find("oewr merge: " + message), std::string::npos) << e2.str();
    EXPECT_FALSE(std::filesystem::exists(into / "summary.csv")) << message;
  }
  // A merge adds nothing to a folder that holds a merge's outputs.
  std::filesystem::create_directories(into / "request-2");
  std::ostringstream o2, e2;
  EXPECT_EQ(cli::mergeShards({first, second}, into.string(), o2, e2), 1);
  EXPECT_NE(e2.str().find("--out " + into.string() + ": already holds request-2"), std::string::npos) << e2.str();
  std::ostringstream o3, e3;
  EXPECT_EQ(cli::mergeShards({first, second}, out, o3, e3), 1);
  EXPECT_NE(e3.str().find("--out " + out + ": already holds a summary.csv"), std::string::npos) << e3.str();
}

TEST(BatchRun, EverySharedRecordInOneBatch) {
  const std::filesystem::path data = OEWR_SHARED_DATA;
  if (!std::filesystem::exists(data / "colorado-natural")) GTEST_SKIP() << "no shared data";
  std::vector<cli::DemoSite> sites;
  for (const auto& entry : std::filesystem::directory_iterator(data / "colorado-natural")) {
    if (entry.path().filename() == "sites.csv" || entry.path().extension() != ".csv") continue;
    auto flows = hostdb::readMonthlyFlowCsv(entry.path(), {});
    sites.push_back(cli::siteWithNaturalFlows("Colorado " + entry.path().stem().string(), flows.startYear,
                                              flows.startMonth, flows.values));
  }
  hostdb::FlowCsvOptions wide;
  wide.missing = hostdb::MissingMonths::DropLeadingYear;
  auto berg = hostdb::readMonthlyFlowCsv(data / "G1H020-monthly.csv", wide);
  sites.push_back(cli::siteWithNaturalFlows("Berg River G1H020", berg.startYear, berg.startMonth, berg.values));
  oewr::testing::TempDir dir;
  std::filesystem::path ini;
  const auto requests = cli::buildSitesDatabase(dir.path(), sites, ini);
  cli::RunOptions o = batchOptions(ini, dir.path() / "runs", 2);
  std::ostringstream out, err;
  const int code = cli::runBatch(o, cli::modelRequests(ini.string()), out, err);
  const auto rows = textLines(fileText(dir.path() / "runs" / "summary.csv"));
  EXPECT_EQ(rows.size(), sites.size() + 1);
  std::cout << out.str();
  for (std::size_t i = 1; i < rows.size(); ++i) std::cout << rows[i].substr(0, 120) << "\n";
  EXPECT_EQ(code, 0) << out.str();
}

#ifdef OEWR_CHART_WORKER_PATH
// The charts of a batch are drawn by processes of their own, side by side;
// each picture is the one a run of the site alone draws, byte for byte.
TEST(BatchRun, ChartsDrawnByWorkersAreThoseOfARunAlone) {
  oewr::testing::TempDir dir;
  std::filesystem::path ini;
  const std::vector<int> requests = twoSites(dir.path(), ini);
  ChartWorkerCommandFor workers({OEWR_CHART_WORKER_PATH});
  cli::RunOptions o = batchOptions(ini, dir.path() / "runs", 2);
  std::ostringstream out, err;
  ASSERT_EQ(cli::runBatch(o, requests, out, err), 0) << err.str();
  for (int record : requests) {
    const auto alone = dir.path() / ("alone-" + std::to_string(record));
    const std::string cmd = shellQuote(OEWR_CLI_PATH) + " run --ini " + shellQuote(ini.string()) + " --record " +
                            std::to_string(record) + " --out " + shellQuote(alone.string()) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const auto batchCharts = dir.path() / "runs" / ("request-" + std::to_string(record)) / "charts";
    const std::vector<std::string> names = chartFiles(alone / "charts");
    ASSERT_EQ(names.size(), 14u);
    EXPECT_EQ(chartFiles(batchCharts), names);
    for (const std::string& name : names)
      EXPECT_TRUE(fileText(batchCharts / name) == fileText(alone / "charts" / name)) << record << " " << name;
  }
}

// A drawing process that dies loses the chart it was drawing, with a message
// naming the request and the chart; another process draws the rest, and the
// site is reported as failed, its other outputs kept.
TEST(BatchRun, AChartWorkerThatDiesLosesItsChartAlone) {
  oewr::testing::TempDir dir;
  std::filesystem::path ini;
  const std::vector<int> requests = twoSites(dir.path(), ini);
  // The first process reads the start of its first chart and is killed.
  const std::string mark = (dir.path() / "first-worker-started").string();
  ChartWorkerCommandFor workers({"/bin/sh", "-c",
                                 "if [ -e " + shellQuote(mark) + " ]; then exec " +
                                     shellQuote(OEWR_CHART_WORKER_PATH) + "; fi; touch " + shellQuote(mark) +
                                     "; head -c 8 >/dev/null; kill -9 $$"});
  const cli::RunOptions o = batchOptions(ini, dir.path() / "runs", 1);
  std::ostringstream out, err;
  EXPECT_EQ(cli::runBatch(o, requests, out, err), 1) << err.str();
  EXPECT_NE(err.str().find("oewr run: request 1: chart hydrology_time_series not written: its drawing process ended "
                           "(killed by signal 9"),
            std::string::npos)
      << err.str();
  const auto rows = textLines(fileText(dir.path() / "runs" / "summary.csv"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(fields(rows[1])[2], "failed");
  EXPECT_EQ(fields(rows[1])[3].rfind("chart hydrology_time_series not written: its drawing process ended", 0), 0u)
      << rows[1];
  EXPECT_NE(fields(rows[1])[4], "");  // the site's results are kept
  EXPECT_EQ(fields(rows[2])[2], "ok");
  EXPECT_EQ(chartFiles(dir.path() / "runs" / "request-1" / "charts").size(), 13u);
  EXPECT_EQ(chartFiles(dir.path() / "runs" / "request-2" / "charts").size(), 14u);
  for (const char* site : {"request-1", "request-2"}) {
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "runs" / site / "results.json")) << site;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "runs" / site / "report.txt")) << site;
  }
}
#endif  // OEWR_CHART_WORKER_PATH

// A request run alone with no output folder writes where a batch would put
// it, its terminal lines and messages also in log.txt there.
TEST(BatchRun, ARequestRunAloneWithoutOutWritesWhereABatchWould) {
  oewr::testing::TempDir dir;
  std::filesystem::path ini;
  const int record = twoSites(dir.path(), ini).back();
  const std::string cmd = "cd " + shellQuote(dir.path().string()) + " && " + shellQuote(OEWR_CLI_PATH) +
                          " run --ini " + shellQuote(ini.string()) + " --record " + std::to_string(record) +
                          " --no-charts --save none >out.txt 2>err.txt";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const std::string folder = "oewr-runs/request-" + std::to_string(record);
  EXPECT_TRUE(std::filesystem::exists(dir.path() / folder / "report.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / folder / "results.json"));
  const std::string out = fileText(dir.path() / "out.txt");
  const std::string logLine = "  log: " + folder + "/log.txt\n";
  ASSERT_GE(out.size(), logLine.size());
  EXPECT_EQ(out.substr(out.size() - logLine.size()), logLine);
  const std::string err = fileText(dir.path() / "err.txt");
  ASSERT_FALSE(err.empty());  // the questions the windows ask, with their answers
  EXPECT_EQ(fileText(dir.path() / folder / "log.txt"),
            out.substr(0, out.size() - logLine.size()) + "\nMessages:\n" + err);
}
