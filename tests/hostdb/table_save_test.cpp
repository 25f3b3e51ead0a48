#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "hostdb/blob_codec.h"
#include "hostdb/table_save.h"
#include "hostdb/timeseries_codec.h"
#include "host_fixture.h"

using namespace oewr;
using namespace oewr::hostdb;
using oewr::testing::HostFixture;
using oewr::testing::kAlias;

namespace {

constexpr const char* kEcoTitle = "OEWR Ecological (Orvane EWR model)";

void setEcology(ModelState& s) {
  s.site.maxBaseflowExceedence = 15;
  s.site.perennialOption = 1;
  s.site.alignStressOption = 3;
  for (int season = 0; season < 2; ++season)
    for (int c = 0; c < kCategoryCount; ++c) {
      s.site.highShift[season][c] = static_cast<float>(10 * (season * 7 + c + 1));
      s.site.lowShift[season][c] = static_cast<float>(10 * (season * 7 + c + 1)) + 0.5f;
    }
  s.site.stressAtZeroFs[0] = 1.5f;
  s.site.fsWeight[0] = 2.0f;
  s.site.fiWeight[0] = 1.0f;
  s.site.fdWeight[0] = 0.5f;
  s.site.stressAtZeroFs[1] = 2.5f;
  s.site.fsWeight[1] = 3.0f;
  s.site.fiWeight[1] = 1.0f;
  s.site.fdWeight[1] = 0.25f;
}

// The stored order: exceedence, options, high shifts wet A B C D dry A B C D,
// low shifts the same, then the four weights of the wet and of the dry season.
const std::vector<float> kEcoStored = {15,  1,    3,    10,   30,   50,   70,   80,  100, 120, 140, 10.5f, 30.5f, 50.5f,
                                       70.5f, 80.5f, 100.5f, 120.5f, 140.5f, 1.5f, 2,   1,   0.5f, 2.5f, 3,   1,   0.25f};

// Attribute 50 ("Ecological parameters", array) in slot 5 of site 100.
void ecologySlot(HostFixture& f) {
  f.addAttribute(50, "Ecological parameters", kArray);
  f.state->site.attributeCodes[kEcologicalSlot] = 50;
  setEcology(*f.state);
}

std::vector<std::string> listOf(std::initializer_list<const char*> items) {
  return std::vector<std::string>(items.begin(), items.end());
}

}  // namespace

TEST(TableSave, EcologicalParametersAreStoredInTheOrderInputLoadingReadsThem) {
  auto s = makeModelState();
  setEcology(*s);
  EXPECT_EQ(ecologicalParameterValues(*s), kEcoStored);
}

TEST(TableSave, ExistingStorageEntryIsUpdatedInPlaceWithoutTheDialog) {
  HostFixture f;
  ecologySlot(f);
  f.makeTable("array", kArray);
  f.addStorage(50, 1, "array", 1);
  f.addLink(50, 100, 1);
  f.addArrayRecord("array", 1, "old", {1.0f, 2.0f});

  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.dialogsShown, 0);
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_EQ(f.rowCount("array"), 1);
  EXPECT_EQ(f.fieldOf("array", {1}, "Title").asText(), kEcoTitle);
  EXPECT_EQ(f.fieldOf("array", {1}, "Date").asText(), todayText());
  EXPECT_EQ(f.fieldOf("array", {1}, "Rows").asInteger(), 23);
  EXPECT_EQ(f.fieldOf("array", {1}, "Columns").asInteger(), 1);
  EXPECT_EQ(f.fieldOf("array", {1}, "Format").asText(), "OEWR_Ecological_parameters.txp");
  EXPECT_EQ(f.dataOf("array", 1), kEcoStored);
  EXPECT_EQ(f.maxRecOf(50), 1);
  EXPECT_EQ(f.tableRecordOf(50, 100), 1);
  EXPECT_FALSE(f.tx->DTable.active());
  EXPECT_FALSE(f.tx->ddt3.active());
}

