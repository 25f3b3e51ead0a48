#include "charting/chart_requests.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include <sys/socket.h>
#include <unistd.h>

#include "common/errors.h"

namespace oewr::charting {

namespace {

// Requests and answers go as a 32-bit length and that many bytes. Both ends
// come from the same build on the same machine: numbers go in its own byte order.
constexpr char kRequestMagic[] = "OEWR-CHART-2";
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
  void axis(const Axis& a) {
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
  void axis(Axis& a) {
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

}  // namespace

bool sendFrame(int fd, const std::string& bytes) {
  const auto n = static_cast<std::uint32_t>(bytes.size());
  return sendAll(fd, reinterpret_cast<const char*>(&n), sizeof n) && sendAll(fd, bytes.data(), bytes.size());
}

bool readFrame(int fd, std::string& bytes) {
  std::uint32_t n = 0;
  if (!readAll(fd, reinterpret_cast<char*>(&n), sizeof n) || n > kMaxFrameBytes) return false;
  bytes.resize(n);
  return readAll(fd, bytes.data(), n);
}


std::string encodeChartRequest(const Chart& chart, const std::string& path) {
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
  for (const Series& s : chart.series) {
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
    e.raw(static_cast<std::int32_t>(s.areaFloor));
    e.raw(static_cast<std::uint32_t>(s.points.size()));
    for (const Point& p : s.points) {
      e.raw(p.x);
      e.raw(p.y);
      e.text(p.label);
    }
  }
  return std::move(e.bytes());
}

void decodeChartRequest(std::string_view bytes, Chart& chart, std::string& path) {
  const std::string_view magic = kRequestMagic;
  if (bytes.substr(0, magic.size()) != magic) Decoder::fail("not a chart request of this program");
  Decoder d(bytes.substr(magic.size()));
  path = d.text();
  chart = Chart{};
  chart.name = d.text();
  chart.title = d.text();
  d.axis(chart.bottomAxis);
  d.axis(chart.leftAxis);
  d.axis(chart.rightAxis);
  chart.legend = d.choice<LegendPosition>(static_cast<int>(LegendPosition::Hidden));
  chart.revision = d.raw<std::int32_t>();
  constexpr std::size_t kLeastSeriesBytes = 4 + 4 + 3 + 4 + 2 + 4 + 4 + 1 + 4 + 4;
  constexpr std::size_t kLeastPointBytes = 8 + 8 + 4;
  chart.series.resize(d.count(kLeastSeriesBytes));
  for (Series& s : chart.series) {
    s.title = d.text();
    s.kind = d.choice<SeriesKind>(static_cast<int>(SeriesKind::Area));
    s.color.r = d.raw<std::uint8_t>();
    s.color.g = d.raw<std::uint8_t>();
    s.color.b = d.raw<std::uint8_t>();
    s.width = d.raw<std::int32_t>();
    s.visible = d.flag();
    s.showMarks = d.flag();
    s.barWidthPercent = d.raw<std::int32_t>();
    s.stackGroup = d.raw<std::int32_t>();
    s.onRightAxis = d.flag();
    s.areaFloor = d.raw<std::int32_t>();
    s.points.resize(d.count(kLeastPointBytes));
    for (Point& p : s.points) {
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
    if (!readAll(in, reinterpret_cast<char*>(&n), sizeof n)) return 0;  // the command closed its end
    if (n > kMaxFrameBytes) {
      std::cerr << "oewr-chart-worker: a request of " << n << " bytes is larger than any chart" << std::endl;
      return 1;
    }
    request.resize(n);
    if (!readAll(in, request.data(), n)) {
      std::cerr << "oewr-chart-worker: a chart request was cut short" << std::endl;
      return 1;
    }
    Chart chart;
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

}  // namespace oewr::charting
