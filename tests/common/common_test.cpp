#include <gtest/gtest.h>

#include "common/bounded_array.h"
#include "common/checked_int.h"
#include "common/ini_file.h"
#include "common/text_format.h"

using namespace oewr;

TEST(BoundedArray, IndexOutsideBoundsThrowsRangeError) {
  BoundedArray<float, 1, 3> a;
  a[1] = 1.5f;
  a[3] = 2.5f;
  EXPECT_EQ(a[1], 1.5f);
  EXPECT_EQ(a[2], 0.0f);
  EXPECT_THROW(a[0], RangeError);
  EXPECT_THROW(a[4], RangeError);
}

TEST(CheckedInt, OverflowIsAnErrorNotAWrap) {
  EXPECT_EQ(checkedAdd(2147483646, 1), 2147483647);
  EXPECT_THROW(checkedAdd(2147483647, 1), RangeError);
  EXPECT_THROW(checkedMul(65536, 65536), RangeError);
  EXPECT_EQ(roundToInt(4.5), 5);
  EXPECT_EQ(roundToInt(-4.5), -4);  // floor(x + 0.5)
  EXPECT_THROW(roundToInt(3e9), RangeError);
}

TEST(TextFormat, HalvesRoundAwayFromZero) {
  EXPECT_EQ(formatText("%4.0f", 64.5), "  65");
  EXPECT_EQ(formatText("%4.0f", 2.5), "   3");
  EXPECT_EQ(formatText("%4.0f", -2.5), "  -3");
  EXPECT_EQ(formatText("%5.2f", 0.125), " 0.13");
  EXPECT_EQ(formatText("%5.1f", 9.95f), "  9.9");  // 9.95f lies below the half
  EXPECT_EQ(formatText("%.0f", 99.5), "100");
  EXPECT_EQ(formatText("%10.3f", 1.0), "     1.000");
  EXPECT_EQ(formatText("%8.2f", -0.001), "   -0.00");
}

TEST(TextFormat, StringsIntegersAndWidths) {
  EXPECT_EQ(formatText("%-40.40s|", std::string(45, 'x')), std::string(40, 'x') + "|");
  EXPECT_EQ(formatText("%-6s|", "ab"), "ab    |");
  EXPECT_EQ(formatText("%4d", 7), "   7");
  EXPECT_EQ(formatText("%-4d|", -7), "-7  |");
  EXPECT_EQ(formatText("%03d", 7), "007");
  EXPECT_EQ(formatText("100%%"), "100%");
  EXPECT_THROW(formatText("%d %d", 1), ModelError);
}

TEST(TextFormat, NumbersReadAsTyped) {
  double v = 0;
  EXPECT_TRUE(parseNumber(" 12.5 ", v));
  EXPECT_DOUBLE_EQ(v, 12.5);
  EXPECT_TRUE(parseNumber("1e-3", v));
  EXPECT_DOUBLE_EQ(v, 0.001);
  EXPECT_FALSE(parseNumber("", v));
  EXPECT_FALSE(parseNumber("12 5", v));
  EXPECT_FALSE(parseNumber("abc", v));
  long long i = 0;
  EXPECT_TRUE(parseInteger("-1", i));
  EXPECT_EQ(i, -1);
  EXPECT_FALSE(parseInteger("1.5", i));
  EXPECT_FALSE(parseInteger("99999999999999999999", i));
}

TEST(IniFile, ReadsWindowsFiles) {
  IniFile ini = IniFile::parse("\xEF\xBB\xBF; host settings\r\n[STARTUP]\r\nDat_Dir = C:\\data \r\n"
                               "# comment\r\ndatab_name=TERAVOX\r\n[Aliases]\r\nteravox=./db\r\n");
  EXPECT_EQ(ini.value("Startup", "dat_dir").value(), "C:\\data");
  EXPECT_EQ(ini.value("startup", "DATAB_NAME").value(), "TERAVOX");
  EXPECT_FALSE(ini.value("Startup", "missing").has_value());
  EXPECT_EQ(ini.value("Nothing", "x", "default"), "default");
  ASSERT_EQ(ini.section("aliases").size(), 1u);
  IniFile round = IniFile::parse(ini.text());
  EXPECT_EQ(round.value("Startup", "dat_dir").value(), "C:\\data");
}

TEST(IniFile, MissingFileReadsEmpty) {
  IniFile ini = IniFile::load("/nonexistent/dir/teravox.ini");
  EXPECT_FALSE(ini.value("Startup", "dat_dir").has_value());
}
