#include "hydraulics/hydraulics_step.h"

#include <algorithm>

#include "common/errors.h"
#include "hydraulics/habitat_diagram_window.h"
#include "hydraulics/hydraulics_save.h"
#include "hydraulics/hydraulics_window.h"

namespace oewr::hydraulics {

namespace {

void noteUnassigned(HydraulicsView state, Ui& ui, int slot, const char* what) {
  if (state.site.attributeCodes[slot] < 1)
    ui.showMessage(kHydraulicsCaption, std::string("The request assigns no attribute to slot ") +
                                           std::to_string(slot) + ": the " + what + " were not saved");
}

}  // namespace

HydraulicsStepCharts runHydraulicsStep(HydraulicsParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& dialog,
                                       const HydraulicsOptions& options) {
  TForm4 form(state, tx, ui, dialog);
  form.FormCreate();
  switch (options.section) {
    case HydraulicsOptions::Section::Synthetic:
      break;
    case HydraulicsOptions::Section::Observed:
      if (!form.Button6.enabled)
        throw ModelError("The observed cross-section was asked for, but the site has none (slot 8)");
      form.useObservedData();
      if (!form.observedMode) throw ModelError("The observed cross-section could not be used");
      break;
    case HydraulicsOptions::Section::Saved:
      if (!form.Button7.enabled)
        throw ModelError("The saved cross-section was asked for, but the site has none (slot 7)");
      form.useSavedSection();
      if (!form.savedMode) throw ModelError("The saved cross-section could not be used");
      break;
  }
  if (options.saveParameters) {
    noteUnassigned(state, ui, kParameterSlot, "hydrology/hydraulic parameters");
    form.saveParameters();
  }
  if (options.saveSection) {
    noteUnassigned(state, ui, kSavedSectionSlot, "cross-section points");
    form.saveSection();
  }
  if (options.addToReport) form.addToReport();

  TForm5b diagram(state, ui);
  diagram.FormCreate();
  HydraulicsStepCharts charts;
  charts.section = std::move(form.charts.section);
  charts.stageDischarge = std::move(form.charts.stageDischarge);
  charts.habitat = std::move(diagram.Chart1);
  charts.width = std::move(diagram.Chart2);
  return charts;
}

namespace {

template <typename Arr>
void writeStages(JsonWriter& j, const Arr& a, int count) {
  j.floats(a.begin(), a.begin() + std::max(0, std::min(count, static_cast<int>(a.size()))));
}

}  // namespace

void exportHydraulicsResults(HydraulicsView state, ResultsWriter& out) {
  JsonWriter& j = out.json;
  const HydraulicsState& h = state.hydraulics;
  const int n = h.stageCount;
  j.key("siteParameters").beginObject();
  for (int p = 1; p <= SiteParameters::count; ++p) j.key(SiteParameters::nameAt(p)).value(state.site.siteParameters.at(p));
  j.endObject();
  j.key("stageCount").value(n);
  j.key("stageDischarge");
  writeStages(j, h.stageDischarge, n);
  j.key("stageDischargeLow");
  writeStages(j, h.stageDischargeLow, n);
  j.key("stageDischargeHigh");
  writeStages(j, h.stageDischargeHigh, n);
  j.key("stageWidth");
  writeStages(j, h.stageWidth, n);
  j.key("stageClassShare").beginArray();
  for (int c = 0; c < kHabitatClassCount; ++c) writeStages(j, h.stageClassShare[c], n);
  j.endArray();
  j.key("wetBaseflowStage").value(h.wetBaseflowStage);
  j.key("dryBaseflowStage").value(h.dryBaseflowStage);
  j.key("wetBaseflowDepth").value(h.wetBaseflowDepth);
  j.key("dryBaseflowDepth").value(h.dryBaseflowDepth);
  j.key("modelXsCount").value(h.modelXsCount);
  j.key("modelXsDistance");
  writeStages(j, h.modelXsDistance, h.modelXsCount);
  j.key("modelXsElevation");
  writeStages(j, h.modelXsElevation, h.modelXsCount);
}

}  // namespace oewr::hydraulics
