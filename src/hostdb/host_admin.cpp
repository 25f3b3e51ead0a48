#include "hostdb/host_admin.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iostream>
#include <limits>
#include <map>
#include <set>

#include "common/checked_int.h"
#include "common/errors.h"
#include "common/ini_file.h"
#include "common/text_format.h"
#include "common/text_input.h"
#include "hostdb/blob_codec.h"
#include "hostdb/flow_csv.h"
#include "hostdb/timeseries_codec.h"

namespace oewr::hostdb {

const char* const kModelExeName = "new_oewr.exe";
const char* const kDefaultDatabaseName = "TERAVOX";

namespace {

constexpr int kMaxCode = std::numeric_limits<int16_t>::max();

// ---------------------------------------------------------------- names

// Names are at most 80 characters; a longer text is quoted by its head.
std::string inQuotes(const std::string& s) { return quoteHead(s, 80); }

void requireLength(const std::string& what, const std::string& text, std::size_t maxLength, bool allowEmpty = false) {
  if (!allowEmpty && trim(text).empty()) throw ModelError(what + " is empty");
  if (text.size() > maxLength)
    // The head and the length of the text: "'abc...' (81 characters)".
    throw ModelError(what + " " + quoteHead(text, maxLength / 2) + " is too long; at most " +
                     std::to_string(maxLength) + " characters fit");
}

// A field name of a spatial table: printable, no double quotes.
void requireFieldName(const std::string& what, const std::string& name) {
  requireLength(what, name, 40);
  for (char c : name)
    if (c == '"' || static_cast<unsigned char>(c) < 32)
      throw ModelError(what + " " + inQuotes(name) + " holds a character a field name cannot have");
}

void requireAliasName(const std::string& alias) {
  requireLength("The database alias", alias, 30);
  for (char c : alias)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
      throw ModelError("The database alias " + inQuotes(alias) + " may hold only letters, digits, '_', '-' and '.'");
}

std::string dateOrToday(const std::string& date) {
  if (trim(date).empty()) return todayText();
  CalendarDate d = parseDateText(trim(date));
  return dateText(d.year, d.month, d.day);
}

bool sameFields(const TableDef& have, const TableDef& want) {
  if (have.fields.size() != want.fields.size()) return false;
  for (std::size_t i = 0; i < have.fields.size(); ++i)
    if (have.fields[i].name != want.fields[i].name || have.fields[i].type != want.fields[i].type) return false;
  return true;
}

// Opens a table for the scope of a block.
struct OpenTable {
  HostTable t;
  OpenTable(HostSession& s, const std::string& alias, const std::string& table) : t(s, alias, table) { t.open(); }
  HostTable* operator->() { return &t; }
  HostTable& operator*() { return t; }
};

int int16Checked(const FieldValue& v, const std::string& what) {
  const int64_t i = v.asInteger();
  if (i < std::numeric_limits<int16_t>::min() || i > std::numeric_limits<int16_t>::max())
    throw RangeError(what + " " + std::to_string(i) + " is out of the 16-bit range");
  return static_cast<int>(i);
}

// Shortest text that reads back as the same float.
std::string floatText(float v, int decimals) {
  if (decimals >= 0) return formatText("%." + std::to_string(decimals) + "f", v);
  return shortestText(v);
}

const std::vector<std::string>& ecologicalNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n = {"maxBaseflowExceedence", "perennialOption", "alignStressOption"};
    for (const char* table : {"highShift", "lowShift"})
      for (const char* season : {"Wet", "Dry"})
        for (const char* cat : {"A", "B", "C", "D"}) n.push_back(std::string(table) + season + cat);
    for (const char* season : {"Wet", "Dry"})
      for (const char* w : {"stressAtZeroFs", "fsWeight", "fiWeight", "fdWeight"}) n.push_back(std::string(w) + season);
    return n;
  }();
  return names;
}

const std::vector<std::string>& siteParameterNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (int p = 1; p <= SiteParameters::count; ++p) n.emplace_back(SiteParameters::nameAt(p));
    return n;
  }();
  return names;
}

const std::vector<std::string>& floodNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (int c = 1; c <= 5; ++c)
      for (const char* f : {"depth", "frequency", "events", "catchmentShape", "riverSlope"})
        n.push_back("category" + std::to_string(c) + "_" + f);
    return n;
  }();
  return names;
}

