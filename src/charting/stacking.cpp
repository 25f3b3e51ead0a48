#include "charting/stacking.h"

#include <algorithm>
#include <cmath>

namespace oewr::charting {

namespace {

bool sameXPositions(const std::vector<const Series*>& layers) {
  const auto& first = layers.front()->points;
  for (const Series* layer : layers) {
    if (layer->points.size() != first.size()) return false;
    for (size_t i = 0; i < first.size(); ++i)
      if (layer->points[i].x != first[i].x) return false;
  }
  return true;
}

double stackable(double v) { return std::isfinite(v) && v > 0 ? v : 0.0; }

// Value of a layer at x: linear between its points (sorted by x), 0 outside
// them; at a repeated x the last point given counts.
double valueAt(const std::vector<Point>& sorted, double x) {
  if (sorted.empty() || x < sorted.front().x || x > sorted.back().x) return 0.0;
  auto hi = std::upper_bound(sorted.begin(), sorted.end(), x, [](double v, const Point& p) { return v < p.x; });
  const Point& right = *(hi - 1);  // last point with p.x <= x
  if (right.x == x || hi == sorted.end()) return stackable(right.y);
  const Point& next = *hi;
  double t = (x - right.x) / (next.x - right.x);
  return stackable(stackable(right.y) + t * (stackable(next.y) - stackable(right.y)));
}

}  // namespace

PercentStack stackToPercent(const std::vector<const Series*>& layers) {
  PercentStack stack;
  if (layers.empty()) return stack;

  std::vector<std::vector<double>> values(layers.size());
  if (sameXPositions(layers)) {
    for (const Point& p : layers.front()->points)
      if (std::isfinite(p.x)) stack.x.push_back(p.x);
    for (size_t k = 0; k < layers.size(); ++k)
      for (const Point& p : layers[k]->points)
        if (std::isfinite(p.x)) values[k].push_back(stackable(p.y));
  } else {
    for (const Series* layer : layers)
      for (const Point& p : layer->points)
        if (std::isfinite(p.x)) stack.x.push_back(p.x);
    std::sort(stack.x.begin(), stack.x.end());
    stack.x.erase(std::unique(stack.x.begin(), stack.x.end()), stack.x.end());
    for (size_t k = 0; k < layers.size(); ++k) {
      std::vector<Point> sorted;
      for (const Point& p : layers[k]->points)
        if (std::isfinite(p.x)) sorted.push_back(p);
      std::stable_sort(sorted.begin(), sorted.end(), [](const Point& a, const Point& b) { return a.x < b.x; });
      for (double x : stack.x) values[k].push_back(valueAt(sorted, x));
    }
  }

  stack.top.assign(layers.size(), std::vector<double>(stack.x.size(), 0.0));
  for (size_t i = 0; i < stack.x.size(); ++i) {
    double total = 0;
    for (const auto& layer : values) total += layer[i];
    if (total <= 0) continue;
    double sum = 0;
    for (size_t k = 0; k < layers.size(); ++k) {
      sum += values[k][i];
      stack.top[k][i] = 100.0 * (sum / total);
    }
  }
  return stack;
}

std::vector<const Series*> stackLayers(const Chart& chart, int group) {
  std::vector<const Series*> layers;
  for (const Series& s : chart.series)
    if (s.visible && s.kind == SeriesKind::Area && s.stackGroup == group) layers.push_back(&s);
  return layers;
}

}  // namespace oewr::charting
