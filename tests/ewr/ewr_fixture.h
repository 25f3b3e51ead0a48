#pragma once
// Model states for the final-analysis tests: natural (and present-day) monthly
// flows with baseflows, critical months and the ecological requirements of
// the critical months as the ecological sub-model leaves them; and a host
// database in a temporary directory with the five result attributes.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostdb/host_schema.h"
#include "hostdb/host_session.h"
#include "hostdb/host_table.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "process/model_state.h"
#include "support/scripted_ui.h"

namespace oewr::testing {

// Mean monthly flow, million m3, by calendar month (index 0 = January): a
// summer-rainfall river, wet in February, dry in September.
inline constexpr std::array<float, 12> kSeasonalFlow = {9.0f, 14.0f, 11.0f, 6.0f, 3.5f, 2.2f,
                                                        1.6f, 1.2f, 1.0f, 1.8f, 3.0f, 5.5f};

// Fills a series with `count` monthly values from (startYear, startMonth) on:
// the seasonal mean times a deterministic factor between 0.5 and 1.5, the
// baseflow 0.4 of the flow. `scale` multiplies every value.
inline void fillSeries(TimeSeries& s, int32_t count, int startMonth, uint32_t seed, float scale = 1.0f) {
  s.header.count = count;
  s.header.startYear = 1920;
  s.header.startMonth = static_cast<int16_t>(startMonth);
  s.header.startDay = 1;
  const int last = startMonth - 1 + (count > 0 ? count - 1 : 0);
  s.header.endYear = static_cast<int16_t>(1920 + last / 12);
  s.header.endMonth = static_cast<int16_t>(last % 12 + 1);
  s.header.endDay = 1;
  s.header.geogId = "Test River";
  s.header.dataId = "Monthly flows";
  uint32_t x = seed;
  float total = 0.0f;
  for (int32_t i = 0; i < count; ++i) {
    x = x * 1664525u + 1013904223u;
    const float factor = 0.5f + static_cast<float>(x >> 8) / static_cast<float>(1u << 24);
    const int calendar = (startMonth - 1 + i) % 12;
    const float v = kSeasonalFlow[static_cast<std::size_t>(calendar)] * factor * scale;
    s.values[i] = v;
    s.baseflows[i] = 0.4f * v;
    if (i < count / 12 * 12) total += v;
  }
  s.mar = count >= 12 ? total / static_cast<float>(count / 12) : 0.0f;
}

// The whole-year values of one hydrological month of a series' baseflows, ascending.
inline std::vector<float> sortedMonthBaseflows(const TimeSeries& s, int hydroMonth) {
  std::vector<float> v;
  const int32_t years = s.header.count / 12;
  for (int32_t i = 0; i < years * 12; ++i) {
    const int calendar = (s.header.startMonth - 1 + i) % 12 + 1;
    if (hydroMonthIndex(calendar) == hydroMonth) v.push_back(s.baseflows[i]);
  }
  std::sort(v.begin(), v.end());
  return v;
}

// Critical months and the ecological requirement of the two critical
// months: category c keeps the share 0.7 - 0.08 c of the natural baseflow
// at every rank.
inline void fillEcology(ModelState& s, int wetMonth, int dryMonth) {
  s.hydrology.criticalWetMonth = wetMonth;
  s.hydrology.criticalDryMonth = dryMonth;
  for (int calendar : {wetMonth, dryMonth}) {
    const int m = hydroMonthIndex(calendar);
    const auto nb = sortedMonthBaseflows(s.site.naturalFlows, m);
    for (int c = 0; c < kCategoryCount; ++c)
      for (std::size_t r = 0; r < nb.size(); ++r)
        s.ecology.ecoLowReq[m][c][static_cast<long long>(r)] = nb[r] * (0.7f - 0.08f * static_cast<float>(c));
  }
}

// Flood volumes: every month of category c gets 0.05 (c + 1) x its natural flow.
inline void fillHighFlows(ModelState& s) {
  const int32_t count = s.site.naturalFlows.header.count;
  for (int c = 0; c < kCategoryCount; ++c) {
    for (int32_t i = 0; i < count; ++i)
      s.floods.highFlowSeries[c][i] = 0.05f * static_cast<float>(c + 1) * s.site.naturalFlows.values[i];
    for (int m = 0; m < 12; ++m) {
      std::vector<float> v;
      for (int32_t i = 0; i < count / 12 * 12; ++i)
        if (hydroMonthIndex((s.site.naturalFlows.header.startMonth - 1 + i) % 12 + 1) == m)
          v.push_back(s.floods.highFlowSeries[c][i]);
      std::sort(v.begin(), v.end());
      for (std::size_t r = 0; r < v.size(); ++r) s.floods.highFlowAssurance[m][c][static_cast<long long>(r)] = v[r];
    }
  }
}

// A complete state: `years` whole years and `extraMonths` more from October
// (or `startMonth`), present-day flows at 0.8 of a different draw, critical
// months March (wet) and September (dry), flood volumes.
inline std::unique_ptr<ModelState> makeAnalysisState(int years, int extraMonths = 0, int startMonth = 10) {
  auto s = makeModelState();
  fillSeries(s->site.naturalFlows, years * 12 + extraMonths, startMonth, 11u);
  fillSeries(s->site.presentFlows, years * 12 + extraMonths, startMonth, 23u, 0.8f);
  fillEcology(*s, 3, 9);
  fillHighFlows(*s);
  return s;
}

// A host database under alias TERAVOX in a temporary directory, with the
// five result attributes of site 1 stored in the tables "array",
// "timeseries" and "memo", and a request state whose slots 13 to 17 name them.
class EwrHost {
 public:
  static constexpr const char* kAlias = "TERAVOX";
  static constexpr int kSite = 1;
  static constexpr int kFirstCode = 113;  // slot 13 .. 17 → 113 .. 117

