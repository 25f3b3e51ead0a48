#include "gui/chart_view.h"

#include <QVBoxLayout>
#include <QtCharts/QChartView>

#include "render/chart_render.h"

namespace oewr::gui {

ChartView::ChartView(QWidget* parent) : QWidget(parent), view_(new QChartView(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  view_->setRenderHint(QPainter::Antialiasing);
  redraw();
}

ChartView::~ChartView() = default;

void ChartView::setChart(const charting::Chart* chart) {
  chart_ = chart;
  redraw();
}

void ChartView::refresh() {
  if (chart_ && chart_->revision != drawnRevision_) redraw();
}

void ChartView::redraw() {
  static const charting::Chart empty;
  QChart* fresh = render::buildQChart(chart_ ? *chart_ : empty).release();
  QChart* old = view_->chart();
  view_->setChart(fresh);  // the view owns the new chart and gives up the old one
  delete old;
  drawnRevision_ = chart_ ? chart_->revision : 0;
}

QChart* ChartView::qChart() const { return view_->chart(); }

}  // namespace oewr::gui
