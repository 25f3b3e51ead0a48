#include "common/batch_math.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define OEWR_BATCH_EXP_X86 1
// The fused multiply-adds are the explicit ones only: no other product and
// sum may be fused, or a result could differ from the library's.
#define OEWR_AVX2_FMA __attribute__((target("avx2,fma"), optimize("fp-contract=off")))
#define OEWR_AVX512 __attribute__((target("avx512f,avx512vl,avx2,fma"), optimize("fp-contract=off")))
#endif

namespace oewr {
namespace {

// asuint64(2^(i/32)) - (i << 47): the table of the C library's expf.
constexpr std::array<uint64_t, 32> kExp2Table = {
    0x3ff0000000000000, 0x3fefd9b0d3158574, 0x3fefb5586cf9890f, 0x3fef9301d0125b51, 0x3fef72b83c7d517b,
    0x3fef54873168b9aa, 0x3fef387a6e756238, 0x3fef1e9df51fdee1, 0x3fef06fe0a31b715, 0x3feef1a7373aa9cb,
    0x3feedea64c123422, 0x3feece086061892d, 0x3feebfdad5362a27, 0x3feeb42b569d4f82, 0x3feeab07dd485429,
    0x3feea47eb03a5585, 0x3feea09e667f3bcd, 0x3fee9f75e8ec5f74, 0x3feea11473eb0187, 0x3feea589994cce13,
    0x3feeace5422aa0db, 0x3feeb737b0cdc5e5, 0x3feec49182a3f090, 0x3feed503b23e255d, 0x3feee89f995ad3ad,
    0x3feeff76f2fb5e47, 0x3fef199bdd85529c, 0x3fef3720dcef9069, 0x3fef5818dcfba487, 0x3fef7c97337b9b5f,
    0x3fefa4afa2a490da, 0x3fefd0765b6e4540};

// The method's constants: 32 / ln 2, the shift that rounds to an integer,
// the cubic's coefficients, and the bounds outside which the result is +0
// or std::exp's own.
constexpr double kInvLn2N = 0x1.71547652b82fep+5;
constexpr double kShift = 0x1.8p+52;
constexpr double kC0 = 0x1.c6af84b912394p-20;
constexpr double kC1 = 0x1.ebfce50fac4f3p-13;
constexpr double kC2 = 0x1.62e42ff0c52d6p-6;
constexpr float kZeroBelow = -0x1.9fe368p6f;
constexpr float kLibraryFrom = 88.0f;

void scalarExp(const float* in, float* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out[i] = std::exp(in[i]);
}

// The C library's powf: log2 x from a 16-entry table of 1/c and log2 c
// around the argument's subinterval and a quintic, then 2^(y log2 x) as
// exp above but with the argument unscaled. Entries {1/c, log2 c}.
constexpr std::array<uint64_t, 32> kLog2Table = {
    0x3ff661ec79f8f3be, 0xbfdefec65b963019, 0x3ff571ed4aaf883d, 0xbfdb0b6832d4fca4, 0x3ff49539f0f010b0,
    0xbfd7418b0a1fb77b, 0x3ff3c995b0b80385, 0xbfd39de91a6dcf7b, 0x3ff30d190c8864a5, 0xbfd01d9bf3f2b631,
    0x3ff25e227b0b8ea0, 0xbfc97c1d1b3b7af0, 0x3ff1bb4a4a1a343f, 0xbfc2f9e393af3c9f, 0x3ff12358f08ae5ba,
    0xbfb960cbbf788d5c, 0x3ff0953f419900a7, 0xbfaa6f9db6475fce, 0x3ff0000000000000, 0x0000000000000000,
    0x3fee608cfd9a47ac, 0x3fb338ca9f24f53d, 0x3feca4b31f026aa0, 0x3fc476a9543891ba, 0x3feb2036576afce6,
    0x3fce840b4ac4e4d2, 0x3fe9c2d163a1aa2d, 0x3fd40645f0c6651c, 0x3fe886e6037841ed, 0x3fd88e9c2c1b9ff8,
    0x3fe767dcf5534862, 0x3fdce0a44eb17bcc};
// The quintic's coefficients, highest power first.
constexpr std::array<uint64_t, 5> kLog2Poly = {0x3fd27616c9496e0b, 0xbfd71969a075c67a, 0x3fdec70a6ca7badd,
                                               0xbfe7154748bef6c8, 0x3ff71547652ab82b};
// The start of the subintervals' table (about 0.7), and 1.5 x 2^47: adding
// it rounds to a multiple of 1/32.
constexpr uint32_t kLog2Offset = 0x3f330000;
constexpr double kShift32 = 0x1.8p+47;
constexpr double kP0 = 0x1.c6af84b912394p-5;
constexpr double kP1 = 0x1.ebfce50fac4f3p-3;
constexpr double kP2 = 0x1.62e42ff0c52d6p-1;
// y log2 x from which the library's result is no longer a plain float of
// the method (overflow, underflow and the subnormal results): its top bits.
constexpr uint64_t kPowLibraryFromTop = 0x80be;

void scalarPow(const float* in, float exponent, float* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out[i] = std::pow(in[i], exponent);
}

#ifdef OEWR_BATCH_EXP_X86

// Four arguments in double precision: x 32 / ln 2 = k + r, exp(x) =
// 2^(k/32) (1 + C2 r + C1 r^2 + C0 r^3), rounded once to float at the end.
OEWR_AVX2_FMA inline __m128 exp4(__m256d xd) {
  const __m256d invLn2N = _mm256_set1_pd(kInvLn2N);
  const __m256d shift = _mm256_set1_pd(kShift);
  const __m256d c0 = _mm256_set1_pd(kC0);
  const __m256d c1 = _mm256_set1_pd(kC1);
  const __m256d c2 = _mm256_set1_pd(kC2);
  const __m256d one = _mm256_set1_pd(1.0);
  __m256d kd = _mm256_fmadd_pd(invLn2N, xd, shift);
  const __m256i ki = _mm256_castpd_si256(kd);
  kd = _mm256_sub_pd(kd, shift);
  const __m256d r = _mm256_fmsub_pd(invLn2N, xd, kd);
  const __m256i index = _mm256_and_si256(ki, _mm256_set1_epi64x(31));
  __m256i t = _mm256_i64gather_epi64(reinterpret_cast<const long long*>(kExp2Table.data()), index, 8);
  t = _mm256_add_epi64(t, _mm256_slli_epi64(ki, 47));
  const __m256d s = _mm256_castsi256_pd(t);
  const __m256d p = _mm256_fmadd_pd(c0, r, c1);
  const __m256d r2 = _mm256_mul_pd(r, r);
  __m256d y = _mm256_fmadd_pd(c2, r, one);
  y = _mm256_fmadd_pd(p, r2, y);
  y = _mm256_mul_pd(y, s);
  return _mm256_cvtpd_ps(y);
}

// Eight arguments. Below log(2^-150) the result is +0; at 88 and above, and
// for NaN, the value is std::exp's.
OEWR_AVX2_FMA void exp8(const float* in, float* out) {
  float args[8];
  std::memcpy(args, in, sizeof args);
  const __m256 x = _mm256_loadu_ps(args);
  const __m256 low = _mm256_set1_ps(kZeroBelow);
  const __m256 high = _mm256_set1_ps(kLibraryFrom);
  const __m128 lo = exp4(_mm256_cvtps_pd(_mm256_castps256_ps128(x)));
  const __m128 hi = exp4(_mm256_cvtps_pd(_mm256_extractf128_ps(x, 1)));
  __m256 y = _mm256_insertf128_ps(_mm256_castps128_ps256(lo), hi, 1);
  y = _mm256_andnot_ps(_mm256_cmp_ps(x, low, _CMP_LT_OQ), y);
  _mm256_storeu_ps(out, y);
  // Not below 88 (or NaN): rare, each by std::exp.
  const int special = _mm256_movemask_ps(_mm256_cmp_ps(x, high, _CMP_NLT_UQ));
  if (special != 0)
    for (int i = 0; i < 8; ++i)
      if ((special >> i) & 1) out[i] = std::exp(args[i]);
}

OEWR_AVX2_FMA void vectorExp(const float* in, float* out, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) exp8(in + i, out + i);
  if (i < n) {
    float a[8] = {};
    float b[8];
    std::memcpy(a, in + i, (n - i) * sizeof(float));
    exp8(a, b);
    std::memcpy(out + i, b, (n - i) * sizeof(float));
  }
}

// The same method eight arguments at a time with AVX-512: the table is
// looked up by permutes, the end of the batch by masks. (The compiler's own
// intrinsics start from undefined registers, which it would warn of.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
OEWR_AVX512 void vectorExp512(const float* in, float* out, std::size_t n) {
  const __m512d invLn2N = _mm512_set1_pd(kInvLn2N);
  const __m512d shift = _mm512_set1_pd(kShift);
  const __m512d c0 = _mm512_set1_pd(kC0);
  const __m512d c1 = _mm512_set1_pd(kC1);
  const __m512d c2 = _mm512_set1_pd(kC2);
  const __m512d one = _mm512_set1_pd(1.0);
  const __m512i t0 = _mm512_loadu_si512(kExp2Table.data());
  const __m512i t1 = _mm512_loadu_si512(kExp2Table.data() + 8);
  const __m512i t2 = _mm512_loadu_si512(kExp2Table.data() + 16);
  const __m512i t3 = _mm512_loadu_si512(kExp2Table.data() + 24);
  const __m512i bit4 = _mm512_set1_epi64(16);
  const __m256 low = _mm256_set1_ps(kZeroBelow);
  const __m256 high = _mm256_set1_ps(kLibraryFrom);
  for (std::size_t i = 0; i < n; i += 8) {
    const std::size_t left = n - i;
    const __mmask8 lanes = left >= 8 ? static_cast<__mmask8>(0xff) : static_cast<__mmask8>((1u << left) - 1u);
    const __m256 x = _mm256_maskz_loadu_ps(lanes, in + i);
    const __m512d xd = _mm512_cvtps_pd(x);
    __m512d kd = _mm512_fmadd_pd(invLn2N, xd, shift);
    const __m512i ki = _mm512_castpd_si512(kd);
    kd = _mm512_sub_pd(kd, shift);
    const __m512d r = _mm512_fmsub_pd(invLn2N, xd, kd);
    const __m512i below16 = _mm512_permutex2var_epi64(t0, ki, t1);
    const __m512i from16 = _mm512_permutex2var_epi64(t2, ki, t3);
    __m512i t = _mm512_mask_blend_epi64(_mm512_test_epi64_mask(ki, bit4), below16, from16);
    t = _mm512_add_epi64(t, _mm512_slli_epi64(ki, 47));
    const __m512d s = _mm512_castsi512_pd(t);
    const __m512d p = _mm512_fmadd_pd(c0, r, c1);
    const __m512d r2 = _mm512_mul_pd(r, r);
    __m512d y = _mm512_fmadd_pd(c2, r, one);
    y = _mm512_fmadd_pd(p, r2, y);
    y = _mm512_mul_pd(y, s);
    __m256 yf = _mm512_cvtpd_ps(y);
    yf = _mm256_maskz_mov_ps(static_cast<__mmask8>(~_mm256_cmp_ps_mask(x, low, _CMP_LT_OQ)), yf);
    const unsigned special = _mm256_cmp_ps_mask(x, high, _CMP_NLT_UQ) & lanes;
    float args[8];
    if (special != 0) _mm256_storeu_ps(args, x);
    _mm256_mask_storeu_ps(out + i, lanes, yf);
    if (special != 0)
      for (unsigned k = 0; k < 8; ++k)
        if ((special >> k) & 1u) out[i + k] = std::exp(args[k]);
  }
}

// x^y of eight positive arguments at a time with AVX-512, each product and
// sum as the library makes it. Arguments that are not positive normal
// numbers, and results outside the method's plain range, are std::pow's.
OEWR_AVX512 void vectorPow512(const float* in, float exponent, float* out, std::size_t n) {
  if (!(std::isfinite(exponent) && exponent != 0.0f)) {
    scalarPow(in, exponent, out, n);
    return;
  }
  const __m512d y = _mm512_set1_pd(static_cast<double>(exponent));
  const __m512d minusOne = _mm512_set1_pd(-1.0);
  const __m512d one = _mm512_set1_pd(1.0);
  __m512d a[5];
  for (int k = 0; k < 5; ++k) a[k] = _mm512_castsi512_pd(_mm512_set1_epi64(static_cast<long long>(kLog2Poly[k])));
  const __m512d shift = _mm512_set1_pd(kShift32);
  const __m512d p0 = _mm512_set1_pd(kP0);
  const __m512d p1 = _mm512_set1_pd(kP1);
  const __m512d p2 = _mm512_set1_pd(kP2);
  const __m512i t0 = _mm512_loadu_si512(kExp2Table.data());
  const __m512i t1 = _mm512_loadu_si512(kExp2Table.data() + 8);
  const __m512i t2 = _mm512_loadu_si512(kExp2Table.data() + 16);
  const __m512i t3 = _mm512_loadu_si512(kExp2Table.data() + 24);
  const __m512i l0 = _mm512_loadu_si512(kLog2Table.data());
  const __m512i l1 = _mm512_loadu_si512(kLog2Table.data() + 8);
  const __m512i l2 = _mm512_loadu_si512(kLog2Table.data() + 16);
  const __m512i l3 = _mm512_loadu_si512(kLog2Table.data() + 24);
  const __m512i bit4 = _mm512_set1_epi64(16);
  const __m512i top16 = _mm512_set1_epi64(0xffff);
  const __m512i libraryFrom = _mm512_set1_epi64(static_cast<long long>(kPowLibraryFromTop));
  for (std::size_t i = 0; i < n; i += 8) {
    const std::size_t left = n - i;
    const __mmask8 lanes = left >= 8 ? static_cast<__mmask8>(0xff) : static_cast<__mmask8>((1u << left) - 1u);
    const __m256i ix = _mm256_maskz_loadu_epi32(lanes, in + i);
    // Positive normal numbers: ix - 2^23 <= 0x7effffff.
    const __mmask8 plain =
        _mm256_cmple_epu32_mask(_mm256_sub_epi32(ix, _mm256_set1_epi32(0x800000)), _mm256_set1_epi32(0x7effffff));
    const __m256i tmp = _mm256_sub_epi32(ix, _mm256_set1_epi32(static_cast<int>(kLog2Offset)));
    const __m256i sub = _mm256_and_si256(_mm256_srli_epi32(tmp, 19), _mm256_set1_epi32(15));
    const __m256i top = _mm256_and_si256(tmp, _mm256_set1_epi32(static_cast<int>(0xff800000u)));
    const __m256i iz = _mm256_sub_epi32(ix, top);
    const __m256i k = _mm256_srai_epi32(top, 23);
    // The entries 2 sub and 2 sub + 1 of the table.
    const __m512i index = _mm512_slli_epi64(_mm512_cvtepu32_epi64(sub), 1);
    const __m512i index1 = _mm512_add_epi64(index, _mm512_set1_epi64(1));
    const __m512d invc = _mm512_castsi512_pd(_mm512_mask_blend_epi64(
        _mm512_test_epi64_mask(index, bit4), _mm512_permutex2var_epi64(l0, index, l1),
        _mm512_permutex2var_epi64(l2, index, l3)));
    const __m512d logc = _mm512_castsi512_pd(_mm512_mask_blend_epi64(
        _mm512_test_epi64_mask(index1, bit4), _mm512_permutex2var_epi64(l0, index1, l1),
        _mm512_permutex2var_epi64(l2, index1, l3)));
    const __m512d z = _mm512_cvtps_pd(_mm256_castsi256_ps(iz));
    const __m512d r = _mm512_fmadd_pd(z, invc, minusOne);
    const __m512d y0 = _mm512_add_pd(_mm512_cvtepi32_pd(k), logc);
    __m512d q5 = _mm512_fmadd_pd(r, a[0], a[1]);
    const __m512d q3 = _mm512_fmadd_pd(r, a[2], a[3]);
    const __m512d r2 = _mm512_mul_pd(r, r);
    __m512d q = _mm512_fmadd_pd(r, a[4], y0);
    const __m512d r4 = _mm512_mul_pd(r2, r2);
    q = _mm512_fmadd_pd(r2, q3, q);
    const __m512d log2x = _mm512_fmadd_pd(q5, r4, q);
    const __m512d ylogx = _mm512_mul_pd(y, log2x);
    const __m512i topBits = _mm512_and_si512(_mm512_srli_epi64(_mm512_castpd_si512(ylogx), 47), top16);
    const __mmask8 inRange = _mm512_cmple_epu64_mask(topBits, libraryFrom);
    __m512d kd = _mm512_add_pd(ylogx, shift);
    const __m512i ki = _mm512_castpd_si512(kd);
    kd = _mm512_sub_pd(kd, shift);
    const __m512d rr = _mm512_sub_pd(ylogx, kd);
    __m512i t = _mm512_mask_blend_epi64(_mm512_test_epi64_mask(ki, bit4), _mm512_permutex2var_epi64(t0, ki, t1),
                                        _mm512_permutex2var_epi64(t2, ki, t3));
    t = _mm512_add_epi64(t, _mm512_slli_epi64(ki, 47));
    const __m512d s = _mm512_castsi512_pd(t);
    const __m512d zz = _mm512_fmadd_pd(rr, p0, p1);
    const __m512d rr2 = _mm512_mul_pd(rr, rr);
    __m512d e = _mm512_fmadd_pd(rr, p2, one);
    e = _mm512_fmadd_pd(zz, rr2, e);
    e = _mm512_mul_pd(e, s);
    _mm256_mask_storeu_ps(out + i, lanes, _mm512_cvtpd_ps(e));
    const unsigned special = static_cast<unsigned>(~(plain & inRange)) & lanes;
    if (special != 0) {
      float args[8];
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(args), ix);
      for (unsigned j = 0; j < 8; ++j)
        if ((special >> j) & 1u) out[i + j] = std::pow(args[j], exponent);
    }
  }
}
#pragma GCC diagnostic pop

