#pragma once
// Writing a whole file at once: through a temporary beside it, renamed over
// the target when complete, so that a failed write leaves the file as it was.
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "common/errors.h"

namespace oewr {

// The stage of a whole-file write that failed.
enum class FileWriteFailure { Create, Write, Replace };

// Writes text to a file through a temporary of its own (named for the process
// and thread, so that runs side by side never share one), renamed over the
// file when complete. On a failure the temporary is removed and the error
// that `failure` makes of the stage and the system's error is thrown.
void replaceFile(const std::filesystem::path& file, const std::string& text,
                 const std::function<ModelError(FileWriteFailure, const std::error_code&)>& failure);

// Writes text to a file as replaceFile does; a failure throws "FILE: cannot
// be written". "-" writes to standard output.
void writeTextFile(const std::filesystem::path& file, const std::string& text);

// A file of a set written together: its name in the set's directory and how
// its text is made, when it is written (one text is held at a time).
struct NamedText {
  std::string name;
  std::function<std::string()> text;
};

// Writes the files into `directory` (created when missing) in their order,
// each as writeTextFile does; returns the files written. Throws ModelError
// when the directory cannot be made or a file cannot be written.
std::vector<std::filesystem::path> writeTextFiles(const std::filesystem::path& directory,
                                                  const std::vector<NamedText>& files);

}  // namespace oewr
