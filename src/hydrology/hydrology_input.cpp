#include "hydrology/hydrology_input.h"

#include <cmath>

#include "common/text_format.h"
#include "hostdb/blob_codec.h"
#include "model/parameter_rules.h"

namespace oewr::hydrology {

namespace {

constexpr int kGeoZonePosition = 3;
constexpr int kValleySlopePosition = 6;
constexpr int kCatchmentAreaPosition = 7;
constexpr int kBedWidthFractionPosition = 10;

}  // namespace

std::vector<std::string> storeSiteParameters(HydrologyParts state, const std::vector<float>& stored) {
  std::vector<std::string> messages;
  const int available = static_cast<int>(stored.size());
  if (available < SiteParameters::count)
    messages.push_back(formatText("The hydrology/hydraulic parameters hold %d of their %d values; the others keep "
                                  "their previous values",
                                  available, SiteParameters::count));
  SiteParameters& p = state.site.siteParameters;
  for (int position = 1; position <= SiteParameters::count; ++position) {
    if (position <= available) {
      const float value = stored[static_cast<std::size_t>(position - 1)];
      if (std::isfinite(value)) {
        p.at(position) = value;
      } else {
        // No number has no place in the model: read as not set. (Values that
        // are numbers but cannot be a channel are refused by name where the
        // hydraulics uses them, so that they can be seen and typed over.)
        messages.push_back(kStoredParameters + *parameterProblem(position, value) + ": it is read as 0");
        p.at(position) = 0.0f;
      }
    }
    switch (position) {
      case kGeoZonePosition:
        if (!(p.geoZone >= 1 && p.geoZone <= 6)) {
          messages.push_back("Geo Zone out of range (1 - 6): set to 4");
          p.geoZone = 4;
        }
        break;
      case kValleySlopePosition:
        if (!(p.valleySlope > 0)) {
          messages.push_back("Valley slope is reset to 0.005");
          p.valleySlope = 0.005f;
        }
        break;
      case kCatchmentAreaPosition:
        if (!(p.catchmentArea > 0)) messages.push_back("Catchment area is read as zero");
        break;
      case kBedWidthFractionPosition:
        // The synthetic section goes back to its first shape with the site's parameters.
        state.sectionShape = 0;
        break;
      default:
        break;
    }
  }
  return messages;
}

bool readSiteParameters(HydrologyParts state, hostdb::Ttxtab& tx, Ui& ui, const std::string& caption,
                        const std::vector<ParameterReplacement>& replaced) {
  auto record = hostdb::findSlotRecord(state.site, tx, kSiteParameterSlot);
  if (!record || !record->recordFound) {
    tx.DTable.close();
    return false;
  }
  std::vector<float> stored = hostdb::blobToFloats(tx.DTable.readBlob("Data"));
  tx.DTable.close();
  for (const ParameterReplacement& r : replaced) {
    if (r.position < 1 || r.position > SiteParameters::count)
      throw RangeError("Range check error: site parameter position " + std::to_string(r.position));
    // Positions the record does not reach hold their previous values until replaced.
    while (static_cast<int>(stored.size()) < r.position)
      stored.push_back(state.site.siteParameters.at(static_cast<int>(stored.size()) + 1));
    stored[static_cast<std::size_t>(r.position - 1)] = r.value;
  }
  for (const auto& message : storeSiteParameters(state, stored)) ui.showMessage(caption, message);
  return true;
}

}  // namespace oewr::hydrology
