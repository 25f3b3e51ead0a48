#pragma once
// Writing a chart as a picture from the headless run. The chart renderer is
// Qt's; the program sets the writer when it has one.
//
// Qt draws on the main thread of a process only, so a batch hands its charts
// to drawing processes, as many as it has jobs: the program itself started as
// a chart worker, which reads charts on its standard input, writes each as a
// picture and answers on its standard output.
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "charting/chart.h"

namespace oewr::cli {

using ChartPictureWriter =
    std::function<bool(const charting::Chart& chart, const std::string& path, std::string& error)>;

// Empty when the program was built without the chart renderer.
ChartPictureWriter& chartPictureWriter();

// The command that starts a drawing process (program and arguments); empty
// when the program cannot start one. A batch draws its charts only so.
std::vector<std::string>& chartWorkerCommand();

// The sub-command a program started as a drawing process is given.
inline constexpr std::string_view kChartWorkerSubcommand = "chart-worker";

// A chart and the file its picture goes to, as the bytes a drawing process
// reads; and back. Decoding throws ModelError when the bytes are not one
// whole chart.
std::string encodeChartRequest(const charting::Chart& chart, const std::string& path);
void decodeChartRequest(std::string_view bytes, charting::Chart& chart, std::string& path);

// The drawing process: answers the charts read from `in` until it closes,
// each drawn with `writer`. Returns the exit code.
int serveChartRequests(int in, int out, const ChartPictureWriter& writer);

// `oewr chart-worker`: serveChartRequests() on standard input and output
// (standard output goes to standard error meanwhile, so that nothing the
// drawing prints can break an answer).
int chartWorkerMain(int argc, char** argv, const ChartPictureWriter& writer);

// A chart of a batch whose picture was not written, and why.
struct LostChart {
  int record = 0;
  std::string chart;  // file name without its ending, "hydraulics_habitat"
  std::string reason;
};

// The drawing processes of a batch. Any thread queues charts; the batch's
// own thread runs pump() and finish(). A process that ends while drawing
// loses that chart alone (with a message naming the request and the chart):
// another one is started for the charts still to draw.
class ChartWorkers {
 public:
  ChartWorkers(std::vector<std::string> command, int processes, std::ostream& err);
  ~ChartWorkers();
  ChartWorkers(const ChartWorkers&) = delete;
  ChartWorkers& operator=(const ChartWorkers&) = delete;

  // Queues a chart of request `record`. Waits while a few charts per process
  // are already queued: the memory of a batch grows with its jobs, not with
  // its sites.
  void submit(int record, const charting::Chart& chart, const std::string& path);
  // Makes a pump() that waits return at once.
  void notify();
  // Hands queued charts to idle processes and takes their answers; returns
  // after an answer, a notify() or `timeoutMs` milliseconds.
  void pump(int timeoutMs);
  // Draws every chart queued, then ends the processes.
  void finish();
  const std::vector<LostChart>& lost() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace oewr::cli
