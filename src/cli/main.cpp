// oewr: the Orvane EWR model from the command line.
#include <filesystem>
#include <string>

#include "cli/chart_output.h"
#include "cli/commands.h"
#include "common/process_memory.h"

int main(int argc, char** argv) {
  oewr::keepFreedMemoryForReuse();  // a batch makes each site's state afresh
  // The charts are drawn by the drawing program installed beside this one.
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) self = fs::absolute(argv[0], ec);
  if (!ec) {
    const fs::path worker = self.parent_path() / oewr::charting::kChartWorkerProgram;
    if (fs::is_regular_file(worker, ec)) oewr::cli::chartWorkerCommand() = {worker.string()};
  }
  return oewr::cli::runMain(argc, argv);
}
