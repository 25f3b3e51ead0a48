#include "ecology/flow_stress.h"

#include <cmath>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr::ecology {

namespace {

constexpr int kClassFVS = 3;
constexpr int kClassFS = 4;
constexpr int kClassFI = 5;
constexpr int kClassFD = 6;

const char* seasonName(int season) { return season == kWet ? "wet" : "dry"; }

std::string capitalSeasonName(int season) { return season == kWet ? "Wet" : "Dry"; }

int checkedCalendarMonth(int month, const char* what) {
  if (month < 1 || month > 12)
    throw ModelError(std::string("The ") + what + " is " + std::to_string(month) +
                     ", not a month 1 to 12: choose the critical months in the hydrology sub-model first");
  return month;
}

}  // namespace

float monthlyFlowRate(float volume, int calendarMonth) {
  const int days = kMonthDays[static_cast<std::size_t>(calendarMonth - 1)];
  return volume * 1000000.0f / static_cast<float>(days * 24 * 3600);
}

void checkStartMonth(const TimeSeries& series, const char* seriesName) {
  const int m = series.header.startMonth;
  if (m < 1 || m > 12)
    throw ModelError(std::string("The ") + seriesName + " start in month " + std::to_string(m) +
                     ", not a month 1 to 12");
}

BoundedArray<float, 0, 1> countZeroFlows(const ModelState& state) {
  const TimeSeries& nat = state.site.naturalFlows;
  checkStartMonth(nat, "natural flows");
  const int wet = checkedCalendarMonth(state.hydrology.criticalWetMonth, "critical wet month");
  const int dry = checkedCalendarMonth(state.hydrology.criticalDryMonth, "critical dry month");
  BoundedArray<float, 0, 1> count;
  int month = nat.header.startMonth;
  for (int32_t i = 0; i < nat.header.count; ++i) {
    if (month == wet || month == dry) {
      const float q = monthlyFlowRate(nat.values[i], month);
      if (q < 0.0001f) {
        if (month == wet) count[kWet] += 1.0f;
        if (month == dry) count[kDry] += 1.0f;
      }
    }
    month = month == 12 ? 1 : month + 1;
  }
  return count;
}

void applyDefaultWeights(ModelState& state, const BoundedArray<float, 0, 1>& zeroFlowCount) {
  const float n = static_cast<float>(state.site.naturalFlows.header.count);
  for (int s = 0; s < 2; ++s) {
    const float w = state.site.fsWeight[s] + state.site.fiWeight[s] + state.site.fdWeight[s];
    if (w >= 0.1f) continue;
    state.site.fiWeight[s] = 1.0f;
    // The zero-flow count is divided by the number of months of the record.
    if (s == kWet) {
      state.site.fsWeight[s] = 2.0f;
      state.site.stressAtZeroFs[s] = 9.0f - 4.0f * zeroFlowCount[s] / n;
    } else {
      state.site.fsWeight[s] = 3.0f;
      state.site.stressAtZeroFs[s] = 5.0f - 4.0f * zeroFlowCount[s] / n;
    }
  }
}

int32_t baseflowStageOf(const ModelState& state, int season) {
  const int32_t b = season == kWet ? state.hydraulics.wetBaseflowStage : state.hydraulics.dryBaseflowStage;
  if (state.hydraulics.stageCount < 1)
    throw ModelError("No rating curve has been computed: complete the hydraulic analysis first");
  if (b < 0 || b >= state.hydraulics.stageCount)
    throw ModelError("The " + std::string(seasonName(season)) + " season's maximum baseflow stage " +
                     std::to_string(b) + " lies outside the " + std::to_string(state.hydraulics.stageCount) +
                     " stages of the rating curve");
  if (b > kMaxCurveStage)
    throw ModelError("The " + std::string(seasonName(season)) + " season's maximum baseflow lies at stage " +
                     std::to_string(b) + ", above the " + std::to_string(kMaxCurveStage) +
                     " stages the stress curve holds: the channel is too large for the flow-stress relationship");
  return b;
}

HabitatMaxima scanHabitatMaxima(const ModelState& state, int32_t b) {
  HabitatMaxima m;
  m.iFI = m.iFS = m.iFVS = b;
  const auto& share = state.hydraulics.stageClassShare;
  for (int32_t i = b; i >= 0; --i) {
    if (share[kClassFI][i] > m.maxFI) {
      m.maxFI = share[kClassFI][i];
      m.iFI = i;
    }
    if (share[kClassFS][i] > m.maxFS) {
      m.maxFS = share[kClassFS][i];
      m.iFS = i;
    }
    if (share[kClassFVS][i] > m.maxFVS) {
      m.maxFVS = share[kClassFVS][i];
      m.iFVS = i;
    }
  }
  return m;
}

