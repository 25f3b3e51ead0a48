#include "menu/submodel_windows.h"

#include "ecology/ecology_window.h"
#include "ewr/final_analysis_window.h"
#include "floods/flood_window.h"
#include "hydraulics/hydraulics_window.h"
#include "hydrology/hydrology_window.h"

namespace oewr::menu {

std::unique_ptr<ModalForm> ModelWindows::create(SubModel which, process::RunContext& ctx) {
  switch (which) {
    case SubModel::Hydrology: return std::make_unique<hydrology::TForm3>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
    case SubModel::Hydraulics: return std::make_unique<hydraulics::TForm4>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
    case SubModel::Ecology: return std::make_unique<ecology::TForm5>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
    case SubModel::Floods: return std::make_unique<floods::TForm6>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
    case SubModel::Ewr: return std::make_unique<ewr::TForm7>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
  }
  return nullptr;
}

}  // namespace oewr::menu
