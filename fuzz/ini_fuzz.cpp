// The host's ini file: any text is read without harm, every key read is found
// again by its lookup, and the text the program writes back reads as the same
// sections, keys and values.
//
// Input: the text of an ini file.
#include <string>

#include "common/ini_file.h"
#include "common/text_format.h"
#include "fuzz_support.h"

using namespace oewr;

namespace {

std::vector<std::string> sectionNames(const std::string& text) {
  // The names as text() writes them, one "[name]" line each.
  std::vector<std::string> names;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.front() == '[' && line.back() == ']') names.push_back(line.substr(1, line.size() - 2));
    pos = end + 2;
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
  const std::string raw(reinterpret_cast<const char*>(bytes), size);
  const IniFile ini = IniFile::parse(raw);
  const std::string written = ini.text();
  const IniFile again = IniFile::parse(written);
  fuzz::require(again.text() == written, "the written ini text reads back differently:\n" + written);

  for (const std::string& name : sectionNames(written)) {
    const auto entries = ini.section(name);
    fuzz::require(entries == again.section(name), "section [" + name + "] changed on the way through its text");
    for (const auto& [key, value] : entries) {
      const auto found = ini.value(name, key);
      fuzz::require(found.has_value(), "key '" + key + "' of [" + name + "] not found by its own name");
      fuzz::require(*found == value, "key '" + key + "' of [" + name + "] looks up another value");
      fuzz::require(ini.value(toUpper(name), toLower(key)).has_value(), "lookup depends on letter case");
    }
  }

  // Setting a value keeps the others and reads back as set.
  IniFile edited = ini;
  edited.set("Startup", "dat_dir", "C:\\TERAVOX\\data");
  fuzz::require(edited.value("startup", "DAT_DIR").value_or("") == "C:\\TERAVOX\\data", "a value set is not read back");
  const IniFile editedAgain = IniFile::parse(edited.text());
  fuzz::require(editedAgain.value("Startup", "dat_dir").value_or("") == "C:\\TERAVOX\\data",
                "a value set does not survive its text");
  return 0;
}
