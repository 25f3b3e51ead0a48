#include "hostdb/host_tables.h"

#include "common/text_format.h"
#include "hostdb/blob_codec.h"
#include "process/model_state.h"

namespace oewr::hostdb {

namespace {
// Opens a table for a lookup and restores its open/closed state afterwards.
class LookupScope {
 public:
  explicit LookupScope(HostTable& t) : t_(t), wasOpen_(t.active()) {
    if (!wasOpen_) t_.open();
  }
  ~LookupScope() {
    if (!wasOpen_) t_.close();
  }

 private:
  HostTable& t_;
  bool wasOpen_;
};

template <typename Pred>
bool scanFor(HostTable& t, Pred pred) {
  LookupScope scope(t);
  for (t.first(); !t.eof(); t.next())
    if (pred(t)) return true;
  return false;
}

template <typename Get>
int scanMax(HostTable& t, Get get) {
  LookupScope scope(t);
  int best = 0;
  bool any = false;
  for (t.first(); !t.eof(); t.next()) {
    int v = static_cast<int>(get(t));
    if (!any || v > best) best = v;
    any = true;
  }
  return best;
}
}  // namespace

Ttxtab::Ttxtab(HostSession& session, const std::string& databaseName, Ui& ui)
    : ddt1(session, databaseName, kDict1),
      ddt2(session, databaseName, kDict2),
      ddt3(session, databaseName, kDict3),
      ddt4(session, databaseName, kDict4),
      DTable(session, databaseName),
      rqtable(session, databaseName, kRequestTable),
      session_(session),
      databaseName_(databaseName),
      ui_(ui) {}

bool Ttxtab::ddt1ByName(const std::string& featureName) {
  return scanFor(ddt1, [&](HostTable& t) { return t.field("Feature Name").asText() == featureName; });
}

int Ttxtab::ddt1RecMax() {
  return scanMax(ddt1, [](HostTable& t) { return t.field("Feature Code").asInteger(); });
}

bool Ttxtab::ddt2ByACodeFcode(int attributeCode, int featureCode) {
  return scanFor(ddt2, [&](HostTable& t) {
    return t.field("Attribute Code").asInteger() == attributeCode && t.field("Feature Code").asInteger() == featureCode;
  });
}

bool Ttxtab::ddt2byAcode(int attributeCode) {
  return scanFor(ddt2, [&](HostTable& t) { return t.field("Attribute Code").asInteger() == attributeCode; });
}

bool Ttxtab::ddt2ByAName(const std::string& attributeName) {
  return scanFor(ddt2, [&](HostTable& t) { return t.field("Attribute Name").asText() == attributeName; });
}

int Ttxtab::ddt2MaxAttrib() {
  return scanMax(ddt2, [](HostTable& t) { return t.field("Attribute Code").asInteger(); });
}

bool Ttxtab::ddt3byAcode(int attributeCode) {
  return scanFor(ddt3, [&](HostTable& t) { return t.field("Attribute Code").asInteger() == attributeCode; });
}

int Ttxtab::ddt3MaxCode() {
  return scanMax(ddt3, [](HostTable& t) { return t.field("Table Code").asInteger(); });
}

bool Ttxtab::ReadSpatialOutputList(int n, SpatialList& list, const Blob& stream) {
  if (n > kSpatialListCapacity) {
    ui_.showMessage(caption, "ERROR: txtab.ReadSpatialOutputList nsub greater than array size");
    return false;
  }
  if (n <= 0) return false;
  const std::size_t per = stream.size() / static_cast<std::size_t>(n);
  BlobReader r(stream);
  if (per == 4) {
    for (int i = 0; i < n; ++i) {
      int32_t v = 0;
      r.readInt32(v);
      list[i] = v;
    }
    return true;
  }
  if (per == 2) {
    for (int i = 0; i < n; ++i) {
      int16_t v = 0;
      r.readInt16(v);
      list[i] = v;
    }
    return true;
  }
  return false;
}

void Ttxtab::openDataTable(const std::string& alias, const std::string& table) {
  DTable.close();
  DTable.setAlias(alias);
  DTable.setTableName(table);
  DTable.open();
}

std::optional<int32_t> Ttxtab::tableRecordOf(int attributeCode, int spatialRecord) {
  LookupScope scope(ddt4);
  if (!ddt4.findKey({FieldValue(attributeCode), FieldValue(spatialRecord)})) return std::nullopt;
  return static_cast<int32_t>(ddt4.field("Table Record").asInteger());
}

std::optional<int> resolveInputAttribute(ModelState& state, Ttxtab& tx, int slot) {
  const int code = state.site.attributeCodes[slot];
  int dataType = -1;
  {
    tx.ddt2.close();
    tx.ddt2.open();
    for (tx.ddt2.first(); !tx.ddt2.eof(); tx.ddt2.next())
      if (tx.ddt2.field("Attribute Code").asInteger() == code) {
        dataType = static_cast<int>(tx.ddt2.field("Datatype").asInteger());
        break;
      }
  }
  int attribute = code;
  state.site.spatialRecord = state.site.requestSpatialRecord;
  if (dataType == kLinked) {
    bool wasOpen = tx.ddt3.active();
    if (!wasOpen) tx.ddt3.open();
    bool stored = tx.ddt3.findKey({FieldValue(code)});
    if (stored) {
      tx.openDataTable(tx.ddt3.field("Database Alias").asText(), tx.ddt3.field("Table Name").asText());
      if (auto rec = tx.tableRecordOf(code, state.site.requestSpatialRecord)) {
        if (tx.DTable.findKey({FieldValue(*rec)})) {
          state.site.spatialRecord = static_cast<int32_t>(tx.DTable.field("Sp. Record").asInteger());
          attribute = static_cast<int>(tx.DTable.field("Attribute").asInteger());
        }
      }
      tx.DTable.close();
    }
    if (!wasOpen) tx.ddt3.close();
  }
  tx.ddt2.close();
  bool wasOpen = tx.ddt3.active();
  if (!wasOpen) tx.ddt3.open();
  bool stored = tx.ddt3.findKey({FieldValue(attribute)});
  std::string alias, table;
  if (stored) {
    alias = tx.ddt3.field("Database Alias").asText();
    table = tx.ddt3.field("Table Name").asText();
  }
  if (!wasOpen) tx.ddt3.close();
  if (!stored) return std::nullopt;
  tx.openDataTable(alias, table);
  return attribute;
}

std::optional<SlotRecord> findSlotRecord(ModelState& state, Ttxtab& tx, int slot) {
  auto attribute = resolveInputAttribute(state, tx, slot);
  if (!attribute) return std::nullopt;
  auto rec = tx.tableRecordOf(*attribute, state.site.spatialRecord);
  if (!rec) return std::nullopt;
  SlotRecord r;
  r.attributeCode = *attribute;
  r.tableRecord = *rec;
  r.recordFound = tx.DTable.findKey({FieldValue(*rec)});
  return r;
}

}  // namespace oewr::hostdb
