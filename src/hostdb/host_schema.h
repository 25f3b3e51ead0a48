#pragma once
// Field definitions of the host's tables: the dictionary tables, the request
// table and the attribute tables of the eight data types.
#include <optional>
#include <string>
#include <vector>

namespace oewr::hostdb {

enum class FieldType { Int32, Int16, Float, String, Date, Time, Binary, Memo };

struct FieldDef {
  std::string name;
  FieldType type;
  int size = 0;  // strings only
};

struct TableDef {
  std::vector<FieldDef> fields;
  std::vector<std::string> primaryKey;  // empty: no key, records in order of entry
};

// The host's type letter ("I", "S", "N", "A", "D", "T", "B", "M").
std::optional<FieldType> fieldTypeFromLetter(char letter);
char fieldTypeLetter(FieldType t);
// The column type under which a field is stored in SQLite, and back.
std::string storedColumnType(const FieldDef& f);
std::optional<FieldDef> fieldFromStoredColumn(const std::string& name, const std::string& columnType);

enum DataType : int {
  kText = 0,
  kSingleInt = 1,
  kSingleReal = 2,
  kTimeseries = 3,
  kBitmap = 4,
  kArray = 5,
  kMemo = 6,
  kLinked = 7
};
constexpr int kDataTypeCount = 8;
const char* dataTypeName(int dataType);  // "text" .. "linked"; "" outside 0..7
std::optional<int> dataTypeFromName(const std::string& name);  // name or number, any case

// Template of an attribute table of a data type (Part of the host: RECID first,
// unique primary index "Primary" on RECID).
TableDef attributeTableDef(int dataType);

TableDef dictTableDef(int which);  // 1 .. 4
TableDef requestTableDef();

extern const char* const kDict1;  // "data_dict1"
extern const char* const kDict2;
extern const char* const kDict3;
extern const char* const kDict4;
extern const char* const kRequestTable;  // "proc_run"

// A host table name as the engine keys it: without its extension, lower case
// ("proc_run.DB" is proc_run).
std::string normalTableName(const std::string& name);
// True when a (normalised) name keeps the host's naming rules: 1 to 30
// characters, letters, digits, '_' and '-', starting with a letter or digit.
bool isValidTableName(const std::string& normalName);
// Throws ModelError naming the text when the name breaks the rules.
std::string checkedTableName(const std::string& name);

}  // namespace oewr::hostdb
