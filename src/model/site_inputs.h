#pragma once
// What a request reads from the host for its site: where the run stands
// (ini file, database, attribute codes, records), the flow series, the site
// parameters, the channel data and the ecological parameters.
#include <cstdint>
#include <string>

#include "common/bounded_array.h"
#include "model/calendar.h"
#include "model/site_parameters.h"
#include "model/time_series.h"

namespace oewr {

constexpr int kAttributeSlots = 201;  // attributeCodes 0 .. 200

struct SiteInputs {
  // Process identity
  std::string iniFilePath;
  std::string dataDirectory;
  std::string databaseName;
  BoundedArray<int32_t, 0, kAttributeSlots - 1> attributeCodes;
  int32_t requestSpatialRecord = 0;
  int32_t spatialRecord = 0;
  std::string siteName;  // at most 80 characters

  // Flow series (slots 10, 11, 12)
  TimeSeries naturalFlows;
  TimeSeries presentFlows;
  TimeSeries scenarioFlows;

  // Site parameters (slot 4)
  SiteParameters siteParameters;

  // Channel data (slots 7, 8, 9)
  BoundedArray<float, 0, 500> xsDistance;
  BoundedArray<float, 0, 500> xsElevation;
  int32_t xsPointCount = 0;
  BoundedArray<float, 0, 500> ratingDepth;
  BoundedArray<float, 0, 500> ratingFlow;
  int32_t ratingCount = 0;
  BoundedArray<float, 0, 400> savedXsDistance;
  BoundedArray<float, 0, 400> savedXsElevation;
  int32_t savedXsCount = 0;

  // Ecological parameters (slot 5), with the exceedence point of the
  // maximum baseflows chosen in the hydrology; season 0 wet, 1 dry
  int32_t maxBaseflowExceedence = 0;
  int32_t perennialOption = 0;
  int32_t alignStressOption = 0;
  BoundedArray<BoundedArray<float, 0, kCategoryCount - 1>, 0, 1> highShift;
  BoundedArray<BoundedArray<float, 0, kCategoryCount - 1>, 0, 1> lowShift;
  BoundedArray<float, 0, 1> stressAtZeroFs;
  BoundedArray<float, 0, 1> fsWeight;
  BoundedArray<float, 0, 1> fiWeight;
  BoundedArray<float, 0, 1> fdWeight;
};

}  // namespace oewr
