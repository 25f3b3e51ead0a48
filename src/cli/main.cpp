// oewr: the Orvane EWR model from the command line.
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
#endif
  const int code = oewr::cli::runMain(argc, argv);
#ifdef OEWR_HAVE_CHART_RENDER
  oewr::render::releaseGuiApplication();
#endif
  return code;
}
