#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "common/errors.h"
#include "common/ini_file.h"
#include "common/ui.h"
#include "hostdb/blob_codec.h"
#include "hostdb/host_admin.h"
#include "hostdb/host_tables.h"
#include "hostdb/timeseries_codec.h"
#include "process/model_state.h"

using namespace oewr;
using namespace oewr::hostdb;
namespace fs = std::filesystem;

namespace {

class QuietUi : public Ui {
 public:
  void showMessage(const std::string&, const std::string& text) override { messages.push_back(text); }
  bool askYesNo(const std::string&, const std::string&) override { return true; }
  std::optional<std::string> pickOpenFile(const FileDialogOptions&) override { return std::nullopt; }
  std::optional<std::string> pickSaveFile(const FileDialogOptions&) override { return std::nullopt; }
  int showModal(ModalForm&) override { return mrCancel; }
  int showTableSave(Ttable_save&) override { return mrCancel; }
  bool keepWaitingForLock(const std::string&, int) override { return false; }
  std::vector<std::string> messages;
};

// Every table's definition and rows, to tell whether anything changed.
std::string snapshot(HostSession& s, const std::string& alias) {
  std::string out;
  std::vector<std::string> tables;
  Statement st(s.connection(alias), "SELECT name, sql FROM sqlite_master ORDER BY name");
  while (st.step()) {
    out += st.column(0).asText() + ": " + st.column(1).asText() + "\n";
    if (st.column(1).asText().rfind("CREATE TABLE", 0) == 0) tables.push_back(st.column(0).asText());
  }
  for (const auto& t : tables) {
    Statement rows(s.connection(alias), "SELECT * FROM " + quoteIdentifier(t) + " ORDER BY rowid");
    while (rows.step()) {
      out += t + ":";
      for (int i = 0; i < rows.columnCount(); ++i) out += " [" + rows.column(i).asText() + "]";
      out += "\n";
    }
  }
  return out;
}

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ModelError& e) {
    return e.what();
  }
  return "";
}

class HostAdminTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir = fs::temp_directory_path() / ("oewr_host_admin_" + std::to_string(rd()));
    fs::create_directories(dir);
    ini = dir / "host.ini";
    HostAdmin::createDatabase(ini, "TERAVOX", dir / "db");
    admin = std::make_unique<HostAdmin>(ini);
  }
  void TearDown() override {
    admin.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  // A feature with two sites and one attribute of each kind the model uses.
  void buildSites() {
    admin->addFeature("River sites", "rivers");
    admin->addSite("River sites", 1, "Upper Berg");
    admin->addSite("River sites", 2, "Lower Berg");
    siteName = admin->addAttribute("River sites", "Site name", kText);
    siteParams = admin->addAttribute("River sites", "Site parameters", kArray);
    natural = admin->addAttribute("River sites", "Natural flows", kTimeseries);
    present = admin->addAttribute("River sites", "Present flows", kTimeseries);
    report = admin->addAttribute("River sites", "Report", kMemo);
    linked = admin->addAttribute("River sites", "Natural flows link", kLinked);
  }

  std::string snap() { return snapshot(admin->session(), admin->alias()); }

  fs::path dir, ini;
  std::unique_ptr<HostAdmin> admin;
  int siteName = 0, siteParams = 0, natural = 0, present = 0, report = 0, linked = 0;
};

}  // namespace