// Arguments on which the C library's variants and a correctly rounded exp
// part ways, and ordinary ones: the batch path is used only where it agrees
// with std::exp on every one of them.
using ExpPath = void (*)(const float*, float*, std::size_t);

bool agreesWithLibrary(ExpPath path) {
  static const float kProbe[] = {0.0f,           -0.0f,          -1.0f,          -0.5f,         -3.75f,
                                 -17.3f,         -87.9f,         -88.5f,         -100.25f,      -103.5f,
                                 -103.98f,       -104.5f,        -1000.0f,       1.0f,          10.5f,
                                 88.5f,          89.0f,          0x1.62e42ep6f,  -0x1.9fe368p6f, -0x1.9fe366p6f,
                                 -0x1.9424fcp-14f, -0x1.c12628p-14f, 0x1.fefe02p-16f, 0x1.5b3c52p-14f,
                                 -0x1.f8cbb2p+5f, 0x1.04845ep+5f};
  constexpr std::size_t n = sizeof kProbe / sizeof kProbe[0];
  float batch[n];
  float single[n];
  path(kProbe, batch, n);
  scalarExp(kProbe, single, n);
  return std::memcmp(batch, single, sizeof batch) == 0;
}

using PowPath = void (*)(const float*, float, float*, std::size_t);