std::string describeTarget(const AttributeInfo& a, int32_t site) {
  return "attribute " + inQuotes(a.name) + " (code " + std::to_string(a.code) + "), site " + std::to_string(site);
}

}  // namespace

// ---------------------------------------------------------------- slots

const std::vector<SlotInfo>& modelSlots() {
  static const std::vector<SlotInfo> slots = {
      {3, "site-name", "site name", kText},
      {4, "site-parameters", "hydrology/hydraulic parameters", kArray},
      {5, "ecological-parameters", "ecological parameters", kArray},
      {6, "flood-parameters", "flood parameters", kArray},
      {7, "saved-cross-section", "saved channel cross-section", kArray},
      {8, "observed-cross-section", "observed channel cross-section", kArray},
      {9, "rating", "observed rating table (rating-curve segments)", kArray},
      {10, "natural-flows", "natural monthly flows", kTimeseries},
      {11, "present-flows", "present-day monthly flows", kTimeseries},
      {12, "scenario-flows", "scenario monthly flows", kTimeseries},
      {13, "total-assurance", "total flow assurance table (result)", kArray},
      {14, "low-assurance", "low flow assurance table (result)", kArray},
      {15, "total-ewr", "total flow EWR time series (result)", kTimeseries},
      {16, "low-ewr", "low flow EWR time series (result)", kTimeseries},
      {17, "report", "report (result)", kMemo},
  };
  return slots;
}

std::optional<int> slotFromName(const std::string& text) {
  long long n = 0;
  if (parseInteger(text, n)) {
    if (n >= 0 && n < kAttributeSlots) return static_cast<int>(n);
    return std::nullopt;
  }
  for (const auto& s : modelSlots())
    if (equalsIgnoreCase(trim(text), s.name)) return s.slot;
  return std::nullopt;
}

// ---------------------------------------------------------------- array records

std::optional<ArrayKind> arrayKindFromName(const std::string& name) {
  const std::string n = toLower(trim(name));
  if (n == "site-parameters") return ArrayKind::SiteParameters;
  if (n == "ecological-parameters") return ArrayKind::EcologicalParameters;
  if (n == "flood-parameters") return ArrayKind::FloodParameters;
  if (n == "cross-section") return ArrayKind::CrossSection;
  if (n == "rating") return ArrayKind::RatingSegments;
  if (n == "table") return ArrayKind::Table;
  return std::nullopt;
}

const char* arrayKindName(ArrayKind kind) {
  switch (kind) {
    case ArrayKind::SiteParameters: return "site-parameters";
    case ArrayKind::EcologicalParameters: return "ecological-parameters";
    case ArrayKind::FloodParameters: return "flood-parameters";
    case ArrayKind::CrossSection: return "cross-section";
    case ArrayKind::RatingSegments: return "rating";
    case ArrayKind::Table: return "table";
  }
  return "";
}

const std::vector<std::string>& parameterNames(ArrayKind kind) {
  static const std::vector<std::string> none;
  switch (kind) {
    case ArrayKind::SiteParameters: return siteParameterNames();
    case ArrayKind::EcologicalParameters: return ecologicalNames();
    case ArrayKind::FloodParameters: return floodNames();
    default: return none;
  }
}

namespace {
void requireCount(const char* what, const std::vector<float>& v, std::size_t n) {
  if (v.size() != n)
    throw ModelError(std::string(what) + " take " + std::to_string(n) + " values; " + std::to_string(v.size()) +
                     " given");
}
}  // namespace

ArrayValue siteParametersArray(const std::vector<float>& values) {
  requireCount("Site parameters", values, SiteParameters::count);
  return {"OEWR Hydrology and Hydraulic Parameters (Orvane EWR model)", "", SiteParameters::count, 1,
          kSiteParametersFormat, values};
}

ArrayValue ecologicalParametersArray(const std::vector<float>& values) {
  requireCount("Ecological parameters", values, 27);
  return {"OEWR Ecological (Orvane EWR model)", "", 27, 1, kEcologicalParametersFormat, values};
}

ArrayValue floodParametersArray(const std::vector<float>& values) {
  requireCount("Flood parameters", values, 25);
  return {"OEWR Saved Flood Parameters", "", 5, 5, kFloodParametersFormat, values};
}

