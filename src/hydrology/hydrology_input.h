#pragma once
// Reading the hydrology window's inputs from the host: the site's
// hydrology/hydraulic parameters (slot 4) and the three monthly flow series
// (slots 10, 11, 12).
#include <string>
#include <vector>

#include "common/ui.h"
#include "hostdb/host_tables.h"
#include "hydrology/hydrology_state.h"
#include "model/request_slots.h"

namespace oewr::hydrology {

constexpr int kSiteParameterSlot = slot::kSiteParameters;
constexpr int kNaturalFlowSlot = slot::kNaturalFlows;
constexpr int kPresentFlowSlot = slot::kPresentFlows;
constexpr int kScenarioFlowSlot = slot::kScenarioFlows;

// Stores the stored values of the site parameters (in stored order; at most
// 24 are used) into state.siteParameters, applying the rules of the zone,
// valley slope and catchment area. A stored value that is no finite number
// is read as 0, with a message naming it. Positions the record does not reach
// keep their previous values. Returns the messages to show, in order.
std::vector<std::string> storeSiteParameters(HydrologyParts state, const std::vector<float>& stored);

// Reads slot 4 into state.siteParameters, with the `replaced` values in
// place of the stored ones, and shows the messages of the rules. False when
// the site has no value for it (the parameters are then kept).
bool readSiteParameters(HydrologyParts state, hostdb::Ttxtab& tx, Ui& ui, const std::string& caption,
                        const std::vector<ParameterReplacement>& replaced = {});

}  // namespace oewr::hydrology
