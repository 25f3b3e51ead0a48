#pragma once
// A host database in a temporary directory, built with the host
// administration code: the dictionary and request tables under alias
// TERAVOX, a scripted person, the host table module, the table-save dialog
// and a model state attached to the site. With the model's site it also
// holds feature "Sites", the site and an attribute for each request slot.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "hostdb/blob_codec.h"
#include "hostdb/host_admin.h"
#include "hostdb/host_schema.h"
#include "hostdb/host_session.h"
#include "hostdb/host_table.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "hostdb/timeseries_codec.h"
#include "process/model_state.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace oewr::testing {

inline constexpr const char* kAlias = "TERAVOX";

using Fields = std::vector<std::pair<std::string, hostdb::FieldValue>>;

// Slot attribute names of the test site, by request slot.
inline const char* slotAttributeName(int slot) {
  static const char* names[] = {"", "", "", "Site name", "Site parameters", "Ecological parameters",
                                "Flood parameters", "Saved cross-section", "Observed cross-section", "Rating segments",
                                "Natural flows", "Present day flows", "Scenario flows", "Total assurance",
                                "Low assurance", "Total EWR series", "Low EWR series", "Report"};
  return names[slot];
}

inline int slotDataType(int slot) {
  using namespace hostdb;
  if (slot == 3) return kText;
  if (slot >= 10 && slot <= 12) return kTimeseries;
  if (slot == 15 || slot == 16) return kTimeseries;
  if (slot == 17) return kMemo;
  return kArray;
}

class TestHost {
 public:
  static constexpr const char* kAlias = testing::kAlias;
  static constexpr int32_t kSite = 7;
  static constexpr const char* kFeature = "Sites";

  // What the database holds when the test starts.
  enum Content {
    kModelSite,  // feature "Sites", the site and an attribute for each request slot 3 to 17
    kEmpty,      // the dictionary and request tables only
  };

  explicit TestHost(Content content = kModelSite, int32_t siteId = kSite)
      : site(siteId),
        ini(dir.path() / "teravox.ini"),
        dbDir(dir.path() / "db"),
        session((hostdb::HostAdmin::createDatabase(ini, kAlias, dbDir, true),
                 std::map<std::string, std::string>{{kAlias, dbDir.string()}})) {
    session.setLockWaitHandler([this](const std::string&, int waitedMs) { return ui.keepWaitingForLock(kAlias, waitedMs); });
    admin = std::make_unique<hostdb::HostAdmin>(session, kAlias);
    tx = std::make_unique<hostdb::Ttxtab>(session, kAlias, ui);
    saveDialog.ui = &ui;
    // A dialog nobody expects is counted, so that a test can tell.
    ui.onTableSave = [this](hostdb::Ttable_save&) {
      ++dialogsShown;
      return mrCancel;
    };
    codes.assign(hostdb::kRequestSlotCount, 0);
    if (content == kModelSite) {
      admin->addFeature(kFeature, "sites");
      admin->addSite(kFeature, site, "Test River at Gauge");
      for (int slot = 3; slot <= 17; ++slot)
        codes[static_cast<std::size_t>(slot)] = admin->addAttribute(kFeature, slotAttributeName(slot), slotDataType(slot));
    }
    state = makeModelState();
    attach(*state);
  }
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // Points a state's request at the site and its slots at the site's attributes.
  void attach(ModelState& s) const {
    s.site.databaseName = kAlias;
    s.site.requestSpatialRecord = site;
    s.site.spatialRecord = site;
    for (int slot = 3; slot <= 17; ++slot)
      if (codes[static_cast<std::size_t>(slot)] != 0) s.site.attributeCodes[slot] = codes[static_cast<std::size_t>(slot)];
  }

  std::filesystem::path databaseFile() const { return dbDir / hostdb::kHostDatabaseFile; }

  hostdb::ValueTarget target(int slot) const { return target(slot, site); }
  hostdb::ValueTarget target(int slot, int32_t siteId) const { return {slotAttributeName(slot), siteId, kFeature}; }
  int addRequest(const std::string& exe = "new_oewr.exe") {
    int n = admin->addRequest("Test request", "2017-08-03", kFeature, site, codes);
    if (exe != "new_oewr.exe") {
      // Another process's request: rewrite EXE of the record just added.
      hostdb::HostTable rq(session, kAlias, "proc_run");
      rq.open();
      rq.setRecNo(n);
      rq.edit();
      rq.setField("EXE", exe);
      rq.post();
    }
    return n;
  }

