#pragma once
// The 24 hydrology and hydraulic parameters of a site (request slot 4).

#include <vector>

namespace oewr {

// The parameters in their stored order.
struct SiteParameters {
  float baseflowA = 0;
  float baseflowB = 0;
  float geoZone = 0;
  float widthDepthScaling = 0;
  float hydroVariability = 0;
  float valleySlope = 0;
  float catchmentArea = 0;
  float maxWidth = 0;
  float maxDepth = 0;
  float bedWidthFraction = 0;
  float macroRoughness = 0;
  float microRoughness = 0;
  float maxGradient = 0;
  float minGradient = 0;
  float gradientShapeFactor = 0;
  float maxManningN = 0;
  float minManningN = 0;
  float nShapeFactor = 0;
  float obsMaxGradient = 0;
  float obsMinGradient = 0;
  float obsGradientShapeFactor = 0;
  float obsMaxManningN = 0;
  float obsMinManningN = 0;
  float obsNShapeFactor = 0;

  static constexpr int count = 24;
  // Stored position 1 .. 24; a position outside throws RangeError.
  float& at(int position);
  float at(int position) const;
  static const char* nameAt(int position);
};

// A value read in place of the stored one at position 1 .. 24, as if the
// host held it (the runs of a sensitivity study vary a parameter so).
struct ParameterReplacement {
  int position = 0;
  float value = 0;
};

}  // namespace oewr
