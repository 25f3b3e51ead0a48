#pragma once
// The channel parameters' zone tables and hydraulic-geometry constants, and
// the estimates derived from them. The zones are the geomorphological zones
// 1 to 6 (A to F).
#include <cstdint>
#include <optional>
#include <string>

#include "hydraulics/hydraulics_state.h"

namespace oewr::hydraulics {

// Caption of the hydraulics window; its messages and questions carry it.
inline constexpr const char* kHydraulicsCaption = "Orvane EWR Model : Hydraulics sub-model";

struct ZoneConstants {
  float minSlope;       // accepted valley slope, inclusive; minSlope 0 means
  float maxSlope;       // "no lower bound" and maxSlope 0 "no upper bound"
  float resetSlope;     // slope set when the slope is rejected
  const char* rejectionMessage;
  float macroCoefficient;  // macro roughness = D min(c (W / D)^e, cap)
  float macroExponent;
  float macroCap;
  float nCoefficient;      // min Manning n = c (W / D)^0.25
  float maxGradientFactor;  // max gradient = a slope + b
  float maxGradientOffset;
  float bedWidthPercent;
};

constexpr int kFirstZone = 1;
constexpr int kLastZone = 6;

constexpr float kWidthCoefficient = 4.5f;
constexpr float kWidthExponent = 0.48f;
constexpr float kDepthExponent = 0.35f;
constexpr float kNExponent = 0.25f;

// The constants of a zone 1 .. 6; any other zone throws RangeError.
const ZoneConstants& zoneConstants(int zone);

// The valley slope accepted for a zone. A slope outside the zone's range (and
// in zone 6 a slope of 0 or below, which no gradient can be derived from)
// gives the zone's reset slope and its message. Zones outside 1 .. 6 are not
// checked.
struct SlopeCheck {
  float slope;
  std::optional<std::string> message;
};
SlopeCheck checkZoneSlope(int zone, float slope);

// Hydraulic-geometry estimates (float arithmetic in the stated order).
// Mean bankfull depth from the channel width W and the width/depth scaling s.
float bankfullDepth(float width, float widthDepthScaling);
// The shape factors are whole numbers held as floats; a value beyond the
// 32-bit integers (every such float is whole) stays as it is, and no number
// stays no number, for the caller's check.
// Shape factor of the gradient curve: nearest(3.75 maxGradient / minGradient + 1.25).
float gradientShapeFactorOf(float maxGradient, float minGradient);
// n shape factor: nearest(3.5 (macro / D)^-1.5), at most 50.
float nShapeFactorOf(float macroRoughness, float meanDepth);

// Velocity (m/s) of the one-metre-deep trapezoid that sets the micro
// roughness, and the micro roughness (m) it gives.
float microRoughnessVelocity(float bedWidthFraction, float width, float minGradient, float maxGradient,
                             float minManningN);
float microRoughnessOf(float velocity, float macroRoughness);

// The channel parameters that "Re-Calc Parameters" estimates, in its order:
// from the zone's constants and the held width, width/depth scaling, valley
// slope (as accepted for the zone) and micro roughness of `held`, the
// parameters maxDepth .. nShapeFactor of the result; the others are those of
// `held`. `velocity` receives the velocity that set the micro roughness.
// Nothing is checked here: an unusable input gives values that are not
// numbers, for the caller to refuse.
SiteParameters estimateChannelParameters(const ZoneConstants& zone, const SiteParameters& held, float& velocity);

}  // namespace oewr::hydraulics
