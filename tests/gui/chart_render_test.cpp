#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <QDateTime>
#include <QImage>
#include <QImageReader>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include "common/errors.h"
#include "render/chart_render.h"
#include "render/png_file.h"
#include "gui/chart_view.h"
#include "support/temp_dir.h"

using namespace oewr;
using namespace oewr::charting;
using oewr::render::buildQChart;
using oewr::render::saveChartImage;

namespace fs = std::filesystem;

namespace {

const char* const kMonths[] = {"Oct", "Nov", "Dec", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep"};

double dayNumber(int year, int month, int day) {
  return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(year, month, day)));
}

// Monthly flows at the 15th of each month, as the hydrology time series shows them.
Chart timeSeriesChart() {
  Chart chart;
  chart.name = "Chart1";
  chart.legend = LegendPosition::Top;
  chart.bottomAxis.dateTime = true;
  chart.bottomAxis.dateFormat = "mm.yy";
  chart.leftAxis.valueFormat = "#,##0.##";
  chart.addSeries("Total Nat.", SeriesKind::Line, kRed, 2);
  chart.addSeries("Baseflow Nat.", SeriesKind::FastLine, kBlue, 2);
  Series& total = chart.series[0];
  Series& base = chart.series[1];
  for (int m = 0; m < 36; ++m) {
    double day = dayNumber(1990 + m / 12, m % 12 + 1, 15);
    total.add(day, 40 + 30 * std::sin(m * 0.5));
    base.add(day, 12 + 4 * std::sin(m * 0.5));
  }
  return chart;
}

Chart monthlyBarChart(int barWidthPercent) {
  Chart chart;
  chart.name = "Chart3";
  chart.title = "Monthly Distribution for 20% FDC Precent. Point";
  chart.legend = LegendPosition::Hidden;
  chart.leftAxis.title = "Flow Volume (mill. m^3)";
  Color colors[] = {kRed, kBlue, kGreen, kFuchsia};
  for (int s = 0; s < 4; ++s) {
    auto& series = chart.addSeries("Series " + std::to_string(s), SeriesKind::Bar, colors[s]);
    series.barWidthPercent = barWidthPercent;
    for (int m = 0; m < 12; ++m) series.add(m, 10 + s * 3 + m, kMonths[m]);
  }
  return chart;
}

const Color kHabitatColors[] = {kSilver, kAqua, kNavy, kYellow, kTeal, kRed, kMaroon};

// Seven habitat shares stacked to 100 % against discharge.
Chart habitatChart(int stages) {
  Chart chart;
  chart.title = "Habitat Frequency Plot for: Test site";
  chart.bottomAxis.title = "Discharge (m^3 / s)";
  chart.leftAxis.title = "% Frequency of habitats";
  const char* names[] = {"SVS", "SS", "SD", "FVS", "FS", "FI", "FD"};
  for (int c = 0; c < 7; ++c) {
    auto& s = chart.addSeries(names[c], SeriesKind::Area, kHabitatColors[c]);
    s.stackGroup = 0;
    for (int j = 0; j < stages; ++j) s.add(0.05 * j * j, (c + 1) * (1.0 + std::sin(0.2 * j + c)));
  }
  return chart;
}

int pixelsNear(const QImage& image, Color color, int tolerance = 24) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      QColor p = image.pixelColor(x, y);
      if (std::abs(p.red() - color.r) <= tolerance && std::abs(p.green() - color.g) <= tolerance &&
          std::abs(p.blue() - color.b) <= tolerance)
        ++count;
    }
  return count;
}

template <typename T>
QList<T*> seriesOf(QChart* chart) {
  QList<T*> found;
  for (QAbstractSeries* s : chart->series())
    if (auto* t = qobject_cast<T*>(s)) found.append(t);
  return found;
}

class ChartPictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { render::ensureGuiApplication(); }
  std::string file(const std::string& name) const { return (dir_ / name).string(); }

  // Saves, reads the picture back and checks its size.
  QImage saveAndRead(const Chart& chart, const std::string& name, int width = 640, int height = 400) {
    std::string error;
    EXPECT_TRUE(saveChartImage(chart, file(name), width, height, error)) << error;
    EXPECT_TRUE(error.empty());
    QImage image(QString::fromStdString(file(name)));
    EXPECT_EQ(image.width(), width) << name;
    EXPECT_EQ(image.height(), height) << name;
    return image;
  }

  oewr::testing::TempDir temp_;
  fs::path dir_ = temp_.path();
};

}  // namespace

