#pragma once
// A host database in a temporary directory for the host-database tests: the
// dictionary and request tables under alias TERAVOX, a scripted Ui, a host
// table module, a model state for site 100 and the table-save dialog.
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "hostdb/blob_codec.h"
#include "hostdb/host_schema.h"
#include "hostdb/host_session.h"
#include "hostdb/host_table.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save.h"
#include "process/model_state.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace oewr::testing {

inline constexpr const char* kAlias = "TERAVOX";
inline constexpr int kSite = 100;

using Fields = std::vector<std::pair<std::string, hostdb::FieldValue>>;

struct HostFixture {
  TempDir dir;
  ScriptedUi ui;
  hostdb::HostSession session;
  std::unique_ptr<hostdb::Ttxtab> tx;
  std::unique_ptr<ModelState> state;
  hostdb::Ttable_save dialog;
  int dialogsShown = 0;

  HostFixture() : session({{kAlias, dir.path().string()}}) {
    session.createTable(kAlias, hostdb::kDict1, hostdb::dictTableDef(1));
    session.createTable(kAlias, hostdb::kDict2, hostdb::dictTableDef(2));
    session.createTable(kAlias, hostdb::kDict3, hostdb::dictTableDef(3));
    session.createTable(kAlias, hostdb::kDict4, hostdb::dictTableDef(4));
    session.createTable(kAlias, hostdb::kRequestTable, hostdb::requestTableDef());
    session.setLockWaitHandler([this](const std::string&, int waitedMs) { return ui.keepWaitingForLock(kAlias, waitedMs); });
    tx = std::make_unique<hostdb::Ttxtab>(session, kAlias, ui);
    state = makeModelState();
    state->site.databaseName = kAlias;
    state->site.requestSpatialRecord = kSite;
    state->site.spatialRecord = kSite;
    // A dialog nobody expects fails the test that shows it.
    ui.onTableSave = [this](hostdb::Ttable_save&) {
      ++dialogsShown;
      return mrCancel;
    };
  }

  std::filesystem::path databaseFile() const { return dir.path() / hostdb::kHostDatabaseFile; }

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
};

}  // namespace oewr::testing
