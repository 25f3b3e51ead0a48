#include "render/chart_render.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <vector>

#include <QApplication>
#include <QDateTime>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QPainter>
#include <QSaveFile>
#include <QTimeZone>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QValueAxis>

#include "charting/stacking.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "render/png_file.h"

namespace oewr::render {

using charting::Axis;
using charting::Series;
using charting::SeriesKind;

namespace {

// The application made for drawing when the program had none; kept to the end.
QApplication* ownApplication = nullptr;

// While the headless application starts: the note that no per-user runtime
// folder is set says nothing to a person running the model and is dropped;
// every other message goes on as usual.
QtMessageHandler previousHandler = nullptr;
void quietStartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith("QStandardPaths: XDG_RUNTIME_DIR")) return;
  if (previousHandler)
    previousHandler(type, context, message);
  else
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

QString qs(const std::string& s) { return QString::fromStdString(s); }
QColor qcolor(const charting::Color& c) { return QColor(c.r, c.g, c.b); }

bool isWhole(double v) { return std::fabs(v - std::round(v)) <= 1e-6 * std::max(1.0, std::fabs(v)); }

// Decimals needed to show `step` and `start` exactly, at most `most`.
int decimalsNeeded(double step, double start, int most) {
  double scale = 1;
  for (int d = 0; d < most; ++d, scale *= 10) {
    bool stepWhole = !std::isfinite(step) || isWhole(step * scale);
    bool startWhole = !std::isfinite(start) || isWhole(start * scale);
    if (stepWhole && startWhole) return d;
  }
  return most;
}

// Text of a format that Qt's printf takes literally.
std::string printfLiteral(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

// Text of a Qt date format that is shown literally.
std::string dateLiteral(const std::string& text) {
  bool needsQuotes = std::any_of(text.begin(), text.end(),
                                 [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '\''; });
  if (!needsQuotes) return text;
  std::string out = "'";
  for (char c : text) out += (c == '\'') ? std::string("''") : std::string(1, c);
  return out + "'";
}

struct Range {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void add(double v) {
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  bool empty() const { return lo > hi; }
};

// The value at which a model value sits on an axis; false when the axis
// cannot show it (not finite, or not positive on a logarithmic axis).
bool axisPosition(const Axis& axis, double value, double& position) {
  if (!std::isfinite(value)) return false;
  if (axis.dateTime) {
    position = dateTimeToAxisMSecs(value);
    return std::isfinite(position);
  }
  if (axis.logarithmic && value <= 0) return false;
  position = value;
  return true;
}

void widenIfFlat(double& lo, double& hi, double margin) {
  if (hi < lo) std::swap(lo, hi);
  if (hi == lo) {
    lo -= margin;
    hi += margin;
  }
}

// An axis of the chart over the data range `data` (already in axis positions).
QAbstractAxis* makeAxis(const Axis& axis, Range data) {
  QAbstractAxis* made = nullptr;
  if (axis.dateTime) {
    auto* dates = new QDateTimeAxis;
    double lo = data.lo, hi = data.hi;
    if (!axis.automatic) {
      lo = dateTimeToAxisMSecs(axis.minimum);
      hi = dateTimeToAxisMSecs(axis.maximum);
    } else if (data.empty()) {
      lo = dateTimeToAxisMSecs(36526);  // 1 Jan 2000
      hi = dateTimeToAxisMSecs(36892);  // 1 Jan 2001
    }
    if (!std::isfinite(lo) || !std::isfinite(hi)) lo = hi = 0;
    widenIfFlat(lo, hi, 86400000.0);
    dates->setFormat(qs(qtDateFormat(axis.dateFormat.empty() ? "dd.mm.yyyy" : axis.dateFormat)));
    dates->setTickCount(6);
    dates->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(lo))),
                    QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::ceil(hi))));
    made = dates;
  } else if (axis.logarithmic) {
    auto* logs = new QLogValueAxis;
    logs->setBase(10);
    double lo = axis.minimum, hi = axis.maximum;
    if (axis.automatic || lo <= 0 || hi <= 0) {
      if (data.empty()) {
        lo = 1;
        hi = 10;
      } else {
        lo = std::pow(10.0, std::floor(std::log10(data.lo)));
        hi = std::pow(10.0, std::ceil(std::log10(data.hi)));
      }
    }
    if (hi < lo) std::swap(lo, hi);
    if (hi == lo) hi = lo * 10;
    logs->setRange(lo, hi);
    if (!axis.valueFormat.empty()) logs->setLabelFormat(qs(axisLabelFormat(axis.valueFormat, lo, lo)));
    made = logs;
  } else {
    auto* values = new QValueAxis;
    double lo = axis.minimum, hi = axis.maximum;
    if (axis.automatic) {
      lo = data.empty() ? 0 : data.lo;
      hi = data.empty() ? 1 : data.hi;
      widenIfFlat(lo, hi, lo == 0 ? 1.0 : std::fabs(lo) * 0.1);
      values->setRange(lo, hi);
      values->applyNiceNumbers();
    } else {
      widenIfFlat(lo, hi, lo == 0 ? 1.0 : std::fabs(lo) * 0.1);
      values->setRange(lo, hi);
    }
    if (!axis.valueFormat.empty()) {
      int ticks = std::max(2, values->tickCount());
      double step = (values->max() - values->min()) / (ticks - 1);
      values->setLabelFormat(qs(axisLabelFormat(axis.valueFormat, step, values->min())));
    }
    made = values;
  }
  made->setTitleText(qs(axis.title));
  made->setVisible(axis.visible);
  return made;
}

