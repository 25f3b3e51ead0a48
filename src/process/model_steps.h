#pragma once
// The model's steps in their order: the one list that the sub-model menu, the
// headless run and its export walk. Each sub-model folder offers its step in
// the same shape: its window (the menu's button opens it), its headless run,
// which makes the window's opening and actions through the Ui and gives the
// charts the window shows, and its results for other tools. A new sub-model
// is a new folder and one entry here.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "charting/chart.h"
#include "common/results_writer.h"
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

// A step's button in the sub-model menu and the tick beside it, which the
// button sets when the step's window closes through its own return.
struct MenuButton {
  const char* caption;
  const char* tickCaption;
  // The step whose tick enables the button (nullptr: always enabled) and the
  // message the button gives while that tick is not set.
  const char* after;
  const char* notYet;
};

struct ModelStep {
  // How a run names the step in its messages ("the ecology step stopped").
  const char* name;
  MenuButton menu;
  // The window the sub-model menu opens.
  std::unique_ptr<ModalForm> (*openWindow)(RunContext& ctx);
  // The headless step: the window's opening and actions, answered by the Ui.
  std::vector<NamedChart> (*run)(RunContext& ctx, const StepOptions& options);
  // The line a headless run prints when the step has finished.
  std::string (*finishedLine)(const ModelState& state, const StepOptions& options);
  // Its results for other tools: its fields of results.json, after those of
  // the steps before it, and its CSV tables, written after results.json.
  void (*exportResults)(const ModelState& state, const StepOptions& options, ResultsWriter& out);
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
