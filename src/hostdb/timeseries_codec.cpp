#include "hostdb/timeseries_codec.h"

#include <cmath>

#include "common/errors.h"
#include "hostdb/blob_codec.h"
#include "hostdb/host_tables.h"
#include "hostdb/sqlite_connection.h"

namespace oewr::hostdb {

namespace {
std::string cut(const std::string& s, std::size_t n) { return s.size() > n ? s.substr(0, n) : s; }

int16_t int16Field(const HostTable& t, const char* name) {
  int64_t v = t.field(name).asInteger();
  if (v < INT16_MIN || v > INT16_MAX) throw RangeError(std::string("Field '") + name + "' out of 16-bit range");
  return static_cast<int16_t>(v);
}
}  // namespace

void readTimeSeriesHeader(TimeSeriesHeader& h, const HostTable& t) {
  h.geogId = cut(t.field("GeogID").asText(), 41);
  h.dataId = cut(t.field("DataID").asText(), 41);
  h.area = static_cast<float>(t.field("Area").asFloat());
  h.dataObject = int16Field(t, "Data Obj.");
  h.timeUnit = static_cast<int16_t>(int16Field(t, "Time Units") - 1);
  h.timeInterval = int16Field(t, "Time Int.");
  h.timeIntervalType = int16Field(t, "Time Int. Type");
  h.varType = static_cast<int16_t>(int16Field(t, "Var. Type") - 1);
  h.varUnit = int16Field(t, "Var. Unit");
  h.missingCode = static_cast<float>(t.field("MD Code").asFloat());
  h.scale = static_cast<float>(t.field("Scale").asFloat());
  CalendarDate s = parseDateText(t.field("Start Date").asText());
  h.startYear = static_cast<int16_t>(s.year);
  h.startMonth = static_cast<int16_t>(s.month);
  h.startDay = static_cast<int16_t>(s.day);
  CalendarDate e = parseDateText(t.field("End Date").asText());
  h.endYear = static_cast<int16_t>(e.year);
  h.endMonth = static_cast<int16_t>(e.month);
  h.endDay = static_cast<int16_t>(e.day);
  h.count = static_cast<int32_t>(t.field("No. Records").asInteger());
}

void writeTimeSeriesHeader(const TimeSeriesHeader& h, HostTable& t) {
  t.setField("GeogID", h.geogId);
  t.setField("DataID", h.dataId);
  t.setField("Area", h.area);
  t.setField("Data Obj.", static_cast<int>(h.dataObject));
  t.setField("Time Units", h.timeUnit + 1);
  t.setField("Time Int.", static_cast<int>(h.timeInterval));
  t.setField("Time Int. Type", static_cast<int>(h.timeIntervalType));
  t.setField("Var. Type", h.varType + 1);
  t.setField("Var. Unit", static_cast<int>(h.varUnit));
  t.setField("Scale", h.scale);
  t.setField("MD Code", h.missingCode);
  t.setField("No. Records", h.count);
  t.setField("Start Date", dateText(h.startYear, h.startMonth, h.startDay));
  t.setField("Start Time", kTimeFieldValue);
  t.setField("End Date", dateText(h.endYear, h.endMonth, h.endDay));
  t.setField("End Time", kTimeFieldValue);
}

float unitFactor(int storedVarType, int storedVarUnit) {
  if (storedVarType == kVolumeVarType) {
    if (storedVarUnit == 2) return 0.000001f;  // m3
    if (storedVarUnit == 3) return 0.001f;     // thousand m3
  }
  return 1.0f;
}

std::optional<std::string> storedSeriesFault(const TimeSeriesHeader& h, std::size_t dataBytes) {
  const int32_t n = h.count;
  if (n < 0 || n > kSeriesCapacity)
    return "field 'No. Records': " + std::to_string(n) + " is outside 0 to " + std::to_string(kSeriesCapacity);
  if (n > 0 && (h.startMonth < 1 || h.startMonth > 12))
    return std::string("field 'Start Date': the series has no valid start month");
  if (dataBytes != static_cast<std::size_t>(n) * 4)
    return "field 'Data': " + std::to_string(dataBytes) + " bytes where 'No. Records' " + std::to_string(n) +
           " needs " + std::to_string(static_cast<long long>(n) * 4);
  return std::nullopt;
}

void readTimeSeriesValues(TimeSeries& series, const HostTable& t) { readTimeSeriesValues(series, t.readBlob("Data")); }

void readTimeSeriesValues(TimeSeries& series, const Blob& bytes) {
  BlobReader r(bytes);
  int read = 0;
  for (; read < kSeriesCapacity; ++read) {
    float v;
    if (!r.readFloat(v)) break;
    series.values[read] = v;
  }
  // Values the bytes did not reach are left as they were, not scaled again.
  const float factor = unitFactor(series.header.varType + 1, series.header.varUnit);
  const int n = std::min(series.header.count, read);
  for (int i = 0; i < n; ++i) series.values[i] = series.values[i] * factor;
}

void writeTimeSeriesRecord(const TimeSeriesHeader& header, const std::vector<float>& values, HostTable& t) {
  if (auto fault = storedSeriesFault(header, values.size() * 4))
    throw ModelError("The series of " + std::to_string(values.size()) + " values is not written: its record would "
                     "have " + *fault);
  writeTimeSeriesHeader(header, t);
  t.writeBlob("Data", floatsToBlob(values));
}

void writeTimeSeriesValues(const std::vector<float>& values, HostTable& t) {
  t.writeBlob("Data", floatsToBlob(values));
  t.post();
}

namespace {
// "table 'timeseries', record RECID 3 (attribute 'Natural flows' (code 12), site 7)"
std::string storedValueText(Ttxtab& tx, const SlotRecord& rec, int32_t site) {
  std::string name;
  const bool wasOpen = tx.ddt2.active();
  if (!wasOpen) tx.ddt2.open();
  for (tx.ddt2.first(); !tx.ddt2.eof(); tx.ddt2.next())
    if (tx.ddt2.field("Attribute Code").asInteger() == rec.attributeCode) {
      name = tx.ddt2.field("Attribute Name").asText();
      break;
    }
  if (!wasOpen) tx.ddt2.close();
  return "table '" + tx.DTable.tableName() + "', record RECID " + std::to_string(rec.tableRecord) + " (attribute '" +
         name + "' (code " + std::to_string(rec.attributeCode) + "), site " + std::to_string(site) + ")";
}
}  // namespace

bool readSeriesFromSlot(ModelState& state, Ttxtab& tx, int slot, TimeSeries& series) {
  auto rec = findSlotRecord(state, tx, slot);
  if (!rec || !rec->recordFound) {
    tx.DTable.close();
    series.header.count = 0;
    return false;
  }
  try {
    readTimeSeriesHeader(series.header, tx.DTable);
    const Blob data = tx.DTable.readBlob("Data");
    if (auto fault = storedSeriesFault(series.header, data.size())) throw ModelError(*fault);
    series.name = cut(series.header.geogId + " " + series.header.dataId, 50);
    series.timeUnits = static_cast<int32_t>(tx.DTable.field("Time Units").asInteger());
    readTimeSeriesValues(series, data);
  } catch (const DatabaseError&) {
    series.header.count = 0;
    tx.DTable.close();
    throw;
  } catch (const ModelError& e) {
    // A record that does not hold what its header says is refused, not padded.
    series.header.count = 0;
    const std::string where = storedValueText(tx, *rec, state.site.spatialRecord);
    tx.DTable.close();
    throw ModelError(where + ", " + e.what() + "; the series is not read");
  }
  tx.DTable.close();
  return true;
}

TimeSeriesHeader derivedSeriesHeader(const TimeSeriesHeader& natural, const std::string& title) {
  TimeSeriesHeader header = natural;
  header.geogId = cut(title, 41);
  header.varType = static_cast<int16_t>(kVolumeVarType - 1);
  header.varUnit = static_cast<int16_t>(kMillionM3VarUnit);
  return header;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) throw RangeError("Range check error: month " + std::to_string(month));
  return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

namespace {
// Days from 1 Jan 0001 to the given date (proleptic Gregorian).
long long dayNumber(int y, int m, int d) {
  long long n = 0;
  long long yy = y - 1;
  n = yy * 365 + yy / 4 - yy / 100 + yy / 400;
  for (int i = 1; i < m; ++i) n += daysInMonth(y, i);
  return n + d - 1;
}
const long long kEpoch = dayNumber(1899, 12, 30);
}  // namespace

double encodeDateTime(int year, int month, int day, int minute, int hour) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
    throw ModelError("Invalid date: " + std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day));
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59)
    throw ModelError("Invalid time: " + std::to_string(hour) + ":" + std::to_string(minute));
  const double date = static_cast<double>(dayNumber(year, month, day) - kEpoch);
  const double time = (hour * 60.0 + minute) / 1440.0;
  return date >= 0 ? date + time : date - time;
}

