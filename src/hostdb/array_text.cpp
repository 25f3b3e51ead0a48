#include "hostdb/array_text.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

#include "common/errors.h"
#include "common/text_format.h"
#include "common/text_input.h"
#include "hostdb/host_checks.h"

namespace oewr::hostdb {

using detail::floatText;
using detail::inQuotes;
using detail::kMaxCode;

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
  if (equalsIgnoreCase(fmt, kSiteParametersFormat)) return named(parameterNames(ArrayKind::SiteParameters));
  if (equalsIgnoreCase(fmt, kEcologicalParametersFormat)) return named(parameterNames(ArrayKind::EcologicalParameters));
  if (equalsIgnoreCase(fmt, kFloodParametersFormat)) return named(parameterNames(ArrayKind::FloodParameters));
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

}  // namespace oewr::hostdb
