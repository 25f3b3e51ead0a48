#pragma once
// The synthetic channel cross-section: a symmetric trapezoid, V or parabola
// of the channel's width and depth, sampled finely over the bed and coarsely
// on the banks, roughened with random bed forms as high as the macro
// roughness and rescaled so that its lowest point is at 0 and its bank tops
// at the maximum depth.
#include <cstdint>

#include "charting/chart.h"
#include "common/bounded_array.h"
#include "common/ui.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr::hydraulics {

constexpr int kMaxWorkingPoint = 2000;
constexpr int kMaxGeneratedPoint = 500;

// The working section: distance from the left bank top (m) and bed
// elevation above the lowest bed point (m).
struct HydraulicSection {
  BoundedArray<float, 0, kMaxWorkingPoint> x;
  BoundedArray<float, 0, kMaxWorkingPoint> y;
  int32_t npt = 0;
};

// Layout values of one model run.
struct SectionLayout {
  float width = 0;          // W
  float depth = 0;          // D
  float macroRoughness = 0;  // k
  float bedWidth = 0;       // b
  float bankRun = 0;        // L = (W - b) / 2
  float bankSlope = 0;      // s, trapezoid and V
  float parabola = 0;       // c, parabola
  float bedSpacing = 0;
  float bankSpacing = 0;
  float spacingFactor = 1;  // f
  int32_t shape = 0;        // xsShape of the run
  float bedWidthFraction = 0;
};

// The next uniform number in [0, 1) of the run's generator:
// seed := seed * 134775813 + 1 (mod 2^32), value seed / 2^32.
double nextRandom(HydraulicsState& state);

// Derives the layout from the channel parameters. Returns false, after its
// message, when no section can be built: a macro roughness of 0, a width,
// depth or macro roughness that cannot be a channel (parameterProblem), or
// for the trapezoid a bed width fraction that leaves no banks (1 or more) or
// is negative. A channel too wide for its macro roughness to count its points is
// a ModelError naming both.
bool buildLayout(HydraulicsView state, Ui& ui, SectionLayout& layout);

// One random realisation: fills the section, publishes it as the section in
// use (modelXsDistance, modelXsElevation, modelXsCount) and redraws the
// section chart's line when a chart is given.
void buildSection(HydraulicsParts state, const SectionLayout& layout, HydraulicSection& section,
                  charting::Chart* sectionChart);

// Steps of buildSection, callable on their own.
void placeSectionPoints(const SectionLayout& layout, HydraulicSection& section);
void shapeSectionProfile(const SectionLayout& layout, HydraulicSection& section);
void addBedForms(HydraulicsState& state, const SectionLayout& layout, HydraulicSection& section);
void addBedTexture(HydraulicsState& state, const SectionLayout& layout, HydraulicSection& section);
void rescaleSection(const SectionLayout& layout, HydraulicSection& section);

}  // namespace oewr::hydraulics
