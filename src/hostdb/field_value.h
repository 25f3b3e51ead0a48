#pragma once
// A field value as the host tables hold it: empty, integer, float, text or
// bytes. Dates are text "YYYY-MM-DD"; times are day fractions.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace oewr::hostdb {

using Blob = std::vector<uint8_t>;

class FieldValue {
 public:
  FieldValue() = default;
  FieldValue(int v) : v_(static_cast<int64_t>(v)) {}
  FieldValue(int64_t v) : v_(v) {}
  FieldValue(double v) : v_(v) {}
  FieldValue(float v) : v_(static_cast<double>(v)) {}
  FieldValue(std::string v) : v_(std::move(v)) {}
  FieldValue(const char* v) : v_(std::string(v)) {}
  FieldValue(Blob v) : v_(std::move(v)) {}

  bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
  bool isInteger() const { return std::holds_alternative<int64_t>(v_); }
  bool isFloat() const { return std::holds_alternative<double>(v_); }
  bool isText() const { return std::holds_alternative<std::string>(v_); }
  bool isBlob() const { return std::holds_alternative<Blob>(v_); }

  // Conversions as a variant field read gives them; an empty field gives 0 or
  // "". A text that is not a number throws ModelError naming the text.
  int64_t asInteger() const;
  double asFloat() const;
  std::string asText() const;
  const Blob& asBlob() const;  // empty for a non-blob value

  bool operator==(const FieldValue& o) const = default;

  const auto& raw() const { return v_; }

 private:
  std::variant<std::monostate, int64_t, double, std::string, Blob> v_;
};

struct CalendarDate {
  int year = 0, month = 0, day = 0;
};
// "YYYY-MM-DD"; throws ModelError for a date that does not exist.
std::string dateText(int year, int month, int day);
CalendarDate parseDateText(const std::string& text);  // {0,0,0} for an empty text
// Today's date on the user's calendar (the local date), "YYYY-MM-DD".
std::string todayText();
// A stored "YYYY-MM-DD" date in the short date format of the user's locale
// (the environment's LC_TIME, as strftime's "%x"); text that is no date is
// returned as it is.
std::string shortDateText(const std::string& text);

}  // namespace oewr::hostdb