TEST_F(ChartPictures, EveryKindOfSeriesIsDrawnInItsColourAsBitmapAndPng) {
  Chart lines = timeSeriesChart();
  Chart bars = monthlyBarChart(60);
  Chart stacked = habitatChart(60);
  Chart area;
  area.addSeries("Area", SeriesKind::Area, kGreen).add(0, 1);
  area.series[0].add(5, 3);
  area.series[0].add(10, 2);
  area.addSeries("Line", SeriesKind::Line, kFuchsia, 3).add(0, 2);
  area.series[1].add(10, 0.5);

  for (std::string ext : {".bmp", ".png"}) {
    SCOPED_TRACE(ext);
    QImage image = saveAndRead(lines, "lines" + ext);
    EXPECT_GT(pixelsNear(image, kRed), 50);
    EXPECT_GT(pixelsNear(image, kBlue), 50);

    image = saveAndRead(bars, "bars" + ext, 800, 500);
    for (Color c : {kRed, kBlue, kGreen, kFuchsia}) EXPECT_GT(pixelsNear(image, c, 0), 100);

    image = saveAndRead(stacked, "stacked" + ext);
    for (Color c : kHabitatColors) EXPECT_GT(pixelsNear(image, c, 8), 50);

    image = saveAndRead(area, "area" + ext);
    EXPECT_GT(pixelsNear(image, kGreen, 0), 1000);
    EXPECT_GT(pixelsNear(image, kFuchsia), 50);
  }

  // The file kind follows the name's ending, whatever its case.
  std::string error;
  ASSERT_TRUE(saveChartImage(lines, file("upper.PNG"), 300, 200, error)) << error;
  EXPECT_EQ(QImageReader(QString::fromStdString(file("upper.PNG"))).format(), "png");
  EXPECT_EQ(QImageReader(QString::fromStdString(file("lines.bmp"))).format(), "bmp");
  std::ifstream bitmap(file("lines.bmp"), std::ios::binary);
  char magic[2] = {};
  bitmap.read(magic, 2);
  EXPECT_EQ(std::string(magic, 2), "BM");
  // Any other ending is written as a Windows bitmap, the windows' picture kind.
  ASSERT_TRUE(saveChartImage(lines, file("chart.pic"), 300, 200, error)) << error;
  EXPECT_EQ(QImageReader(QString::fromStdString(file("chart.pic"))).format(), "bmp");
}

// A PNG picture holds exactly the pixels drawn: a chart, and pictures of
// every colour at sizes down to one pixel, read back by Qt's own reader.
TEST_F(ChartPictures, PngPicturesHoldExactlyThePixelsDrawn) {
  const Chart lines = timeSeriesChart();
  std::string error;
  ASSERT_TRUE(saveChartImage(lines, file("exact.png"), 333, 201, error)) << error;
  const QImage drawn = oewr::render::renderChartImage(lines, 333, 201);
  EXPECT_EQ(QImage(QString::fromStdString(file("exact.png"))).convertToFormat(QImage::Format_RGB32), drawn);

  std::srand(7);
  for (const auto& [w, h] : {std::pair{1, 1}, {7, 3}, {5, 9}, {64, 2}}) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(std::rand() % 256, std::rand() % 256, std::rand() % 256));
    const std::string png = oewr::render::encodePng(image.constBits(), w, h, image.bytesPerLine());
    const QImage back = QImage::fromData(QByteArray(png.data(), static_cast<qsizetype>(png.size())), "PNG");
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image) << w << " x " << h;
  }
  EXPECT_THROW(oewr::render::encodePng(nullptr, 0, 5, 0), oewr::ModelError);
}

TEST_F(ChartPictures, EmptyChartsAndSeriesWithoutPointsSave) {
  Chart nothing;
  QImage image = saveAndRead(nothing, "nothing.bmp", 200, 150);
  EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));

  Chart emptySeries = habitatChart(0);
  emptySeries.bottomAxis.dateTime = true;
  emptySeries.addSeries("line", SeriesKind::Line, kRed);
  emptySeries.addSeries("area", SeriesKind::Area, kRed);
  saveAndRead(emptySeries, "empty_series.png");

  Chart emptyBars = monthlyBarChart(5);
  emptyBars.clearAll();
  saveAndRead(emptyBars, "empty_bars.bmp");

  // One point, flat values, a logarithmic axis with nothing it can show.
  Chart odd;
  odd.addSeries("one", SeriesKind::Line, kRed).add(3, 3);
  odd.leftAxis.logarithmic = true;
  odd.addSeries("neg", SeriesKind::Line, kBlue).add(1, -2);
  odd.bottomAxis.setRange(5, 5);
  saveAndRead(odd, "odd.png");
}

