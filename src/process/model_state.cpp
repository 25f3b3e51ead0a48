#include "process/model_state.h"

#include <algorithm>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr {

const std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const std::array<int, 12> kMonthDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const std::array<const char*, 11> kCategoryNames = {"A", "A/B", "B", "B/C", "C", "C/D",
                                                    "D", "D/E", "E", "E/F", "F"};

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

std::unique_ptr<ModelState> makeModelState() { return std::make_unique<ModelState>(); }

std::optional<std::string> channelCapacityShortfall(const ModelState& state) {
  if (state.stageCount < 1) return std::nullopt;
  float capacity = 0;
  for (int32_t j = 0; j < state.stageCount && j <= hydraulics::kMaxStageIndex; ++j)
    capacity = std::max(capacity, state.stageDischarge[j]);
  const bool wet = !(state.maxBaseflowWet < capacity);
  if (!wet && state.maxBaseflowDry < capacity) return std::nullopt;
  return formatText("The maximum baseflow of the critical %s month, %.3f m3/s, is not below the %.3f m3/s the channel "
                    "carries when full: no depth of the channel holds it, so the ecological, flood and final analyses "
                    "cannot be made. Check the channel's maximum width and depth (site parameters, hydraulics window) "
                    "and the unit of the flow record, then run again",
                    wet ? "wet" : "dry", wet ? state.maxBaseflowWet : state.maxBaseflowDry, capacity);
}

void clearRequestData(ModelState& state, bool keepReport) {
  auto fresh = makeModelState();
  fresh->iniFilePath = std::move(state.iniFilePath);
  fresh->dataDirectory = std::move(state.dataDirectory);
  fresh->databaseName = std::move(state.databaseName);
  fresh->hostTables = state.hostTables;
  fresh->randomSeed = state.randomSeed;
  if (keepReport) fresh->reportLines = std::move(state.reportLines);
  state = std::move(*fresh);
}

int hydroMonthIndex(int calendarMonth) {
  if (calendarMonth < 1 || calendarMonth > 12)
    throw RangeError("Range check error: calendar month " + std::to_string(calendarMonth));
  int h = calendarMonth - 10;
  return h < 0 ? h + 12 : h;
}

int calendarMonthOf(int hydroIndex) {
  if (hydroIndex < 0 || hydroIndex > 11)
    throw RangeError("Range check error: hydrological month index " + std::to_string(hydroIndex));
  int c = hydroIndex + 10;
  return c > 12 ? c - 12 : c;
}

}  // namespace oewr
