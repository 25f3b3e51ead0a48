// The headless run on the demo database.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/demo_site.h"
#include "cli/run_command.h"
#include "hostdb/host_admin.h"
#include "support/test_host.h"

using namespace oewr;

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

std::string fileText(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
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
  oewr::testing::TempDir dir;
  cli::DemoDatabase db = cli::buildDemoDatabase(dir.path(), cli::makeDemoSite(30));
  cli::RunOptions o;
  o.ini = db.iniFile.string();
  o.record = db.requestRecord;
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
