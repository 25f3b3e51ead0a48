#include "common/text_format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "common/errors.h"

namespace oewr {
namespace {

// Whether |x| lies exactly halfway between two numbers with `decimals`
// decimals. With |x| = m 2^e, m odd, 2 |x| 10^decimals = m 5^decimals
// 2^(e + decimals + 1) is an odd integer exactly when e = -(decimals + 1).
bool halfway(double ax, int decimals) {
  if (decimals < 0 || !std::isfinite(ax) || ax == 0.0) return false;
  int exponent = 0;
  const double fraction = std::frexp(ax, &exponent);
  auto m = static_cast<uint64_t>(std::ldexp(fraction, 53));
  int e = exponent - 53;
  while ((m & 1u) == 0) {
    m >>= 1;
    ++e;
  }
  return e == -(decimals + 1);
}

// Digits of |x| with `decimals` decimals, rounded halves away from zero. C's
// printf rounds an exact tie to even; a tie is an exact decimal expansion
// whose first dropped digit is 5 followed only by zeros.
std::string fixedDigits(double x, int decimals) {
  const double ax = std::fabs(x);
  // glibc prints the exact binary value; 1100 decimals hold any double exactly.
  char buf[1500];
  if (!halfway(ax, decimals)) {
    // to_chars with a precision writes what printf("%.*f") writes, faster.
    const auto end = std::to_chars(buf, buf + sizeof buf, ax, std::chars_format::fixed, decimals).ptr;
    return std::string(buf, end);
  }
  std::snprintf(buf, sizeof buf, "%.*f", 1100, ax);
  std::string exact(buf);
  const std::size_t point = exact.find('.');
  const std::size_t firstDropped = point + 1 + static_cast<std::size_t>(decimals);
  // Truncate and add one unit in the last kept digit.
  std::string kept = exact.substr(0, decimals > 0 ? firstDropped : point);
  int i = static_cast<int>(kept.size()) - 1;
  for (; i >= 0; --i) {
    if (kept[static_cast<std::size_t>(i)] == '.') continue;
    if (kept[static_cast<std::size_t>(i)] == '9') {
      kept[static_cast<std::size_t>(i)] = '0';
    } else {
      ++kept[static_cast<std::size_t>(i)];
      break;
    }
  }
  if (i < 0) kept.insert(kept.begin(), '1');
  return kept;
}

struct Conversion {
  bool left = false, plus = false, space = false, zero = false, alt = false;
  int width = -1;
  int precision = -1;
  char conv = 0;
};

std::string pad(std::string body, const Conversion& s, bool numeric) {
  if (s.width < 0 || static_cast<int>(body.size()) >= s.width) return body;
  const std::size_t fill = static_cast<std::size_t>(s.width) - body.size();
  if (s.left) return body + std::string(fill, ' ');
  if (s.zero && numeric) {
    std::size_t signLen = (!body.empty() && (body[0] == '-' || body[0] == '+' || body[0] == ' ')) ? 1 : 0;
    return body.substr(0, signLen) + std::string(fill, '0') + body.substr(signLen);
  }
  return std::string(fill, ' ') + body;
}

std::string signPrefix(bool negative, const Conversion& s) {
  if (negative) return "-";
  if (s.plus) return "+";
  if (s.space) return " ";
  return "";
}

double argDouble(const FormatArg& a) {
  if (const auto* d = std::get_if<double>(&a)) return *d;
  if (const auto* i = std::get_if<long long>(&a)) return static_cast<double>(*i);
  throw ModelError("format: a number was expected");
}

long long argInt(const FormatArg& a) {
  if (const auto* i = std::get_if<long long>(&a)) return *i;
  if (const auto* d = std::get_if<double>(&a)) return static_cast<long long>(*d);
  throw ModelError("format: an integer was expected");
}

std::string argString(const FormatArg& a) {
  if (const auto* s = std::get_if<std::string>(&a)) return *s;
  if (const auto* i = std::get_if<long long>(&a)) return std::to_string(*i);
  return fixedText(std::get<double>(a), 6);
}

}  // namespace

std::string fixedText(double x, int decimals) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  return (std::signbit(x) ? "-" : "") + fixedDigits(x, decimals);
}

