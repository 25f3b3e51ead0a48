#include "menu/submodel_menu.h"

#include "menu/report_review.h"

namespace oewr::menu {

void TForm2::openStep(SubModel which, bool gate, const char* message, bool& tick) {
  if (!gate) {
    ctx_.ui.showMessage(kCaption, message);
    return;
  }
  std::unique_ptr<ModalForm> window;
  try {
    window = windows_.create(which, ctx_);
  } catch (const ActionStopped&) {
    return;
  } catch (const ModelError& e) {
    ctx_.ui.showMessage(kCaption, e.what());
    return;
  }
  if (!window) return;
  if (ctx_.ui.showModal(*window) == mrOK) tick = true;
}

void TForm2::Button1Click() { openStep(SubModel::Hydrology, true, "", CheckBox1); }
void TForm2::Button2Click() {
  openStep(SubModel::Hydraulics, CheckBox1, "Complete the hydrological analysis first please.", CheckBox2);
}
void TForm2::Button3Click() {
  openStep(SubModel::Ecology, CheckBox2, "Complete the hydraulic analysis first please.", CheckBox3);
}
void TForm2::Button6Click() {
  openStep(SubModel::Floods, CheckBox3, "Complete the previous analyses first please.", CheckBox5);
}
void TForm2::Button4Click() {
  openStep(SubModel::Ewr, CheckBox3, "Complete the previous analyses first please.", CheckBox4);
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
