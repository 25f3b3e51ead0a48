#include <gtest/gtest.h>

#include <fstream>

#include "common/errors.h"
#include "hostdb/flow_csv.h"
#include "support/temp_dir.h"

using namespace oewr;
using namespace oewr::hostdb;

namespace {

MonthlyFlowSeries parse(const std::string& text, FlowCsvOptions o = {}) { return parseMonthlyFlowCsv(text, "f.csv", o); }

// The message of the error that parsing throws ("" when it does not throw).
std::string errorOf(const std::string& text, FlowCsvOptions o = {}) {
  try {
    parse(text, o);
  } catch (const ModelError& e) {
    return e.what();
  }
  return "";
}

const std::string kWideHeader =
    "start,end,October,November,December,January,February,March,April,May,June,July,August,September,Total\n";

std::string wideRow(int start, const std::string& cells, const std::string& total = "0") {
  return std::to_string(start) + "," + std::to_string(start + 1) + "," + cells + "," + total + "\n";
}

const std::string kTwelve = "1,2,3,4,5,6,7,8,9,10,11,12";

}  // namespace

TEST(FlowCsvLong, HeaderOptionalAndCrLfAndBom) {
  const std::string body = "1905,10,82.621080\r\n1905,11,74.17\r\n1905,12,45.768344\r\n1906,1,1e1\r\n";
  for (const std::string& text : {body, "year,month,volume_mcm\r\n" + body, "\xEF\xBB\xBFyear,month,value\n" + body}) {
    MonthlyFlowSeries s = parse(text);
    EXPECT_EQ(s.layout, FlowLayout::Long);
    EXPECT_EQ(s.startYear, 1905);
    EXPECT_EQ(s.startMonth, 10);
    ASSERT_EQ(s.values.size(), 4u);
    EXPECT_EQ(s.values[0], 82.621080f);
    EXPECT_EQ(s.values[3], 10.0f);
    EXPECT_EQ(s.endYear(), 1906);
    EXPECT_EQ(s.endMonth(), 1);
  }
}

TEST(FlowCsvLong, UnitsBecomeMillionCubicMetres) {
  FlowCsvOptions o;
  o.unit = FlowUnit::CubicMetres;
  EXPECT_EQ(parse("2000,1,2500000\n", o).values[0], 2.5f);
  o.unit = FlowUnit::AcreFeet;
  // 1 acre-foot = 1233.48183754752 m3: 1e6 acre-feet are 1233.48183754752 million m3.
  EXPECT_EQ(parse("2000,1,1000000\n", o).values[0], static_cast<float>(1233.48183754752));
  EXPECT_EQ(parse("2000,1,67000\n", o).values[0], static_cast<float>(67000 * 1233.48183754752 / 1e6));
  EXPECT_EQ(flowUnitFromName("acre-feet"), FlowUnit::AcreFeet);
  EXPECT_EQ(flowUnitFromName("m3"), FlowUnit::CubicMetres);
  EXPECT_EQ(flowUnitFromName("MCM"), FlowUnit::MillionM3);
  EXPECT_FALSE(flowUnitFromName("litres"));
}

TEST(FlowCsvLong, BadRowsNameFileLineAndField) {
  EXPECT_EQ(errorOf("year,month,value\n2000,1,5\n2000,2,abc\n"),
            "f.csv, line 3, field 'value': 'abc' is not a number");
  EXPECT_EQ(errorOf("2000,1,5\n2000,13,5\n"), "f.csv, line 2, field 'month': '13' is not a month number from 1 to 12");
  EXPECT_EQ(errorOf("2000,1,5\nyr,2,5\n"), "f.csv, line 2, field 'year': 'yr' is not a year");
  EXPECT_EQ(errorOf("2000,1,5\n2000,2,5,7\n"), "f.csv, line 2: expected 3 fields (year,month,value), found 4");
  // Header names are used in messages.
  EXPECT_EQ(errorOf("yr,mo,flow\n2000,1,x\n"), "f.csv, line 2, field 'flow': 'x' is not a number");
}

TEST(FlowCsvLong, GapsDuplicatesAndDisorderAreRefused) {
  EXPECT_EQ(errorOf("2000,1,5\n2000,2,5\n2000,5,5\n"),
            "f.csv, line 3, field 'month': gap in the record: 2000-03 to 2000-04 missing between line 2 (2000-02) "
            "and this line (2000-05)");
  EXPECT_EQ(errorOf("1999,12,5\n2000,2,5\n"),
            "f.csv, line 2, field 'month': gap in the record: 2000-01 missing between line 1 (1999-12) and this "
            "line (2000-02)");
  EXPECT_EQ(errorOf("2000,1,5\n2000,2,5\n2000,2,6\n"),
            "f.csv, line 3, field 'month': month 2000-02 is given twice (also on line 2)");
  EXPECT_EQ(errorOf("2000,3,5\n2000,4,5\n1999,4,6\n"),
            "f.csv, line 3, field 'month': month 1999-04 is out of order: it follows 2000-04 (line 2)");
  EXPECT_EQ(errorOf(""), "f.csv: the file holds no data");
  EXPECT_EQ(errorOf("year,month,value\n"), "f.csv: the file holds a header but no months");
}

