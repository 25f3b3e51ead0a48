#include "process/model_state.h"

#include <algorithm>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr {

std::unique_ptr<ModelState> makeModelState() { return std::make_unique<ModelState>(); }

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
