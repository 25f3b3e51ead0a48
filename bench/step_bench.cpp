// Each step of a headless run on its own, on the 115-year demo site, without
// charts: the state the earlier steps leave is made once, and every timed
// step starts from a copy of it (the copy is not timed). The steps save to
// the host database as the whole run does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <sstream>

#include "cli/demo_site.h"
#include "process/headless_ui.h"
#include "ecology/ecology_step.h"
#include "ewr/ewr_step.h"
#include "floods/flood_step.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "hydraulics/hydraulics_step.h"
#include "hydrology/hydrology_step.h"
#include "menu/submodel_windows.h"
#include "process/process_window.h"

namespace {

using namespace oewr;

enum Step { kHydrology, kHydraulics, kEcology, kFloods, kFinalAnalysis };

void runStep(Step step, ModelState& s, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& dialog) {
  switch (step) {
    case kHydrology: hydrology::runHydrologyStep(s, tx, ui, dialog, {}); break;
    case kHydraulics: hydraulics::runHydraulicsStep(s, tx, ui, dialog, {}); break;
    case kEcology: ecology::runEcologyStep(s, tx, ui, dialog, {}); break;
    case kFloods: floods::runFloodStep(s, tx, ui, dialog, {}); break;
    case kFinalAnalysis: ewr::runEwrStep(s, tx, ui, dialog, {}); break;
  }
}

// The demo site's request read as "Read Data" reads it, and the steps before
// `step` run on it.
class PreparedRun {
 public:
  explicit PreparedRun(Step step)
      : dir_(std::filesystem::temp_directory_path() / ("oewr-step-bench-" + std::to_string(std::random_device{}()))),
        db_(cli::buildDemoDatabase(dir_, cli::makeDemoSite(115))),
        ui_(process::HeadlessPolicy{}, messages_),
        state_(makeModelState()),
        form_(*state_, ui_, dialog_, windows_) {
    form_.FormCreate({db_.iniFile.string(), std::to_string(db_.requestRecord)},
                     std::filesystem::current_path().string());
    for (int earlier = kHydrology; earlier < step; ++earlier) run(static_cast<Step>(earlier));
    prepared_ = makeModelState();
    *prepared_ = *state_;
  }
  ~PreparedRun() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  bool loaded() const { return form_.Button1 == process::TForm1::kRunModel; }
  void restore() {
    *state_ = *prepared_;
    messages_.str({});
  }
  void run(Step step) { runStep(step, *state_, *form_.hostTables(), ui_, dialog_); }

 private:
  std::filesystem::path dir_;
  cli::DemoDatabase db_;
  std::ostringstream messages_;
  process::HeadlessUi ui_;
  hostdb::Ttable_save dialog_;
  menu::ModelWindows windows_;
  std::unique_ptr<ModelState> state_, prepared_;
  process::TForm1 form_;
};

void BM_Step(benchmark::State& state, Step step) {
  PreparedRun run(step);
  if (!run.loaded()) {
    state.SkipWithError("the demo request could not be loaded");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    run.restore();
    state.ResumeTiming();
    try {
      run.run(step);
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      break;
    }
  }
}
BENCHMARK_CAPTURE(BM_Step, hydrology, kHydrology)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Step, hydraulics, kHydraulics)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Step, ecology, kEcology)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Step, floods, kFloods)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Step, final_analysis, kFinalAnalysis)->Unit(benchmark::kMillisecond);

}  // namespace
