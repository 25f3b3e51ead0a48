#include "common/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace oewr {

std::string jsonEscape(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

void JsonWriter::separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ += ',';
    first_.back() = false;
    out_ += '\n';
    out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
  }
}

JsonWriter& JsonWriter::open(char bracket) {
  separate();
  out_ += bracket;
  first_.push_back(true);
  ++depth_;
  return *this;
}

JsonWriter& JsonWriter::close(char bracket) {
  --depth_;
  const bool empty = first_.back();
  first_.pop_back();
  if (!empty) {
    out_ += '\n';
    out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
  }
  out_ += bracket;
  return *this;
}

JsonWriter& JsonWriter::beginObject() { return open('{'); }
JsonWriter& JsonWriter::endObject() { return close('}'); }
JsonWriter& JsonWriter::beginArray() { return open('['); }
JsonWriter& JsonWriter::endArray() { return close(']'); }

JsonWriter& JsonWriter::key(const std::string& k) {
  separate();
  out_ += "\"" + jsonEscape(k) + "\": ";
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::value(double v) {
  separate();
  if (!std::isfinite(v)) {
    out_ += "null";
    return *this;
  }
  // to_chars with a precision writes what printf("%.17g") writes, faster.
  char buf[32];
  const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17).ptr;
  out_.append(buf, end);
  return *this;
}

std::string floatText(float v) {
  char buf[32];
  const auto end = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::general, 9).ptr;
  return std::string(buf, end);
}

JsonWriter& JsonWriter::value(float v) {
  separate();
  out_ += std::isfinite(v) ? floatText(v) : std::string("null");
  return *this;
}

JsonWriter& JsonWriter::value(int v) { return value(static_cast<long long>(v)); }

JsonWriter& JsonWriter::value(long long v) {
  separate();
  out_ += std::to_string(v);
  return *this;
}

JsonWriter& JsonWriter::value(bool v) {
  separate();
  out_ += v ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::value(const std::string& v) {
  separate();
  out_ += "\"" + jsonEscape(v) + "\"";
  return *this;
}

}  // namespace oewr
