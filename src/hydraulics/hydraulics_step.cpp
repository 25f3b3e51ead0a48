#include "hydraulics/hydraulics_step.h"

#include "hydraulics/tform4.h"

namespace oewr::hydraulics {

HydraulicsCharts runHydraulicsStep(ModelState& state, Ui& ui) {
  TForm4 form(state, ui);
  form.FormCreate();
  return std::move(form.charts);
}

}  // namespace oewr::hydraulics
