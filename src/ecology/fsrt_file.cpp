#include "ecology/fsrt_file.h"

#include <fstream>
#include <sstream>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr::ecology {

FsrtValues readFsrtFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ModelError("I/O error: the FSRT file " + path.string() + " cannot be opened");
  FsrtValues values{};
  std::string line;
  int lineNumber = 0;
  for (int k = 0; k < 18; ++k) {
    std::string token;
    while (token.empty()) {
      if (!std::getline(in, line))
        throw ModelError("I/O error: the FSRT file " + path.string() + " ends after " + std::to_string(k) +
                         " of its 18 numbers");
      ++lineNumber;
      std::istringstream words(line);
      words >> token;
    }
    double v = 0;
    if (!parseNumber(token, v))
      throw ModelError("I/O error: line " + std::to_string(lineNumber) + " of the FSRT file " + path.string() +
                       " does not start with a number ('" + token + "')");
    values[static_cast<std::size_t>(k / 9)][static_cast<std::size_t>(k % 9)] = static_cast<float>(v);
  }
  return values;
}

}  // namespace oewr::ecology