TEST(TableSave, SecondSiteAppendsTheNextRecidAndRaisesMaxRecOfTheWholeTable) {
  HostFixture f;
  ecologySlot(f);
  f.addAttribute(51, "Other ecological parameters", kArray);
  f.makeTable("array", kArray);
  f.addStorage(50, 1, "array", 1);
  f.addStorage(51, 1, "array", 1);  // shares the table
  f.addLink(50, 100, 1);
  f.addArrayRecord("array", 1, "site 100", {1.0f});
  f.state->site.requestSpatialRecord = 101;

  // The caller has the dictionary open, as input loading leaves it.
  f.tx->ddt3.open();
  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.dialogsShown, 0);
  EXPECT_EQ(f.rowCount("array"), 2);
  EXPECT_EQ(f.dataOf("array", 2), kEcoStored);
  EXPECT_EQ(f.dataOf("array", 1), std::vector<float>{1.0f});
  EXPECT_EQ(f.tableRecordOf(50, 101), 2);
  EXPECT_EQ(f.tableRecordOf(50, 100), 1);
  EXPECT_EQ(f.maxRecOf(50), 2);
  EXPECT_EQ(f.maxRecOf(51), 2);
  EXPECT_TRUE(f.tx->ddt3.active());
  EXPECT_EQ(f.tx->ddt3.recordCount(), 2);
}

TEST(TableSave, NewRecidIsAboveEveryRecordInUseWhateverMaxRecSays) {
  HostFixture f;
  ecologySlot(f);
  f.makeTable("array", kArray);
  f.addStorage(50, 1, "array", 1);  // the host wrote records 2 and 3 without raising Max. Rec
  f.addArrayRecord("array", 1, "a", {1.0f});
  f.addArrayRecord("array", 3, "c", {3.0f});
  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.tableRecordOf(50, 100), 4);
  EXPECT_EQ(f.dataOf("array", 3), std::vector<float>{3.0f});
  EXPECT_EQ(f.maxRecOf(50), 4);
}

TEST(TableSave, ADictionaryRowNamingAMissingRecordGetsThatRecordMade) {
  HostFixture f;
  ecologySlot(f);
  f.makeTable("array", kArray);
  f.addStorage(50, 1, "array", 2);
  f.addLink(50, 100, 2);
  f.addArrayRecord("array", 1, "another site", {9.0f});
  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.dataOf("array", 1), std::vector<float>{9.0f});  // not overwritten
  EXPECT_EQ(f.dataOf("array", 2), kEcoStored);
  EXPECT_EQ(f.tableRecordOf(50, 100), 2);
}

TEST(TableSave, ExactlyOneEligibleTableIsUsedWithoutTheDialog) {
  HostFixture f;
  oewr::testing::TempDir otherDir;
  f.session.addAlias("OTHER", otherDir.path().string());
  f.addAttribute(50, "Ecological parameters", kArray);
  f.addAttribute(52, "Flood parameters", kArray);
  f.addAttribute(53, "Remote parameters", kArray);
  f.addAttribute(54, "Natural flows", kTimeseries);
  f.makeTable("array", kArray);
  f.makeTable("timeseries", kTimeseries);
  f.makeTable("array", kArray, "OTHER");
  f.addStorage(50, 1, "array", 3);
  f.addStorage(53, 2, "array", 0, "OTHER");   // another alias: not offered
  f.addStorage(54, 3, "timeseries", 0);       // another data type: not offered
  for (int r = 1; r <= 3; ++r) f.addArrayRecord("array", r, "site", {static_cast<float>(r)});
  f.state->site.attributeCodes[6] = 52;

  EXPECT_TRUE(saveArrayAttribute(*f.state, *f.tx, f.dialog, 6, "Flood", 2, 1, "OEWR_flood.txp", {4.0f, 5.0f}));
  EXPECT_EQ(f.dialogsShown, 0);
  EXPECT_EQ(f.fieldOf(kDict3, {52}, "Table Code").asInteger(), 1);
  EXPECT_EQ(f.fieldOf(kDict3, {52}, "Table Name").asText(), "array");
  EXPECT_EQ(f.fieldOf(kDict3, {52}, "Database Alias").asText(), kAlias);
  EXPECT_EQ(f.tableRecordOf(52, 100), 4);
  EXPECT_EQ(f.dataOf("array", 4), (std::vector<float>{4.0f, 5.0f}));
  EXPECT_EQ(f.maxRecOf(50), 4);
  EXPECT_EQ(f.maxRecOf(52), 4);
  EXPECT_EQ(f.rowCount("array", "OTHER"), 0);
}