bool hasFastHabitat(float fdAtBaseflow, const HabitatMaxima& maxima) {
  return fdAtBaseflow + maxima.maxFI + maxima.maxFS >= kFastHabitatThreshold;
}

namespace {

// Relative loss of one class below its maximum at stage `top`: 0 above that
// stage, never decreasing below it.
void classLoss(const hydraulics::StageArray& share, int32_t b, int32_t top, float maximum, StageCurve& rel) {
  for (int32_t i = b; i >= 0; --i) {
    if (i > top) {
      rel[i] = 0.0f;
      continue;
    }
    rel[i] = maximum > 0.0f ? 1.0f - share[i] / maximum : 0.0f;
    if (i < top && rel[i] < rel[i + 1]) rel[i] = rel[i + 1];
  }
}

}  // namespace

void relativeLosses(const ModelState& state, int32_t b, const HabitatMaxima& maxima, RelativeLosses& out) {
  const auto& share = state.hydraulics.stageClassShare;
  const float fdb = share[kClassFD][b];
  out.fdRatio = -9.0f;
  for (int32_t i = b; i >= 0; --i) {
    out.relFD[i] = fdb > 0.0f ? 1.0f - share[kClassFD][i] / fdb : 0.0f;
    if (i < b && out.relFD[i] < out.relFD[i + 1]) out.relFD[i] = out.relFD[i + 1];
    if (out.fdRatio < 0.0f && fdb > 0.0f && share[kClassFD][i] == 0.0f)
      out.fdRatio = state.hydraulics.stageDischarge[i] / state.hydraulics.stageDischarge[b];
  }
  classLoss(share[kClassFI], b, maxima.iFI, maxima.maxFI, out.relFI);
  classLoss(share[kClassFS], b, maxima.iFS, maxima.maxFS, out.relFS);
}

float fdBaseStress(float fdAtBaseflow, float fdWeight, float fdRatio) {
  if (fdAtBaseflow <= 0.0f) return 0.0f;
  if (fdWeight <= 0.0f) return 3.0f;
  if (fdRatio >= 0.75f) return 1.0f;
  if (fdRatio >= 0.5f) return 1.5f;
  if (fdRatio >= 0.25f) return 2.5f;
  return 3.0f;  // also r = -9: FD never vanishes
}

float correctWeights(ModelState& state, int season, float fdAtBaseflow, const HabitatMaxima& maxima) {
  if (fdAtBaseflow <= 0.0f) state.site.fdWeight[season] = 0.0f;
  if (maxima.maxFI <= 0.0f) state.site.fiWeight[season] = 0.0f;
  if (maxima.maxFS <= 0.0f) state.site.fsWeight[season] = 0.0f;
  return state.site.fdWeight[season] + state.site.fiWeight[season] + state.site.fsWeight[season];
}

float weightedStressCurve(const ModelState& state, int season, int32_t b, const RelativeLosses& losses, float F,
                          float W, StageCurve& curve) {
  const float s0 = state.site.stressAtZeroFs[season];
  const float fd = state.site.fdWeight[season];
  const float fi = state.site.fiWeight[season];
  const float fs = state.site.fsWeight[season];
  float qLow = state.hydraulics.stageDischarge[b];
  for (int32_t i = b; i >= 0; --i) {
    curve[i] = ((s0 - F) * fd / W + F) * losses.relFD[i] + (s0 - F) * losses.relFI[i] * fi / W +
               (s0 - F) * losses.relFS[i] * fs / W;
    if (losses.relFS[i] < 1.0f) qLow = state.hydraulics.stageDischarge[i];
  }
  return qLow;
}

float noFastHabitatCurve(ModelState& state, int season, int32_t b, const HabitatMaxima& maxima, StageCurve& curve) {
  state.site.stressAtZeroFs[season] = 9.0f;
  const auto& fvs = state.hydraulics.stageClassShare[kClassFVS];
  float qLow = state.hydraulics.stageDischarge[b];
  for (int32_t i = b; i >= 0; --i) {
    if (i > maxima.iFVS) {
      curve[i] = 0.0f;
    } else {
      curve[i] = maxima.maxFVS > 0.0f ? (1.0f - fvs[i] / maxima.maxFVS) * 10.0f : 0.0f;
      if (i < maxima.iFVS && curve[i] < curve[i + 1]) curve[i] = curve[i + 1];
    }
    if (curve[i] < 10.0f) qLow = state.hydraulics.stageDischarge[i];
  }
  return qLow;
}