ArrayValue crossSectionArray(const std::vector<float>& distances, const std::vector<float>& elevations) {
  if (distances.size() != elevations.size())
    throw ModelError("A cross-section needs as many elevations as distances (" + std::to_string(distances.size()) +
                     " distances, " + std::to_string(elevations.size()) + " elevations)");
  const std::size_t n = distances.size();
  if (n < 2) throw ModelError("A cross-section needs at least 2 points; " + std::to_string(n) + " given");
  if (n > static_cast<std::size_t>(kCrossSectionPointCapacity))
    throw ModelError("A cross-section holds at most " + std::to_string(kCrossSectionPointCapacity) + " points; " +
                     std::to_string(n) + " given");
  for (std::size_t i = 0; i < n; ++i) {
    if (distances[i] <= -900.0f || elevations[i] <= -900.0f)
      throw ModelError("Cross-section point " + std::to_string(i + 1) +
                       ": values of -900 and below mark the end of a section and cannot be points");
    if (i > 0 && distances[i] < distances[i - 1])
      throw ModelError("Cross-section point " + std::to_string(i + 1) + ": distance " + floatText(distances[i], -1) +
                       " lies before the previous point's " + floatText(distances[i - 1], -1));
  }
  ArrayValue a{"Channel X-Section", "", static_cast<int>(n + 1), 2, kCrossSectionFormat, {}};
  a.data.reserve(2 * (n + 1));
  a.data.insert(a.data.end(), distances.begin(), distances.end());
  a.data.push_back(-999.0f);
  a.data.insert(a.data.end(), elevations.begin(), elevations.end());
  a.data.push_back(-999.0f);
  return a;
}

ArrayValue ratingSegmentsArray(const std::vector<RatingSegment>& segments) {
  if (segments.empty()) throw ModelError("A rating table needs at least one segment");
  if (segments.size() > static_cast<std::size_t>(kRatingSegmentCapacity))
    throw ModelError("A rating table holds at most " + std::to_string(kRatingSegmentCapacity) + " segments; " +
                     std::to_string(segments.size()) + " given");
  for (std::size_t k = 0; k < segments.size(); ++k) {
    const RatingSegment& s = segments[k];
    const std::string where = "Rating segment " + std::to_string(k + 1) + ": ";
    if (!(s.a > 0.0f)) throw ModelError(where + "A must be above 0 (depth = C + A x Q^B)");
    if (!(s.b > 0.0f)) throw ModelError(where + "B must be above 0 (depth = C + A x Q^B)");
    if (!(s.d > 0.0f)) throw ModelError(where + "D, the segment's upper discharge, must be above 0");
    if (k > 0 && !(s.d > segments[k - 1].d))
      throw ModelError(where + "D " + floatText(s.d, -1) + " must be above the previous segment's " +
                       floatText(segments[k - 1].d, -1));
  }
  ArrayValue a{"Observed Rating Segments", "", kRatingRows, 8, kRatingSegmentsFormat, {}};
  for (int row = 0; row < kRatingRows; ++row) {
    if (row < static_cast<int>(segments.size())) {
      const RatingSegment& s = segments[static_cast<std::size_t>(row)];
      const float lower = row == 0 ? 0.0f : segments[static_cast<std::size_t>(row) - 1].d;
      a.data.insert(a.data.end(), {static_cast<float>(row + 1), lower, s.d, 1.0f, s.a, s.b, s.c, s.d});
    } else {
      a.data.insert(a.data.end(), {static_cast<float>(row + 1), 0.0f, 0.0f, 0.0f});
    }
  }
  return a;
}

std::vector<RatingSegment> ratingSegmentsOf(const std::vector<float>& data) {
  std::vector<RatingSegment> out;
  std::size_t i = 0;
  for (int row = 0; row < kRatingRows; ++row) {
    if (i + 4 > data.size())
      throw ModelError("the rating table ends in row " + std::to_string(row + 1) + " of " + std::to_string(kRatingRows));
    const float flag = data[i + 3];
    i += 4;
    if (flag > 0.0f) {
      if (i + 4 > data.size())
        throw ModelError("the rating table ends inside the segment of row " + std::to_string(row + 1));
      if (out.size() >= static_cast<std::size_t>(kRatingSegmentCapacity))
        throw ModelError("the rating table holds more than " + std::to_string(kRatingSegmentCapacity) + " segments");
      out.push_back({data[i], data[i + 1], data[i + 2], data[i + 3]});
      i += 4;
    }
  }
  if (i != data.size())
    throw ModelError("the rating table holds " + std::to_string(data.size() - i) + " values after its " +
                     std::to_string(kRatingRows) + " rows");
  return out;
}

