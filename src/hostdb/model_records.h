#pragma once
// The model's records in the host database: the slots of a request's
// attribute list (number, name, data type), the codes of the monthly flow
// series it writes and the stored layouts of its array records (Format,
// rows, columns, the order of their values). Each is written here once.
#include <optional>
#include <string>
#include <vector>

namespace oewr::hostdb {

// The model's executable name in request records.
extern const char* const kModelExeName;  // "new_oewr.exe"

// Codes this program writes into a time-series record of monthly flow
// volumes: Time Units 4 (month), Time Int. 1 (one unit), Time Int. Type 1,
// Var. Type 3 (volume), Var. Unit 4 (million m3, unit factor 1), MD Code -999,
// Scale 1. Dates are the first day of the first and of the last month.
constexpr int kMonthlyTimeUnits = 4;
constexpr int kMonthlyTimeInterval = 1;
constexpr int kMonthlyTimeIntervalType = 1;
constexpr float kMissingDataCode = -999.0f;

// Request slots of the model: position in the request's attribute list.
constexpr int kRequestSlotCount = 18;  // 0 .. 17
struct SlotInfo {
  int slot;
  const char* name;         // "site-name", "natural-flows", ...
  const char* description;  // "site name", ...
  int dataType;             // the data type the model expects there
};
const std::vector<SlotInfo>& modelSlots();  // slots 3 .. 17
std::optional<int> slotFromName(const std::string& nameOrNumber);

struct ArrayValue {
  std::string title;
  std::string date;  // "YYYY-MM-DD"; empty: today
  int rows = 0;
  int columns = 0;
  std::string format;
  std::vector<float> data;  // column after column
};

// Array records the model reads and writes, with their stored layout.
enum class ArrayKind { SiteParameters, EcologicalParameters, FloodParameters, CrossSection, RatingSegments, Table };
std::optional<ArrayKind> arrayKindFromName(const std::string& name);
const char* arrayKindName(ArrayKind kind);
// Names of the values of a parameter record, in stored order (empty for other kinds).
const std::vector<std::string>& parameterNames(ArrayKind kind);

constexpr const char* kSiteParametersFormat = "OEWR_hyd_hydraulic_parameters.txp";
constexpr const char* kEcologicalParametersFormat = "OEWR_Ecological_parameters.txp";
constexpr const char* kFloodParametersFormat = "OEWR_SavedFlood_parameters.txp";
constexpr const char* kCrossSectionFormat = "XSection.txp";
constexpr const char* kRatingSegmentsFormat = "OEWR_rating_segments.txp";
constexpr int kRatingRows = 15;
constexpr int kRatingSegmentCapacity = 11;
constexpr int kCrossSectionPointCapacity = 400;

struct RatingSegment {
  float a = 0, b = 0, c = 0, d = 0;  // depth = c + a * Q^b, up to discharge d
};

// The stored forms of the model's array records.
ArrayValue siteParametersArray(const std::vector<float>& values);        // 24 values
ArrayValue ecologicalParametersArray(const std::vector<float>& values);  // 27 values
ArrayValue floodParametersArray(const std::vector<float>& values);       // 25 values, category after category
// Points (distance, elevation), closed by a row of -999 as the model expects.
ArrayValue crossSectionArray(const std::vector<float>& distances, const std::vector<float>& elevations);
// 15 rows: a segment's row is (segment number, lower discharge, upper
// discharge, 1) followed by its A, B, C, D; the remaining rows are (row, 0, 0, 0).
ArrayValue ratingSegmentsArray(const std::vector<RatingSegment>& segments);
// Reads the segments back as the model does (a row continues when its 4th value is above 0).
std::vector<RatingSegment> ratingSegmentsOf(const std::vector<float>& data);

}  // namespace oewr::hostdb
