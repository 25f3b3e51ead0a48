#pragma once
// Model states for the flood tests: a rating on the stage grid as the
// hydraulics sub-model leaves it, a channel section, site parameters and
// natural monthly flows with baseflows; and a host database in a temporary
// directory with the flood-parameter attribute of slot 6.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostdb/blob_codec.h"
#include "hostdb/host_schema.h"
#include "hostdb/host_session.h"
#include "hostdb/host_table.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "hydraulics/rating_curve.h"
#include "process/model_state.h"
#include "support/scripted_ui.h"

namespace oewr::testing {

// Discharge of the test channel at depth d: 20 d^(5/3) m3/s.
inline float channelDischarge(float d) { return 20.0f * std::pow(d, 5.0f / 3.0f); }

// A rating up to `maxDepth` with lower and upper estimates 0.8 and 1.2 of
// the channel discharge, a 20 m wide section, and the site's parameters.
inline void fillRating(ModelState& s, float maxDepth = 2.0f) {
  s.hydraulics.stageCount = 0;
  for (float d = hydraulics::nextStage(0.0f); d < maxDepth; d = hydraulics::nextStage(d)) {
    s.hydraulics.stageDischargeLow[s.hydraulics.stageCount] = 0.8f * channelDischarge(d);
    s.hydraulics.stageDischargeHigh[s.hydraulics.stageCount] = 1.2f * channelDischarge(d);
    s.hydraulics.stageDischarge[s.hydraulics.stageCount] = channelDischarge(d);
    ++s.hydraulics.stageCount;
  }
  const float xs[][2] = {{0, 2}, {5, 0.5f}, {10, 0}, {15, 0.5f}, {20, 2}};
  s.hydraulics.modelXsCount = 5;
  for (int i = 0; i < 5; ++i) {
    s.hydraulics.modelXsDistance[i] = xs[i][0];
    s.hydraulics.modelXsElevation[i] = xs[i][1];
  }
}

// `count` monthly values from October 1950 (or `startMonth`): a seasonal
// pattern times a deterministic factor between 0.5 and 1.5; baseflow 0.4 of
// the flow. Values past the record hold 1e6, which no step may read.
inline void fillNatural(ModelState& s, int32_t count, int startMonth = 10, uint32_t seed = 7u) {
  static const float seasonal[12] = {2, 3, 6, 9, 12, 10, 7, 4, 2.5f, 1.8f, 1.5f, 1.6f};  // October first
  TimeSeries& n = s.site.naturalFlows;
  n.header.count = count;
  n.header.startYear = 1950;
  n.header.startMonth = static_cast<int16_t>(startMonth);
  uint32_t x = seed;
  float total = 0.0f;
  for (int32_t i = 0; i < 50001; ++i) {
    if (i >= count) {
      n.values[i] = 1e6f;
      n.baseflows[i] = 0.0f;
      continue;
    }
    x = x * 1664525u + 1013904223u;
    const float factor = 0.5f + static_cast<float>(x >> 8) / static_cast<float>(1u << 24);
    const float v = seasonal[(i + startMonth - 10 + 24) % 12] * factor;
    n.values[i] = v;
    n.baseflows[i] = 0.4f * v;
    if (i < count / 12 * 12) total += v;
  }
  n.mar = count >= 12 ? total / static_cast<float>(count / 12) : 0.0f;
}

// A state ready for the flood window: rating, section, baseflow 1 m3/s,
// catchment 500 km2, hydrological variability 10, 20 years of flows.
inline std::unique_ptr<ModelState> makeFloodState(float hydroVariability = 10.0f, int32_t months = 240) {
  auto s = makeModelState();
  fillRating(*s);
  s->hydrology.maxBaseflowWet = 1.0f;
  s->site.siteParameters.catchmentArea = 500.0f;
  s->site.siteParameters.hydroVariability = hydroVariability;
  fillNatural(*s, months);
  return s;
}

// A host database under alias TERAVOX with the flood-parameter attribute
// (code 106, slot 6) of site 1 stored in the table "array".
class FloodHost {
 public:
  static constexpr const char* kAlias = "TERAVOX";
  static constexpr int kSite = 1;
  static constexpr int kFloodAttribute = 106;