namespace {

struct NumberLine {
  int number = 0;
  std::vector<std::string> fields;
};

std::vector<NumberLine> numberLines(const std::string& raw) {
  std::string_view text = raw;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<NumberLine> out;
  int number = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::string line(text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos));
    ++number;
    if (std::size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::vector<std::string> fields;
    std::string cur;
    for (char c : line) {
      if (c == ',' || c == ';' || std::isspace(static_cast<unsigned char>(c))) {
        if (!cur.empty()) fields.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    if (!cur.empty()) fields.push_back(cur);
    if (!fields.empty()) out.push_back({number, std::move(fields)});
    if (nl == std::string_view::npos) break;
    pos = nl + 1;
  }
  return out;
}

[[noreturn]] void failAt(const std::string& source, int line, const std::string& field, const std::string& what) {
  std::string where = source + ", line " + std::to_string(line);
  if (!field.empty()) where += ", field " + quoteHead(field);
  throw ModelError(where + ": " + what);
}

bool isNumber(const std::string& s) {
  double v = 0;
  return parseNumber(s, v);
}

float numberAt(const std::string& source, int line, const std::string& field, const std::string& text) {
  std::string why;
  const auto v = storedFloat(text, why);
  if (!v) failAt(source, line, field, quoteHead(text) + " " + why);
  return *v;
}

// Lines of fixed columns: returns the numbers line by line, after an optional header.
std::vector<std::pair<int, std::vector<float>>> columnLines(const std::vector<NumberLine>& lines,
                                                            const std::string& source,
                                                            const std::vector<std::string>& columnNames) {
  std::vector<std::pair<int, std::vector<float>>> out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const NumberLine& l = lines[i];
    if (i == 0 && !isNumber(l.fields[0])) continue;  // header
    if (l.fields.size() != columnNames.size()) {
      std::string names;
      for (const auto& n : columnNames) names += (names.empty() ? "" : ",") + n;
      failAt(source, l.number, "",
             "expected " + std::to_string(columnNames.size()) + " values (" + names + "), found " +
                 std::to_string(l.fields.size()));
    }
    std::vector<float> row;
    for (std::size_t c = 0; c < l.fields.size(); ++c) row.push_back(numberAt(source, l.number, columnNames[c], l.fields[c]));
    out.emplace_back(l.number, std::move(row));
  }
  return out;
}

// Re-raises a record's rule as an error at a line of the file.
template <typename F>
auto atLine(const std::string& source, int line, F f) {
  try {
    return f();
  } catch (const ModelError& e) {
    failAt(source, line, "", e.what());
  }
}

}  // namespace