// Arguments and exponents at the method's edges and ordinary ones: the batch
// path is used only where it agrees with std::pow on every pair.
bool powAgreesWithLibrary(PowPath path) {
  static const float kBase[] = {1.0f,    0.5f,       0.25f,         0.7f,         0.69921875f, 1.3984375f,
                                2.0f,    3.0f,       1e-3f,         123.456f,     1e30f,       0x1p-126f,
                                0x1p-127f, 0.0f,     -0.0f,         -2.0f,        1e-38f,      0.999999f,
                                1.000001f, 65504.0f, 0x1.fffffep127f, 7.25e-5f};
  static const float kExponent[] = {0.667f, 0.2f, 10.1f, 2.5f, -1.5f, 100.0f, -100.0f, 1.0f, 3.0f, 0.5f};
  constexpr std::size_t n = sizeof kBase / sizeof kBase[0];
  float batch[n];
  float single[n];
  for (float e : kExponent) {
    path(kBase, e, batch, n);
    scalarPow(kBase, e, single, n);
    if (std::memcmp(batch, single, sizeof batch) != 0) return false;
  }
  return true;
}

PowPath choosePowPath() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("fma") &&
      powAgreesWithLibrary(vectorPow512))
    return vectorPow512;
  return scalarPow;
}

PowPath chosenPowPath() {
  static const PowPath path = choosePowPath();
  return path;
}

ExpPath choosePath() {
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return scalarExp;
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") && agreesWithLibrary(vectorExp512))
    return vectorExp512;
  return agreesWithLibrary(vectorExp) ? vectorExp : scalarExp;
}

ExpPath chosenPath() {
  static const ExpPath path = choosePath();
  return path;
}

#endif

}  // namespace

bool expBatchVectorised() {
#ifdef OEWR_BATCH_EXP_X86
  return chosenPath() != scalarExp;
#else
  return false;
#endif
}

void expBatch(const float* in, float* out, std::size_t n) {
#ifdef OEWR_BATCH_EXP_X86
  chosenPath()(in, out, n);
#else
  scalarExp(in, out, n);
#endif
}

}  // namespace oewr

namespace oewr {

bool powBatchVectorised() {
#ifdef OEWR_BATCH_EXP_X86
  return chosenPowPath() != scalarPow;
#else
  return false;
#endif
}

void powBatch(const float* in, float exponent, float* out, std::size_t n) {
#ifdef OEWR_BATCH_EXP_X86
  chosenPowPath()(in, exponent, out, n);
#else
  scalarPow(in, exponent, out, n);
#endif
}

}  // namespace oewr
