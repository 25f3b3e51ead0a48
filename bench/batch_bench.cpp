// A batch of six 115-year sites (`oewr run --all`), sites a second at 1 and 2
// jobs, without and with charts. The charts are drawn by chart worker
// processes of the `oewr` program beside this benchmark, as a batch of `oewr`
// draws them. Timed by the clock on the wall: the work is in other threads
// and processes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "cli/batch_run.h"
#include "cli/chart_output.h"
#include "cli/demo_site.h"

namespace {

constexpr int kSites = 6;

void BM_Batch(benchmark::State& state) {
  const int jobs = static_cast<int>(state.range(0));
  const bool charts = state.range(1) != 0;
#ifdef OEWR_CHART_WORKER_PATH
  if (charts) oewr::cli::chartWorkerCommand() = {OEWR_CHART_WORKER_PATH};
#else
  if (charts) {
    state.SkipWithError("built without the chart renderer");
    return;
  }
#endif
  const auto dir = std::filesystem::temp_directory_path() / ("oewr-batch-bench-" + std::to_string(std::random_device{}()));
  std::vector<oewr::cli::DemoSite> sites;
  for (int i = 0; i < kSites; ++i) {
    oewr::cli::DemoSite site = oewr::cli::makeDemoSite(115);
    site.name += " " + std::to_string(i + 1);
    for (float& v : site.natural) v *= 1.0f + 0.25f * static_cast<float>(i);
    sites.push_back(site);
  }
  std::filesystem::path ini;
  const std::vector<int> requests = oewr::cli::buildSitesDatabase(dir, sites, ini);
  oewr::cli::RunOptions o;
  o.ini = ini.string();
  o.outDir = (dir / "runs").string();
  o.jobs = jobs;
  o.noCharts = !charts;
  for (auto _ : state) {
    std::ostringstream out, err;
    if (oewr::cli::runBatch(o, requests, out, err) != 0) {
      state.SkipWithError(err.str().c_str());
      break;
    }
  }
  state.counters["sites/s"] =
      benchmark::Counter(static_cast<double>(kSites) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  oewr::cli::chartWorkerCommand().clear();
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}
BENCHMARK(BM_Batch)
    ->ArgNames({"jobs", "charts"})
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
