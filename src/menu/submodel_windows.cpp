#include "menu/submodel_windows.h"

#include "ecology/tform5.h"
#include "ewr/tform7.h"
#include "floods/tform6.h"
#include "hydraulics/tform4.h"
#include "hydrology/hydrology_form.h"

namespace oewr {

std::unique_ptr<ModalForm> ModelWindows::create(SubModel which, RunContext& ctx) {
  switch (which) {
    case SubModel::Hydrology: return std::make_unique<TForm3>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
    case SubModel::Hydraulics: return std::make_unique<hydraulics::TForm4>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
    case SubModel::Ecology: return std::make_unique<TForm5>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
    case SubModel::Floods: return std::make_unique<TForm6>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
    case SubModel::Ewr: return std::make_unique<TForm7>(ctx.state, ctx.tx, ctx.ui, ctx.saveDialog);
  }
  return nullptr;
}

}  // namespace oewr