QList<QPointF> seriesPoints(const Series& series, const Axis& xAxis, const Axis& yAxis) {
  QList<QPointF> points;
  points.reserve(static_cast<qsizetype>(series.points.size()));
  for (const auto& p : series.points) {
    double x = 0, y = 0;
    if (axisPosition(xAxis, p.x, x) && axisPosition(yAxis, p.y, y)) points.append(QPointF(x, y));
  }
  return points;
}

std::string categoryLabel(const charting::Point& p) {
  return p.label.empty() ? formatText("%g", p.x) : p.label;
}

}  // namespace

std::string axisLabelFormat(const std::string& valueFormat, double step, double start) {
  std::string prefix, suffix;
  bool grouping = false, seenPoint = false, scientific = false, seenDigit = false;
  int required = 0, optional = 0;
  for (size_t i = 0; i < valueFormat.size(); ++i) {
    char c = valueFormat[i];
    std::string literal;
    if (c == ';') break;  // sections for negative and zero values are not used
    if (c == '"' || c == '\'') {
      size_t end = valueFormat.find(c, i + 1);
      if (end == std::string::npos) end = valueFormat.size();
      literal = valueFormat.substr(i + 1, end - i - 1);
      i = end;
    } else if (c == '0' || c == '#') {
      seenDigit = true;
      if (seenPoint) (c == '0' ? required : optional)++;
      continue;
    } else if (c == ',') {
      grouping = true;
      continue;
    } else if (c == '.') {
      seenPoint = true;
      continue;
    } else if ((c == 'E' || c == 'e') && i + 1 < valueFormat.size() &&
               (valueFormat[i + 1] == '+' || valueFormat[i + 1] == '-')) {
      scientific = true;
      i += 1;
      while (i + 1 < valueFormat.size() && valueFormat[i + 1] == '0') ++i;
      continue;
    } else {
      literal = std::string(1, c);
    }
    (seenDigit ? suffix : prefix) += printfLiteral(literal);
  }
  if (!seenDigit) return {};
  int decimals = scientific ? required + optional : decimalsNeeded(step, start, required + optional);
  decimals = std::max(decimals, required);
  return prefix + "%" + (grouping && !scientific ? "'" : "") + "." + std::to_string(decimals) +
         (scientific ? "e" : "f") + suffix;
}