ArrayValue arrayFromText(ArrayKind kind, const std::string& text, const std::string& source) {
  const std::vector<NumberLine> lines = numberLines(text);
  if (lines.empty()) throw ModelError(source + ": holds no values");
  switch (kind) {
    case ArrayKind::SiteParameters:
    case ArrayKind::EcologicalParameters:
    case ArrayKind::FloodParameters: {
      const auto& names = parameterNames(kind);
      std::vector<float> values;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const NumberLine& l = lines[i];
        std::size_t from = 0;
        if (!isNumber(l.fields[0]) && l.fields.size() == 2) {
          if (i == 0 && equalsIgnoreCase(l.fields[0], "name")) continue;  // header
          if (values.size() >= names.size())
            failAt(source, l.number, l.fields[0], "more than the " + std::to_string(names.size()) + " values of " +
                                                      arrayKindName(kind));
          const std::string& want = names[values.size()];
          if (!equalsIgnoreCase(l.fields[0], want))
            failAt(source, l.number, l.fields[0],
                   "value " + std::to_string(values.size() + 1) + " of " + arrayKindName(kind) + " is " +
                       inQuotes(want) + ", not " + inQuotes(l.fields[0]));
          from = 1;
        }
        for (std::size_t f = from; f < l.fields.size(); ++f) {
          const std::string field = values.size() < names.size() ? names[values.size()] : "value";
          if (values.size() >= names.size())
            failAt(source, l.number, field,
                   "more than the " + std::to_string(names.size()) + " values of " + arrayKindName(kind));
          values.push_back(numberAt(source, l.number, field, l.fields[f]));
        }
      }
      if (values.size() != names.size())
        throw ModelError(source + ": " + arrayKindName(kind) + " take " + std::to_string(names.size()) +
                         " values; the file holds " + std::to_string(values.size()) + " (the next missing is " +
                         inQuotes(names[values.size()]) + ")");
      return arrayFromNumbers(kind, values);
    }
    case ArrayKind::CrossSection: {
      std::vector<float> d, e;
      int lastLine = 0;
      for (const auto& [line, row] : columnLines(lines, source, {"distance", "elevation"})) {
        if (row[0] <= -900.0f && row[1] <= -900.0f) break;  // the closing row
        d.push_back(row[0]);
        e.push_back(row[1]);
        lastLine = line;
        // Captured by name: clang 14 cannot capture a structured binding.
        atLine(source, line, [&, &point = row] {
          if (d.size() > 1 && d.back() < d[d.size() - 2])
            throw ModelError("distance " + floatText(d.back(), -1) + " lies before the previous point's " +
                             floatText(d[d.size() - 2], -1));
          if (point[0] <= -900.0f || point[1] <= -900.0f)
            throw ModelError("values of -900 and below mark the end of a section and cannot be points");
          return 0;
        });
      }
      return atLine(source, lastLine, [&] { return crossSectionArray(d, e); });
    }
    case ArrayKind::RatingSegments: {
      std::vector<float> numbers;
      int lastLine = 0;
      for (const auto& [line, row] : columnLines(lines, source, {"A", "B", "C", "D"})) {
        numbers.insert(numbers.end(), row.begin(), row.end());
        lastLine = line;
        const std::size_t k = numbers.size() / 4;
        if (k <= static_cast<std::size_t>(kRatingSegmentCapacity))
          atLine(source, line, [&] {
            std::vector<RatingSegment> segs;
            for (std::size_t i = 0; i + 3 < numbers.size(); i += 4)
              segs.push_back({numbers[i], numbers[i + 1], numbers[i + 2], numbers[i + 3]});
            return ratingSegmentsArray(segs);
          });
      }
      return atLine(source, lastLine, [&] { return arrayFromNumbers(kind, numbers); });
    }
    case ArrayKind::Table: {
      std::size_t columns = 0;
      std::vector<std::vector<float>> rows;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const NumberLine& l = lines[i];
        if (i == 0 && !isNumber(l.fields[0])) continue;  // header
        if (columns == 0) columns = l.fields.size();
        if (l.fields.size() != columns)
          failAt(source, l.number, "",
                 "expected " + std::to_string(columns) + " values as on the first row, found " +
                     std::to_string(l.fields.size()));
        std::vector<float> row;
        for (std::size_t c = 0; c < columns; ++c)
          row.push_back(numberAt(source, l.number, "column " + std::to_string(c + 1), l.fields[c]));
        rows.push_back(std::move(row));
      }
      if (rows.empty()) throw ModelError(source + ": holds a header but no rows");
      std::vector<float> data;
      for (std::size_t c = 0; c < columns; ++c)
        for (const auto& r : rows) data.push_back(r[c]);
      return arrayFromNumbers(kind, data, static_cast<int>(rows.size()), static_cast<int>(columns));
    }
  }
  throw ModelError("Unknown array kind");
}

ArrayValue arrayFromNumbers(ArrayKind kind, const std::vector<float>& numbers, int rows, int columns) {
  switch (kind) {
    case ArrayKind::SiteParameters: return siteParametersArray(numbers);
    case ArrayKind::EcologicalParameters: return ecologicalParametersArray(numbers);
    case ArrayKind::FloodParameters: return floodParametersArray(numbers);
    case ArrayKind::CrossSection: {
      if (numbers.size() % 2 != 0)
        throw ModelError("A cross-section takes distance, elevation pairs; " + std::to_string(numbers.size()) +
                         " values given");
      std::vector<float> d, e;
      for (std::size_t i = 0; i < numbers.size(); i += 2) {
        d.push_back(numbers[i]);
        e.push_back(numbers[i + 1]);
      }
      return crossSectionArray(d, e);
    }
    case ArrayKind::RatingSegments: {
      if (numbers.size() % 4 != 0)
        throw ModelError("Rating segments take A, B, C, D quadruples; " + std::to_string(numbers.size()) +
                         " values given");
      std::vector<RatingSegment> segs;
      for (std::size_t i = 0; i < numbers.size(); i += 4)
        segs.push_back({numbers[i], numbers[i + 1], numbers[i + 2], numbers[i + 3]});
      return ratingSegmentsArray(segs);
    }
    case ArrayKind::Table: {
      if (rows < 1 || columns < 1 || rows > kMaxCode || columns > kMaxCode)
        throw ModelError("A table needs 1 to 32767 rows and columns (" + std::to_string(rows) + " rows, " +
                         std::to_string(columns) + " columns given)");
      if (numbers.size() != static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns))
        throw ModelError("A table of " + std::to_string(rows) + " rows and " + std::to_string(columns) +
                         " columns takes " + std::to_string(rows * columns) + " values; " +
                         std::to_string(numbers.size()) + " given");
      return {"", "", rows, columns, "", numbers};
    }
  }
  throw ModelError("Unknown array kind");
}

