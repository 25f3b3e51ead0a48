#pragma once
// Writing a whole file at once: through a temporary beside it, renamed over
// the target when complete, so that a failed write leaves the file as it was.
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

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

}  // namespace oewr
