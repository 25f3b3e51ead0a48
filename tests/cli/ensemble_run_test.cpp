// Ensembles over the random sections and one-at-a-time sensitivity, on the demo site.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/batch_run.h"
#include "cli/demo_site.h"
#include "cli/run_command.h"
#include "common/errors.h"
#include "ensemble/ensemble.h"
#include "ensemble/sensitivity.h"
#include "support/test_host.h"
#include "support/text_files.h"

using namespace oewr;

using oewr::testing::fileText;
using oewr::testing::textLines;

namespace {

// The CSV as rows of fields, keyed by the header's names.
std::vector<std::map<std::string, std::string>> csvRows(const std::filesystem::path& file) {
  const std::vector<std::string> all = textLines(fileText(file));
  std::vector<std::map<std::string, std::string>> rows;
  if (all.empty()) return rows;
  const std::vector<std::string> names = cli::csvFields(all[0]);
  for (std::size_t i = 1; i < all.size(); ++i) {
    const std::vector<std::string> f = cli::csvFields(all[i]);
    std::map<std::string, std::string> row;
    for (std::size_t k = 0; k < names.size() && k < f.size(); ++k) row[names[k]] = f[k];
    rows.push_back(row);
  }
  return rows;
}

// The numbers of a results.json array of floats, "key": [a, b, ...], as written.
std::vector<std::string> jsonNumbers(const std::string& json, const std::string& key) {
  std::vector<std::string> v;
  const std::size_t at = json.find("\"" + key + "\"");
  if (at == std::string::npos) return v;
  const std::size_t open = json.find('[', at), close = json.find(']', at);
  std::string inner = json.substr(open + 1, close - open - 1);
  std::replace(inner.begin(), inner.end(), ',', ' ');
  std::istringstream in(inner);
  for (std::string x; in >> x;) v.push_back(x);
  return v;
}

const char* const kColumns[7] = {"A", "AB", "B", "BC", "C", "CD", "D"};

struct DemoHost {
  oewr::testing::TempDir dir;
  cli::DemoDatabase db;
  cli::RunOptions options;
  explicit DemoHost(int years) : db(cli::buildDemoDatabase(dir.path(), cli::makeDemoSite(years))) {
    options.ini = db.iniFile.string();
    options.record = db.requestRecord;
    options.outDir = (dir.path() / "out").string();
    options.noCharts = true;
  }
};

}  // namespace

TEST(Ensemble, PercentilesLieBetweenTheSortedMembers) {
  // Ten members 1 .. 10 given out of order. Sorted, the 10th percentile sits
  // at place 9 x 0.1 = 0.9, between 1 and 2: 1.9; the median at place 4.5:
  // 5.5; the 90th at place 8.1: 9.1.
  const std::vector<double> v = {7, 3, 10, 1, 5, 9, 2, 8, 4, 6};
  EXPECT_DOUBLE_EQ(ensemble::percentile(v, 10), 1.9);
  EXPECT_DOUBLE_EQ(ensemble::percentile(v, 50), 5.5);
  EXPECT_DOUBLE_EQ(ensemble::percentile(v, 90), 9.1);
  EXPECT_DOUBLE_EQ(ensemble::percentile(v, 0), 1);
  EXPECT_DOUBLE_EQ(ensemble::percentile(v, 100), 10);
  EXPECT_DOUBLE_EQ(ensemble::percentile({4.25}, 90), 4.25);
  EXPECT_TRUE(std::isnan(ensemble::percentile({}, 50)));
}