std::string qtDateFormat(const std::string& dateFormat) {
  std::string out, literal;
  bool afterHour = false;
  auto flushLiteral = [&] {
    out += dateLiteral(literal);
    literal.clear();
  };
  auto startsWith = [&](size_t i, const char* word) {
    for (size_t k = 0; word[k]; ++k)
      if (i + k >= dateFormat.size() || std::tolower(static_cast<unsigned char>(dateFormat[i + k])) != word[k])
        return false;
    return true;
  };
  for (size_t i = 0; i < dateFormat.size();) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(dateFormat[i])));
    if (c == '"' || c == '\'') {
      size_t end = dateFormat.find(dateFormat[i], i + 1);
      if (end == std::string::npos) end = dateFormat.size();
      literal += dateFormat.substr(i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    if (startsWith(i, "am/pm") || startsWith(i, "ampm") || startsWith(i, "a/p")) {
      flushLiteral();
      out += "AP";
      i += startsWith(i, "a/p") ? 3 : (startsWith(i, "ampm") ? 4 : 5);
      afterHour = false;
      continue;
    }
    size_t run = 1;
    while (i + run < dateFormat.size() &&
           std::tolower(static_cast<unsigned char>(dateFormat[i + run])) == c)
      ++run;
    std::string token;
    bool isToken = true;
    switch (c) {
      case 'd':
        token = run <= 4 ? std::string(run, 'd') : (run == 5 ? "dd.MM.yyyy" : "dddd, d MMMM yyyy");
        break;
      case 'm':
        if (afterHour)
          token = run >= 2 ? "mm" : "m";  // minutes when it follows the hour
        else
          token = std::string(std::min<size_t>(run, 4), 'M');
        break;
      case 'n': token = run >= 2 ? "mm" : "m"; break;
      case 'y': token = run <= 2 ? "yy" : "yyyy"; break;
      case 'h': token = run >= 2 ? "hh" : "h"; break;
      case 's': token = run >= 2 ? "ss" : "s"; break;
      case 'z': token = run >= 3 ? "zzz" : "z"; break;
      case 't': token = run >= 2 ? "hh:mm:ss" : "hh:mm"; break;
      case 'c': token = "dd.MM.yyyy hh:mm:ss"; break;
      default: isToken = false;
    }
    if (!isToken) {
      literal += dateFormat[i];
      ++i;
      continue;
    }
    flushLiteral();
    out += token;
    afterHour = (c == 'h');
    i += run;
  }
  flushLiteral();
  return out;
}

double dateTimeToAxisMSecs(double days) {
  if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return std::numeric_limits<double>::quiet_NaN();
  // The calendar date and time read as if they were UTC, then moved by the
  // local offset in force at that moment. The zone is looked up once: the C
  // library's local time calls consult the zone file on every call, which
  // costs more than drawing a long series.
  static const QTimeZone local = QTimeZone::systemTimeZone();
  constexpr double kDaysTo1970 = 25569;  // 30 Dec 1899 to 1 Jan 1970
  auto civil = static_cast<qint64>(std::llround((days - kDaysTo1970) * 86400000.0));
  if (!local.isValid()) return static_cast<double>(civil);
  auto offsetAt = [](qint64 msecs) {
    return qint64{1000} * local.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
  };
  qint64 offset = offsetAt(civil);
  qint64 at = civil - offset;
  qint64 offsetThere = offsetAt(at);
  if (offsetThere != offset) at = civil - offsetThere;  // a change of offset lies between
  return static_cast<double>(at);
}

namespace {

// The series a band is filled down to, or nullptr for an area down to 0.
const charting::Series* floorOf(const charting::Chart& model, const charting::Series& area) {
  if (area.areaFloor < 0 || static_cast<std::size_t>(area.areaFloor) >= model.series.size()) return nullptr;
  const charting::Series* floor = &model.series[static_cast<std::size_t>(area.areaFloor)];
  return floor == &area ? nullptr : floor;
}

}  // namespace

