#pragma once
// Writing the charts of the headless command as pictures. The command loads
// no Qt: its charts are drawn by the program oewr-chart-worker, found beside
// it. One run draws through one such process while its later steps compute;
// a batch through as many as it has jobs.
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "charting/chart.h"
#include "charting/chart_requests.h"

namespace oewr::cli {

using charting::ChartPictureWriter;

// The command that starts a drawing process (program and arguments); empty
// when the program cannot start one (built without the chart renderer).
std::vector<std::string>& chartWorkerCommand();

// A chart of a batch whose picture was not written, and why.
struct LostChart {
  int record = 0;
  std::string chart;  // file name without its ending, "hydraulics_habitat"
  std::string reason;
};

// The drawing processes of a run or a batch. Any thread queues charts; one
// thread of its own runs pump(), and finish() once the pumping has stopped.
// A process that ends while drawing loses that chart alone (with a message
// naming the request and the chart): another one is started for the charts
// still to draw.
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
