// The headless run on real monthly records (skipped when the shared data are absent).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/demo_site.h"
#include "cli/run_command.h"
#include "hostdb/flow_csv.h"
#include "support/test_host.h"

using namespace oewr;

namespace {

const std::filesystem::path kData = OEWR_SHARED_DATA;

void runRecord(const std::string& name, const hostdb::MonthlyFlowSeries& flows) {
  oewr::testing::TempDir dir;
  cli::DemoDatabase db = cli::buildDemoDatabase(
      dir.path(), cli::siteWithNaturalFlows(name, flows.startYear, flows.startMonth, flows.values));
  cli::RunOptions o;
  o.ini = db.iniFile.string();
  o.record = db.requestRecord;
  o.outDir = (dir.path() / "out").string();
  std::ostringstream out, err;
  const int code = cli::runRequest(o, out, err);
  ASSERT_EQ(code, 0) << name << ": " << err.str();
  std::ifstream json(dir.path() / "out" / "results.json");
  std::stringstream text;
  text << json.rdbuf();
  EXPECT_NE(text.str().find("\"criticalWetMonth\""), std::string::npos) << name;
  EXPECT_EQ(text.str().find("null"), std::string::npos) << name << ": a statistic is not finite";
}

}  // namespace

TEST(RealRecords, EveryColoradoRecordRunsThroughHydrology) {
  const auto folder = kData / "colorado-natural";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no shared data";
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename() == "sites.csv" || entry.path().extension() != ".csv") continue;
    runRecord(entry.path().stem().string(), hostdb::readMonthlyFlowCsv(entry.path(), {}));
    ++n;
  }
  EXPECT_EQ(n, 6);
}

TEST(RealRecords, BergRiverWideTableRunsThroughHydrology) {
  const auto file = kData / "G1H020-monthly.csv";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared data";
  hostdb::FlowCsvOptions options;
  options.missing = hostdb::MissingMonths::DropLeadingYear;
  runRecord("G1H020 Berg River", hostdb::readMonthlyFlowCsv(file, options));
}
