#pragma once
// The ensemble (--ensemble N) and the one-at-a-time sensitivity study
// (--vary) of a headless run: made once the run's steps have finished, from
// the host as the run left it, their tables beside results.json and their
// charts with the run's.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "charting/chart.h"
#include "cli/run_command.h"
#include "ensemble/sensitivity.h"

namespace oewr::cli {

// Where a study's lines and charts go: the run prints or holds them.
struct StudyOutput {
  std::function<void(const std::string& line)> line;
  std::function<void(const charting::Chart& chart, const std::string& name)> chart;
};

// Runs the studies the options ask for after the standard run whose state is
// `standard`; writes ensemble.csv, ensemble_summary.csv, ensemble_months.csv
// and sensitivity.csv into `dir`, the fan and tornado charts through `output`,
// progress to options.progress. Fills the ensemble's spread into `summary`. Returns why
// the studies are not whole (a member or a run that failed), empty when they are.
std::string runStudies(const RunOptions& options, const std::vector<ensemble::Variation>& variations,
                       const process::StepOptions& stepOptions, const ModelState& standard, const std::string& dir,
                       const StudyOutput& output, RunSummary& summary);

}  // namespace oewr::cli