std::string arrayCsv(const ArrayValue& a, int decimals) {
  std::string out;
  auto num = [&](float v) { return floatText(v, decimals); };
  const std::string& fmt = a.format;
  auto named = [&](const std::vector<std::string>& names) {
    if (a.data.size() != names.size())
      throw ModelError("a " + fmt + " record holds " + std::to_string(names.size()) + " values, this one " +
                       std::to_string(a.data.size()));
    out = "name,value\n";
    for (std::size_t i = 0; i < names.size(); ++i) out += names[i] + "," + num(a.data[i]) + "\n";
    return out;
  };
  if (equalsIgnoreCase(fmt, kSiteParametersFormat)) return named(siteParameterNames());
  if (equalsIgnoreCase(fmt, kEcologicalParametersFormat)) return named(ecologicalNames());
  if (equalsIgnoreCase(fmt, kFloodParametersFormat)) return named(floodNames());
  if (equalsIgnoreCase(fmt, kRatingSegmentsFormat)) {
    out = "A,B,C,D\n";
    for (const auto& s : ratingSegmentsOf(a.data))
      out += num(s.a) + "," + num(s.b) + "," + num(s.c) + "," + num(s.d) + "\n";
    return out;
  }
  const std::size_t rows = static_cast<std::size_t>(std::max(a.rows, 0));
  const std::size_t cols = static_cast<std::size_t>(std::max(a.columns, 0));
  if (rows * cols != a.data.size())
    throw ModelError("'Rows' " + std::to_string(a.rows) + " x 'Columns' " + std::to_string(a.columns) + " make " +
                     std::to_string(rows * cols) + " values but the data hold " + std::to_string(a.data.size()));
  auto at = [&](std::size_t r, std::size_t c) { return a.data[c * rows + r]; };
  if (equalsIgnoreCase(fmt, kCrossSectionFormat) && cols == 2) {
    out = "distance,elevation\n";
    for (std::size_t r = 0; r < rows; ++r) {
      if (at(r, 0) < -900.0f || at(r, 1) < -900.0f) break;  // end of the section
      out += num(at(r, 0)) + "," + num(at(r, 1)) + "\n";
    }
    return out;
  }
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < cols; ++c) out += (c ? "," : "") + num(at(r, c));
    out += "\n";
  }
  return out;
}

std::string timeSeriesCsv(const TimeSeriesValue& v, int decimals) {
  const float factor = unitFactor(v.header.varType + 1, v.header.varUnit);
  std::vector<float> values = v.values;
  for (float& x : values) x = x * factor;
  return monthlyFlowCsv(v.header.startYear, v.header.startMonth, values, decimals);
}

// ---------------------------------------------------------------- opening and creating

HostAdmin::HostAdmin(const std::filesystem::path& iniFile, const std::string& alias, LockWaitHandler lockWait,
                     HostAccess access) {
  std::error_code ec;
  if (!std::filesystem::exists(iniFile, ec)) throw ModelError(iniFile.string() + ": no such ini file");
  IniFile ini = IniFile::load(iniFile);
  std::string dbName = trim(ini.value("Startup", "datab_name", ""));
  if (dbName.empty()) dbName = kDefaultDatabaseName;
  const std::filesystem::path base = iniFile.has_parent_path() ? iniFile.parent_path() : std::filesystem::path(".");
  std::filesystem::path datDir = trim(ini.value("Startup", "dat_dir", ""));
  if (datDir.empty()) datDir = base;
  if (datDir.is_relative()) datDir = base / datDir;
  ownedSession_ = HostSession::fromIni(iniFile, dbName, datDir.lexically_normal().string(), access);
  session_ = ownedSession_.get();
  if (lockWait) session_->setLockWaitHandler(std::move(lockWait));
  alias_ = trim(alias).empty() ? dbName : trim(alias);
  if (!session_->hasAlias(alias_)) {
    std::string known;
    for (const auto& n : session_->aliasNames()) known += (known.empty() ? "" : ", ") + n;
    throw ModelError(iniFile.string() + ": no database alias " + inQuotes(alias_) + " (aliases: " + known + ")");
  }
  requireDatabase();
}

