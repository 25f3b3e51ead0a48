#include "model/s_curve.h"

#include <algorithm>
#include <cmath>

#include "common/batch_math.h"

namespace oewr {

namespace {

// Simpson weights 1, 4, 2, 4, 2, 4, 2, 4, 1 at the nodes t = i / 8. The
// node t = 0 contributes exp(-0) = 1 exactly; 60.15908 = 24 sqrt(2 pi).
constexpr int kNodes = 8;
constexpr float kNode[kNodes] = {0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f, 1.0f};
constexpr float kWeight[kNodes] = {4.0f, 2.0f, 4.0f, 2.0f, 4.0f, 2.0f, 4.0f, 1.0f};

void simpsonArguments(float z, float* e) {
  for (int i = 0; i < kNodes; ++i) {
    const float tz = kNode[i] * z;
    e[i] = -0.5f * (tz * tz);
  }
}

// The sum in node order from the exponentials of the nodes.
float simpsonSum(float z, const float* e) {
  float sum = 1.0f;
  for (int i = 0; i < kNodes; ++i) sum += kWeight[i] * e[i];
  return 0.5f + z * sum / 60.15908f;
}

}  // namespace

float normalDistribution(float z) {
  float e[kNodes];
  simpsonArguments(z, e);
  expBatch(e, e, kNodes);
  return simpsonSum(z, e);
}

namespace {

// The normal distribution of up to kChunk values: the arguments node by
// node, each node's values side by side, so that every step runs on many
// values at once; each value's sum still takes its terms in node order, and
// no product is fused with a sum.
constexpr int kChunk = 32;

[[gnu::always_inline]] inline void normalChunk(const float* z, float* out, int n) {
  alignas(64) float zs[kChunk];
  alignas(64) float e[kNodes * kChunk];
  alignas(64) float sum[kChunk];
  for (int k = 0; k < kChunk; ++k) zs[k] = k < n ? z[k] : 0.0f;
  for (int i = 0; i < kNodes; ++i)
    for (int k = 0; k < kChunk; ++k) {
      const float tz = kNode[i] * zs[k];
      e[i * kChunk + k] = -0.5f * (tz * tz);
    }
  expBatch(e, e, static_cast<std::size_t>(kNodes * kChunk));
  for (int k = 0; k < kChunk; ++k) sum[k] = 1.0f;
  for (int i = 0; i < kNodes; ++i)
    for (int k = 0; k < kChunk; ++k) sum[k] += kWeight[i] * e[i * kChunk + k];
  for (int k = 0; k < kChunk; ++k) sum[k] = 0.5f + zs[k] * sum[k] / 60.15908f;
  for (int k = 0; k < n; ++k) out[k] = sum[k];
}

using NormalChunk = void (*)(const float*, float*, int);

__attribute__((optimize("fp-contract=off", "tree-vectorize"))) void normalChunkPlain(const float* z, float* out,
                                                                                        int n) {
  normalChunk(z, out, n);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx512f,avx512vl"), optimize("fp-contract=off", "tree-vectorize"))) void normalChunkAvx512(
    const float* z, float* out, int n) {
  normalChunk(z, out, n);
}
#endif

NormalChunk chooseNormalChunk() {
#if defined(__x86_64__) && defined(__GNUC__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")) return normalChunkAvx512;
#endif
  return normalChunkPlain;
}

}  // namespace

void normalDistributionBatch(const float* z, float* out, int count) {
  static const NormalChunk chunk = chooseNormalChunk();
  for (int start = 0; start < count; start += kChunk) chunk(z + start, out + start, std::min(kChunk, count - start));
}

float sCurve(float x, float p) {
  const float z = 5.0f * (std::pow(x, p) - 0.5f);
  return normalDistribution(z);
}

void sCurveBatch(const float* x, float p, float* out, int count) {
  powBatch(x, p, out, static_cast<std::size_t>(count > 0 ? count : 0));
  for (int k = 0; k < count; ++k) out[k] = 5.0f * (out[k] - 0.5f);
  normalDistributionBatch(out, out, count);
}

}  // namespace oewr
