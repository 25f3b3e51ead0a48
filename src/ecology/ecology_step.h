#pragma once
// The ecology step of a headless run: what the ecology window does when it
// opens, without a window. One "Process Data" with the stored ecological
// parameters (or the options given), the restore of the default shifts when
// asked, and the report section; the parameters are stored in the host at
// the end of the run, as the window stores them.
#include <filesystem>
#include <string>
#include <vector>

#include "charting/chart.h"
#include "common/ui.h"
#include "process/model_state.h"

namespace oewr {

namespace hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace hostdb

struct EcologyOptions {
  int perennial = -1;  // "Perennial Flow" 0 .. 2; -1: the stored option
  int align = -1;      // "Align Max. Stress to Present Day" 0 .. 7; -1: the stored option
  bool restoreDefaultShifts = false;  // shifts that are not the defaults go back to them
  bool addToReport = true;
};

// Throws ModelError naming the option when a choice is out of range.
void checkEcologyOptions(const EcologyOptions& options);

// The four charts of the ecology window after the run.
struct EcologyCharts {
  charting::Chart flowStress;          // "Flow v Stress Relationships"
  charting::Chart wetStressFrequency;  // "Stress Frequency Curves (Wet)"
  charting::Chart dryStressFrequency;  // "Stress Frequency Curves (Dry)"
  charting::Chart flowDuration;        // "Flow Duration Curves" of the wet season
};

// Runs the step. Messages go through `ui`; an input the sub-model cannot use
// throws ModelError naming it, and nothing is stored then.
EcologyCharts runEcologyStep(ModelState& state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                             const EcologyOptions& options);

// CSV texts of the results of the last run, for other tools.
// The flows-versus-stress table: "level,stress,wet_flow_m3s,dry_flow_m3s".
std::string stressTableCsv(const ModelState& state);
// The shift factors: "season,category,default_high,high,default_low,low".
std::string shiftFactorsCsv(const ModelState& state);
// The stress frequency curves: "season,kind,position,duration_pct,stress".
std::string stressFrequencyCsv(const ModelState& state);
// ecoLowReq of the two critical months:
// "season,month,category,rank,duration_pct,flow_m3s", ranks ascending in flow.
std::string ecologicalLowFlowsCsv(const ModelState& state);

// Writes stress_table.csv, shift_factors.csv, stress_frequency.csv and
// ecological_low_flows.csv into `directory` (created when missing). Returns the files.
std::vector<std::filesystem::path> writeEcologyCsvFiles(const ModelState& state, const std::filesystem::path& directory);

}  // namespace oewr
