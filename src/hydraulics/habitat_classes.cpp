#include "hydraulics/habitat_classes.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <system_error>

#include "common/atomic_file.h"
#include "common/batch_math.h"
#include "common/errors.h"
#include "common/safe_file_name.h"
#include "common/text_format.h"
#include "hydraulics/channel_parameters.h"

namespace oewr::hydraulics {

const std::array<const char*, kHabitatClassCount> kHabitatClassNames = {"SVS", "SS", "SD", "FVS",
                                                                        "FS",  "FI", "FD"};

namespace {

// The part of a depth class [L, U] with frequency f lying below `top`.
float partBelow(float L, float U, float f, float top) {
  if (U < top) return f;
  if (L < top) return f * (top - L) / (U - L);  // U >= top here
  return 0.0f;
}

// The part lying above `bottom`.
float partAbove(float L, float U, float f, float bottom) {
  if (L > bottom) return f;
  if (L < bottom && bottom <= U) return f * (U - bottom) / (U - L);
  return 0.0f;
}

// The part lying between `lo` and `hi` (range width hi - lo given as
// `range`, as the model states it).
float partBetween(float L, float U, float f, float lo, float hi, float range) {
  if (L > lo && U < hi) return f;
  if (L < lo && lo <= U && U < hi) return f * (U - lo) / (U - L);
  if (lo < L && L < hi && hi <= U) return f * (hi - L) / (U - L);
  if (L < lo && U > hi) return f * range / (U - L);
  return 0.0f;
}

// One pass of the velocity working table with class width du: the
// frequencies in % and their cumulative sums. A term multiplied by an
// exact 0 (s = 0 or s = 1) adds exactly 0 and is not evaluated. The
// exponentials of the whole table are taken at once.
void velocityTable(float s, float V, float du, std::array<float, kVelocityTableSize>& f,
                   std::array<float, kVelocityTableSize>& F) {
  const bool rough = s != 0.0f;
  const bool smooth = 1.0f - s != 0.0f;
  constexpr int n = kVelocityTableSize;
  // Arguments, then values: rough decay, rough bell, smooth bell.
  std::array<float, 3 * kVelocityTableSize> e;
  for (int i = 0; i < n; ++i) {
    const float u = du / 2.0f + static_cast<float>(i) * du;
    const float r = u / V;
    const float a = (r - 2.44f) / 1.73f;
    const float b = (r - 1.0f) / 0.864f;
    e[static_cast<std::size_t>(i)] = -r / 0.193f;
    e[static_cast<std::size_t>(n + i)] = -(a * a);
    e[static_cast<std::size_t>(2 * n + i)] = -(b * b);
  }
  if (rough) expBatch(e.data(), e.data(), 2 * n);
  if (smooth) expBatch(e.data() + 2 * n, e.data() + 2 * n, n);
  float sum = 0.0f;
  for (int i = 0; i < n; ++i) {
    float roughPart = 0.0f;
    if (rough)
      roughPart = s * (3.33f * e[static_cast<std::size_t>(i)] + 0.117f * e[static_cast<std::size_t>(n + i)]);
    float smoothPart = 0.0f;
    if (smooth) smoothPart = (1.0f - s) * 0.653f * e[static_cast<std::size_t>(2 * n + i)];
    f[i] = roughPart + smoothPart;
    sum += f[i];
  }
  float cumulative = 0.0f;
  for (int i = 0; i < kVelocityTableSize; ++i) {
    f[i] = f[i] / sum * 100.0f;
    cumulative += f[i];
    F[i] = cumulative;
  }
}

}  // namespace

bool sampleVerticals(const HydraulicSection& section, int32_t npt, float d, const SectionHydraulics& hyd,
                     DepthClasses& depths) {
  depths = DepthClasses{};
  const float dh = (d + d / 100.0f) / 20.0f;
  for (int k = 0; k < kClassCount; ++k) {
    depths.upper[k] = static_cast<float>(k + 1) * dh;
    depths.lower[k] = k == 0 ? 0.0f : depths.upper[k - 1];
  }
  // The depths of the verticals whose bed is at or below the stage, in order.
  std::array<float, kMaxVerticals> verticalDepth;
  int32_t count = 0;
  // A stage without wetted width has no verticals (the step would be 0).
  if (hyd.wettedWidth > 0.0f && npt >= 2) {
    if (npt - 1 > kMaxWorkingPoint) throw RangeError("Range check error: " + std::to_string(npt) + " section points");
    const float* X = section.x.data();
    const float* Y = section.y.data();
    const int32_t last = npt - 1;
    // With distances that never decrease the segment of x is the one before
    // the first point beyond x, and x only moves right: a cursor finds it.
    bool ascending = true;
    for (int32_t i = 1; i <= last && ascending; ++i) ascending = X[i - 1] <= X[i];
    int32_t cursor = 1;
    const float dx = hyd.wettedWidth / 101.0f;
    float x = hyd.xLeft;
    while (x < hyd.xRight && count < kMaxVerticals) {
      const float next = x + dx;
      if (!(next > x)) break;  // a step too small to move along the section
      x = next;
      int32_t found = 0;
      if (ascending) {
        while (cursor <= last && X[cursor] <= x) ++cursor;
        if (cursor <= last && X[cursor - 1] <= x) found = cursor;
      } else {
        for (int32_t i = 1; i <= last; ++i) {
          if (X[i - 1] <= x && x < X[i]) {
            found = i;
            break;
          }
        }
      }
      if (found == 0) continue;  // outside every segment
      const float x0 = X[found - 1];
      const float y0 = Y[found - 1];
      const float bed = y0 + (Y[found] - y0) * (x - x0) / (X[found] - x0);
      if (bed <= d) verticalDepth[static_cast<std::size_t>(count++)] = d - bed;
    }
  }
  depths.verticals = count;
  // Each depth above 0 goes into the first class whose upper bound is at or
  // above it (the bounds rise): the class numbered by the bounds below it.
  std::array<int32_t, kClassCount> n{};
  for (int32_t v = 0; v < count; ++v) {
    const float depth = verticalDepth[static_cast<std::size_t>(v)];
    if (!(depth > 0.0f)) continue;
    int k = 0;
    for (int j = 0; j < kClassCount; ++j) k += depths.upper[j] < depth ? 1 : 0;
    if (k < kClassCount) {
      ++n[k];
      ++depths.counted;
    }
  }
  if (depths.counted == 0) return false;
  for (int k = 0; k < kClassCount; ++k)
    depths.frequency[k] = 100.0f * static_cast<float>(n[k]) / static_cast<float>(depths.counted);
  return true;
}

void velocityDistribution(float macroRoughness, float Ww, float Q, float hbar, float V, const DepthClasses& depths,
                          VelocityClasses& vel) {
  vel = VelocityClasses{};
  const float kPrime = std::min(macroRoughness, hbar);
  const float froude = V / std::sqrt(9.81f * hbar);
  float s = -0.275f - 0.237f * std::log(froude) + 0.274f * kPrime / hbar;
  if (s < 0.0f) s = 0.0f;
  if (s > 1.0f) s = 1.0f;
  vel.shape = s;

  // Rescale the class width until the 99.9 % point falls in the 21st class.
  std::array<float, kVelocityTableSize> f{};
  std::array<float, kVelocityTableSize> F{};
  float du = 4.0f * V / 20.0f;
  int c = 0;
  vel.settled = false;
  for (int pass = 1; pass <= kMaxRescalingPasses; ++pass) {
    velocityTable(s, V, du, f, F);
    for (int i = 0; i < kVelocityTableSize; ++i) {
      if (F[i] > 99.9f) {
        c = i;
        break;
      }
    }
    if (c == 20) {
      vel.settled = true;
      break;
    }
    // With c = 0 the width would become 0 and no later pass could settle;
    // after the last pass the width stays the one the table was made with.
    if (c == 0 || pass == kMaxRescalingPasses) break;
    du = static_cast<float>(c) * du / 20.0f;
  }

  // The 20 classes carry the whole distribution.
  std::array<float, kClassCount> u{};
  for (int i = 0; i < kClassCount; ++i) {
    vel.frequency[i] = f[i] * F[kVelocityTableSize - 1] / F[c];
    u[i] = du / 2.0f + static_cast<float>(i) * du;
  }

  // Calibration: the joint distribution carries the discharge.
  float qBar = 0.0f;
  for (int i = 0; i < kClassCount; ++i)
    for (int k = 0; k < kClassCount; ++k)
      qBar += (u[i] * depths.upper[k]) * (vel.frequency[i] * depths.frequency[k] / 100.0f) / 100.0f;
  const float corr = Q / (Ww * qBar);
  vel.width = corr * du;
  for (int i = 0; i < kClassCount; ++i) vel.midpoint[i] = corr * (du / 2.0f + static_cast<float>(i) * du);
}

ClassShares classShares(const DepthClasses& depths, const VelocityClasses& vel) {
  std::array<float, kClassCount> slow{};
  std::array<float, kClassCount> fast{};
  const float dv = vel.width;
  for (int i = 0; i < kClassCount; ++i) {
    const float a = vel.midpoint[i] - dv / 2.0f;
    const float b = vel.midpoint[i] + dv / 2.0f;
    const bool straddles = a < kVelocityBoundary && kVelocityBoundary <= b;
    slow[i] = b < kVelocityBoundary ? 1.0f : straddles ? (kVelocityBoundary - a) / dv : 0.0f;
    fast[i] = a > kVelocityBoundary ? 1.0f : straddles ? (b - kVelocityBoundary) / dv : 0.0f;
  }

  // A term with a depth part of exactly 0 adds exactly 0 when the velocity
  // frequencies and parts are finite, and is then not evaluated.
  bool finite = true;
  for (int i = 0; i < kClassCount; ++i)
    finite = finite && std::isfinite(vel.frequency[i]) && std::isfinite(slow[i]) && std::isfinite(fast[i]);

  ClassShares raw{};
  for (int k = 0; k < kClassCount; ++k) {
    const float L = depths.lower[k];
    const float U = depths.upper[k];
    const float f = depths.frequency[k];
    const float g[kHabitatClassCount] = {
        partBelow(L, U, f, 0.1f),                 // SVS
        partBetween(L, U, f, 0.1f, 0.5f, 0.4f),  // SS
        partAbove(L, U, f, 0.5f),                 // SD
        partBelow(L, U, f, 0.1f),                 // FVS
        partBetween(L, U, f, 0.1f, 0.2f, 0.1f),  // FS
        partBetween(L, U, f, 0.2f, 0.3f, 0.1f),  // FI
        partAbove(L, U, f, 0.3f),                 // FD
    };
    for (int c = 0; c < kHabitatClassCount; ++c) {
      if (finite && g[c] == 0.0f) continue;
      const std::array<float, kClassCount>& part = c < kFVS ? slow : fast;
      float sum = raw[c];
      for (int i = 0; i < kClassCount; ++i) sum += g[c] * vel.frequency[i] * part[i];
      raw[c] = sum;
    }
  }
  float total = 0.0f;
  for (float r : raw) total += r;
  total = total / 100.0f;
  ClassShares shares{};
  for (int c = 0; c < kHabitatClassCount; ++c) shares[c] = raw[c] / total;
  return shares;
}

StageHabitat habitatStep(const HydraulicSection& section, int32_t npt, float d, float Q,
                         const SectionHydraulics& hyd, float macroRoughness) {
  StageHabitat result;
  DepthClasses depths;
  if (!sampleVerticals(section, npt, d, hyd, depths)) return result;  // no water: all 0
  result.width = hyd.wettedWidth;
  const float V = Q / hyd.area;
  if (!(V > 0.0f)) {
    result.shares[kSVS] = 100.0f;
    return result;
  }
  VelocityClasses vel;
  velocityDistribution(macroRoughness, hyd.wettedWidth, Q, hyd.meanDepth, V, depths, vel);
  result.settled = vel.settled;
  result.shares = classShares(depths, vel);
  return result;
}

std::filesystem::path habitatFilePath(HydraulicsView state) {
  return std::filesystem::path(state.site.dataDirectory) / safeFileName(state.site.siteName + "_habitat.txt");
}

void writeHabitatFile(HydraulicsView state, const std::vector<std::string>& lines) {
  const std::filesystem::path target = habitatFilePath(state);
  const std::string where = "the habitat file \"" + target.string() + "\"";
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  replaceFile(target, text, [&](FileWriteFailure stage, const std::error_code& ec) {
    if (stage == FileWriteFailure::Create) return ModelError("Cannot create " + where);
    if (stage == FileWriteFailure::Write) return ModelError("Cannot write " + where);
    return ModelError("Cannot write " + where + ": " + ec.message());
  });
}

void writeHabitatFile(HydraulicsView state) { writeHabitatFile(state, habitatFileLines(state)); }

void keepHabitatFile(HydraulicsView state, const std::vector<std::string>& lines, Ui& ui) {
  try {
    writeHabitatFile(state, lines);
  } catch (const ModelError& e) {
    ui.showMessage(kHydraulicsCaption, std::string(e.what()) +
                                           ": the habitat classes of this run are not kept in that file; the "
                                           "hydraulic results stand");
  }
}

}  // namespace oewr::hydraulics