  EwrHost() {
    std::string pattern = (std::filesystem::temp_directory_path() / "oewr_ewr_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary directory");
    dir = pattern;
    session = std::make_unique<hostdb::HostSession>(std::map<std::string, std::string>{{kAlias, dir.string()}});
    for (int i = 1; i <= 4; ++i)
      session->createTable(kAlias, "data_dict" + std::to_string(i), hostdb::dictTableDef(i));
    session->createTable(kAlias, "array", hostdb::attributeTableDef(hostdb::kArray));
    session->createTable(kAlias, "timeseries", hostdb::attributeTableDef(hostdb::kTimeseries));
    session->createTable(kAlias, "memo", hostdb::attributeTableDef(hostdb::kMemo));
    const std::array<std::pair<const char*, int>, 5> attributes = {{{"EWR total assurance", hostdb::kArray},
                                                                    {"EWR low assurance", hostdb::kArray},
                                                                    {"EWR total series", hostdb::kTimeseries},
                                                                    {"EWR low series", hostdb::kTimeseries},
                                                                    {"EWR report", hostdb::kMemo}}};
    for (int k = 0; k < 5; ++k) {
      const int code = kFirstCode + k;
      const auto& [name, type] = attributes[static_cast<std::size_t>(k)];
      insert("data_dict2", {{"Feature Code", 1},
                            {"Attribute Name", name},
                            {"Attribute Code", code},
                            {"Datatype", std::to_string(type)}});
      insert("data_dict3", {{"Attribute Code", code},
                            {"Table Code", type},
                            {"Database Alias", kAlias},
                            {"Table Name", hostdb::dataTypeName(type)},
                            {"Max. Rec", 0}});
    }
    tx = std::make_unique<hostdb::Ttxtab>(*session, kAlias, ui);
    saveDialog.ui = &ui;
  }
  ~EwrHost() {
    tx.reset();
    session.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  EwrHost(const EwrHost&) = delete;
  EwrHost& operator=(const EwrHost&) = delete;

  // Points the state's request at the site and the result slots at the attributes.
  void attach(ModelState& s) const {
    s.site.databaseName = kAlias;
    s.site.requestSpatialRecord = kSite;
    s.site.spatialRecord = kSite;
    for (int slot = 13; slot <= 17; ++slot) s.site.attributeCodes[slot] = kFirstCode + slot - 13;
  }

  // The site's record of the attribute of a slot: a cursor on it, or nullptr.
  std::unique_ptr<hostdb::HostTable> recordOfSlot(int slot) {
    const int code = kFirstCode + slot - 13;
    auto recid = tx->tableRecordOf(code, kSite);
    if (!recid) return nullptr;
    const int type = slot <= 14 ? hostdb::kArray : slot <= 16 ? hostdb::kTimeseries : hostdb::kMemo;
    auto t = std::make_unique<hostdb::HostTable>(*session, kAlias, hostdb::dataTypeName(type));
    t->open();
    if (!t->findKey({hostdb::FieldValue(*recid)})) return nullptr;
    return t;
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