std::unique_ptr<QChart> buildQChart(const charting::Chart& model) {
  auto chart = std::make_unique<QChart>();
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundRoundness(0);
  chart->setDropShadowEnabled(false);
  // The windows stack charts of a few hundred pixels: a narrow frame leaves
  // the plot area, and with it the vertical axis titles, as much room as it can.
  chart->setMargins(QMargins(6, 4, 10, 4));
  if (chart->layout()) chart->layout()->setContentsMargins(0, 0, 0, 0);
  chart->setTitle(qs(model.title));
  switch (model.legend) {
    case charting::LegendPosition::Top: chart->legend()->setAlignment(Qt::AlignTop); break;
    case charting::LegendPosition::Right: chart->legend()->setAlignment(Qt::AlignRight); break;
    case charting::LegendPosition::Bottom: chart->legend()->setAlignment(Qt::AlignBottom); break;
    case charting::LegendPosition::Hidden: chart->legend()->hide(); break;
  }

  // The visible series by how they are drawn.
  std::vector<const Series*> lines, areas, bars;
  std::vector<int> groups;  // stack groups in order of first appearance
  bool useRight = false;
  for (const Series& s : model.series) {
    if (!s.visible) continue;
    useRight = useRight || s.onRightAxis;
    if (s.kind == SeriesKind::Bar)
      bars.push_back(&s);
    else if (s.kind == SeriesKind::Area && s.stackGroup >= 0) {
      if (std::find(groups.begin(), groups.end(), s.stackGroup) == groups.end()) groups.push_back(s.stackGroup);
    } else if (s.kind == SeriesKind::Area)
      areas.push_back(&s);
    else
      lines.push_back(&s);
  }
  struct Stack {
    std::vector<const Series*> layers;
    charting::PercentStack percent;
    bool right = false;  // a group is drawn against the axis of its first layer
  };
  std::vector<Stack> stacks;
  for (int group : groups) {
    Stack stack;
    stack.layers = charting::stackLayers(model, group);
    stack.percent = charting::stackToPercent(stack.layers);
    stack.right = stack.layers.front()->onRightAxis;
    stacks.push_back(std::move(stack));
  }

  // Bars stand side by side in categories named by their point labels.
  const bool categoryAxis = !bars.empty();
  QStringList categories;
  std::map<std::string, qsizetype> categoryIndex;
  for (const Series* s : bars)
    for (const auto& p : s->points) {
      std::string label = categoryLabel(p);
      if (categoryIndex.emplace(label, categories.size()).second) categories.append(qs(label));
    }

  const Axis& xModel = model.bottomAxis;
  auto yModel = [&](bool right) -> const Axis& { return right ? model.rightAxis : model.leftAxis; };

  // Data ranges in axis positions.
  Range xRange, yRanges[2];
  for (const Series* s : lines)
    for (const auto& p : s->points) {
      double x = 0, y = 0;
      if (!axisPosition(xModel, p.x, x) || !axisPosition(yModel(s->onRightAxis), p.y, y)) continue;
      xRange.add(x);
      yRanges[s->onRightAxis].add(y);
    }
  for (const Series* s : areas) {
    bool any = false;
    for (const auto& p : s->points) {
      double x = 0, y = 0;
      if (!axisPosition(xModel, p.x, x) || !axisPosition(yModel(s->onRightAxis), p.y, y)) continue;
      xRange.add(x);
      yRanges[s->onRightAxis].add(y);
      any = true;
    }
    // A band's floor is a series of the chart, counted with it; other areas fill down to 0.
    if (any && floorOf(model, *s) == nullptr && !yModel(s->onRightAxis).logarithmic) yRanges[s->onRightAxis].add(0);
  }
  for (const Stack& stack : stacks) {
    for (double xv : stack.percent.x) {
      double x = 0;
      if (axisPosition(xModel, xv, x)) xRange.add(x);
    }
    if (!stack.percent.x.empty()) {
      yRanges[stack.right].add(yModel(stack.right).logarithmic ? 1 : 0);
      yRanges[stack.right].add(100);
    }
  }
  for (const Series* s : bars) {
    const Axis& axis = yModel(s->onRightAxis);
    if (!axis.logarithmic) yRanges[s->onRightAxis].add(0);
    for (const auto& p : s->points) {
      double y = 0;
      if (axisPosition(axis, p.y, y)) yRanges[s->onRightAxis].add(y);
    }
  }

  // Axes.
  QAbstractAxis* xAxis = nullptr;
  if (categoryAxis) {
    auto* names = new QBarCategoryAxis;
    names->append(categories);
    names->setTitleText(qs(xModel.title));
    names->setVisible(xModel.visible);
    xAxis = names;
  } else {
    xAxis = makeAxis(xModel, xRange);
  }
  chart->addAxis(xAxis, Qt::AlignBottom);
  QAbstractAxis* yAxes[2] = {makeAxis(model.leftAxis, yRanges[0]), nullptr};
  chart->addAxis(yAxes[0], Qt::AlignLeft);
  if (useRight) {
    yAxes[1] = makeAxis(model.rightAxis, yRanges[1]);
    chart->addAxis(yAxes[1], Qt::AlignRight);
  }
  auto place = [&](QAbstractSeries* series, bool right) {
    chart->addSeries(series);
    series->attachAxis(xAxis);
    series->attachAxis(yAxes[right]);
  };

  // Series, in the chart's order within each kind: areas below lines, bars
  // below areas. Points go in with replace(), which takes them at once where
  // append() signals every point. Pens and brushes are set after adding,
  // where the theme no longer overrides them.
  std::map<bool, QBarSeries*> barGroups;
  for (const Series* s : bars) {
    QBarSeries*& group = barGroups[s->onRightAxis];
    if (!group) {
      group = new QBarSeries;
      group->setBarWidth(std::clamp(s->barWidthPercent, 1, 100) / 100.0);
    }
    std::vector<qreal> values(static_cast<size_t>(categories.size()), 0.0);
    for (const auto& p : s->points) {
      double y = 0;
      if (axisPosition(yModel(s->onRightAxis), p.y, y))
        values[static_cast<size_t>(categoryIndex[categoryLabel(p)])] = y;  // a repeated label: the last counts
    }
    auto* set = new QBarSet(qs(s->title));
    for (qreal v : values) set->append(v);
    group->append(set);
    if (s->showMarks) group->setLabelsVisible(true);
  }
  for (auto& [right, group] : barGroups) {
    place(group, right);
    // Narrow bars ("5 %" with four series side by side) keep at least two
    // pixels each, however small the chart is drawn.
    const double asked = group->barWidth();
    const auto perCategory = static_cast<double>(group->count());
    const auto categoryCount = static_cast<double>(categories.size());
    auto keepVisible = [group, asked, perCategory, categoryCount](const QRectF& area) {
      if (categoryCount < 1 || area.width() <= 0) return;
      double fewest = 2.0 * perCategory * categoryCount / area.width();
      group->setBarWidth(std::min(1.0, std::max(asked, fewest)));
    };
    QObject::connect(chart.get(), &QChart::plotAreaChanged, group, keepVisible);
  }
  std::map<bool, qsizetype> nextSet;  // sets were appended in the order of `bars`
  for (const Series* s : bars) {
    QBarSet* set = barGroups[s->onRightAxis]->barSets().at(nextSet[s->onRightAxis]++);
    set->setColor(qcolor(s->color));
    set->setBorderColor(qcolor(s->color));
    set->setLabelColor(Qt::black);
  }

  for (const Stack& stack : stacks) {
    const Axis& yAxisModel = yModel(stack.right);
    QLineSeries* lower = nullptr;
    for (size_t k = 0; k < stack.layers.size(); ++k) {
      QList<QPointF> tops, base;
      for (size_t i = 0; i < stack.percent.x.size(); ++i) {
        double x = 0, y = 0;
        if (!axisPosition(xModel, stack.percent.x[i], x)) continue;
        if (!axisPosition(yAxisModel, stack.percent.top[k][i], y)) y = 1;  // 0 % on a logarithmic axis
        tops.append(QPointF(x, y));
        base.append(QPointF(x, yAxisModel.logarithmic ? 1 : 0));
      }
      auto* upper = new QLineSeries(chart.get());
      upper->replace(tops);
      if (!lower) {
        lower = new QLineSeries(chart.get());
        lower->replace(base);
      }
      auto* area = new QAreaSeries(upper, lower);
      area->setName(qs(stack.layers[k]->title));
      place(area, stack.right);
      QColor color = qcolor(stack.layers[k]->color);
      area->setBrush(color);
      area->setPen(QPen(color, 1));
      lower = upper;
    }
  }
  for (const Series* s : areas) {
    auto* upper = new QLineSeries(chart.get());
    upper->replace(seriesPoints(*s, xModel, yModel(s->onRightAxis)));
    QLineSeries* lower = nullptr;
    if (const Series* floor = floorOf(model, *s)) {
      lower = new QLineSeries(chart.get());
      lower->replace(seriesPoints(*floor, xModel, yModel(s->onRightAxis)));
    }
    auto* area = new QAreaSeries(upper, lower);
    area->setName(qs(s->title));
    place(area, s->onRightAxis);
    QColor color = qcolor(s->color);
    area->setBrush(color);
    area->setPen(QPen(color, std::max(1, s->width)));
  }
  for (const Series* s : lines) {
    auto* line = new QLineSeries;
    line->setName(qs(s->title));
    line->replace(seriesPoints(*s, xModel, yModel(s->onRightAxis)));
    place(line, s->onRightAxis);
    QPen pen(qcolor(s->color), std::max(1, s->width));
    pen.setCapStyle(Qt::FlatCap);
    line->setPen(pen);
  }
  return chart;
}