TEST_F(HostAdminTest, CreateWritesTheIniFileAndKeepsAnExistingDatabase) {
  IniFile f = IniFile::load(ini);
  EXPECT_EQ(f.value("Startup", "datab_name", ""), "TERAVOX");
  EXPECT_EQ(fs::path(f.value("Startup", "dat_dir", "")), fs::absolute(dir / "db"));
  EXPECT_EQ(fs::path(f.value("Aliases", "TERAVOX", "")), fs::absolute(dir / "db"));
  for (const char* t : {"data_dict1", "data_dict2", "data_dict3", "data_dict4", "proc_run"})
    EXPECT_TRUE(admin->session().tableExists("TERAVOX", t)) << t;

  buildSites();
  const std::string before = snap();
  CreateResult again = HostAdmin::createDatabase(ini, "teravox", dir / "db");
  EXPECT_TRUE(again.createdTables.empty());
  EXPECT_EQ(again.keptTables.size(), 5u);
  EXPECT_EQ(snap(), before);

  // A second alias; the default stays the first one.
  HostAdmin::createDatabase(ini, "SCENARIOS", dir / "scen");
  EXPECT_EQ(IniFile::load(ini).value("Startup", "datab_name", ""), "TERAVOX");
  HostAdmin second(ini, "scenarios");
  EXPECT_TRUE(second.features().empty());

  const std::string iniBefore = readFile(ini);
  EXPECT_NE(errorOf([&] { HostAdmin::createDatabase(ini, "TERAVOX", dir / "elsewhere"); }).find("already names"),
            std::string::npos);
  EXPECT_NE(errorOf([&] { HostAdmin::createDatabase(ini, "bad alias", dir / "x"); }).find("may hold only"),
            std::string::npos);
  EXPECT_EQ(readFile(ini), iniBefore);
  EXPECT_FALSE(fs::exists(dir / "elsewhere"));

  EXPECT_EQ(errorOf([&] { HostAdmin(dir / "none.ini"); }), (dir / "none.ini").string() + ": no such ini file");
  EXPECT_NE(errorOf([&] { HostAdmin(ini, "NOPE"); }).find("no database alias 'NOPE'"), std::string::npos);
  writeFile(dir / "empty.ini", "[Aliases]\r\nEMPTY=" + (dir / "emptydir").string() + "\r\n");
  fs::create_directories(dir / "emptydir");
  EXPECT_NE(errorOf([&] { HostAdmin(dir / "empty.ini", "EMPTY"); }).find("holds no host database"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "emptydir" / kHostDatabaseFile));
}

TEST_F(HostAdminTest, DictionaryRowsAndSharedTables) {
  buildSites();
  EXPECT_EQ(admin->features().size(), 1u);
  EXPECT_EQ(admin->features()[0].code, 1);
  EXPECT_EQ(admin->features()[0].sourceTable, "rivers");
  EXPECT_EQ(admin->addFeature("Gauges", "Gauges.DB", "GaugeNo", "Station"), 2);
  admin->addSite("gauges", 7, "G1H020");
  EXPECT_EQ(admin->sites("Gauges")[0].name, "G1H020");

  EXPECT_EQ(natural, 3);
  AttributeInfo n = admin->attribute("Natural flows");
  AttributeInfo p = admin->attribute("present flows");
  EXPECT_EQ(n.table, "timeseries");
  EXPECT_EQ(p.table, "timeseries");
  EXPECT_EQ(n.tableCode, p.tableCode);
  EXPECT_NE(admin->attribute("Site name").tableCode, n.tableCode);
  HostTable d2(admin->session(), "TERAVOX", "data_dict2");
  d2.open();
  ASSERT_TRUE(d2.locate("Attribute Code", FieldValue(natural)));
  EXPECT_EQ(d2.field("Datatype").asText(), "3");

  // An ensemble attribute gets a table of its own, numbered when the name is taken.
  const int e1 = admin->addAttribute("River sites", "Flow Ensemble", kTimeseries);
  const int e2 = admin->addAttribute("River sites", "ensemble B", kTimeseries);
  EXPECT_EQ(admin->attribute(std::to_string(e1)).table, "timeseries-ensemble");
  EXPECT_EQ(admin->attribute(std::to_string(e2)).table, "timeseries-ensemble1");
  // Attributes of one name in two features need the feature.
  admin->addAttribute("Gauges", "Natural flows", kTimeseries);
  EXPECT_NE(errorOf([&] { admin->attribute("Natural flows"); }).find("name the feature"), std::string::npos);
  EXPECT_EQ(admin->attribute("Natural flows", "Gauges").featureCode, 2);
}

