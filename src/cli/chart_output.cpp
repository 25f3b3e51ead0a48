#include "cli/chart_output.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iostream>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "charting/chart_requests.h"
#include "common/errors.h"
#include "common/text_format.h"

extern char** environ;

namespace oewr::cli {

std::vector<std::string>& chartWorkerCommand() {
  static std::vector<std::string> command;
  return command;
}

namespace {

std::string howProcessEnded(int status) {
  if (WIFSIGNALED(status))
    return formatText("killed by signal %d, %s", WTERMSIG(status), ::strsignal(WTERMSIG(status)));
  if (WIFEXITED(status)) return formatText("exit code %d", WEXITSTATUS(status));
  return "ended";
}

}  // namespace

namespace {

// Charts queued for each drawing process before submit() waits.
constexpr std::size_t kQueuedChartsPerProcess = 6;
// Processes that may end in a row, none having drawn a chart, before the
// batch stops starting new ones.
constexpr int kMostEndingsInARow = 3;

struct ChartJob {
  int record = 0;
  std::string name;
  std::string bytes;
};

struct Worker {
  pid_t pid = -1;
  int fd = -1;
  bool busy = false;
  ChartJob job;
};

}  // namespace

struct ChartWorkers::Impl {
  std::vector<std::string> command;
  std::ostream& err;
  std::vector<Worker> workers;
  std::size_t queueLimit;
  int wakeRead = -1, wakeWrite = -1;

  std::mutex mutex;
  std::condition_variable room;  // the queue has room, or the batch stopped drawing
  std::deque<ChartJob> queue;

  // The batch's own thread alone from here.
  int endingsInARow = 0;
  std::atomic<bool> stopped = false;  // no process can be started: every chart is lost
  std::string stopReason;
  std::vector<LostChart> lost;

  Impl(std::vector<std::string> cmd, int processes, std::ostream& e)
      : command(std::move(cmd)),
        err(e),
        workers(static_cast<std::size_t>(std::max(1, processes))),
        queueLimit(kQueuedChartsPerProcess * workers.size()) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw ModelError(std::string("cannot make a pipe: ") + std::strerror(errno));
    wakeRead = fds[0];
    wakeWrite = fds[1];
    for (Worker& w : workers) start(w);
  }

  ~Impl() {
    for (Worker& w : workers)
      if (w.pid > 0) {
        // An early end of the batch: its charts are not waited for.
        ::kill(w.pid, SIGKILL);
        reap(w);
      }
    ::close(wakeRead);
    ::close(wakeWrite);
  }

