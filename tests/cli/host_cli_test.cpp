// The real `oewr host` command: exit codes, messages, and round trips of real
// flow records through a host database.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

#include "common/text_format.h"
#include "hostdb/flow_csv.h"

using namespace oewr;
namespace fs = std::filesystem;

namespace {

struct CliRun {
  int rc = 0;
  std::string out;
  std::string err;
};

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class HostCli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir = fs::temp_directory_path() / ("oewr_host_cli_" + std::to_string(rd()));
    fs::create_directories(dir);
    ini = (dir / "host.ini").string();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  CliRun oewr(const std::vector<std::string>& args) {
    std::string cmd = shellQuote(OEWR_CLI_PATH);
    for (const auto& a : args) cmd += " " + shellQuote(a);
    const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
    cmd += " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string()) + " </dev/null";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(out), readFile(err)};
  }

  // A database with one feature, one site and a time-series attribute.
  void buildSite(const std::string& siteName) {
    ASSERT_EQ(oewr({"host", "create", "--ini", ini, "--dir", (dir / "db").string()}).rc, 0);
    ASSERT_EQ(oewr({"host", "add-feature", "--ini", ini, "--name", "River sites", "--table", "rivers"}).rc, 0);
    ASSERT_EQ(oewr({"host", "add-site", "--ini", ini, "--id", "1", "--name", siteName}).rc, 0);
    ASSERT_EQ(oewr({"host", "add-attribute", "--ini", ini, "--name", "Natural flows", "--type", "timeseries"}).rc, 0);
  }

  fs::path dir;
  std::string ini;
};

struct CsvMonth {
  int year, month;
  std::string value;
};

std::vector<CsvMonth> longRows(const std::string& text) {
  std::vector<CsvMonth> out;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    auto f = hostdb::splitCsvLine(line);
    out.push_back({std::stoi(f.at(0)), std::stoi(f.at(1)), f.at(2)});
  }
  return out;
}

// The exported value stands for the same stored float as the input, and
// differs from it by no more than float32 storage and six decimals allow.
void expectSameValue(const std::string& exported, const std::string& input, const std::string& where) {
  const double e = std::stod(exported), i = std::stod(input);
  EXPECT_EQ(static_cast<float>(e), static_cast<float>(i)) << where << ": " << exported << " vs " << input;
  EXPECT_LE(std::fabs(e - i), 0.5e-6 + std::fabs(i) * 6e-8) << where;
}

}  // namespace

TEST_F(HostCli, HelpAndUsageErrors) {
  CliRun help = oewr({"host", "--help"});
  EXPECT_EQ(help.rc, 0);
  for (const char* sub : {"create", "add-feature", "add-site", "add-attribute", "import-flows", "set-array", "set-text",
                          "set-memo", "set-link", "add-request", "list", "export"})
    EXPECT_NE(help.out.find(sub), std::string::npos) << sub;
  CliRun importHelp = oewr({"host", "import-flows", "--help"});
  EXPECT_EQ(importHelp.rc, 0);
  EXPECT_NE(importHelp.out.find("drop-leading-year"), std::string::npos);
  EXPECT_NE(oewr({"host"}).rc, 0);
  EXPECT_NE(oewr({"host", "frobnicate"}).rc, 0);
  CliRun missing = oewr({"host", "add-site", "--ini", ini, "--name", "x"});
  EXPECT_NE(missing.rc, 0);
  EXPECT_NE(missing.err.find("--id"), std::string::npos);
  CliRun noIni = oewr({"host", "list", "--ini", (dir / "none.ini").string(), "features"});
  EXPECT_EQ(noIni.rc, 1);
  EXPECT_EQ(noIni.err, "oewr host list: error: " + (dir / "none.ini").string() + ": no such ini file\n");
}

