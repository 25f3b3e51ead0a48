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

#include "common/errors.h"
#include "common/text_format.h"

extern char** environ;

namespace oewr::cli {

ChartPictureWriter& chartPictureWriter() {
  static ChartPictureWriter writer;
  return writer;
}

std::vector<std::string>& chartWorkerCommand() {
  static std::vector<std::string> command;
  return command;
}

namespace {

// Requests and answers go as a 32-bit length and that many bytes. Both ends
// are the same program on the same machine: numbers go in its own byte order.
constexpr char kRequestMagic[] = "OEWR-CHART-1";
constexpr std::uint32_t kMaxFrameBytes = 1u << 30;

class Encoder {
 public:
  template <typename T>
  void raw(T v) {
    out_.append(reinterpret_cast<const char*>(&v), sizeof v);
  }
  void text(const std::string& s) {
    raw(static_cast<std::uint32_t>(s.size()));
    out_ += s;
  }
  void axis(const charting::Axis& a) {
    text(a.title);
    text(a.valueFormat);
    raw(a.dateTime);
    text(a.dateFormat);
    raw(a.automatic);
    raw(a.minimum);
    raw(a.maximum);
    raw(a.logarithmic);
    raw(a.visible);
  }
  std::string& bytes() { return out_; }

 private:
  std::string out_;
};

class Decoder {
 public:
  explicit Decoder(std::string_view in) : in_(in) {}
  template <typename T>
  T raw() {
    T v;
    std::memcpy(&v, take(sizeof v), sizeof v);
    return v;
  }
  bool flag() {
    const auto b = raw<unsigned char>();
    if (b > 1) fail("a flag is neither 0 nor 1");
    return b == 1;
  }
  std::string text() {
    const auto n = raw<std::uint32_t>();
    return std::string(take(n), n);
  }
  // A count of items of at least `itemBytes` each that the bytes left can hold.
  std::size_t count(std::size_t itemBytes) {
    const auto n = raw<std::uint32_t>();
    if (n > (in_.size() - at_) / itemBytes) fail("a count is larger than the bytes that follow");
    return n;
  }
  template <typename E>
  E choice(int last) {
    const auto v = raw<std::int32_t>();
    if (v < 0 || v > last) fail("a choice is out of range");
    return static_cast<E>(v);
  }
  void axis(charting::Axis& a) {
    a.title = text();
    a.valueFormat = text();
    a.dateTime = flag();
    a.dateFormat = text();
    a.automatic = flag();
    a.minimum = raw<double>();
    a.maximum = raw<double>();
    a.logarithmic = flag();
    a.visible = flag();
  }
  bool done() const { return at_ == in_.size(); }
  [[noreturn]] static void fail(const std::string& why) { throw ModelError("chart request: " + why); }