QImage renderChartImage(const charting::Chart& model, int width, int height) {
  ensureGuiApplication();
  QGraphicsScene scene;
  QChart* chart = buildQChart(model).release();
  scene.addItem(chart);  // the scene owns the chart from here
  scene.setSceneRect(0, 0, width, height);
  chart->setGeometry(0, 0, width, height);
  if (chart->layout()) chart->layout()->activate();

  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  scene.render(&painter, QRectF(0, 0, width, height), QRectF(0, 0, width, height));
  painter.end();
  return image;
}

bool saveChartImage(const charting::Chart& chart, const std::string& path, int width, int height,
                    std::string& error) {
  error.clear();
  if (path.empty()) {
    error = "No file name was given for the chart picture";
    return false;
  }
  if (width < 1 || height < 1 || width > kChartImageMaxSide || height > kChartImageMaxSide) {
    error = formatText("The chart picture size %d x %d is outside 1 to %d pixels", width, height, kChartImageMaxSide);
    return false;
  }
  try {
    ensureGuiApplication();
    QString fileName = QString::fromStdString(path);
    const char* format = fileName.endsWith(".png", Qt::CaseInsensitive) ? "PNG" : "BMP";
    QImage image = renderChartImage(chart, width, height);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
      error = "Cannot write the chart picture \"" + path + "\": " + file.errorString().toStdString();
      return false;
    }
    bool written = false;
    if (std::strcmp(format, "PNG") == 0) {
      const std::string bytes = encodePng(image.constBits(), image.width(), image.height(), image.bytesPerLine());
      written = file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
    } else {
      written = image.save(&file, format);
    }
    if (!written) {
      file.cancelWriting();
      error = "Cannot write the chart picture \"" + path + "\": the picture could not be encoded";
      return false;
    }
    if (!file.commit()) {
      error = "Cannot write the chart picture \"" + path + "\": " + file.errorString().toStdString();
      return false;
    }
  } catch (const std::exception& e) {
    error = "Cannot write the chart picture \"" + path + "\": " + e.what();
    return false;
  }
  return true;
}

void ensureGuiApplication() {
  if (QCoreApplication* existing = QCoreApplication::instance()) {
    if (!qobject_cast<QApplication*>(existing))
      throw ModelError("Charts cannot be drawn: the program runs a " +
                       std::string(existing->metaObject()->className()) + ", not a widget application");
    return;
  }
  // Lives until releaseGuiApplication(); the headless run draws on no screen.
  static int argc = 3;
  static char arg0[] = "oewr", arg1[] = "-platform", arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  QtMessageHandler previous = qInstallMessageHandler(quietStartupMessages);
  previousHandler = previous;
  ownApplication = new QApplication(argc, argv);
  qInstallMessageHandler(previous);
}

void releaseGuiApplication() {
  delete ownApplication;
  ownApplication = nullptr;
}

}  // namespace oewr::render
