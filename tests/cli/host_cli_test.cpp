// The real `oewr host` command: exit codes, messages, and round trips of real
// flow records through a host database.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/text_format.h"
#include "hostdb/flow_csv.h"
#include "support/temp_dir.h"

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
  void SetUp() override { ini = (dir / "host.ini").string(); }

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

  oewr::testing::TempDir temp;
  fs::path dir = temp.path();
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

TEST_F(HostCli, WritesReportSuccessOnlyAfterTheValueIsWritten) {
  buildSite("Test site");
  ASSERT_EQ(oewr({"host", "add-attribute", "--ini", ini, "--name", "Site name", "--type", "text"}).rc, 0);
  ASSERT_EQ(oewr({"host", "add-attribute", "--ini", ini, "--name", "Report", "--type", "memo"}).rc, 0);
  ASSERT_EQ(oewr({"host", "add-attribute", "--ini", ini, "--name", "Params", "--type", "array"}).rc, 0);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"set-text", "--attribute", "Site name", "--site", "9", "--text", "x"},
           {"set-text", "--attribute", "Site name", "--site", "1", "--text", std::string(81, 'x')},
           {"set-memo", "--attribute", "Report", "--site", "9", "--text", "x"},
           {"set-array", "--attribute", "Params", "--site", "9", "--kind", "table", "--values", "1", "--rows", "1",
            "--columns", "1"}}) {
    std::vector<std::string> full = {"host"};
    full.insert(full.end(), args.begin(), args.end());
    full.insert(full.end(), {"--ini", ini});
    CliRun r = oewr(full);
    EXPECT_EQ(r.rc, 1) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
  }
  CliRun longText = oewr({"host", "set-text", "--ini", ini, "--attribute", "Site name", "--site", "1", "--text",
                          std::string(81, 'x')});
  EXPECT_EQ(longText.err, "oewr host set-text: error: The text '" + std::string(40, 'x') +
                              "...' (81 characters) is too long; at most 80 characters fit\n");
}