TEST(TableSave, EnsembleAttributesAlwaysGetATableOfTheirOwn) {
  HostFixture f;
  f.addAttribute(61, "Natural flows", kTimeseries);
  f.addAttribute(60, "Flow ENSEMBLE 1", kTimeseries);
  f.addAttribute(62, "the ensemble of runs", kTimeseries);
  f.makeTable("timeseries", kTimeseries);
  f.makeTable("timeseries-ensemble", kTimeseries);  // exists, not in the dictionary
  f.addStorage(61, 4, "timeseries", 0);             // one eligible table: still not used
  TimeSeriesHeader& h = f.state->site.naturalFlows.header;
  h.startYear = 1920;
  h.startMonth = 10;
  h.startDay = 1;
  h.endYear = 1921;
  h.endMonth = 9;
  h.endDay = 1;
  h.count = 12;
  h.timeUnit = 3;
  h.varType = 2;
  h.varUnit = 4;
  h.dataId = "Natural";
  f.state->site.attributeCodes[14] = 60;
  f.state->site.attributeCodes[15] = 62;

  // A series holds as many values as the natural header's 12 records.
  const std::vector<float> twelve = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  EXPECT_TRUE(saveEwrSeries(*f.state, *f.tx, f.dialog, 14, "Total Flow EWR for " + std::string(30, 'X'), twelve));
  EXPECT_TRUE(saveEwrSeries(*f.state, *f.tx, f.dialog, 15, "Low Flow EWR for A", twelve));
  EXPECT_EQ(f.dialogsShown, 0);
  EXPECT_EQ(f.fieldOf(kDict3, {60}, "Table Name").asText(), "timeseries-ensemble1");
  EXPECT_EQ(f.fieldOf(kDict3, {60}, "Table Code").asInteger(), 5);
  EXPECT_EQ(f.fieldOf(kDict3, {62}, "Table Name").asText(), "timeseries-ensemble2");
  EXPECT_EQ(f.fieldOf(kDict3, {62}, "Table Code").asInteger(), 6);
  EXPECT_EQ(f.rowCount("timeseries"), 0);

  // The series reads back with the natural header, its own title and values.
  f.state->site.attributeCodes[16] = 60;
  TimeSeries& back = f.state->site.presentFlows;
  ASSERT_TRUE(readSeriesFromSlot(*f.state, *f.tx, 16, back));
  EXPECT_EQ(back.header.geogId, ("Total Flow EWR for " + std::string(30, 'X')).substr(0, 41));
  EXPECT_EQ(back.header.dataId, "Natural");
  EXPECT_EQ(back.header.count, 12);
  EXPECT_EQ(back.header.startYear, 1920);
  EXPECT_EQ(back.timeUnits, 4);
  EXPECT_EQ(back.values[2], 3.0f);
}

TEST(TableSave, RecordsAreDatedWithTheUsersLocalDate) {
  HostFixture f;
  ecologySlot(f);
  f.makeTable("array", kArray);
  f.addStorage(50, 1, "array", 0);
  const char* before = std::getenv("TZ");
  const std::string saved = before ? before : "";
  // Fourteen hours east and twelve hours west of UTC: at every hour of the
  // day one of the two is on another date than UTC.
  for (const auto& [zone, hours] : {std::pair{"EST-14", 14}, std::pair{"WST+12", -12}}) {
    setenv("TZ", zone, 1);
    tzset();
    auto localDate = [hours = hours] {
      const auto now = std::chrono::system_clock::now() + std::chrono::hours(hours);
      const std::chrono::year_month_day d{std::chrono::floor<std::chrono::days>(now)};
      char text[16];
      std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(d.year()),
                    static_cast<unsigned>(d.month()), static_cast<unsigned>(d.day()));
      return std::string(text);
    };
    const std::string earliest = localDate();
    ASSERT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
    const std::string latest = localDate();
    const std::string stored = f.fieldOf("array", {1}, "Date").asText();
    EXPECT_TRUE(stored == earliest || stored == latest) << zone << ": " << stored << ", local " << earliest;
  }
  if (before) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

