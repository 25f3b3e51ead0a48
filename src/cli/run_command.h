#pragma once
// `oewr run`: the whole model headless on one request.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/chart_output.h"
#include "ensemble/ensemble.h"
#include "ewr/ewr_step.h"

namespace CLI {
class App;
}

namespace oewr::cli {

struct RunOptions {
  std::string ini;
  int record = -1;
  std::string records;  // a list "1,3,5-7" for a batch
  bool all = false;     // every request of the model
  int jobs = 1;         // requests run side by side in a batch
  std::string shard;    // "K/N": the K-th of N slices of the batch alone
  std::string answer = "yes";
  double lockTimeoutSeconds = 60;
  std::string outDir;     // report, results and charts, unless given apart
  std::string exportDir;  // results.json and CSV tables
  std::string chartsDir;  // charts as PNG
  // Hydrology
  int exceedence = 0;  // 0: the site's stored point
  bool useQtotal = false;
  // Hydraulics
  std::string section = "synthetic";
  bool saveParameters = false;
  bool saveSection = false;
  // Ecology
  int perennial = -1;
  int align = -1;
  bool restoreDefaultShifts = false;  // Yes to the shift question even with answer "no"
  // Floods
  bool useSavedFloods = false;
  bool saveFloods = false;
  // Final analysis
  ewr::EwrOptions ewr;
  std::string category = "B";
  std::string month = "Feb";
  std::string constraint = "none";
  bool noHighFlows = false;
  std::string save = "all";
  bool timing = false;  // print the time of each step
  bool noCharts = false;  // write no chart pictures
  // Studies made after the run: an ensemble of this many members over the
  // random sections (0: none), and the inputs varied one at a time
  // (NAME=LOW:HIGH[:STEPS] each).
  int ensemble = 0;
  std::vector<std::string> vary;
  bool partOfBatch = false;  // a site of a batch: its studies run on one thread
  std::ostream* progress = nullptr;  // where the studies show their progress (a terminal), if anywhere
  // Writes the charts; empty: a drawing process of its own (chartWorkerCommand()).
  ChartPictureWriter chartWriter;
};

// What a run leaves for the batch summary.
struct RunSummary {
  int record = 0;
  bool ok = false;
  std::string reason;  // why the run failed
  std::string siteName;
  float mar = 0;
  int criticalWetMonth = 0, criticalDryMonth = 0;
  float maxBaseflowWet = 0, maxBaseflowDry = 0;
  bool ecologyDone = false;
  float highShift[2][7] = {};  // shifts in force after the ecology step, [season][category]
  float lowShift[2][7] = {};
  bool ewrDone = false;
  float meanLowEwr[7] = {};
  float meanTotalEwr[7] = {};
  bool ensembleDone = false;
  std::vector<ensemble::CategorySpread> spreads;  // of the ensemble's members, by category
};

// Registers the sub-command; when the parse picks it, `action` is set to its
// work, which returns the exit code.
void addRunCommand(CLI::App& app, std::function<int()>& action);

// Makes `dir` (named by `option` in messages) when missing and checks that
// files can be written into it; throws ModelError saying why not.
void requireWritableDirectory(const std::string& dir, const std::string& option);

// Runs one request; returns the exit code. Messages go to `err`, the
// summary of what was loaded and done to `out`.
int runRequest(const RunOptions& options, std::ostream& out, std::ostream& err, RunSummary* summary = nullptr);

}  // namespace oewr::cli
