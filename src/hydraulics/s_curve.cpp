#include "hydraulics/s_curve.h"

#include <cmath>

namespace oewr::hydraulics {

float normalDistribution(float z) {
  // Simpson weights 1, 4, 2, 4, 2, 4, 2, 4, 1 at the nodes t = i / 8. The
  // node t = 0 contributes exp(-0) = 1 exactly; 60.15908 = 24 sqrt(2 pi).
  const auto term = [z](float weight, float t) {
    const float tz = t * z;
    return weight * std::exp(-0.5f * (tz * tz));
  };
  float sum = 1.0f;
  sum += term(4.0f, 0.125f);
  sum += term(2.0f, 0.25f);
  sum += term(4.0f, 0.375f);
  sum += term(2.0f, 0.5f);
  sum += term(4.0f, 0.625f);
  sum += term(2.0f, 0.75f);
  sum += term(4.0f, 0.875f);
  sum += term(1.0f, 1.0f);
  return 0.5f + z * sum / 60.15908f;
}

float sCurve(float x, float p) {
  const float z = 5.0f * (std::pow(x, p) - 0.5f);
  return normalDistribution(z);
}

}  // namespace oewr::hydraulics