TEST(TableSave, WithoutAnEligibleTableANewOneIsNamedAfterTheDataType) {
  HostFixture f;
  ecologySlot(f);
  f.addAttribute(70, "Site name", kText);
  f.makeTable("array", kText);  // a table of that name exists already
  f.makeTable("text", kText);
  f.addStorage(70, 5, "text", 0);
  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.dialogsShown, 0);
  EXPECT_EQ(f.fieldOf(kDict3, {50}, "Table Name").asText(), "array1");
  EXPECT_EQ(f.fieldOf(kDict3, {50}, "Table Code").asInteger(), 6);
  EXPECT_EQ(f.maxRecOf(50), 1);
  EXPECT_EQ(f.dataOf("array1", 1), kEcoStored);
  EXPECT_EQ(f.session.tableDef(kAlias, "array1").fields.size(), attributeTableDef(kArray).fields.size());
}

class TableSaveDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ecologySlot(f);
    f.addAttribute(51, "Hydraulic parameters", kArray);
    f.addAttribute(52, "Flood parameters", kArray);
    f.makeTable("array", kArray);
    f.makeTable("array1", kArray);
    f.addStorage(51, 1, "array", 0);
    f.addStorage(52, 2, "array1", 0);
    before = f.dump();
  }
  // Runs `script` on the dialog when it is shown; returns its modal result.
  void onDialog(std::function<void(Ttable_save&)> script) {
    f.ui.onTableSave = [this, script](Ttable_save& d) {
      ++f.dialogsShown;
      EXPECT_EQ(d.Caption, "Saving Data to a Table");
      EXPECT_EQ(d.ListBox1Items, listOf({"TERAVOX, array", "TERAVOX, array1"}));
      EXPECT_EQ(d.ListBox2Items, listOf({"TERAVOX"}));
      EXPECT_FALSE(d.Edit1Enabled);
      EXPECT_FALSE(d.OKBtnEnabled);
      EXPECT_TRUE(d.Edit1Text.empty());
      script(d);
      return d.modalResult;
    };
  }
  HostFixture f;
  std::string before;
};

TEST_F(TableSaveDialog, CancelSavesNothing) {
  onDialog([](Ttable_save& d) { d.CancelBtnClick(); });
  EXPECT_FALSE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.dialogsShown, 1);
  EXPECT_EQ(f.dump(), before);
}

TEST_F(TableSaveDialog, ASelectedExistingTableReceivesTheRecord) {
  onDialog([](Ttable_save& d) {
    d.ListBox1ItemIndex = 1;
    d.ListBox1Click();
    EXPECT_TRUE(d.OKBtnEnabled);
    d.OKBtnClick();
  });
  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.fieldOf(kDict3, {50}, "Table Name").asText(), "array1");
  EXPECT_EQ(f.fieldOf(kDict3, {50}, "Table Code").asInteger(), 2);
  EXPECT_EQ(f.dataOf("array1", 1), kEcoStored);
  EXPECT_EQ(f.maxRecOf(52), 1);
  EXPECT_EQ(f.rowCount("array"), 0);
}

TEST_F(TableSaveDialog, ATypedNameThatExistsCancelsTheSave) {
  onDialog([](Ttable_save& d) {
    d.ListBox2ItemIndex = 0;
    d.ListBox2Click();
    EXPECT_TRUE(d.Edit1Enabled);
    d.Edit1Text = "Array1.db";
    d.Edit1Change();
    EXPECT_TRUE(d.OKBtnEnabled);
    d.OKBtnClick();
    EXPECT_EQ(d.modalResult, mrCancel);
  });
  EXPECT_FALSE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, "Table already exists, cancelling data save");
  EXPECT_EQ(f.ui.messages[0].caption, "Saving Data to a Table");
  EXPECT_EQ(f.dump(), before);
}

