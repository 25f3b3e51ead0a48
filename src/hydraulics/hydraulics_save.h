#pragma once
// The hydraulics sub-model's records in the host: the 24 hydrology/hydraulic
// parameters (request slot 4) and the saved channel cross-section (slot 7),
// written as array records through the host's table saving.
#include <cstdint>
#include <span>
#include <vector>

#include "hydraulics/hydraulics_state.h"
#include "model/request_slots.h"

namespace oewr::hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::hydraulics {

constexpr int kParameterSlot = slot::kSiteParameters;
constexpr int kSavedSectionSlot = slot::kSavedSection;
inline constexpr const char* kParameterTitle = "OEWR Hydrology and Hydraulic Parameters (Orvane EWR model)";
inline constexpr const char* kParameterFormat = "OEWR_hyd_hydraulic_parameters.txp";
inline constexpr const char* kSavedSectionTitle = "Saved Channel X-Section";
inline constexpr const char* kSavedSectionFormat = "XSection.txp";
constexpr int kSavedSectionRows = 400;     // rows 0 .. 399 of each column
constexpr float kSectionEndMarker = -999.0f;  // the row after the last point

// The 24 parameters in stored order.
std::vector<float> siteParameterValues(const SiteParameters& p);

// The saved section's record data: 400 distances then 400 elevations, the
// `count` points, the end marker in row `count` and zeros after it. A count
// of 400 or more (no room for the marker) throws RangeError.
std::vector<float> savedSectionValues(std::span<const float> distances, std::span<const float> elevations,
                                      int32_t count);

// Writes the parameters to the site's record of the slot-4 attribute.
// True when written; false when the request assigns no attribute to the slot
// or nothing was to be written (the reason has been shown). Errors pass on
// as ModelError; nothing is then written.
bool saveSiteParameters(HydraulicsParts state, hostdb::Ttxtab& tx, hostdb::Ttable_save& dialog);

// Writes the section in use (modelXsDistance, modelXsElevation,
// modelXsCount, fewer than 400 points) to the slot-7 attribute; once it is
// written it becomes the saved section of the state (savedXsDistance,
// savedXsElevation, savedXsCount). Returns as saveSiteParameters.
bool saveSectionInUse(HydraulicsParts state, hostdb::Ttxtab& tx, hostdb::Ttable_save& dialog);

}  // namespace oewr::hydraulics
