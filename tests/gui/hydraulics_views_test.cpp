#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "render/chart_render.h"
#include "gui/qt_ui.h"
#include "hydraulics/habitat_diagram_window.h"
#include "hydraulics/hydraulics_fixture.h"
#include "hydraulics/hydraulics_window.h"
#include "view_testing.h"

namespace oewr::gui {
void registerHydraulicsViews();
}

using namespace oewr;
using namespace oewr::hydraulics;
using oewr::testing::Watchdog;

namespace {

QDialog* openDialog(const char* name) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible() && d->objectName() == name) return d;
  return nullptr;
}

QPushButton* button(QWidget* dialog, const char* caption) {
  for (auto* b : dialog->findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

}  // namespace

TEST(HydraulicsViews, WindowShowsItsFormAndForwardsTheButtons) {
  render::ensureGuiApplication();
  gui::registerHydraulicsViews();
  oewr::testing::ScratchDir dir;
  auto state = oewr::testing::surveyedState(dir);
  oewr::testing::NoHost host;
  gui::QtUi qtUi;
  TForm4 form(*state, host.tx, host.ui, host.dialog);
  // The diagram opened from the window is shown through the Qt view too.
  host.ui.onModal = [&qtUi](ModalForm& m) { return qtUi.showModal(m); };
  Watchdog watchdog;

  bool checked = false;
  std::string diagramLimit;
  QTimer::singleShot(0, [&] {
    QDialog* dlg = openDialog("TForm4");
    ASSERT_NE(dlg, nullptr);
    // Opened: the model ran and the data list shows what the site has.
    EXPECT_TRUE(form.opened);
    auto lists = dlg->findChildren<QListWidget*>();
    ASSERT_FALSE(lists.empty());
    EXPECT_EQ(lists[0]->count(), 3);
    EXPECT_EQ(lists[0]->item(1)->checkState(), Qt::Checked);
    auto tables = dlg->findChildren<QTableWidget*>();
    ASSERT_EQ(tables.size(), 2);
    QTableWidget* parameters = tables[0];
    QTableWidget* observed = tables[1];
    EXPECT_EQ(parameters->item(6, 1)->text().toStdString(), form.parameterGrid.cell(1, 7));
    EXPECT_TRUE(observed->isHidden());
    ASSERT_NE(button(dlg, "Use Saved X-Section"), nullptr);
    EXPECT_FALSE(button(dlg, "Use Saved X-Section")->isEnabled());

    // A value typed in the observed-data table reaches the form.
    observed->item(1, 1)->setText("0.00800");
    button(dlg, "Use Observed Data")->click();
    EXPECT_TRUE(form.observedMode);
    EXPECT_EQ(state->site.siteParameters.obsMinGradient, 0.008f);
    EXPECT_FALSE(observed->isHidden());
    EXPECT_FALSE(parameters->isEnabled());
    auto edits = dlg->findChildren<QLineEdit*>();
    bool depthShown = false;
    for (auto* e : edits) depthShown = depthShown || e->text() == "  1.80";
    EXPECT_TRUE(depthShown);

    // The habitat frequency diagram: a limit typed and plotted, then closed.
    QTimer::singleShot(0, [&] {
      QDialog* diagram = openDialog("TForm5b");
      ASSERT_NE(diagram, nullptr);
      auto limit = diagram->findChildren<QLineEdit*>();
      ASSERT_EQ(limit.size(), 1);
      limit[0]->setText("1000");
      button(diagram, "Plot Graph")->click();
      diagramLimit = limit[0]->text().toStdString();  // as the form holds it after plotting
      button(diagram, "Close")->click();
    });
    button(dlg, "Habitat Frequency Diagram")->click();
    EXPECT_EQ(openDialog("TForm5b"), nullptr);
    checked = true;
    button(dlg, "Return to Main Menu")->click();
  });
  const int result = qtUi.showModal(form);
  EXPECT_TRUE(checked);
  EXPECT_EQ(result, mrOK);
  EXPECT_EQ(diagramLimit, "1000");
  EXPECT_TRUE(host.ui.messages.empty());
}

TEST(HydraulicsViews, DiagramPlotsTheTypedLimitAndSavesThroughTheRenderer) {
  render::ensureGuiApplication();
  gui::registerHydraulicsViews();
  oewr::testing::ScratchDir dir;
  auto state = makeModelState();
  state->hydraulics.stageCount = 3;
  for (int j = 0; j < 3; ++j) {
    state->hydraulics.stageDischarge[j] = static_cast<float>(j + 1);
    state->hydraulics.stageWidth[j] = 5.0f;
    state->hydraulics.stageClassShare[1][j] = 100.0f;
  }
  oewr::testing::ScriptedUi ui;
  ui.saveFile = (dir.path() / "diagram").string();
  TForm5b form(*state, ui);
  gui::QtUi qtUi;
  Watchdog watchdog;
  QTimer::singleShot(0, [&] {
    QDialog* diagram = openDialog("TForm5b");
    ASSERT_NE(diagram, nullptr);
    EXPECT_EQ(form.Edit1.text, "    10.000");  // opened by the view
    auto limit = diagram->findChildren<QLineEdit*>();
    ASSERT_EQ(limit.size(), 1);
    EXPECT_EQ(limit[0]->text().toStdString(), form.Edit1.text);
    limit[0]->setText("2");
    button(diagram, "Plot Graph")->click();
    EXPECT_EQ(form.Chart2.series[0].points.size(), 2u);
    button(diagram, "Output Graphs")->click();
    button(diagram, "Close")->click();
  });
  qtUi.showModal(form);
  EXPECT_TRUE(ui.messages.empty()) << (ui.messages.empty() ? "" : ui.messages[0].text);
  // Both charts were written to the chosen file, one after the other.
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "diagram.bmp"));
}
