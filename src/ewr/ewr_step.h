#pragma once
// The final analysis without windows, as the headless run takes it: "Do
// Analysis" with the chosen month, category, constraint and high flows, "Add
// to Report", and "Save Results to TERAVOX" with the chosen items; and the
// CSV files of its results for other tools.
#include <filesystem>
#include <string>
#include <vector>

#include "common/results_writer.h"
#include "common/ui.h"
#include "ewr/ewr_save.h"
#include "ewr/ewr_state.h"

namespace oewr::hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::ewr {

struct EwrOptions {
  int category = 2;    // 0 .. 6: A, A/B, B, B/C, C, C/D, D
  int month = 4;       // hydrological month shown: 0 = October .. 11 = September (4 = February)
  int constraint = 0;  // 0 No Constraint, 1 To Natural Flows, 2 To P.Day Flows
  bool highFlows = true;  // "Include High Flows"
  bool addToReport = true;
  // Items of "Select Data To Save ", in the order of ewr::kSaveItems. Items
  // whose request slot names no attribute are skipped.
  bool saveTotalAssurance = true;
  bool saveLowAssurance = true;
  bool saveTotalSeries = true;
  bool saveLowSeries = true;
  bool saveReport = true;

  bool saves(ewr::EwrSaveItem item) const;
  bool anySave() const;
};

// Throws ModelError naming the option when a choice is out of range.
void checkEwrOptions(const EwrOptions& options);

// Runs the step. Saving the series recomputes the analysis with and without
// the high flows; afterwards the analysis is made again with the chosen
// options, so that the state holds the results the options ask for. Throws
// ActionStopped (after the window's message) when the analysis was refused.
void runEwrStep(EwrParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                const EwrOptions& options);

// CSV texts of the results of the last analysis.
// Assurance tables: "category,month,<17 points>", one row a category and
// month (October first), million m3 per month.
std::string assuranceTableCsv(EwrView state, bool total);
// EWR series of a category: "year,month,natural,low_flow_ewr,total_flow_ewr",
// one row a month of the natural record; total includes the high flows when
// the analysis included them, as the means do.
std::string ewrSeriesCsv(EwrView state, int category, bool highFlows);
// Long-term means: "category,low_mcm,low_pct_mar,total_mcm,total_pct_mar".
std::string meanRequirementsCsv(EwrView state);

// Writes total_flow_assurance.csv, low_flow_assurance.csv, ewr_series.csv and
// ewr_means.csv into `directory` (created when missing). Returns the files.
std::vector<std::filesystem::path> writeEwrCsvFiles(EwrView state, int category, bool highFlows,
                                                    const std::filesystem::path& directory);

// Its results for other tools: the ranked flows and baseflows, the assurance
// rules, the long-term means and the EWR series of the run's category in
// results.json, and the four CSV files above.
void exportEwrResults(EwrView state, int category, bool highFlows, ResultsWriter& out);

}  // namespace oewr::ewr