TEST_F(HostAdminTest, ValuesGetTheNextRecidAndAreUpdatedInPlace) {
  buildSites();
  WriteResult a = admin->setMonthlyFlows({"Natural flows", 1}, 2000, 10, {1, 2, 3});
  WriteResult b = admin->setMonthlyFlows({"Present flows", 1}, 2000, 10, {4, 5});
  WriteResult c = admin->setMonthlyFlows({"Natural flows", 2}, 2000, 10, {6});
  EXPECT_EQ(a.recid, 1);
  EXPECT_EQ(b.recid, 2);
  EXPECT_EQ(c.recid, 3);
  EXPECT_FALSE(c.updated);
  // Every dictionary row of the shared table agrees on Max. Rec.
  EXPECT_EQ(admin->attribute("Natural flows").maxRec, 3);
  EXPECT_EQ(admin->attribute("Present flows").maxRec, 3);
  WriteResult again = admin->setMonthlyFlows({"Natural flows", 1}, 1990, 1, {7, 8});
  EXPECT_TRUE(again.updated);
  EXPECT_EQ(again.recid, 1);
  EXPECT_EQ(admin->attribute("Natural flows").maxRec, 3);
  EXPECT_EQ(admin->valueCount(natural), 2);
  auto s = admin->readTimeSeries({"Natural flows", 1});
  ASSERT_TRUE(s);
  EXPECT_EQ(s->values, (std::vector<float>{7, 8}));
  EXPECT_EQ(s->header.startYear, 1990);
  EXPECT_EQ(s->header.endMonth, 2);
  EXPECT_FALSE(admin->readTimeSeries({"Present flows", 2}));

  // A Max. Rec that lags behind the table does not make a key clash.
  admin->session().connection("TERAVOX").exec("UPDATE data_dict3 SET \"Max. Rec\" = 0");
  EXPECT_EQ(admin->setMonthlyFlows({"Present flows", 2}, 2000, 10, {1}).recid, 4);
  EXPECT_EQ(admin->attribute("Natural flows").maxRec, 4);
}

