// Timing of the hydraulics model run on the worked-example channel (zone D,
// slope 0.01, width 40 m, width/depth scaling 0.5) and of one stage's
// discharge and habitat step.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "hostdb/host_session.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "hydraulics/habitat_classes.h"
#include "hydraulics/hydraulics_window.h"
#include "hydraulics/rating_curve.h"
#include "hydraulics/synthetic_section.h"
#include "process/model_state.h"

namespace {

using namespace oewr;
using namespace oewr::hydraulics;

class QuietUi : public Ui {
 public:
  void showMessage(const std::string&, const std::string&) override {}
  bool askYesNo(const std::string&, const std::string&) override { return false; }
  std::optional<std::string> pickOpenFile(const FileDialogOptions&) override { return std::nullopt; }
  std::optional<std::string> pickSaveFile(const FileDialogOptions&) override { return std::nullopt; }
  int showModal(ModalForm&) override { return mrCancel; }
  int showTableSave(hostdb::Ttable_save&) override { return mrCancel; }
  bool keepWaitingForLock(const std::string&, int) override { return false; }
};

// The worked example's parameters as "Re-Calc Parameters" leaves them.
std::unique_ptr<ModelState> workedExample(QuietUi& ui) {
  auto state = makeModelState();
  state->site.dataDirectory = (std::filesystem::temp_directory_path() / "oewr_hydraulics_bench").string();
  std::filesystem::create_directories(state->site.dataDirectory);
  state->site.siteName = "bench";
  SiteParameters& p = state->site.siteParameters;
  p.geoZone = 4;
  p.widthDepthScaling = 0.5f;
  p.valleySlope = 0.01f;
  p.maxWidth = 40;
  p.microRoughness = 0.01f;
  state->hydrology.maxBaseflowWet = 5;
  state->hydrology.maxBaseflowDry = 1;
  hostdb::HostSession session;  // the estimation saves nothing
  hostdb::Ttxtab tx(session, "TERAVOX", ui);
  hostdb::Ttable_save dialog;
  TForm4 form(*state, tx, ui, dialog);
  form.checkParametersOnOpen();
  form.recalcParameters();
  return state;
}

void BM_RunHydraulicModel(benchmark::State& bs) {
  QuietUi ui;
  auto state = workedExample(ui);
  HydraulicsCharts charts = makeHydraulicsCharts();
  for (auto _ : bs) {
    runHydraulicModel(*state, ui, charts);
    benchmark::DoNotOptimize(state->hydraulics.stageDischarge[0]);
  }
  bs.counters["stages"] = state->hydraulics.stageCount;
  bs.counters["points"] = state->hydraulics.modelXsCount;
}
BENCHMARK(BM_RunHydraulicModel)->Unit(benchmark::kMillisecond);

void BM_StageDischargeAndHabitat(benchmark::State& bs) {
  QuietUi ui;
  auto state = workedExample(ui);
  SectionLayout layout;
  buildLayout(*state, ui, layout);
  HydraulicSection section;
  buildSection(*state, layout, section, nullptr);
  const SiteParameters& p = state->site.siteParameters;
  const FlowParameters fp{p.maxDepth, p.maxGradient, p.minGradient, p.gradientShapeFactor,
                          p.maxManningN, p.minManningN, p.nShapeFactor};
  const float d = 1.5f;
  for (auto _ : bs) {
    SectionHydraulics hyd;
    const float S = stageGradient(fp, d);
    const float Q = sectionDischarge(section, section.npt, d, S, p.nShapeFactor, p.maxManningN, p.minManningN,
                                     p.maxDepth, hyd, ui);
    const StageHabitat h = habitatStep(section, section.npt, d, Q, hyd, p.macroRoughness);
    benchmark::DoNotOptimize(h.shares[0]);
  }
}
BENCHMARK(BM_StageDischargeAndHabitat)->Unit(benchmark::kMicrosecond);

}  // namespace
