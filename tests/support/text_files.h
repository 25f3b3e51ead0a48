#pragma once
// The text of a file the program wrote, whole or by lines.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace oewr::testing {

inline std::string fileText(const std::filesystem::path& p) {
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline std::vector<std::string> textLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

}  // namespace oewr::testing