TEST(Ensemble, MemberZeroIsTheStandardRunAndEachMemberTheRunOfItsSeed) {
  DemoHost host(20);
  cli::RunOptions o = host.options;
  o.ensemble = 5;
  o.jobs = 2;
  std::ostringstream out, err;
  ASSERT_EQ(cli::runRequest(o, out, err), 0) << err.str();
  const std::filesystem::path dir = o.outDir;
  const std::string json = fileText(dir / "results.json");
  const std::vector<std::string> low = jsonNumbers(json, "meanLowEwr"), total = jsonNumbers(json, "meanTotalEwr");
  ASSERT_EQ(total.size(), 7u);

  const auto members = csvRows(dir / "ensemble.csv");
  ASSERT_EQ(members.size(), 5u);
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(members[0].at(std::string("low_") + kColumns[c] + "_mcm"), low[static_cast<std::size_t>(c)]);
    EXPECT_EQ(members[0].at(std::string("total_") + kColumns[c] + "_mcm"), total[static_cast<std::size_t>(c)]);
  }
  // A member run alone, from a program start with its seed, gives what the
  // ensemble's threads gave: seed 0 the standard run itself.
  ensemble::MemberRequest request;
  request.ini = o.ini;
  request.record = o.record;
  request.options.ewr.category = 2;
  for (const uint32_t seed : {0u, 3u}) {
    const ensemble::MemberResult alone = ensemble::runMember(request, seed);
    ASSERT_TRUE(alone.ok) << alone.reason;
    for (int c = 0; c < 7; ++c)
      EXPECT_EQ(alone.meanTotalEwr[c], std::stof(members[seed].at(std::string("total_") + kColumns[c] + "_mcm")))
          << "seed " << seed << " category " << c;
  }
  // Other seeds draw other sections.
  bool differ = false;
  for (std::size_t m = 1; m < members.size(); ++m) differ |= members[m].at("total_B_mcm") != members[0].at("total_B_mcm");
  EXPECT_TRUE(differ);

  for (const auto& row : csvRows(dir / "ensemble_summary.csv")) {
    const double mn = std::stod(row.at("min")), p10 = std::stod(row.at("p10")), p50 = std::stod(row.at("p50")),
                 p90 = std::stod(row.at("p90")), mx = std::stod(row.at("max"));
    EXPECT_TRUE(mn <= p10 && p10 <= p50 && p50 <= p90 && p90 <= mx) << row.at("category") << " " << row.at("quantity");
    EXPECT_EQ(row.at("members"), "5");
  }
  const auto months = csvRows(dir / "ensemble_months.csv");
  ASSERT_EQ(months.size(), 12u);
  EXPECT_EQ(months[0].at("month"), "Oct");
  for (const auto& row : months)
    EXPECT_LE(std::stod(row.at("total_p10_mcm")), std::stod(row.at("total_p90_mcm"))) << row.at("month");
}

