#pragma once
// Saving results into the host: the output attribute of a request slot, the
// table that holds its values (its storage entry, an existing table of the
// same data type, one chosen in Ttable_save, or a new table made from the data
// type's template), the site's record in it, and the writers of array,
// time-series and memo records.
//
// A save runs in two steps. Choosing reads the dictionary and asks the user
// (the dialog) without locking the database. Writing is one transaction: the
// new tables, the data_dict3 and data_dict4 rows and the data records of all
// the values saved together change together or not at all; an error on the
// way rolls everything back and the error passes on to the caller, whose
// window reports it.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "hostdb/host_table.h"
#include "hostdb/table_save_dialog.h"
#include "model/request_slots.h"
#include "model/site_inputs.h"

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
int resolveOutputAttribute(SiteInputs& state, Ttxtab& tx, Ttable_save& dialog, int slot, OutputTarget& target,
                           int& mode, int expectedType = -1);

// Tables made by one save, by alias and name, with their table codes: a
// later record of the same save that chose the same new table goes into it
// instead of making it again.
using MadeTables = std::map<std::pair<std::string, std::string>, int32_t>;

// Inside the save's transaction: makes the chosen new table and adds the
// attribute's storage entry as chosen, points DTable at the table and opens
// it, and sets outMaxRec. Shows "Could not create new database table" and
// returns false when the table cannot be made. `made`, when given, holds the
// tables this save has made so far and receives the one made here.
bool openOutputTable(Ttxtab& tx, OutputTarget& target, int& mode, MadeTables* made = nullptr);

// Inside the save's transaction: puts the site's record of DTable into edit
// mode (mode 1 with a data_dict4 row) or appends a new one with the next
// RECID, writes the data_dict4 row, and sets Max. Rec in every data_dict3 row
// of the table. Returns the record's RECID; the caller sets the data fields
// and posts.
int32_t prepareOutputRecord(SiteInputs& state, Ttxtab& tx, OutputTarget& target, int mode);

// Sets the data fields of the prepared record (the save posts it).
using RecordWriter = std::function<void(HostTable& record)>;

// One slot's value of a save: the request slot, the data type written and
// the writer of the record's data fields.
struct SlotWrite {
  int slot = 0;
  int dataType = 0;
  RecordWriter write;
};

// Saves the values of several slots as one whole: first each slot's table is
// chosen (resolve and choose; the user may be asked, nothing is locked), then
// one transaction makes/enters the tables, prepares the records, writes and
// posts them all. Either every chosen record is written or none is: an error,
// or a table that cannot be made, rolls the whole save back. Slots with
// nothing to receive the value, or whose choice the user cancelled, are left
// out, and nothing is written when the session is open for reading only (said
// in a message). Returns the number of records written. Errors pass on as ModelError
// (DatabaseError for the engine's own) whose text says nothing was saved.
int saveSlotRecords(SiteInputs& state, Ttxtab& tx, Ttable_save& dialog, const std::vector<SlotWrite>& writes);

// The save of one slot's value (saveSlotRecords of one). True when written;
// false when nothing was to be written, the user cancelled or the session is
// open for reading only.
bool saveSlotRecord(SiteInputs& state, Ttxtab& tx, Ttable_save& dialog, int slot, int dataType,
                    const RecordWriter& write);

// Writers of the three kinds of result record, for saveSlotRecords.
// An array record: Title, Date (today), Rows, Columns, Format (the host's
// column-template file name) and Data (the floats, column after column).
SlotWrite arrayRecordWrite(int slot, const std::string& title, int rows, int columns, const std::string& format,
                           std::vector<float> data);
// A time-series record: the header fields and `values` in Data (4 bytes a
// value); values that are not 'No. Records' of them are refused.
SlotWrite timeSeriesRecordWrite(int slot, const TimeSeriesHeader& header, std::vector<float> values);
// A memo record: Title, Date (today) and the memo text.
SlotWrite memoRecordWrite(int slot, const std::string& title, std::string memo);

// An array record of one slot (arrayRecordWrite).
bool saveArrayAttribute(SiteInputs& state, Ttxtab& tx, Ttable_save& dialog, int slot, const std::string& title,
                        int rows, int columns, const std::string& format, const std::vector<float>& data);

// A time-series record of one slot (timeSeriesRecordWrite).
bool saveTimeSeriesAttribute(SiteInputs& state, Ttxtab& tx, Ttable_save& dialog, int slot,
                             const TimeSeriesHeader& header, const std::vector<float>& values);

// An EWR series: the natural flows' header as derivedSeriesHeader makes it
// (GeogID `title`, values in million m3), and the series' values.
bool saveEwrSeries(SiteInputs& state, Ttxtab& tx, Ttable_save& dialog, int slot, const std::string& title,
                   const std::vector<float>& values);

// A memo record of one slot (memoRecordWrite).
bool saveMemoAttribute(SiteInputs& state, Ttxtab& tx, Ttable_save& dialog, int slot, const std::string& title,
                       const std::string& memo);

constexpr int kEcologicalSlot = slot::kEcologicalParameters;
// The 27 stored ecological parameters, in the order input loading reads them.
std::vector<float> ecologicalParameterValues(const SiteInputs& state);
// Writes the ecological parameters to the output attribute of slot 5.
bool saveEcologicalParameters(SiteInputs& state, Ttxtab& tx, Ttable_save& dialog);

}  // namespace oewr::hostdb
