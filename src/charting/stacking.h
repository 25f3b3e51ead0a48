#pragma once
// Area series of one stack group drawn stacked to 100 %: at every x the
// layers share the full height in proportion to their values.
#include <vector>

#include "charting/chart.h"

namespace oewr::charting {

struct PercentStack {
  std::vector<double> x;                 // positions shared by every layer
  std::vector<std::vector<double>> top;  // top[k][i]: percent reached by layers 0..k at x[i]
};

// Layers in drawing order (bottom first). When all layers hold the same x
// positions point by point, the stack follows those points (repeated x
// values included); otherwise it runs over the sorted distinct x values of
// all layers, a layer counting with its value interpolated between its
// points and 0 outside them. Negative and non-finite values count as 0, and
// an x where every layer is 0 has all tops at 0.
PercentStack stackToPercent(const std::vector<const Series*>& layers);

// The visible area series of group `group`, in the chart's order.
std::vector<const Series*> stackLayers(const Chart& chart, int group);

}  // namespace oewr::charting
