#pragma once
// The smooth step of the model: the standard normal distribution function at
// 5 (x^p - 0.5), evaluated by Simpson's rule. The hydraulics, ecology and
// flood sub-models all use it.
namespace oewr {

// A value in (0, 1) for x in [0, 1] and p >= 0: about 0.006 at x = 0 and
// 0.994 at x = 1 (p > 0). NaN for a negative x with a fractional p.
float sCurve(float x, float p);

// The standard normal distribution function by composite Simpson's rule on
// eight intervals of [0, z].
float normalDistribution(float z);

// The same for `count` values at once: out[k] = normalDistribution(z[k]),
// and out[k] = sCurve(x[k], p). out may be the input array.
void normalDistributionBatch(const float* z, float* out, int count);
void sCurveBatch(const float* x, float p, float* out, int count);

}  // namespace oewr
