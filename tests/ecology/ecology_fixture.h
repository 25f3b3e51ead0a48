#pragma once
// Model states for the ecology tests: a rating curve with habitat shares on
// the stage grid as the hydraulics sub-model leaves them, monthly flow
// series, critical months; and a host database with the ecological-parameter
// attribute of slot 5.
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "process/model_state.h"
#include "support/scripted_ui.h"
#include "support/test_host.h"

namespace oewr::testing {

// Depth (m) of stage j of the stage grid.
inline float stageDepth(int j) { return j <= 24 ? 0.002f * static_cast<float>(j + 1) : 0.05f + 0.01f * static_cast<float>(j - 24); }

// A channel of 600 stages: discharge 5 d^1.6, fast very shallow habitat at
// the smallest depths, fast shallow peaking at 0.2 m, fast intermediate at
// 0.5 m, fast deep from 0.4 m on; slow classes fill the rest.
inline void fillChannel(ModelState& s, float fdScale = 1.0f) {
  s.hydraulics.stageCount = 600;
  for (int j = 0; j < s.hydraulics.stageCount; ++j) {
    const float d = stageDepth(j);
    s.hydraulics.stageDischarge[j] = 5.0f * std::pow(d, 1.6f);
    s.hydraulics.stageWidth[j] = 10.0f + 20.0f * d;
    const float fvs = 40.0f * std::exp(-d / 0.1f);
    const float fs = 35.0f * (d / 0.2f) * std::exp(1.0f - d / 0.2f);
    const float fi = 30.0f * (d / 0.5f) * std::exp(1.0f - d / 0.5f);
    const float fd = d > 0.4f ? fdScale * 40.0f * (1.0f - std::exp(-(d - 0.4f) / 0.5f)) : 0.0f;
    const float slow = std::max(0.0f, 100.0f - fvs - fs - fi - fd) / 3.0f;
    s.hydraulics.stageClassShare[0][j] = slow;
    s.hydraulics.stageClassShare[1][j] = slow;
    s.hydraulics.stageClassShare[2][j] = slow;
    s.hydraulics.stageClassShare[3][j] = fvs;
    s.hydraulics.stageClassShare[4][j] = fs;
    s.hydraulics.stageClassShare[5][j] = fi;
    s.hydraulics.stageClassShare[6][j] = fd;
  }
  // The stages where the mean discharge passes 3 m3/s (wet) and 0.5 m3/s (dry).
  auto stageOf = [&s](float q) {
    int j = 0;
    while (j < s.hydraulics.stageCount - 1 && s.hydraulics.stageDischarge[j] < q) ++j;
    return j;
  };
  s.hydraulics.wetBaseflowStage = stageOf(3.0f);
  s.hydraulics.dryBaseflowStage = stageOf(0.5f);
  s.hydraulics.wetBaseflowDepth = stageDepth(s.hydraulics.wetBaseflowStage);
  s.hydraulics.dryBaseflowDepth = stageDepth(s.hydraulics.dryBaseflowStage);
}

// Mean monthly flow, million m3, by calendar month (index 0 = January): wet
// in February, dry in September.
inline constexpr float kMeanFlow[12] = {9.0f, 10.0f, 8.0f, 5.0f, 3.0f, 2.0f, 1.6f, 1.3f, 1.0f, 1.8f, 3.0f, 5.5f};

// `count` monthly values from `startMonth` on: the mean times a factor
// between 0.2 and 1.8 drawn from `seed`; `scale` multiplies every value.
inline void fillFlows(TimeSeries& t, int32_t count, int startMonth, uint32_t seed, float scale = 1.0f) {
  t.header.count = count;
  t.header.startYear = 1920;
  t.header.startMonth = static_cast<int16_t>(startMonth);
  uint32_t x = seed;
  for (int32_t i = 0; i < count; ++i) {
    x = x * 1664525u + 1013904223u;
    const float factor = 0.2f + 1.6f * static_cast<float>(x >> 8) / static_cast<float>(1u << 24);
    const int calendar = (startMonth - 1 + i) % 12;
    t.values[i] = kMeanFlow[calendar] * factor * scale;
  }
}

// A complete state: the channel, `years` years and `extraMonths` months of
// natural flows from October, present-day flows at 0.6 and scenario flows
// at 0.8 of other draws, critical months February and September, and the
// weights of a new site (all zero).
inline std::unique_ptr<ModelState> makeEcologyState(int years = 115, int extraMonths = 3, bool present = true,
                                                    bool scenario = true) {
  auto s = makeModelState();
  fillChannel(*s);
  fillFlows(s->site.naturalFlows, years * 12 + extraMonths, 10, 17u);
  if (present) fillFlows(s->site.presentFlows, years * 12 + extraMonths, 10, 29u, 0.6f);
  if (scenario) fillFlows(s->site.scenarioFlows, years * 12 + extraMonths, 10, 41u, 0.8f);
  s->hydrology.criticalWetMonth = 2;
  s->hydrology.criticalDryMonth = 9;
  s->site.maxBaseflowExceedence = 15;
  s->site.dataDirectory = "/tmp";
  return s;
}

// A host database with one site whose request slots name its attributes
// (slot 5: "Ecological parameters"), a state attached to it, a scripted
// person and the table-save dialog.
struct EcologyHost {
  TestHost host;
  ScriptedUi ui;
  hostdb::Ttable_save saveDialog;
  std::unique_ptr<hostdb::Ttxtab> tx;
  std::unique_ptr<ModelState> state;

  explicit EcologyHost(std::unique_ptr<ModelState> s = makeEcologyState()) : state(std::move(s)) {
    tx = std::make_unique<hostdb::Ttxtab>(host.admin->session(), "TERAVOX", ui);
    saveDialog.ui = &ui;
    state->site.databaseName = "TERAVOX";
    state->site.requestSpatialRecord = TestHost::kSite;
    state->site.spatialRecord = TestHost::kSite;
    for (int slot = 3; slot <= 17; ++slot) state->site.attributeCodes[slot] = host.codes[static_cast<std::size_t>(slot)];
  }

  std::optional<hostdb::ArrayValue> storedParameters() { return host.admin->readArray(host.target(5)); }
};

}  // namespace oewr::testing
