#pragma once
// The FSRT file that the ecology window reads: for the wet and then the dry
// season, nine numbers, each at the start of its own line.
#include <array>
#include <filesystem>

namespace oewr::ecology {

using FsrtValues = std::array<std::array<float, 9>, 2>;  // [season][value]

// Reads the 18 numbers. Blank lines are skipped; anything after a line's
// number is ignored. Throws ModelError naming the file and the line when the
// file cannot be opened, ends early or a line does not start with a number.
FsrtValues readFsrtFile(const std::filesystem::path& path);

}  // namespace oewr::ecology
