#include "hydraulics/hydraulics_report.h"

#include <optional>

#include "common/text_format.h"
#include "hydraulics/hydraulics_charts.h"

namespace oewr::hydraulics {

namespace {

// The discharge (x) of the last point of a curve; none when the curve is
// missing or empty (no stage was computed).
std::optional<double> lastDischarge(const charting::Chart& chart, int series) {
  if (series >= static_cast<int>(chart.series.size())) return std::nullopt;
  const auto& points = chart.series[static_cast<std::size_t>(series)].points;
  if (points.empty()) return std::nullopt;
  return points.back().x;
}

constexpr const char* kNoDischarge = "Max. Channel Discharge (m3/s) not computed: no stage lies below the channel depth";

}  // namespace

std::vector<std::string> hydraulicsReportLines(const ModelState& state, bool observedMode, bool savedMode,
                                               const charting::Chart& stageDischarge) {
  const SiteParameters& p = state.site.siteParameters;
  std::vector<std::string> lines = {" ", "HYDRAULICS DATA SUMMARY", " "};
  lines.push_back(formatText("Geomorph. Zone         %2.0f", p.geoZone));
  lines.push_back(formatText("Width/Depth scaling    %5.2f", p.widthDepthScaling));
  lines.push_back(formatText("Max. Channel width (m) %5.2f", p.maxWidth));
  lines.push_back(formatText("Max. Channel Depth (m) %5.2f", p.maxDepth));

  if (observedMode) {
    lines.emplace_back(" ");
    lines.emplace_back("Observed Channel XS used");
    if (state.site.ratingCount > 0) lines.emplace_back("Observed Rating Curve used");
    lines.emplace_back("(Gradients and Roughness n values calibrated)");
    lines.emplace_back(" ");
    lines.push_back(formatText("Max. Gradient         %7.5f", p.obsMaxGradient));
    lines.push_back(formatText("Min. Gradient         %7.5f", p.obsMinGradient));
    lines.push_back(formatText("Gradient Shape Factor %7.0f", p.obsGradientShapeFactor));
    lines.push_back(formatText("Max. Mannings n       %7.3f", p.obsMaxManningN));
    lines.push_back(formatText("Min. Mannings n       %7.3f", p.obsMinManningN));
    lines.push_back(formatText("n Shape Factor        %7.0f", p.obsNShapeFactor));
    lines.emplace_back(" ");
  } else if (savedMode) {
    lines.emplace_back(" ");
    lines.emplace_back("Previously saved Channel XS used");
    const auto q = lastDischarge(stageDischarge, kUpperEstimateSeries);
    lines.push_back(q ? "Max. Channel Discharge (m3/s) " + formatText("%8.3f", *q) : kNoDischarge);
  } else {
    const auto lower = lastDischarge(stageDischarge, kLowerEstimateSeries);
    const auto upper = lastDischarge(stageDischarge, kUpperEstimateSeries);
    lines.push_back(lower && upper ? "Max. Channel Discharge (m3/s) between " + formatText("%8.3f", *lower) +
                                         formatText(" and %8.3f", *upper)
                                   : kNoDischarge);
  }
  return lines;
}

}  // namespace oewr::hydraulics