TEST_F(HostAdminTest, TheModelReadsWhatWasWritten) {
  buildSites();
  admin->setText({"Site name", 1}, "Berg River at G1H020");
  admin->setMonthlyFlows({"Natural flows", 1}, 1966, 10, {9.36f, 1.82f, 2.11f}, "Natural flows", 294.0f);
  admin->setLink({"Natural flows link", 2}, {"Natural flows", 1});
  std::vector<int32_t> codes(kRequestSlotCount, 0);
  codes[3] = siteName;
  codes[10] = linked;
  const int rec1 = admin->addRequest("Lower Berg from upstream", "2024-05-01", "River sites", 2, codes);
  codes[10] = natural;
  const int rec2 = admin->addRequest("Upper Berg", "", "", 1, codes);
  EXPECT_EQ(rec1, 1);
  EXPECT_EQ(rec2, 2);

  auto requests = admin->requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].exe, "new_oewr.exe");
  EXPECT_EQ(requests[0].date, "2024-05-01");
  ASSERT_EQ(requests[0].attributeCodes.size(), static_cast<std::size_t>(kRequestSlotCount));
  EXPECT_EQ(requests[0].attributeCodes[10], linked);
  EXPECT_EQ(requests[1].attributeCodes, codes);
  EXPECT_EQ(requests[0].spatialInputs, std::vector<int32_t>{2});

  QuietUi ui;
  Ttxtab tx(admin->session(), "TERAVOX", ui);
  tx.rqtable.open();
  tx.rqtable.setRecNo(rec1);
  EXPECT_EQ(tx.rqtable.field("Attributes").asInteger(), kRequestSlotCount);
  SpatialList list;
  ASSERT_TRUE(tx.ReadSpatialOutputList(kRequestSlotCount, list, tx.rqtable.readBlob("Attribute List")));
  EXPECT_EQ(list[3], siteName);
  EXPECT_EQ(list[10], linked);
  tx.rqtable.close();

  auto state = makeModelState();
  for (int i = 0; i < kRequestSlotCount; ++i) state->site.attributeCodes[i] = list[i];
  state->site.requestSpatialRecord = 2;
  TimeSeries& flows = state->site.naturalFlows;
  ASSERT_TRUE(readSeriesFromSlot(*state, tx, 10, flows));
  EXPECT_EQ(state->site.spatialRecord, 1);  // followed the link to site 1
  EXPECT_EQ(flows.header.count, 3);
  EXPECT_EQ(flows.values[0], 9.36f);
  EXPECT_EQ(flows.values[2], 2.11f);
  EXPECT_EQ(flows.name, "Upper Berg Natural flows");
  EXPECT_EQ(flows.timeUnits, kMonthlyTimeUnits);
  EXPECT_EQ(flows.header.startYear, 1966);
  EXPECT_EQ(flows.header.startMonth, 10);
  EXPECT_EQ(flows.header.endYear, 1966);
  EXPECT_EQ(flows.header.endMonth, 12);
  EXPECT_EQ(flows.header.varType + 1, kVolumeVarType);
  EXPECT_EQ(flows.header.varUnit, kMillionM3VarUnit);
  EXPECT_EQ(flows.header.area, 294.0f);

  state->site.requestSpatialRecord = 1;
  auto rec = findSlotRecord(*state, tx, 3);
  ASSERT_TRUE(rec && rec->recordFound);
  EXPECT_EQ(tx.DTable.field("Text").asText(), "Berg River at G1H020");
  tx.DTable.close();
  // Export through the link gives the linked site's series.
  EXPECT_EQ(admin->exportValue({"Natural flows link", 2}),
            "year,month,value\n1966,10,9.360000\n1966,11,1.820000\n1966,12,2.110000\n");
}

TEST_F(HostAdminTest, ArrayRecordsKeepTheModelsLayouts) {
  buildSites();
  // Cross-section: Rows distances, then Rows elevations, each closed by -999.
  ArrayValue xs = arrayFromText(ArrayKind::CrossSection, "distance,elevation\n10,5.2\n12,3.1\n15,4.0\n", "xs.csv");
  EXPECT_EQ(xs.rows, 4);
  EXPECT_EQ(xs.columns, 2);
  EXPECT_EQ(xs.data, (std::vector<float>{10, 12, 15, -999, 5.2f, 3.1f, 4.0f, -999}));
  const int obs = admin->addAttribute("River sites", "Observed XS", kArray);
  admin->setArray({"Observed XS", 1}, xs);
  EXPECT_EQ(admin->exportValue({std::to_string(obs), 1}), "distance,elevation\n10,5.2\n12,3.1\n15,4\n");

  // Rating: 15 rows, a segment's row continuing with A, B, C, D after a 4th value above 0.
  ArrayValue r = arrayFromNumbers(ArrayKind::RatingSegments, {0.5f, 0.6f, 0.1f, 20, 0.4f, 0.5f, 0.2f, 300});
  EXPECT_EQ(r.data.size(), 15u * 4 + 2 * 4);
  auto segs = ratingSegmentsOf(r.data);
  ASSERT_EQ(segs.size(), 2u);
  EXPECT_EQ(segs[1].a, 0.4f);
  EXPECT_EQ(segs[1].d, 300.0f);
  EXPECT_NE(errorOf([] { arrayFromNumbers(ArrayKind::RatingSegments, {0.5f, 0.6f, 0.1f, 20, 0.4f, 0.5f, 0.2f, 10}); })
                .find("must be above the previous"),
            std::string::npos);

  // Parameters by name, in stored order; a wrong name is refused at its line.
  std::string text = "name,value\n";
  for (int p = 1; p <= SiteParameters::count; ++p) text += std::string(SiteParameters::nameAt(p)) + "," + std::to_string(p) + "\n";
  ArrayValue sp = arrayFromText(ArrayKind::SiteParameters, text, "sp.csv");
  EXPECT_EQ(sp.rows, 24);
  EXPECT_EQ(sp.format, kSiteParametersFormat);
  EXPECT_EQ(sp.data[5], 6.0f);
  admin->setArray({"Site parameters", 1}, sp);
  EXPECT_EQ(admin->exportValue({"Site parameters", 1}), text);
  EXPECT_EQ(errorOf([] { arrayFromText(ArrayKind::SiteParameters, "baseflowA,1\ngeoZone,2\n", "sp.csv"); }),
            "sp.csv, line 2, field 'geoZone': value 2 of site-parameters is 'baseflowB', not 'geoZone'");
  EXPECT_EQ(errorOf([] { arrayFromText(ArrayKind::EcologicalParameters, "15\n1\nx\n", "eco.txt"); }),
            "eco.txt, line 3, field 'alignStressOption': 'x' is not a number");
  EXPECT_NE(errorOf([] { arrayFromText(ArrayKind::EcologicalParameters, "15 1 0\n", "eco.txt"); })
                .find("take 27 values; the file holds 3 (the next missing is 'highShiftWetA')"),
            std::string::npos);

  // A table: rows of the file, stored column after column.
  ArrayValue t = arrayFromText(ArrayKind::Table, "1,2,3\n4,5,6\n", "t.csv");
  EXPECT_EQ(t.data, (std::vector<float>{1, 4, 2, 5, 3, 6}));
  EXPECT_EQ(arrayCsv(t), "1,2,3\n4,5,6\n");
}

