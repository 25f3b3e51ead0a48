#pragma once
// A surveyed or saved cross-section used instead of the 20 synthetic ones:
// its bank level, the check of its chainage, and the single computation of
// the rating curve and the habitat classes on it, which leaves the same
// per-stage results as the synthetic run.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/ui.h"
#include "hydraulics/hydraulics_charts.h"
#include "hydraulics/rating_curve.h"
#include "hydraulics/synthetic_section.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr::hydraulics {

constexpr int kMaxRatingRows = 500;  // rows of the observed rating table drawn

// The bank level of a surveyed section (m): its highest elevation, lowered
// to the last point's elevation when that is below it, else to the first
// point's when that is below it; truncated to whole centimetres. 0 for a
// section without points.
float bankLevel(std::span<const float> elevations);

// The points (1 .. n - 1) whose distance is smaller than the one before.
std::vector<int32_t> chainageProblems(std::span<const float> distances);

// The habitat file's lines of a single computation: one line a stage, the
// discharge and the seven shares, no header and no width.
std::vector<std::string> singleSectionFileLines(HydraulicsView state);

// The single computation on the first npt points of `section` with the given
// gradient and n curves (fp.maxDepth bounds the stages) and the main set's
// macro roughness: per stage the discharge (as mean, lower and upper value),
// the wetted width and the class shares; stageCount; the baseflow crossings;
// the second curve and the baseflow lines of the stage - discharge chart; the
// habitat file. The first curve is left to the caller. Returns false when a
// stage got no number (see runHydraulicModel); the results are then those of
// the computation before.
bool computeSingleSection(HydraulicsParts state, Ui& ui, const HydraulicSection& section, int32_t npt,
                          const FlowParameters& fp, float macroRoughness, HydraulicsCharts& charts);

}  // namespace oewr::hydraulics