  FloodHost() {
    std::string pattern = (std::filesystem::temp_directory_path() / "oewr_floods_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary directory");
    dir = pattern;
    session = std::make_unique<hostdb::HostSession>(std::map<std::string, std::string>{{kAlias, dir.string()}});
    for (int i = 1; i <= 4; ++i)
      session->createTable(kAlias, "data_dict" + std::to_string(i), hostdb::dictTableDef(i));
    session->createTable(kAlias, "array", hostdb::attributeTableDef(hostdb::kArray));
    insert("data_dict2", {{"Feature Code", 1},
                          {"Attribute Name", "Flood parameters"},
                          {"Attribute Code", kFloodAttribute},
                          {"Datatype", std::to_string(hostdb::kArray)}});
    insert("data_dict3", {{"Attribute Code", kFloodAttribute},
                          {"Table Code", hostdb::kArray},
                          {"Database Alias", kAlias},
                          {"Table Name", "array"},
                          {"Max. Rec", 0}});
    tx = std::make_unique<hostdb::Ttxtab>(*session, kAlias, ui);
    saveDialog.ui = &ui;
  }
  ~FloodHost() {
    tx.reset();
    session.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  FloodHost(const FloodHost&) = delete;
  FloodHost& operator=(const FloodHost&) = delete;

  void attach(ModelState& s) const {
    s.site.databaseName = kAlias;
    s.site.requestSpatialRecord = kSite;
    s.site.spatialRecord = kSite;
    s.site.attributeCodes[6] = kFloodAttribute;
  }

  // Stores a flood-parameter record for the site; `recordToo` false leaves
  // only the dictionary's link to it.
  void storeParameters(const std::vector<float>& values, bool recordToo = true) {
    const int recid = 7;
    if (recordToo)
      insert("array", {{"RECID", recid},
                       {"Title", "OEWR Saved Flood Parameters"},
                       {"Rows", 5},
                       {"Columns", 5},
                       {"Format", "OEWR_SavedFlood_parameters.txp"},
                       {"Data", hostdb::floatsToBlob(values)}});
    insert("data_dict4", {{"Attribute Code", kFloodAttribute}, {"Spatial Record", kSite}, {"Table Record", recid}});
  }

  // The site's stored record: its fields, or nothing.
  struct Stored {
    std::string title, format;
    long long rows = 0, columns = 0;
    std::vector<float> data;
  };
  std::optional<Stored> stored() {
    auto recid = tx->tableRecordOf(kFloodAttribute, kSite);
    if (!recid) return std::nullopt;
    hostdb::HostTable t(*session, kAlias, "array");
    t.open();
    if (!t.findKey({hostdb::FieldValue(*recid)})) return std::nullopt;
    Stored s;
    s.title = t.field("Title").asText();
    s.format = t.field("Format").asText();
    s.rows = t.field("Rows").asInteger();
    s.columns = t.field("Columns").asInteger();
    s.data = hostdb::blobToFloats(t.readBlob("Data"));
    return s;
  }

  std::filesystem::path dir;
  ScriptedUi ui;
  std::unique_ptr<hostdb::HostSession> session;
  std::unique_ptr<hostdb::Ttxtab> tx;
  hostdb::Ttable_save saveDialog;

 private:
  void insert(const std::string& table, const std::vector<std::pair<std::string, hostdb::FieldValue>>& fields) {
    hostdb::HostTable t(*session, kAlias, table);
    t.open();
    t.append();
    for (const auto& [name, value] : fields) t.setField(name, value);
    t.post();
  }
};

}  // namespace oewr::testing
