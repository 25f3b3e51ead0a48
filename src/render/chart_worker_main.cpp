// oewr-chart-worker: draws the charts of the headless command as pictures.
// The command starts it and hands it charts on standard input; it answers
// each on standard output. Qt draws on the main thread of a process only, and
// the headless command itself loads no Qt.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "charting/chart_requests.h"
#include "common/process_memory.h"
#include "render/chart_render.h"

int main(int argc, char** argv) {
  using oewr::charting::kChartWorkerProgram;
  if (argc > 1) {
    const std::string_view arg = argv[1];
    if (arg == "--help" || arg == "-h") {
      std::cout << kChartWorkerProgram
                << ": started by oewr run and oewr demo to draw their charts: reads charts on standard input and "
                   "writes each as a picture. Not for use by hand.\n";
      return 0;
    }
    std::cerr << kChartWorkerProgram << ": takes no arguments (see --help)" << std::endl;
    return 2;
  }
  oewr::keepFreedMemoryForReuse();  // each chart's pictures take a few megabytes
  // Answers go on the standard output alone: what the drawing prints goes to
  // standard error, so that it cannot break an answer.
  std::cout.flush();
  const int answers = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (answers < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    std::cerr << kChartWorkerProgram << ": " << std::strerror(errno) << std::endl;
    return 1;
  }
  const int code = oewr::charting::serveChartRequests(
      STDIN_FILENO, answers, [](const oewr::charting::Chart& chart, const std::string& path, std::string& error) {
        oewr::render::ensureGuiApplication();
        return oewr::render::saveChartImage(chart, path, oewr::render::kChartImageWidth,
                                            oewr::render::kChartImageHeight, error);
      });
  ::close(answers);
  oewr::render::releaseGuiApplication();
  return code;
}
