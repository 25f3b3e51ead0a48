#pragma once
// Shared set-up of the hydraulics tests: a scratch data directory and the
// worked-example channel (zone D, slope 0.01, width 40 m, scaling 0.5).
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "hostdb/host_session.h"
#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "hydraulics/hydraulics_window.h"
#include "hydraulics/rating_curve.h"
#include "process/model_state.h"
#include "support/scripted_ui.h"

namespace oewr::testing {

class ScratchDir {
 public:
  ScratchDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("oewr-hyd-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A state whose parameters are those of the worked example before any
// estimation; the habitat file goes to `dir`.
inline std::unique_ptr<ModelState> workedExampleState(const ScratchDir& dir) {
  auto state = makeModelState();
  state->site.dataDirectory = dir.path().string();
  state->site.siteName = "Worked example";
  SiteParameters& p = state->site.siteParameters;
  p.geoZone = 4;
  p.widthDepthScaling = 0.5f;
  p.hydroVariability = 2.0f;
  p.valleySlope = 0.01f;
  p.maxWidth = 40.0f;
  p.microRoughness = 0.01f;
  state->site.naturalFlows.hydroIndex = 2.0f;
  state->hydrology.maxBaseflowWet = 5.0f;
  state->hydrology.maxBaseflowDry = 1.0f;
  return state;
}

// The worked-example channel with its parameters as loaded (no estimation
// needed), an observed set of gradients and n values, a surveyed section 16 m
// wide whose bank level is 1.8 m, and an observed rating table of 151 rows.
inline std::unique_ptr<ModelState> surveyedState(const ScratchDir& dir) {
  auto state = workedExampleState(dir);
  SiteParameters& p = state->site.siteParameters;
  p.maxDepth = 2.0f;
  p.bedWidthFraction = 0.0f;
  p.macroRoughness = 0.5f;
  p.maxGradient = 0.02f;
  p.minGradient = 0.01f;
  p.gradientShapeFactor = 10;
  p.maxManningN = 0.08f;
  p.minManningN = 0.05f;
  p.nShapeFactor = 20;
  p.obsMaxGradient = 0.015f;
  p.obsMinGradient = 0.005f;
  p.obsGradientShapeFactor = 8;
  p.obsMaxManningN = 0.07f;
  p.obsMinManningN = 0.04f;
  p.obsNShapeFactor = 15;
  const float xs[][2] = {{0, 2.0f},  {2, 1.2f},  {4, 0.5f},  {6, 0.1f}, {8, 0.0f},
                         {10, 0.2f}, {12, 0.6f}, {14, 1.3f}, {16, 1.8f}};
  state->site.xsPointCount = 9;
  for (int i = 0; i < 9; ++i) {
    state->site.xsDistance[i] = xs[i][0];
    state->site.xsElevation[i] = xs[i][1];
  }
  state->site.ratingCount = 151;
  for (int i = 0; i < 151; ++i) {
    state->site.ratingDepth[i] = static_cast<float>(i) * 0.01f;
    state->site.ratingFlow[i] = 10.0f * std::pow(state->site.ratingDepth[i], 1.6f);
  }
  return state;
}

// The number of stages of the grid below a depth.
inline int stagesBelow(float depth) {
  int n = 0;
  for (float d = hydraulics::nextStage(0.0f); d < depth; d = hydraulics::nextStage(d)) ++n;
  return n;
}

// The hydraulics window on a host without any database, for the tests that
// save nothing.
struct NoHost {
  ScriptedUi ui;
  hostdb::HostSession session;
  hostdb::Ttxtab tx{session, "TERAVOX", ui};
  hostdb::Ttable_save dialog;
};

inline std::vector<std::string> readLines(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace oewr::testing