  // Starts the process of `w`; false, with the batch stopped, when it cannot.
  bool start(Worker& w) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
      stop(std::string("cannot make a socket: ") + std::strerror(errno));
      return false;
    }
    std::vector<char*> argv;
    for (std::string& a : command) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sv[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, sv[1], STDOUT_FILENO);
    pid_t pid = -1;
    const int rc = argv.size() > 1 ? ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) : ENOENT;
    posix_spawn_file_actions_destroy(&actions);
    ::close(sv[1]);
    if (rc != 0) {
      ::close(sv[0]);
      stop("cannot start " + (command.empty() ? std::string("a drawing process") : command.front()) + ": " +
           std::strerror(rc));
      return false;
    }
    w.pid = pid;
    w.fd = sv[0];
    w.busy = false;
    return true;
  }

  void reap(Worker& w, int* status = nullptr) {
    ::close(w.fd);
    int s = 0;
    while (::waitpid(w.pid, &s, 0) < 0 && errno == EINTR) {
    }
    if (status) *status = s;
    w.pid = -1;
    w.fd = -1;
  }

  void lose(const ChartJob& job, const std::string& reason, bool say) {
    if (say) err << "\noewr run: request " << job.record << ": chart " << job.name << " not written: " << reason << std::endl;
    lost.push_back({job.record, job.name, reason});
  }

  // From here on no process is started and every chart left is lost.
  void stop(const std::string& why) {
    if (stopped) return;
    stopReason = "no chart drawing process could be started (" + why + ")";
    err << "\noewr run: " << stopReason << "; the charts not yet drawn are not written" << std::endl;
    stopped = true;
    room.notify_all();
  }

  // The process of `w` has ended: the chart it was drawing is lost.
  void ended(Worker& w) {
    int status = 0;
    reap(w, &status);
    const std::string how = howProcessEnded(status);
    if (w.busy) lose(w.job, "its drawing process ended (" + how + ")", true);
    w.busy = false;
    w.job = {};
    if (++endingsInARow >= kMostEndingsInARow)
      stop(formatText("%d drawing processes in a row ended before drawing a chart, the last with %s",
                      endingsInARow, how.c_str()));
  }

  void answer(Worker& w) {
    std::string reply;
    if (!charting::readFrame(w.fd, reply) || reply.empty()) {
      ended(w);
      return;
    }
    endingsInARow = 0;
    if (reply[0] != '1') {
      err << "\noewr run: " << reply.substr(1) << std::endl;
      lost.push_back({w.job.record, w.job.name, reply.substr(1)});
    }
    w.busy = false;
    w.job = {};
  }

  // Hands queued charts to idle processes, starting processes in place of
  // those that ended.
  void dispatch() {
    for (Worker& w : workers) {
      if (w.busy) continue;
      ChartJob job;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (queue.empty()) return;
        if (stopped) {
          for (const ChartJob& j : queue) lose(j, stopReason, false);
          queue.clear();
          room.notify_all();
          return;
        }
        if (w.pid < 0 && !start(w)) continue;
        job = std::move(queue.front());
        queue.pop_front();
        room.notify_all();
      }
      w.busy = true;
      w.job.record = job.record;
      w.job.name = job.name;
      if (!charting::sendFrame(w.fd, job.bytes)) ended(w);
    }
  }

  void pump(int timeoutMs) {
    dispatch();
    std::vector<pollfd> fds{{wakeRead, POLLIN, 0}};
    for (const Worker& w : workers)
      if (w.pid > 0) fds.push_back({w.fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeoutMs) > 0) {
      if (fds[0].revents) {
        char buf[64];
        while (::read(wakeRead, buf, sizeof buf) > 0) {
        }
      }
      std::size_t k = 1;
      for (Worker& w : workers) {
        if (w.pid <= 0) continue;
        const short revents = fds[k++].revents;
        if (!revents) continue;
        if (w.busy)
          answer(w);
        else
          ended(w);  // an idle process has nothing to say: it ended
      }
    }
    dispatch();
  }

  bool idle() {
    for (const Worker& w : workers)
      if (w.busy) return false;
    std::lock_guard<std::mutex> lock(mutex);
    return queue.empty();
  }
};

ChartWorkers::ChartWorkers(std::vector<std::string> command, int processes, std::ostream& err)
    : impl_(std::make_unique<Impl>(std::move(command), processes, err)) {}

ChartWorkers::~ChartWorkers() = default;

void ChartWorkers::submit(int record, const charting::Chart& chart, const std::string& path) {
  ChartJob job{record, std::filesystem::path(path).stem().string(), charting::encodeChartRequest(chart, path)};
  {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    impl_->room.wait(lock, [&] { return impl_->queue.size() < impl_->queueLimit || impl_->stopped; });
    impl_->queue.push_back(std::move(job));
  }
  notify();
}

void ChartWorkers::notify() {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(impl_->wakeWrite, &byte, 1);  // a full pipe already wakes
}

void ChartWorkers::pump(int timeoutMs) { impl_->pump(timeoutMs); }

void ChartWorkers::finish() {
  while (!impl_->idle()) impl_->pump(200);
  for (Worker& w : impl_->workers)
    if (w.pid > 0) impl_->reap(w);  // a closed end tells the process to end
}

const std::vector<LostChart>& ChartWorkers::lost() const { return impl_->lost; }

}  // namespace oewr::cli
