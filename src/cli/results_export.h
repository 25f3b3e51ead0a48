#pragma once
// Export of a run's results for other tools: results.json with the model
// state's fields under their own names, and one CSV file per table; each
// completed step writes its own part.
#include <filesystem>
#include <vector>

#include "process/model_state.h"
#include "process/model_steps.h"

namespace oewr::cli {

// The steps a run has completed; only their fields are written.
using CompletedSteps = process::FinishedSteps;

// Writes results.json and then the CSV tables of the completed steps, in the
// order of the steps, into `directory` (created when missing); returns the
// files written. Throws ModelError when a file cannot be written.
std::vector<std::filesystem::path> writeResults(const ModelState& state, const CompletedSteps& steps,
                                                const process::StepOptions& options,
                                                const std::filesystem::path& directory);

}  // namespace oewr::cli
