#pragma once
// printf-style formatting of report lines and table cells ("%10.3f",
// "%-40.40s", "%4d"). Differs from C's printf in one point: a value exactly
// halfway between two outputs rounds away from zero ("%4.0f" of 64.5 is
// "  65"), as people read numbers, since several steps read a box's text
// back as the number they go on with.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace oewr {

using FormatArg = std::variant<long long, double, std::string>;

std::string formatArgs(std::string_view format, const std::vector<FormatArg>& args);

namespace detail {
inline FormatArg toFormatArg(int v) { return static_cast<long long>(v); }
inline FormatArg toFormatArg(long v) { return static_cast<long long>(v); }
inline FormatArg toFormatArg(long long v) { return v; }
inline FormatArg toFormatArg(unsigned v) { return static_cast<long long>(v); }
inline FormatArg toFormatArg(unsigned long v) { return static_cast<long long>(v); }
inline FormatArg toFormatArg(short v) { return static_cast<long long>(v); }
inline FormatArg toFormatArg(double v) { return v; }
inline FormatArg toFormatArg(float v) { return static_cast<double>(v); }
inline FormatArg toFormatArg(const char* v) { return std::string(v); }
inline FormatArg toFormatArg(const std::string& v) { return v; }
inline FormatArg toFormatArg(std::string_view v) { return std::string(v); }
}  // namespace detail

template <typename... Args>
std::string formatText(std::string_view format, const Args&... args) {
  return formatArgs(format, std::vector<FormatArg>{detail::toFormatArg(args)...});
}

// Fixed-point text of x with `decimals` decimals, halves away from zero.
std::string fixedText(double x, int decimals);

// Reads a number as a user's typing is read: leading and trailing blanks
// allowed, a decimal point or comma, an optional exponent. Returns false for
// anything else (an empty text, letters, two numbers).
bool parseNumber(std::string_view text, double& value);
bool parseInteger(std::string_view text, long long& value);

std::string trim(std::string_view text);
std::string toLower(std::string_view text);
std::string toUpper(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool containsIgnoreCase(std::string_view text, std::string_view part);

}  // namespace oewr
