#pragma once
// The rating curve: discharge of a cross-section at a stage by segment-wise
// Manning flow, with an energy gradient and a Manning n that fall along the
// S-curve as the depth rises, and the model run over 20 random synthetic
// sections with its envelopes, means and the depths of the maximum baseflows.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ui.h"
#include "hydraulics/hydraulics_charts.h"
#include "hydraulics/synthetic_section.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr::hydraulics {

constexpr int kRealisationCount = 20;

// Threads that compute the realisations of a run (1: one after another; 0,
// the default: two where the processor has two). The results are the same.
void setRealisationThreads(int threads);

// The stage after d on the grid: 0.002 m steps while d is below 0.05 m, then
// 0.01 m steps, accumulated in 4-byte floats from d = 0 (the 25th stage lands
// just above 0.05, the 26th is 0.06).
inline float nextStage(float d) { return d < 0.05f ? d + 0.002f : d + 0.01f; }

// Results of one discharge computation.
struct SectionHydraulics {
  float wettedWidth = 0;  // W_w, m
  float area = 0;         // A, m2
  float meanDepth = 0;    // A / W_w
  float velocity = 0;     // Q / A, set by the caller
  float xLeft = 0;        // left water edge, 0 until found
  float xRight = 0;       // far end of the last wet segment
};

// Gradient and Manning n of a run, and the depth their curves run over.
struct FlowParameters {
  float maxDepth = 0;
  float maxGradient = 0;
  float minGradient = 0;
  float gradientShapeFactor = 0;
  float maxManningN = 0;
  float minManningN = 0;
  float nShapeFactor = 0;
};

// Energy gradient at stage d.
float stageGradient(const FlowParameters& fp, float d);
// Manning n of a segment with flow depth h.
float manningN(float h, float maxDepth, float nShapeFactor, float maxManningN, float minManningN);

// Discharge (m3/s) of the section's first npt points at stage d with gradient
// S; fills `hyd` (all but the velocity). A wet segment whose hydraulic radius
// is not positive shows "Calculation/data error in H.Radius" and ends the
// computation with the sums so far (the mean depth then keeps its value).
float sectionDischarge(const HydraulicSection& section, int32_t npt, float d, float S, float nShapeFactor,
                       float maxManningN, float minManningN, float maxDepth, SectionHydraulics& hyd, Ui& ui);

// Depth at which the mean discharge passes a baseflow at stage j, frac of the
// way from stage j - 1: 0.002 (j + 1) + 0.002 frac below stage 25, else
// 0.05 + 0.01 (j - 25) + 0.01 frac.
float crossingDepth(int32_t j, float frac);

// Checks stage j (j >= 1) of stageDischarge for upward passes of the wet and
// dry maximum baseflows; a pass sets the stage and depth and draws the
// vertical line into the given series (when not null).
void markBaseflowCrossings(HydraulicsParts state, int32_t j, charting::Series* wetLine, charting::Series* dryLine);

// The habitat file's lines of a synthetic run: two header lines and one line
// per stage (discharge, width, the seven shares).
std::vector<std::string> habitatFileLines(HydraulicsView state);

// Where a run's results hold a value that is no finite number: "the stage of
// <depth> m" for the first such stage (discharges, width, class shares) of
// stages 0 .. stageCount - 1, or "the cross-section" for a point of the
// section in use; nothing when every value is a number.
std::optional<std::string> resultWithoutNumber(const HydraulicsState& s);
// Ends such a run: the results of the run before come back (`before`), and
// the message says where. Returns false.
bool refuseRunWithoutNumbers(HydraulicsParts state, const HydraulicsState& before, const std::string& where, Ui& ui);

// The model run on 20 synthetic sections: the layout, the envelopes, means,
// widths and class shares per stage, stageCount, the baseflow crossings, the
// stage - discharge chart and the habitat file. Returns false when the layout
// refused the parameters (nothing is then computed or cleared), or when the
// parameters, extreme as they may be, gave a stage no number (the results,
// the random numbers and the section chart are then those of the run before).
bool runHydraulicModel(HydraulicsParts state, Ui& ui, HydraulicsCharts& charts);

// Why the channel of the last hydraulics run cannot carry the critical
// months' maximum baseflows: one of them is not below the largest discharge
// of its stages (the channel full), so no stage holds it and the ecological,
// flood and final analyses have nothing to stand on. Says what to check.
// nullopt when the channel carries them, or before a hydraulics run.
std::optional<std::string> channelCapacityShortfall(HydraulicsView state);

// The number of stages a run computes below maxDepth (kMaxStageIndex + 1
// when the grid goes beyond the arrays).
int32_t stageGridCount(float maxDepth);

// The part of runHydraulicModel that a second run on the same parameters
// does not set again: the layout (false, after its message, when refused),
// the 20 sections with their random numbers, the section in use and the
// section chart, the message of a stage grid beyond the arrays and the
// stage - discharge chart's revision. No stage is computed.
bool runSectionsOnly(HydraulicsParts state, Ui& ui, HydraulicsCharts& charts);

}  // namespace oewr::hydraulics
