#include "gui/qt_ui.h"

namespace oewr::gui {

void registerMenuViews();
void registerHydrologyViews();
void registerEwrViews();
void registerFloodViews();
void registerEcologyViews();
void registerHydraulicsViews();
void registerTableSaveView();
void registerSensitivityView();

void QtUi::registerModelViews() {
  registerMenuViews();
  registerHydrologyViews();
  registerEwrViews();
  registerFloodViews();
  registerEcologyViews();
  registerHydraulicsViews();
  registerTableSaveView();
  registerSensitivityView();
}

}  // namespace oewr::gui