TEST_F(HostCli, BadFlowFileFailsAndChangesNothing) {
  buildSite("Test site");
  const fs::path csv = dir / "flows.csv";
  std::ofstream(csv) << "year,month,value\n2000,10,1.5\n2000,11,two\n";
  CliRun r = oewr({"host", "import-flows", "--ini", ini, "--attribute", "Natural flows", "--site", "1", "--file", csv.string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "oewr host import-flows: error: " + csv.string() + ", line 3, field 'value': 'two' is not a number\n");
  CliRun list = oewr({"host", "list", "--ini", ini, "attributes"});
  EXPECT_EQ(list.rc, 0);
  EXPECT_NE(list.out.find("timeseries                  0       0"), std::string::npos) << list.out;
  CliRun none = oewr({"host", "export", "--ini", ini, "--attribute", "Natural flows", "--site", "1"});
  EXPECT_EQ(none.rc, 1);
  CliRun site = oewr({"host", "import-flows", "--ini", ini, "--attribute", "Natural flows", "--site", "2", "--file", csv.string()});
  EXPECT_EQ(site.rc, 1);
  CliRun unit = oewr({"host", "import-flows", "--ini", ini, "--attribute", "Natural flows", "--site", "1", "--file",
                   csv.string(), "--unit", "gallons"});
  EXPECT_EQ(unit.rc, 1);
  EXPECT_NE(unit.err.find("--unit: 'gallons'"), std::string::npos);
}

TEST_F(HostCli, ParametersRequestAndExport) {
  buildSite("Test site");
  ASSERT_EQ(oewr({"host", "add-attribute", "--ini", ini, "--name", "Site name", "--type", "text"}).rc, 0);
  ASSERT_EQ(oewr({"host", "add-attribute", "--ini", ini, "--name", "Observed XS", "--type", "array"}).rc, 0);
  EXPECT_EQ(oewr({"host", "set-text", "--ini", ini, "--attribute", "Site name", "--site", "1", "--text", "Test"}).rc, 0);
  CliRun xs = oewr({"host", "set-array", "--ini", ini, "--attribute", "Observed XS", "--site", "1", "--kind",
                 "cross-section", "--values=0,5,2,1,6,4.5"});
  EXPECT_EQ(xs.rc, 0) << xs.err;
  CliRun out = oewr({"host", "export", "--ini", ini, "--attribute", "Observed XS", "--site", "1"});
  EXPECT_EQ(out.out, "distance,elevation\n0,5\n2,1\n6,4.5\n");
  CliRun bad = oewr({"host", "set-array", "--ini", ini, "--attribute", "Observed XS", "--site", "1", "--kind",
                  "cross-section", "--values=0,5,2"});
  EXPECT_EQ(bad.rc, 1);
  CliRun req = oewr({"host", "add-request", "--ini", ini, "--site", "1", "--description", "Test run", "--slot",
                  "site-name=Site name", "--slot", "8=Observed XS", "--slot", "natural-flows=Natural flows"});
  EXPECT_EQ(req.rc, 0) << req.err;
  EXPECT_EQ(req.out, "Request record 1 added\n");
  CliRun wrong = oewr({"host", "add-request", "--ini", ini, "--site", "1", "--description", "Bad", "--slot",
                    "natural-flows=Site name"});
  EXPECT_EQ(wrong.rc, 1);
  EXPECT_NE(wrong.err.find("Slot 10: the natural monthly flows is a timeseries attribute"), std::string::npos);
  CliRun list = oewr({"host", "list", "--ini", ini, "requests"});
  EXPECT_NE(list.out.find("0,0,0,2,0,0,0,0,3,0,1,0,0,0,0,0,0,0"), std::string::npos) << list.out;
}

TEST_F(HostCli, ColoradoAtGlenwoodSpringsRoundTrip) {
  const fs::path data = fs::path(OEWR_SHARED_DATA) / "colorado-natural";
  if (!fs::exists(data / "sites.csv")) GTEST_SKIP() << "no shared data";
  std::string gauge, name;
  std::istringstream sites(readFile(data / "sites.csv"));
  for (std::string line; std::getline(sites, line);)
    if (line.find("Glenwood Springs") != std::string::npos) {
      auto f = hostdb::splitCsvLine(line);
      gauge = f.at(0);
      name = f.at(1);
    }
  ASSERT_EQ(gauge, "09072500");
  buildSite(name);
  const fs::path input = data / (gauge + ".csv");
  CliRun imp = oewr({"host", "import-flows", "--ini", ini, "--attribute", "Natural flows", "--site", "1", "--file",
                  input.string(), "--data-id", "Natural flows"});
  ASSERT_EQ(imp.rc, 0) << imp.err;
  EXPECT_NE(imp.out.find("Imported 1383 months (1905-10 to 2020-12"), std::string::npos) << imp.out;
  const fs::path output = dir / "export.csv";
  ASSERT_EQ(oewr({"host", "export", "--ini", ini, "--attribute", "Natural flows", "--site", "1", "--out",
                  output.string()})
                .rc,
            0);
  const auto in = longRows(readFile(input));
  const auto out = longRows(readFile(output));
  ASSERT_EQ(in.size(), 1383u);
  ASSERT_EQ(out.size(), in.size());
  int sameText = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    const std::string where = "row " + std::to_string(i + 2);
    EXPECT_EQ(out[i].year, in[i].year) << where;
    EXPECT_EQ(out[i].month, in[i].month) << where;
    expectSameValue(out[i].value, in[i].value, where);
    sameText += out[i].value == in[i].value;
  }
  // Six-decimal texts come back unchanged wherever float32 holds them.
  EXPECT_GT(sameText, 0);
}

