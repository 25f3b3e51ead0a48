#include "hydraulics/observed_section.h"

#include <algorithm>
#include <cmath>

#include "common/text_format.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/habitat_classes.h"

namespace oewr::hydraulics {

float bankLevel(std::span<const float> elevations) {
  if (elevations.empty()) return 0.0f;
  float m = *std::max_element(elevations.begin(), elevations.end());
  if (m > elevations.back())
    m = elevations.back();
  else if (m > elevations.front())
    m = elevations.front();
  return std::floor(m * 100.0f) / 100.0f;
}

std::vector<int32_t> chainageProblems(std::span<const float> distances) {
  std::vector<int32_t> points;
  for (std::size_t i = 1; i < distances.size(); ++i)
    if (distances[i] < distances[i - 1]) points.push_back(static_cast<int32_t>(i));
  return points;
}

std::vector<std::string> singleSectionFileLines(const ModelState& state) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(std::max(state.hydraulics.stageCount, 0)));
  for (int32_t j = 0; j < state.hydraulics.stageCount; ++j) {
    std::string line = formatText("%10.3f", state.hydraulics.stageDischarge[j]);
    for (int c = 0; c < kHabitatClassCount; ++c) line += formatText("%10.3f", state.hydraulics.stageClassShare[c][j]);
    lines.push_back(std::move(line));
  }
  return lines;
}

namespace {

// The shares and width of stage j on the one section, stored directly.
// Returns false when the velocity distribution did not settle.
bool storeStageHabitat(ModelState& state, const HydraulicSection& section, int32_t npt, int32_t j, float d, float Q,
                       const SectionHydraulics& hyd, float macroRoughness) {
  DepthClasses depths;
  if (!sampleVerticals(section, npt, d, hyd, depths)) {
    for (int c = 0; c < kHabitatClassCount; ++c) state.hydraulics.stageClassShare[c][j] = 0.0f;
    state.hydraulics.stageWidth[j] = 0.0f;
    return true;
  }
  const float V = Q / hyd.area;
  state.hydraulics.stageWidth[j] = hyd.wettedWidth;
  if (!(V > 0.0f)) {
    for (int c = 0; c < kHabitatClassCount; ++c) state.hydraulics.stageClassShare[c][j] = 0.0f;
    state.hydraulics.stageClassShare[kSVS][j] = 100.0f;
    return true;
  }
  VelocityClasses vel;
  velocityDistribution(macroRoughness, hyd.wettedWidth, Q, hyd.meanDepth, V, depths, vel);
  const ClassShares shares = classShares(depths, vel);
  float sum = 0.0f;
  for (float s : shares) sum += s;
  // A stage whose shares do not add up (nothing, or no number at all) takes
  // the shares of the stage below it.
  const bool usable = sum >= 1.0f;
  for (int c = 0; c < kHabitatClassCount; ++c)
    state.hydraulics.stageClassShare[c][j] = usable || j < 1 ? shares[c] : state.hydraulics.stageClassShare[c][j - 1];
  return vel.settled;
}

}  // namespace

bool computeSingleSection(ModelState& state, Ui& ui, const HydraulicSection& section, int32_t npt,
                          const FlowParameters& fp, float macroRoughness, HydraulicsCharts& charts) {
  const HydraulicsState before = state.hydraulics;
  SectionHydraulics hyd;
  bool settled = true;
  float firstUnsettledStage = 0;
  float d = 0.0f;
  int32_t j = 0;
  for (;;) {
    d = nextStage(d);
    if (!(d < fp.maxDepth)) break;
    if (j > kMaxStageIndex) break;  // counted, not filled: capped below
    const float S = stageGradient(fp, d);
    const float Q = sectionDischarge(section, npt, d, S, fp.nShapeFactor, fp.maxManningN, fp.minManningN,
                                     fp.maxDepth, hyd, ui);
    state.hydraulics.stageDischarge[j] = Q;
    state.hydraulics.stageDischargeHigh[j] = Q;
    state.hydraulics.stageDischargeLow[j] = Q;
    hyd.velocity = Q / hyd.area;
    if (!storeStageHabitat(state, section, npt, j, d, Q, hyd, macroRoughness) && settled) {
      settled = false;
      firstUnsettledStage = d;
    }
    ++j;
  }
  state.hydraulics.stageCount = j;
  if (state.hydraulics.stageCount > kMaxStageIndex) {
    state.hydraulics.stageCount = kMaxStageIndex;
    ui.showMessage(kHydraulicsCaption, "array bounds exceeded");
  }
  if (const auto where = resultWithoutNumber(state.hydraulics)) return refuseRunWithoutNumbers(state, before, *where, ui);
  if (!settled)
    ui.showMessage(kHydraulicsCaption,
                   "The velocity distribution did not settle at the stage of " +
                       formatText("%.3f", firstUnsettledStage) +
                       " m (and perhaps others): the last distribution computed there was used");

  charting::Chart& chart = charts.stageDischarge;
  auto seriesAt = [&chart](int index) -> charting::Series* {
    return index < static_cast<int>(chart.series.size()) ? &chart.series[static_cast<std::size_t>(index)] : nullptr;
  };
  charting::Series* calculated = seriesAt(kUpperEstimateSeries);
  charting::Series* wetLine = seriesAt(kWetBaseflowSeries);
  charting::Series* dryLine = seriesAt(kDryBaseflowSeries);
  for (charting::Series* s : {calculated, wetLine, dryLine})
    if (s != nullptr) s->clear();
  state.hydraulics.wetBaseflowDepth = 0.0f;
  state.hydraulics.dryBaseflowDepth = 0.0f;
  d = 0.0f;
  for (int32_t stage = 0; stage < state.hydraulics.stageCount; ++stage) {
    d = nextStage(d);
    if (calculated != nullptr)
      calculated->add(static_cast<double>(state.hydraulics.stageDischargeHigh[stage]), static_cast<double>(d));
    markBaseflowCrossings(state, stage, wetLine, dryLine);
  }
  chart.changed();
  keepHabitatFile(state, singleSectionFileLines(state), ui);
  return true;
}

}  // namespace oewr::hydraulics
