#pragma once
// Host administration: the small part of the host framework that a user of
// the model needs to get data in and out. Creates a host database under an
// alias (dictionary and request tables, ini file), adds features, sites
// (spatial records) and attributes, writes and reads attribute values of a
// site, adds request records for the model, lists what is there and exports
// values to files. Every write is one transaction: all of it or nothing.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostdb/flow_csv.h"
#include "hostdb/host_session.h"
#include "hostdb/host_table.h"
#include "hostdb/timeseries_codec.h"
#include "process/model_state.h"

namespace oewr::hostdb {

// The model's executable name in request records.
extern const char* const kModelExeName;  // "new_oewr.exe"
// Ini file defaults of the host.
extern const char* const kDefaultDatabaseName;  // "TERAVOX"

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

struct FeatureInfo {
  int code = 0;
  std::string name;
  std::string sourceTable;
  std::string idField;
  std::string descField;
};

struct SiteInfo {
  int32_t id = 0;
  std::string name;
};

struct AttributeInfo {
  int featureCode = 0;
  std::string name;
  int code = 0;
  int dataType = -1;
  // Storage entry (data_dict3), when there is one.
  bool stored = false;
  int tableCode = 0;
  std::string alias;
  std::string table;
  int32_t maxRec = 0;
};

struct RequestInfo {
  int recordNumber = 0;  // 1-based position in the request table
  std::string description;
  std::string date;
  std::string exe;
  int feature = 0;
  std::vector<int32_t> attributeCodes;  // by slot
  std::vector<int32_t> spatialInputs;   // the first is the site
};

// An attribute's value for one site. `attribute` is a name or a code;
// `feature` (name or code, may be empty) picks among attributes of one name.
struct ValueTarget {
  std::string attribute;
  int32_t site = 0;
  std::string feature;
  ValueTarget() = default;
  ValueTarget(std::string attributeRef, int32_t siteId, std::string featureRef = {})
      : attribute(std::move(attributeRef)), site(siteId), feature(std::move(featureRef)) {}
};

struct ArrayValue {
  std::string title;
  std::string date;  // "YYYY-MM-DD"; empty: today
  int rows = 0;
  int columns = 0;
  std::string format;
  std::vector<float> data;  // column after column
};

struct MemoValue {
  std::string title;
  std::string date;  // empty: today
  std::string text;
};

struct TimeSeriesValue {
  TimeSeriesHeader header;  // header.count is the number of values
  std::vector<float> values;
};

// What a write did.
struct WriteResult {
  int attributeCode = 0;
  std::string table;
  int32_t recid = 0;
  bool updated = false;  // true: the site's record was rewritten in place
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

// Builds an array record of a kind from text: numbers separated by commas,
// blanks or line ends; '#' starts a comment. Parameter records take one value
// a line, optionally preceded by its name ("valleySlope,0.005"); a
// cross-section takes "distance,elevation" lines; rating segments "A,B,C,D"
// lines; a table takes one line a row (`columns` values each). A first line
// that is not numbers is a header. Errors name `source`, the line and the field.
ArrayValue arrayFromText(ArrayKind kind, const std::string& text, const std::string& source);
// The same from numbers already split: parameters in stored order, cross-
// section points as distance, elevation pairs, segments as A, B, C, D
// quadruples, a table column after column with `rows` × `columns` values.
ArrayValue arrayFromNumbers(ArrayKind kind, const std::vector<float>& numbers, int rows = 0, int columns = 0);

// Text exports of stored values. An array by its Format: parameter records
// as name,value lines, a cross-section as distance,elevation up to its
// closing row, rating segments as A,B,C,D lines (each as arrayFromText reads
// it back); any other array one line a row, one column per stored column,
// when Rows × Columns matches its data. Decimals below 0: the shortest text
// that reads back as the same float.
std::string arrayCsv(const ArrayValue& value, int decimals = -1);
std::string timeSeriesCsv(const TimeSeriesValue& value, int decimals = 6);  // year,month,value

struct CreateResult {
  std::filesystem::path databaseFile;
  std::vector<std::string> createdTables;
  std::vector<std::string> keptTables;
};

// The host database of one alias.
class HostAdmin {
 public:
  // Opens the database of an ini file under `alias` (empty: the ini file's
  // datab_name, "TERAVOX" when missing). The ini file, the alias, its
  // directory and its dictionary tables must exist.
  // `lockWait` decides how long to wait for records another program holds
  // locked (none: give up at once with an error). HostAccess::ReadOnly opens
  // the database for reading only (listing and exporting).
  explicit HostAdmin(const std::filesystem::path& iniFile, const std::string& alias = {},
                     LockWaitHandler lockWait = {}, HostAccess access = HostAccess::ReadWrite);
  // On a session that the caller holds (its alias must hold a host database).
  HostAdmin(HostSession& session, const std::string& alias);
  ~HostAdmin();
  HostAdmin(const HostAdmin&) = delete;
  HostAdmin& operator=(const HostAdmin&) = delete;