 private:
  const char* take(std::size_t n) {
    if (n > in_.size() - at_) fail("cut short");
    const char* p = in_.data() + at_;
    at_ += n;
    return p;
  }
  std::string_view in_;
  std::size_t at_ = 0;
};

// Writes or reads every byte; false when the other end has gone.
bool sendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == ENOTSOCK) {  // a pipe: the drawing process's own end may be one
      const ssize_t w = ::write(fd, data, size);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      data += w;
      size -= static_cast<std::size_t>(w);
      continue;
    }
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool readAll(int fd, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool sendFrame(int fd, const std::string& bytes) {
  const auto n = static_cast<std::uint32_t>(bytes.size());
  return sendAll(fd, reinterpret_cast<const char*>(&n), sizeof n) && sendAll(fd, bytes.data(), bytes.size());
}

// False when the other end has gone or sent no frame.
bool readFrame(int fd, std::string& bytes) {
  std::uint32_t n = 0;
  if (!readAll(fd, reinterpret_cast<char*>(&n), sizeof n) || n > kMaxFrameBytes) return false;
  bytes.resize(n);
  return readAll(fd, bytes.data(), n);
}

std::string howProcessEnded(int status) {
  if (WIFSIGNALED(status))
    return formatText("killed by signal %d, %s", WTERMSIG(status), ::strsignal(WTERMSIG(status)));
  if (WIFEXITED(status)) return formatText("exit code %d", WEXITSTATUS(status));
  return "ended";
}

}  // namespace

std::string encodeChartRequest(const charting::Chart& chart, const std::string& path) {
  Encoder e;
  e.bytes() = kRequestMagic;
  e.text(path);
  e.text(chart.name);
  e.text(chart.title);
  e.axis(chart.bottomAxis);
  e.axis(chart.leftAxis);
  e.axis(chart.rightAxis);
  e.raw(static_cast<std::int32_t>(chart.legend));
  e.raw(static_cast<std::int32_t>(chart.revision));
  e.raw(static_cast<std::uint32_t>(chart.series.size()));
  for (const charting::Series& s : chart.series) {
    e.text(s.title);
    e.raw(static_cast<std::int32_t>(s.kind));
    e.raw(s.color.r);
    e.raw(s.color.g);
    e.raw(s.color.b);
    e.raw(static_cast<std::int32_t>(s.width));
    e.raw(s.visible);
    e.raw(s.showMarks);
    e.raw(static_cast<std::int32_t>(s.barWidthPercent));
    e.raw(static_cast<std::int32_t>(s.stackGroup));
    e.raw(s.onRightAxis);
    e.raw(static_cast<std::uint32_t>(s.points.size()));
    for (const charting::Point& p : s.points) {
      e.raw(p.x);
      e.raw(p.y);
      e.text(p.label);
    }
  }
  return std::move(e.bytes());
}

void decodeChartRequest(std::string_view bytes, charting::Chart& chart, std::string& path) {
  const std::string_view magic = kRequestMagic;
  if (bytes.substr(0, magic.size()) != magic) Decoder::fail("not a chart request of this program");
  Decoder d(bytes.substr(magic.size()));
  path = d.text();
  chart = charting::Chart{};
  chart.name = d.text();
  chart.title = d.text();
  d.axis(chart.bottomAxis);
  d.axis(chart.leftAxis);
  d.axis(chart.rightAxis);
  chart.legend = d.choice<charting::LegendPosition>(static_cast<int>(charting::LegendPosition::Hidden));
  chart.revision = d.raw<std::int32_t>();
  constexpr std::size_t kLeastSeriesBytes = 4 + 4 + 3 + 4 + 2 + 4 + 4 + 1 + 4;
  constexpr std::size_t kLeastPointBytes = 8 + 8 + 4;
  chart.series.resize(d.count(kLeastSeriesBytes));
  for (charting::Series& s : chart.series) {
    s.title = d.text();
    s.kind = d.choice<charting::SeriesKind>(static_cast<int>(charting::SeriesKind::Area));
    s.color.r = d.raw<std::uint8_t>();
    s.color.g = d.raw<std::uint8_t>();
    s.color.b = d.raw<std::uint8_t>();
    s.width = d.raw<std::int32_t>();
    s.visible = d.flag();
    s.showMarks = d.flag();
    s.barWidthPercent = d.raw<std::int32_t>();
    s.stackGroup = d.raw<std::int32_t>();
    s.onRightAxis = d.flag();
    s.points.resize(d.count(kLeastPointBytes));
    for (charting::Point& p : s.points) {
      p.x = d.raw<double>();
      p.y = d.raw<double>();
      p.label = d.text();
    }
  }
  if (!d.done()) Decoder::fail("bytes left over after the chart");
}

int serveChartRequests(int in, int out, const ChartPictureWriter& writer) {
  std::string request;
  for (;;) {
    std::uint32_t n = 0;
    if (!readAll(in, reinterpret_cast<char*>(&n), sizeof n)) return 0;  // the batch closed its end
    if (n > kMaxFrameBytes) {
      std::cerr << "oewr chart-worker: a request of " << n << " bytes is larger than any chart" << std::endl;
      return 1;
    }
    request.resize(n);
    if (!readAll(in, request.data(), n)) {
      std::cerr << "oewr chart-worker: a chart request was cut short" << std::endl;
      return 1;
    }
    charting::Chart chart;
    std::string path, error;
    bool ok = false;
    try {
      decodeChartRequest(request, chart, path);
      ok = writer(chart, path, error);
    } catch (const std::exception& e) {
      error = e.what();
    }
    const std::string answer = std::string(1, ok ? '1' : '0') + error;
    if (!sendFrame(out, answer)) return 1;
  }
}

int chartWorkerMain(int argc, char** argv, const ChartPictureWriter& writer) {
  if (argc > 2) {
    const std::string_view arg = argv[2];
    if (arg == "--help" || arg == "-h") {
      std::cout << "oewr " << kChartWorkerSubcommand
                << ": started by a batch run (oewr run --all or --record with a list) to draw its charts: reads "
                   "charts on standard input and writes each as a picture. Not for use by hand.\n";
      return 0;
    }
    std::cerr << "oewr " << kChartWorkerSubcommand << ": takes no arguments" << std::endl;
    return 2;
  }
  if (!writer) {
    std::cerr << "oewr " << kChartWorkerSubcommand << ": this program was built without the chart renderer"
              << std::endl;
    return 1;
  }
  std::cout.flush();
  const int answers = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (answers < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    std::cerr << "oewr " << kChartWorkerSubcommand << ": " << std::strerror(errno) << std::endl;
    return 1;
  }
  const int code = serveChartRequests(STDIN_FILENO, answers, writer);
  ::close(answers);
  return code;
}

// ---------------------------------------------------------------------------

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
    if (!readFrame(w.fd, reply) || reply.empty()) {
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
      if (!sendFrame(w.fd, job.bytes)) ended(w);
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
  ChartJob job{record, std::filesystem::path(path).stem().string(), encodeChartRequest(chart, path)};
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
