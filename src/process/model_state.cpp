#include "process/model_state.h"

#include <algorithm>
#include <memory>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr {

std::unique_ptr<ModelState> makeModelState() { return std::make_unique<ModelState>(); }

void clearRequestData(ModelState& state, bool keepReport) {
  std::string iniFilePath = std::move(state.site.iniFilePath);
  std::string dataDirectory = std::move(state.site.dataDirectory);
  std::string databaseName = std::move(state.site.databaseName);
  auto* hostTables = state.hostTables;
  const auto randomSeed = state.hydraulics.randomSeed;
  decltype(state.reportLines) reportLines;
  if (keepReport) reportLines.swap(state.reportLines);
  // Made afresh where it stands: the state is large, and a second one would
  // only be copied over it.
  std::destroy_at(&state);
  std::construct_at(&state);
  state.site.iniFilePath = std::move(iniFilePath);
  state.site.dataDirectory = std::move(dataDirectory);
  state.site.databaseName = std::move(databaseName);
  state.hostTables = hostTables;
  state.hydraulics.randomSeed = randomSeed;
  state.reportLines.swap(reportLines);
}

}  // namespace oewr
