#include "cli/chart_output.h"

namespace oewr::cli {

ChartPictureWriter& chartPictureWriter() {
  static ChartPictureWriter writer;
  return writer;
}

}  // namespace oewr::cli
