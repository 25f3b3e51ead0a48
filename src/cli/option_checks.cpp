#include "cli/option_checks.h"

#include "common/text_format.h"
#include "common/text_input.h"

namespace oewr::cli {

CLI::Validator wholeNumberIn(long long lo, long long hi) {
  const std::string range = std::to_string(lo) + " to " + std::to_string(hi);
  return CLI::Validator(
      [lo, hi, range](std::string& text) -> std::string {
        long long v = 0;
        if (!parseInteger(text, v) || v < lo || v > hi) return quoteHead(text) + " is not a whole number from " + range;
        text = std::to_string(v);
        return {};
      },
      "INT " + range);
}

CLI::Validator numberIn(double lo, double hi, const std::string& unit) {
  const std::string range = shortestText(lo) + " to " + shortestText(hi) + (unit.empty() ? "" : " " + unit);
  return CLI::Validator(
      [lo, hi, range](std::string& text) -> std::string {
        double v = 0;
        if (!parseNumber(text, v) || v < lo || v > hi) return quoteHead(text) + " is not a number from " + range;
        text = shortestText(v);
        return {};
      },
      "NUMBER " + range);
}

CLI::Validator storedFloatAtLeastZero(const std::string& unit) {
  return CLI::Validator(
      [unit](std::string& text) -> std::string {
        std::string why;
        const auto v = storedFloat(text, why);
        if (!v) return quoteHead(text) + " " + why;
        if (*v < 0.0f) return quoteHead(text) + " is below 0 " + unit;
        text = shortestText(static_cast<double>(*v));
        return {};
      },
      "NUMBER 0 or more " + unit);
}

}  // namespace oewr::cli