TEST_F(ChartPictures, UnwritablePlacesFailWithAReason) {
  Chart chart = timeSeriesChart();
  std::string error;
  std::string missing = file("no_such_folder/chart.bmp");
  EXPECT_FALSE(saveChartImage(chart, missing, 300, 200, error));
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(missing));

  error.clear();
  EXPECT_FALSE(saveChartImage(chart, dir_.string(), 300, 200, error));  // a folder
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_directory(dir_));

  error.clear();
  EXPECT_FALSE(saveChartImage(chart, "", 300, 200, error));
  EXPECT_FALSE(error.empty());

  // A refused size leaves an earlier picture as it was.
  saveAndRead(chart, "kept.bmp", 120, 90);
  EXPECT_FALSE(saveChartImage(chart, file("kept.bmp"), 0, 200, error));
  EXPECT_NE(error.find("0 x 200"), std::string::npos) << error;
  EXPECT_FALSE(saveChartImage(chart, file("kept.bmp"), 300, render::kChartImageMaxSide + 1, error));
  EXPECT_EQ(QImage(QString::fromStdString(file("kept.bmp"))).size(), QSize(120, 90));
}

TEST_F(ChartPictures, DateTimeAxisPlacesMonthsOnTheirCalendarDates) {
  Chart chart = timeSeriesChart();
  auto q = buildQChart(chart);
  auto* axis = qobject_cast<QDateTimeAxis*>(q->axes(Qt::Horizontal).value(0));
  ASSERT_NE(axis, nullptr);
  EXPECT_EQ(axis->format(), "MM.yy");
  auto lines = seriesOf<QLineSeries>(q.get());
  ASSERT_EQ(lines.size(), 2);
  ASSERT_EQ(lines[0]->count(), 36);
  QDateTime first = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(lines[0]->at(0).x()));
  QDateTime last = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(lines[0]->at(35).x()));
  EXPECT_EQ(first.date(), QDate(1990, 1, 15));
  EXPECT_EQ(first.time(), QTime(0, 0));
  EXPECT_EQ(last.toString(axis->format()), "12.92");
  EXPECT_LE(axis->min(), first);
  EXPECT_GE(axis->max(), last);

  // The fraction of a day is the time of day; day 0 is 30 Dec 1899.
  auto at = [](double days) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(render::dateTimeToAxisMSecs(days)));
  };
  EXPECT_EQ(at(0), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
  EXPECT_EQ(at(2.25), QDateTime(QDate(1900, 1, 1), QTime(6, 0)));
  EXPECT_EQ(at(dayNumber(2024, 2, 29) + 0.5), QDateTime(QDate(2024, 2, 29), QTime(12, 0)));
  EXPECT_TRUE(std::isnan(render::dateTimeToAxisMSecs(std::nan(""))));

  // A set range is kept.
  chart.bottomAxis.setRange(dayNumber(1991, 1, 1), dayNumber(1992, 1, 1));
  q = buildQChart(chart);
  axis = qobject_cast<QDateTimeAxis*>(q->axes(Qt::Horizontal).value(0));
  ASSERT_NE(axis, nullptr);
  EXPECT_EQ(axis->min().date(), QDate(1991, 1, 1));
  EXPECT_EQ(axis->max().date(), QDate(1992, 1, 1));
}

TEST_F(ChartPictures, StackedAreasReachOneHundredPercentAtEveryDischarge) {
  Chart chart = habitatChart(40);
  chart.series[0].visible = false;  // a hidden layer drops out of the stack
  auto q = buildQChart(chart);
  auto areas = seriesOf<QAreaSeries>(q.get());
  ASSERT_EQ(areas.size(), 6);
  EXPECT_EQ(areas[0]->name(), "SS");
  EXPECT_EQ(areas[0]->color(), QColor(0, 255, 255));
  for (int k = 1; k < areas.size(); ++k) EXPECT_EQ(areas[k]->lowerSeries(), areas[k - 1]->upperSeries());
  QLineSeries* top = areas.back()->upperSeries();
  ASSERT_EQ(top->count(), 40);
  for (int i = 0; i < top->count(); ++i) {
    EXPECT_NEAR(top->at(i).y(), 100.0, 1e-9) << "stage " << i;
    EXPECT_DOUBLE_EQ(top->at(i).x(), 0.05 * i * i);
  }
  QLineSeries* bottom = areas.front()->lowerSeries();
  ASSERT_NE(bottom, nullptr);
  for (const QPointF& p : bottom->points()) EXPECT_EQ(p.y(), 0.0);
  auto* y = qobject_cast<QValueAxis*>(q->axes(Qt::Vertical).value(0));
  ASSERT_NE(y, nullptr);
  EXPECT_DOUBLE_EQ(y->min(), 0);
  EXPECT_DOUBLE_EQ(y->max(), 100);
}

