#pragma once
// The computation of one "Process Data" of the ecology window, without the
// window: the flow-stress relationship, the stress frequency curves and the
// category curves down to ecoLowReq.
#include <string>

#include "common/ui.h"
#include "ecology/ecology_work.h"
#include "ecology/ecology_state.h"

namespace oewr::ecology {

// `perennialOption` (0 .. 2) and `alignOption` (0 .. 7) are the selections
// in force. Messages go through `ui` under `caption`. Throws ModelError,
// naming what is wrong, when the inputs cannot be used.
void computeEcology(EcologyParts state, EcologyWork& work, int perennialOption, int alignOption, Ui& ui,
                    const std::string& caption);

}  // namespace oewr::ecology