TEST_F(HostAdminTest, BadInputChangesNothing) {
  buildSites();
  admin->setMonthlyFlows({"Natural flows", 1}, 2000, 10, {1, 2});
  const fs::path good = dir / "good.csv", gap = dir / "gap.csv", text = dir / "text.csv", na = dir / "na.csv",
                 dup = dir / "dup.csv";
  writeFile(good, "year,month,value\n2001,10,1\n2001,11,2\n");
  writeFile(gap, "2001,10,1\n2001,12,2\n");
  writeFile(text, "2001,10,1\n2001,11,one\n");
  writeFile(na, "2001,10,NA\n2001,11,2\n");
  writeFile(dup, "2001,10,1\n2001,10,2\n");
  const std::string before = snap();
  const std::string iniBefore = readFile(ini);
  const FlowCsvOptions o;
  const std::vector<std::pair<std::string, std::function<void()>>> cases = {
      {"gap", [&] { admin->importMonthlyFlows({"Natural flows", 1}, gap, o); }},
      {"text in a number column", [&] { admin->importMonthlyFlows({"Natural flows", 1}, text, o); }},
      {"NA refused", [&] { admin->importMonthlyFlows({"Natural flows", 1}, na, o); }},
      {"duplicated month", [&] { admin->importMonthlyFlows({"Natural flows", 1}, dup, o); }},
      {"missing file", [&] { admin->importMonthlyFlows({"Natural flows", 1}, dir / "absent.csv", o); }},
      {"site that does not exist", [&] { admin->importMonthlyFlows({"Natural flows", 9}, good, o); }},
      {"attribute that does not exist", [&] { admin->importMonthlyFlows({"Scenario flows", 1}, good, o); }},
      {"attribute of another data type", [&] { admin->importMonthlyFlows({"Site name", 1}, good, o); }},
      {"text of another type", [&] { admin->setText({"Natural flows", 1}, "x"); }},
      {"text too long", [&] { admin->setText({"Site name", 1}, std::string(81, 'x')); }},
      {"link to a link", [&] { admin->setLink({"Natural flows link", 2}, {"Natural flows link", 1}); }},
      {"link to a missing site", [&] { admin->setLink({"Natural flows link", 2}, {"Natural flows", 5}); }},
      {"duplicate site", [&] { admin->addSite("River sites", 2, "Again"); }},
      {"site of a missing feature", [&] { admin->addSite("Lakes", 3, "Lake"); }},
      {"duplicate feature", [&] { admin->addFeature("river sites", "rivers2"); }},
      {"feature on a dictionary table", [&] { admin->addFeature("Odd", "data_dict2"); }},
      {"duplicate attribute", [&] { admin->addAttribute("River sites", "NATURAL FLOWS", kTimeseries); }},
      {"attribute into a table of another type",
       [&] { admin->addAttribute("River sites", "Params2", kArray, "timeseries"); }},
      {"unknown data type", [&] { admin->addAttribute("River sites", "Odd", 8); }},
      {"request slot of the wrong type",
       [&] {
         std::vector<int32_t> c(kRequestSlotCount, 0);
         c[10] = siteName;
         admin->addRequest("Bad", "", "River sites", 1, c);
       }},
      {"request for a missing site",
       [&] { admin->addRequest("Bad", "", "River sites", 3, std::vector<int32_t>(kRequestSlotCount, 0)); }},
      {"request with a bad date",
       [&] { admin->addRequest("Bad", "2001-02-30", "River sites", 1, std::vector<int32_t>(kRequestSlotCount, 0)); }},
      {"request description too long",
       [&] { admin->addRequest(std::string(41, 'd'), "", "River sites", 1, std::vector<int32_t>(kRequestSlotCount, 0)); }},
      {"array too long a title",
       [&] {
         ArrayValue a = arrayFromNumbers(ArrayKind::Table, {1}, 1, 1);
         a.title = std::string(81, 't');
         admin->setArray({"Site parameters", 1}, a);
       }},
  };
  for (const auto& [what, action] : cases) {
    const std::string message = errorOf(action);
    EXPECT_FALSE(message.empty()) << what << " was accepted";
    EXPECT_EQ(snap(), before) << what << " changed the database: " << message;
  }
  EXPECT_EQ(readFile(ini), iniBefore);
  EXPECT_EQ(errorOf(cases[0].second), gap.string() +
                                          ", line 2, field 'month': gap in the record: 2001-11 missing between line 1 "
                                          "(2001-10) and this line (2001-12)");
  EXPECT_EQ(errorOf(cases[5].second), "No site 9 in feature 'River sites' (table 'rivers')");
  EXPECT_EQ(errorOf(cases[7].second), "Attribute 'Site name' holds text values, not timeseries values");
}

