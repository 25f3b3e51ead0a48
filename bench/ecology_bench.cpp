// Timing of the ecology window's "Process Data" on a 115-year natural record
// (115 years and 3 months from October) with present-day and scenario
// series: the computation alone, the whole window run (charts, grids and
// storing the parameters in a host database), and one curve fit.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "ecology/ecology_window.h"
#include "ecology/ecology_work.h"
#include "ecology/flow_stress.h"
#include "ecology/process_data.h"
#include "ecology/stress_frequency.h"
#include "hostdb/host_admin.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "process/model_state.h"

namespace {

using namespace oewr;
using namespace oewr::ecology;

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

float stageDepth(int j) { return j <= 24 ? 0.002f * static_cast<float>(j + 1) : 0.05f + 0.01f * static_cast<float>(j - 24); }

void fillFlows(TimeSeries& t, int32_t count, uint32_t seed, float scale) {
  static constexpr float kMean[12] = {9.0f, 10.0f, 8.0f, 5.0f, 3.0f, 2.0f, 1.6f, 1.3f, 1.0f, 1.8f, 3.0f, 5.5f};
  t.header.count = count;
  t.header.startYear = 1900;
  t.header.startMonth = 10;
  uint32_t x = seed;
  for (int32_t i = 0; i < count; ++i) {
    x = x * 1664525u + 1013904223u;
    const float factor = 0.2f + 1.6f * static_cast<float>(x >> 8) / static_cast<float>(1u << 24);
    t.values[i] = kMean[(9 + i) % 12] * factor * scale;
  }
}

// A channel of 600 stages with its habitat shares, the three series and the
// critical months February and September.
std::unique_ptr<ModelState> benchState() {
  auto s = makeModelState();
  s->hydraulics.stageCount = 600;
  for (int j = 0; j < s->hydraulics.stageCount; ++j) {
    const float d = stageDepth(j);
    s->hydraulics.stageDischarge[j] = 5.0f * std::pow(d, 1.6f);
    s->hydraulics.stageWidth[j] = 10.0f + 20.0f * d;
    const float fvs = 40.0f * std::exp(-d / 0.1f);
    const float fs = 35.0f * (d / 0.2f) * std::exp(1.0f - d / 0.2f);
    const float fi = 30.0f * (d / 0.5f) * std::exp(1.0f - d / 0.5f);
    const float fd = d > 0.4f ? 40.0f * (1.0f - std::exp(-(d - 0.4f) / 0.5f)) : 0.0f;
    const float slow = std::max(0.0f, 100.0f - fvs - fs - fi - fd) / 3.0f;
    for (int c = 0; c < 3; ++c) s->hydraulics.stageClassShare[c][j] = slow;
    s->hydraulics.stageClassShare[3][j] = fvs;
    s->hydraulics.stageClassShare[4][j] = fs;
    s->hydraulics.stageClassShare[5][j] = fi;
    s->hydraulics.stageClassShare[6][j] = fd;
  }
  auto stageOf = [&s](float q) {
    int j = 0;
    while (j < s->hydraulics.stageCount - 1 && s->hydraulics.stageDischarge[j] < q) ++j;
    return j;
  };
  s->hydraulics.wetBaseflowStage = stageOf(3.0f);
  s->hydraulics.dryBaseflowStage = stageOf(0.5f);
  const int32_t months = 115 * 12 + 3;
  fillFlows(s->site.naturalFlows, months, 17u, 1.0f);
  fillFlows(s->site.presentFlows, months, 29u, 0.6f);
  fillFlows(s->site.scenarioFlows, months, 41u, 0.8f);
  s->hydrology.criticalWetMonth = 2;
  s->hydrology.criticalDryMonth = 9;
  s->site.maxBaseflowExceedence = 15;
  return s;
}

void BM_EcologyProcessData(benchmark::State& bs) {
  QuietUi ui;
  auto state = benchState();
  ecology::EcologyWork work;
  for (auto _ : bs) {
    ecology::computeEcology(*state, work, 0, 0, ui, TForm5::kCaption);
    benchmark::DoNotOptimize(state->ecology.ecoLowReq[4][2][0]);
  }
  bs.counters["years"] = work.yearCount[ecology::kNatural][0];
}
BENCHMARK(BM_EcologyProcessData)->Unit(benchmark::kMillisecond);

// The window's "Process Data": the computation, grids and charts, and the
// ecological parameters stored in a host database in a temporary directory.
void BM_EcologyWindowRun(benchmark::State& bs) {
  const auto dir = std::filesystem::temp_directory_path() / "oewr_ecology_bench";
  std::filesystem::remove_all(dir);
  const auto ini = dir / "teravox.ini";
  hostdb::HostAdmin::createDatabase(ini, "TERAVOX", dir / "db", true);
  hostdb::HostAdmin admin(ini, "TERAVOX");
  admin.addFeature("Sites", "sites");
  admin.addSite("Sites", 1, "Bench River");
  QuietUi ui;
  auto state = benchState();
  state->site.databaseName = "TERAVOX";
  state->site.requestSpatialRecord = 1;
  state->site.spatialRecord = 1;
  state->site.attributeCodes[5] = admin.addAttribute("Sites", "Ecological parameters", hostdb::kArray);
  hostdb::Ttxtab tx(admin.session(), "TERAVOX", ui);
  hostdb::Ttable_save dialog;
  dialog.ui = &ui;
  TForm5 form(*state, tx, ui, dialog);
  form.FormCreate();
  for (auto _ : bs) {
    form.processData();
    benchmark::DoNotOptimize(state->ecology.ecoLowReq[4][2][0]);
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_EcologyWindowRun)->Unit(benchmark::kMillisecond);

// One fit of the natural wet-season curve with a fresh table of shape values.
void BM_EcologyCurveFit(benchmark::State& bs) {
  QuietUi ui;
  auto state = benchState();
  ecology::EcologyWork work;
  ecology::computeEcology(*state, work, 0, 0, ui, TForm5::kCaption);
  const int32_t n = work.yearCount[ecology::kNatural][0];
  for (auto _ : bs) {
    ecology::ShapeTable shapes;
    const ecology::CurveFit fit = ecology::fit_sfdc(*state, ecology::kNatural, 0, n, 0, shapes);
    benchmark::DoNotOptimize(fit.shape);
  }
}
BENCHMARK(BM_EcologyCurveFit)->Unit(benchmark::kMillisecond);

// The four fits of a run (natural and present day, wet and dry), each with a
// fresh table: what the fits cost without sharing the shape values.
void BM_EcologyFourFitsUnshared(benchmark::State& bs) {
  QuietUi ui;
  auto state = benchState();
  ecology::EcologyWork work;
  ecology::computeEcology(*state, work, 0, 0, ui, TForm5::kCaption);
  for (auto _ : bs) {
    for (int kind = 0; kind < 2; ++kind)
      for (int season = 0; season < 2; ++season) {
        ecology::ShapeTable shapes;
        const ecology::CurveFit fit = ecology::fit_sfdc(*state, kind, season, work.yearCount[kind][season],
                                                        work.zeroIndex[kind][season], shapes);
        benchmark::DoNotOptimize(fit.shape);
      }
  }
}
BENCHMARK(BM_EcologyFourFitsUnshared)->Unit(benchmark::kMillisecond);

}  // namespace
