#include "hostdb/flow_csv.h"

#include <cmath>
#include <limits>

#include "common/errors.h"
#include "common/text_format.h"
#include "common/text_input.h"
#include "model/site_inputs.h"

namespace oewr::hostdb {

namespace {

// One month as the file gives it, before the missing months are settled.
// Kept small: a file may hold many months.
struct MonthEntry {
  int year = 0;
  int month = 0;
  int line = 0;
  int field = 0;  // index of the value's column name
  bool present = false;
  double value = 0;
};

// The months of a file with the names of its columns (for messages).
struct MonthEntries {
  std::vector<std::string> names;
  std::vector<MonthEntry> months;
  const std::string& fieldOf(const MonthEntry& e) const { return names[static_cast<std::size_t>(e.field)]; }
};

[[noreturn]] void fail(const std::string& source, int line, const std::string& field, const std::string& what) {
  std::string where = source + ", line " + std::to_string(line);
  if (!field.empty()) where += ", field " + quoteHead(field);
  throw ModelError(where + ": " + what);
}

std::string monthText(int year, int month) { return formatText("%04d-%02d", year, month); }

int monthIndex(int year, int month) { return year * 12 + month - 1; }

bool isMissingText(const std::string& t) {
  return t.empty() || equalsIgnoreCase(t, "NA") || equalsIgnoreCase(t, "N/A") || equalsIgnoreCase(t, "NaN");
}

// Hydrological-year columns: October first.
constexpr int kWideMonths[12] = {10, 11, 12, 1, 2, 3, 4, 5, 6, 7, 8, 9};
constexpr const char* kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};

bool namesMonth(const std::string& text, int month) {
  const std::string full = kMonthNames[month - 1];
  return equalsIgnoreCase(text, full) || equalsIgnoreCase(text, full.substr(0, 3));
}

struct Line {
  int number = 0;
  std::vector<std::string> fields;
};

// The lines of a text that hold something, one at a time, split into fields.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {
    if (text_.size() >= 3 && text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
  }
  // False at the end of the text.
  bool next(Line& line) {
    while (!done_) {
      const std::size_t nl = text_.find('\n', pos_);
      std::string_view raw = text_.substr(pos_, nl == std::string_view::npos ? std::string_view::npos : nl - pos_);
      ++number_;
      if (nl == std::string_view::npos) done_ = true;
      else pos_ = nl + 1;
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      line.fields = splitCsvLine(raw);
      line.number = number_;
      for (const auto& f : line.fields)
        if (!f.empty()) return true;
    }
    return false;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;
  bool done_ = false;
};

std::optional<double> valueOf(const std::string& source, int line, const std::string& field, const std::string& text) {
  if (isMissingText(text)) return std::nullopt;
  double v = 0;
  if (!parseNumber(text, v)) {
    std::string why = "is not a number";
    storedFloat(text, why);  // says when the number is beyond a float's range
    fail(source, line, field, quoteHead(text) + " " + why);
  }
  return v;
}

int yearOf(const std::string& source, int line, const std::string& field, const std::string& text) {
  long long y = 0;
  if (!parseInteger(text, y)) fail(source, line, field, quoteHead(text) + " is not a year");
  if (y < 1 || y > 9998) fail(source, line, field, "year " + std::to_string(y) + " is outside 1 to 9998");
  return static_cast<int>(y);
}

// The header's names, as a header line (a long name by its head).
std::string columnList(const std::vector<std::string>& names) {
  std::string list;
  for (const auto& n : names) list += (list.empty() ? "" : ",") + (n.size() <= 40 ? n : quoteHead(n));
  return list;
}

void setValue(MonthEntry& e, std::optional<double> v) {
  e.present = v.has_value();
  e.value = v.value_or(0.0);
}

MonthEntries readLong(const Line& first, LineReader& reader, const std::string& source) {
  MonthEntries out;
  out.names = {"year", "month", "value"};
  long long probe = 0;
  Line l = first;
  bool more = true;
  if (!parseInteger(first.fields[0], probe)) {
    if (first.fields.size() != 3)
      fail(source, first.number, "",
           "the header has " + std::to_string(first.fields.size()) + " fields; expected 3 (year,month,value)");
    for (std::size_t i = 0; i < 3; ++i)
      if (!first.fields[i].empty()) out.names[i] = first.fields[i];
    more = reader.next(l);
  }
  const std::vector<std::string>& names = out.names;
  std::vector<MonthEntry>& months = out.months;
  for (; more; more = reader.next(l)) {
    if (l.fields.size() != 3)
      fail(source, l.number, "",
           "expected 3 fields (" + columnList(names) + "), found " + std::to_string(l.fields.size()));
    MonthEntry e;
    e.line = l.number;
    e.field = 2;
    e.year = yearOf(source, l.number, names[0], l.fields[0]);
    long long m = 0;
    if (!parseInteger(l.fields[1], m) || m < 1 || m > 12)
      fail(source, l.number, names[1], quoteHead(l.fields[1]) + " is not a month number from 1 to 12");
    e.month = static_cast<int>(m);
    setValue(e, valueOf(source, l.number, names[2], l.fields[2]));
    const int idx = monthIndex(e.year, e.month);
    if (!months.empty()) {
      // The months so far follow one another, so an earlier month is found by its index.
      const int firstIdx = monthIndex(months.front().year, months.front().month);
      const MonthEntry& p = months.back();
      const int prev = monthIndex(p.year, p.month);
      if (idx >= firstIdx && idx <= prev)
        fail(source, l.number, names[1],
             "month " + monthText(e.year, e.month) + " is given twice (also on line " +
                 std::to_string(months[static_cast<std::size_t>(idx - firstIdx)].line) + ")");
      if (idx < prev)
        fail(source, l.number, names[1],
             "month " + monthText(e.year, e.month) + " is out of order: it follows " + monthText(p.year, p.month) +
                 " (line " + std::to_string(p.line) + ")");
      if (idx > prev + 1) {
        const int gy = (prev + 1) / 12, gm = (prev + 1) % 12 + 1;
        const int ly = (idx - 1) / 12, lm = (idx - 1) % 12 + 1;
        std::string span = idx - prev == 2 ? monthText(gy, gm) : monthText(gy, gm) + " to " + monthText(ly, lm);
        fail(source, l.number, names[1],
             "gap in the record: " + span + " missing between line " + std::to_string(p.line) + " (" +
                 monthText(p.year, p.month) + ") and this line (" + monthText(e.year, e.month) + ")");
      }
    }
    months.push_back(e);
  }
  return out;
}

MonthEntries readWide(const Line& first, LineReader& reader, const std::string& source) {
  MonthEntries out;
  out.names = {"start", "end"};
  for (int m : kWideMonths) out.names.emplace_back(kMonthNames[m - 1]);
  out.names.emplace_back("Total");
  long long probe = 0;
  Line l = first;
  bool more = true;
  if (!parseInteger(first.fields[0], probe)) {
    const Line& h = first;
    if (h.fields.size() < 14 || h.fields.size() > 15)
      fail(source, h.number, "",
           "the header has " + std::to_string(h.fields.size()) +
               " fields; expected start,end, the twelve months October to September and an optional Total");
    if (!equalsIgnoreCase(h.fields[0], "start")) fail(source, h.number, h.fields[0], "the first column must be 'start'");
    if (!equalsIgnoreCase(h.fields[1], "end")) fail(source, h.number, h.fields[1], "the second column must be 'end'");
    for (int i = 0; i < 12; ++i)
      if (!namesMonth(h.fields[static_cast<std::size_t>(i) + 2], kWideMonths[i]))
        fail(source, h.number, h.fields[static_cast<std::size_t>(i) + 2],
             std::string("column ") + std::to_string(i + 3) + " must be " + kMonthNames[kWideMonths[i] - 1] +
                 " (the months run October to September)");
    for (std::size_t i = 0; i < h.fields.size(); ++i) out.names[i] = h.fields[i];
    more = reader.next(l);
  }
  const std::vector<std::string>& names = out.names;
  int prevStart = 0, prevLine = 0;
  for (; more; more = reader.next(l)) {
    if (l.fields.size() < 14 || l.fields.size() > 15)
      fail(source, l.number, "",
           "expected 14 or 15 fields (start,end, October to September, optional Total), found " +
               std::to_string(l.fields.size()));
    const int y0 = yearOf(source, l.number, names[0], l.fields[0]);
    const int y1 = yearOf(source, l.number, names[1], l.fields[1]);
    if (y1 != y0 + 1)
      fail(source, l.number, names[1],
           "end year " + std::to_string(y1) + " does not follow start year " + std::to_string(y0) +
               " (a hydrological year)");
    if (prevLine > 0) {
      const std::string here = std::to_string(y0) + "/" + std::to_string(y1);
      if (y0 == prevStart)
        fail(source, l.number, names[0], "hydrological year " + here + " is given twice (also on line " +
                                             std::to_string(prevLine) + ")");
      if (y0 < prevStart)
        fail(source, l.number, names[0], "hydrological year " + here + " is out of order: it follows " +
                                             std::to_string(prevStart) + "/" + std::to_string(prevStart + 1) +
                                             " (line " + std::to_string(prevLine) + ")");
      if (y0 > prevStart + 1) {
        std::string span = std::to_string(prevStart + 1) + "/" + std::to_string(prevStart + 2);
        if (y0 > prevStart + 2) span += " to " + std::to_string(y0 - 1) + "/" + std::to_string(y0);
        fail(source, l.number, names[0],
             "gap in the record: hydrological year " + span + " missing between line " + std::to_string(prevLine) +
                 " and this line");
      }
    }
    for (int k = 0; k < 12; ++k) {
      MonthEntry e;
      e.month = kWideMonths[k];
      e.year = e.month >= 10 ? y0 : y1;
      e.line = l.number;
      e.field = k + 2;
      setValue(e, valueOf(source, l.number, names[static_cast<std::size_t>(e.field)],
                          l.fields[static_cast<std::size_t>(k) + 2]));
      out.months.push_back(e);
    }
    prevStart = y0;
    prevLine = l.number;
  }
  return out;
}

FlowLayout detectLayout(const Line& l, const std::string& source) {
  long long probe = 0;
  if (equalsIgnoreCase(l.fields[0], "start")) return FlowLayout::Wide;
  const bool header = !parseInteger(l.fields[0], probe);
  if (l.fields.size() == 3) return FlowLayout::Long;
  if (l.fields.size() == 14 || l.fields.size() == 15) return FlowLayout::Wide;
  fail(source, l.number, "",
       std::string("cannot tell the layout from ") + (header ? "the header" : "the first row") + " of " +
           std::to_string(l.fields.size()) +
           " fields: expected year,month,value or start,end,October..September[,Total]");
}

[[noreturn]] void refuseMissing(const std::string& source, const MonthEntries& all, const MonthEntry& e,
                                const std::string& why) {
  fail(source, e.line, all.fieldOf(e),
       "no value for " + monthText(e.year, e.month) + why +
           "; say how to treat missing months (drop-leading, drop-leading-year, trim or zero)");
}

float toMillionM3(FlowUnit unit, const std::string& source, const MonthEntries& all, const MonthEntry& e) {
  double mcm = e.value;
  if (unit == FlowUnit::CubicMetres) mcm = e.value / 1.0e6;
  if (unit == FlowUnit::AcreFeet) mcm = e.value * kCubicMetresPerAcreFoot / 1.0e6;
  std::string why;
  const auto v = storedFloat(mcm, why);
  if (!v)
    fail(source, e.line, all.fieldOf(e),
         quoteHead(shortestText(e.value)) +
             (unit == FlowUnit::MillionM3 ? "" : " (" + shortestText(mcm) + " million m3)") + " " + why);
  return *v;
}

}  // namespace

