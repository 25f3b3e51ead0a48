#include <gtest/gtest.h>

#include <limits>

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
