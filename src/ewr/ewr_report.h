#pragma once
// The final analysis window's section of the report: the final reserve
// summary with the long-term means and the duration and assurance tables.
#include <string>
#include <vector>

#include "ewr/ewr_state.h"

namespace oewr::ewr {

// The final reserve summary with the duration and assurance tables, as
// "Add to Report" appends it (the state of the last analysis).
std::vector<std::string> finalReportLines(EwrView state, int constraintMode);

}  // namespace oewr::ewr