int MonthlyFlowSeries::endYear() const {
  const int idx = monthIndex(startYear, startMonth) + static_cast<int>(values.size()) - 1;
  return idx / 12;
}

int MonthlyFlowSeries::endMonth() const {
  const int idx = monthIndex(startYear, startMonth) + static_cast<int>(values.size()) - 1;
  return idx % 12 + 1;
}

std::optional<FlowLayout> flowLayoutFromName(const std::string& name) {
  const std::string n = toLower(trim(name));
  if (n == "auto") return FlowLayout::Auto;
  if (n == "long") return FlowLayout::Long;
  if (n == "wide") return FlowLayout::Wide;
  return std::nullopt;
}

std::optional<FlowUnit> flowUnitFromName(const std::string& name) {
  const std::string n = toLower(trim(name));
  if (n == "mcm" || n == "million-m3" || n == "million_m3" || n == "mm3" || n == "million m3")
    return FlowUnit::MillionM3;
  if (n == "m3" || n == "cubic-metres" || n == "cubic-meters") return FlowUnit::CubicMetres;
  if (n == "acre-feet" || n == "acre-foot" || n == "acre_feet" || n == "af" || n == "acft" || n == "acre-ft")
    return FlowUnit::AcreFeet;
  return std::nullopt;
}

std::optional<MissingMonths> missingMonthsFromName(const std::string& name) {
  const std::string n = toLower(trim(name));
  if (n == "refuse") return MissingMonths::Refuse;
  if (n == "drop-leading") return MissingMonths::DropLeading;
  if (n == "drop-leading-year") return MissingMonths::DropLeadingYear;
  if (n == "trim") return MissingMonths::Trim;
  if (n == "zero") return MissingMonths::Zero;
  return std::nullopt;
}

