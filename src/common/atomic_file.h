#pragma once
// Writing a whole file at once: through a temporary beside it, renamed over
// the target when complete.
#include <filesystem>
#include <string>

namespace oewr {

// Writes text to a file through a temporary file, so that a failed write
// leaves no half-written file behind. "-" writes to standard output.
void writeTextFile(const std::filesystem::path& file, const std::string& text);

}  // namespace oewr
