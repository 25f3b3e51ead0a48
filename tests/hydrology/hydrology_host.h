#pragma once
// A host database in a temporary directory with the attributes the hydrology
// window reads (slot 4 site parameters, slot 5 ecological parameters, slots 10
// to 12 flow series) for one site, the model state of a request on it, and a
// scripted person.
#include <string>
#include <utility>
#include <vector>

#include "support/test_host.h"

namespace oewr::testing {

class HydrologyHost : public TestHost {
 public:
  static constexpr int kSiteParameters = 104;
  static constexpr int kEcological = 105;
  static constexpr int kNatural = 110;
  static constexpr int kPresent = 111;
  static constexpr int kScenario = 112;

  HydrologyHost() : TestHost(kEmpty, 1) {
    addStoredAttribute(kSiteParameters, "Hydrology parameters", hostdb::kArray, "array");
    addStoredAttribute(kEcological, "Ecological parameters", hostdb::kArray, "array");
    addStoredAttribute(kNatural, "Natural flows", hostdb::kTimeseries, "timeseries");
    addStoredAttribute(kPresent, "Present day flows", hostdb::kTimeseries, "timeseries");
    addStoredAttribute(kScenario, "Scenario flows", hostdb::kTimeseries, "timeseries");
    const std::pair<int, int> slots[] = {
        {4, kSiteParameters}, {5, kEcological}, {10, kNatural}, {11, kPresent}, {12, kScenario}};
    for (const auto& [slot, code] : slots) codes[static_cast<std::size_t>(slot)] = code;
    attach(*state);
    state->site.spatialRecord = 0;  // only the request names the site
    state->site.siteName = "Test River at Weir";
  }

  // Site parameters in stored order (24 values make a whole record).
  void setSiteParameters(const std::vector<float>& values) {
    storeArray(kSiteParameters, "OEWR hydrology/hydraulic parameters", "OEWR_hyd_hydraulic_parameters.txp", values);
  }

  // A monthly series of volumes (million m3 with the default unit codes).
  void setSeries(int attribute, int startYear, int startMonth, const std::vector<float>& values, int varType = 3,
                 int varUnit = 4) {
    storeSeries(attribute, startYear, startMonth, values, varType, varUnit);
  }

  // The stored floats of the site's ecological parameters; empty when none.
  std::vector<float> storedEcologicalParameters() {
    auto t = recordOf(kEcological);
    return t ? hostdb::blobToFloats(t->readBlob("Data")) : std::vector<float>{};
  }
};

// Site parameters of a tidy site: A = 0, B = 0.5, zone 3, slope 0.002, area 850 km2.
inline std::vector<float> tidySiteParameters() {
  std::vector<float> p(24, 1.0f);
  p[0] = 0.0f;
  p[1] = 0.5f;
  p[2] = 3.0f;
  p[5] = 0.002f;
  p[6] = 850.0f;
  return p;
}

}  // namespace oewr::testing
