#include "common/atomic_file.h"

#include <unistd.h>

#include <fstream>
#include <iostream>
#include <thread>

namespace oewr {

void replaceFile(const std::filesystem::path& file, const std::string& text,
                 const std::function<ModelError(FileWriteFailure, const std::error_code&)>& failure) {
  std::filesystem::path tmp = file;
  tmp += ".tmp" + std::to_string(::getpid()) + "-" +
         std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id()));
  std::error_code ec;
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) throw failure(FileWriteFailure::Create, ec);
    out << text;
    if (!out.flush()) {
      out.close();
      std::filesystem::remove(tmp, ec);
      throw failure(FileWriteFailure::Write, std::error_code());
    }
  }
  std::filesystem::rename(tmp, file, ec);
  if (ec) {
    const std::error_code why = ec;
    std::filesystem::remove(tmp, ec);
    throw failure(FileWriteFailure::Replace, why);
  }
}

void writeTextFile(const std::filesystem::path& file, const std::string& text) {
  if (file == "-") {
    std::cout << text;
    std::cout.flush();
    return;
  }
  replaceFile(file, text, [&](FileWriteFailure, const std::error_code&) {
    return ModelError(file.string() + ": cannot be written");
  });
}

std::vector<std::filesystem::path> writeTextFiles(const std::filesystem::path& directory,
                                                  const std::vector<NamedText>& files) {
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  if (ec) throw ModelError("Cannot create the directory \"" + directory.string() + "\": " + ec.message());
  std::vector<std::filesystem::path> written;
  for (const NamedText& f : files) {
    const std::filesystem::path file = directory / f.name;
    writeTextFile(file, f.text());
    written.push_back(file);
  }
  return written;
}

}  // namespace oewr
