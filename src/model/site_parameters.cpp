#include "model/site_parameters.h"

#include <array>
#include <cstddef>
#include <string>

#include "common/errors.h"

namespace oewr {

namespace {
using Member = float SiteParameters::*;
constexpr std::array<Member, SiteParameters::count> kMembers = {
    &SiteParameters::baseflowA,         &SiteParameters::baseflowB,
    &SiteParameters::geoZone,           &SiteParameters::widthDepthScaling,
    &SiteParameters::hydroVariability,  &SiteParameters::valleySlope,
    &SiteParameters::catchmentArea,     &SiteParameters::maxWidth,
    &SiteParameters::maxDepth,          &SiteParameters::bedWidthFraction,
    &SiteParameters::macroRoughness,    &SiteParameters::microRoughness,
    &SiteParameters::maxGradient,       &SiteParameters::minGradient,
    &SiteParameters::gradientShapeFactor, &SiteParameters::maxManningN,
    &SiteParameters::minManningN,       &SiteParameters::nShapeFactor,
    &SiteParameters::obsMaxGradient,    &SiteParameters::obsMinGradient,
    &SiteParameters::obsGradientShapeFactor, &SiteParameters::obsMaxManningN,
    &SiteParameters::obsMinManningN,    &SiteParameters::obsNShapeFactor};
constexpr std::array<const char*, SiteParameters::count> kNames = {
    "baseflowA", "baseflowB", "geoZone", "widthDepthScaling", "hydroVariability", "valleySlope",
    "catchmentArea", "maxWidth", "maxDepth", "bedWidthFraction", "macroRoughness",
    "microRoughness", "maxGradient", "minGradient", "gradientShapeFactor", "maxManningN",
    "minManningN", "nShapeFactor", "obsMaxGradient", "obsMinGradient", "obsGradientShapeFactor",
    "obsMaxManningN", "obsMinManningN", "obsNShapeFactor"};

void checkPosition(int position) {
  if (position < 1 || position > SiteParameters::count)
    throw RangeError("Range check error: site parameter position " + std::to_string(position) +
                     " outside 1..24");
}
}  // namespace

float& SiteParameters::at(int position) {
  checkPosition(position);
  return this->*kMembers[static_cast<std::size_t>(position - 1)];
}

float SiteParameters::at(int position) const {
  checkPosition(position);
  return this->*kMembers[static_cast<std::size_t>(position - 1)];
}

const char* SiteParameters::nameAt(int position) {
  checkPosition(position);
  return kNames[static_cast<std::size_t>(position - 1)];
}

}  // namespace oewr