TEST(Sensitivity, VariationsAreReadAndRefusedByName) {
  const ensemble::Variation zone = ensemble::parseVariation("geoZone=1:6:3");
  // 1, 3.5 and 6: a zone is whole, 3.5 rounds half up to 4.
  EXPECT_EQ(zone.values, (std::vector<float>{1, 4, 6}));
  EXPECT_EQ(zone.position, 3);
  // 10, 16.7, 23.3, 30 at the nearest 5 %.
  EXPECT_EQ(ensemble::parseVariation("exceedence=10:30:4").values, (std::vector<float>{10, 15, 25, 30}));
  EXPECT_EQ(ensemble::parseVariation("MAXWIDTH=20:60").values, (std::vector<float>{20, 30, 40, 50, 60}));
  EXPECT_EQ(ensemble::parseVariation("exceedence=5:5").values, (std::vector<float>{5}));

  auto refusal = [](const std::string& text) {
    try {
      ensemble::parseVariation(text);
    } catch (const ModelError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_NE(refusal("valleySlope=0:0.01").find("outside the range of valleySlope (above 0 and at most 1)"),
            std::string::npos);
  EXPECT_NE(refusal("geoZone=1:7").find("from 1 to 6, whole numbers"), std::string::npos);
  EXPECT_NE(refusal("exceedence=0:20").find("from 5 to 50, in steps of 5"), std::string::npos);
  EXPECT_NE(refusal("depth=1:2").find("'depth' is not an input that can be varied"), std::string::npos);
  EXPECT_NE(refusal("maxWidth=60:20").find("LOW 60 is above HIGH 20"), std::string::npos);
  EXPECT_NE(refusal("maxWidth=20:60:1").find("STEPS '1'"), std::string::npos);
  EXPECT_NE(refusal("maxWidth=nan:60").find("LOW 'nan'"), std::string::npos);
  EXPECT_NE(refusal("maxWidth").find("not NAME=LOW:HIGH"), std::string::npos);
}

TEST(Sensitivity, AStoredValueReadInPlaceIsTheStandardRunAndOthersMoveIt) {
  DemoHost host(20);
  cli::RunOptions o = host.options;
  // The demo stores a width of 40 m, zone 4 and the 15 % point.
  o.vary = {"maxWidth=40:80:2", "geoZone=4:6:2", "exceedence=15:30:2"};
  o.jobs = 2;
  std::ostringstream out, err;
  ASSERT_EQ(cli::runRequest(o, out, err), 0) << err.str();
  const auto rows = csvRows(std::filesystem::path(o.outDir) / "sensitivity.csv");
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[0].at("input"), "standard");
  std::map<std::string, std::map<std::string, std::string>> byRun;
  for (const auto& r : rows) byRun[r.at("input") + "=" + r.at("value")] = r;
  for (const char* stored : {"maxWidth=40", "geoZone=4", "exceedence=15"})
    for (const char* c : kColumns) {
      EXPECT_EQ(byRun.at(stored).at(std::string("total_") + c + "_change_mcm"), "0.000000") << stored << " " << c;
      EXPECT_EQ(byRun.at(stored).at(std::string("low_") + c + "_change_mcm"), "0.000000") << stored << " " << c;
    }
  for (const char* moved : {"maxWidth=80", "geoZone=6", "exceedence=30"}) {
    EXPECT_EQ(byRun.at(moved).at("status"), "ok");
    EXPECT_NE(byRun.at(moved).at("total_B_change_mcm"), "0.000000") << moved;
  }
  EXPECT_EQ(byRun.at("maxWidth=80").at("value_used"), "80");
  EXPECT_NE(out.str().find("Sensitivity: 6 runs of 3 inputs, 0 failed"), std::string::npos) << out.str();
}

TEST(Sensitivity, TheTornadoRanksTheInputsByTheRangeOfTheirEffect) {
  ensemble::MemberResult standard;
  standard.ok = true;
  standard.meanTotalEwr[2] = 100;
  auto run = [](const char* name, float value, float total) {
    ensemble::SensitivityRun r{name, value, {}};
    r.result.ok = true;
    r.result.meanTotalEwr[2] = total;
    return r;
  };
  // a moves the mean by -1 .. +2 (range 3), b by -6 .. 0 (range 6), c not at all.
  const std::vector<ensemble::SensitivityRun> runs = {run("a", 1, 99), run("a", 2, 102), run("b", 1, 94),
                                                      run("b", 2, 97),  run("b", 3, 100), run("c", 1, 100)};
  const charting::Chart chart = ensemble::tornadoChart(runs, standard, 2);
  ASSERT_EQ(chart.series.size(), 2u);
  ASSERT_EQ(chart.series[0].points.size(), 3u);
  EXPECT_EQ(chart.series[0].points[0].label, "b");
  EXPECT_EQ(chart.series[0].points[1].label, "a");
  EXPECT_EQ(chart.series[0].points[2].label, "c");
  EXPECT_DOUBLE_EQ(chart.series[0].points[0].y, -6);
  EXPECT_DOUBLE_EQ(chart.series[1].points[0].y, 0);
  EXPECT_DOUBLE_EQ(chart.series[0].points[1].y, -1);
  EXPECT_DOUBLE_EQ(chart.series[1].points[1].y, 2);
}

TEST(BatchRun, AnEnsembleGivesTheSpreadBesideEachMeanOfTheSummary) {
  DemoHost host(20);
  cli::RunOptions o = host.options;
  o.ensemble = 3;
  std::ostringstream out, err;
  ASSERT_EQ(cli::runBatch(o, {o.record}, out, err), 0) << err.str();
  const std::filesystem::path root = o.outDir;
  const std::vector<std::string> summary = textLines(fileText(root / "summary.csv"));
  ASSERT_EQ(summary.size(), 2u);
  EXPECT_NE(summary[0].find(",total_A_pct_mar,low_A_p10_mcm,low_A_p90_mcm,total_A_p10_mcm,total_A_p90_mcm,low_AB_mcm"),
            std::string::npos);
  const auto row = csvRows(root / "summary.csv").at(0);
  for (const char* c : kColumns)
    EXPECT_LE(std::stod(row.at(std::string("total_") + c + "_p10_mcm")),
              std::stod(row.at(std::string("total_") + c + "_p90_mcm")));
  const auto members = csvRows(root / cli::requestFolderName(o.record) / "ensemble.csv");
  ASSERT_EQ(members.size(), 3u);
  EXPECT_NEAR(std::stod(members[0].at("total_B_mcm")), std::stod(row.at("total_B_mcm")), 0.0005);
}
