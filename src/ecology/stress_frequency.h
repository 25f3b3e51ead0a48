#pragma once
// Stress frequency curves: the stress of each year's critical-month flow
// through the flows-versus-stress table, sorted and smoothed into a duration
// curve per season and kind of flow (natural, present day, scenario), and the
// two-parameter fit of the natural and present-day curves that shapes the
// category curves.
#include <cstdint>
#include <memory>
#include <vector>

#include "ecology/ecology_work.h"
#include "ecology/ecology_state.h"

namespace oewr::ecology {

// The critical-month flows (m3/s) of a series, one per year in series order.
// Only the record's whole years count (the first count / 12 x 12 values),
// so that every season has one value a year. More than 121 whole years are
// refused with a ModelError naming the series.
struct SeasonValues {
  BoundedArray<YearValues, 0, 1> values;
  BoundedArray<int32_t, 0, 1> count;
};
SeasonValues seasonalFlows(const TimeSeries& series, int wetMonth, int dryMonth, const char* seriesName);

// The stress of a flow q (m3/s) in a season: 0 above the baseflow discharge,
// 10 at or below zero flow, otherwise interpolated in the table.
float stressOfFlow(EcologyView state, int season, float q);

// The centred 9-point moving average of n ascending values, each end
// extended with its end value.
void smoothStressCurve(const YearValues& sorted, int32_t n, YearValues& smoothed);

// The last position of a curve whose value is exactly 0; 0 when none.
int32_t zeroIndexOf(const YearValues& curve, int32_t n);

// The duration fraction of curve position u of n' positions,
// 1 - ((n' - u) x 100 / n') / 100, that is u / n'.
float durationFraction(int32_t u, int32_t nPrime);

// The shape values sCurve(durationFraction(u, n + t), p / 10) of the fit for
// one curve length n, kept for the curves of one run that share it. The
// values of one shape p are stored position by position, the offsets of a
// position side by side, so that the fit weighs every offset at once.
class ShapeTable {
 public:
  static constexpr int kFirstShape = 2;
  static constexpr int kShapeCount = 100;  // p = 2 .. 101
  static constexpr int kOffsetCount = 51;  // t = 0 .. 50
  // Offsets a position holds: kOffsetCount, and room for whole vector lanes.
  static constexpr int kOffsetStride = 56;
  // The values of shape p at positions u = start .. n - 1: the value of
  // offset t at position u is at [u * kOffsetStride + t].
  const float* shape(int32_t n, int32_t start, int p);

 private:
  void prepare(int32_t n, int32_t start);
  int32_t n_ = -1;
  int32_t from_ = 0;  // positions from_ .. n_ - 1 are computed
  std::unique_ptr<float[]> values_;
  std::size_t capacity_ = 0;
};

// The fit of the curve y[start .. n-1]: the shape p (2 .. 101) and offset t
// (0 .. 50) of ymin + (ymax - ymin) x sCurve(u / (n + t), p / 10) with the
// largest R² (the earlier pair on a tie). A flat curve, whose R² is 0/0,
// keeps the first pair (p = 2, t = 0).
CurveFit fitStressCurve(const YearValues& y, int32_t n, int32_t start, ShapeTable& shapes);

// The fit of the smoothed curve of a kind (0 natural, 1 present day) and season.
CurveFit fit_sfdc(EcologyView state, int kind, int season, int32_t n, int32_t start, ShapeTable& shapes);

// The whole phase: seasonal flows, stresses, flow duration curves, stress
// frequency curves and fits of every kind of flow present.
void do_stress_frequency(EcologyParts state, EcologyWork& work);

}  // namespace oewr::ecology
