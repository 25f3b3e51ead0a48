#pragma once
// The months of the hydrological year (October first) and the ecological
// categories, as every sub-model names them.
#include <array>

namespace oewr {

constexpr int kCategoryCount = 7;  // A, A/B, B, B/C, C, C/D, D

extern const std::array<const char*, 12> kMonthNames;  // index 0 = January
extern const std::array<int, 12> kMonthDays;           // non-leap year
extern const std::array<const char*, 11> kCategoryNames;
// The seven categories as CSV column names take them: A, AB, B, BC, C, CD, D.
extern const std::array<const char*, kCategoryCount> kCategoryColumnNames;

// Hydrological month index (0 = October) of calendar month 1 .. 12.
int hydroMonthIndex(int calendarMonth);
// Calendar month 1 .. 12 of hydrological month index 0 .. 11.
int calendarMonthOf(int hydroIndex);

}  // namespace oewr
