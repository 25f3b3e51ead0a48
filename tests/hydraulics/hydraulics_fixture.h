#pragma once
// Shared set-up of the hydraulics tests: a scratch data directory and the
// worked-example channel (zone D, slope 0.01, width 40 m, scaling 0.5).
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

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
  state->dataDirectory = dir.path().string();
  state->siteName = "Worked example";
  SiteParameters& p = state->siteParameters;
  p.geoZone = 4;
  p.widthDepthScaling = 0.5f;
  p.hydroVariability = 2.0f;
  p.valleySlope = 0.01f;
  p.maxWidth = 40.0f;
  p.microRoughness = 0.01f;
  state->naturalFlows.hydroIndex = 2.0f;
  state->maxBaseflowWet = 5.0f;
  state->maxBaseflowDry = 1.0f;
  return state;
}

inline std::vector<std::string> readLines(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace oewr::testing
