// oewr: the Orvane EWR model from the command line.
#include <filesystem>
#include <string_view>

#include "cli/chart_output.h"
#include "cli/commands.h"

#ifdef OEWR_HAVE_CHART_RENDER
#include "render/chart_render.h"
#endif

int main(int argc, char** argv) {
#ifdef OEWR_HAVE_CHART_RENDER
  oewr::cli::chartPictureWriter() = [](const oewr::charting::Chart& chart, const std::string& path,
                                       std::string& error) {
    oewr::render::ensureGuiApplication();
    return oewr::render::saveChartImage(chart, path, oewr::render::kChartImageWidth, oewr::render::kChartImageHeight,
                                        error);
  };
  // A batch starts this program again to draw its charts.
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::absolute(argv[0], ec);
  if (!ec) oewr::cli::chartWorkerCommand() = {self.string(), std::string(oewr::cli::kChartWorkerSubcommand)};
#endif
  const int code = argc > 1 && std::string_view(argv[1]) == oewr::cli::kChartWorkerSubcommand
                       ? oewr::cli::chartWorkerMain(argc, argv, oewr::cli::chartPictureWriter())
                       : oewr::cli::runMain(argc, argv);
#ifdef OEWR_HAVE_CHART_RENDER
  oewr::render::releaseGuiApplication();
#endif
  return code;
}
