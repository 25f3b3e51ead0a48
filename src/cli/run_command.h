#pragma once
// `oewr run`: the whole model headless on one request.
#include <functional>
#include <iosfwd>
#include <string>

#include "ewr/ewr_run.h"

namespace CLI {
class App;
}

namespace oewr::cli {

struct RunOptions {
  std::string ini;
  int record = -1;
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
  bool restoreDefaultShifts = false;
  // Floods
  bool useSavedFloods = false;
  bool saveFloods = false;
  // Final analysis
  EwrOptions ewr;
  std::string category = "B";
  std::string month = "Feb";
  std::string constraint = "none";
  bool noHighFlows = false;
  std::string save = "all";
};

// Registers the sub-command; when the parse picks it, `action` is set to its
// work, which returns the exit code.
void addRunCommand(CLI::App& app, std::function<int()>& action);

// Runs one request; returns the exit code. Messages go to `err`, the
// summary of what was loaded and done to `out`.
int runRequest(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace oewr::cli
