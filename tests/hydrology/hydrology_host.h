#pragma once
// A host database in a temporary directory with the attributes the hydrology
// window reads (slot 4 site parameters, slot 5 ecological parameters, slots 10
// to 12 flow series) for one site, the model state of a request on it, and a
// scripted person.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "hostdb/blob_codec.h"
#include "hostdb/host_schema.h"
#include "hostdb/host_session.h"
#include "hostdb/host_table.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "hostdb/timeseries_codec.h"
#include "process/model_state.h"
#include "support/scripted_ui.h"

namespace oewr::testing {

class HydrologyHost {
 public:
  static constexpr const char* kAlias = "TERAVOX";
  static constexpr int kSite = 1;
  static constexpr int kSiteParameters = 104;
  static constexpr int kEcological = 105;
  static constexpr int kNatural = 110;
  static constexpr int kPresent = 111;
  static constexpr int kScenario = 112;

  HydrologyHost() {
    std::string pattern = (std::filesystem::temp_directory_path() / "oewr_hydrology_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary directory");
    dir = pattern;
    session = std::make_unique<hostdb::HostSession>(std::map<std::string, std::string>{{kAlias, dir.string()}});
    for (int i = 1; i <= 4; ++i)
      session->createTable(kAlias, "data_dict" + std::to_string(i), hostdb::dictTableDef(i));
    session->createTable(kAlias, "array", hostdb::attributeTableDef(hostdb::kArray));
    session->createTable(kAlias, "timeseries", hostdb::attributeTableDef(hostdb::kTimeseries));
    addAttribute(kSiteParameters, "Hydrology parameters", hostdb::kArray, "array");
    addAttribute(kEcological, "Ecological parameters", hostdb::kArray, "array");
    addAttribute(kNatural, "Natural flows", hostdb::kTimeseries, "timeseries");
    addAttribute(kPresent, "Present day flows", hostdb::kTimeseries, "timeseries");
    addAttribute(kScenario, "Scenario flows", hostdb::kTimeseries, "timeseries");
    tx = std::make_unique<hostdb::Ttxtab>(*session, kAlias, ui);
    state = makeModelState();
    state->site.databaseName = kAlias;
    state->site.requestSpatialRecord = kSite;
    state->site.siteName = "Test River at Weir";
    state->site.attributeCodes[4] = kSiteParameters;
    state->site.attributeCodes[5] = kEcological;
    state->site.attributeCodes[10] = kNatural;
    state->site.attributeCodes[11] = kPresent;
    state->site.attributeCodes[12] = kScenario;
    saveDialog.ui = &ui;
  }
  ~HydrologyHost() {
    tx.reset();
    session.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  HydrologyHost(const HydrologyHost&) = delete;
  HydrologyHost& operator=(const HydrologyHost&) = delete;

  // Site parameters in stored order (24 values make a whole record).
  void setSiteParameters(const std::vector<float>& values) {
    hostdb::HostTable t(*session, kAlias, "array");
    t.open();
    t.append();
    const int recid = nextRecid("array");
    t.setField("RECID", recid);
    t.setField("Title", "OEWR hydrology/hydraulic parameters");
    t.setField("Rows", static_cast<int>(values.size()));
    t.setField("Columns", 1);
    t.setField("Format", "OEWR_hyd_hydraulic_parameters.txp");
    t.writeBlob("Data", hostdb::floatsToBlob(values));
    t.post();
    link(kSiteParameters, recid);
  }

  // A monthly series of volumes (million m3 with the default unit codes).
  void setSeries(int attribute, int startYear, int startMonth, const std::vector<float>& values, int varType = 3,
                 int varUnit = 4) {
    TimeSeriesHeader h;
    h.geogId = "Test River";
    h.dataId = "flows " + std::to_string(attribute);
    h.timeUnit = 3;
    h.timeInterval = 1;
    h.timeIntervalType = 1;
    h.varType = static_cast<int16_t>(varType - 1);
    h.varUnit = static_cast<int16_t>(varUnit);
    h.missingCode = -999;
    h.scale = 1;
    h.startYear = static_cast<int16_t>(startYear);
    h.startMonth = static_cast<int16_t>(startMonth);
    h.startDay = 1;
    const int last = startMonth - 1 + static_cast<int>(values.size()) - 1;
    h.endYear = static_cast<int16_t>(startYear + last / 12);
    h.endMonth = static_cast<int16_t>(last % 12 + 1);
    h.endDay = 1;
    h.count = static_cast<int32_t>(values.size());
    hostdb::HostTable t(*session, kAlias, "timeseries");
    t.open();
    t.append();
    const int recid = nextRecid("timeseries");
    t.setField("RECID", recid);
    hostdb::writeTimeSeriesHeader(h, t);
    hostdb::writeTimeSeriesValues(values, t);
    link(attribute, recid);
  }

  // The stored floats of the site's ecological parameters; empty when none.
  std::vector<float> storedEcologicalParameters() {
    hostdb::HostTable d4(*session, kAlias, "data_dict4");
    d4.open();
    if (!d4.findKey({hostdb::FieldValue(kEcological), hostdb::FieldValue(kSite)})) return {};
    const auto recid = d4.field("Table Record").asInteger();
    hostdb::HostTable t(*session, kAlias, "array");
    t.open();
    if (!t.findKey({hostdb::FieldValue(recid)})) return {};
    return hostdb::blobToFloats(t.readBlob("Data"));
  }

  std::filesystem::path dir;
  std::unique_ptr<hostdb::HostSession> session;
  ScriptedUi ui;
  std::unique_ptr<hostdb::Ttxtab> tx;
  hostdb::Ttable_save saveDialog;
  std::unique_ptr<ModelState> state;

 private:
  void addAttribute(int code, const std::string& name, int dataType, const std::string& table) {
    hostdb::HostTable d2(*session, kAlias, "data_dict2");
    d2.open();
    d2.append();
    d2.setField("Feature Code", 1);
    d2.setField("Attribute Name", name);
    d2.setField("Attribute Code", code);
    d2.setField("Datatype", std::to_string(dataType));
    d2.post();
    hostdb::HostTable d3(*session, kAlias, "data_dict3");
    d3.open();
    d3.append();
    d3.setField("Attribute Code", code);
    d3.setField("Table Code", dataType);
    d3.setField("Database Alias", kAlias);
    d3.setField("Table Name", table);
    d3.setField("Max. Rec", 0);
    d3.post();
  }
  int nextRecid(const std::string& table) {
    hostdb::HostTable t(*session, kAlias, table);
    t.open();
    int highest = 0;
    for (t.first(); !t.eof(); t.next()) highest = std::max(highest, static_cast<int>(t.field("RECID").asInteger()));
    return highest + 1;
  }
  void link(int attribute, int recid) {
    hostdb::HostTable d4(*session, kAlias, "data_dict4");
    d4.open();
    d4.append();
    d4.setField("Attribute Code", attribute);
    d4.setField("Spatial Record", kSite);
    d4.setField("Table Record", recid);
    d4.post();
    hostdb::HostTable d3(*session, kAlias, "data_dict3");
    d3.open();
    for (d3.first(); !d3.eof(); d3.next())
      if (d3.field("Table Code").asInteger() ==
          (attribute == kSiteParameters || attribute == kEcological ? hostdb::kArray : hostdb::kTimeseries)) {
        d3.edit();
        d3.setField("Max. Rec", recid);
        d3.post();
      }
  }
};

// Site parameters of a tidy site: A = 0, B = 0.5, zone 3, slope 0.002, area 850 km2.
inline std::vector<float> tidySiteParameters() {
  std::vector<float> p(24, 1.0f);
  p[0] = 0.0f;
  p[1] = 0.5f;
  p[2] = 3.0f;
  p[5] = 0.002f;
  p[6] = 850.0f;
  return p;
}

}  // namespace oewr::testing