TEST_F(HostCli, G1H020WideTableWithLeadingNaMonths) {
  const fs::path input = fs::path(OEWR_SHARED_DATA) / "G1H020-monthly.csv";
  if (!fs::exists(input)) GTEST_SKIP() << "no shared data";
  buildSite("Berg River at G1H020");
  auto import = [&](const std::string& na) {
    return oewr({"host", "import-flows", "--ini", ini, "--attribute", "Natural flows", "--site", "1", "--file",
                 input.string(), "--na", na});
  };
  CliRun refused = import("refuse");
  EXPECT_EQ(refused.rc, 1);
  EXPECT_NE(refused.err.find("G1H020-monthly.csv, line 2, field 'October': no value for 1965-10"), std::string::npos)
      << refused.err;

  CliRun leading = import("drop-leading");
  ASSERT_EQ(leading.rc, 0) << leading.err;
  EXPECT_NE(leading.out.find("Imported 678 months (1966-04 to 2022-09, wide layout"), std::string::npos) << leading.out;
  CliRun year = import("drop-leading-year");
  ASSERT_EQ(year.rc, 0) << year.err;
  EXPECT_NE(year.out.find("Imported 672 months (1966-10 to 2022-09"), std::string::npos) << year.out;
  EXPECT_NE(year.out.find("(the site's record was updated)"), std::string::npos);

  CliRun exported = oewr({"host", "export", "--ini", ini, "--attribute", "Natural flows", "--site", "1"});
  ASSERT_EQ(exported.rc, 0);
  const auto out = longRows(exported.out);
  ASSERT_EQ(out.size(), 672u);
  // Compare with the wide table's cells, October 1966 on.
  std::istringstream wide(readFile(input));
  std::string line;
  std::getline(wide, line);
  std::getline(wide, line);  // 1965/66: the NA year
  std::size_t k = 0;
  while (std::getline(wide, line)) {
    auto f = hostdb::splitCsvLine(line);
    ASSERT_GE(f.size(), 14u);
    for (int m = 0; m < 12; ++m, ++k) {
      ASSERT_LT(k, out.size());
      const int month = (m + 9) % 12 + 1;
      EXPECT_EQ(out[k].month, month);
      EXPECT_EQ(out[k].year, month >= 10 ? std::stoi(f[0]) : std::stoi(f[1]));
      expectSameValue(out[k].value, f[static_cast<std::size_t>(m) + 2], line);
    }
  }
  EXPECT_EQ(k, out.size());
}
