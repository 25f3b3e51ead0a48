#include <gtest/gtest.h>

#include <limits>

#include "charting/chart_requests.h"
#include "charting/stacking.h"

using namespace oewr::charting;

namespace {

Series layer(std::vector<std::pair<double, double>> points, int group = 0) {
  Series s;
  s.kind = SeriesKind::Area;
  s.stackGroup = group;
  for (auto [x, y] : points) s.add(x, y);
  return s;
}

}  // namespace

TEST(PercentStack, LayersOnSharedPointsShareTheFullHeight) {
  Series a = layer({{1, 1}, {2, 3}, {3, 0}});
  Series b = layer({{1, 1}, {2, 1}, {3, 0}});
  Series c = layer({{1, 2}, {2, 0}, {3, 5}});
  PercentStack s = stackToPercent({&a, &b, &c});
  ASSERT_EQ(s.x, (std::vector<double>{1, 2, 3}));
  ASSERT_EQ(s.top.size(), 3u);
  EXPECT_DOUBLE_EQ(s.top[0][0], 25);
  EXPECT_DOUBLE_EQ(s.top[1][0], 50);
  EXPECT_DOUBLE_EQ(s.top[0][1], 75);
  EXPECT_DOUBLE_EQ(s.top[1][1], 100);  // a zero top layer adds nothing
  EXPECT_DOUBLE_EQ(s.top[0][2], 0);
  EXPECT_DOUBLE_EQ(s.top[1][2], 0);
  for (size_t i = 0; i < s.x.size(); ++i) EXPECT_EQ(s.top[2][i], 100.0) << "x = " << s.x[i];
}

TEST(PercentStack, RepeatedPositionsFollowThePoints) {
  // Several stages can carry the same discharge; each keeps its own shares.
  Series a = layer({{0, 1}, {0, 3}, {2, 1}});
  Series b = layer({{0, 3}, {0, 1}, {2, 1}});
  PercentStack s = stackToPercent({&a, &b});
  ASSERT_EQ(s.x, (std::vector<double>{0, 0, 2}));
  EXPECT_DOUBLE_EQ(s.top[0][0], 25);
  EXPECT_DOUBLE_EQ(s.top[0][1], 75);
  EXPECT_DOUBLE_EQ(s.top[0][2], 50);
}

TEST(PercentStack, DifferentPositionsInterpolateAndCountZeroOutside) {
  Series a = layer({{0, 2}, {4, 6}});
  Series b = layer({{2, 4}, {6, 4}});
  PercentStack s = stackToPercent({&a, &b});
  ASSERT_EQ(s.x, (std::vector<double>{0, 2, 4, 6}));
  EXPECT_DOUBLE_EQ(s.top[0][0], 100);  // b has not started yet
  EXPECT_DOUBLE_EQ(s.top[0][1], 50);   // a is 4 halfway
  EXPECT_DOUBLE_EQ(s.top[0][2], 60);   // 6 / (6 + 4)
  EXPECT_DOUBLE_EQ(s.top[0][3], 0);    // a has ended
  EXPECT_DOUBLE_EQ(s.top[1][3], 100);
}

TEST(PercentStack, NothingToShareGivesZeroNotNaN) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Series a = layer({{1, 0}, {2, -5}, {3, nan}, {4, 2}});
  Series b = layer({{1, 0}, {2, 0}, {3, 1}, {4, -1}});
  PercentStack s = stackToPercent({&a, &b});
  for (size_t k = 0; k < 2; ++k)
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(s.top[k][i], 0.0);
  EXPECT_DOUBLE_EQ(s.top[0][2], 0);  // a not-a-number counts as nothing
  EXPECT_DOUBLE_EQ(s.top[1][2], 100);
  EXPECT_DOUBLE_EQ(s.top[0][3], 100);  // a negative share counts as nothing
  EXPECT_DOUBLE_EQ(s.top[1][3], 100);

  EXPECT_TRUE(stackToPercent({}).x.empty());
  Series empty = layer({});
  PercentStack none = stackToPercent({&empty, &empty});
  EXPECT_TRUE(none.x.empty());
  EXPECT_EQ(none.top.size(), 2u);
}

TEST(PercentStack, LayersAreTheVisibleAreasOfTheGroupInOrder) {
  Chart chart;
  chart.addSeries("SVS", SeriesKind::Area, kSilver).stackGroup = 0;
  chart.addSeries("loose", SeriesKind::Area, kRed);
  chart.addSeries("other", SeriesKind::Area, kRed).stackGroup = 1;
  chart.addSeries("line", SeriesKind::Line, kRed).stackGroup = 0;
  auto& hidden = chart.addSeries("hidden", SeriesKind::Area, kRed);
  hidden.stackGroup = 0;
  hidden.visible = false;
  chart.addSeries("SS", SeriesKind::Area, kAqua).stackGroup = 0;
  auto layers = stackLayers(chart, 0);
  ASSERT_EQ(layers.size(), 2u);
  EXPECT_EQ(layers[0]->title, "SVS");
  EXPECT_EQ(layers[1]->title, "SS");
}

TEST(ChartRequests, EveryFieldOfASeriesReachesTheDrawingProcess) {
  Chart chart;
  chart.name = "EnsembleFan";
  chart.title = "t";
  chart.legend = LegendPosition::Bottom;
  chart.bottomAxis.setRange(0, 12);
  chart.bottomAxis.valueFormat = "0";
  Series& band = chart.addSeries("band", SeriesKind::Area, Color{173, 198, 230}, 3);
  band.areaFloor = 1;
  band.stackGroup = -1;
  band.onRightAxis = true;
  band.add(1, 2.5, "Oct");
  Series& floor = chart.addSeries("floor", SeriesKind::Line, kRed);
  floor.visible = false;
  floor.add(1, 1.5);
  Chart back;
  std::string path;
  decodeChartRequest(encodeChartRequest(chart, "/x/fan.png"), back, path);
  EXPECT_EQ(path, "/x/fan.png");
  ASSERT_EQ(back.series.size(), 2u);
  EXPECT_EQ(back.series[0].areaFloor, 1);
  EXPECT_EQ(back.series[1].areaFloor, -1);
  EXPECT_TRUE(back.series[0].onRightAxis);
  EXPECT_FALSE(back.series[1].visible);
  EXPECT_EQ(back.series[0].width, 3);
  EXPECT_EQ(back.series[0].color, (Color{173, 198, 230}));
  EXPECT_EQ(back.series[0].points.at(0).label, "Oct");
  EXPECT_EQ(back.series[1].points.at(0).y, 1.5);
  EXPECT_EQ(back.bottomAxis.valueFormat, "0");
  EXPECT_FALSE(back.bottomAxis.automatic);
  EXPECT_EQ(back.legend, LegendPosition::Bottom);
}
