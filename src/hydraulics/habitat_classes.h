#pragma once
// Hydraulic habitat classes of a stage: depths sampled at about 101 verticals
// across the wetted section, the frequency distribution of point velocities
// from the mean velocity, the Froude number and the relative roughness,
// calibrated to carry the stage's discharge, and the shares of the seven
// velocity-depth classes, with the habitat file written after a run.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "hydraulics/rating_curve.h"
#include "hydraulics/synthetic_section.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr::hydraulics {

enum HabitatClass { kSVS = 0, kSS, kSD, kFVS, kFS, kFI, kFD };
extern const std::array<const char*, kHabitatClassCount> kHabitatClassNames;

constexpr int kClassCount = 20;          // depth classes and velocity classes
constexpr int kVelocityTableSize = 100;  // classes of the velocity working table
constexpr int kMaxVerticals = 201;
constexpr int kMaxRescalingPasses = 100;
constexpr float kVelocityBoundary = 0.3f;  // slow / fast, m/s

struct DepthClasses {
  std::array<float, kClassCount> lower{};      // L_k
  std::array<float, kClassCount> upper{};      // U_k = (k + 1) dh
  std::array<float, kClassCount> frequency{};  // % of counted verticals
  int32_t verticals = 0;                       // verticals recorded
  int32_t counted = 0;                         // of them with a depth above 0
};

struct VelocityClasses {
  std::array<float, kClassCount> midpoint{};   // v_i, calibrated
  std::array<float, kClassCount> frequency{};  // fv_i, %
  float width = 0;                             // dv, calibrated
  float shape = 0;                             // s, 0 smooth .. 1 rough
  bool settled = true;  // the 99.9 % point settled in class 20
};

using ClassShares = std::array<float, kHabitatClassCount>;

// Samples the depths of the wetted section at stage d and forms the depth
// classes. Returns false when no vertical with a depth above 0 was found: a
// stage whose wetted width is 0 has no verticals.
bool sampleVerticals(const HydraulicSection& section, int32_t npt, float d, const SectionHydraulics& hyd,
                     DepthClasses& depths);

// The velocity classes of a stage with discharge Q, wetted width Ww, mean
// depth hbar and mean velocity V > 0, calibrated against the depth classes.
// The rescaling of the class width is bounded: a distribution that has not
// settled after kMaxRescalingPasses passes, or whose first class already
// holds the 99.9 % point (no rescaling can move it), is kept as it was last
// computed and `settled` is false.
void velocityDistribution(float macroRoughness, float Ww, float Q, float hbar, float V, const DepthClasses& depths,
                          VelocityClasses& velocities);

// The seven class shares (%, summing to 100) of the joint distribution.
ClassShares classShares(const DepthClasses& depths, const VelocityClasses& velocities);

// The habitat step of one realisation at one stage.
struct StageHabitat {
  ClassShares shares{};
  float width = 0;
  bool settled = true;
};
StageHabitat habitatStep(const HydraulicSection& section, int32_t npt, float d, float Q,
                         const SectionHydraulics& hyd, float macroRoughness);

// A site's habitat file: siteName (made safe for a file name) followed by
// "_habitat.txt", in the data directory.
std::filesystem::path habitatFilePath(HydraulicsView state);

// Writes the lines (CRLF ends) to the habitat file completely or not at all:
// a temporary file beside it is renamed over it. Throws ModelError naming the
// file when it cannot be written.
void writeHabitatFile(HydraulicsView state, const std::vector<std::string>& lines);
// The habitat file of a synthetic run (habitatFileLines).
void writeHabitatFile(HydraulicsView state);
// The habitat file of a run that has its results: a file that cannot be
// written is said through `ui` and the run's results stand (the file is a
// copy of the habitat classes for other tools, not an input of any step).
void keepHabitatFile(HydraulicsView state, const std::vector<std::string>& lines, Ui& ui);

}  // namespace oewr::hydraulics
