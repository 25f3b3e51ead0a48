#pragma once
// Host administration: the small part of the host framework that a user of
// the model needs to get data in and out. Creates a host database under an
// alias (dictionary and request tables, ini file), adds features, sites
// (spatial records) and attributes, writes and reads attribute values of a
// site, adds request records for the model, lists what is there and exports
// values to files. Every write is one transaction: all of it or nothing.
// HostAdmin's members are defined by concern: opening in host_admin.cpp,
// creating in host_creation.cpp, the dictionary in host_dictionary.cpp,
// values in host_values.cpp and requests in host_requests.cpp.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostdb/array_text.h"
#include "hostdb/flow_csv.h"
#include "hostdb/host_session.h"
#include "hostdb/host_table.h"
#include "hostdb/model_records.h"
#include "hostdb/timeseries_codec.h"
#include "model/site_inputs.h"

namespace oewr::hostdb {

// Ini file defaults of the host.
extern const char* const kDefaultDatabaseName;  // "TERAVOX"

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

// The text export of a stored series, values in million m3.
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

}  // namespace oewr::hostdb
