#pragma once
// The flood window's section of the report: "HIGH FLOW REQUIREMENT SUMMARY".
#include <string>
#include <vector>

#include "floods/flood_state.h"

namespace oewr::floods {

// The report section: heading, bankfull discharge and one line a flood
// category from the category table's texts.
std::vector<std::string> floodReportLines(FloodView state);

}  // namespace oewr::floods
