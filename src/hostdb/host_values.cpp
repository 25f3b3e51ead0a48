// A site's value of an attribute: writing it (text, number, array, memo,
// time series, monthly flows, link), reading it back as stored and its text
// export.
#include <algorithm>
#include <optional>
#include <utility>

#include "common/checked_int.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "hostdb/array_text.h"
#include "hostdb/blob_codec.h"
#include "hostdb/host_admin.h"
#include "hostdb/host_checks.h"
#include "hostdb/sqlite_connection.h"

namespace oewr::hostdb {

using detail::dateOrToday;
using detail::floatText;
using detail::inQuotes;
using detail::int16Checked;
using detail::kMaxCode;
using detail::OpenTable;
using detail::requireLength;

namespace {

std::string describeTarget(const AttributeInfo& a, int32_t site) {
  return "attribute " + inQuotes(a.name) + " (code " + std::to_string(a.code) + "), site " + std::to_string(site);
}

}  // namespace

// ---------------------------------------------------------------- writing values

template <typename Fill>
WriteResult HostAdmin::writeValue(const ValueTarget& target, int dataType, Fill fill) {
  HostTransaction tx(*session_);
  AttributeInfo a = attribute(target.attribute, target.feature);
  if (a.dataType != dataType)
    throw ModelError("Attribute " + inQuotes(a.name) + " holds " + dataTypeName(a.dataType) + " values, not " +
                     dataTypeName(dataType) + " values");
  requireSite(a.featureCode, target.site);
  a = ensureStorage(a, {});

  // The highest RECID of the table: the dictionary's Max. Rec of every
  // attribute sharing it, and what the table really holds.
  int32_t maxRec = 0;
  {
    OpenTable d3(*session_, alias_, kDict3);
    for (d3->first(); !d3->eof(); d3->next())
      if (int16Checked(d3->field("Table Code"), "Table Code") == a.tableCode)
        maxRec = std::max(maxRec, static_cast<int32_t>(d3->field("Max. Rec").asInteger()));
    Statement st(session_->connection(a.alias),
                 "SELECT COALESCE(MAX(\"RECID\"), 0) FROM " + quoteIdentifier(checkedTableName(a.table)));
    st.step();
    maxRec = std::max(maxRec, checkedInt32(st.column(0).asInteger()));
  }

  WriteResult r;
  r.attributeCode = a.code;
  r.table = a.table;
  OpenTable data(*session_, a.alias, a.table);
  OpenTable d4(*session_, alias_, kDict4);
  if (d4->findKey({FieldValue(a.code), FieldValue(target.site)})) {
    r.recid = static_cast<int32_t>(d4->field("Table Record").asInteger());
    if (data->findKey({FieldValue(r.recid)})) {
      data->edit();
      r.updated = true;
    } else {
      // The dictionary names a record the table lost: write it anew under its number.
      data->append();
      data->setField("RECID", r.recid);
    }
  } else {
    r.recid = checkedAdd(maxRec, 1);
    data->append();
    data->setField("RECID", r.recid);
    d4->append();
    d4->setField("Attribute Code", a.code);
    d4->setField("Spatial Record", target.site);
    d4->setField("Table Record", r.recid);
    d4->post();
  }
  fill(*data, a);
  data->post();

  maxRec = std::max(maxRec, r.recid);
  OpenTable d3(*session_, alias_, kDict3);
  for (d3->first(); !d3->eof(); d3->next()) {
    const bool sameTable = equalsIgnoreCase(d3->field("Database Alias").asText(), a.alias) &&
                           normalTableName(d3->field("Table Name").asText()) == normalTableName(a.table);
    if (int16Checked(d3->field("Table Code"), "Table Code") == a.tableCode || sameTable) {
      d3->edit();
      d3->setField("Max. Rec", maxRec);
      d3->post();
    }
  }
  tx.commit();
  return r;
}

WriteResult HostAdmin::setText(const ValueTarget& target, const std::string& text) {
  requireLength("The text", text, 80, true);
  return writeValue(target, kText, [&](HostTable& t, const AttributeInfo&) { t.setField("Text", text); });
}

WriteResult HostAdmin::setInteger(const ValueTarget& target, int32_t value) {
  return writeValue(target, kSingleInt, [&](HostTable& t, const AttributeInfo&) { t.setField("Value", value); });
}

WriteResult HostAdmin::setReal(const ValueTarget& target, float value) {
  return writeValue(target, kSingleReal, [&](HostTable& t, const AttributeInfo&) { t.setField("Value", value); });
}

WriteResult HostAdmin::setArray(const ValueTarget& target, const ArrayValue& v) {
  requireLength("The array title", v.title, 80, true);
  requireLength("The array format", v.format, 80, true);
  if (v.rows < 0 || v.rows > kMaxCode || v.columns < 0 || v.columns > kMaxCode)
    throw RangeError("Rows " + std::to_string(v.rows) + " and columns " + std::to_string(v.columns) +
                     " must lie within 0 to 32767");
  const std::string date = dateOrToday(v.date);
  return writeValue(target, kArray, [&](HostTable& t, const AttributeInfo&) {
    t.setField("Title", v.title);
    t.setField("Date", date);
    t.setField("Rows", v.rows);
    t.setField("Columns", v.columns);
    t.setField("Format", v.format);
    t.writeBlob("Data", floatsToBlob(v.data));
  });
}

WriteResult HostAdmin::setMemo(const ValueTarget& target, const MemoValue& v) {
  requireLength("The memo title", v.title, 80, true);
  const std::string date = dateOrToday(v.date);
  return writeValue(target, kMemo, [&](HostTable& t, const AttributeInfo&) {
    t.setField("Title", v.title);
    t.setField("Date", date);
    t.setField("Memo", v.text);
  });
}

WriteResult HostAdmin::setTimeSeries(const ValueTarget& target, const TimeSeriesValue& v) {
  if (v.header.count != static_cast<int32_t>(v.values.size()))
    throw ModelError("The series header counts " + std::to_string(v.header.count) + " values but " +
                     std::to_string(v.values.size()) + " are given");
  if (v.values.size() > static_cast<std::size_t>(kSeriesCapacity))
    throw ModelError("A series holds at most " + std::to_string(kSeriesCapacity) + " values; " +
                     std::to_string(v.values.size()) + " given");
  requireLength("The series GeogID", v.header.geogId, 80, true);
  requireLength("The series DataID", v.header.dataId, 80, true);
  dateText(v.header.startYear, v.header.startMonth, v.header.startDay);
  dateText(v.header.endYear, v.header.endMonth, v.header.endDay);
  return writeValue(target, kTimeseries, [&](HostTable& t, const AttributeInfo&) {
    writeTimeSeriesHeader(v.header, t);
    t.writeBlob("Data", floatsToBlob(v.values));
  });
}

WriteResult HostAdmin::setMonthlyFlows(const ValueTarget& target, int startYear, int startMonth,
                                       const std::vector<float>& values, const std::string& dataId, float area) {
  if (values.empty()) throw ModelError("A flow series needs at least one month");
  if (startMonth < 1 || startMonth > 12) throw ModelError("Start month " + std::to_string(startMonth) + " is not 1 to 12");
  AttributeInfo a = attribute(target.attribute, target.feature);
  FeatureInfo f = feature(std::to_string(a.featureCode));
  auto site = findSite(f, target.site);
  if (!site)
    throw ModelError("No site " + std::to_string(target.site) + " in feature " + inQuotes(f.name) + " (table " +
                     inQuotes(f.sourceTable) + ")");
  TimeSeriesValue v;
  TimeSeriesHeader& h = v.header;
  h.geogId = site->name.substr(0, 80);
  h.dataId = trim(dataId).empty() ? a.name : trim(dataId);
  h.area = area;
  h.dataObject = 0;
  h.timeUnit = kMonthlyTimeUnits - 1;
  h.timeInterval = kMonthlyTimeInterval;
  h.timeIntervalType = kMonthlyTimeIntervalType;
  h.varType = kVolumeVarType - 1;
  h.varUnit = kMillionM3VarUnit;
  h.missingCode = kMissingDataCode;
  h.scale = 1.0f;
  const int last = startYear * 12 + startMonth - 1 + static_cast<int>(values.size()) - 1;
  h.startYear = static_cast<int16_t>(startYear);
  h.startMonth = static_cast<int16_t>(startMonth);
  h.startDay = 1;
  if (last / 12 > 9999) throw ModelError("The series runs past the year 9999");
  h.endYear = static_cast<int16_t>(last / 12);
  h.endMonth = static_cast<int16_t>(last % 12 + 1);
  h.endDay = 1;
  h.count = static_cast<int32_t>(values.size());
  v.values = values;
  return setTimeSeries(target, v);
}

WriteResult HostAdmin::importMonthlyFlows(const ValueTarget& target, const std::filesystem::path& file,
                                          const FlowCsvOptions& options, const std::string& dataId, float area,
                                          MonthlyFlowSeries* imported) {
  MonthlyFlowSeries s = readMonthlyFlowCsv(file, options);
  WriteResult r = setMonthlyFlows(target, s.startYear, s.startMonth, s.values, dataId, area);
  if (imported) *imported = std::move(s);
  return r;
}

WriteResult HostAdmin::setLink(const ValueTarget& target, const ValueTarget& linkedTo) {
  AttributeInfo to = attribute(linkedTo.attribute, linkedTo.feature);
  if (to.dataType == kLinked)
    throw ModelError("A link must name an attribute that holds values; " + inQuotes(to.name) + " is itself a link");
  requireSite(to.featureCode, linkedTo.site);
  return writeValue(target, kLinked, [&](HostTable& t, const AttributeInfo&) {
    t.setField("Feature", to.featureCode);
    t.setField("Attribute", to.code);
    t.setField("Type", to.dataType);
    t.setField("Sp. Record", linkedTo.site);
  });
}

// ---------------------------------------------------------------- reading values

struct HostAdmin::Located {
  AttributeInfo attribute;
  int32_t site = 0;
  int32_t recid = 0;
  std::string where;  // for messages
};

std::optional<HostAdmin::Located> HostAdmin::locate(const ValueTarget& target, int expectedType) {
  AttributeInfo a = attribute(target.attribute, target.feature);
  requireSite(a.featureCode, target.site);
  int32_t site = target.site;
  auto recordOf = [&](const AttributeInfo& at, int32_t sp) -> std::optional<int32_t> {
    OpenTable d4(*session_, alias_, kDict4);
    if (!d4->findKey({FieldValue(at.code), FieldValue(sp)})) return std::nullopt;
    return static_cast<int32_t>(d4->field("Table Record").asInteger());
  };
  auto missingRecord = [&](const AttributeInfo& at, int32_t sp, int32_t rec) {
    return ModelError("Table " + inQuotes(at.table) + " has no record RECID " + std::to_string(rec) +
                      ", which data_dict4 names for " + describeTarget(at, sp));
  };
  if (a.dataType == kLinked) {
    if (!a.stored) return std::nullopt;
    auto rec = recordOf(a, site);
    if (!rec) return std::nullopt;
    OpenTable t(*session_, a.alias, a.table);
    if (!t->findKey({FieldValue(*rec)})) throw missingRecord(a, site, *rec);
    const int to = int16Checked(t->field("Attribute"), "Attribute");
    site = static_cast<int32_t>(t->field("Sp. Record").asInteger());
    a = attribute(std::to_string(to));
    if (a.dataType == kLinked)
      throw ModelError("The link of " + describeTarget(a, target.site) + " names another link");
  }
  if (expectedType >= 0 && a.dataType != expectedType)
    throw ModelError("Attribute " + inQuotes(a.name) + " holds " + dataTypeName(a.dataType) + " values, not " +
                     dataTypeName(expectedType) + " values");
  if (!a.stored) return std::nullopt;
  auto rec = recordOf(a, site);
  if (!rec) return std::nullopt;
  {
    OpenTable t(*session_, a.alias, a.table);
    if (!t->findKey({FieldValue(*rec)})) throw missingRecord(a, site, *rec);
  }
  return Located{a, site, *rec,
                 "table " + inQuotes(a.table) + ", record RECID " + std::to_string(*rec) + " (" + describeTarget(a, site) + ")"};
}

std::optional<std::string> HostAdmin::readText(const ValueTarget& target) {
  auto l = locate(target, kText);
  if (!l) return std::nullopt;
  OpenTable t(*session_, l->attribute.alias, l->attribute.table);
  t->findKey({FieldValue(l->recid)});
  return t->field("Text").asText();
}

std::optional<MemoValue> HostAdmin::readMemo(const ValueTarget& target) {
  auto l = locate(target, kMemo);
  if (!l) return std::nullopt;
  OpenTable t(*session_, l->attribute.alias, l->attribute.table);
  t->findKey({FieldValue(l->recid)});
  return MemoValue{t->field("Title").asText(), t->field("Date").asText(), t->field("Memo").asText()};
}

std::optional<ArrayValue> HostAdmin::readArray(const ValueTarget& target) {
  auto l = locate(target, kArray);
  if (!l) return std::nullopt;
  OpenTable t(*session_, l->attribute.alias, l->attribute.table);
  t->findKey({FieldValue(l->recid)});
  ArrayValue v;
  v.title = t->field("Title").asText();
  v.date = t->field("Date").asText();
  v.rows = int16Checked(t->field("Rows"), "Rows");
  v.columns = int16Checked(t->field("Columns"), "Columns");
  v.format = t->field("Format").asText();
  const Blob bytes = t->readBlob("Data");
  if (bytes.size() % 4 != 0)
    throw ModelError(l->where + ", field 'Data': " + std::to_string(bytes.size()) +
                     " bytes are not a whole number of 4-byte values");
  v.data = blobToFloats(bytes);
  return v;
}

std::optional<TimeSeriesValue> HostAdmin::readTimeSeries(const ValueTarget& target) {
  auto l = locate(target, kTimeseries);
  if (!l) return std::nullopt;
  OpenTable t(*session_, l->attribute.alias, l->attribute.table);
  t->findKey({FieldValue(l->recid)});
  TimeSeriesValue v;
  try {
    readTimeSeriesHeader(v.header, *t);
  } catch (const ModelError& e) {
    throw ModelError(l->where + ": " + e.what());
  }
  const Blob bytes = t->readBlob("Data");
  if (auto fault = storedSeriesFault(v.header, bytes.size())) throw ModelError(l->where + ", " + *fault);
  v.values = blobToFloats(bytes);
  return v;
}

std::string HostAdmin::exportValue(const ValueTarget& target, int decimals) {
  AttributeInfo a = attribute(target.attribute, target.feature);
  int type = a.dataType;
  if (type == kLinked) {
    auto l = locate(target, -1);
    if (!l) throw ModelError("No value of " + describeTarget(a, target.site));
    type = l->attribute.dataType;
  }
  auto none = [&]() { return ModelError("No value of " + describeTarget(a, target.site)); };
  switch (type) {
    case kTimeseries: {
      auto v = readTimeSeries(target);
      if (!v) throw none();
      return timeSeriesCsv(*v, decimals < 0 ? 6 : decimals);
    }
    case kArray: {
      auto v = readArray(target);
      if (!v) throw none();
      auto l = locate(target, kArray);
      try {
        return arrayCsv(*v, decimals);
      } catch (const ModelError& e) {
        throw ModelError(l->where + ", field 'Data': " + e.what());
      }
    }
    case kMemo: {
      auto v = readMemo(target);
      if (!v) throw none();
      return v->text;
    }
    case kText: {
      auto v = readText(target);
      if (!v) throw none();
      return *v + "\n";
    }
    case kSingleInt:
    case kSingleReal: {
      auto l = locate(target, type);
      if (!l) throw none();
      OpenTable t(*session_, l->attribute.alias, l->attribute.table);
      t->findKey({FieldValue(l->recid)});
      if (type == kSingleInt) return std::to_string(t->field("Value").asInteger()) + "\n";
      return floatText(static_cast<float>(t->field("Value").asFloat()), decimals) + "\n";
    }
    default:
      throw ModelError("Attribute " + inQuotes(a.name) + " holds " + dataTypeName(type) +
                       " values, which have no text export");
  }
}

// ---------------------------------------------------------------- text of a series

std::string timeSeriesCsv(const TimeSeriesValue& v, int decimals) {
  const float factor = unitFactor(v.header.varType + 1, v.header.varUnit);
  std::vector<float> values = v.values;
  for (float& x : values) x = x * factor;
  return monthlyFlowCsv(v.header.startYear, v.header.startMonth, values, decimals);
}

}  // namespace oewr::hostdb