TEST(FlowCsvMissing, RefusedUnlessAPolicySaysHow) {
  const std::string text = "2000,8,NA\n2000,9,\n2000,10,1\n2000,11,na\n2000,12,3\n2001,1,NA\n";
  EXPECT_EQ(errorOf(text), "f.csv, line 1, field 'value': no value for 2000-08; say how to treat missing months "
                           "(drop-leading, drop-leading-year, trim or zero)");
  FlowCsvOptions o;
  o.missing = MissingMonths::DropLeading;
  EXPECT_EQ(errorOf(text, o),
            "f.csv, line 4, field 'value': no value for 2000-11 (only missing months before the first value are "
            "dropped); say how to treat missing months (drop-leading, drop-leading-year, trim or zero)");
  o.missing = MissingMonths::Zero;
  MonthlyFlowSeries z = parse(text, o);
  EXPECT_EQ(z.startMonth, 8);
  EXPECT_EQ(z.values, (std::vector<float>{0, 0, 1, 0, 3, 0}));
  EXPECT_EQ(z.missingZeroed, 4);

  const std::string edges = "2000,8,NA\n2000,9,\n2000,10,1\n2000,11,2\n2000,12,3\n2001,1,NA\n";
  o.missing = MissingMonths::Trim;
  MonthlyFlowSeries t = parse(edges, o);
  EXPECT_EQ(t.startYear, 2000);
  EXPECT_EQ(t.startMonth, 10);
  EXPECT_EQ(t.values, (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(t.missingDropped, 3);
  o.missing = MissingMonths::DropLeading;
  EXPECT_NE(errorOf(edges, o).find("line 6, field 'value': no value for 2001-01"), std::string::npos);
}

TEST(FlowCsvMissing, DropLeadingYearStartsInOctober) {
  FlowCsvOptions o;
  o.missing = MissingMonths::DropLeadingYear;
  MonthlyFlowSeries s = parse("2000,4,NA\n2000,5,1\n2000,6,2\n2000,7,3\n2000,8,4\n2000,9,5\n2000,10,6\n2000,11,7\n", o);
  EXPECT_EQ(s.startYear, 2000);
  EXPECT_EQ(s.startMonth, 10);
  EXPECT_EQ(s.values, (std::vector<float>{6, 7}));
  EXPECT_EQ(s.missingDropped, 6);
  EXPECT_NE(errorOf("2000,4,NA\n2000,5,1\n", o).find("no October follows"), std::string::npos);
  o.missing = MissingMonths::Trim;
  EXPECT_EQ(errorOf("2000,4,NA\n2000,5,NA\n", o), "f.csv: no month of the file holds a value");
}

TEST(FlowCsvWide, HydrologicalYearsRunOctoberToSeptember) {
  const std::string text = "\xEF\xBB\xBF" + kWideHeader + wideRow(1966, kTwelve, "78") + wideRow(1967, kTwelve, "NA");
  MonthlyFlowSeries s = parse(text);
  EXPECT_EQ(s.layout, FlowLayout::Wide);
  EXPECT_EQ(s.startYear, 1966);
  EXPECT_EQ(s.startMonth, 10);
  ASSERT_EQ(s.values.size(), 24u);
  EXPECT_EQ(s.values[0], 1.0f);   // October 1966
  EXPECT_EQ(s.values[3], 4.0f);   // January 1967
  EXPECT_EQ(s.values[12], 1.0f);  // October 1967
  EXPECT_EQ(s.endYear(), 1968);
  EXPECT_EQ(s.endMonth(), 9);
  // Without header and without Total, and with abbreviated month names.
  EXPECT_EQ(parse("1966,1967," + kTwelve + "\n").values.size(), 12u);
  EXPECT_EQ(parse("start,end,Oct,Nov,Dec,Jan,Feb,Mar,Apr,May,Jun,Jul,Aug,Sep\n1966,1967," + kTwelve + "\n").values[11],
            12.0f);
}

TEST(FlowCsvWide, BadTablesAreRefusedWithLineAndColumn) {
  EXPECT_EQ(errorOf(kWideHeader + wideRow(1966, "1,2,3,4,5,6,7,x8,9,10,11,12")),
            "f.csv, line 2, field 'May': 'x8' is not a number");
  EXPECT_EQ(errorOf(kWideHeader + wideRow(1966, kTwelve) + wideRow(1968, kTwelve)),
            "f.csv, line 3, field 'start': gap in the record: hydrological year 1967/1968 missing between line 2 "
            "and this line");
  EXPECT_EQ(errorOf(kWideHeader + wideRow(1966, kTwelve) + wideRow(1966, kTwelve)),
            "f.csv, line 3, field 'start': hydrological year 1966/1967 is given twice (also on line 2)");
  EXPECT_EQ(errorOf(kWideHeader + wideRow(1967, kTwelve) + wideRow(1966, kTwelve)),
            "f.csv, line 3, field 'start': hydrological year 1966/1967 is out of order: it follows 1967/1968 (line 2)");
  EXPECT_EQ(errorOf(kWideHeader + "1966,1968," + kTwelve + ",0\n"),
            "f.csv, line 2, field 'end': end year 1968 does not follow start year 1966 (a hydrological year)");
  EXPECT_EQ(errorOf("start,end,January,February,March,April,May,June,July,August,September,October,November,December\n"),
            "f.csv, line 1, field 'January': column 3 must be October (the months run October to September)");
  EXPECT_EQ(errorOf(kWideHeader + "1966,1967,1,2,3\n"),
            "f.csv, line 2: expected 14 or 15 fields (start,end, October to September, optional Total), found 5");
  EXPECT_EQ(errorOf(kWideHeader + wideRow(1966, "NA,NA,3,4,5,6,7,8,9,10,11,12")),
            "f.csv, line 2, field 'October': no value for 1966-10; say how to treat missing months (drop-leading, "
            "drop-leading-year, trim or zero)");
  FlowCsvOptions o;
  o.layout = FlowLayout::Long;
  EXPECT_EQ(errorOf(kWideHeader, o), "f.csv, line 1: the header has 15 fields; expected 3 (year,month,value)");
}

TEST(FlowCsvExport, LongLayoutWithSixDecimals) {
  EXPECT_EQ(monthlyFlowCsv(1999, 11, {1.5f, 0.125f, 82.62108f}),
            "year,month,value\n1999,11,1.500000\n1999,12,0.125000\n2000,1,82.621078\n");
  EXPECT_EQ(monthlyFlowCsv(1999, 12, {2.0f}, 2), "year,month,value\n1999,12,2.00\n");
  EXPECT_EQ(splitCsvLine(" \"a, b\" ,\"say \"\"x\"\"\",  3 "), (std::vector<std::string>{"a, b", "say \"x\"", "3"}));
}

TEST(FlowCsvText, Utf16DirectoriesAndNumbersBeyondAFloat) {
  oewr::testing::TempDir dir;
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir.path() / name, std::ios::binary) << bytes;
    return dir.path() / name;
  };
  auto fileError = [](const std::filesystem::path& file) {
    try {
      readMonthlyFlowCsv(file, {});
    } catch (const ModelError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  // "2000,10,1.5" typed in Notepad and saved as UTF-16, little- and big-endian, with the byte-order mark.
  const std::string text = "2000,10,1.5\r\n2000,11,2\r\n";
  std::string le = "\xFF\xFE", be = "\xFE\xFF", bare;
  for (char c : text) {
    le += std::string{c, '\0'};
    be += std::string{'\0', c};
    bare += std::string{c, '\0'};
  }
  for (const auto& f : {write("le.csv", le), write("be.csv", be)}) {
    const MonthlyFlowSeries s = readMonthlyFlowCsv(f, {});
    EXPECT_EQ(s.startYear, 2000);
    EXPECT_EQ(s.values, (std::vector<float>{1.5f, 2.0f})) << f;
  }
  const auto noMark = write("bare.csv", bare);
  EXPECT_EQ(fileError(noMark), noMark.string() + ": looks like UTF-16 text without a byte-order mark; save it as UTF-8 "
                                                 "(or as UTF-16 with its byte-order mark)");
  EXPECT_EQ(fileError(dir.path()), dir.path().string() + ": is a directory, not a file");
  EXPECT_EQ(fileError(dir.path() / "absent.csv"), (dir.path() / "absent.csv").string() + ": no such file");

  // A value of a million digits is quoted by its head.
  const std::string huge = errorOf("2000,10," + std::string(1000000, '9') + "\n");
  EXPECT_EQ(huge, "f.csv, line 1, field 'value': '" + std::string(40, '9') +
                      "...' (1000000 characters) is too large to be stored (a 32-bit float holds at most 3.4e38)");
  // Below the smallest float (about 1.4e-45), whether or not a double holds it: both refused alike.
  const std::string small =
      " is too small to be stored: it is not 0 but nearer 0 than a 32-bit float can hold (1.4e-45); write 0 if 0 "
      "is meant";
  EXPECT_EQ(errorOf("2000,10,1e-320\n"), "f.csv, line 1, field 'value': '1e-320'" + small);
  EXPECT_EQ(errorOf("2000,10,1e-50\n"), "f.csv, line 1, field 'value': '1e-50'" + small);
  FlowCsvOptions m3;
  m3.unit = FlowUnit::CubicMetres;
  EXPECT_EQ(errorOf("2000,10,1e-40\n", m3), "f.csv, line 1, field 'value': '1e-40' (1e-46 million m3)" + small);
  EXPECT_EQ(parse("2000,10,1e-40\n").values[0], 1e-40f);  // a subnormal float holds it
  EXPECT_EQ(parse("2000,10,0e-400\n").values[0], 0.0f);
}
