// The dictionary of a host database: features and their sites (data_dict1
// and the spatial tables), attributes (data_dict2) and their storage entries
// (data_dict3).
#include <algorithm>
#include <optional>
#include <utility>

#include "common/checked_int.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/host_admin.h"
#include "hostdb/host_checks.h"
#include "hostdb/sqlite_connection.h"

namespace oewr::hostdb {

using detail::inQuotes;
using detail::int16Checked;
using detail::kMaxCode;
using detail::OpenTable;
using detail::requireLength;
using detail::sameFields;

namespace {

// A field name of a spatial table: printable, no double quotes.
void requireFieldName(const std::string& what, const std::string& name) {
  requireLength(what, name, 40);
  for (char c : name)
    if (c == '"' || static_cast<unsigned char>(c) < 32)
      throw ModelError(what + " " + inQuotes(name) + " holds a character a field name cannot have");
}

}  // namespace

// ---------------------------------------------------------------- lookups

std::vector<FeatureInfo> HostAdmin::features() {
  std::vector<FeatureInfo> out;
  OpenTable t(*session_, alias_, kDict1);
  for (t->first(); !t->eof(); t->next())
    out.push_back({int16Checked(t->field("Feature Code"), "Feature Code"), t->field("Feature Name").asText(),
                   t->field("Feature Source").asText(), t->field("IDField").asText(), t->field("DescField").asText()});
  return out;
}

FeatureInfo HostAdmin::feature(const std::string& ref) {
  const std::vector<FeatureInfo> all = features();
  const std::string r = trim(ref);
  if (r.empty()) {
    if (all.size() == 1) return all.front();
    if (all.empty()) throw ModelError("The host database of alias " + inQuotes(alias_) + " has no features yet");
    std::string names;
    for (const auto& f : all) names += (names.empty() ? "" : ", ") + f.name;
    throw ModelError("Name the feature: the database has several (" + names + ")");
  }
  long long code = 0;
  if (parseInteger(r, code)) {
    for (const auto& f : all)
      if (f.code == code) return f;
    throw ModelError("No feature of code " + r + " in alias " + inQuotes(alias_));
  }
  for (const auto& f : all)
    if (f.name == r) return f;
  for (const auto& f : all)
    if (equalsIgnoreCase(f.name, r)) return f;
  throw ModelError("No feature named " + inQuotes(r) + " in alias " + inQuotes(alias_));
}

std::vector<AttributeInfo> HostAdmin::attributes(const std::string& featureRef) {
  std::optional<int> only;
  if (!trim(featureRef).empty()) only = feature(featureRef).code;
  std::vector<AttributeInfo> out;
  {
    OpenTable t(*session_, alias_, kDict2);
    for (t->first(); !t->eof(); t->next()) {
      AttributeInfo a;
      a.featureCode = int16Checked(t->field("Feature Code"), "Feature Code");
      if (only && a.featureCode != *only) continue;
      a.name = t->field("Attribute Name").asText();
      a.code = int16Checked(t->field("Attribute Code"), "Attribute Code");
      long long type = -1;
      if (!parseInteger(t->field("Datatype").asText(), type)) type = -1;
      a.dataType = static_cast<int>(type);
      out.push_back(a);
    }
  }
  for (auto& a : out) a = storageOf(a);
  return out;
}

AttributeInfo HostAdmin::attribute(const std::string& ref, const std::string& featureRef) {
  const std::string r = trim(ref);
  if (r.empty()) throw ModelError("No attribute named");
  const std::vector<AttributeInfo> all = attributes(featureRef);
  long long code = 0;
  if (parseInteger(r, code)) {
    for (const auto& a : all)
      if (a.code == code) return a;
    throw ModelError("No attribute of code " + r + (trim(featureRef).empty() ? "" : " in feature " + inQuotes(featureRef)));
  }
  std::vector<const AttributeInfo*> hits;
  for (const auto& a : all)
    if (a.name == r) hits.push_back(&a);
  if (hits.empty())
    for (const auto& a : all)
      if (equalsIgnoreCase(a.name, r)) hits.push_back(&a);
  if (hits.empty())
    throw ModelError("No attribute named " + inQuotes(r) + (trim(featureRef).empty() ? "" : " in feature " + inQuotes(featureRef)));
  if (hits.size() > 1)
    throw ModelError("Several features have an attribute named " + inQuotes(r) + ": name the feature");
  return *hits.front();
}

AttributeInfo HostAdmin::storageOf(AttributeInfo a) {
  OpenTable t(*session_, alias_, kDict3);
  a.stored = t->findKey({FieldValue(a.code)});
  if (a.stored) {
    a.tableCode = int16Checked(t->field("Table Code"), "Table Code");
    a.alias = t->field("Database Alias").asText();
    a.table = t->field("Table Name").asText();
    a.maxRec = static_cast<int32_t>(t->field("Max. Rec").asInteger());
  }
  return a;
}

std::optional<SiteInfo> HostAdmin::findSite(const FeatureInfo& f, int32_t site) {
  if (!session_->tableExists(alias_, f.sourceTable))
    throw ModelError("The spatial table " + inQuotes(f.sourceTable) + " of feature " + inQuotes(f.name) + " does not exist");
  OpenTable t(*session_, alias_, f.sourceTable);
  if (!t->findKey({FieldValue(site)})) return std::nullopt;
  return SiteInfo{site, t->field(f.descField).asText()};
}

void HostAdmin::requireSite(int featureCode, int32_t site) {
  FeatureInfo f = feature(std::to_string(featureCode));
  if (!findSite(f, site))
    throw ModelError("No site " + std::to_string(site) + " in feature " + inQuotes(f.name) + " (table " +
                     inQuotes(f.sourceTable) + ")");
}

std::vector<SiteInfo> HostAdmin::sites(const std::string& featureRef) {
  FeatureInfo f = feature(featureRef);
  std::vector<SiteInfo> out;
  OpenTable t(*session_, alias_, f.sourceTable);
  for (t->first(); !t->eof(); t->next())
    out.push_back({static_cast<int32_t>(t->field(f.idField).asInteger()), t->field(f.descField).asText()});
  return out;
}

int HostAdmin::valueCount(int attributeCode) {
  Statement st(session_->connection(alias_),
               std::string("SELECT COUNT(*) FROM ") + quoteIdentifier(kDict4) + " WHERE \"Attribute Code\" = ?");
  st.bind(1, FieldValue(attributeCode));
  st.step();
  return static_cast<int>(st.column(0).asInteger());
}

// ---------------------------------------------------------------- features, sites, attributes

int HostAdmin::addFeature(const std::string& nameText, const std::string& sourceText, const std::string& idText,
                          const std::string& descText) {
  const std::string name = trim(nameText), idField = trim(idText), descField = trim(descText);
  requireLength("The feature name", name, 40);
  requireFieldName("The ID field name", idField);
  requireFieldName("The description field name", descField);
  if (equalsIgnoreCase(idField, descField))
    throw ModelError("The ID field and the description field need different names (both " + inQuotes(idField) + ")");
  const std::string source = checkedTableName(sourceText);
  if (source.size() > 100) throw ModelError("The feature source " + inQuotes(source) + " is too long");

  HostTransaction tx(*session_);
  int maxCode = 0;
  for (const auto& f : features()) {
    if (equalsIgnoreCase(f.name, name)) throw ModelError("A feature named " + inQuotes(f.name) + " already exists");
    if (normalTableName(f.sourceTable) == source)
      throw ModelError("The table " + inQuotes(source) + " already holds the sites of feature " + inQuotes(f.name));
    maxCode = std::max(maxCode, f.code);
  }
  for (const char* t : {kDict1, kDict2, kDict3, kDict4, kRequestTable})
    if (source == t) throw ModelError("The table " + inQuotes(source) + " is a host dictionary table");
  for (const auto& a : attributes())
    if (a.stored && normalTableName(a.table) == source)
      throw ModelError("The table " + inQuotes(source) + " holds values of attribute " + inQuotes(a.name));
  if (maxCode >= kMaxCode) throw RangeError("No feature code is left (the largest is " + std::to_string(maxCode) + ")");
  const int code = maxCode + 1;

  TableDef def{{{idField, FieldType::Int32, 0}, {descField, FieldType::String, 80}}, {idField}};
  if (session_->tableExists(alias_, source)) {
    TableDef have = session_->tableDef(alias_, source);
    bool hasId = false, hasDesc = false;
    for (const auto& f : have.fields) {
      if (f.name == idField && (f.type == FieldType::Int32 || f.type == FieldType::Int16)) hasId = true;
      if (f.name == descField && f.type == FieldType::String) hasDesc = true;
    }
    if (!hasId || !hasDesc || have.primaryKey != std::vector<std::string>{idField})
      throw ModelError("The table " + inQuotes(source) + " exists but has no integer key " + inQuotes(idField) +
                       " and text field " + inQuotes(descField));
  } else {
    session_->createTable(alias_, source, def);
  }
  OpenTable d1(*session_, alias_, kDict1);
  d1->append();
  d1->setField("Feature Code", code);
  d1->setField("Feature Name", name);
  d1->setField("Feature Source", source);
  d1->setField("IDField", idField);
  d1->setField("DescField", descField);
  d1->post();
  tx.commit();
  return code;
}

void HostAdmin::addSite(const std::string& featureRef, int32_t id, const std::string& nameText) {
  const std::string name = trim(nameText);
  requireLength("The site name", name, 80);
  if (id < 1) throw ModelError("A site's id must be 1 or more; " + std::to_string(id) + " given");
  HostTransaction tx(*session_);
  FeatureInfo f = feature(featureRef);
  if (auto have = findSite(f, id))
    throw ModelError("Feature " + inQuotes(f.name) + " already has site " + std::to_string(id) + " (" +
                     inQuotes(have->name) + ")");
  OpenTable t(*session_, alias_, f.sourceTable);
  t->append();
  t->setField(f.idField, id);
  t->setField(f.descField, name);
  t->post();
  tx.commit();
}

int HostAdmin::addAttribute(const std::string& featureRef, const std::string& nameText, int dataType,
                            const std::string& table) {
  const std::string name = trim(nameText);
  requireLength("The attribute name", name, 30);
  if (dataType < 0 || dataType >= kDataTypeCount)
    throw ModelError("Unknown data type " + std::to_string(dataType) + " (0 to 7: text, singleint, singlereal, "
                     "timeseries, bitmap, array, memo, linked)");
  HostTransaction tx(*session_);
  FeatureInfo f = feature(featureRef);
  int maxCode = 0;
  for (const auto& a : attributes()) {
    if (a.featureCode == f.code && equalsIgnoreCase(a.name, name))
      throw ModelError("Feature " + inQuotes(f.name) + " already has an attribute named " + inQuotes(a.name));
    maxCode = std::max(maxCode, a.code);
  }
  if (maxCode >= kMaxCode) throw RangeError("No attribute code is left (the largest is " + std::to_string(maxCode) + ")");
  AttributeInfo a;
  a.featureCode = f.code;
  a.name = name;
  a.code = maxCode + 1;
  a.dataType = dataType;
  {
    OpenTable d2(*session_, alias_, kDict2);
    d2->append();
    d2->setField("Feature Code", a.featureCode);
    d2->setField("Attribute Name", a.name);
    d2->setField("Attribute Code", a.code);
    d2->setField("Datatype", std::to_string(dataType));
    d2->post();
  }
  ensureStorage(a, table);
  tx.commit();
  return a.code;
}

AttributeInfo HostAdmin::ensureStorage(AttributeInfo a, const std::string& requested) {
  a = storageOf(a);
  if (a.stored) {
    if (!session_->tableExists(a.alias, a.table)) session_->createTable(a.alias, a.table, attributeTableDef(a.dataType));
    return a;
  }
  if (a.dataType < 0 || a.dataType >= kDataTypeCount)
    throw ModelError("Attribute " + inQuotes(a.name) + " has an unknown data type " + std::to_string(a.dataType));
  std::string table;
  if (!trim(requested).empty()) {
    table = checkedTableName(requested);
  } else if (containsIgnoreCase(a.name, "ensemble")) {
    const std::string base = std::string(dataTypeName(a.dataType)) + "-ensemble";
    table = base;
    for (int i = 1; session_->tableExists(alias_, table); ++i) table = base + std::to_string(i);
  } else {
    table = dataTypeName(a.dataType);
  }
  for (const char* t : {kDict1, kDict2, kDict3, kDict4, kRequestTable})
    if (table == t) throw ModelError("The table " + inQuotes(table) + " is a host dictionary table");
  for (const auto& f : features())
    if (normalTableName(f.sourceTable) == table)
      throw ModelError("The table " + inQuotes(table) + " holds the sites of feature " + inQuotes(f.name));

  // Attributes that share the table already.
  int tableCode = 0, maxTableCode = 0;
  int32_t maxRec = 0;
  bool shared = false;
  {
    std::vector<std::pair<int, int>> sharers;  // attribute code, table code
    OpenTable d3(*session_, alias_, kDict3);
    for (d3->first(); !d3->eof(); d3->next()) {
      const int code = int16Checked(d3->field("Table Code"), "Table Code");
      maxTableCode = std::max(maxTableCode, code);
      if (equalsIgnoreCase(d3->field("Database Alias").asText(), alias_) &&
          normalTableName(d3->field("Table Name").asText()) == table) {
        shared = true;
        tableCode = code;
        maxRec = std::max(maxRec, static_cast<int32_t>(d3->field("Max. Rec").asInteger()));
        sharers.emplace_back(int16Checked(d3->field("Attribute Code"), "Attribute Code"), code);
      }
    }
    for (const auto& other : attributes())
      for (const auto& [code, tc] : sharers)
        if (other.code == code && other.dataType != a.dataType)
          throw ModelError("The table " + inQuotes(table) + " holds " + dataTypeName(other.dataType) + " values (attribute " +
                           inQuotes(other.name) + "), not " + dataTypeName(a.dataType) + " values");
  }
  if (session_->tableExists(alias_, table)) {
    if (!sameFields(session_->tableDef(alias_, table), attributeTableDef(a.dataType)))
      throw ModelError("The table " + inQuotes(table) + " exists but does not have the fields of a " +
                       dataTypeName(a.dataType) + " attribute table");
    Statement st(session_->connection(alias_), "SELECT COALESCE(MAX(\"RECID\"), 0) FROM " + quoteIdentifier(table));
    st.step();
    maxRec = std::max(maxRec, checkedInt32(st.column(0).asInteger()));
  } else {
    session_->createTable(alias_, table, attributeTableDef(a.dataType));
  }
  if (!shared) {
    if (maxTableCode >= kMaxCode) throw RangeError("No table code is left");
    tableCode = maxTableCode + 1;
  }
  OpenTable d3(*session_, alias_, kDict3);
  d3->append();
  d3->setField("Attribute Code", a.code);
  d3->setField("Table Code", tableCode);
  d3->setField("Database Alias", alias_);
  d3->setField("Table Name", table);
  d3->setField("Max. Rec", maxRec);
  d3->post();
  a.stored = true;
  a.tableCode = tableCode;
  a.alias = alias_;
  a.table = table;
  a.maxRec = maxRec;
  return a;
}

}  // namespace oewr::hostdb
