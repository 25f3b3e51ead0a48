#include "hostdb/table_save.h"

#include <algorithm>
#include <optional>
#include <set>

#include "common/checked_int.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/blob_codec.h"
#include "hostdb/host_schema.h"
#include "hostdb/host_tables.h"
#include "hostdb/timeseries_codec.h"

namespace oewr::hostdb {

namespace {

constexpr const char* kCaption = Ttable_save::caption;
constexpr int kNotWritten = -9;
constexpr std::size_t kMaxOfferedTables = 201;

// Opens a table for a lookup and closes it again if it was closed before.
class OpenScope {
 public:
  explicit OpenScope(HostTable& t) : t_(t), wasOpen_(t.active()) {
    if (!wasOpen_) t_.open();
  }
  ~OpenScope() {
    if (!wasOpen_) t_.close();
  }
  OpenScope(const OpenScope&) = delete;
  OpenScope& operator=(const OpenScope&) = delete;

 private:
  HostTable& t_;
  bool wasOpen_;
};

// Closes and reopens an open cursor so that it shows the rows as they are now
// (after a commit or a rollback its cached rows may no longer exist).
void reload(HostTable& t) {
  t.close();
  t.open();
}

// Restores the dictionary cursors after a save: DTable closed, each
// dictionary table open again (reloaded) or closed as it was before.
class CursorGuard {
 public:
  explicit CursorGuard(Ttxtab& tx)
      : tx_(tx), open2_(tx.ddt2.active()), open3_(tx.ddt3.active()), open4_(tx.ddt4.active()) {}
  ~CursorGuard() {
    tx_.DTable.close();
    restore(tx_.ddt2, open2_);
    restore(tx_.ddt3, open3_);
    restore(tx_.ddt4, open4_);
  }
  CursorGuard(const CursorGuard&) = delete;
  CursorGuard& operator=(const CursorGuard&) = delete;

