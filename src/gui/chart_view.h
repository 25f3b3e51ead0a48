#pragma once
// A window's chart on screen: shows a chart of a form and draws it again
// when the form has changed it.
#include <QWidget>

#include "charting/chart.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
QT_END_NAMESPACE

namespace oewr::gui {

class ChartView : public QWidget {
 public:
  explicit ChartView(QWidget* parent = nullptr);
  ~ChartView() override;
  ChartView(const ChartView&) = delete;
  ChartView& operator=(const ChartView&) = delete;

  // The chart shown, owned by the form and outliving this view; nullptr
  // shows an empty chart. Draws it at once.
  void setChart(const charting::Chart* chart);
  const charting::Chart* chart() const { return chart_; }

  // Draws the chart again when its revision changed since it was last drawn.
  void refresh();
  // Draws the chart again whatever its revision.
  void redraw();

  QChart* qChart() const;
  int drawnRevision() const { return drawnRevision_; }

 private:
  const charting::Chart* chart_ = nullptr;
  int drawnRevision_ = 0;
  QChartView* view_ = nullptr;
};

}  // namespace oewr::gui
