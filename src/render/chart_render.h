#pragma once
// Drawing a chart of the model with Qt Charts, on screen and as a picture
// file (Windows bitmap or PNG) without any window being shown.
#include <memory>
#include <string>

#include <QImage>
#include <QtCharts/QChart>

#include "charting/chart.h"

namespace oewr::render {

// Picture size used when a window saves one of its charts.
inline constexpr int kChartImageWidth = 800;
inline constexpr int kChartImageHeight = 500;
inline constexpr int kChartImageMaxSide = 10000;

// A QChart showing `chart`: titles, axes, legend and the visible series.
std::unique_ptr<QChart> buildQChart(const charting::Chart& chart);

// `chart` drawn on a white picture of width x height pixels.
QImage renderChartImage(const charting::Chart& chart, int width, int height);

// Writes `chart` as a picture to `path`, used as given: a PNG file when the
// name ends in ".png", a Windows bitmap otherwise (".bmp" and any other
// ending). An existing file is replaced only once the new picture is
// complete. On failure returns false with the reason in `error`.
bool saveChartImage(const charting::Chart& chart, const std::string& path, int width, int height,
                    std::string& error);

// Charts need a widget application. Creates one on the offscreen platform
// when the program has none (the headless run); throws ModelError when the
// program runs an application that cannot draw widgets.
void ensureGuiApplication();
// Deletes the application ensureGuiApplication() made, if any. Call it before
// the program returns from main: Qt's own globals are gone by the time exit
// handlers run.
void releaseGuiApplication();

// Label format of a value axis: the "#,##0.##" style format translated to
// the printf-like form Qt Charts takes ("%'.2f"). Optional decimals ('#')
// are shown only as far as the axis steps need them: `step` is the distance
// between labels and `start` the first label (0 when not known).
std::string axisLabelFormat(const std::string& valueFormat, double step, double start = 0);

// Date format of a date-time axis: "mm.yy" style translated to Qt's ("MM.yy").
std::string qtDateFormat(const std::string& dateFormat);

// A date-time value (days since 30 Dec 1899, the fraction being the time of
// day) as the milliseconds since 1970 that a date-time axis places it at,
// taken in local time so that the axis shows the same calendar date.
double dateTimeToAxisMSecs(double days);

}  // namespace oewr::render
