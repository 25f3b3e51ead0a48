#include "ecology/process_data.h"

#include "ecology/category_shifts.h"
#include "ecology/flow_stress.h"
#include "ecology/stress_frequency.h"

namespace oewr::ecology {

void computeEcology(EcologyParts state, EcologyWork& work, int perennialOption, int alignOption, Ui& ui,
                    const std::string& caption) {
  do_flow_stress(state, work);
  do_stress_frequency(state, work);
  do_category_shifts(state, work, perennialOption, alignOption, ui, caption);
}

}  // namespace oewr::ecology
