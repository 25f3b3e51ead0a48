#include "ecology/category_shifts.h"

#include <algorithm>
#include <cmath>

#include "common/errors.h"
#include "ecology/stress_frequency.h"
#include "model/s_curve.h"

namespace oewr::ecology {

const std::array<float, 7> kCategoryFactor = {0.1f, 0.2f, 0.3f, 0.45f, 0.6f, 0.8f, 1.0f};

namespace {

constexpr int kCategoryD = 6;
constexpr int kClassFS = 4;
constexpr int kClassFI = 5;
constexpr int kClassFD = 6;

float factor(int c) { return kCategoryFactor[static_cast<std::size_t>(c)]; }

// Discharge of the lowest stage (0 upwards to b) whose share of a class
// reaches `threshold`.
float lowestStageReaching(EcologyView state, int habitatClass, int32_t b, float threshold) {
  const auto& share = state.hydraulics.stageClassShare[habitatClass];
  for (int32_t i = 0; i <= b; ++i)
    if (share[i] >= threshold) return state.hydraulics.stageDischarge[i];
  return state.hydraulics.stageDischarge[b];
}

}  // namespace

CurveRange curveRange(const YearValues& curve, int32_t n) {
  CurveRange r;
  if (n < 1) return r;
  r.largest = r.smallest = curve[0];
  for (int32_t j = 1; j < n; ++j) {
    r.largest = std::max(r.largest, curve[j]);
    r.smallest = std::min(r.smallest, curve[j]);
  }
  return r;
}

float zeroFlowFraction(const YearValues& curve, int32_t n) {
  for (int32_t k = n - 1; k >= 0; --k)
    if (curve[k] < 10.0f) return static_cast<float>(n - k - 1) / static_cast<float>(n);
  return 1.0f;
}

float stressOfHabitatFlow(EcologyView state, int season, float q) {
  const auto& flow = state.ecology.stressFlow[season];
  const auto& level = state.ecology.stressLevel[season];
  // Level 20 (zero flow) completes the search for a flow below level 19.
  for (int j = 1; j <= 20; ++j) {
    if (q >= flow[j]) {
      const float span = flow[j - 1] - flow[j];
      if (!(span > 0.0f)) return level[j - 1];
      return level[j - 1] + (level[j] - level[j - 1]) * (flow[j - 1] - q) / span;
    }
  }
  return 10.0f;  // a negative flow
}

float caseB2High(EcologyView state, int season, const SeasonHabitat& h, Ui& ui, const std::string& caption) {
  if (h.noFastHabitat) return state.site.stressAtZeroFs[season];
  const int32_t b = h.baseflowStage;
  float q;
  if (h.fdAtBaseflow > 1.0f && state.site.fdWeight[season] > 0.0f) {
    q = lowestStageReaching(state, kClassFD, b, 0.1f * h.fdAtBaseflow);
  } else if (h.maxima.maxFI > 1.0f && state.site.fiWeight[season] > 0.0f) {
    q = lowestStageReaching(state, kClassFI, b, 0.1f * h.maxima.maxFI);
  } else if (h.maxima.maxFS > 1.0f && state.site.fsWeight[season] > 0.0f) {
    q = lowestStageReaching(state, kClassFS, b, 0.1f * h.maxima.maxFS);
  } else {
    ui.showMessage(caption, kNoFastHabitats);
    q = state.ecology.defaultHighShift[season][kCategoryD];
  }
  return stressOfHabitatFlow(state, season, q);
}

void defaultShifts(EcologyParts state, const EcologyWork& work, Ui& ui, const std::string& caption) {
  for (int s = 0; s < 2; ++s) {
    const YearValues& curve = state.ecology.stressSeries[s][kNatural];
    const int32_t n = work.yearCount[kNatural][s];
    const CurveRange range = curveRange(curve, n);
    const float M = range.largest;
    const float m = range.smallest;
    const float s0 = state.site.stressAtZeroFs[s];
    auto& high = state.ecology.defaultHighShift[s];
    auto& low = state.ecology.defaultLowShift[s];
    if (work.zeroFlowCount[s] != 0.0f && M >= 10.0f) {
      // Case A: zero flows occur.
      const float z = zeroFlowFraction(curve, n);
      const float D = std::min(1.5f * z, 1.0f);
      for (int c = 0; c < kCategoryCount; ++c) {
        high[c] = 10.0f + z + (D - z) * factor(c);
        low[c] = 5.0f * factor(c);
      }
    } else if (M >= s0) {
      // Case B1: category D reaches stress 10.
      low[kCategoryD] = 0.5f * M;
      for (int c = 0; c < kCategoryCount; ++c) {
        high[c] = M + (10.0f - M) * factor(c);
        low[c] = m + (0.5f * M - m) * factor(c);
      }
    } else {
      // Case B2: category D stops where the fast habitats vanish.
      float H = caseB2High(state, s, work.habitat[s], ui, caption);
      if (H < M) H = 10.0f;
      high[kCategoryD] = H;
      low[kCategoryD] = 0.5f * M;
      for (int c = 0; c < kCategoryD; ++c) {
        high[c] = M + (H - M) * factor(c);
        low[c] = m + (0.5f * M - m) * factor(c);
      }
    }
  }
}

bool shiftsDifferFromDefaults(EcologyView state) {
  for (int s = 0; s < 2; ++s)
    for (int c = 0; c < kCategoryCount; ++c)
      if (std::fabs(state.site.highShift[s][c] - state.ecology.defaultHighShift[s][c]) > 0.001f ||
          std::fabs(state.site.lowShift[s][c] - state.ecology.defaultLowShift[s][c]) > 0.001f)
        return true;
  return false;
}

void alignShifts(EcologyParts state, int season, int alignOption, float P, float N) {
  const int k = alignOption - 1;
  if (k < 0 || k >= kCategoryCount) throw RangeError("Range check error: alignment option " + std::to_string(alignOption));
  auto& high = state.site.highShift[season];
  auto& low = state.site.lowShift[season];
  const auto& defHigh = state.ecology.defaultHighShift[season];
  const auto& defLow = state.ecology.defaultLowShift[season];
  high[k] = P;
  low[kCategoryD] = 0.5f * P;
  const float d = low[kCategoryD] - defLow[kCategoryD];
  for (int c = 0; c < kCategoryCount; ++c) {
    low[c] = defLow[c] + d;
    if (c != k) high[c] = P + defHigh[c] - defHigh[k];
  }
  if (high[0] < N) {
    for (int c = 0; c < k; ++c) {
      float v = N + (P - N) * factor(c) / factor(k);
      if (v > 10.0f) v = 10.0f + (v - 10.0f) / 10.0f;
      high[c] = v;
    }
  }
}

void applyPerenniality(SeasonCategoryValues& categoryHigh, int perennialOption) {
  if (perennialOption != 1 && perennialOption != 2) return;
  const int lastSeason = perennialOption == 1 ? kWet : kDry;
  for (int s = 0; s <= lastSeason; ++s)
    for (int c = 0; c < kCategoryCount; ++c)
      if (categoryHigh[s][c] > 10.0f) categoryHigh[s][c] = 9.9f;
}

int32_t categoryCurveEnd(int32_t n, float high) {
  if (n < 1) return 0;
  int32_t K = n - 1;
  if (high > 10.0f) {
    const float atTen = static_cast<float>(n) * (high - 10.0f);
    const double k = static_cast<double>(n) - std::floor(static_cast<double>(atTen) + 0.5);
    K = k < 0.0 ? 0 : k > static_cast<double>(n - 1) ? n - 1 : static_cast<int32_t>(k);
  }
  return K;
}

void categoryCurve(int32_t n, float high, float low, const CurveFit& fit, YearValues& curve) {
  if (n < 1) return;
  const int32_t K = categoryCurveEnd(n, high);
  const float top = high > 10.0f ? 10.0f : high;
  const int32_t nPrime = K + 1 + fit.offset;
  const float e = fit.shape / 10.0f;
  for (int32_t r = 0; r < n; ++r)
    curve[r] = r <= K ? low + (top - low) * sCurve(durationFraction(r, nPrime), e) : 10.0f;
  // Position K reaches the top exactly; with K = 0 the curve is its top.
  if (K == 0) {
    curve[0] = top;
    return;
  }
  const float gap = top - curve[K];
  for (int32_t r = 0; r <= K; ++r) curve[r] += gap * static_cast<float>(r) / static_cast<float>(K);
}

float QSInterp(EcologyView state, int season, float v) {
  const auto& f = state.ecology.stressFlow[season];
  const float stress = std::clamp(v, 0.0f, 10.0f);
  float flow = f[20];
  for (int j = 1; j <= 20; ++j) {
    const float upper = static_cast<float>(j) / 2.0f;
    const float lower = upper - 0.5f;
    if (lower <= stress && stress <= upper)
      flow = f[j - 1] + (f[j] - f[j - 1]) * (stress - static_cast<float>(j - 1) / 2.0f) / 0.5f;
  }
  return flow;
}

void do_category_shifts(EcologyParts state, EcologyWork& work, int perennialOption, int alignOption, Ui& ui,
                        const std::string& caption) {
  defaultShifts(state, work, ui, caption);

  if (shiftsDifferFromDefaults(state)) state.ecology.shiftsAltered = true;
  if (!state.ecology.shiftsAltered) {
    state.site.highShift = state.ecology.defaultHighShift;
    state.site.lowShift = state.ecology.defaultLowShift;
  }

  work.aligned = state.ecology.shiftsAltered && alignOption >= 1;
  if (work.aligned) {
    if (work.yearCount[kPresentDay][kWet] < 1 || work.yearCount[kPresentDay][kDry] < 1)
      throw ModelError("No Present Day flows of a whole year: the maximum stress cannot be aligned to Present Day");
    state.site.alignStressOption = alignOption;
  }
  for (int s = 0; s < 2; ++s) {
    if (!state.ecology.shiftsAltered) {
      work.categoryHigh[s] = state.ecology.defaultHighShift[s];
      work.categoryLow[s] = state.ecology.defaultLowShift[s];
    } else {
      if (work.aligned) {
        // Each kind's maximum stress sits at the last position of its own curve.
        const float P = state.ecology.stressSeries[s][kPresentDay][work.yearCount[kPresentDay][s] - 1];
        const float N = state.ecology.stressSeries[s][kNatural][work.yearCount[kNatural][s] - 1];
        alignShifts(state, s, alignOption, P, N);
      }
      work.categoryHigh[s] = state.site.highShift[s];
      work.categoryLow[s] = state.site.lowShift[s];
    }
    const int fitKind = work.aligned ? kPresentDay : kNatural;
    work.fitInForce[s] = CurveFit{state.ecology.fitShape[fitKind][s], state.ecology.fitOffset[fitKind][s]};
  }

  applyPerenniality(work.categoryHigh, perennialOption);

  for (int s = 0; s < 2; ++s) {
    // The category curves follow the natural record, whose flows cap them rank by rank.
    const int32_t n = work.yearCount[kNatural][s];
    work.curveCount[s] = n;
    const YearValues& natural = work.naturalSeasonFlows(s);
    const int month = hydroMonthIndex(s == kWet ? state.hydrology.criticalWetMonth : state.hydrology.criticalDryMonth);
    for (int c = 0; c < kCategoryCount; ++c) {
      YearValues& curve = work.categoryCurve[s][c];
      YearValues& flows = work.categoryFlows[s][c];
      curve.fill(0.0f);
      flows.fill(0.0f);
      categoryCurve(n, work.categoryHigh[s][c], work.categoryLow[s][c], work.fitInForce[s], curve);
      for (int32_t r = 0; r < n; ++r) {
        const float q = QSInterp(state, s, curve[n - 1 - r]);
        flows[n - 1 - r] = std::min(q, natural[r]);
      }
      for (int32_t r = 0; r < n; ++r) state.ecology.ecoLowReq[month][c][r] = flows[n - 1 - r];
    }
    state.ecology.ecoRankCount[s] = n;
  }
}

}  // namespace oewr::ecology