TEST_F(ChartPictures, BarsStandSideBySideInMonthCategories) {
  Chart chart = monthlyBarChart(5);
  chart.series[1].visible = false;
  auto q = buildQChart(chart);
  auto bars = seriesOf<QBarSeries>(q.get());
  ASSERT_EQ(bars.size(), 1);
  EXPECT_DOUBLE_EQ(bars[0]->barWidth(), 0.05);
  EXPECT_FALSE(bars[0]->isLabelsVisible());
  // Drawn, such narrow bars still stand out in their colours.
  QImage image = render::renderChartImage(chart, 800, 500);
  for (Color c : {kRed, kGreen, kFuchsia}) EXPECT_GT(pixelsNear(image, c, 0), 500);
  EXPECT_EQ(pixelsNear(image, kBlue, 60), 0);  // hidden
  ASSERT_EQ(bars[0]->count(), 3);
  QBarSet* third = bars[0]->barSets()[1];
  EXPECT_EQ(third->label(), "Series 2");
  EXPECT_EQ(third->color(), QColor(0, 128, 0));
  EXPECT_DOUBLE_EQ(third->at(0), 16);
  EXPECT_DOUBLE_EQ(third->at(11), 27);
  auto* months = qobject_cast<QBarCategoryAxis*>(q->axes(Qt::Horizontal).value(0));
  ASSERT_NE(months, nullptr);
  EXPECT_EQ(months->categories().first(), "Oct");
  EXPECT_EQ(months->categories().last(), "Sep");
  EXPECT_EQ(q->title(), "Monthly Distribution for 20% FDC Precent. Point");
  EXPECT_FALSE(q->legend()->isVisible());
  auto* values = qobject_cast<QValueAxis*>(q->axes(Qt::Vertical).value(0));
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(values->titleText(), "Flow Volume (mill. m^3)");
  EXPECT_LE(values->min(), 0);
  EXPECT_GE(values->max(), 10 + 3 * 3 + 11);

  Chart unlabelled;
  unlabelled.addSeries("b", SeriesKind::Bar, kRed).add(5, 1);
  unlabelled.series[0].add(2.5, 2);
  q = buildQChart(unlabelled);
  months = qobject_cast<QBarCategoryAxis*>(q->axes(Qt::Horizontal).value(0));
  ASSERT_NE(months, nullptr);
  EXPECT_EQ(months->categories(), QStringList({"5", "2.5"}));
}

TEST_F(ChartPictures, AxesLegendAndSeriesFollowTheModel) {
  Chart chart;
  chart.legend = LegendPosition::Right;
  chart.bottomAxis.title = "% Time Equalled or Exceeded";
  chart.leftAxis.title = "Flow (cumecs)";
  chart.leftAxis.valueFormat = "#,##0.##";
  chart.leftAxis.setRange(0, 2000);
  chart.addSeries("Nat.", SeriesKind::Line, kBlack, 2).add(0, 10);
  chart.series[0].add(100, 1500);
  chart.addSeries("hidden", SeriesKind::Line, kRed).add(50, 5000);
  chart.series[1].visible = false;
  auto& right = chart.addSeries("Stress", SeriesKind::Line, kGray);
  right.onRightAxis = true;
  right.add(0, 0.5);
  right.add(100, 4.5);

  auto q = buildQChart(chart);
  EXPECT_EQ(q->legend()->alignment(), Qt::AlignRight);
  EXPECT_TRUE(q->legend()->isVisible());
  auto lines = seriesOf<QLineSeries>(q.get());
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0]->name(), "Nat.");
  EXPECT_EQ(lines[0]->pen().width(), 2);
  EXPECT_EQ(lines[0]->color(), QColor(Qt::black));
  auto* left = qobject_cast<QValueAxis*>(q->axes(Qt::Vertical, lines[0]).value(0));
  ASSERT_NE(left, nullptr);
  EXPECT_EQ(left->alignment(), Qt::AlignLeft);
  EXPECT_DOUBLE_EQ(left->max(), 2000);  // set range, not the hidden series' 5000
  EXPECT_EQ(left->titleText(), "Flow (cumecs)");
  EXPECT_EQ(left->labelFormat(), "%'.0f");  // labels step by 500
  auto* rightAxis = qobject_cast<QValueAxis*>(q->axes(Qt::Vertical, lines[1]).value(0));
  ASSERT_NE(rightAxis, nullptr);
  EXPECT_EQ(rightAxis->alignment(), Qt::AlignRight);
  EXPECT_LE(rightAxis->min(), 0.5);
  EXPECT_GE(rightAxis->max(), 4.5);
  auto* bottom = qobject_cast<QValueAxis*>(q->axes(Qt::Horizontal).value(0));
  ASSERT_NE(bottom, nullptr);
  EXPECT_EQ(bottom->titleText(), "% Time Equalled or Exceeded");
  EXPECT_DOUBLE_EQ(bottom->min(), 0);
  EXPECT_DOUBLE_EQ(bottom->max(), 100);
}

