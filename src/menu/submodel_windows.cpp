#include "menu/submodel_windows.h"

namespace oewr::menu {

std::unique_ptr<ModalForm> ModelWindows::create(const process::ModelStep& step, process::RunContext& ctx) {
  return step.openWindow(ctx);
}

}  // namespace oewr::menu
