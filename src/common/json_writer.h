#pragma once
// A small JSON writer for the results files. Floats are written with nine
// significant digits, enough to give back the same 32-bit value; values that
// are not finite are written as null.
#include <cstdint>
#include <string>
#include <vector>

namespace oewr {

// A finite float as results.json writes it: nine significant digits.
std::string floatText(float v);

class JsonWriter {
 public:
  JsonWriter& beginObject();
  JsonWriter& endObject();
  JsonWriter& beginArray();
  JsonWriter& endArray();
  JsonWriter& key(const std::string& k);
  JsonWriter& value(double v);
  JsonWriter& value(float v);
  JsonWriter& value(int v);
  JsonWriter& value(long long v);
  JsonWriter& value(bool v);
  JsonWriter& value(const std::string& v);
  JsonWriter& value(const char* v) { return value(std::string(v)); }
  template <typename It>
  JsonWriter& floats(It first, It last) {
    beginArray();
    for (; first != last; ++first) value(static_cast<float>(*first));
    return endArray();
  }
  const std::string& text() const { return out_; }

 private:
  void separate();
  // A container opened or closed by its bracket.
  JsonWriter& open(char bracket);
  JsonWriter& close(char bracket);
  std::string out_;
  std::vector<bool> first_;  // per open container: no element yet
  bool afterKey_ = false;
  int depth_ = 0;
};

std::string jsonEscape(const std::string& s);

}  // namespace oewr
