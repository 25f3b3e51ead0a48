#include "hydrology/hydrology_step.h"

#include <string>

#include "common/errors.h"
#include "hydrology/hydrology_plots_window.h"
#include "hydrology/hydrology_window.h"

namespace oewr::hydrology {

bool isExceedenceChoice(int exceedence) { return exceedence >= 0 && exceedence <= 50 && exceedence % 5 == 0; }

HydrologyStepCharts runHydrologyStep(HydrologyParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
                                     const HydrologyOptions& options) {
  if (!isExceedenceChoice(options.exceedence))
    throw ModelError("The exceedence point must be one of 5, 10, 15, 20, 25, 30, 35, 40, 45 and 50, not " +
                     std::to_string(options.exceedence));
  TForm3 form(state, tx, ui, saveDialog);
  if (!form.refusal.empty()) throw ActionStopped(form.refusal);
  HydrologyStepCharts charts;
  {
    Tform3a plots(state, ui);
    if (options.exceedence > 0 && std::to_string(options.exceedence) != plots.ComboBox1.text) {
      plots.ComboBox1.text = std::to_string(options.exceedence);
      plots.ComboBox1Change();
    }
    plots.Button2Click();
    form.takePlotsResult(plots, plots.modalResult);
    charts = {std::move(plots.Chart1), std::move(plots.Chart2), std::move(plots.Chart3)};
  }
  if (options.useQtotal != form.CheckBox1.checked) form.CheckBox1Click();
  form.Button4Click();
  form.Button1Click();
  if (form.modalResult != mrOK)
    throw ActionStopped("The hydrology step did not finish: no critical months could be chosen");
  return charts;
}

}  // namespace oewr::hydrology
