#pragma once
// A monthly flow series as the model holds it: the values of a host
// time-series record with the statistics the hydrology computes from them.
#include <cstdint>
#include <string>

#include "common/bounded_array.h"

namespace oewr {

constexpr int kSeriesCapacity = 50001;  // values 0 .. 50000
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

}  // namespace oewr
