#include "hydraulics/hydraulics_charts.h"

namespace oewr::hydraulics {

HydraulicsCharts makeHydraulicsCharts() {
  HydraulicsCharts charts;

  charting::Chart& xs = charts.section;
  xs.title = "Channel X-Section";
  xs.bottomAxis.title = "Distance (m)";
  xs.leftAxis.title = "Depth (m)";
  xs.legend = charting::LegendPosition::Hidden;
  xs.addSeries("Channel X-Section", charting::SeriesKind::Line, charting::kBlack, 2);

  charting::Chart& sd = charts.stageDischarge;
  sd.title = "Stage - Discharge Curve";
  sd.bottomAxis.title = "Discharge (cumecs m^3 / s)";
  sd.leftAxis.title = "Depth or Stage (m)";
  sd.legend = charting::LegendPosition::Top;
  sd.addSeries("Lower estimate", charting::SeriesKind::Line, charting::kBlack, 2);
  sd.addSeries("Upper estimate", charting::SeriesKind::Line, charting::kGray, 2);
  sd.addSeries("Wet season max baseflow", charting::SeriesKind::Line, charting::kBlue);
  sd.addSeries("Dry season max baseflow", charting::SeriesKind::Line, charting::kAqua);
  return charts;
}

}  // namespace oewr::hydraulics