TEST(ChartFormats, ValueFormatsBecomeLabelFormats) {
  using render::axisLabelFormat;
  EXPECT_EQ(axisLabelFormat("#,##0.##", 500), "%'.0f");
  EXPECT_EQ(axisLabelFormat("#,##0.##", 0.5), "%'.1f");
  EXPECT_EQ(axisLabelFormat("#,##0.##", 0.25), "%'.2f");
  EXPECT_EQ(axisLabelFormat("#,##0.##", 0.125), "%'.2f");  // at most the decimals given
  EXPECT_EQ(axisLabelFormat("#,##0.##", 1, 0.5), "%'.1f");  // labels start at a half
  EXPECT_EQ(axisLabelFormat("0.00", 10), "%.2f");         // required decimals always
  EXPECT_EQ(axisLabelFormat("0.0#", 0.05), "%.2f");
  EXPECT_EQ(axisLabelFormat("0", 0.5), "%.0f");
  EXPECT_EQ(axisLabelFormat("0.0 'm'", 1), "%.1f m");
  EXPECT_EQ(axisLabelFormat("0%", 1), "%.0f%%");
  EXPECT_EQ(axisLabelFormat("#,##0.0;(#,##0.0)", 1), "%'.1f");
  EXPECT_EQ(axisLabelFormat("0.00E+00", 1), "%.2e");
  EXPECT_EQ(axisLabelFormat("", 1), "");
}

TEST(ChartFormats, DateFormatsBecomeQtDateFormats) {
  using render::qtDateFormat;
  EXPECT_EQ(qtDateFormat("mm.yy"), "MM.yy");
  EXPECT_EQ(qtDateFormat("MM.YY"), "MM.yy");
  EXPECT_EQ(qtDateFormat("dd/mm/yyyy hh:mm"), "dd/MM/yyyy hh:mm");  // minutes after the hour
  QDateTime when(QDate(1993, 4, 15), QTime(7, 5));
  auto shown = [&](const std::string& format) {
    return when.toString(QString::fromStdString(qtDateFormat(format))).toStdString();
  };
  EXPECT_EQ(shown("mm.yy"), "04.93");
  EXPECT_EQ(shown("d mmm yyyy hh:nn:ss"), "15 Apr 1993 07:05:00");
  EXPECT_EQ(shown("h:nn am/pm"), "7:05 AM");
  EXPECT_EQ(shown("'Year' yyyy"), "Year 1993");  // quoted text is shown as it stands
  EXPECT_EQ(shown("yyyy\"'s\" mm"), "1993's 04");
  EXPECT_EQ(shown("mm \"dmy\" 'hh'"), "04 dmy hh");
}

TEST(ChartViewWidget, RedrawsOnlyWhenTheChartChanged) {
  render::ensureGuiApplication();
  Chart chart = timeSeriesChart();
  gui::ChartView view;
  view.resize(500, 300);
  view.setChart(&chart);
  EXPECT_EQ(view.drawnRevision(), chart.revision);
  QChart* drawn = view.qChart();
  ASSERT_NE(drawn, nullptr);
  EXPECT_EQ(drawn->series().size(), 2);

  view.refresh();
  EXPECT_EQ(view.qChart(), drawn);  // nothing changed, nothing drawn

  chart.addSeries("Total P.Day", SeriesKind::Line, kGreen).add(dayNumber(1990, 1, 15), 3);
  view.refresh();
  EXPECT_EQ(view.qChart()->series().size(), 3);
  EXPECT_EQ(view.drawnRevision(), chart.revision);

  chart.series[0].add(dayNumber(1993, 1, 15), 1);  // points added without a change mark
  view.refresh();
  EXPECT_EQ(seriesOf<QLineSeries>(view.qChart())[0]->count(), 36);
  view.redraw();
  EXPECT_EQ(seriesOf<QLineSeries>(view.qChart())[0]->count(), 37);

  view.setChart(nullptr);
  EXPECT_TRUE(view.qChart()->series().isEmpty());
  view.refresh();
}
