#pragma once
// Monthly flow volumes from CSV files, as hydrologists exchange them, and back:
// the long layout `year,month,value` (one row a month) and the wide
// hydrological-year table (`start,end,October,...,September[,Total]`, one row
// a hydrological year). Values end up in million m3 per month, one per month
// from the first month on, without gaps.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oewr::hostdb {

enum class FlowLayout { Auto, Long, Wide };
enum class FlowUnit { MillionM3, CubicMetres, AcreFeet };

// What to do with months whose value is `NA` or empty.
enum class MissingMonths {
  Refuse,           // any missing month is an error (the default)
  DropLeading,      // the series starts at the first month with a value
  DropLeadingYear,  // as DropLeading, then on to the next October (a whole hydrological year)
  Trim,             // missing months at the start and at the end are dropped
  Zero,             // every missing month becomes 0
};

constexpr double kCubicMetresPerAcreFoot = 1233.48183754752;

std::optional<FlowLayout> flowLayoutFromName(const std::string& name);  // auto, long, wide
std::optional<FlowUnit> flowUnitFromName(const std::string& name);      // mcm, m3, acre-feet (and spellings)
std::optional<MissingMonths> missingMonthsFromName(const std::string& name);
const char* flowUnitName(FlowUnit unit);
const char* missingMonthsName(MissingMonths m);

struct FlowCsvOptions {
  FlowLayout layout = FlowLayout::Auto;
  FlowUnit unit = FlowUnit::MillionM3;
  MissingMonths missing = MissingMonths::Refuse;
};

struct MonthlyFlowSeries {
  int startYear = 0;
  int startMonth = 0;         // 1 .. 12
  std::vector<float> values;  // million m3 per month
  FlowLayout layout = FlowLayout::Long;
  int missingDropped = 0;  // missing months left out at the start or end
  int missingZeroed = 0;   // missing months stored as 0
  int endYear() const;
  int endMonth() const;
};

// Reads the text of a flow file. `source` names the file in messages. Bad
// input throws ModelError naming the file, the line and the field.
MonthlyFlowSeries parseMonthlyFlowCsv(std::string_view text, const std::string& source, const FlowCsvOptions& options);
MonthlyFlowSeries readMonthlyFlowCsv(const std::filesystem::path& file, const FlowCsvOptions& options);

// The long layout with a header line: "year,month,value", values with
// `decimals` decimals.
std::string monthlyFlowCsv(int startYear, int startMonth, const std::vector<float>& values, int decimals = 6);

// Splits one CSV line into trimmed fields; double quotes around a field are
// removed ("" inside stands for one quote).
std::vector<std::string> splitCsvLine(std::string_view line);

}  // namespace oewr::hostdb
