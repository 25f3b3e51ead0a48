#pragma once
// Checks of option values that say what is wrong with the value as typed
// ("'abc' is not a whole number from 1 to 64"), run before the value is used.
#include <CLI/CLI.hpp>
#include <string>

namespace oewr::cli {

// A whole number from `lo` to `hi`.
CLI::Validator wholeNumberIn(long long lo, long long hi);
// A number from `lo` to `hi` (no nan or inf), e.g. seconds.
CLI::Validator numberIn(double lo, double hi, const std::string& unit);
// A number that a 32-bit float holds, 0 or more (e.g. an area in km2).
CLI::Validator storedFloatAtLeastZero(const std::string& unit);

}  // namespace oewr::cli
