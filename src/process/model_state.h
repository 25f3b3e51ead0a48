#pragma once
// ModelState: the one record of model variables of a run. The forms and
// routines of one run share one instance by reference; every field is zero
// (strings empty, counts 0) when it is created. Sub-models add their result
// fields here.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/bounded_array.h"
#include "ecology/ecology_state.h"
#include "ewr/ewr_state.h"
#include "floods/flood_state.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr {

namespace hostdb {
class Ttxtab;
}

constexpr int kSeriesCapacity = 50001;  // values 0 .. 50000
constexpr int kAttributeSlots = 201;    // attributeCodes 0 .. 200
constexpr int kCategoryCount = 7;       // A, A/B, B, B/C, C, C/D, D
// The largest monthly volume the model works with, million m3 (not reached:
// no river carries as much in a month). The driest month is searched from
// here down and "No Constraint" caps the EWR here.
constexpr float kMaxMonthlyVolume = 10000000.0f;

// Descriptive fields of a host time-series record, as held in memory.
struct TimeSeriesHeader {
  std::string geogId;  // at most 41 characters
  std::string dataId;  // at most 41 characters
  float area = 0;
  int16_t dataObject = 0;
  int16_t timeUnit = 0;  // stored Time Units - 1
  int16_t timeInterval = 0;
  int16_t timeIntervalType = 0;
  int16_t varType = 0;  // stored Var. Type - 1
  int16_t varUnit = 0;
  float missingCode = 0;
  float scale = 0;
  int16_t startYear = 0, startMonth = 0, startDay = 0;
  int16_t endYear = 0, endMonth = 0, endDay = 0;
  int32_t count = 0;
};

// A monthly flow series (million m3 per month) with its statistics.
struct TimeSeries {
  std::string name;  // at most 50 characters
  int32_t timeUnits = 0;
  float mar = 0;
  float annualSd = 0;
  float annualCv = 0;
  float q75 = 0;
  float bfi = 0;
  float hydroIndex = 0;
  float pctZero = 0;
  BoundedArray<float, 0, kSeriesCapacity - 1> values;
  BoundedArray<float, 0, kSeriesCapacity - 1> baseflows;
  BoundedArray<float, 0, 11> monthMean;  // calendar month, 0 = January
  BoundedArray<float, 0, 11> monthSd;
  BoundedArray<float, 0, 11> monthCv;
  BoundedArray<BoundedArray<float, 0, 20>, 0, 11> monthFdc;
  BoundedArray<BoundedArray<float, 0, 20>, 0, 11> monthBaseFdc;
  TimeSeriesHeader header;
};

// The 24 hydrology/hydraulic parameters of slot 4, in their stored order.
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

// The sub-models' result fields come from their own folders, so that each
// sub-model owns the fields it fills.
struct ModelState : hydraulics::HydraulicsState, ecology::EcologyState, floods::FloodState, ewr::EwrState {
  // 1. Process identity
  std::string iniFilePath;
  std::string dataDirectory;
  std::string databaseName;
  hostdb::Ttxtab* hostTables = nullptr;
  BoundedArray<int32_t, 0, kAttributeSlots - 1> attributeCodes;
  int32_t requestSpatialRecord = 0;
  int32_t spatialRecord = 0;
  std::string siteName;  // at most 80 characters

  // 2. Flow series (slots 10, 11, 12)
  TimeSeries naturalFlows;
  TimeSeries presentFlows;
  TimeSeries scenarioFlows;

  // 3. Site parameters (slot 4)
  SiteParameters siteParameters;

  // 4. Hydrology results
  int32_t criticalWetMonth = 0;
  int32_t criticalDryMonth = 0;
  float maxBaseflowWet = 0;
  float maxBaseflowDry = 0;
  int32_t maxBaseflowExceedence = 0;

  // 5. Channel data (slots 7, 8, 9)
  BoundedArray<float, 0, 500> xsDistance;
  BoundedArray<float, 0, 500> xsElevation;
  int32_t xsPointCount = 0;
  BoundedArray<float, 0, 500> ratingDepth;
  BoundedArray<float, 0, 500> ratingFlow;
  int32_t ratingCount = 0;
  BoundedArray<float, 0, 400> savedXsDistance;
  BoundedArray<float, 0, 400> savedXsElevation;
  int32_t savedXsCount = 0;

  // 6. Ecological parameters (slot 5); season 0 wet, 1 dry
  int32_t perennialOption = 0;
  int32_t alignStressOption = 0;
  BoundedArray<BoundedArray<float, 0, kCategoryCount - 1>, 0, 1> highShift;
  BoundedArray<BoundedArray<float, 0, kCategoryCount - 1>, 0, 1> lowShift;
  BoundedArray<float, 0, 1> stressAtZeroFs;
  BoundedArray<float, 0, 1> fsWeight;
  BoundedArray<float, 0, 1> fiWeight;
  BoundedArray<float, 0, 1> fdWeight;

  // 8. Report: absent until the hydrology window creates it.
  std::optional<std::vector<std::string>> reportLines;
};

// Creates a zero-filled state on the heap (it holds several large arrays).
std::unique_ptr<ModelState> makeModelState();

// Why the channel of the last hydraulics run cannot carry the critical
// months' maximum baseflows: one of them is not below the largest discharge
// of its stages (the channel full), so no stage holds it and the ecological,
// flood and final analyses have nothing to stand on. Says what to check.
// nullopt when the channel carries them, or before a hydraulics run.
std::optional<std::string> channelCapacityShortfall(const ModelState& state);

// Brings the state back to what a fresh program start holds before a request
// is read, keeping the process identity (ini file, data directory, database
// name, host tables) and the random stream of the synthetic sections. The
// report is kept only when `keepReport` (the same inputs are read again).
void clearRequestData(ModelState& state, bool keepReport);

// 7. Shared constant tables
extern const std::array<const char*, 12> kMonthNames;  // index 0 = January
extern const std::array<int, 12> kMonthDays;           // non-leap year
extern const std::array<const char*, 11> kCategoryNames;

// Hydrological month index (0 = October) of calendar month 1 .. 12.
int hydroMonthIndex(int calendarMonth);
// Calendar month 1 .. 12 of hydrological month index 0 .. 11.
int calendarMonthOf(int hydroIndex);

}  // namespace oewr
