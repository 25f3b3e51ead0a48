// The final analysis window as a person uses it: the ticks of the save panel
// and the charts at the window's size.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>

#include "ewr/ewr_fixture.h"
#include "ewr/final_analysis_window.h"
#include "render/chart_render.h"
#include "view_testing.h"

using namespace oewr;
using namespace oewr::ewr;
using oewr::testing::click;
using oewr::testing::whileShown;

namespace {

struct EwrWindow {
  oewr::testing::EwrHost host;
  std::unique_ptr<ModelState> state = oewr::testing::makeAnalysisState(30, 5);
  std::unique_ptr<TForm7> form;
  gui::QtUi qtUi;
  EwrWindow() {
    render::ensureGuiApplication();
    gui::QtUi::registerModelViews();
    host.attach(*state);
    form = std::make_unique<TForm7>(*state, *host.tx, host.ui, host.saveDialog);
  }
};

QListWidget* savePanelList(QWidget* d) {
  for (auto* list : d->findChildren<QListWidget*>())
    if (list->count() == 5 && list->item(0)->text() == "Total Flow Assurance Data") return list;
  return nullptr;
}

std::vector<bool> shownTicks(QListWidget* list) {
  std::vector<bool> ticks;
  for (int i = 0; i < list->count(); ++i) ticks.push_back(list->item(i)->checkState() == Qt::Checked);
  return ticks;
}

}  // namespace

TEST(EwrView, SaveTicksStayAsThePersonLeftThem) {
  EwrWindow w;
  whileShown(w.qtUi, *w.form, [&](QDialog* d) {
    click(d, "Do Analysis");
    click(d, "Save Results to TERAVOX");  // the question is answered Yes
    QListWidget* list = savePanelList(d);
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    // The two assurance tables ticked from the keyboard.
    for (int row : {0, 1}) {
      list->setCurrentRow(row);
      QTest::keyClick(list, Qt::Key_Space);
    }
    const std::vector<bool> ticked = {true, true, false, false, false};
    EXPECT_EQ(shownTicks(list), ticked);

    // Another category analysed while the panel is open.
    QRadioButton* a = oewr::testing::radio(d, "Category", "A");
    ASSERT_NE(a, nullptr);
    a->click();
    EXPECT_EQ(w.form->selectedCategory(), 0);
    EXPECT_EQ(shownTicks(list), ticked);

    // Abandoned and opened again.
    click(d, "Abandon");
    EXPECT_FALSE(list->isVisible());
    click(d, "Save Results to TERAVOX");
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(shownTicks(list), ticked);

    // The ticked tables are saved, and only they.
    click(d, "Save");
    EXPECT_TRUE(w.host.ui.messages.empty()) << w.host.ui.texts().front();
    EXPECT_NE(w.host.recordOfSlot(13), nullptr);
    EXPECT_NE(w.host.recordOfSlot(14), nullptr);
    EXPECT_EQ(w.host.recordOfSlot(15), nullptr);
    EXPECT_EQ(w.host.recordOfSlot(17), nullptr);
    EXPECT_EQ(shownTicks(list), ticked);
  });
}

TEST(EwrView, ChartTitlesReadWholeAtTheWindowsSize) {
  EwrWindow w;
  whileShown(w.qtUi, *w.form, [&](QDialog* d) {
    click(d, "Do Analysis");
    oewr::testing::expectWholeAxisTitles(d);
  });
}
