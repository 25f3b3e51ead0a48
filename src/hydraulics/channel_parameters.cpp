#include "hydraulics/channel_parameters.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/checked_int.h"
#include "common/errors.h"

namespace oewr::hydraulics {
namespace {

constexpr std::array<ZoneConstants, 6> kZones = {{
    {0.1f, 0.0f, 0.1f, "Slope too low for A Geom. Zone", 0.15f, 0.5f, 0.8f, 0.05f, 0.96f, 0.05f, 20.0f},
    {0.035f, 0.12f, 0.06f, "Slope incompatible with B Geom. Zone", 0.12f, 0.5f, 0.6f, 0.04f, 0.97f, 0.04f, 20.0f},
    {0.015f, 0.045f, 0.03f, "Slope incompatible with C Geom. Zone", 0.09f, 0.5f, 0.5f, 0.035f, 0.99f, 0.03f, 40.0f},
    {0.004f, 0.025f, 0.01f, "Slope incompatible with D Geom. Zone", 0.07f, 0.5f, 0.4f, 0.035f, 1.0f, 0.02f, 60.0f},
    {0.001f, 0.006f, 0.003f, "Slope incompatible with E Geom. Zone", 0.05f, 0.4f, 0.3f, 0.02f, 1.1f, 0.003f, 70.0f},
    {0.0f, 0.0015f, 0.001f, "Slope to high for F Geom. Zone", 0.04f, 0.4f, 0.2f, 0.02f, 1.2f, 0.0001f, 80.0f},
}};

}  // namespace

const ZoneConstants& zoneConstants(int zone) {
  if (zone < kFirstZone || zone > kLastZone)
    throw RangeError("Range check error: Geom. Zone " + std::to_string(zone) +
                     " is outside the zone tables (1 - 6)");
  return kZones[static_cast<std::size_t>(zone - kFirstZone)];
}

SlopeCheck checkZoneSlope(int zone, float slope) {
  if (zone < kFirstZone || zone > kLastZone) return {slope, std::nullopt};
  const ZoneConstants& z = zoneConstants(zone);
  bool accepted = true;
  if (zone == kLastZone) {
    // Zone F has no lower bound, but a slope of 0 or below leaves the
    // gradient shape factor without a divisor.
    accepted = slope > 0.0f && slope <= z.maxSlope;
  } else {
    accepted = slope >= z.minSlope && (z.maxSlope == 0.0f || slope <= z.maxSlope);
  }
  if (accepted) return {slope, std::nullopt};
  return {z.resetSlope, std::string(z.rejectionMessage)};
}

float bankfullDepth(float width, float widthDepthScaling) {
  const float q = std::pow(width / kWidthCoefficient, 1.0f / kWidthExponent);
  return widthDepthScaling * std::pow(q, kDepthExponent);
}

namespace {

// floor(x + 0.5) as a whole number held in a float: within the 32-bit
// integers as roundToInt gives it; beyond them (where every float is whole
// already) and for no number, x itself.
float nearestWhole(float x) {
  const double v = static_cast<double>(x);
  if (!(std::fabs(v) < 2147483647.0)) return x;
  return static_cast<float>(roundToInt(v));
}

}  // namespace

float gradientShapeFactorOf(float maxGradient, float minGradient) {
  const float x = 3.75f * maxGradient / minGradient + 1.25f;
  return nearestWhole(x);
}

float nShapeFactorOf(float macroRoughness, float meanDepth) {
  const float x = 3.5f * std::pow(macroRoughness / meanDepth, -1.5f);
  float n = nearestWhole(x);
  if (n > 50.0f) n = 50.0f;
  return n;
}

float microRoughnessVelocity(float bedWidthFraction, float width, float minGradient, float maxGradient,
                             float minManningN) {
  const float bed = bedWidthFraction * width;
  const float bankRun = (1.0f - bedWidthFraction) * 0.5f * width;
  const float area = bankRun + bed;
  const float perimeter = 2.0f * std::sqrt(bankRun * bankRun + 1.0f) + bed;
  const float radius = area / perimeter;
  const float meanGradient = (minGradient + maxGradient) / 2.0f;
  return std::pow(radius, 0.6667f) * std::sqrt(meanGradient) / minManningN;
}

float microRoughnessOf(float velocity, float macroRoughness) {
  float c = 100.0f * velocity;
  if (c < 14.5f) c = 14.5f;
  float micro = 0;
  if (c < 70.0f)
    micro = ((std::sqrt(81.0f - 5.2f * (14.0f - c)) - 9.0f) / 2.6f) / 1000.0f;
  else
    micro = std::exp((59.36f + c) / 85.105f) / 1000.0f;
  if (micro > 0.8f * macroRoughness) micro = 0.8f * macroRoughness;
  return micro;
}

SiteParameters estimateChannelParameters(const ZoneConstants& z, const SiteParameters& held, float& velocity) {
  SiteParameters p = held;
  // Mean bankfull depth from the width.
  const float W = p.maxWidth;
  const float D = bankfullDepth(W, p.widthDepthScaling);
  const float widthDepth = W / D;
  p.macroRoughness = D * std::min(z.macroCoefficient * std::pow(widthDepth, z.macroExponent), z.macroCap);

  p.minGradient = p.valleySlope;
  p.maxGradient = z.maxGradientFactor * p.valleySlope + z.maxGradientOffset;
  p.gradientShapeFactor = gradientShapeFactorOf(p.maxGradient, p.minGradient);

  p.minManningN = z.nCoefficient * std::pow(widthDepth, kNExponent);
  // The micro roughness held before this estimation (re-estimated below).
  p.maxManningN = 0.4f * std::sqrt(p.microRoughness) + 0.1f * p.macroRoughness;
  if (1.2f * p.minManningN > p.maxManningN) p.maxManningN = 1.2f * p.minManningN;

  p.nShapeFactor = nShapeFactorOf(p.macroRoughness, D);

  // From the mean depth to the channel's maximum depth.
  const float bedPercent = z.bedWidthPercent;
  p.maxDepth = D / (((100.0f - bedPercent) / 2.0f + bedPercent) / 100.0f);
  p.maxDepth = p.maxDepth + p.macroRoughness / 2.0f;
  p.bedWidthFraction = bedPercent / 100.0f;

  velocity = microRoughnessVelocity(p.bedWidthFraction, W, p.minGradient, p.maxGradient, p.minManningN);
  p.microRoughness = microRoughnessOf(velocity, p.macroRoughness);
  return p;
}

}  // namespace oewr::hydraulics