TEST_F(TableSaveDialog, ATypedNewNameMakesANewTable) {
  onDialog([](Ttable_save& d) {
    d.ListBox1ItemIndex = 0;  // first picked a table, then named a new one
    d.ListBox1Click();
    d.ListBox2ItemIndex = 0;
    d.ListBox2Click();
    d.Edit1Text = " Results_2 ";
    d.Edit1Change();
    d.OKBtnClick();
  });
  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_EQ(f.fieldOf(kDict3, {50}, "Table Name").asText(), "results_2");
  EXPECT_EQ(f.fieldOf(kDict3, {50}, "Table Code").asInteger(), 3);
  EXPECT_EQ(f.dataOf("results_2", 1), kEcoStored);
}

TEST_F(TableSaveDialog, InvalidNewNamesAreRefusedBeforeTheyReachTheDatabase) {
  onDialog([](Ttable_save& d) {
    d.ListBox2ItemIndex = 0;
    d.ListBox2Click();
    for (const char* typed : {"bad name", "../evil", "x\";DROP TABLE data_dict3;--", "sqlite_master"}) {
      d.Edit1Text = typed;
      d.Edit1Change();
      d.OKBtnClick();
      EXPECT_EQ(d.modalResult, mrNone) << typed;  // the dialog stays open
    }
    d.CancelBtnClick();
  });
  EXPECT_FALSE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  ASSERT_EQ(f.ui.messages.size(), 4u);
  EXPECT_EQ(f.ui.messages[0].text,
            "'bad name' is not a valid table name: use 1 to 30 letters, digits, '_' or '-', starting with a letter "
            "or digit (no path, no quotes)");
  EXPECT_NE(f.ui.messages[1].text.find("'../evil'"), std::string::npos);
  EXPECT_EQ(f.dump(), before);
}

TEST(TableSaveForm, HandlersEnableTheControlsAsTheUserGoes) {
  Ttable_save d;
  d.ListBox1Items = {"TERAVOX, array"};
  d.ListBox2Items = {"TERAVOX"};
  d.OKBtnClick();  // nothing chosen yet
  EXPECT_EQ(d.modalResult, mrNone);
  d.ListBox2ItemIndex = 0;
  d.ListBox2Click();
  d.Edit1Text = "abc";
  d.Edit1Change();
  EXPECT_TRUE(d.OKBtnEnabled);
  d.Edit1Text = "";
  d.Edit1Change();
  EXPECT_FALSE(d.OKBtnEnabled);  // an emptied name leaves nothing to save to
  d.Edit1Text = "abc";
  d.ListBox1ItemIndex = 0;
  d.ListBox1Click();
  EXPECT_TRUE(d.Edit1Text.empty());
  EXPECT_TRUE(d.OKBtnEnabled);
  d.OKBtnClick();
  EXPECT_EQ(d.modalResult, mrOK);
  EXPECT_FALSE(d.newTableTyped());
  d.clear();
  EXPECT_TRUE(d.ListBox1Items.empty());
  EXPECT_FALSE(d.Edit1Enabled);
  EXPECT_EQ(d.modalResult, mrNone);
}

TEST(TableSave, SizeLimitOfAnOfferedTable) {
  EXPECT_TRUE(withinTableSizeLimit(0));
  EXPECT_TRUE(withinTableSizeLimit(1258291200));
  EXPECT_FALSE(withinTableSizeLimit(1258291201));
}

TEST(TableSave, CreatingATableThatExistsAsksBeforeOverwriting) {
  HostFixture f;
  f.makeTable("mytab", kArray);
  f.addArrayRecord("mytab", 1, "keep me", {1.0f});

  f.ui.answers = {false};
  EXPECT_TRUE(createAttributeTable(*f.tx, kArray, kAlias, "MyTab.DB"));
  ASSERT_EQ(f.ui.questions.size(), 1u);
  EXPECT_EQ(f.ui.questions[0], "Overwrite existing table? (not undoable)");
  EXPECT_EQ(f.rowCount("mytab"), 1);

  f.ui.answers = {true};
  EXPECT_TRUE(createAttributeTable(*f.tx, kMemo, kAlias, "mytab"));
  EXPECT_EQ(f.ui.questions.size(), 2u);
  EXPECT_EQ(f.rowCount("mytab"), 0);
  EXPECT_TRUE(f.session.tableDef(kAlias, "mytab").fields.back().type == FieldType::Memo);

  EXPECT_TRUE(createAttributeTable(*f.tx, kArray, kAlias, "fresh"));
  EXPECT_EQ(f.ui.questions.size(), 2u);  // a new table asks nothing
  EXPECT_TRUE(f.session.tableExists(kAlias, "fresh"));
  EXPECT_THROW(createAttributeTable(*f.tx, kArray, kAlias, "no good"), ModelError);
}

