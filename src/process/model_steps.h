#pragma once
// The model's steps in their order: the one list that the sub-model menu, the
// headless run and its export walk. Each sub-model folder offers its step in
// the same shape: its window (the menu opens it), and its headless run, which
// makes the window's opening and actions through the Ui and gives the charts
// the window shows. A new sub-model is a new folder and one entry here.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "charting/chart.h"
#include "common/ui.h"
#include "ecology/ecology_step.h"
#include "ewr/ewr_step.h"
#include "floods/flood_step.h"
#include "hydraulics/hydraulics_step.h"
#include "hydrology/hydrology_step.h"
#include "process/run_context.h"

namespace oewr::process {

// The choices of a headless run, one set for each step.
struct StepOptions {
  hydrology::HydrologyOptions hydrology;
  hydraulics::HydraulicsOptions hydraulics;
  ecology::EcologyOptions ecology;
  floods::FloodOptions floods;
  ewr::EwrOptions ewr;
};

// A chart of a step with the file name (without extension) it is kept under.
struct NamedChart {
  const char* name;
  charting::Chart chart;
};

struct ModelStep {
  // How a run names the step in its messages ("the ecology step stopped").
  const char* name;
  // The window the sub-model menu opens.
  std::unique_ptr<ModalForm> (*openWindow)(RunContext& ctx);
  // The headless step: the window's opening and actions, answered by the Ui.
  std::vector<NamedChart> (*run)(RunContext& ctx, const StepOptions& options);
  // The line a headless run prints when the step has finished.
  std::string (*finishedLine)(const ModelState& state, const StepOptions& options);
};

// The steps in the order a run makes them.
const std::vector<ModelStep>& modelSteps();

// The steps a run has finished: the first `count` of the list.
struct FinishedSteps {
  int count = 0;
  // True when the step of this name is among them.
  bool includes(std::string_view name) const;
};

}  // namespace oewr::process
