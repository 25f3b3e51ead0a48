#pragma once
// Ttxtab ("Table Definitions"): the host table module. It holds the four
// dictionary tables, the general data table DTable (pointed at one attribute
// table at a time), the request table and the lookups on them.
#include <memory>
#include <optional>
#include <string>

#include "common/bounded_array.h"
#include "common/ui.h"
#include "hostdb/host_session.h"
#include "hostdb/host_table.h"

namespace oewr {
struct SiteInputs;
}

namespace oewr::hostdb {

constexpr int kSpatialListCapacity = 200;
using SpatialList = BoundedArray<int32_t, 0, kSpatialListCapacity>;

class Ttxtab {
 public:
  static constexpr const char* caption = "Table Definitions";

  // All tables are opened under `databaseName`.
  Ttxtab(HostSession& session, const std::string& databaseName, Ui& ui);

  HostSession& session() { return session_; }
  Ui& ui() { return ui_; }
  const std::string& databaseName() const { return databaseName_; }

  HostTable ddt1, ddt2, ddt3, ddt4;
  HostTable DTable;
  HostTable rqtable;

  bool ddt1ByName(const std::string& featureName);
  int ddt1RecMax();
  bool ddt2ByACodeFcode(int attributeCode, int featureCode);
  bool ddt2byAcode(int attributeCode);
  bool ddt2ByAName(const std::string& attributeName);
  int ddt2MaxAttrib();
  bool ddt3byAcode(int attributeCode);
  int ddt3MaxCode();

  // Reads n entries of a request's binary list: 4 bytes an entry as 32-bit
  // integers, 2 bytes an entry as 16-bit integers widened; any other size
  // reads nothing. More than 200 entries: the message, and nothing is read.
  bool ReadSpatialOutputList(int n, SpatialList& list, const Blob& stream);

  // Points DTable at an attribute table and opens it.
  void openDataTable(const std::string& alias, const std::string& table);

  // Table Record of (attribute, spatial record) in data_dict4, if any.
  std::optional<int32_t> tableRecordOf(int attributeCode, int spatialRecord);

 private:
  HostSession& session_;
  std::string databaseName_;
  Ui& ui_;
};

// Resolves input slot `slot` of the request (following a linked attribute to
// the record it names) and leaves DTable open on the attribute's table. Sets
// state.spatialRecord. Returns the attribute code to read, or nullopt when the
// attribute has no storage entry (its value is then absent).
std::optional<int> resolveInputAttribute(SiteInputs& state, Ttxtab& tx, int slot);

// The data record of an input slot: resolves it and moves DTable onto the
// site's record. nullopt when the value is absent (no data_dict4 row or no
// record of that RECID); DTable is left open for the caller to close.
struct SlotRecord {
  int attributeCode = 0;
  int32_t tableRecord = 0;
  bool recordFound = false;
};
std::optional<SlotRecord> findSlotRecord(SiteInputs& state, Ttxtab& tx, int slot);

}  // namespace oewr::hostdb
