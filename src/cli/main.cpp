// oewr: the Orvane EWR model from the command line.
#include "cli/chart_output.h"
#include "cli/commands.h"

#ifdef OEWR_HAVE_CHART_RENDER
#include "gui/chart_render.h"
#endif

int main(int argc, char** argv) {
#ifdef OEWR_HAVE_CHART_RENDER
  oewr::cli::chartPictureWriter() = [](const oewr::charting::Chart& chart, const std::string& path,
                                       std::string& error) {
    oewr::gui::ensureGuiApplication();
    return oewr::gui::saveChartImage(chart, path, oewr::gui::kChartImageWidth, oewr::gui::kChartImageHeight, error);
  };
#endif
  const int code = oewr::cli::runMain(argc, argv);
#ifdef OEWR_HAVE_CHART_RENDER
  oewr::gui::releaseGuiApplication();
#endif
  return code;
}
