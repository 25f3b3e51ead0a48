#pragma once
// Charts handed to a drawing process, and that process's side. Qt draws on
// the main thread of a process only, and its libraries are large to load: the
// headless command draws its charts through the program oewr-chart-worker,
// which reads charts on its standard input, writes each as a picture and
// answers on its standard output.
#include <functional>
#include <string>
#include <string_view>

#include "charting/chart.h"

namespace oewr::charting {

// The drawing program, found beside the headless command.
inline constexpr std::string_view kChartWorkerProgram = "oewr-chart-worker";

// Writes a chart as a picture at path; false with the reason in error.
using ChartPictureWriter = std::function<bool(const Chart& chart, const std::string& path, std::string& error)>;

// A chart and the file its picture goes to, as the bytes a drawing process
// reads; and back. Decoding throws ModelError when the bytes are not one
// whole chart.
std::string encodeChartRequest(const Chart& chart, const std::string& path);
void decodeChartRequest(std::string_view bytes, Chart& chart, std::string& path);

// Frames: a 32-bit length and that many bytes. Each returns false when the
// other end has gone (or, reading, sent no whole frame).
bool sendFrame(int fd, const std::string& bytes);
bool readFrame(int fd, std::string& bytes);

// The drawing process: answers the charts read from `in` until it closes,
// each drawn with `writer`; an answer is '1', or '0' and the reason. Returns
// the exit code.
int serveChartRequests(int in, int out, const ChartPictureWriter& writer);

}  // namespace oewr::charting