int32_t zeroFsLevel(float stressAtZeroFs) {
  const double k = std::floor(2.0 * static_cast<double>(stressAtZeroFs) + 0.5);
  if (!(k >= 1.0)) return 1;  // also NaN
  if (k > 19.0) return 19;
  return static_cast<int32_t>(k);
}

void buildStressTable(ModelState& state, int season, int32_t b, const StageCurve& curve, float qLow) {
  auto& flow = state.ecology.stressFlow[season];
  auto& level = state.ecology.stressLevel[season];
  flow[0] = state.hydraulics.stageDischarge[b];
  level[0] = 0.0f;
  flow[20] = 0.0f;
  level[20] = 10.0f;

  const int32_t k = zeroFsLevel(state.site.stressAtZeroFs[season]);
  flow[k] = qLow;
  level[k] = static_cast<float>(k) / 2.0f;
  // A straight line from Qlow at level k to zero flow at stress 10.
  for (int32_t j = k + 1; j <= 19; ++j) {
    level[j] = static_cast<float>(j) / 2.0f;
    flow[j] = qLow - qLow * static_cast<float>(j - k) / static_cast<float>(20 - k);
  }
  // Below k the flows are read off the stress curve, which rises from 0 at
  // the baseflow stage as the stage falls. A level the curve never reaches
  // before stage 0 takes Qlow, the flow of level k.
  for (int32_t j = 1; j <= k - 1; ++j) {
    const float stress = static_cast<float>(j) / 2.0f;
    level[j] = stress;
    flow[j] = qLow;
    for (int32_t i = 0; i < b; ++i) {
      if (curve[i] >= stress && stress > curve[i + 1]) {
        const float q0 = state.hydraulics.stageDischarge[i];
        const float q1 = state.hydraulics.stageDischarge[i + 1];
        flow[j] = curve[i] != curve[i + 1] ? q0 + (q1 - q0) * (curve[i] - stress) / (curve[i] - curve[i + 1]) : q0;
        break;
      }
    }
  }
  // The table descends with stress: a flow below that of the next higher
  // level (a level read off the curve below Qlow) is lifted to it.
  for (int32_t j = 19; j >= 0; --j)
    if (flow[j] < flow[j + 1]) flow[j] = flow[j + 1];
}

void do_flow_stress(ModelState& state, EcologyWork& work) {
  if (state.site.naturalFlows.header.count < 1)
    throw ModelError("There are no natural flows: the ecological sub-model needs the natural monthly flows");
  if (auto why = channelCapacityShortfall(state)) throw ModelError(*why);
  work.zeroFlowCount = countZeroFlows(state);
  applyDefaultWeights(state, work.zeroFlowCount);

  for (int s = 0; s < 2; ++s) {
    SeasonHabitat& h = work.habitat[s];
    h = SeasonHabitat{};
    const int32_t b = baseflowStageOf(state, s);
    h.baseflowStage = b;
    h.fdAtBaseflow = state.hydraulics.stageClassShare[kClassFD][b];
    h.maxima = scanHabitatMaxima(state, b);
    work.stressCurve.fill(0.0f);
    if (hasFastHabitat(h.fdAtBaseflow, h.maxima)) {
      RelativeLosses losses;
      relativeLosses(state, b, h.maxima, losses);
      h.fdRatio = losses.fdRatio;
      h.fdBaseStress = fdBaseStress(h.fdAtBaseflow, state.site.fdWeight[s], losses.fdRatio);
      const float W = correctWeights(state, s, h.fdAtBaseflow, h.maxima);
      if (!(W > 0.0f))
        throw ModelError(capitalSeasonName(s) +
                         " season: the stress weights of the fast habitats that occur (FS, FI, FD) add up to " +
                         formatText("%.1f", W) +
                         "; enter a weight above 0 for a habitat present at the maximum baseflow (Edit Stress "
                         "Weights)");
      h.qLow = weightedStressCurve(state, s, b, losses, h.fdBaseStress, W, work.stressCurve);
    } else {
      h.noFastHabitat = true;
      h.qLow = noFastHabitatCurve(state, s, b, h.maxima, work.stressCurve);
    }
    buildStressTable(state, s, b, work.stressCurve, h.qLow);
  }
}

}  // namespace oewr::ecology
