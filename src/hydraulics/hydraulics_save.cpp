#include "hydraulics/hydraulics_save.h"

#include <string>

#include "common/errors.h"
#include "hostdb/table_save.h"

namespace oewr::hydraulics {

std::vector<float> siteParameterValues(const SiteParameters& p) {
  std::vector<float> values;
  values.reserve(SiteParameters::count);
  for (int position = 1; position <= SiteParameters::count; ++position) values.push_back(p.at(position));
  return values;
}

std::vector<float> savedSectionValues(std::span<const float> distances, std::span<const float> elevations,
                                      int32_t count) {
  if (count < 0 || count >= kSavedSectionRows)
    throw RangeError("A saved cross-section holds at most " + std::to_string(kSavedSectionRows - 1) +
                     " points; this one has " + std::to_string(count));
  if (distances.size() < static_cast<std::size_t>(count) || elevations.size() < static_cast<std::size_t>(count))
    throw RangeError("The cross-section holds fewer than its " + std::to_string(count) + " points");
  std::vector<float> data(2 * static_cast<std::size_t>(kSavedSectionRows), 0.0f);
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    data[i] = distances[i];
    data[kSavedSectionRows + i] = elevations[i];
  }
  data[static_cast<std::size_t>(count)] = kSectionEndMarker;
  data[kSavedSectionRows + static_cast<std::size_t>(count)] = kSectionEndMarker;
  return data;
}

bool saveSiteParameters(ModelState& state, hostdb::Ttxtab& tx, hostdb::Ttable_save& dialog) {
  if (state.site.attributeCodes[kParameterSlot] < 1) return false;
  return hostdb::saveArrayAttribute(state, tx, dialog, kParameterSlot, kParameterTitle, SiteParameters::count, 1,
                                    kParameterFormat, siteParameterValues(state.site.siteParameters));
}

bool saveSectionInUse(ModelState& state, hostdb::Ttxtab& tx, hostdb::Ttable_save& dialog) {
  if (state.site.attributeCodes[kSavedSectionSlot] < 1) return false;
  const int32_t count = state.hydraulics.modelXsCount;
  const std::span<const float> distances(state.hydraulics.modelXsDistance.data(), state.hydraulics.modelXsDistance.size());
  const std::span<const float> elevations(state.hydraulics.modelXsElevation.data(), state.hydraulics.modelXsElevation.size());
  const std::vector<float> data = savedSectionValues(distances, elevations, count);
  if (!hostdb::saveArrayAttribute(state, tx, dialog, kSavedSectionSlot, kSavedSectionTitle, kSavedSectionRows, 2,
                                  kSavedSectionFormat, data))
    return false;
  // The record holds the section now: it is the saved section from here on.
  state.site.savedXsCount = count;
  for (int32_t i = 0; i < kSavedSectionRows; ++i) {
    state.site.savedXsDistance[i] = data[static_cast<std::size_t>(i)];
    state.site.savedXsElevation[i] = data[static_cast<std::size_t>(kSavedSectionRows + i)];
  }
  return true;
}

}  // namespace oewr::hydraulics