  // Creates the dictionary and request tables under `alias` in `directory`
  // (created when missing; tables that exist are kept) and records the alias
  // in the ini file: section Aliases NAME=directory; section Startup
  // dat_dir and datab_name when the file has none yet, or always with
  // `makeDefault`.
  static CreateResult createDatabase(const std::filesystem::path& iniFile, const std::string& alias,
                                     const std::filesystem::path& directory, bool makeDefault = false);

  HostSession& session() { return *session_; }
  const std::string& alias() const { return alias_; }
  std::filesystem::path databaseFile() const;

  // Adds a feature; its spatial records go into `sourceTable` (created with
  // an integer `idField` key and a text `descField`). Returns the feature code.
  int addFeature(const std::string& name, const std::string& sourceTable, const std::string& idField = "ID",
                 const std::string& descField = "Name");
  // Adds a site (spatial record) with its integer id and its name.
  void addSite(const std::string& feature, int32_t id, const std::string& name);
  // Adds an attribute of a data type (0..7) to a feature, with its storage
  // entry: the table named after the data type unless `table` is given (an
  // attribute whose name holds "ensemble" gets a table of its own). Returns
  // the attribute code.
  int addAttribute(const std::string& feature, const std::string& name, int dataType, const std::string& table = {});

  WriteResult setText(const ValueTarget& target, const std::string& text);
  WriteResult setInteger(const ValueTarget& target, int32_t value);
  WriteResult setReal(const ValueTarget& target, float value);
  WriteResult setArray(const ValueTarget& target, const ArrayValue& value);
  WriteResult setMemo(const ValueTarget& target, const MemoValue& value);
  WriteResult setTimeSeries(const ValueTarget& target, const TimeSeriesValue& value);
  // Monthly volumes in million m3 from `startYear`/`startMonth` on; GeogID is
  // the site's name, DataID `dataId` (empty: the attribute's name).
  WriteResult setMonthlyFlows(const ValueTarget& target, int startYear, int startMonth, const std::vector<float>& values,
                              const std::string& dataId = {}, float area = 0.0f);
  // Reads a monthly flow file and writes it as the site's series; a bad file
  // changes nothing. `imported` (may be null) receives what was read.
  WriteResult importMonthlyFlows(const ValueTarget& target, const std::filesystem::path& file,
                                 const FlowCsvOptions& options, const std::string& dataId = {}, float area = 0.0f,
                                 MonthlyFlowSeries* imported = nullptr);
  // Makes a linked attribute of a site point at another attribute of a site.
  WriteResult setLink(const ValueTarget& target, const ValueTarget& linkedTo);

  // Adds a request for the model: `attributeCodes` by slot (0 for none), the
  // site as the spatial input. Returns the request's record number.
  int addRequest(const std::string& description, const std::string& date, const std::string& feature, int32_t site,
                 const std::vector<int32_t>& attributeCodes);

  std::vector<FeatureInfo> features();
  std::vector<SiteInfo> sites(const std::string& feature);
  std::vector<AttributeInfo> attributes(const std::string& feature = {});
  std::vector<RequestInfo> requests();
  // Number of sites that hold a value of an attribute.
  int valueCount(int attributeCode);

  FeatureInfo feature(const std::string& nameOrCode);
  AttributeInfo attribute(const std::string& nameOrCode, const std::string& feature = {});

  // Values as stored (a linked attribute is followed to the value it names).
  // nullopt when the site has no value. A record whose binary field does not
  // fit its header is an error naming the table, the record and the field.
  std::optional<std::string> readText(const ValueTarget& target);
  std::optional<ArrayValue> readArray(const ValueTarget& target);
  std::optional<MemoValue> readMemo(const ValueTarget& target);
  std::optional<TimeSeriesValue> readTimeSeries(const ValueTarget& target);

  // The text export of any attribute's value: a time series as CSV
  // year,month,value (in million m3), an array as CSV, a memo or text as it
  // is, a number as one line. Throws when the site holds no value.
  std::string exportValue(const ValueTarget& target, int decimals = -1);

 private:
  struct Located;
  void requireDatabase();
  AttributeInfo storageOf(AttributeInfo info);
  AttributeInfo ensureStorage(AttributeInfo info, const std::string& table);
  void requireSite(int featureCode, int32_t site);
  std::optional<SiteInfo> findSite(const FeatureInfo& f, int32_t site);
  template <typename Fill>
  WriteResult writeValue(const ValueTarget& target, int dataType, Fill fill);
  std::optional<Located> locate(const ValueTarget& target, int expectedType);

  std::unique_ptr<HostSession> ownedSession_;
  HostSession* session_ = nullptr;
  std::string alias_;
};

// Writes text to a file through a temporary file, so that a failed write
// leaves no half-written file behind. "-" writes to standard output.
void writeTextFile(const std::filesystem::path& file, const std::string& text);

}  // namespace oewr::hostdb
