#include "hydraulics/rating_curve.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <utility>

#include "common/batch_math.h"
#include "common/errors.h"
#include "common/text_format.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/habitat_classes.h"
#include "model/s_curve.h"

namespace oewr::hydraulics {

float stageGradient(const FlowParameters& fp, float d) {
  return fp.minGradient +
         (fp.maxGradient - fp.minGradient) * sCurve(1.0f - d / fp.maxDepth, fp.gradientShapeFactor / 10.0f);
}

float manningN(float h, float maxDepth, float nShapeFactor, float maxManningN, float minManningN) {
  return minManningN + (maxManningN - minManningN) * sCurve(1.0f - h / maxDepth, nShapeFactor / 10.0f);
}

float sectionDischarge(const HydraulicSection& section, int32_t npt, float d, float S, float nShapeFactor,
                       float maxManningN, float minManningN, float maxDepth, SectionHydraulics& hyd, Ui& ui) {
  hyd.wettedWidth = 0.0f;
  hyd.area = 0.0f;
  hyd.xLeft = 0.0f;
  float Q = 0.0f;
  if (npt - 1 > kMaxWorkingPoint)
    throw RangeError("Range check error: " + std::to_string(npt) + " section points");
  const float* X = section.x.data();
  const float* Y = section.y.data();
  const float rootS = std::sqrt(S);

  // The wet segments' geometry first, then the Manning n of all of them at
  // once, then the sums in segment order.
  // (Scratch arrays of this thread, kept between calls.)
  struct Wet {
    int32_t i;
    uint8_t edge;  // kFull, kLeftEdge, kRightEdge
    float w, a, p;
  };
  enum : uint8_t { kFull, kLeftEdge, kRightEdge };
  struct Scratch {
    std::array<Wet, kMaxWorkingPoint> wet;
    std::array<float, kMaxWorkingPoint> x;  // 1 - h / maxDepth
    std::array<float, kMaxWorkingPoint> n;  // its S-curve value, then Manning's n
    std::array<float, kMaxWorkingPoint> radiusPower;  // R^0.667
  };
  static thread_local Scratch scratch;
  auto& wet = scratch.wet;
  auto& x = scratch.x;
  auto& n = scratch.n;
  auto& radiusPower = scratch.radiusPower;
  int32_t count = 0;
  for (int32_t i = 0; i <= npt - 2; ++i) {
    const float x1 = X[i];
    const float y1 = Y[i];
    const float x2 = X[i + 1];
    const float y2 = Y[i + 1];
    Wet& g = wet[static_cast<std::size_t>(count)];
    float h = 0;
    if (y1 > d && y2 > d) {
      continue;  // dry
    } else if (y1 > d) {
      // Water's edge on the left bank of the segment.
      const float f = (d - y2) / (y1 - y2);
      g.w = (x2 - x1) * f;
      const float hw = d - y2;
      g.a = 0.5f * g.w * hw;
      g.p = std::sqrt(g.w * g.w + hw * hw);
      h = d / 2.0f;
      g.edge = kLeftEdge;
    } else if (y2 > d) {
      // Water's edge on the right bank of the segment.
      const float f = (d - y1) / (y2 - y1);
      g.w = (x2 - x1) * f;
      const float hw = d - y1;
      g.a = 0.5f * g.w * hw;
      g.p = std::sqrt(g.w * g.w + hw * hw);
      h = d / 2.0f;
      g.edge = kRightEdge;
    } else {
      g.w = x2 - x1;
      h = d - (y1 + y2) / 2.0f;
      g.a = g.w * h;
      const float dy = y1 - y2;
      g.p = std::sqrt(g.w * g.w + dy * dy);
      g.edge = kFull;
    }
    g.i = i;
    x[static_cast<std::size_t>(count)] = 1.0f - h / maxDepth;
    ++count;
  }
  sCurveBatch(x.data(), nShapeFactor / 10.0f, n.data(), count);
  // The hydraulic radii of the segments that carry flow, and their powers.
  for (int32_t k = 0; k < count; ++k) {
    const Wet& g = wet[static_cast<std::size_t>(k)];
    const float nk = minManningN + (maxManningN - minManningN) * n[static_cast<std::size_t>(k)];
    n[static_cast<std::size_t>(k)] = nk;
    x[static_cast<std::size_t>(k)] = g.p > 0.0f && nk > 0.0f && S > 0.0f && g.a > 0.0f ? g.a / g.p : 0.0f;
  }
  powBatch(x.data(), 0.667f, radiusPower.data(), static_cast<std::size_t>(count));

  for (int32_t k = 0; k < count; ++k) {
    const Wet& g = wet[static_cast<std::size_t>(k)];
    hyd.xRight = X[g.i + 1];
    if (g.edge == kLeftEdge && hyd.xLeft == 0.0f) hyd.xLeft = X[g.i + 1] - g.w;
    const float nk = n[static_cast<std::size_t>(k)];
    const float a = g.a;
    const float p = g.p;
    if (p > 0.0f && nk > 0.0f && S > 0.0f && a > 0.0f) {
      const float R = x[static_cast<std::size_t>(k)];
      if (!(R > 0.0f)) {
        ui.showMessage(kHydraulicsCaption, "Calculation/data error in H.Radius");
        return Q;
      }
      Q = Q + a * radiusPower[static_cast<std::size_t>(k)] * rootS / nk;
    }
    hyd.wettedWidth = hyd.wettedWidth + g.w;
    hyd.area = hyd.area + a;
  }
  hyd.meanDepth = hyd.wettedWidth > 0.0f ? hyd.area / hyd.wettedWidth : 0.0f;
  return Q;
}

float crossingDepth(int32_t j, float frac) {
  if (j < 25) return 0.002f * static_cast<float>(j + 1) + 0.002f * frac;
  return 0.05f + 0.01f * static_cast<float>(j - 25) + 0.01f * frac;
}

namespace {

bool crossing(HydraulicsView state, int32_t j, float baseflow, float& depth) {
  const float below = state.hydraulics.stageDischarge[j - 1];
  const float above = state.hydraulics.stageDischarge[j];
  if (!(below <= baseflow && baseflow < above)) return false;
  const float frac = (baseflow - below) / (above - below);
  depth = crossingDepth(j, frac);
  return true;
}

void drawBaseflowLine(charting::Series* line, float baseflow, float depth) {
  if (line == nullptr) return;
  line->add(static_cast<double>(baseflow), 0.0);
  line->add(static_cast<double>(baseflow), static_cast<double>(depth));
}

// The messages of one realisation's stages, kept to be shown after all
// realisations in their order.
class KeptMessages : public Ui {
 public:
  void showMessage(const std::string& caption, const std::string& text) override { messages.emplace_back(caption, text); }
  bool askYesNo(const std::string&, const std::string&) override { return false; }
  std::optional<std::string> pickOpenFile(const FileDialogOptions&) override { return std::nullopt; }
  std::optional<std::string> pickSaveFile(const FileDialogOptions&) override { return std::nullopt; }
  int showModal(ModalForm&) override { return 0; }
  int showTableSave(hostdb::Ttable_save&) override { return 0; }
  bool keepWaitingForLock(const std::string&, int) override { return false; }
  std::vector<std::pair<std::string, std::string>> messages;
};

struct StageResult {
  float Q = 0;
  StageHabitat habitat;
};

// The discharge and habitat of every stage of one realisation's section.
void realisationStages(const HydraulicSection& section, const FlowParameters& fp, float macroRoughness,
                       int32_t stages, StageResult* out, Ui& ui) {
  SectionHydraulics hyd;
  float d = 0.0f;
  for (int32_t j = 0; j < stages; ++j) {
    d = nextStage(d);
    const float S = stageGradient(fp, d);
    const float Q = sectionDischarge(section, section.npt, d, S, fp.nShapeFactor, fp.maxManningN, fp.minManningN,
                                     fp.maxDepth, hyd, ui);
    hyd.velocity = Q / hyd.area;
    out[j].Q = Q;
    out[j].habitat = habitatStep(section, section.npt, d, Q, hyd, macroRoughness);
  }
}

std::atomic<int> realisationThreads{0};  // 0: as many as the processor has, at most 2

// Calls work(r) for every realisation r, on up to two threads.
void forEachRealisation(const std::function<void(int)>& work) {
  int threads = realisationThreads.load();
  if (threads <= 0) threads = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
  if (threads < 2) {
    for (int r = 0; r < kRealisationCount; ++r) work(r);
    return;
  }
  std::exception_ptr failure;
  std::thread helper([&] {
    try {
      for (int r = 1; r < kRealisationCount; r += 2) work(r);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  try {
    for (int r = 0; r < kRealisationCount; r += 2) work(r);
  } catch (...) {
    helper.join();
    throw;
  }
  helper.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

void markBaseflowCrossings(HydraulicsParts state, int32_t j, charting::Series* wetLine, charting::Series* dryLine) {
  if (j < 1) return;
  float depth = 0;
  if (crossing(state, j, state.hydrology.maxBaseflowWet, depth)) {
    state.hydraulics.wetBaseflowDepth = depth;
    drawBaseflowLine(wetLine, state.hydrology.maxBaseflowWet, depth);
    state.hydraulics.wetBaseflowStage = j;
  }
  if (crossing(state, j, state.hydrology.maxBaseflowDry, depth)) {
    state.hydraulics.dryBaseflowDepth = depth;
    drawBaseflowLine(dryLine, state.hydrology.maxBaseflowDry, depth);
    state.hydraulics.dryBaseflowStage = j;
  }
}

std::vector<std::string> habitatFileLines(HydraulicsView state) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(state.hydraulics.stageCount) + 2);
  lines.emplace_back("Discharge    Width     SVS       SS        SD        FVS       FI        FS        FD");
  lines.emplace_back(" (m^s/s)       (m)            Habitat Frequencies as %Width");
  for (int32_t j = 0; j < state.hydraulics.stageCount; ++j) {
    std::string line = formatText("%10.3f", state.hydraulics.stageDischarge[j]) + formatText("%10.3f", state.hydraulics.stageWidth[j]);
    for (int c = 0; c < kHabitatClassCount; ++c) line += formatText("%10.3f", state.hydraulics.stageClassShare[c][j]);
    lines.push_back(std::move(line));
  }
  return lines;
}

std::optional<std::string> resultWithoutNumber(const HydraulicsState& s) {
  float d = 0.0f;
  for (int32_t j = 0; j < s.stageCount; ++j) {
    d = nextStage(d);
    bool numbers = std::isfinite(s.stageDischarge[j]) && std::isfinite(s.stageDischargeLow[j]) &&
                   std::isfinite(s.stageDischargeHigh[j]) && std::isfinite(s.stageWidth[j]);
    for (int c = 0; c < kHabitatClassCount; ++c) numbers = numbers && std::isfinite(s.stageClassShare[c][j]);
    if (!numbers) return formatText("the stage of %.3f m", d);
  }
  for (int32_t i = 0; i < s.modelXsCount; ++i)
    if (!std::isfinite(s.modelXsDistance[i]) || !std::isfinite(s.modelXsElevation[i])) return "the cross-section";
  return std::nullopt;
}

bool refuseRunWithoutNumbers(HydraulicsParts state, const HydraulicsState& before, const std::string& where, Ui& ui) {
  state.hydraulics = before;
  ui.showMessage(kHydraulicsCaption, "The hydraulic model gives no number for " + where +
                                         " with these parameters (extreme values?): the results of the run before "
                                         "stay");
  return false;
}

bool runHydraulicModel(HydraulicsParts state, Ui& ui, HydraulicsCharts& charts) {
  SectionLayout layout;
  if (!buildLayout(state, ui, layout)) return false;
  const HydraulicsState before = state.hydraulics;
  const charting::Chart sectionBefore = charts.section;

  for (int c = 0; c < kHabitatClassCount; ++c) state.hydraulics.stageClassShare[c].fill(0.0f);
  state.hydraulics.stageWidth.fill(0.0f);
  state.hydraulics.stageDischarge.fill(0.0f);
  state.hydraulics.stageDischargeLow.fill(1e8f);
  state.hydraulics.stageDischargeHigh.fill(0.0f);

  const SiteParameters& sp = state.site.siteParameters;
  FlowParameters fp;
  fp.maxDepth = sp.maxDepth;
  fp.maxGradient = sp.maxGradient;
  fp.minGradient = sp.minGradient;
  fp.gradientShapeFactor = sp.gradientShapeFactor;
  fp.maxManningN = sp.maxManningN;
  fp.minManningN = sp.minManningN;
  fp.nShapeFactor = sp.nShapeFactor;
  const float realisations = static_cast<float>(kRealisationCount);

  // The sections take their random numbers in realisation order first; the
  // stages of each section are then independent of the others and may be
  // computed side by side. Their sums and messages follow realisation order.
  std::vector<HydraulicSection> sections(kRealisationCount);
  for (HydraulicSection& section : sections) buildSection(state, layout, section, &charts.section);
  const int32_t stages = stageGridCount(fp.maxDepth);
  std::vector<StageResult> results(static_cast<std::size_t>(kRealisationCount) * static_cast<std::size_t>(stages));
  std::vector<KeptMessages> messages(kRealisationCount);
  forEachRealisation([&](int r) {
    realisationStages(sections[static_cast<std::size_t>(r)], fp, sp.macroRoughness, stages,
                      results.data() + static_cast<std::ptrdiff_t>(r) * stages, messages[static_cast<std::size_t>(r)]);
  });
  for (const KeptMessages& kept : messages)
    for (const auto& [caption, text] : kept.messages) ui.showMessage(caption, text);

  bool settled = true;
  float firstUnsettledStage = 0;
  for (int r = 0; r < kRealisationCount; ++r) {
    const StageResult* stage = results.data() + static_cast<std::ptrdiff_t>(r) * stages;
    float d = 0.0f;
    for (int32_t j = 0; j < stages; ++j) {
      d = nextStage(d);
      const float Q = stage[j].Q;
      const StageHabitat& habitat = stage[j].habitat;
      if (Q > state.hydraulics.stageDischargeHigh[j]) state.hydraulics.stageDischargeHigh[j] = Q;
      if (Q < state.hydraulics.stageDischargeLow[j]) state.hydraulics.stageDischargeLow[j] = Q;
      if (!habitat.settled && settled) {
        settled = false;
        firstUnsettledStage = d;
      }
      for (int c = 0; c < kHabitatClassCount; ++c)
        state.hydraulics.stageClassShare[c][j] = state.hydraulics.stageClassShare[c][j] + habitat.shares[c] / realisations;
      state.hydraulics.stageWidth[j] = state.hydraulics.stageWidth[j] + habitat.width / realisations;
      state.hydraulics.stageDischarge[j] = state.hydraulics.stageDischarge[j] + Q / realisations;
    }
  }
  state.hydraulics.stageCount = stages;
  if (state.hydraulics.stageCount > kMaxStageIndex) {
    state.hydraulics.stageCount = kMaxStageIndex;
    ui.showMessage(kHydraulicsCaption, "array bounds exceeded");
  }
  if (const auto where = resultWithoutNumber(state.hydraulics)) {
    const int revision = charts.section.revision;
    charts.section = sectionBefore;
    charts.section.revision = revision + 1;
    return refuseRunWithoutNumbers(state, before, *where, ui);
  }
  if (!settled)
    ui.showMessage(kHydraulicsCaption,
                   "The velocity distribution did not settle at the stage of " +
                       formatText("%.3f", firstUnsettledStage) +
                       " m (and perhaps others): the last distribution computed there was used");

  charting::Chart& chart = charts.stageDischarge;
  for (charting::Series& s : chart.series) s.clear();
  auto seriesAt = [&chart](int index) -> charting::Series* {
    return index < static_cast<int>(chart.series.size()) ? &chart.series[static_cast<std::size_t>(index)] : nullptr;
  };
  charting::Series* lower = seriesAt(kLowerEstimateSeries);
  charting::Series* upper = seriesAt(kUpperEstimateSeries);
  state.hydraulics.wetBaseflowDepth = 0.0f;
  state.hydraulics.dryBaseflowDepth = 0.0f;
  float d = 0.0f;
  for (int32_t j = 0; j < state.hydraulics.stageCount; ++j) {
    d = nextStage(d);
    if (lower != nullptr) lower->add(static_cast<double>(state.hydraulics.stageDischargeLow[j]), static_cast<double>(d));
    if (upper != nullptr) upper->add(static_cast<double>(state.hydraulics.stageDischargeHigh[j]), static_cast<double>(d));
    markBaseflowCrossings(state, j, seriesAt(kWetBaseflowSeries), seriesAt(kDryBaseflowSeries));
  }
  chart.changed();
  keepHabitatFile(state, habitatFileLines(state), ui);
  return true;
}

void setRealisationThreads(int threads) { realisationThreads.store(threads); }

std::optional<std::string> channelCapacityShortfall(HydraulicsView state) {
  if (state.hydraulics.stageCount < 1) return std::nullopt;
  float capacity = 0;
  for (int32_t j = 0; j < state.hydraulics.stageCount && j <= kMaxStageIndex; ++j)
    capacity = std::max(capacity, state.hydraulics.stageDischarge[j]);
  const bool wet = !(state.hydrology.maxBaseflowWet < capacity);
  if (!wet && state.hydrology.maxBaseflowDry < capacity) return std::nullopt;
  return formatText("The maximum baseflow of the critical %s month, %.3f m3/s, is not below the %.3f m3/s the channel "
                    "carries when full: no depth of the channel holds it, so the ecological, flood and final analyses "
                    "cannot be made. Check the channel's maximum width and depth (site parameters, hydraulics window) "
                    "and the unit of the flow record, then run again",
                    wet ? "wet" : "dry", wet ? state.hydrology.maxBaseflowWet : state.hydrology.maxBaseflowDry, capacity);
}

int32_t stageGridCount(float maxDepth) {
  float d = 0.0f;
  int32_t j = 0;
  for (;;) {
    d = nextStage(d);
    if (!(d < maxDepth) || j > kMaxStageIndex) return j;
    ++j;
  }
}

bool runSectionsOnly(HydraulicsParts state, Ui& ui, HydraulicsCharts& charts) {
  SectionLayout layout;
  if (!buildLayout(state, ui, layout)) return false;
  HydraulicSection section;
  for (int r = 1; r <= kRealisationCount; ++r) buildSection(state, layout, section, &charts.section);
  if (stageGridCount(state.site.siteParameters.maxDepth) > kMaxStageIndex)
    ui.showMessage(kHydraulicsCaption, "array bounds exceeded");
  charts.stageDischarge.changed();
  return true;
}

}  // namespace oewr::hydraulics
