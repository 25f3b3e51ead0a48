#include "menu/submodel_windows.h"

#include "process/model_steps.h"

namespace oewr::menu {

std::unique_ptr<ModalForm> ModelWindows::create(SubModel which, process::RunContext& ctx) {
  const auto& steps = process::modelSteps();
  const auto index = static_cast<std::size_t>(which);
  if (index >= steps.size()) return nullptr;
  return steps[index].openWindow(ctx);
}

}  // namespace oewr::menu
