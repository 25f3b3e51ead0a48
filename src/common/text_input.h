#pragma once
// What people hand the program as text: files (UTF-8, or UTF-16 as Windows
// programs save them), numbers that are stored as 32-bit floats, and texts
// quoted back in a message without repeating a whole file.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace oewr {

// The text of a file in UTF-8, without a byte-order mark. UTF-16 with its
// byte-order mark is converted. Throws ModelError "<file>: ..." for a missing
// file, a directory, a file that cannot be read, UTF-16 that is not well
// formed, and NUL bytes (UTF-16 without a byte-order mark, or no text at all).
std::string readTextFile(const std::filesystem::path& file);

// The same for text already read; `source` names it in messages.
std::string textAsUtf8(std::string bytes, const std::string& source);

// `text` in single quotes for a message: at most `maxLength` characters of
// its head (then "..." and its length), control characters shown as '?'.
std::string quoteHead(std::string_view text, std::size_t maxLength = 40);

// A number that is stored as a 32-bit float, read as parseNumber reads it.
// nullopt, with `why` saying what is wrong ("is not a number", "is too large
// ...", "is too small ..."), for a text that is no number and for a number
// that a float cannot hold: above about 3.4e38, or not 0 but nearer 0 than
// about 1.4e-45 (a float would hold 0 instead).
std::optional<float> storedFloat(std::string_view text, std::string& why);
std::optional<float> storedFloat(double value, std::string& why);

// The shortest text that reads back as the same number ("0.97" for the
// float nearest 0.97).
std::string shortestText(float value);
std::string shortestText(double value);

}  // namespace oewr