void decodeDate(double dateTime, int& year, int& month, int& day) {
  long long n = static_cast<long long>(std::trunc(dateTime)) + kEpoch;
  int y = static_cast<int>(n / 366) + 1;
  while (dayNumber(y + 1, 1, 1) <= n) ++y;
  long long rest = n - dayNumber(y, 1, 1);
  int m = 1;
  while (rest >= daysInMonth(y, m)) rest -= daysInMonth(y, m++);
  year = y;
  month = m;
  day = static_cast<int>(rest) + 1;
}

void sortWithIndex(std::vector<float>& ra, std::vector<int32_t>& ib, int n) {
  if (n > kSortCapacity) throw RangeError("Range check error: sort of " + std::to_string(n) + " values exceeds 60000");
  if (n < 2) return;
  if (static_cast<int>(ra.size()) <= n || static_cast<int>(ib.size()) <= n)
    throw RangeError("Range check error: sort buffer shorter than " + std::to_string(n + 1));
  int l = (n >> 1) + 1;
  int ir = n;
  for (;;) {
    float rra;
    int32_t iib;
    if (l > 1) {
      --l;
      rra = ra[static_cast<std::size_t>(l)];
      iib = ib[static_cast<std::size_t>(l)];
    } else {
      rra = ra[static_cast<std::size_t>(ir)];
      iib = ib[static_cast<std::size_t>(ir)];
      ra[static_cast<std::size_t>(ir)] = ra[1];
      ib[static_cast<std::size_t>(ir)] = ib[1];
      if (--ir == 1) {
        ra[1] = rra;
        ib[1] = iib;
        return;
      }
    }
    int i = l;
    int j = l + l;
    while (j <= ir) {
      if (j < ir && ra[static_cast<std::size_t>(j)] < ra[static_cast<std::size_t>(j + 1)]) ++j;
      if (rra < ra[static_cast<std::size_t>(j)]) {
        ra[static_cast<std::size_t>(i)] = ra[static_cast<std::size_t>(j)];
        ib[static_cast<std::size_t>(i)] = ib[static_cast<std::size_t>(j)];
        i = j;
        j <<= 1;
      } else {
        break;
      }
    }
    ra[static_cast<std::size_t>(i)] = rra;
    ib[static_cast<std::size_t>(i)] = iib;
  }
}

}  // namespace oewr::hostdb
