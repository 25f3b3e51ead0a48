#pragma once
// Result fields of the hydrology sub-model: the critical months and their
// maximum baseflows, which the hydraulics and the later analyses stand on.
#include <cstdint>

#include "model/site_inputs.h"
#include "model/state_parts.h"

namespace oewr::hydrology {

struct HydrologyState {
  int32_t criticalWetMonth = 0;  // calendar month 1 .. 12
  int32_t criticalDryMonth = 0;
  float maxBaseflowWet = 0;  // m3/s
  float maxBaseflowDry = 0;
};

// The parts of the model state the hydrology reads and writes: the site, its
// own results, the report, and the shape of the synthetic section, which goes
// back to its first shape when the site parameters are read.
template <bool Writable>
struct HydrologyPartsOf {
  PartRef<SiteInputs, Writable> site;
  PartRef<HydrologyState, Writable> hydrology;
  PartRef<ReportLines, Writable> reportLines;
  PartRef<int32_t, Writable> sectionShape;

  template <class State>
  HydrologyPartsOf(State& s)
      : site(s.site), hydrology(s.hydrology), reportLines(s.reportLines), sectionShape(shapeOf(s)) {}

 private:
  template <class State>
  static auto& shapeOf(State& s) {
    if constexpr (requires { s.sectionShape; })
      return s.sectionShape;
    else
      return s.hydraulics.xsShape;
  }
};
using HydrologyParts = HydrologyPartsOf<true>;
using HydrologyView = HydrologyPartsOf<false>;

}  // namespace oewr::hydrology
