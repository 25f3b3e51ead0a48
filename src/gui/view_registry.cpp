#include "gui/qt_ui.h"

namespace oewr::gui {

void registerMenuViews();
void registerHydrologyViews();
void registerEwrViews();
void registerFloodViews();
void registerTableSaveView();

void QtUi::registerModelViews() {
  registerMenuViews();
  registerHydrologyViews();
  registerEwrViews();
  registerFloodViews();
  registerTableSaveView();
}

}  // namespace oewr::gui
