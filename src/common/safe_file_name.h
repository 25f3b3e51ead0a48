#pragma once
// A text (a site name, a title) made usable as one file name on any file
// system the model runs on: path separators and characters Windows does not
// allow in a name become '_', as do control characters; trailing dots and
// blanks are dropped; a reserved device name (CON, NUL, COM1, ...) gets a
// leading '_'; an empty result is "_".
#include <string>
#include <string_view>

namespace oewr {

std::string safeFileName(std::string_view text);

}  // namespace oewr
