#pragma once
// Host time-series records: the header fields, the values in the binary field
// `Data` (little-endian float32) with their unit factor, and the date and sort
// helpers of the flow analysis.
#include <cstdint>
#include <string>
#include <vector>

#include "hostdb/host_table.h"
#include "process/model_state.h"

namespace oewr::hostdb {

class Ttxtab;

// Time fields of a written header hold this date-time value.
constexpr double kTimeFieldValue = -0.33333333;

void readTimeSeriesHeader(TimeSeriesHeader& header, const HostTable& table);
void writeTimeSeriesHeader(const TimeSeriesHeader& header, HostTable& table);

// The factor that brings stored values to million m3: Var. Type 3 with
// Var. Unit 2 → 0.000001, 3 → 0.001, 4 → 1; anything else 1. Stored codes.
float unitFactor(int storedVarType, int storedVarUnit);

// Copies the `Data` bytes into series.values from index 0 (whole floats only,
// at most the capacity) and applies the unit factor to the first `count`
// values. Values the bytes do not reach keep what they held.
void readTimeSeriesValues(TimeSeries& series, const HostTable& table);
// The same from the bytes of a `Data` field.
void readTimeSeriesValues(TimeSeries& series, const Blob& data);
// Writes `count` values into `Data` of the current record (edit or insert
// state) and posts it.
void writeTimeSeriesValues(const std::vector<float>& values, HostTable& table);

// Reads the series of an input slot as the flow analysis does: absent → count
// 0; otherwise header, name, time units and values. Returns false when absent.
bool readSeriesFromSlot(ModelState& state, Ttxtab& tx, int slot, TimeSeries& series);

int daysInMonth(int year, int month);
bool isLeapYear(int year);
// Date-time value (days since 30 Dec 1899, time as day fraction); for dates
// before that epoch the time of day is subtracted instead of added.
double encodeDateTime(int year, int month, int day, int minute, int hour);
void decodeDate(double dateTime, int& year, int& month, int& day);

constexpr int kSortCapacity = 60000;
// Heap sort of values[1..n] into ascending order, moving companions[1..n]
// with them. Both vectors must hold index n; n at most 60 000.
void sortWithIndex(std::vector<float>& values, std::vector<int32_t>& companions, int n);

}  // namespace oewr::hostdb
