#include "hydraulics/hydraulics_step.h"

#include "common/errors.h"
#include "hydraulics/habitat_diagram_window.h"
#include "hydraulics/hydraulics_save.h"
#include "hydraulics/hydraulics_window.h"

namespace oewr::hydraulics {

namespace {

void noteUnassigned(const ModelState& state, Ui& ui, int slot, const char* what) {
  if (state.site.attributeCodes[slot] < 1)
    ui.showMessage(kHydraulicsCaption, std::string("The request assigns no attribute to slot ") +
                                           std::to_string(slot) + ": the " + what + " were not saved");
}

}  // namespace

HydraulicsStepCharts runHydraulicsStep(ModelState& state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& dialog,
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

}  // namespace oewr::hydraulics
