#include "common/atomic_file.h"

#include <fstream>
#include <iostream>
#include <system_error>

#include "common/errors.h"

namespace oewr {

void writeTextFile(const std::filesystem::path& file, const std::string& text) {
  if (file == "-") {
    std::cout << text;
    std::cout.flush();
    return;
  }
  std::filesystem::path tmp = file;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) throw ModelError(file.string() + ": cannot be written");
    out << text;
    if (!out.flush()) {
      out.close();
      std::error_code ec;
      std::filesystem::remove(tmp, ec);
      throw ModelError(file.string() + ": cannot be written");
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, file, ec);
  if (ec) {
    std::filesystem::remove(tmp, ec);
    throw ModelError(file.string() + ": cannot be written");
  }
}

}  // namespace oewr
