#pragma once
// The ecology window's section of the report: the stress weights, the
// flows-versus-stress table up to stress 5, the default and altered shift
// factors, and the perenniality and alignment choices on screen.
#include <string>
#include <vector>

#include "ecology/ecology_state.h"

namespace oewr::ecology {

// The selections' texts, by item index of "Perennial Flow" (0 .. 2) and of
// "Align Max. Stress to Present Day" (0 .. 7).
const char* perennialityReportText(int perennialSelection);
const char* alignmentReportText(int alignSelection);

std::vector<std::string> ecologyReportLines(EcologyView state, int perennialSelection, int alignSelection);

}  // namespace oewr::ecology