HostAdmin::HostAdmin(HostSession& session, const std::string& alias) : session_(&session), alias_(trim(alias)) {
  requireDatabase();
}

HostAdmin::~HostAdmin() = default;

std::filesystem::path HostAdmin::databaseFile() const { return session_->databaseFile(alias_); }

void HostAdmin::requireDatabase() {
  const std::filesystem::path dir = session_->aliasPath(alias_);
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec))
    throw ModelError("The directory of database alias " + inQuotes(alias_) + " does not exist: " + dir.string());
  if (!session_->hasDatabase(alias_))
    throw ModelError("Database alias " + inQuotes(alias_) + " holds no host database: " + databaseFile().string() +
                     " does not exist (`oewr host create` makes one)");
  for (const char* t : {kDict1, kDict2, kDict3, kDict4, kRequestTable})
    if (!session_->tableExists(alias_, t))
      throw ModelError("The host database of alias " + inQuotes(alias_) + " has no table " + inQuotes(t));
}

CreateResult HostAdmin::createDatabase(const std::filesystem::path& iniFile, const std::string& aliasText,
                                       const std::filesystem::path& directory, bool makeDefault) {
  const std::string alias = trim(aliasText);
  requireAliasName(alias);
  if (directory.empty()) throw ModelError("No directory given for database alias " + inQuotes(alias));
  std::error_code ec;
  if (std::filesystem::exists(iniFile, ec) && !std::filesystem::is_regular_file(iniFile, ec))
    throw ModelError(iniFile.string() + ": is not a file");
  const std::filesystem::path dir = std::filesystem::absolute(directory).lexically_normal();
  if (std::filesystem::exists(dir, ec) && !std::filesystem::is_directory(dir, ec))
    throw ModelError(dir.string() + ": is not a directory");

  IniFile ini = IniFile::load(iniFile);
  const std::filesystem::path base =
      std::filesystem::absolute(iniFile.has_parent_path() ? iniFile.parent_path() : std::filesystem::path("."));
  for (const auto& [name, value] : ini.section("Aliases")) {
    if (!equalsIgnoreCase(trim(name), alias)) continue;
    std::filesystem::path have(value);
    if (have.is_relative()) have = base / have;
    if (std::filesystem::weakly_canonical(have) != std::filesystem::weakly_canonical(dir))
      throw ModelError(iniFile.string() + ": alias " + inQuotes(alias) + " already names the directory " + value);
  }

  std::filesystem::create_directories(dir);
  CreateResult result;
  result.databaseFile = dir / kHostDatabaseFile;
  {
    HostSession session(std::map<std::string, std::string>{{alias, dir.string()}});
    HostTransaction tx(session);
    const std::vector<std::pair<const char*, TableDef>> tables = {
        {kDict1, dictTableDef(1)}, {kDict2, dictTableDef(2)},   {kDict3, dictTableDef(3)},
        {kDict4, dictTableDef(4)}, {kRequestTable, requestTableDef()}};
    for (const auto& [name, def] : tables) {
      if (session.tableExists(alias, name)) {
        if (!sameFields(session.tableDef(alias, name), def))
          throw ModelError("The table " + inQuotes(name) + " in " + result.databaseFile.string() +
                           " exists but does not have the fields of the host's table");
        result.keptTables.emplace_back(name);
      } else {
        session.createTable(alias, name, def);
        result.createdTables.emplace_back(name);
      }
    }
    tx.commit();
  }
  ini.set("Aliases", alias, dir.string());
  if (makeDefault || trim(ini.value("Startup", "datab_name", "")).empty()) ini.set("Startup", "datab_name", alias);
  if (makeDefault || trim(ini.value("Startup", "dat_dir", "")).empty()) ini.set("Startup", "dat_dir", dir.string());
  if (iniFile.has_parent_path()) std::filesystem::create_directories(iniFile.parent_path());
  ini.save(iniFile);
  return result;
}

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

