#include "menu/submodel_menu.h"

#include <string_view>

#include "menu/report_review.h"
#include "process/model_steps.h"

namespace oewr::menu {

TForm2::TForm2(process::RunContext& ctx, SubModelWindows& windows) : ctx_(ctx), windows_(windows) {
  for (const process::ModelStep& step : process::modelSteps())
    stepButtons.push_back({step.menu.caption, step.menu.tickCaption});
}

void TForm2::stepButtonClick(std::size_t index) {
  const auto& steps = process::modelSteps();
  if (index >= steps.size() || index >= stepButtons.size())
    throw RangeError("Range check error: sub-model menu button " + std::to_string(index));
  const process::ModelStep& step = steps[index];
  if (step.menu.after) {
    bool open = false;
    for (std::size_t i = 0; i < steps.size(); ++i)
      if (std::string_view(steps[i].name) == step.menu.after) open = stepButtons[i].ticked;
    if (!open) {
      ctx_.ui.showMessage(kCaption, step.menu.notYet);
      return;
    }
  }
  std::unique_ptr<ModalForm> window;
  try {
    window = windows_.create(step, ctx_);
  } catch (const ActionStopped&) {
    return;
  } catch (const ModelError& e) {
    ctx_.ui.showMessage(kCaption, e.what());
    return;
  }
  if (!window) return;
  if (ctx_.ui.showModal(*window) == mrOK) stepButtons[index].ticked = true;
}

void TForm2::Button5Click() {
  TForm8 review(ctx_.state, ctx_.ui);
  review.FormShow();
  ctx_.ui.showModal(review);
}

void SubModelWindows::showMenu(process::RunContext& ctx, const std::string& description) {
  TForm2 menu(ctx, *this);
  menu.Label1 = description;
  ctx.ui.showModal(menu);
}

}  // namespace oewr::menu
