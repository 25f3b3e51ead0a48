#include <gtest/gtest.h>
#include <sqlite3.h>

#include "hostdb/blob_codec.h"
#include "hostdb/host_tables.h"
#include "host_fixture.h"

using namespace oewr;
using namespace oewr::hostdb;
using oewr::testing::HostFixture;
using oewr::testing::kAlias;

TEST(Txtab, ReadSpatialOutputListTakesTheEntrySizeFromTheStream) {
  HostFixture f;
  SpatialList list;
  EXPECT_TRUE(f.tx->ReadSpatialOutputList(3, list, int32sToBlob({5, -1, 70000})));
  EXPECT_EQ(list[0], 5);
  EXPECT_EQ(list[1], -1);
  EXPECT_EQ(list[2], 70000);

  BlobWriter w16;
  for (int16_t v : {int16_t{12}, int16_t{-2}, int16_t{300}}) w16.writeInt16(v);
  EXPECT_TRUE(f.tx->ReadSpatialOutputList(3, list, w16.bytes()));
  EXPECT_EQ(list[0], 12);
  EXPECT_EQ(list[1], -2);  // widened with its sign
  EXPECT_EQ(list[2], 300);

  list.fill(42);
  EXPECT_FALSE(f.tx->ReadSpatialOutputList(3, list, Blob(10, 0xFF)));
  EXPECT_EQ(list[0], 42);  // nothing read
  EXPECT_TRUE(f.ui.messages.empty());
}

TEST(Txtab, ReadSpatialOutputListRefusesMoreThan200Entries) {
  HostFixture f;
  SpatialList list;
  std::vector<int32_t> full(200);
  for (int i = 0; i < 200; ++i) full[static_cast<std::size_t>(i)] = i + 1;
  EXPECT_TRUE(f.tx->ReadSpatialOutputList(200, list, int32sToBlob(full)));
  EXPECT_EQ(list[199], 200);
  EXPECT_TRUE(f.ui.messages.empty());

  full.push_back(201);
  EXPECT_FALSE(f.tx->ReadSpatialOutputList(201, list, int32sToBlob(full)));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, "ERROR: txtab.ReadSpatialOutputList nsub greater than array size");
  EXPECT_EQ(f.ui.messages[0].caption, "Table Definitions");
}

TEST(Txtab, LookupsOnEmptyAndFilledDictionaries) {
  HostFixture f;
  EXPECT_EQ(f.tx->ddt1RecMax(), 0);
  EXPECT_EQ(f.tx->ddt2MaxAttrib(), 0);
  EXPECT_EQ(f.tx->ddt3MaxCode(), 0);
  EXPECT_FALSE(f.tx->ddt1ByName("River sites"));
  EXPECT_FALSE(f.tx->ddt1.active());  // a lookup restores the closed state

  f.insert(kDict1, {{"Feature Code", 3}, {"Feature Name", "River sites"}});
  f.insert(kDict1, {{"Feature Code", 7}, {"Feature Name", "Dams"}});
  f.addAttribute(12, "Site name", kText, 3);
  f.addStorage(12, 4, "text", 0);
  EXPECT_EQ(f.tx->ddt1RecMax(), 7);
  EXPECT_TRUE(f.tx->ddt1ByName("River sites"));
  EXPECT_FALSE(f.tx->ddt1ByName("River"));
  EXPECT_TRUE(f.tx->ddt2ByACodeFcode(12, 3));
  EXPECT_FALSE(f.tx->ddt2ByACodeFcode(12, 7));
  EXPECT_TRUE(f.tx->ddt2ByAName("Site name"));
  EXPECT_EQ(f.tx->ddt2MaxAttrib(), 12);
  EXPECT_EQ(f.tx->ddt3MaxCode(), 4);

  // An open table is left on the record found.
  f.tx->ddt1.open();
  EXPECT_TRUE(f.tx->ddt1ByName("Dams"));
  EXPECT_TRUE(f.tx->ddt1.active());
  EXPECT_EQ(f.tx->ddt1.field("Feature Code").asInteger(), 7);
}

