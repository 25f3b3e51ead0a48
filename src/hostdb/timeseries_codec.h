#pragma once
// Host time-series records: the header fields, the values in the binary field
// `Data` (little-endian float32) with their unit factor, and the date and sort
// helpers of the flow analysis.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostdb/host_table.h"
#include "model/site_inputs.h"

namespace oewr::hostdb {

class Ttxtab;

// Time fields of a written header hold this date-time value.
constexpr double kTimeFieldValue = -0.33333333;

// Stored codes of a series of monthly volumes in million m3: Var. Type 3
// (volume) with Var. Unit 4 (million m3) reads with the unit factor 1.
constexpr int kVolumeVarType = 3;
constexpr int kMillionM3VarUnit = 4;

void readTimeSeriesHeader(TimeSeriesHeader& header, const HostTable& table);
void writeTimeSeriesHeader(const TimeSeriesHeader& header, HostTable& table);

// The factor that brings stored values to million m3: Var. Type 3 with
// Var. Unit 2 → 0.000001, 3 → 0.001, 4 → 1; anything else 1. Stored codes.
float unitFactor(int storedVarType, int storedVarUnit);

// Why a stored series cannot be read as it stands, naming the field: a
// 'No. Records' outside 0 to 50001, no valid start month, or `Data` bytes that
// are not exactly 4 x 'No. Records' (a shorter field would leave months the
// record does not hold). nullopt when the record is sound.
std::optional<std::string> storedSeriesFault(const TimeSeriesHeader& header, std::size_t dataBytes);

// Copies the `Data` bytes into series.values from index 0 (whole floats only,
// at most the capacity) and applies the unit factor to the first `count`
// values. Values the bytes do not reach keep what they held.
void readTimeSeriesValues(TimeSeries& series, const HostTable& table);
// The same from the bytes of a `Data` field.
void readTimeSeriesValues(TimeSeries& series, const Blob& data);
// Writes the header and `values` into the current record (edit or insert
// state) without posting it; refuses (ModelError) values that are not
// 'No. Records' of them.
void writeTimeSeriesRecord(const TimeSeriesHeader& header, const std::vector<float>& values, HostTable& table);
// Writes `count` values into `Data` of the current record (edit or insert
// state) and posts it.
void writeTimeSeriesValues(const std::vector<float>& values, HostTable& table);

// Reads the series of an input slot as the flow analysis does: absent → count
// 0; otherwise header, name, time units and values. Returns false when absent.
// A record that storedSeriesFault refuses throws ModelError naming the
// attribute and the field; the series is then left empty (count 0).
bool readSeriesFromSlot(SiteInputs& state, Ttxtab& tx, int slot, TimeSeries& series);

// The header of a series the model derives from the natural flows (an EWR
// series): the natural header, so the dates and 'No. Records' are the natural
// ones, with GeogID the title (at most 41 characters) and the unit of the
// values, million m3, whatever unit the natural record was stored in.
TimeSeriesHeader derivedSeriesHeader(const TimeSeriesHeader& natural, const std::string& title);

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
