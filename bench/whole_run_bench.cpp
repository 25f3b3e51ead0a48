// One whole headless run: hydrology, synthetic hydraulics, ecology, floods,
// final analysis with its saves, and the report, without charts.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "cli/demo_site.h"
#include "cli/run_command.h"

namespace {

struct BenchDatabase {
  std::filesystem::path dir;
  oewr::cli::DemoDatabase db;
  BenchDatabase() {
    std::random_device rd;
    dir = std::filesystem::temp_directory_path() / ("oewr-bench-" + std::to_string(rd()));
    db = oewr::cli::buildDemoDatabase(dir, oewr::cli::makeDemoSite(115));
  }
  ~BenchDatabase() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

void BM_WholeHeadlessRun(benchmark::State& state) {
  BenchDatabase b;
  oewr::cli::RunOptions o;
  o.ini = b.db.iniFile.string();
  o.record = b.db.requestRecord;
  for (auto _ : state) {
    std::ostringstream out, err;
    if (oewr::cli::runRequest(o, out, err) != 0) state.SkipWithError(err.str().c_str());
  }
}
BENCHMARK(BM_WholeHeadlessRun)->Unit(benchmark::kMillisecond);

}  // namespace
