#include "cli/run_command.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "cli/headless_ui.h"
#include "common/text_format.h"
#include "hostdb/table_save_dialog.h"
#include "menu/submodel_windows.h"
#include "process/model_state.h"
#include "process/tform1.h"

namespace oewr::cli {

namespace {

void printLoaded(const ModelState& s, std::ostream& out) {
  out << "Site: " << s.siteName << " (spatial record " << s.requestSpatialRecord << ")\n";
  out << formatText("Maximum baseflow exceedence: %d %%\n", s.maxBaseflowExceedence);
  out << formatText("Perennial option: %d, alignment option: %d\n", s.perennialOption, s.alignStressOption);
  for (int season = 0; season < 2; ++season) {
    out << (season == 0 ? "Wet" : "Dry") << " season shifts HIGH:";
    for (int c = 0; c < kCategoryCount; ++c) out << formatText(" %s=%.2f", kCategoryNames[static_cast<std::size_t>(c)], s.highShift[season][c]);
    out << "  LOW:";
    for (int c = 0; c < kCategoryCount; ++c) out << formatText(" %s=%.2f", kCategoryNames[static_cast<std::size_t>(c)], s.lowShift[season][c]);
    out << formatText("\n  weights: stress at zero FS %.2f, FS %.2f, FI %.2f, FD %.2f\n", s.stressAtZeroFs[season],
                      s.fsWeight[season], s.fiWeight[season], s.fdWeight[season]);
  }
  out << "Saved cross-section points: " << s.savedXsCount << "\n";
  out << "Observed cross-section points: " << s.xsPointCount << "\n";
  out << "Observed rating table rows: " << s.ratingCount << "\n";
}

}  // namespace

int runRequest(const RunOptions& options, std::ostream& out, std::ostream& err) {
  HeadlessPolicy policy;
  policy.answerYes = options.answer != "no";
  policy.lockTimeoutMs = static_cast<int>(options.lockTimeoutSeconds * 1000);
  HeadlessUi ui(policy, err);
  auto state = makeModelState();
  hostdb::Ttable_save saveDialog;
  ModelWindows windows;
  TForm1 form(*state, ui, saveDialog, windows);
  const std::string exeDir = std::filesystem::current_path().string();
  try {
    form.FormCreate({options.ini, std::to_string(options.record)}, exeDir);
  } catch (const ModelError& e) {
    err << "oewr run: " << e.what() << std::endl;
    return 1;
  }
  if (form.Button1 != TForm1::kRunModel) {
    err << "oewr run: request " << options.record << " of " << options.ini << " could not be loaded" << std::endl;
    return 1;
  }
  out << "Request " << options.record << ": " << form.Label2 << " (" << form.Label1 << ", " << form.Label3 << ")\n";
  printLoaded(*state, out);
  return 0;
}

void addRunCommand(CLI::App& app, std::function<int()>& action) {
  auto opts = std::make_shared<RunOptions>();
  CLI::App* run = app.add_subcommand("run", "Run the model headless on one request of the host database, in the order "
                                            "hydrology, hydraulics, ecology, floods, final analysis.");
  run->add_option("--ini", opts->ini, "The host's ini file (section Startup: dat_dir, datab_name; section Aliases)")
      ->required();
  run->add_option("--record", opts->record,
                  "The request's record number in the host's request table (1-based over all requests; 0 is the first)")
      ->required()
      ->check(CLI::NonNegativeNumber);
  run->add_option("--answer", opts->answer,
                  "Answer to the questions a window would ask (default yes). \"Overwrite existing table? (not "
                  "undoable)\" is always answered No: a headless run never empties a table. Where a window would "
                  "offer several existing tables for a result, the first is used.")
      ->check(CLI::IsMember({"yes", "no"}));
  run->add_option("--lock-timeout", opts->lockTimeoutSeconds,
                  "Seconds to wait for a record another program holds locked before giving up (default 60)")
      ->check(CLI::NonNegativeNumber);
  run->callback([opts, &action] { action = [opts] { return runRequest(*opts, std::cout, std::cerr); }; });
}

}  // namespace oewr::cli
