#pragma once
// The saved flood parameters of the five flood categories (request slot 6):
// the record written by "Save Flood Parameters" and read by "Use Saved Flood
// Parameters".
#include <optional>
#include <string>
#include <vector>

#include "floods/flood_state.h"
#include "model/request_slots.h"

namespace oewr::hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::floods {

constexpr int kFloodParameterSlot = slot::kFloodParameters;
constexpr const char* kFloodParameterTitle = "OEWR Saved Flood Parameters";
constexpr const char* kFloodParameterFormat = "OEWR_SavedFlood_parameters.txp";

// The 25 stored values: category 1 to 5, each depth (cm), frequency index,
// number of events, catchment-shape index, river-slope index.
std::vector<float> floodParameterValues(FloodView state);

// Writes savedFloodParameters to the output attribute of slot 6 (Title,
// Date, Rows 5, Columns 5, Format, Data). False when nothing was written.
bool saveFloodParameters(FloodParts state, hostdb::Ttxtab& tx, hostdb::Ttable_save& dialog);

enum class SavedFloodRead {
  Read,           // the record was found; its values are in savedFloodParameters
  RecordMissing,  // the dictionary names a record that the table does not hold
  NoneSaved,      // the request names no attribute, or the site has no value
};

// Sets all 25 entries to -9, then reads the site's record of slot 6 into
// savedFloodParameters (at most 25 values; entries the record lacks stay -9).
SavedFloodRead readSavedFloodParameters(FloodParts state, hostdb::Ttxtab& tx);

// The saved parameters rounded to whole numbers as the window takes them,
// [category][entry]; or a message naming the first value that the window
// cannot take (depth 0 to 1000 cm, frequency 0 to 2, events 1 to 5, shape 0
// to 2, slope 0 to 3).
struct RestoredFloodParameters {
  int depth[kFloodCategoryCount] = {};
  int frequency[kFloodCategoryCount] = {};
  int events[kFloodCategoryCount] = {};
  int shape[kFloodCategoryCount] = {};
  int slope[kFloodCategoryCount] = {};
};
std::optional<std::string> restoredParameters(FloodView state, RestoredFloodParameters& out);

}  // namespace oewr::floods