TEST_F(HostCli, OptionValuesAreRefusedSayingWhatIsWrong) {
  buildSite("Test site");
  const fs::path csv = dir / "flows.csv";
  std::ofstream(csv) << "2000,10,1.5\n";
  auto refused = [&](const std::vector<std::string>& args, const std::string& message) {
    CliRun r = oewr(args);
    EXPECT_NE(r.rc, 0) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  };
  const std::vector<std::string> run = {"run", "--ini", ini, "--record", "1"};
  auto with = [](std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  refused(with(run, {"--jobs", "abc"}), "--jobs: 'abc' is not a whole number from 1 to 64");
  refused(with(run, {"--lock-timeout", "-5"}), "--lock-timeout: '-5' is not a number from 0 to 86400 seconds");
  refused(with(run, {"--lock-timeout", "nan"}), "--lock-timeout: 'nan' is not a number from 0 to 86400 seconds");
  refused(with(run, {"--exceedence", "0"}), "--exceedence: '0' is not one of 5, 10, ..., 50");
  refused({"run", "--ini", ini, "--record", "1,1"}, "--record: request 1 is listed more than once in '1,1'");
  refused({"host", "export", "--ini", ini, "--attribute", "Natural flows", "--site", "1", "--decimals", "-3"},
          "--decimals: '-3' is not a whole number from 0 to 15");
  const std::vector<std::string> import = {"host", "import-flows", "--ini", ini, "--attribute", "Natural flows",
                                           "--site", "1", "--file", csv.string()};
  refused(with(import, {"--area", "nan"}), "--area: 'nan' is not a number");
  refused(with(import, {"--area", "inf"}), "--area: 'inf' is not a number");
  refused(with(import, {"--area", "-5"}), "--area: '-5' is below 0 km2");
  // None of the imports stored the series.
  EXPECT_EQ(oewr({"host", "export", "--ini", ini, "--attribute", "Natural flows", "--site", "1"}).rc, 1);
}

TEST_F(HostCli, DemoRefusesADirectoryThatHoldsAHost) {
  buildSite("Test site");
  std::ofstream(ini, std::ios::app) << "[Other]\r\nkey=value\r\n";
  const std::string iniBefore = readFile(ini);
  // The host of this directory: its ini file names the database in db/, where the demo puts its own.
  fs::rename(ini, dir / "teravox.ini");
  CliRun r = oewr({"demo", dir.string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("already holds a host"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--force"), std::string::npos);
  EXPECT_EQ(readFile(dir / "teravox.ini"), iniBefore);
  CliRun sites = oewr({"host", "list", "--ini", (dir / "teravox.ini").string(), "sites"});
  EXPECT_EQ(sites.out, "Id         Name\n1          Test site\n");
}

TEST_F(HostCli, ListExportAndRunReadADatabaseThisUserCannotWrite) {
  buildSite("Test site");
  ASSERT_EQ(oewr({"host", "add-attribute", "--ini", ini, "--name", "Site name", "--type", "text"}).rc, 0);
  ASSERT_EQ(oewr({"host", "set-text", "--ini", ini, "--attribute", "Site name", "--site", "1", "--text", "Test"}).rc, 0);
  ASSERT_EQ(oewr({"host", "add-request", "--ini", ini, "--site", "1", "--description", "Test run", "--slot",
                  "site-name=Site name"})
                .rc,
            0);
  // The database directory and file made read-only; as root, whom permissions do not stop, the
  // commands run as the unprivileged user "nobody" instead (to whom the files are read-only).
  std::vector<std::string> prefix;
  if (::geteuid() == 0) {
    if (std::system("command -v setpriv >/dev/null 2>&1") != 0) GTEST_SKIP() << "root without setpriv";
    prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  using fs::perms;
  const perms readable = perms::owner_read | perms::group_read | perms::others_read;
  const perms searchable = readable | perms::owner_exec | perms::group_exec | perms::others_exec;
  fs::permissions(dir, searchable | perms::owner_write);
  fs::permissions(ini, readable | perms::owner_write);
  fs::permissions(dir / "db" / "teravox.sqlite", readable);
  fs::permissions(dir / "db", searchable);
  struct Restore {
    fs::path db;
    ~Restore() { fs::permissions(db, fs::perms::owner_write, fs::perm_options::add); }
  } restore{dir / "db"};
  auto as = [&](const std::vector<std::string>& args) {
    std::vector<std::string> full = prefix;
    full.push_back(OEWR_CLI_PATH);
    full.insert(full.end(), args.begin(), args.end());
    std::string cmd;
    for (const auto& a : full) cmd += (cmd.empty() ? "" : " ") + shellQuote(a);
    cmd += " 2>&1 </dev/null";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    for (char buf[4096]; p && std::fgets(buf, sizeof buf, p);) out += buf;
    const int status = p ? ::pclose(p) : -1;
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ""};
  };
  CliRun list = as({"host", "list", "--ini", ini, "requests"});
  EXPECT_EQ(list.rc, 0) << list.out;
  EXPECT_NE(list.out.find("Test run"), std::string::npos) << list.out;
  CliRun text = as({"host", "export", "--ini", ini, "--attribute", "Site name", "--site", "1"});
  EXPECT_EQ(text.rc, 0) << text.out;
  EXPECT_EQ(text.out, "Test\n");
  // A write is refused, saying why.
  CliRun add = as({"host", "add-site", "--ini", ini, "--id", "2", "--name", "Other"});
  EXPECT_EQ(add.rc, 1);
  EXPECT_NE(add.out.find("is open for reading only: this user may not write it or its directory"), std::string::npos)
      << add.out;
  // The request has no flows: the run stops at its site parameters, after reading the request.
  CliRun runNone = as({"run", "--ini", ini, "--record", "1", "--save", "none"});
  EXPECT_NE(runNone.out.find("has no site parameters"), std::string::npos) << runNone.out;
  CliRun runAll = as({"run", "--ini", ini, "--record", "1"});
  EXPECT_NE(runAll.out.find("this user may not write the host database"), std::string::npos) << runAll.out;
}

TEST_F(HostCli, SiteParameterTemplateNamesAndExplainsEveryValueAndReadsBack) {
  CliRun t = oewr({"host", "set-array", "--kind", "site-parameters", "--template"});
  ASSERT_EQ(t.rc, 0) << t.err;
  std::istringstream lines(t.out);
  int values = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("#", 0) == 0) continue;
    ++values;
    EXPECT_NE(line.find(','), std::string::npos) << line;
    const std::size_t hash = line.find(" # ");
    ASSERT_NE(hash, std::string::npos) << "no comment: " << line;
    EXPECT_GT(line.size(), hash + 10) << line;
  }
  EXPECT_EQ(values, 24);
  // Starting values: baseflow filter A 0.97 and B 0.5, zone 4, width/depth scaling 0.5, valley slope
  // 0.005, and 0 for the rest, which the hydraulics step estimates or asks for.
  const fs::path file = dir / "site.txt";
  std::ofstream(file) << t.out;
  buildSite("Test site");
  ASSERT_EQ(oewr({"host", "add-attribute", "--ini", ini, "--name", "Site parameters", "--type", "array"}).rc, 0);
  CliRun set = oewr({"host", "set-array", "--ini", ini, "--attribute", "Site parameters", "--site", "1", "--kind",
                     "site-parameters", "--file", file.string()});
  ASSERT_EQ(set.rc, 0) << set.err;
  CliRun back = oewr({"host", "export", "--ini", ini, "--attribute", "Site parameters", "--site", "1"});
  EXPECT_EQ(back.out.substr(0, back.out.find("maxWidth")),
            "name,value\nbaseflowA,0.97\nbaseflowB,0.5\ngeoZone,4\nwidthDepthScaling,0.5\nhydroVariability,0\n"
            "valleySlope,0.005\ncatchmentArea,0\n");
  EXPECT_EQ(oewr({"host", "set-array", "--kind", "cross-section", "--template"}).rc, 1);
  CliRun noTarget = oewr({"host", "set-array", "--kind", "site-parameters", "--values", "1"});
  EXPECT_EQ(noTarget.rc, 1);
  EXPECT_EQ(noTarget.err, "oewr host set-array: error: --ini is required\n");
}

TEST_F(HostCli, ARecordLongerThanTheModelRunsIsStoredWithAWarning) {
  buildSite("Test site");
  // 200 hydrological years: 2400 months, more than the 2001 of the model's hydrology.
  const fs::path csv = dir / "long.csv";
  {
    std::ofstream out(csv);
    for (int i = 0; i < 2400; ++i) out << 1800 + (i + 9) / 12 << "," << (i + 9) % 12 + 1 << ",1.5\n";
  }
  CliRun r = oewr({"host", "import-flows", "--ini", ini, "--attribute", "Natural flows", "--site", "1", "--file",
                   csv.string()});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.out.find("Imported 2400 months (1800-10 to 2000-09"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("Warning: the record is longer than the model can run"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("at most 2001 months"), std::string::npos) << r.err;
  // A record the model runs gets no warning.
  {
    std::ofstream out(csv);
    for (int i = 0; i < 2001; ++i) out << 1800 + (i + 9) / 12 << "," << (i + 9) % 12 + 1 << ",1.5\n";
  }
  r = oewr({"host", "import-flows", "--ini", ini, "--attribute", "Natural flows", "--site", "1", "--file",
            csv.string()});
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.err, "");
}

TEST_F(HostCli, AFileRefusedEarlyIsNotHeldWholeInMemory) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#else
  buildSite("Test site");
  // 50 MB of one month repeated: refused at its second line, within 300 MB of address space.
  const fs::path csv = dir / "big.csv";
  {
    std::ofstream out(csv);
    const std::string block = [] {
      std::string b;
      for (int i = 0; i < 4096; ++i) b += "2000,1,1\n";
      return b;
    }();
    for (std::size_t n = 0; n < 50u * 1024 * 1024; n += block.size()) out << block;
  }
  const std::string cmd = "ulimit -v 300000; " + shellQuote(OEWR_CLI_PATH) +
                          " host import-flows --ini " + shellQuote(ini) +
                          " --attribute 'Natural flows' --site 1 --file " + shellQuote(csv.string()) + " 2>&1";
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  for (char buf[4096]; p && std::fgets(buf, sizeof buf, p);) out += buf;
  if (p) ::pclose(p);
  EXPECT_EQ(out, "oewr host import-flows: error: " + csv.string() +
                     ", line 2, field 'month': month 2000-01 is given twice (also on line 1)\n");
#endif
}