std::vector<RequestInfo> HostAdmin::requests() {
  std::vector<RequestInfo> out;
  OpenTable t(*session_, alias_, kRequestTable);
  for (t->first(); !t->eof(); t->next()) {
    RequestInfo r;
    r.recordNumber = t->recNo();
    r.description = t->field("Description").asText();
    r.date = t->field("Date").asText();
    r.exe = t->field("EXE").asText();
    r.feature = static_cast<int>(t->field("Feature").asInteger());
    const int n = int16Checked(t->field("Attributes"), "Attributes");
    const Blob list = t->readBlob("Attribute List");
    BlobReader rd(list);
    const std::size_t per = n > 0 ? list.size() / static_cast<std::size_t>(n) : 0;
    for (int i = 0; i < n && (per == 4 || per == 2); ++i) {
      int32_t v32 = 0;
      int16_t v16 = 0;
      if (per == 4 && rd.readInt32(v32)) r.attributeCodes.push_back(v32);
      if (per == 2 && rd.readInt16(v16)) r.attributeCodes.push_back(v16);
    }
    const Blob sp = t->readBlob("Spatial Input List");
    BlobReader spr(sp);
    int32_t v = 0;
    while (spr.readInt32(v)) r.spatialInputs.push_back(v);
    out.push_back(std::move(r));
  }
  return out;
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

// ---------------------------------------------------------------- requests

int HostAdmin::addRequest(const std::string& descriptionText, const std::string& date, const std::string& featureRef,
                          int32_t site, const std::vector<int32_t>& codes) {
  const std::string description = trim(descriptionText);
  requireLength("The request description", description, 40, true);
  const std::string when = dateOrToday(date);
  if (codes.empty() || codes.size() > static_cast<std::size_t>(kAttributeSlots))
    throw ModelError("A request lists 1 to " + std::to_string(kAttributeSlots) + " attribute slots; " +
                     std::to_string(codes.size()) + " given");
  HostTransaction tx(*session_);
  FeatureInfo f = feature(featureRef);
  requireSite(f.code, site);
  const std::vector<AttributeInfo> all = attributes();
  for (std::size_t slot = 0; slot < codes.size(); ++slot) {
    if (codes[slot] == 0) continue;
    const std::string where = "Slot " + std::to_string(slot) + ": ";
    auto it = std::find_if(all.begin(), all.end(), [&](const AttributeInfo& a) { return a.code == codes[slot]; });
    if (it == all.end()) throw ModelError(where + "no attribute of code " + std::to_string(codes[slot]));
    if (it->featureCode != f.code)
      throw ModelError(where + "attribute " + inQuotes(it->name) + " belongs to another feature than " + inQuotes(f.name));
    for (const auto& s : modelSlots())
      if (s.slot == static_cast<int>(slot) && it->dataType != kLinked && it->dataType != s.dataType)
        throw ModelError(where + "the " + s.description + " is a " + dataTypeName(s.dataType) + " attribute; " +
                         inQuotes(it->name) + " holds " + dataTypeName(it->dataType) + " values");
  }
  OpenTable t(*session_, alias_, kRequestTable);
  t->append();
  t->setField("Description", description);
  t->setField("Date", when);
  t->setField("EXE", kModelExeName);
  t->setField("Feature", f.code);
  t->setField("Spatial Elements", 1);
  t->setField("Attributes", static_cast<int>(codes.size()));
  t->writeBlob("Attribute List", int32sToBlob(codes));
  t->writeBlob("Spatial Input List", int32sToBlob({site}));
  t->post();
  const int recordNumber = t->recNo();
  tx.commit();
  return recordNumber;
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

void writeTextFile(const std::filesystem::path& file, const std::string& text) {
  if (file == "-") {
    std::cout << text;
    std::cout.flush();
    return;
  }
  std::filesystem::path tmp = file;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) throw ModelError(file.string() + ": cannot be written");
    out << text;
    if (!out.flush()) {
      out.close();
      std::error_code ec;
      std::filesystem::remove(tmp, ec);
      throw ModelError(file.string() + ": cannot be written");
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, file, ec);
  if (ec) {
    std::filesystem::remove(tmp, ec);
    throw ModelError(file.string() + ": cannot be written");
  }
}

}  // namespace oewr::hostdb