TEST(Txtab, LinkedSiteAttributeIsReadFromTheOtherSite) {
  HostFixture f;
  // Slot 3 of site 100 is linked to attribute 31 of site 200.
  f.addAttribute(30, "Site name link", kLinked);
  f.addAttribute(31, "Site name", kText);
  f.makeTable("linked", kLinked);
  f.makeTable("text", kText);
  f.addStorage(30, 1, "linked", 1);
  f.addStorage(31, 2, "text.db", 5);
  f.addLink(30, 100, 1);
  f.insert("linked", {{"RECID", 1}, {"Feature", 1}, {"Attribute", 31}, {"Type", kText}, {"Sp. Record", 200}});
  f.addLink(31, 100, 4);
  f.addLink(31, 200, 5);
  f.insert("text", {{"RECID", 4}, {"Text", "This Site"}});
  f.insert("text", {{"RECID", 5}, {"Text", "Other Site"}});
  f.state->site.attributeCodes[3] = 30;

  auto attribute = resolveInputAttribute(*f.state, *f.tx, 3);
  ASSERT_TRUE(attribute.has_value());
  EXPECT_EQ(*attribute, 31);
  EXPECT_EQ(f.state->site.spatialRecord, 200);
  EXPECT_TRUE(f.tx->DTable.active());
  EXPECT_EQ(f.tx->DTable.tableName(), "text");
  f.tx->DTable.close();

  auto rec = findSlotRecord(*f.state, *f.tx, 3);
  ASSERT_TRUE(rec.has_value());
  EXPECT_TRUE(rec->recordFound);
  EXPECT_EQ(rec->tableRecord, 5);
  EXPECT_EQ(f.tx->DTable.field("Text").asText(), "Other Site");
  f.tx->DTable.close();

  // An attribute that is not linked is read for the request's own site.
  f.state->site.attributeCodes[3] = 31;
  rec = findSlotRecord(*f.state, *f.tx, 3);
  ASSERT_TRUE(rec.has_value());
  EXPECT_EQ(f.state->site.spatialRecord, 100);
  EXPECT_EQ(f.tx->DTable.field("Text").asText(), "This Site");
  f.tx->DTable.close();

  // No data_dict4 row: the value is absent.
  f.state->site.requestSpatialRecord = 300;
  EXPECT_FALSE(findSlotRecord(*f.state, *f.tx, 3).has_value());
  f.tx->DTable.close();
}

TEST(HostSession, BinaryDataSizeCountsTheBytesOfBinaryAndMemoFields) {
  HostFixture f;
  f.makeTable("array", kArray);
  EXPECT_EQ(f.session.binaryDataSize(kAlias, "array"), 0);
  f.addArrayRecord("array", 1, "a", {1.0f, 2.0f});
  f.addArrayRecord("array", 2, "b", {1.0f, 2.0f, 3.0f});
  EXPECT_EQ(f.session.binaryDataSize(kAlias, "Array.DB"), 20);
  f.makeTable("memo", kMemo);
  f.insert("memo", {{"RECID", 1}, {"Memo", "twelve chars"}});
  EXPECT_EQ(f.session.binaryDataSize(kAlias, "memo"), 12);
}

TEST(HostSession, ATransactionCommitsOrRollsBackItsRows) {
  HostFixture f;
  f.makeTable("array", kArray);
  {
    HostTransaction t(f.session);
    f.addArrayRecord("array", 1, "rolled back", {1.0f});
  }
  EXPECT_EQ(f.rowCount("array"), 0);
  {
    HostTransaction t(f.session);
    f.addArrayRecord("array", 2, "kept", {1.0f});
    t.commit();
  }
  EXPECT_EQ(f.rowCount("array"), 1);
  EXPECT_FALSE(f.session.inTransaction());
  // A further transaction can start: nothing was left open.
  HostTransaction t(f.session);
  f.addArrayRecord("array", 3, "kept too", {1.0f});
  t.commit();
  EXPECT_EQ(f.rowCount("array"), 2);
}

TEST(HostSession, ReadingCreatesNoDatabaseAndAReadOnlySessionWritesNothing) {
  // An alias directory without a database: reading finds no tables and opening it names the file looked for.
  oewr::testing::TempDir empty;
  const std::filesystem::path file = empty.path() / kHostDatabaseFile;
  for (HostAccess access : {HostAccess::ReadWrite, HostAccess::ReadOnly}) {
    HostSession s({{kAlias, empty.path().string()}}, access);
    EXPECT_FALSE(s.tableExists(kAlias, "proc_run"));
    EXPECT_TRUE(s.tableNames(kAlias).empty());
    try {
      s.connection(kAlias);
      ADD_FAILURE() << "opened a database that does not exist";
    } catch (const ModelError& e) {
      EXPECT_EQ(std::string(e.what()), "Database alias 'TERAVOX' holds no host database: " + file.string() +
                                           " does not exist (`oewr host create` makes one)");
    }
    EXPECT_FALSE(std::filesystem::exists(file));
  }

  HostFixture f;
  f.makeTable("array", kArray);
  f.addArrayRecord("array", 1, "kept", {1.0f});
  const std::string before = f.dump();
  HostSession ro({{kAlias, f.dir.path().string()}}, HostAccess::ReadOnly);
  // The file itself is opened for reading, not only marked so.
  EXPECT_EQ(sqlite3_db_readonly(ro.connection(kAlias).handle(), "main"), 1);
  HostTable t(ro, kAlias, "array");
  t.open();
  EXPECT_EQ(t.recordCount(), 1);
  EXPECT_EQ(t.field("Title").asText(), "kept");
  t.close();
  auto errorOf = [](const std::function<void()>& write) {
    try {
      write();
    } catch (const ModelError& e) {
      return std::string(e.what());
    }
    return std::string("written");
  };
  const std::string why = "the host database " + std::filesystem::weakly_canonical(f.databaseFile()).string() +
                          " is open for reading only";
  EXPECT_EQ(errorOf([&] { ro.connection(kAlias).begin(); }), "Nothing can be written: " + why);
  EXPECT_NE(errorOf([&] { ro.createTable(kAlias, "memo", attributeTableDef(kMemo)); }).find(why), std::string::npos);
  EXPECT_EQ(f.dump(), before);
}