const char* flowUnitName(FlowUnit unit) {
  switch (unit) {
    case FlowUnit::MillionM3: return "million m3";
    case FlowUnit::CubicMetres: return "m3";
    case FlowUnit::AcreFeet: return "acre-feet";
  }
  return "";
}

const char* missingMonthsName(MissingMonths m) {
  switch (m) {
    case MissingMonths::Refuse: return "refuse";
    case MissingMonths::DropLeading: return "drop-leading";
    case MissingMonths::DropLeadingYear: return "drop-leading-year";
    case MissingMonths::Trim: return "trim";
    case MissingMonths::Zero: return "zero";
  }
  return "";
}

std::vector<std::string> splitCsvLine(std::string_view line) {
  std::vector<std::string> fields;
  std::string cur;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        cur += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cur += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(trim(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  fields.push_back(trim(cur));
  return fields;
}

MonthlyFlowSeries parseMonthlyFlowCsv(std::string_view text, const std::string& source, const FlowCsvOptions& options) {
  LineReader reader(text);
  Line first;
  if (!reader.next(first)) throw ModelError(source + ": the file holds no data");
  FlowLayout layout = options.layout == FlowLayout::Auto ? detectLayout(first, source) : options.layout;
  const MonthEntries all =
      layout == FlowLayout::Wide ? readWide(first, reader, source) : readLong(first, reader, source);
  const std::vector<MonthEntry>& entries = all.months;
  if (entries.empty()) throw ModelError(source + ": the file holds a header but no months");

  // Settle the missing months: which entries are kept, and which become 0.
  std::size_t firstKept = 0, last = entries.size();  // kept range [firstKept, last)
  const MissingMonths policy = options.missing;
  auto firstValue = [&]() {
    std::size_t i = 0;
    while (i < entries.size() && !entries[i].present) ++i;
    return i;
  };
  if (policy == MissingMonths::DropLeading || policy == MissingMonths::DropLeadingYear ||
      policy == MissingMonths::Trim) {
    firstKept = firstValue();
    if (firstKept == entries.size()) throw ModelError(source + ": no month of the file holds a value");
    if (policy == MissingMonths::DropLeadingYear) {
      while (firstKept < entries.size() && entries[firstKept].month != 10) ++firstKept;
      if (firstKept == entries.size())
        throw ModelError(source + ": no October follows the first month with a value (" +
                         monthText(entries[firstValue()].year, entries[firstValue()].month) +
                         "), so no whole hydrological year is left");
    }
    if (policy == MissingMonths::Trim)
      while (last > firstKept && !entries[last - 1].present) --last;
  }
  MonthlyFlowSeries series;
  series.layout = layout;
  series.missingDropped = static_cast<int>(firstKept + (entries.size() - last));
  if (last - firstKept > static_cast<std::size_t>(kSeriesCapacity))
    throw ModelError(source + ": " + std::to_string(last - firstKept) + " months exceed the " +
                     std::to_string(kSeriesCapacity) + " that a series can hold");
  series.startYear = entries[firstKept].year;
  series.startMonth = entries[firstKept].month;
  series.values.reserve(last - firstKept);
  for (std::size_t i = firstKept; i < last; ++i) {
    const MonthEntry& e = entries[i];
    if (!e.present) {
      if (policy == MissingMonths::Zero) {
        series.values.push_back(0.0f);
        ++series.missingZeroed;
        continue;
      }
      std::string why;
      if (policy == MissingMonths::DropLeading || policy == MissingMonths::DropLeadingYear)
        why = " (only missing months before the first value are dropped)";
      if (policy == MissingMonths::Trim) why = " (only missing months at the start and the end are dropped)";
      refuseMissing(source, all, e, why);
    }
    series.values.push_back(toMillionM3(options.unit, source, all, e));
  }
  return series;
}

MonthlyFlowSeries readMonthlyFlowCsv(const std::filesystem::path& file, const FlowCsvOptions& options) {
  return parseMonthlyFlowCsv(readTextFile(file), file.string(), options);
}

std::string monthlyFlowCsv(int startYear, int startMonth, const std::vector<float>& values, int decimals) {
  const std::string fmt = "%d,%d,%." + std::to_string(decimals) + "f\n";
  std::string out = "year,month,value\n";
  int y = startYear, m = startMonth;
  for (float v : values) {
    out += formatText(fmt, y, m, v);
    if (++m > 12) {
      m = 1;
      ++y;
    }
  }
  return out;
}

}  // namespace oewr::hostdb