  // Rows written straight into the tables, as another program of the host would.
  void insert(const std::string& table, const Fields& fields, const std::string& alias = kAlias) {
    hostdb::HostTable t(session, alias, table);
    t.open();
    t.append();
    for (const auto& [name, value] : fields) t.setField(name, value);
    t.post();
  }
  void makeTable(const std::string& name, int dataType, const std::string& alias = kAlias) {
    session.createTable(alias, name, hostdb::attributeTableDef(dataType));
  }
  void addAttribute(int code, const std::string& name, int dataType, int feature = 1) {
    insert(hostdb::kDict2, {{"Feature Code", feature},
                            {"Attribute Name", name},
                            {"Attribute Code", code},
                            {"Datatype", std::to_string(dataType)}});
  }
  void addStorage(int code, int tableCode, const std::string& table, int maxRec, const std::string& alias = kAlias) {
    insert(hostdb::kDict3, {{"Attribute Code", code},
                            {"Table Code", tableCode},
                            {"Database Alias", alias},
                            {"Table Name", table},
                            {"Max. Rec", maxRec}});
  }
  // An attribute of feature 1 kept in `table` (made when missing), with no record yet.
  void addStoredAttribute(int code, const std::string& name, int dataType, const std::string& table) {
    if (!session.tableExists(kAlias, table)) makeTable(table, dataType);
    addAttribute(code, name, dataType);
    addStorage(code, dataType, table, 0);
  }
  void addLink(int code, int spatialRecord, int tableRecord) {
    insert(hostdb::kDict4, {{"Attribute Code", code}, {"Spatial Record", spatialRecord}, {"Table Record", tableRecord}});
  }
  void addArrayRecord(const std::string& table, int recid, const std::string& title, const std::vector<float>& data,
                      const std::string& alias = kAlias) {
    insert(table,
           {{"RECID", recid},
            {"Title", title},
            {"Date", "2001-02-03"},
            {"Rows", static_cast<int>(data.size())},
            {"Columns", 1},
            {"Format", "x.txp"},
            {"Data", hostdb::floatsToBlob(data)}},
           alias);
  }

  // The site's value of a stored attribute, as the host keeps one: a new
  // record in the attribute's table, linked to the site, Max. Rec raised.
  void storeArray(int code, const std::string& title, const std::string& format, const std::vector<float>& values) {
    const std::string table = tableOf(code);
    const int recid = nextRecid(table);
    insert(table, {{"RECID", recid},
                   {"Title", title},
                   {"Rows", static_cast<int>(values.size())},
                   {"Columns", 1},
                   {"Format", format},
                   {"Data", hostdb::floatsToBlob(values)}});
    linkRecord(code, recid);
  }
  // A monthly series of volumes (million m3 with the default unit codes).
  void storeSeries(int code, int startYear, int startMonth, const std::vector<float>& values, int varType = 3,
                   int varUnit = 4) {
    TimeSeriesHeader h;
    h.geogId = "Test River";
    h.dataId = "flows " + std::to_string(code);
    h.timeUnit = 3;
    h.timeInterval = 1;
    h.timeIntervalType = 1;
    h.varType = static_cast<int16_t>(varType - 1);
    h.varUnit = static_cast<int16_t>(varUnit);
    h.missingCode = -999;
    h.scale = 1;
    h.startYear = static_cast<int16_t>(startYear);
    h.startMonth = static_cast<int16_t>(startMonth);
    h.startDay = 1;
    const int last = startMonth - 1 + static_cast<int>(values.size()) - 1;
    h.endYear = static_cast<int16_t>(startYear + last / 12);
    h.endMonth = static_cast<int16_t>(last % 12 + 1);
    h.endDay = 1;
    h.count = static_cast<int32_t>(values.size());
    const std::string table = tableOf(code);
    const int recid = nextRecid(table);
    hostdb::HostTable t(session, kAlias, table);
    t.open();
    t.append();
    t.setField("RECID", recid);
    hostdb::writeTimeSeriesHeader(h, t);
    hostdb::writeTimeSeriesValues(values, t);
    linkRecord(code, recid);
  }