std::string formatArgs(std::string_view format, const std::vector<FormatArg>& args) {
  std::string out;
  std::size_t next = 0;
  auto take = [&]() -> const FormatArg& {
    if (next >= args.size()) throw ModelError("format: too few values for \"" + std::string(format) + "\"");
    return args[next++];
  };
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
      continue;
    }
    Conversion s;
    ++i;
    for (; i < format.size(); ++i) {
      char f = format[i];
      if (f == '-') s.left = true;
      else if (f == '+') s.plus = true;
      else if (f == ' ') s.space = true;
      else if (f == '0') s.zero = true;
      else if (f == '#') s.alt = true;
      else break;
    }
    if (i < format.size() && format[i] == '*') {
      s.width = static_cast<int>(argInt(take()));
      if (s.width < 0) { s.left = true; s.width = -s.width; }
      ++i;
    } else {
      while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) {
        s.width = (s.width < 0 ? 0 : s.width) * 10 + (format[i] - '0');
        ++i;
      }
    }
    if (i < format.size() && format[i] == '.') {
      ++i;
      s.precision = 0;
      if (i < format.size() && format[i] == '*') {
        s.precision = static_cast<int>(argInt(take()));
        ++i;
      } else {
        while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) {
          s.precision = s.precision * 10 + (format[i] - '0');
          ++i;
        }
      }
    }
    while (i < format.size() && std::string_view("lhzjtL").find(format[i]) != std::string_view::npos) ++i;
    if (i >= format.size()) throw ModelError("format: incomplete conversion in \"" + std::string(format) + "\"");
    s.conv = format[i];
    switch (s.conv) {
      case 'd':
      case 'i':
      case 'u': {
        long long v = argInt(take());
        std::string digits = std::to_string(v < 0 ? -static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v));
        if (s.precision >= 0 && static_cast<int>(digits.size()) < s.precision)
          digits.insert(0, static_cast<std::size_t>(s.precision) - digits.size(), '0');
        out += pad(signPrefix(v < 0, s) + digits, s, s.precision < 0);
        break;
      }
      case 'f':
      case 'F': {
        double v = argDouble(take());
        int prec = s.precision < 0 ? 6 : s.precision;
        std::string body;
        if (std::isnan(v)) body = "nan";
        else if (std::isinf(v)) body = signPrefix(v < 0, s) + "inf";
        else {
          std::string digits = fixedDigits(v, prec);
          if (s.alt && prec == 0) digits += '.';
          body = signPrefix(std::signbit(v), s) + digits;
        }
        out += pad(body, s, std::isfinite(v));
        break;
      }
      case 'e':
      case 'E':
      case 'g':
      case 'G': {
        double v = argDouble(take());
        std::string f = "%";
        if (s.plus) f += '+';
        if (s.space) f += ' ';
        if (s.alt) f += '#';
        if (s.precision >= 0) f += "." + std::to_string(s.precision);
        f += s.conv;
        char buf[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        std::snprintf(buf, sizeof buf, f.c_str(), v);
#pragma GCC diagnostic pop
        out += pad(buf, s, std::isfinite(v));
        break;
      }
      case 's': {
        std::string v = argString(take());
        if (s.precision >= 0 && static_cast<int>(v.size()) > s.precision) v.resize(static_cast<std::size_t>(s.precision));
        out += pad(v, s, false);
        break;
      }
      case 'c': {
        long long v = argInt(take());
        out += pad(std::string(1, static_cast<char>(v)), s, false);
        break;
      }
      default:
        throw ModelError(std::string("format: unknown conversion %") + s.conv);
    }
  }
  return out;
}

bool parseNumber(std::string_view text, double& value) {
  std::string t = trim(text);
  if (t.empty()) return false;
  std::replace(t.begin(), t.end(), ',', '.');
  for (char ch : t)
    if (!(std::isdigit(static_cast<unsigned char>(ch)) || ch == '.' || ch == '-' || ch == '+' || ch == 'e' || ch == 'E'))
      return false;
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || errno == ERANGE || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool parseInteger(std::string_view text, long long& value) {
  std::string t = trim(text);
  if (t.empty()) return false;
  std::size_t start = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (start == t.size()) return false;
  for (std::size_t i = start; i < t.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(t.c_str(), &end, 10);
  if (errno == ERANGE || end != t.c_str() + t.size()) return false;
  value = v;
  return true;
}

std::string trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return std::string(text.substr(b, e - b));
}

std::string toLower(std::string_view text) {
  std::string r(text);
  for (char& ch : r) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return r;
}

std::string toUpper(std::string_view text) {
  std::string r(text);
  for (char& ch : r) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return r;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) { return toLower(a) == toLower(b); }

bool containsIgnoreCase(std::string_view text, std::string_view part) {
  return toLower(text).find(toLower(part)) != std::string::npos;
}

}  // namespace oewr
