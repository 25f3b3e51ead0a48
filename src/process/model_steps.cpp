#include "process/model_steps.h"

#include "common/text_format.h"
#include "ecology/ecology_window.h"
#include "ewr/final_analysis_window.h"
#include "floods/flood_window.h"
#include "hydraulics/hydraulics_window.h"
#include "hydrology/hydrology_window.h"

namespace oewr::process {

namespace {

template <class Window>
std::unique_ptr<ModalForm> openWindow(RunContext& c) {
  return std::make_unique<Window>(c.state, c.tx, c.ui, c.saveDialog);
}

const char* monthName(int calendarMonth) {
  return calendarMonth > 0 ? kMonthNames[static_cast<std::size_t>(calendarMonth - 1)] : "---";
}

float percentOfMar(float volume, float mar) { return mar > 0 ? 100.0f * volume / mar : 0.0f; }

const ModelStep kHydrology{
    "hydrology",
    {"Hydrological Sub-model", "Hydrology data requirements", nullptr, nullptr},
    openWindow<hydrology::TForm3>,
    [](RunContext& c, const StepOptions& o) {
      auto ch = hydrology::runHydrologyStep(c.state, c.tx, c.ui, c.saveDialog, o.hydrology);
      return std::vector<NamedChart>{{"hydrology_time_series", std::move(ch.timeSeries)},
                                     {"hydrology_duration_curves", std::move(ch.durationCurves)},
                                     {"hydrology_monthly_distribution", std::move(ch.monthlyDistribution)}};
    },
    [](const ModelState& s, const StepOptions&) {
      return formatText("Hydrology: MAR %.3f million m3, critical months WET %s, DRY %s, "
                        "maximum baseflows WET %.3f, DRY %.3f m3/s (%d%% point)\n",
                        s.site.naturalFlows.mar, monthName(s.hydrology.criticalWetMonth),
                        monthName(s.hydrology.criticalDryMonth), s.hydrology.maxBaseflowWet,
                        s.hydrology.maxBaseflowDry, s.site.maxBaseflowExceedence);
    },
    [](const ModelState& s, const StepOptions&, ResultsWriter& out) { hydrology::exportHydrologyResults(s, out); }};

const ModelStep kHydraulics{
    "hydraulics",
    {"Hydraulics Sub-model", "Hydraulics data requirements", "hydrology",
     "Complete the hydrological analysis first please."},
    openWindow<hydraulics::TForm4>,
    [](RunContext& c, const StepOptions& o) {
      auto ch = hydraulics::runHydraulicsStep(c.state, c.tx, c.ui, c.saveDialog, o.hydraulics);
      return std::vector<NamedChart>{{"hydraulics_section", std::move(ch.section)},
                                     {"hydraulics_stage_discharge", std::move(ch.stageDischarge)},
                                     {"hydraulics_habitat", std::move(ch.habitat)},
                                     {"hydraulics_width", std::move(ch.width)}};
    },
    [](const ModelState& s, const StepOptions&) {
      const hydraulics::HydraulicsState& h = s.hydraulics;
      return formatText("Hydraulics: %d stages, wet baseflow at stage %d (%.3f m), dry baseflow at stage %d (%.3f m)\n",
                        h.stageCount, h.wetBaseflowStage, h.wetBaseflowDepth, h.dryBaseflowStage, h.dryBaseflowDepth);
    },
    [](const ModelState& s, const StepOptions&, ResultsWriter& out) { hydraulics::exportHydraulicsResults(s, out); }};

const ModelStep kEcology{
    "ecology",
    {"Ecological Sub-model", "Ecological data requirements", "hydraulics",
     "Complete the hydraulic analysis first please."},
    openWindow<ecology::TForm5>,
    [](RunContext& c, const StepOptions& o) {
      auto ch = ecology::runEcologyStep(c.state, c.tx, c.ui, c.saveDialog, o.ecology);
      return std::vector<NamedChart>{{"ecology_flow_stress", std::move(ch.flowStress)},
                                     {"ecology_stress_frequency_wet", std::move(ch.wetStressFrequency)},
                                     {"ecology_stress_frequency_dry", std::move(ch.dryStressFrequency)},
                                     {"ecology_flow_duration", std::move(ch.flowDuration)}};
    },
    [](const ModelState&, const StepOptions&) {
      return std::string("Ecology: low-flow requirements of the critical months computed\n");
    },
    [](const ModelState& s, const StepOptions&, ResultsWriter& out) { ecology::exportEcologyResults(s, out); }};

const ModelStep kFloods{
    "floods",
    {"Determine Flood Volumes", "Flood requirements", "ecology", "Complete the previous analyses first please."},
    openWindow<floods::TForm6>,
    [](RunContext& c, const StepOptions& o) {
      auto ch = floods::runFloodStep(c.state, c.tx, c.ui, c.saveDialog, o.floods);
      return std::vector<NamedChart>{{"floods_section", std::move(ch.section)},
                                     {"floods_rating", std::move(ch.rating)},
                                     {"floods_hydrograph", std::move(ch.hydrograph)}};
    },
    [](const ModelState& s, const StepOptions&) {
      return formatText("Floods: bankfull discharge %.3f m3/s\n", s.floods.bankfullDischarge);
    },
    [](const ModelState& s, const StepOptions&, ResultsWriter& out) { floods::exportFloodResults(s, out); }};

const ModelStep kFinalAnalysis{
    "final analysis",
    // The final analysis needs the ecological step, not the floods.
    {"Determine EWR Requirements", "EWR requirements", "ecology", "Complete the previous analyses first please."},
    openWindow<ewr::TForm7>,
    [](RunContext& c, const StepOptions& o) {
      ewr::runEwrStep(c.state, c.tx, c.ui, c.saveDialog, o.ewr);
      return std::vector<NamedChart>{};
    },
    [](const ModelState& s, const StepOptions& o) {
      const int c = o.ewr.category;
      const float mar = s.site.naturalFlows.mar;
      return std::string("Final analysis, category ") + kCategoryNames[static_cast<std::size_t>(c)] +
             formatText(": mean low-flow EWR %.3f million m3 (%.1f %% of MAR), mean total EWR %.3f million m3 "
                        "(%.1f %% of MAR)\n",
                        s.ewr.meanLowEwr[c], percentOfMar(s.ewr.meanLowEwr[c], mar), s.ewr.meanTotalEwr[c],
                        percentOfMar(s.ewr.meanTotalEwr[c], mar));
    },
    [](const ModelState& s, const StepOptions& o, ResultsWriter& out) {
      ewr::exportEwrResults(s, o.ewr.category, o.ewr.highFlows, out);
    }};

}  // namespace

const std::vector<ModelStep>& modelSteps() {
  static const std::vector<ModelStep> steps = {kHydrology, kHydraulics, kEcology, kFloods, kFinalAnalysis};
  return steps;
}

bool FinishedSteps::includes(std::string_view name) const {
  const auto& steps = modelSteps();
  for (int i = 0; i < count && i < static_cast<int>(steps.size()); ++i)
    if (name == steps[static_cast<std::size_t>(i)].name) return true;
  return false;
}

}  // namespace oewr::process
