#include "hostdb/field_value.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <iomanip>
#include <locale>
#include <sstream>
#include <stdexcept>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr::hostdb {

int64_t FieldValue::asInteger() const {
  if (const auto* i = std::get_if<int64_t>(&v_)) return *i;
  if (const auto* d = std::get_if<double>(&v_)) {
    if (!std::isfinite(*d) || std::fabs(*d) > 9.2e18) throw RangeError("Integer overflow in a field value");
    return static_cast<int64_t>(std::nearbyint(*d));
  }
  if (const auto* s = std::get_if<std::string>(&v_)) {
    if (s->empty()) return 0;
    long long v = 0;
    if (!parseInteger(*s, v)) throw ModelError("'" + *s + "' is not a valid integer value");
    return v;
  }
  return 0;
}

double FieldValue::asFloat() const {
  if (const auto* d = std::get_if<double>(&v_)) return *d;
  if (const auto* i = std::get_if<int64_t>(&v_)) return static_cast<double>(*i);
  if (const auto* s = std::get_if<std::string>(&v_)) {
    if (s->empty()) return 0;
    double v = 0;
    if (!parseNumber(*s, v)) throw ModelError("'" + *s + "' is not a valid floating point value");
    return v;
  }
  return 0;
}

std::string FieldValue::asText() const {
  if (const auto* s = std::get_if<std::string>(&v_)) return *s;
  if (const auto* i = std::get_if<int64_t>(&v_)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v_)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", *d);
    return buf;
  }
  if (const auto* b = std::get_if<Blob>(&v_)) return std::string(b->begin(), b->end());
  return "";
}

const Blob& FieldValue::asBlob() const {
  static const Blob empty;
  if (const auto* b = std::get_if<Blob>(&v_)) return *b;
  return empty;
}

namespace {
bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
}  // namespace

std::string dateText(int year, int month, int day) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > days[month - 1] + (month == 2 && leap(year) ? 1 : 0))
    throw ModelError("Invalid date: year " + std::to_string(year) + ", month " + std::to_string(month) +
                     ", day " + std::to_string(day));
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
  return buf;
}

CalendarDate parseDateText(const std::string& text) {
  if (text.empty()) return {};
  int y = 0, m = 0, d = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d%c", &y, &m, &d, &extra) != 3)
    throw ModelError("'" + text + "' is not a valid date");
  dateText(y, m, d);  // validates
  return {y, m, d};
}

std::string todayText() {
  // The user's calendar date, in the time zone of the machine, not UTC.
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) throw ModelError("The local date cannot be determined");
  return dateText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string shortDateText(const std::string& text) {
  CalendarDate d;
  try {
    d = parseDateText(trim(text));
  } catch (const ModelError&) {
    return text;  // not a date: shown as stored
  }
  if (d.year == 0) return text;
  std::tm tm{};
  tm.tm_year = d.year - 1900;
  tm.tm_mon = d.month - 1;
  tm.tm_mday = d.day;
  std::ostringstream out;
  try {
    out.imbue(std::locale(""));
  } catch (const std::runtime_error&) {
    // The environment names a locale the machine does not have: the C locale.
  }
  out << std::put_time(&tm, "%x");
  return out.str();
}

}  // namespace oewr::hostdb
