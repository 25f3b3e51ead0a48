#include "common/safe_file_name.h"

#include <array>

#include "common/text_format.h"

namespace oewr {

std::string safeFileName(std::string_view text) {
  std::string name;
  name.reserve(text.size());
  for (char ch : text) {
    const auto u = static_cast<unsigned char>(ch);
    const bool forbidden = u < 0x20 || u == 0x7f || ch == '/' || ch == '\\' || ch == ':' || ch == '*' ||
                           ch == '?' || ch == '"' || ch == '<' || ch == '>' || ch == '|';
    name.push_back(forbidden ? '_' : ch);
  }
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.empty()) return "_";

  // Windows reserves these device names, with or without an extension.
  static const std::array<const char*, 22> kReserved = {
      "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
      "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
  const std::string stem = trim(name.substr(0, name.find('.')));
  for (const char* reserved : kReserved)
    if (equalsIgnoreCase(stem, reserved)) return "_" + name;
  return name;
}

}  // namespace oewr