 private:
  static void restore(HostTable& t, bool wasOpen) noexcept {
    t.close();
    if (!wasOpen) return;
    try {
      t.open();
    } catch (...) {
      t.close();  // the next lookup opens it and reports what is wrong
    }
  }
  Ttxtab& tx_;
  bool open2_, open3_, open4_;
};

int32_t int32Field(const HostTable& t, const char* name) { return checkedInt32(t.field(name).asInteger()); }

std::optional<int> rowDataType(const HostTable& ddt2) {
  return dataTypeFromName(trim(ddt2.field("Datatype").asText()));
}

bool sameAlias(const std::string& a, const std::string& b) { return toUpper(trim(a)) == toUpper(trim(b)); }

// `base`, else base1, base2, ...: the first name that is no table of the alias.
std::string freeTableName(HostSession& session, const std::string& alias, const std::string& base) {
  if (!session.tableExists(alias, base)) return base;
  for (int i = 1; i < 100000; ++i) {
    std::string name = base + std::to_string(i);
    if (!session.tableExists(alias, name)) return name;
  }
  throw ModelError("No free table name of the form '" + base + "<number>' under alias '" + alias + "'");
}

// The highest RECID of DTable's table (0 for an empty table).
int32_t highestRecid(Ttxtab& tx) {
  Statement st(tx.session().connection(tx.DTable.alias()),
               "SELECT COALESCE(MAX(\"RECID\"), 0) FROM " + quoteIdentifier(tx.DTable.tableName()));
  st.step();
  return checkedInt32(st.column(0).asInteger());
}

// The highest Max. Rec of the data_dict3 rows of a table code.
int32_t dictionaryMaxRec(HostTable& ddt3, int32_t tableCode) {
  int32_t best = 0;
  for (ddt3.first(); !ddt3.eof(); ddt3.next())
    if (int32Field(ddt3, "Table Code") == tableCode) best = std::max(best, int32Field(ddt3, "Max. Rec"));
  return best;
}

std::string failureText(const OutputTarget& t, int slot, const std::string& why) {
  return "Could not save attribute " + std::to_string(t.outAttributeCode) + " (slot " + std::to_string(slot) +
         ") to table '" + t.outTable + "' of alias '" + t.outAlias + "'; nothing was saved. " + why;
}

std::string slotListText(const std::vector<int>& slots) {
  std::string text;
  for (int slot : slots) text += (text.empty() ? "" : ", ") + std::to_string(slot);
  return text;
}

}  // namespace

bool withinTableSizeLimit(int64_t binaryBytes) { return binaryBytes <= kTableSizeLimit; }

bool chooseOutputTable(Ttxtab& tx, Ttable_save& dialog, OutputTarget& target) {
  Ui& ui = tx.ui();
  HostSession& session = tx.session();
  target.existingEntry = false;
  target.newTable = false;

  dialog.clear();
  dialog.ui = &ui;
  dialog.tablesOfAlias = [&session](const std::string& alias) { return session.tableNames(alias); };

  target.attributeName = "none";
  {
    OpenScope scope(tx.ddt2);
    for (tx.ddt2.first(); !tx.ddt2.eof(); tx.ddt2.next())
      if (int32Field(tx.ddt2, "Attribute Code") == target.outAttributeCode &&
          int32Field(tx.ddt2, "Feature Code") == target.outFeatureCode) {
        target.attributeName = tx.ddt2.field("Attribute Name").asText();
        break;
      }
  }

  OpenScope scope3(tx.ddt3);
  if (tx.ddt3.findKey({FieldValue(target.outAttributeCode)})) {
    target.outAlias = tx.ddt3.field("Database Alias").asText();
    target.outTable = tx.ddt3.field("Table Name").asText();
    target.outTableCode = int32Field(tx.ddt3, "Table Code");
    target.outMaxRec = int32Field(tx.ddt3, "Max. Rec");
    target.existingEntry = true;
    return true;
  }

  // Tables that hold attributes of the same data type under the model's alias.
  const std::string dbAlias = tx.databaseName();
  session.aliasPath(dbAlias);  // an unknown alias is reported before anything is asked
  struct Offer {
    std::string alias, table;
    int32_t tableCode;
  };
  std::vector<Offer> offers;
  {
    std::vector<int32_t> sameType;
    OpenScope scope2(tx.ddt2);
    for (tx.ddt2.first(); !tx.ddt2.eof(); tx.ddt2.next())
      if (rowDataType(tx.ddt2) == target.outDataType) sameType.push_back(int32Field(tx.ddt2, "Attribute Code"));
    std::set<std::string> seen;
    for (int32_t code : sameType) {
      if (offers.size() >= kMaxOfferedTables) break;
      if (!tx.ddt3.findKey({FieldValue(code)})) continue;
      const std::string alias = tx.ddt3.field("Database Alias").asText();
      const std::string table = tx.ddt3.field("Table Name").asText();
      const std::string normal = normalTableName(table);
      if (!sameAlias(alias, dbAlias) || !seen.insert(normal).second) continue;
      if (!isValidTableName(normal) || !session.tableExists(alias, normal)) continue;
      if (!withinTableSizeLimit(session.binaryDataSize(alias, normal))) continue;
      offers.push_back({alias, table, int32Field(tx.ddt3, "Table Code")});
    }
  }
  for (const auto& a : session.aliasNames())
    if (toLower(trim(a)) == toLower(trim(dbAlias))) dialog.ListBox2Items.push_back(a);

  const std::string typeName = dataTypeName(target.outDataType);
  if (typeName.empty()) throw ModelError("Unknown data type " + std::to_string(target.outDataType) + " of attribute " +
                                         std::to_string(target.outAttributeCode));
  auto useOffer = [&](const Offer& o) {
    target.outAlias = o.alias;
    target.outTable = o.table;
    target.outTableCode = o.tableCode;
    target.outMaxRec = 0;  // read when the save writes
  };
  auto newTable = [&](const std::string& alias, const std::string& name) {
    target.outAlias = alias;
    target.outTable = name;
    target.outTableCode = 0;  // the next free code, taken when the save writes
    target.outMaxRec = 0;
    target.newTable = true;
  };

  if (containsIgnoreCase(target.attributeName, "ensemble")) {
    newTable(dbAlias, freeTableName(session, dbAlias, typeName + "-ensemble"));
    return true;
  }
  if (offers.size() == 1) {
    useOffer(offers.front());
    return true;
  }
  if (offers.empty()) {
    newTable(dbAlias, freeTableName(session, dbAlias, typeName));
    return true;
  }

  for (const auto& o : offers) dialog.ListBox1Items.push_back(o.alias + ", " + o.table);
  if (ui.showTableSave(dialog) != mrOK) return false;
  if (dialog.newTableTyped()) {
    const std::string name = dialog.newTableName();
    const std::string alias = dialog.selectedAlias();
    if (!isValidTableName(name) || alias.empty()) {
      ui.showMessage(kCaption, "'" + trim(dialog.Edit1Text) + "' is not a valid new table name; nothing was saved");
      return false;
    }
    newTable(alias, name);
    return true;
  }
  const int index = dialog.ListBox1ItemIndex;
  if (index < 0 || index >= static_cast<int>(offers.size())) return false;
  useOffer(offers[static_cast<std::size_t>(index)]);
  return true;
}

bool createAttributeTable(Ttxtab& tx, int dataType, const std::string& alias, const std::string& name) {
  const std::string table = checkedTableName(name);
  const TableDef def = attributeTableDef(dataType);
  HostSession& session = tx.session();
  try {
    if (session.tableExists(alias, table)) {
      if (!tx.ui().askYesNo(kCaption, "Overwrite existing table? (not undoable)")) return true;
      session.dropTable(alias, table);
    }
    session.createTable(alias, table, def);
  } catch (const DatabaseError&) {
    return false;
  }
  return true;
}

int resolveOutputAttribute(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, OutputTarget& target,
                           int& mode, int expectedType) {
  Ui& ui = tx.ui();
  target = OutputTarget{};
  mode = 0;
  const int32_t code = state.site.attributeCodes[slot];
  // A request that names no attribute for the slot has nothing to receive it.
  if (code < 1) return -9;

  std::optional<int> dataType;
  bool listed = false;
  {
    OpenScope scope(tx.ddt2);
    for (tx.ddt2.first(); !tx.ddt2.eof(); tx.ddt2.next())
      if (int32Field(tx.ddt2, "Attribute Code") == code) {
        listed = true;
        dataType = rowDataType(tx.ddt2);
        target.outFeatureCode = int32Field(tx.ddt2, "Feature Code");
        if (!dataType)
          throw ModelError("Attribute " + std::to_string(code) + " has the unknown data type '" +
                           tx.ddt2.field("Datatype").asText() + "' in data_dict2");
        break;
      }
  }
  if (!listed) {
    ui.showMessage(kCaption, "The output attribute " + std::to_string(code) + " of slot " + std::to_string(slot) +
                                 " is not in the data dictionary (data_dict2); nothing was saved");
    return kNotWritten;
  }
  target.outAttributeCode = code;
  target.outDataType = *dataType;
  state.site.spatialRecord = state.site.requestSpatialRecord;

  if (*dataType == kLinked) {
    bool linked = false;
    {
      OpenScope scope3(tx.ddt3);
      if (tx.ddt3.findKey({FieldValue(code)})) {
        tx.openDataTable(tx.ddt3.field("Database Alias").asText(), tx.ddt3.field("Table Name").asText());
        if (auto rec = tx.tableRecordOf(code, state.site.requestSpatialRecord))
          if (tx.DTable.findKey({FieldValue(*rec)})) {
            state.site.spatialRecord = int32Field(tx.DTable, "Sp. Record");
            target.outAttributeCode = int32Field(tx.DTable, "Attribute");
            target.outDataType = int32Field(tx.DTable, "Type");
            target.outFeatureCode = int32Field(tx.DTable, "Feature");
            linked = true;
          }
        tx.DTable.close();
      }
    }
    if (!linked) {
      ui.showMessage(kCaption, "The linked output attribute " + std::to_string(code) + " of slot " +
                                   std::to_string(slot) + " names no record for spatial record " +
                                   std::to_string(state.site.requestSpatialRecord) + "; nothing was saved");
      return kNotWritten;
    }
  }

  if (expectedType >= 0 && target.outDataType != expectedType) {
    ui.showMessage(kCaption, "The output attribute " + std::to_string(target.outAttributeCode) + " of slot " +
                                 std::to_string(slot) + " holds " + dataTypeName(target.outDataType) +
                                 " data, not " + dataTypeName(expectedType) + " data; nothing was saved");
    return kNotWritten;
  }

  if (!chooseOutputTable(tx, dialog, target)) return kNotWritten;
  mode = target.existingEntry ? 1 : 0;
  return target.outAttributeCode;
}

bool openOutputTable(Ttxtab& tx, OutputTarget& target, int& mode, MadeTables* made) {
  OpenScope scope3(tx.ddt3);
  if (tx.ddt3.findKey({FieldValue(target.outAttributeCode)})) {
    // The storage entry, as chosen (or as another program made it meanwhile).
    target.outAlias = tx.ddt3.field("Database Alias").asText();
    target.outTable = tx.ddt3.field("Table Name").asText();
    target.outTableCode = int32Field(tx.ddt3, "Table Code");
    target.outMaxRec = int32Field(tx.ddt3, "Max. Rec");
    target.existingEntry = true;
    target.newTable = false;
    mode = 1;
  } else {
    mode = 0;
    target.existingEntry = false;
    auto madeKey = [&target] {
      return std::make_pair(toUpper(trim(target.outAlias)), normalTableName(target.outTable));
    };
    if (target.newTable && made && made->count(madeKey())) {
      if (containsIgnoreCase(target.attributeName, "ensemble")) {
        // An ensemble attribute keeps a table of its own: the next free name.
        const std::string base = std::string(dataTypeName(target.outDataType)) + "-ensemble";
        target.outTable = freeTableName(tx.session(), target.outAlias, base);
      } else {
        // Chosen as a new table before an earlier value of this save made it.
        target.newTable = false;
        target.outTable = madeKey().second;
        target.outTableCode = made->at(madeKey());
      }
    }
    if (target.newTable) {
      const int32_t tableCode = checkedAdd(tx.ddt3MaxCode(), 1);
      if (!createAttributeTable(tx, target.outDataType, target.outAlias, target.outTable)) {
        tx.ui().showMessage(kCaption, "Could not create new database table");
        return false;
      }
      target.outTable = normalTableName(target.outTable);
      target.outTableCode = tableCode;
      target.outMaxRec = 0;
      target.newTable = false;
      if (made) made->emplace(madeKey(), tableCode);
    } else {
      target.outMaxRec = dictionaryMaxRec(tx.ddt3, target.outTableCode);
    }
    tx.ddt3.append();
    tx.ddt3.setField("Attribute Code", target.outAttributeCode);
    tx.ddt3.setField("Table Code", target.outTableCode);
    tx.ddt3.setField("Database Alias", target.outAlias);
    tx.ddt3.setField("Table Name", target.outTable);
    tx.ddt3.setField("Max. Rec", target.outMaxRec);
    tx.ddt3.post();
  }
  tx.openDataTable(target.outAlias, target.outTable);
  // A new RECID must be above every RECID in use, whatever a dictionary row says.
  target.outMaxRec = std::max({target.outMaxRec, dictionaryMaxRec(tx.ddt3, target.outTableCode), highestRecid(tx)});
  return true;
}

int32_t prepareOutputRecord(ModelState& state, Ttxtab& tx, OutputTarget& target, int mode) {
  OpenScope scope3(tx.ddt3);
  OpenScope scope4(tx.ddt4);
  std::optional<int32_t> existing;
  if (mode == 1) existing = tx.tableRecordOf(target.outAttributeCode, state.site.spatialRecord);

  int32_t recid = 0;
  if (existing) {
    recid = *existing;
    if (tx.DTable.findKey({FieldValue(recid)})) {
      tx.DTable.edit();
    } else {
      // The dictionary names a record the table lacks: it is made under that RECID.
      tx.DTable.append();
      target.outMaxRec = std::max(target.outMaxRec, recid);
    }
  } else {
    recid = checkedAdd(target.outMaxRec, 1);
    target.outMaxRec = recid;
    tx.DTable.append();
  }
  tx.DTable.setField("RECID", recid);

  if (tx.ddt4.findKey({FieldValue(target.outAttributeCode), FieldValue(state.site.spatialRecord)}))
    tx.ddt4.edit();
  else
    tx.ddt4.append();
  tx.ddt4.setField("Attribute Code", target.outAttributeCode);
  tx.ddt4.setField("Spatial Record", state.site.spatialRecord);
  tx.ddt4.setField("Table Record", recid);
  tx.ddt4.post();

  // Every attribute that shares the table agrees on its highest RECID.
  for (tx.ddt3.first(); !tx.ddt3.eof(); tx.ddt3.next())
    if (int32Field(tx.ddt3, "Table Code") == target.outTableCode) {
      tx.ddt3.edit();
      tx.ddt3.setField("Max. Rec", target.outMaxRec);
      tx.ddt3.post();
    }
  return recid;
}

int saveSlotRecords(ModelState& state, Ttxtab& tx, Ttable_save& dialog, const std::vector<SlotWrite>& writes) {
  if (writes.empty()) return 0;
  if (tx.session().readOnly()) {
    std::vector<int> slots;
    for (const SlotWrite& w : writes) slots.push_back(w.slot);
    tx.ui().showMessage(kCaption, "The host database is open for reading only: " +
                                      (slots.size() == 1 ? "slot " + slotListText(slots) + " is not saved"
                                                         : "slots " + slotListText(slots) + " are not saved"));
    return 0;
  }
  CursorGuard guard(tx);
  struct Planned {
    const SlotWrite* write = nullptr;
    OutputTarget target;
    int mode = 0;
    int32_t spatialRecord = 0;
  };
  // Every table is chosen before anything is written, so that the user's
  // answers never hold the database locked.
  std::vector<Planned> planned;
  for (const SlotWrite& w : writes) {
    Planned p;
    p.write = &w;
    const int code = resolveOutputAttribute(state, tx, dialog, w.slot, p.target, p.mode, w.dataType);
    tx.DTable.close();
    if (code < 1) continue;
    p.spatialRecord = state.site.spatialRecord;
    planned.push_back(std::move(p));
  }
  if (planned.empty()) return 0;

  const Planned* current = nullptr;
  auto failure = [&](const std::string& why) {
    if (current) return failureText(current->target, current->write->slot, why);
    std::vector<int> slots;
    for (const Planned& p : planned) slots.push_back(p.write->slot);
    return "Could not save the values of slot(s) " + slotListText(slots) + "; nothing was saved. " + why;
  };
  // A lock met by the transaction is named by the tables it writes.
  std::string tables;
  for (const Planned& p : planned)
    if (tables.find(p.target.outTable) == std::string::npos) tables += (tables.empty() ? "" : ", ") + p.target.outTable;
  try {
    HostTransaction transaction(tx.session(), tables);
    reload(tx.ddt3);
    reload(tx.ddt4);
    MadeTables made;
    for (Planned& p : planned) {
      current = &p;
      state.site.spatialRecord = p.spatialRecord;
      if (!openOutputTable(tx, p.target, p.mode, &made)) return 0;  // all rolled back
      prepareOutputRecord(state, tx, p.target, p.mode);
      p.write->write(tx.DTable);
      tx.DTable.post();
      tx.DTable.close();
    }
    current = nullptr;
    transaction.commit();
  } catch (const DatabaseError& e) {
    throw DatabaseError(failure(e.what()), e.code());
  } catch (const ActionStopped&) {
    throw;
  } catch (const ModelError& e) {
    throw ModelError(failure(e.what()));
  }
  return static_cast<int>(planned.size());
}

namespace {
bool saveOne(ModelState& state, Ttxtab& tx, Ttable_save& dialog, SlotWrite write) {
  return saveSlotRecords(state, tx, dialog, {std::move(write)}) == 1;
}
}  // namespace

bool saveSlotRecord(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, int dataType,
                    const RecordWriter& write) {
  return saveOne(state, tx, dialog, SlotWrite{slot, dataType, write});
}

SlotWrite arrayRecordWrite(int slot, const std::string& title, int rows, int columns, const std::string& format,
                           std::vector<float> data) {
  return {slot, kArray, [title, rows, columns, format, data = std::move(data)](HostTable& t) {
            t.setField("Title", title);
            t.setField("Date", todayText());
            t.setField("Rows", rows);
            t.setField("Columns", columns);
            t.setField("Format", format);
            t.writeBlob("Data", floatsToBlob(data));
          }};
}

SlotWrite timeSeriesRecordWrite(int slot, const TimeSeriesHeader& header, std::vector<float> values) {
  return {slot, kTimeseries,
          [header, values = std::move(values)](HostTable& t) { writeTimeSeriesRecord(header, values, t); }};
}

SlotWrite memoRecordWrite(int slot, const std::string& title, std::string memo) {
  return {slot, kMemo, [title, memo = std::move(memo)](HostTable& t) {
            t.setField("Title", title);
            t.setField("Date", todayText());
            t.setField("Memo", memo);
          }};
}

bool saveArrayAttribute(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, const std::string& title,
                        int rows, int columns, const std::string& format, const std::vector<float>& data) {
  return saveOne(state, tx, dialog, arrayRecordWrite(slot, title, rows, columns, format, data));
}

bool saveTimeSeriesAttribute(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot,
                             const TimeSeriesHeader& header, const std::vector<float>& values) {
  return saveOne(state, tx, dialog, timeSeriesRecordWrite(slot, header, values));
}

bool saveEwrSeries(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, const std::string& title,
                   const std::vector<float>& values) {
  return saveTimeSeriesAttribute(state, tx, dialog, slot, derivedSeriesHeader(state.site.naturalFlows.header, title),
                                 values);
}

bool saveMemoAttribute(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, const std::string& title,
                       const std::string& memo) {
  return saveOne(state, tx, dialog, memoRecordWrite(slot, title, memo));
}

std::vector<float> ecologicalParameterValues(const ModelState& state) {
  std::vector<float> v;
  v.push_back(static_cast<float>(state.site.maxBaseflowExceedence));
  v.push_back(static_cast<float>(state.site.perennialOption));
  v.push_back(static_cast<float>(state.site.alignStressOption));
  constexpr int kStoredCategories[4] = {0, 2, 4, 6};  // A, B, C, D
  for (int season = 0; season < 2; ++season)
    for (int c : kStoredCategories) v.push_back(state.site.highShift[season][c]);
  for (int season = 0; season < 2; ++season)
    for (int c : kStoredCategories) v.push_back(state.site.lowShift[season][c]);
  for (int season = 0; season < 2; ++season) {
    v.push_back(state.site.stressAtZeroFs[season]);
    v.push_back(state.site.fsWeight[season]);
    v.push_back(state.site.fiWeight[season]);
    v.push_back(state.site.fdWeight[season]);
  }
  return v;
}

bool saveEcologicalParameters(ModelState& state, Ttxtab& tx, Ttable_save& dialog) {
  return saveArrayAttribute(state, tx, dialog, kEcologicalSlot, "OEWR Ecological (Orvane EWR model)", 23, 1,
                            "OEWR_Ecological_parameters.txp", ecologicalParameterValues(state));
}

}  // namespace oewr::hostdb
