#pragma once
// The rows of the hydraulics window's two parameter tables, and what a value
// must be to stand for the site parameter of its stored position: a number
// the model's formulas can carry, and a channel that can exist (a width, a
// depth, a roughness height, an n or a gradient that divides, or a value
// under a root, is above 0 or at least 0).
//
// Header only: the hydrology window names, with these labels and rules, a
// stored parameter that is no number when it reads it, and the hydrology
// library does not link the hydraulics.
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "common/errors.h"
#include "common/text_format.h"

namespace oewr {

// One row of a parameter table: the stored position of the value in
// siteParameters, the row label and the display format.
struct ParameterRow {
  int position;
  const char* label;
  const char* format;
};

inline constexpr std::array<ParameterRow, 16> kParameterRows = {{
    {3, "Geom. Zone", "%10.0f"},
    {4, "Width/Depth Scaling", "%10.2f"},
    {5, "Hydro. Variability", "%10.2f"},
    {6, "Valley Slope (fraction)", "%10.5f"},
    {7, "Catchment Area (km^2)", "%10.2f"},
    {8, "Max. Width (m)", "%10.2f"},
    {9, "Max. Depth (m)", "%10.2f"},
    {10, "Bed Width (Fraction)", "%10.2f"},
    {11, "Macro Roughness (m)", "%10.3f"},
    {12, "Micro Roughness (m)", "%10.3f"},
    {13, "Max. Gradient", "%10.5f"},
    {14, "Min. Gradient", "%10.5f"},
    {15, "Gradient Shape Factor", "%10.0f"},
    {16, "Max. Manning n", "%10.3f"},
    {17, "Min. Manning n", "%10.3f"},
    {18, "n Shape Factor", "%10.0f"},
}};

inline constexpr std::array<ParameterRow, 6> kObservedRows = {{
    {19, "Max. Gradient", "%10.5f"},
    {20, "Min. Gradient", "%10.5f"},
    {21, "Gradient Shape Factor", "%10.0f"},
    {22, "Max. Manning n", "%10.3f"},
    {23, "Min. Manning n", "%10.3f"},
    {24, "n Shape Factor", "%10.0f"},
}};

inline constexpr int kFirstObservedPosition = 19;
inline constexpr const char* kParameterTable = "Hydraulic Parameters";
inline constexpr const char* kObservedTable = "Obs. Hydraulic Data";
// Where a stored value is named from.
inline constexpr const char* kStoredParameters = "Site parameters (slot 4): ";

// The name of stored position 1 .. 24 in messages: its row label; the
// observed set's labels name their table.
inline std::string parameterLabel(int position) {
  if (position == 1) return "Baseflow Parameter A";
  if (position == 2) return "Baseflow Parameter B";
  if (position >= 3 && position < kFirstObservedPosition)
    return kParameterRows[static_cast<std::size_t>(position - 3)].label;
  if (position >= kFirstObservedPosition && position <= 24)
    return std::string(kObservedRows[static_cast<std::size_t>(position - kFirstObservedPosition)].label) + " (" +
           kObservedTable + ")";
  throw RangeError("Range check error: site parameter position " + std::to_string(position));
}

// What is wrong with `value` as the parameter at stored position 1 .. 24, as
// "<label> is <value>; it must be ...", or nothing when the model can use it.
//   every position: a finite number;
//   width/depth scaling, valley slope, width, depth, macro roughness (they
//     divide, or make the depth that divides): above 0;
//   bed width fraction: at least 0 and below 1 (a bed as wide as the channel
//     leaves no banks);
//   micro roughness (under the root of the maximum n estimate): at least 0;
//   gradients (under the root of Manning's law) and Manning n (dividing it):
//     above 0;
//   shape factors (the power of the S-curve): at least 0.
inline std::optional<std::string> parameterProblem(int position, float value) {
  const char* rule = nullptr;
  if (!std::isfinite(value)) {
    rule = "a finite number";
  } else {
    const int p = position >= kFirstObservedPosition ? position - 6 : position;  // observed set as main set
    switch (p) {
      case 4:   // widthDepthScaling
      case 6:   // valleySlope
      case 8:   // maxWidth
      case 9:   // maxDepth
      case 11:  // macroRoughness
      case 13:  // maxGradient
      case 14:  // minGradient
      case 16:  // maxManningN
      case 17:  // minManningN
        if (!(value > 0.0f)) rule = "above 0";
        break;
      case 10:  // bedWidthFraction
        if (!(value >= 0.0f && value < 1.0f)) rule = "at least 0 and below 1";
        break;
      case 12:  // microRoughness
      case 15:  // gradientShapeFactor
      case 18:  // nShapeFactor
        if (!(value >= 0.0f)) rule = "at least 0";
        break;
      default:
        break;
    }
  }
  if (rule == nullptr) return std::nullopt;
  return parameterLabel(position) + " is " + formatText("%g", value) + "; it must be " + rule;
}

}  // namespace oewr
