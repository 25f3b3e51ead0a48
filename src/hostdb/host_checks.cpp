#include "hostdb/host_checks.h"

#include "common/errors.h"
#include "common/text_format.h"
#include "common/text_input.h"

namespace oewr::hostdb::detail {

std::string inQuotes(const std::string& s) { return quoteHead(s, 80); }

void requireLength(const std::string& what, const std::string& text, std::size_t maxLength, bool allowEmpty) {
  if (!allowEmpty && trim(text).empty()) throw ModelError(what + " is empty");
  if (text.size() > maxLength)
    // The head and the length of the text: "'abc...' (81 characters)".
    throw ModelError(what + " " + quoteHead(text, maxLength / 2) + " is too long; at most " +
                     std::to_string(maxLength) + " characters fit");
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

int int16Checked(const FieldValue& v, const std::string& what) {
  const int64_t i = v.asInteger();
  if (i < std::numeric_limits<int16_t>::min() || i > std::numeric_limits<int16_t>::max())
    throw RangeError(what + " " + std::to_string(i) + " is out of the 16-bit range");
  return static_cast<int>(i);
}

std::string floatText(float v, int decimals) {
  if (decimals >= 0) return formatText("%." + std::to_string(decimals) + "f", v);
  return shortestText(v);
}

}  // namespace oewr::hostdb::detail
