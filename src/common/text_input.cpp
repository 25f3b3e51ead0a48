#include "common/text_input.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr {

namespace {

void appendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-16 after its byte-order mark, as UTF-8.
std::string utf16ToUtf8(const std::string& bytes, bool bigEndian, const std::string& source) {
  const std::size_t n = bytes.size();
  if (n % 2 != 0)
    throw ModelError(source + ": UTF-16 text (by its byte-order mark) with an odd number of bytes (" +
                     std::to_string(n) + ")");
  auto unit = [&](std::size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<uint32_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  };
  auto bad = [&](std::size_t at) {
    return ModelError(source + ": UTF-16 text (by its byte-order mark) that is not well formed at byte " +
                      std::to_string(at + 1));
  };
  std::string out;
  out.reserve(n / 2 + n / 8);
  for (std::size_t i = 2; i < n; i += 2) {
    uint32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) throw bad(i);
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 2 >= n) throw bad(i);
      const uint32_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) throw bad(i + 2);
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (c == 0) throw ModelError(source + ": holds a NUL character at byte " + std::to_string(i + 1));
    appendUtf8(out, c);
  }
  return out;
}

// The reason a text with NUL bytes (and no UTF-16 byte-order mark) is refused.
std::string nulBytesReason(const std::string& bytes, std::size_t firstNul, const std::string& source) {
  const std::size_t sample = std::min<std::size_t>(bytes.size(), 4096);
  std::size_t even = 0, odd = 0;
  for (std::size_t i = 0; i < sample; ++i)
    if (bytes[i] == '\0') ++(i % 2 == 0 ? even : odd);
  // ASCII saved as UTF-16: every other byte is NUL.
  if ((even == 0 || odd == 0) && 4 * (even + odd) >= sample)
    return source + ": looks like UTF-16 text without a byte-order mark; save it as UTF-8 (or as UTF-16 with "
                    "its byte-order mark)";
  return source + ": holds a NUL byte at byte " + std::to_string(firstNul + 1) + ", so it is not a text file";
}

constexpr const char* kNotANumber = "is not a number";
constexpr const char* kTooLarge = "is too large to be stored (a 32-bit float holds at most 3.4e38)";
constexpr const char* kTooSmall =
    "is too small to be stored: it is not 0 but nearer 0 than a 32-bit float can hold (1.4e-45); write 0 if 0 is "
    "meant";

}  // namespace

std::string textAsUtf8(std::string bytes, const std::string& source) {
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
    return utf16ToUtf8(bytes, false, source);
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF)
    return utf16ToUtf8(bytes, true, source);
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string::npos) throw ModelError(nulBytesReason(bytes, nul, source));
  return bytes;
}

std::string readTextFile(const std::filesystem::path& file) {
  namespace fs = std::filesystem;
  const std::string name = file.string();
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (!fs::exists(status)) throw ModelError(name + ": no such file");
  if (fs::is_directory(status)) throw ModelError(name + ": is a directory, not a file");
  if (!fs::is_regular_file(status)) throw ModelError(name + ": is not a regular file");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ModelError(name + ": cannot be read (" + std::strerror(errno) + ")");
  std::string bytes;
  const auto size = fs::file_size(file, ec);
  if (!ec) bytes.reserve(static_cast<std::size_t>(size));
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
  if (in.bad()) throw ModelError(name + ": cannot be read (a read error)");
  return textAsUtf8(std::move(bytes), name);
}

std::string quoteHead(std::string_view text, std::size_t maxLength) {
  std::size_t cut = text.size();
  if (cut > maxLength) {
    cut = maxLength;
    // Not inside a UTF-8 sequence.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  }
  std::string out = "'";
  for (std::size_t i = 0; i < cut; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
  }
  if (cut == text.size()) return out + "'";
  const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  });
  return out + "...' (" + std::to_string(characters) + " characters)";
}

std::optional<float> storedFloat(double value, std::string& why) {
  if (!std::isfinite(value)) {
    why = kNotANumber;
    return std::nullopt;
  }
  if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
    why = kTooLarge;
    return std::nullopt;
  }
  const float f = static_cast<float>(value);
  if (value != 0.0 && f == 0.0f) {
    why = kTooSmall;
    return std::nullopt;
  }
  return f;
}

std::optional<float> storedFloat(std::string_view text, std::string& why) {
  double v = 0;
  if (parseNumber(text, v)) return storedFloat(v, why);
  // parseNumber also refuses a number beyond a double's range: tell it apart.
  std::string t = trim(text);
  std::replace(t.begin(), t.end(), ',', '.');
  const bool numeral = !t.empty() && std::all_of(t.begin(), t.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
  });
  if (numeral) {
    errno = 0;
    char* end = nullptr;
    const double d = std::strtod(t.c_str(), &end);
    if (end == t.c_str() + t.size() && errno == ERANGE) {
      // Underflow leaves a value below 1 (0 or a subnormal double), overflow an infinity.
      why = std::fabs(d) < 1.0 ? kTooSmall : kTooLarge;
      return std::nullopt;
    }
  }
  why = kNotANumber;
  return std::nullopt;
}

}  // namespace oewr

namespace oewr {

std::string shortestText(float value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string shortestText(double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

}  // namespace oewr
