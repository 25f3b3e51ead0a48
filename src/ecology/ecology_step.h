#pragma once
// The ecology step of a headless run, without a window: the window's whole
// opening (its run with the stored ecological parameters and, when the
// shifts in force are not the defaults, its question whether to restore
// them, answered by the Ui), then the options as a person would change them,
// the report section and "Return to Main Menu". Every run stores the
// parameters in the host, as the window does.
#include <filesystem>
#include <string>
#include <vector>

#include "charting/chart.h"
#include "common/results_writer.h"
#include "common/ui.h"
#include "ecology/ecology_state.h"

namespace oewr::hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::ecology {

struct EcologyOptions {
  // "Perennial Flow" 0 .. 2; -1: the stored option. A changed option is
  // saved with the shift table, so the host keeps it.
  int perennial = -1;
  int align = -1;  // "Align Max. Stress to Present Day" 0 .. 7; -1: the stored option
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

// Runs the step. Messages and questions go through `ui`; a run that the
// sub-model refuses shows its message, stores nothing, and the step throws
// ActionStopped with no text of its own (the message is the reason).
EcologyCharts runEcologyStep(EcologyParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                             const EcologyOptions& options);

// CSV texts of the results of the last run, for other tools.
// The flows-versus-stress table: "level,stress,wet_flow_m3s,dry_flow_m3s".
std::string stressTableCsv(EcologyView state);
// The shift factors: "season,category,default_high,high,default_low,low".
std::string shiftFactorsCsv(EcologyView state);
// The stress frequency curves: "season,kind,position,duration_pct,stress".
std::string stressFrequencyCsv(EcologyView state);
// ecoLowReq of the two critical months:
// "season,month,category,rank,duration_pct,flow_m3s", ranks ascending in flow.
std::string ecologicalLowFlowsCsv(EcologyView state);

// Writes stress_table.csv, shift_factors.csv, stress_frequency.csv and
// ecological_low_flows.csv into `directory` (created when missing). Returns the files.
std::vector<std::filesystem::path> writeEcologyCsvFiles(EcologyView state, const std::filesystem::path& directory);

// Its results for other tools: the stress relationships and curves, their
// weights and fits, the shifts and the low-flow requirements in results.json,
// and the four CSV files above.
void exportEcologyResults(EcologyView state, ResultsWriter& out);

}  // namespace oewr::ecology
