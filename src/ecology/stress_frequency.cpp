#include "ecology/stress_frequency.h"

#include <algorithm>
#include <string>

#include "common/errors.h"
#include "ecology/flow_stress.h"
#include "model/s_curve.h"

namespace oewr::ecology {

SeasonValues seasonalFlows(const TimeSeries& series, int wetMonth, int dryMonth, const char* seriesName) {
  checkStartMonth(series, seriesName);
  SeasonValues out;
  const int32_t wholeYears = series.header.count / 12;
  if (wholeYears > kMaxRanks)
    throw ModelError(std::string("The ") + seriesName + " hold " + std::to_string(wholeYears) +
                     " whole years; the ecological sub-model takes at most " + std::to_string(kMaxRanks));
  int month = series.header.startMonth;
  for (int32_t i = 0; i < wholeYears * 12; ++i) {
    if (month == wetMonth) out.values[kWet][out.count[kWet]++] = monthlyFlowRate(series.values[i], month);
    if (month == dryMonth) out.values[kDry][out.count[kDry]++] = monthlyFlowRate(series.values[i], month);
    month = month == 12 ? 1 : month + 1;
  }
  return out;
}

float stressOfFlow(EcologyView state, int season, float q) {
  const auto& f = state.ecology.stressFlow[season];
  if (q > f[0]) return 0.0f;
  if (q <= 0.0f) return 10.0f;
  for (int j = 0; j <= 19; ++j)
    if (f[j] >= q && q > f[j + 1]) return 0.5f * (static_cast<float>(j) + (f[j] - q) / (f[j] - f[j + 1]));
  return 10.0f;  // not reached: the table descends from f[0] to zero flow
}

void smoothStressCurve(const YearValues& sorted, int32_t n, YearValues& smoothed) {
  if (n < 1) return;
  const float first = sorted[0];
  const float last = sorted[n - 1];
  for (int32_t j = 0; j < n; ++j) {
    const int32_t lo = j - 4;
    const int32_t hi = j + 4;
    float sum = 0.0f;
    if (lo < 0) sum += static_cast<float>(-lo) * first;
    if (hi > n - 1) sum += static_cast<float>(hi - (n - 1)) * last;
    for (int32_t u = std::max(lo, 0); u <= std::min(hi, n - 1); ++u) sum += sorted[u];
    smoothed[j] = sum / 9.0f;
  }
}

int32_t zeroIndexOf(const YearValues& curve, int32_t n) {
  int32_t z = 0;
  for (int32_t j = 0; j < n; ++j)
    if (curve[j] == 0.0f) z = j;
  return z;
}

float durationFraction(int32_t u, int32_t nPrime) {
  const double pct = static_cast<double>((nPrime - u) * 100) / static_cast<double>(nPrime);
  return static_cast<float>(1.0 - pct / 100.0);
}

void ShapeTable::prepare(int32_t n, int32_t start) {
  const std::size_t rows = static_cast<std::size_t>(n) * kOffsetStride;
  if (n != n_) {
    // Positions below from_ are never read, so the table is not cleared; its
    // storage is kept from one curve length to the next.
    const std::size_t size = static_cast<std::size_t>(kShapeCount) * rows;
    if (size > capacity_) {
      values_.reset(new float[size]);
      capacity_ = size;
    }
    n_ = n;
    from_ = n;
  }
  if (start >= from_) return;
  // The duration fractions of the new positions, the same for every shape;
  // the padding lanes hold a fraction of 1 and are never read.
  const std::size_t first = static_cast<std::size_t>(start) * kOffsetStride;
  const std::size_t count = static_cast<std::size_t>(from_ - start) * kOffsetStride;
  std::vector<float> fractions(count, 1.0f);
  for (int32_t u = start; u < from_; ++u)
    for (int t = 0; t < kOffsetCount; ++t)
      fractions[static_cast<std::size_t>(u - start) * kOffsetStride + static_cast<std::size_t>(t)] =
          durationFraction(u, n + t);
  for (int p = 0; p < kShapeCount; ++p) {
    const float e = static_cast<float>(p + kFirstShape) / 10.0f;
    sCurveBatch(fractions.data(), e, values_.get() + static_cast<std::size_t>(p) * rows + first,
                static_cast<int>(count));
  }
  from_ = start;
}

const float* ShapeTable::shape(int32_t n, int32_t start, int p) {
  prepare(n, start);
  return values_.get() + static_cast<std::size_t>(p - kFirstShape) * static_cast<std::size_t>(n) * kOffsetStride;
}

namespace {

constexpr int kLanes = ShapeTable::kOffsetStride;

// For every offset t, the sums over positions u = start .. n - 1 of m and
// y[u] m, m = ymin + range x shape[u][t], each in position order as a single
// sum would be made; no product is fused with a sum.
[[gnu::always_inline]] inline void fitSums(const float* shape, const float* y, int32_t n, int32_t start,
                                           double ymin, double range, double* smm, double* sym) {
  for (int t = 0; t < kLanes; ++t) smm[t] = sym[t] = 0.0;
  for (int32_t u = start; u < n; ++u) {
    const float* row = shape + static_cast<std::size_t>(u) * kLanes;
    const double yu = y[u];
    for (int t = 0; t < kLanes; ++t) {
      const double m = ymin + range * static_cast<double>(row[t]);
      smm[t] += m * m;
      sym[t] += yu * m;
    }
  }
}

using FitSums = void (*)(const float*, const float*, int32_t, int32_t, double, double, double*, double*);

__attribute__((optimize("fp-contract=off", "tree-vectorize"))) void fitSumsPlain(
    const float* shape, const float* y, int32_t n, int32_t start, double ymin, double range, double* smm,
    double* sym) {
  fitSums(shape, y, n, start, ymin, range, smm, sym);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx512f"), optimize("fp-contract=off", "tree-vectorize"))) void fitSumsAvx512(
    const float* shape, const float* y, int32_t n, int32_t start, double ymin, double range, double* smm,
    double* sym) {
  fitSums(shape, y, n, start, ymin, range, smm, sym);
}
#endif

FitSums chooseFitSums() {
#if defined(__x86_64__) && defined(__GNUC__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) return fitSumsAvx512;
#endif
  return fitSumsPlain;
}

}  // namespace

CurveFit fitStressCurve(const YearValues& y, int32_t n, int32_t start, ShapeTable& shapes) {
  CurveFit fit;  // p = 2, t = 0
  if (n < 1 || start < 0 || start >= n) return fit;
  double ymax = 0.0;
  double ymin = 20.0;
  double sy = 0.0;
  double syy = 0.0;
  for (int32_t u = start; u < n; ++u) {
    const double v = y[u];
    ymax = std::max(ymax, v);
    ymin = std::min(ymin, v);
    sy += v;
    syy += v * v;
  }
  // R² over the curve's spread; n is the full count, not n - start.
  const double spread = syy - sy * sy / static_cast<double>(n);
  if (!(spread > 0.0)) return fit;  // a flat curve: R² would be 0/0
  const double range = ymax - ymin;
  static const FitSums sums = chooseFitSums();
  alignas(64) double smm[kLanes];
  alignas(64) double sym[kLanes];
  double best = -90000000.0;
  for (int p = ShapeTable::kFirstShape; p < ShapeTable::kFirstShape + ShapeTable::kShapeCount; ++p) {
    sums(shapes.shape(n, start, p), y.data(), n, start, ymin, range, smm, sym);
    for (int t = 0; t < ShapeTable::kOffsetCount; ++t) {
      const double r2 = 1.0 - (syy + smm[t] - 2.0 * sym[t]) / spread;
      if (r2 > best) {
        best = r2;
        fit.shape = static_cast<float>(p);
        fit.offset = t;
      }
    }
  }
  return fit;
}

CurveFit fit_sfdc(EcologyView state, int kind, int season, int32_t n, int32_t start, ShapeTable& shapes) {
  return fitStressCurve(state.ecology.stressSeries[season][kind], n, start, shapes);
}

namespace {

const char* kindSeriesName(int kind) {
  return kind == kNatural ? "natural flows" : kind == kPresentDay ? "present day flows" : "scenario flows";
}

const TimeSeries& seriesOfKind(EcologyView state, int kind) {
  return kind == kNatural ? state.site.naturalFlows : kind == kPresentDay ? state.site.presentFlows : state.site.scenarioFlows;
}

}  // namespace

void do_stress_frequency(EcologyParts state, EcologyWork& work) {
  // The shape values depend on the curve length alone: kept for the next
  // run of this thread (the window's opening and each of its runs).
  static thread_local ShapeTable shapes;
  for (int kind = 0; kind < kFlowKindCount; ++kind) {
    const TimeSeries& series = seriesOfKind(state, kind);
    work.kindPresent[kind] = kind == kNatural || series.header.count >= 1;
    for (int s = 0; s < 2; ++s) {
      work.yearCount[kind][s] = 0;
      work.zeroIndex[kind][s] = 0;
      state.ecology.stressSeriesCount[s][kind] = 0;
      state.ecology.stressSeries[s][kind].fill(0.0f);
      if (kind < kFittedKindCount) {
        state.ecology.fitShape[kind][s] = 2.0f;
        state.ecology.fitOffset[kind][s] = 0;
      }
    }
    if (!work.kindPresent[kind]) continue;

    const SeasonValues flows = seasonalFlows(series, state.hydrology.criticalWetMonth, state.hydrology.criticalDryMonth,
                                             kindSeriesName(kind));
    if (kind == kNatural && (flows.count[kWet] < 1 || flows.count[kDry] < 1))
      throw ModelError("The natural flows hold no whole year: the ecological sub-model needs at least one");
    for (int s = 0; s < 2; ++s) {
      const int32_t n = flows.count[s];
      work.yearCount[kind][s] = n;
      state.ecology.stressSeriesCount[s][kind] = n;
      YearValues& stress = state.ecology.stressSeries[s][kind];
      for (int32_t y = 0; y < n; ++y) stress[y] = stressOfFlow(state, s, flows.values[s][y]);

      YearValues& sortedFlows = work.seasonFlows[kind][s];
      sortedFlows = flows.values[s];
      std::sort(sortedFlows.begin(), sortedFlows.begin() + n);

      YearValues sorted = stress;
      std::sort(sorted.begin(), sorted.begin() + n);
      smoothStressCurve(sorted, n, stress);
      work.zeroIndex[kind][s] = zeroIndexOf(stress, n);
      if (kind < kFittedKindCount) {
        const CurveFit fit = fit_sfdc(state, kind, s, n, work.zeroIndex[kind][s], shapes);
        state.ecology.fitShape[kind][s] = fit.shape;
        state.ecology.fitOffset[kind][s] = fit.offset;
      }
    }
  }
}

}  // namespace oewr::ecology
