#pragma once
// Saving results into the host: the output attribute of a request slot, the
// table that holds its values (its storage entry, an existing table of the
// same data type, one chosen in Ttable_save, or a new table made from the data
// type's template), the site's record in it, and the writers of array,
// time-series and memo records.
//
// A save runs in two steps. Choosing reads the dictionary and asks the user
// (the dialog) without locking the database. Writing is one transaction: the
// new table, the data_dict3 and data_dict4 rows and the data record change
// together or not at all; an error on the way rolls everything back and the
// error passes on to the caller, whose window reports it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostdb/host_table.h"
#include "hostdb/table_save_dialog.h"
#include "process/model_state.h"

namespace oewr::hostdb {

class Ttxtab;

// A table whose binary data exceed 1200 × 1 048 576 bytes is not offered.
constexpr int64_t kTableSizeLimit = 1258291200;
bool withinTableSizeLimit(int64_t binaryBytes);

// The output attribute and the table chosen for it, from the choice to the write.
struct OutputTarget {
  int32_t outAttributeCode = 0;
  int32_t outDataType = 0;
  int32_t outFeatureCode = 0;
  std::string outAlias;
  std::string outTable;
  int32_t outTableCode = 0;
  int32_t outMaxRec = 0;  // the table's highest RECID
  std::string attributeName;  // "none" when data_dict2 has no name for it
  bool existingEntry = false;  // the attribute had its data_dict3 storage entry
  bool newTable = false;       // outTable is made when the save writes
};

// Finds the table for target.outAttributeCode / outDataType / outFeatureCode:
// its storage entry, else the one eligible table, else the user's choice in
// the dialog, else a new table named after the data type ("array", "array1",
// ...; "<type>-ensemble", ... for an attribute whose name holds "ensemble").
// Reads only; the table is made and the storage entry added when the save
// writes (openOutputTable). False when the user cancelled.
bool chooseOutputTable(Ttxtab& tx, Ttable_save& dialog, OutputTarget& target);

// Makes an attribute table of a data type from its template under `alias`.
// When the table exists the user is asked "Overwrite existing table? (not
// undoable)": Yes makes it anew and empty, No keeps it; both count as
// success. False when the database engine fails to create it.
bool createAttributeTable(Ttxtab& tx, int dataType, const std::string& alias, const std::string& name);

// Resolves the output attribute of request slot `slot` (following a linked
// attribute to the record it names, which sets state.spatialRecord) and
// chooses its table. Returns the attribute code to write, or -9 when nothing
// is to be written (the reason has been shown). `mode` is 1 when the attribute
// already had its storage entry, else 0. `expectedType` (0..7), when given,
// is the data type the caller writes; an attribute of another type is refused.
int resolveOutputAttribute(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, OutputTarget& target,
                           int& mode, int expectedType = -1);

// Inside the save's transaction: makes the chosen new table and adds the
// attribute's storage entry as chosen, points DTable at the table and opens
// it, and sets outMaxRec. Shows "Could not create new database table" and
// returns false when the table cannot be made.
bool openOutputTable(Ttxtab& tx, OutputTarget& target, int& mode);

// Inside the save's transaction: puts the site's record of DTable into edit
// mode (mode 1 with a data_dict4 row) or appends a new one with the next
// RECID, writes the data_dict4 row, and sets Max. Rec in every data_dict3 row
// of the table. Returns the record's RECID; the caller sets the data fields
// and posts.
int32_t prepareOutputRecord(ModelState& state, Ttxtab& tx, OutputTarget& target, int mode);

// Sets the data fields of the prepared record (the save posts it).
using RecordWriter = std::function<void(HostTable& record)>;

// The whole save of one slot's value: resolve, choose, then in one
// transaction make/enter the table, prepare the record, `write` it and post.
// True when written; false when nothing was to be written, the user
// cancelled or the session is open for reading only (said in a message). An
// error rolls the save back and passes on as ModelError (DatabaseError for
// the engine's own) whose text says nothing was saved.
bool saveSlotRecord(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, int dataType,
                    const RecordWriter& write);

// An array record: Title, Date (today), Rows, Columns, Format (the host's
// column-template file name) and Data (the floats, column after column).
bool saveArrayAttribute(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, const std::string& title,
                        int rows, int columns, const std::string& format, const std::vector<float>& data);

// A time-series record: the header fields and `values` in Data (4 bytes a value).
bool saveTimeSeriesAttribute(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot,
                             const TimeSeriesHeader& header, const std::vector<float>& values);

// An EWR series: the header of the natural flows with GeogID replaced by
// `title` (at most 41 characters), and the series' values.
bool saveEwrSeries(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, const std::string& title,
                   const std::vector<float>& values);

// A memo record: Title, Date (today) and the memo text.
bool saveMemoAttribute(ModelState& state, Ttxtab& tx, Ttable_save& dialog, int slot, const std::string& title,
                       const std::string& memo);

constexpr int kEcologicalSlot = 5;
// The 27 stored ecological parameters, in the order input loading reads them.
std::vector<float> ecologicalParameterValues(const ModelState& state);
// Writes the ecological parameters to the output attribute of slot 5.
bool saveEcologicalParameters(ModelState& state, Ttxtab& tx, Ttable_save& dialog);

}  // namespace oewr::hostdb
