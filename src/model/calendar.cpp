#include "model/calendar.h"

#include <string>

#include "common/errors.h"

namespace oewr {

const std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const std::array<int, 12> kMonthDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const std::array<const char*, kCategoryCount> kCategoryColumnNames = {"A", "AB", "B", "BC", "C", "CD", "D"};
const std::array<const char*, 11> kCategoryNames = {"A", "A/B", "B", "B/C", "C", "C/D",
                                                    "D", "D/E", "E", "E/F", "F"};

int hydroMonthIndex(int calendarMonth) {
  if (calendarMonth < 1 || calendarMonth > 12)
    throw RangeError("Range check error: calendar month " + std::to_string(calendarMonth));
  int h = calendarMonth - 10;
  return h < 0 ? h + 12 : h;
}

int calendarMonthOf(int hydroIndex) {
  if (hydroIndex < 0 || hydroIndex > 11)
    throw RangeError("Range check error: hydrological month index " + std::to_string(hydroIndex));
  int c = hydroIndex + 10;
  return c > 12 ? c - 12 : c;
}

}  // namespace oewr