TEST(TableSave, AnEngineFailureToCreateTheTableSavesNothing) {
  HostFixture f;
  ecologySlot(f);
  // Something that is no table holds the name the new table would get.
  f.session.connection(kAlias).exec("CREATE VIEW \"array\" AS SELECT 1 AS x");
  const std::string before = f.dump();
  EXPECT_FALSE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, "Could not create new database table");
  EXPECT_EQ(f.dump(), before);
}

TEST(TableSave, AttributesThatCannotTakeTheRecordAreReported) {
  HostFixture f;
  f.addAttribute(50, "Natural flows", kTimeseries);
  f.state->site.attributeCodes[kEcologicalSlot] = 50;
  const std::string before = f.dump();
  EXPECT_FALSE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text,
            "The output attribute 50 of slot 5 holds timeseries data, not array data; nothing was saved");

  f.state->site.attributeCodes[kEcologicalSlot] = 99;
  EXPECT_FALSE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.ui.messages.back().text,
            "The output attribute 99 of slot 5 is not in the data dictionary (data_dict2); nothing was saved");
  // A request that names no attribute for the slot saves nothing, quietly.
  const std::size_t shown = f.ui.messages.size();
  f.state->site.attributeCodes[kEcologicalSlot] = 0;
  EXPECT_FALSE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.ui.messages.size(), shown);
  EXPECT_EQ(f.dump(), before);
}

TEST(TableSave, ALinkedOutputAttributeIsWrittenForTheSiteItNames) {
  HostFixture f;
  setEcology(*f.state);
  f.addAttribute(40, "Ecological link", kLinked);
  f.addAttribute(50, "Ecological parameters", kArray);
  f.makeTable("linked", kLinked);
  f.makeTable("array", kArray);
  f.addStorage(40, 1, "linked", 1);
  f.addStorage(50, 2, "array", 0);
  f.addLink(40, 100, 1);
  f.insert("linked", {{"RECID", 1}, {"Feature", 1}, {"Attribute", 50}, {"Type", kArray}, {"Sp. Record", 200}});
  f.state->site.attributeCodes[kEcologicalSlot] = 40;
  EXPECT_TRUE(saveEcologicalParameters(*f.state, *f.tx, f.dialog));
  EXPECT_EQ(f.state->site.spatialRecord, 200);
  EXPECT_EQ(f.tableRecordOf(50, 200), 1);
  EXPECT_EQ(f.dataOf("array", 1), kEcoStored);
  EXPECT_EQ(f.rowCount(kDict4), 2);  // the link row and the new one
}

TEST(TableSave, MemoRecordsHoldTitleDateAndText) {
  HostFixture f;
  f.addAttribute(17, "EWR report", kMemo);
  f.state->site.attributeCodes[17] = 17;
  const std::string report = "EWR report\r\nline 2 with \"quotes\" and ';'\r\n";
  EXPECT_TRUE(saveMemoAttribute(*f.state, *f.tx, f.dialog, 17, "Orvane EWR report", report));
  EXPECT_EQ(f.fieldOf(kDict3, {17}, "Table Name").asText(), "memo");
  EXPECT_EQ(f.fieldOf("memo", {1}, "Memo").asText(), report);
  EXPECT_EQ(f.fieldOf("memo", {1}, "Title").asText(), "Orvane EWR report");
  EXPECT_EQ(f.fieldOf("memo", {1}, "Date").asText(), todayText());
}