TEST_F(HostAdminTest, ExportRefusesRecordsThatDoNotFitTheirHeader) {
  buildSites();
  admin->setMonthlyFlows({"Natural flows", 1}, 2000, 10, {1, 2, 3});
  Connection& db = admin->session().connection("TERAVOX");
  db.exec("UPDATE timeseries SET \"No. Records\" = 4");
  EXPECT_EQ(errorOf([&] { admin->exportValue({"Natural flows", 1}); }),
            "table 'timeseries', record RECID 1 (attribute 'Natural flows' (code 3), site 1), field 'Data': 12 bytes "
            "where 'No. Records' 4 needs 16");
  db.exec("UPDATE timeseries SET \"No. Records\" = 3, \"Data\" = X'0000803F0000'");
  EXPECT_NE(errorOf([&] { admin->exportValue({"Natural flows", 1}); }).find("6 bytes where 'No. Records' 3 needs 12"),
            std::string::npos);

  admin->setArray({"Site parameters", 1}, arrayFromNumbers(ArrayKind::Table, {1, 2, 3, 4}, 2, 2));
  db.exec("UPDATE array SET \"Rows\" = 3");
  EXPECT_EQ(errorOf([&] { admin->exportValue({"Site parameters", 1}); }),
            "table 'array', record RECID 1 (attribute 'Site parameters' (code 2), site 1), field 'Data': 'Rows' 3 x "
            "'Columns' 2 make 6 values but the data hold 4");
  db.exec("DELETE FROM array");
  EXPECT_NE(errorOf([&] { admin->exportValue({"Site parameters", 1}); }).find("has no record RECID 1"),
            std::string::npos);
  EXPECT_EQ(errorOf([&] { admin->exportValue({"Present flows", 1}); }),
            "No value of attribute 'Present flows' (code 4), site 1");
}

