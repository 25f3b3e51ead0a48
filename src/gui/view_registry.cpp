#include "gui/qt_ui.h"

namespace oewr::gui {

void registerMenuViews();
void registerHydrologyViews();
void registerEwrViews();
void registerTableSaveView();

void QtUi::registerModelViews() {
  registerMenuViews();
  registerHydrologyViews();
  registerEwrViews();
  registerTableSaveView();
}

}  // namespace oewr::gui
