#pragma once
// The hydrology section of the report, which starts the report.
#include <string>
#include <vector>

#include "hydrology/hydrology_state.h"

namespace oewr::hydrology {

// What the section reports besides the model state.
struct HydrologyReportInput {
  std::vector<std::string> naturalSummary;  // the natural summary list
  std::vector<std::string> presentSummary;  // the present-day summary list
  bool useQTotal = false;                   // "Use this option" under QTotal
  std::string wetText;                      // the chosen column's texts
  std::string dryText;
};

// Creates the report, or empties it, and writes the hydrology section.
void addHydrologyReport(HydrologyParts state, const HydrologyReportInput& input);

}  // namespace oewr::hydrology