TEST_F(HostAdminTest, MemoTextAndNumbersRoundTrip) {
  buildSites();
  const std::string memo = "Line one\r\nLine two\r\n";
  admin->setMemo({"Report", 1}, {"MEOR Report", "2020-01-31", memo});
  auto m = admin->readMemo({"Report", 1});
  ASSERT_TRUE(m);
  EXPECT_EQ(m->text, memo);
  EXPECT_EQ(m->date, "2020-01-31");
  EXPECT_EQ(admin->exportValue({"Report", 1}), memo);
  admin->addAttribute("River sites", "Gauge count", kSingleInt);
  admin->addAttribute("River sites", "Slope", kSingleReal);
  admin->setInteger({"Gauge count", 1}, 3);
  admin->setReal({"Slope", 1}, 0.005f);
  EXPECT_EQ(admin->exportValue({"Gauge count", 1}), "3\n");
  EXPECT_EQ(admin->exportValue({"Slope", 1}), "0.005\n");
}

TEST_F(HostAdminTest, EveryArrayKindExportsAsItReadsBack) {
  buildSites();
  std::vector<float> eco(27), flood(25);
  for (std::size_t i = 0; i < eco.size(); ++i) eco[i] = 0.1f * static_cast<float>(i) + 1.0f;
  for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<float>(i % 5) + 0.5f;
  const std::vector<std::pair<ArrayKind, ArrayValue>> samples = {
      {ArrayKind::EcologicalParameters, ecologicalParametersArray(eco)},
      {ArrayKind::FloodParameters, floodParametersArray(flood)},
      {ArrayKind::CrossSection, crossSectionArray({0, 1.5f, 3}, {2, -0.25f, 2.125f})},
      {ArrayKind::RatingSegments, ratingSegmentsArray({{0.5f, 0.6f, 0.1f, 20}, {0.45f, 0.55f, 0.12f, 1e-3f + 400}})},
      {ArrayKind::Table, arrayFromNumbers(ArrayKind::Table, {1, 2, 3, 4, 5, 6.75f}, 3, 2)},
  };
  for (const auto& [kind, value] : samples) {
    admin->setArray({"Site parameters", 1}, value);
    const std::string text = admin->exportValue({"Site parameters", 1});
    ArrayValue back = arrayFromText(kind, text, "export");
    EXPECT_EQ(back.data, value.data) << arrayKindName(kind) << ":\n" << text;
    EXPECT_EQ(back.rows, value.rows) << arrayKindName(kind);
  }
  // The model's own ecological record states 23 rows for its 27 values; it exports all the same.
  ArrayValue modelEco = ecologicalParametersArray(eco);
  modelEco.rows = 23;
  admin->setArray({"Site parameters", 1}, modelEco);
  EXPECT_EQ(arrayFromText(ArrayKind::EcologicalParameters, admin->exportValue({"Site parameters", 1}), "e").data, eco);
}

TEST_F(HostAdminTest, ALockedDatabaseIsAnErrorAfterTheWaitAndChangesNothing) {
  buildSites();
  const std::string before = snap();
  int calls = 0;
  HostAdmin waiting(ini, "", [&](const std::string&, int waitedMs) {
    ++calls;
    return waitedMs < 500;
  });
  Connection other((dir / "db" / kHostDatabaseFile).string());
  other.begin();  // another program holds the write lock
  const std::string message = errorOf([&] { waiting.addSite("River sites", 3, "Third"); });
  other.rollback();
  EXPECT_NE(message.find("locked by another program"), std::string::npos) << message;
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(snap(), before);
  waiting.addSite("River sites", 3, "Third");
  EXPECT_EQ(waiting.sites("River sites").size(), 3u);
}
