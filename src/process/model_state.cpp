#include "process/model_state.h"

#include <algorithm>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr {

std::unique_ptr<ModelState> makeModelState() { return std::make_unique<ModelState>(); }

std::optional<std::string> channelCapacityShortfall(const ModelState& state) {
  if (state.hydraulics.stageCount < 1) return std::nullopt;
  float capacity = 0;
  for (int32_t j = 0; j < state.hydraulics.stageCount && j <= hydraulics::kMaxStageIndex; ++j)
    capacity = std::max(capacity, state.hydraulics.stageDischarge[j]);
  const bool wet = !(state.hydrology.maxBaseflowWet < capacity);
  if (!wet && state.hydrology.maxBaseflowDry < capacity) return std::nullopt;
  return formatText("The maximum baseflow of the critical %s month, %.3f m3/s, is not below the %.3f m3/s the channel "
                    "carries when full: no depth of the channel holds it, so the ecological, flood and final analyses "
                    "cannot be made. Check the channel's maximum width and depth (site parameters, hydraulics window) "
                    "and the unit of the flow record, then run again",
                    wet ? "wet" : "dry", wet ? state.hydrology.maxBaseflowWet : state.hydrology.maxBaseflowDry, capacity);
}

void clearRequestData(ModelState& state, bool keepReport) {
  auto fresh = makeModelState();
  fresh->site.iniFilePath = std::move(state.site.iniFilePath);
  fresh->site.dataDirectory = std::move(state.site.dataDirectory);
  fresh->site.databaseName = std::move(state.site.databaseName);
  fresh->hostTables = state.hostTables;
  fresh->hydraulics.randomSeed = state.hydraulics.randomSeed;
  if (keepReport) fresh->reportLines = std::move(state.reportLines);
  state = std::move(*fresh);
}

}  // namespace oewr