  // The site's record of an attribute: a cursor on it, or nullptr.
  std::unique_ptr<hostdb::HostTable> recordOf(int code) {
    auto recid = tx->tableRecordOf(code, site);
    if (!recid) return nullptr;
    auto t = std::make_unique<hostdb::HostTable>(session, kAlias, tableOf(code));
    t->open();
    if (!t->findKey({hostdb::FieldValue(*recid)})) return nullptr;
    return t;
  }

  // Every row of every table of the alias, in storage order, as text: two
  // dumps are equal exactly when the database holds the same data.
  std::string dump(const std::string& alias = kAlias) {
    std::ostringstream out;
    for (const auto& name : session.tableNames(alias)) {
      out << "[" << name << "]\n";
      hostdb::Statement st(session.connection(alias),
                           "SELECT rowid, * FROM " + hostdb::quoteIdentifier(name) + " ORDER BY rowid");
      while (st.step()) {
        for (int i = 0; i < st.columnCount(); ++i) {
          hostdb::FieldValue v = st.column(i);
          if (v.isNull()) out << "NULL";
          else if (v.isBlob()) {
            for (uint8_t b : v.asBlob()) out << std::hex << static_cast<int>(b) << std::dec << '.';
          } else out << v.asText();
          out << '|';
        }
        out << '\n';
      }
    }
    return out.str();
  }

  int rowCount(const std::string& table, const std::string& alias = kAlias) {
    hostdb::HostTable t(session, alias, table);
    t.open();
    return t.recordCount();
  }
  // The field of the record with RECID `recid` (or of the keyed dictionary row).
  hostdb::FieldValue fieldOf(const std::string& table, const std::vector<hostdb::FieldValue>& key,
                             const std::string& field, const std::string& alias = kAlias) {
    hostdb::HostTable t(session, alias, table);
    t.open();
    if (!t.findKey(key)) return hostdb::FieldValue("<no record>");
    return t.field(field);
  }
  std::vector<float> dataOf(const std::string& table, int recid, const std::string& alias = kAlias) {
    return hostdb::blobToFloats(fieldOf(table, {recid}, "Data", alias).asBlob());
  }
  // Max. Rec of the data_dict3 row of an attribute.
  long long maxRecOf(int code) { return fieldOf(hostdb::kDict3, {code}, "Max. Rec").asInteger(); }
  long long tableRecordOf(int code, int spatialRecord) {
    return fieldOf(hostdb::kDict4, {code, spatialRecord}, "Table Record").asInteger();
  }

  const int32_t site;
  TempDir dir;
  std::filesystem::path ini, dbDir;
  hostdb::HostSession session;
  std::unique_ptr<hostdb::HostAdmin> admin;
  ScriptedUi ui;
  std::unique_ptr<hostdb::Ttxtab> tx;
  hostdb::Ttable_save saveDialog;
  std::unique_ptr<ModelState> state;
  std::vector<int32_t> codes;  // the site's attribute of each request slot (kModelSite)
  int dialogsShown = 0;

 private:
  std::string tableOf(int code) { return fieldOf(hostdb::kDict3, {code}, "Table Name").asText(); }
  int nextRecid(const std::string& table) {
    hostdb::HostTable t(session, kAlias, table);
    t.open();
    int highest = 0;
    for (t.first(); !t.eof(); t.next()) highest = std::max(highest, static_cast<int>(t.field("RECID").asInteger()));
    return highest + 1;
  }
  // Links the record to the site; every attribute kept in its table counts it in Max. Rec.
  void linkRecord(int code, int recid) {
    addLink(code, site, recid);
    const std::string table = tableOf(code);
    hostdb::HostTable d3(session, kAlias, hostdb::kDict3);
    d3.open();
    for (d3.first(); !d3.eof(); d3.next())
      if (d3.field("Table Name").asText() == table) {
        d3.edit();
        d3.setField("Max. Rec", recid);
        d3.post();
      }
  }
};

// The host table module on a session without any database, for the tests
// that save nothing.
struct NoHost {
  ScriptedUi ui;
  hostdb::HostSession session;
  hostdb::Ttxtab tx{session, kAlias, ui};
  hostdb::Ttable_save dialog;
};

}  // namespace oewr::testing
