#include "hostdb/host_schema.h"

#include <cctype>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr::hostdb {

const char* const kDict1 = "data_dict1";
const char* const kDict2 = "data_dict2";
const char* const kDict3 = "data_dict3";
const char* const kDict4 = "data_dict4";
const char* const kRequestTable = "proc_run";

std::optional<FieldType> fieldTypeFromLetter(char letter) {
  switch (letter) {
    case 'I': return FieldType::Int32;
    case 'S': return FieldType::Int16;
    case 'N': return FieldType::Float;
    case 'A': return FieldType::String;
    case 'D': return FieldType::Date;
    case 'T': return FieldType::Time;
    case 'B': return FieldType::Binary;
    case 'M': return FieldType::Memo;
    default: return std::nullopt;
  }
}

char fieldTypeLetter(FieldType t) {
  switch (t) {
    case FieldType::Int32: return 'I';
    case FieldType::Int16: return 'S';
    case FieldType::Float: return 'N';
    case FieldType::String: return 'A';
    case FieldType::Date: return 'D';
    case FieldType::Time: return 'T';
    case FieldType::Binary: return 'B';
    case FieldType::Memo: return 'M';
  }
  return '?';
}

// SQLite picks a column's affinity from words in its type: INT → integer,
// TEXT → text, REAL → real, BLOB → none. The host type rides along in front.
std::string storedColumnType(const FieldDef& f) {
  switch (f.type) {
    case FieldType::Int32: return "I_INT32";
    case FieldType::Int16: return "S_INT16";
    case FieldType::Float: return "N_REAL";
    case FieldType::String: return "A" + std::to_string(f.size) + "_TEXT";
    case FieldType::Date: return "D_DATE_TEXT";
    case FieldType::Time: return "T_TIME_REAL";
    case FieldType::Binary: return "B_BLOB";
    case FieldType::Memo: return "M_MEMO_TEXT";
  }
  return "";
}

std::optional<FieldDef> fieldFromStoredColumn(const std::string& name, const std::string& columnType) {
  if (columnType.empty()) return std::nullopt;
  auto t = fieldTypeFromLetter(columnType[0]);
  if (!t) return std::nullopt;
  FieldDef f{name, *t, 0};
  if (*t == FieldType::String) {
    long long size = 0;
    std::size_t us = columnType.find('_');
    if (us == std::string::npos || !parseInteger(columnType.substr(1, us - 1), size)) return std::nullopt;
    f.size = static_cast<int>(size);
  }
  return f;
}

namespace {
constexpr const char* kTypeNames[kDataTypeCount] = {"text",   "singleint", "singlereal", "timeseries",
                                                    "bitmap", "array",     "memo",       "linked"};
FieldDef I(const char* n) { return {n, FieldType::Int32, 0}; }
FieldDef S(const char* n) { return {n, FieldType::Int16, 0}; }
FieldDef N(const char* n) { return {n, FieldType::Float, 0}; }
FieldDef A(const char* n, int size) { return {n, FieldType::String, size}; }
FieldDef D(const char* n) { return {n, FieldType::Date, 0}; }
FieldDef T(const char* n) { return {n, FieldType::Time, 0}; }
FieldDef B(const char* n) { return {n, FieldType::Binary, 0}; }
FieldDef M(const char* n) { return {n, FieldType::Memo, 0}; }
}  // namespace

const char* dataTypeName(int dataType) {
  return dataType >= 0 && dataType < kDataTypeCount ? kTypeNames[dataType] : "";
}

std::optional<int> dataTypeFromName(const std::string& name) {
  long long n = 0;
  if (parseInteger(name, n)) {
    if (n >= 0 && n < kDataTypeCount) return static_cast<int>(n);
    return std::nullopt;
  }
  for (int i = 0; i < kDataTypeCount; ++i)
    if (equalsIgnoreCase(name, kTypeNames[i])) return i;
  return std::nullopt;
}

TableDef attributeTableDef(int dataType) {
  TableDef t;
  t.primaryKey = {"RECID"};
  switch (dataType) {
    case kText: t.fields = {I("RECID"), A("Text", 80)}; break;
    case kSingleInt: t.fields = {I("RECID"), I("Value")}; break;
    case kSingleReal: t.fields = {I("RECID"), N("Value")}; break;
    case kTimeseries:
      t.fields = {I("RECID"),        A("GeogID", 80),   A("DataID", 80), N("Area"),
                  S("Data Obj."),    S("Time Units"),   S("Time Int."),  S("Time Int. Type"),
                  S("Var. Type"),    S("Var. Unit"),    N("MD Code"),    N("Scale"),
                  D("Start Date"),   T("Start Time"),   D("End Date"),   T("End Time"),
                  I("No. Records"),  B("Data")};
      break;
    case kBitmap:
      t.fields = {I("RECID"), A("Title", 80), S("Xsize"), S("Ysize"), D("Date"), S("Type"), B("Graphic")};
      break;
    case kArray:
      t.fields = {I("RECID"), A("Title", 80), D("Date"), S("Rows"), S("Columns"), A("Format", 80), B("Data")};
      break;
    case kMemo: t.fields = {I("RECID"), A("Title", 80), D("Date"), M("Memo")}; break;
    case kLinked: t.fields = {I("RECID"), S("Feature"), S("Attribute"), S("Type"), I("Sp. Record")}; break;
    default: throw ModelError("Unknown attribute data type " + std::to_string(dataType));
  }
  return t;
}

TableDef dictTableDef(int which) {
  switch (which) {
    case 1:
      return {{S("Feature Code"), A("Feature Name", 40), A("Feature Source", 100), A("IDField", 40),
               A("DescField", 40)},
              {"Feature Code"}};
    case 2:
      return {{S("Feature Code"), A("Attribute Name", 30), S("Attribute Code"), A("Datatype", 10)}, {}};
    case 3:
      return {{S("Attribute Code"), S("Table Code"), A("Database Alias", 30), A("Table Name", 30), I("Max. Rec")},
              {"Attribute Code"}};
    case 4:
      return {{S("Attribute Code"), I("Spatial Record"), I("Table Record")}, {"Attribute Code", "Spatial Record"}};
    default: throw ModelError("Unknown dictionary table " + std::to_string(which));
  }
}

TableDef requestTableDef() {
  return {{A("Description", 40), D("Date"), A("EXE", 64), A("RQO", 64), A("Data Dir", 64), A("Output File", 20),
           I("Feature"), S("Spatial Elements"), S("Attributes"), B("Output Var List"), B("Attribute List"),
           B("Spatial Input List"), B("Spatial Link List"), B("Spatial Output List"), D("Start Date"),
           D("End Date")},
          {}};
}

std::string normalTableName(const std::string& name) {
  std::string n = trim(name);
  std::size_t dot = n.rfind('.');
  if (dot != std::string::npos && dot > 0) n = n.substr(0, dot);
  return toLower(n);
}

bool isValidTableName(const std::string& n) {
  if (n.empty() || n.size() > 30) return false;
  if (!std::isalnum(static_cast<unsigned char>(n[0]))) return false;
  for (char c : n)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')) return false;
  return !n.starts_with("sqlite");
}

std::string checkedTableName(const std::string& name) {
  std::string n = normalTableName(name);
  if (!isValidTableName(n))
    throw ModelError("Invalid table name '" + name +
                     "': use 1 to 30 letters, digits, '_' or '-', starting with a letter or digit");
  return n;
}

}  // namespace oewr::hostdb
