#pragma once
// Writing a chart as a picture from the headless run. The chart renderer is
// Qt's; the program sets the writer when it has one.
#include <functional>
#include <string>

#include "charting/chart.h"

namespace oewr::cli {

using ChartPictureWriter =
    std::function<bool(const charting::Chart& chart, const std::string& path, std::string& error)>;

// Empty when the program was built without the chart renderer.
ChartPictureWriter& chartPictureWriter();

}  // namespace oewr::cli
