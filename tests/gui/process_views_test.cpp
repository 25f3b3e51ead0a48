// The desktop program's windows driven offscreen on the demo database.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <functional>

#include "cli/demo_site.h"
#include "render/chart_render.h"
#include "gui/process_view.h"
#include "gui/qt_ui.h"
#include "hostdb/host_admin.h"
#include "hostdb/table_save.h"
#include "hostdb/table_save_dialog.h"
#include "hydrology/hydrology_plots_window.h"
#include "hydrology/hydrology_window.h"
#include "menu/report_review.h"
#include "menu/submodel_menu.h"
#include "menu/submodel_windows.h"
#include "process/process_window.h"
#include "support/test_host.h"
#include "view_testing.h"

using namespace oewr;
using namespace oewr::hydrology;
using namespace oewr::menu;
using namespace oewr::process;

namespace {

// Messages are recorded instead of shown, so that nothing waits for a person;
// a wait for a lock shows its dialog, which the person cancels at once.
class RecordingQtUi : public gui::QtUi {
 public:
  std::vector<std::string> messages;
  std::vector<std::string> lockWaits;  // what the lock dialog said
  void showMessage(const std::string&, const std::string& text) override { messages.push_back(text); }
  bool askYesNo(const std::string&, const std::string&) override { return true; }
  bool keepWaitingForLock(const std::string& table, int waitedMs) override {
    gui::QtUi::keepWaitingForLock(table, waitedMs);
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible())
        lockWaits.push_back(p->labelText().toStdString());
    return false;
  }
};

bool mentions(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Clicks the dialog's button of that caption; a missing one fails the test.
void clickButton(QWidget* w, const QString& text) {
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == text) {
      b->click();
      return;
    }
  ADD_FAILURE() << "no button \"" << text.toStdString() << "\" in " << w->windowTitle().toStdString();
}

const QString kMenu = QString::fromUtf8(TForm2::kCaption);

// Runs `step` once the modal dialog of that caption is up.
void whenModal(const QString& caption, std::function<void(QDialog*)> step) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, step, caption] {
    auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (d && d->windowTitle() == caption) {
      timer->stop();
      timer->deleteLater();
      step(d);
    }
  });
  timer->start();
}

struct Desktop {
  oewr::testing::TempDir dir;
  cli::DemoDatabase db = cli::buildDemoDatabase(dir.path(), cli::makeDemoSite());
  std::unique_ptr<ModelState> state = makeModelState();
  RecordingQtUi ui;
  hostdb::Ttable_save saveDialog;
  ModelWindows windows;
  TForm1 form{*state, ui, saveDialog, windows};
  Desktop() {
    render::ensureGuiApplication();
    gui::QtUi::registerModelViews();
  }
};

}  // namespace

TEST(DesktopProgram, ProcessWindowShowsTheRequestAndLoadsIt) {
  Desktop d;
  d.form.FormCreate({d.db.iniFile.string()}, d.dir.path().string());
  gui::ProcessWindow window(d.form);
  ASSERT_EQ(window.grid()->rowCount(), 1);
  EXPECT_EQ(window.grid()->item(0, 2)->text(), "new_oewr.exe");
  EXPECT_EQ(window.actionButton()->text(), "Read Data");
  window.actionButton()->click();
  EXPECT_EQ(window.actionButton()->text(), "Run Model");
  EXPECT_EQ(d.state->site.siteName, "Orvane River at Demo Weir");
  EXPECT_TRUE(d.ui.messages.empty());
}

TEST(DesktopProgram, MenuGatesItsStepsAndTheReviewShowsTheReport) {
  Desktop d;
  d.form.FormCreate({d.db.iniFile.string(), std::to_string(d.db.requestRecord)}, d.dir.path().string());
  gui::ProcessWindow window(d.form);
  ASSERT_EQ(window.actionButton()->text(), "Run Model");
  d.state->reportLines = std::vector<std::string>{"line one", "line two"};
  QString reviewed;
  whenModal(kMenu, [&](QDialog* menu) {
    clickButton(menu, "Hydraulics Sub-model");  // gated: only a message
    whenModal(TForm8::kCaption, [&, menu](QDialog* review) {
      reviewed = review->findChild<QPlainTextEdit*>()->toPlainText();
      clickButton(review, "Close");
      QTimer::singleShot(0, menu, [menu] { menu->reject(); });
    });
    clickButton(menu, "Review Report");
  });
  window.actionButton()->click();
  EXPECT_EQ(d.ui.messages, std::vector<std::string>{"Complete the hydrological analysis first please."});
  EXPECT_EQ(reviewed, "line one\nline two");
  EXPECT_EQ(window.actionButton()->text(), "Read Data");
}

TEST(DesktopProgram, HydrologyWindowsOpenFromTheMenuAndTickTheStep) {
  Desktop d;
  d.form.FormCreate({d.db.iniFile.string(), std::to_string(d.db.requestRecord)}, d.dir.path().string());
  gui::ProcessWindow window(d.form);
  bool ticked = false;
  whenModal(kMenu, [&](QDialog* menu) {
    whenModal(TForm3::kCaption, [&, menu](QDialog* hydrology) {
      whenModal(Tform3a::kCaption, [](QDialog* plots) {
        oewr::testing::expectWholeAxisTitles(plots);
        clickButton(plots, "Finished");
      });
      clickButton(hydrology, "Go to Graphics Plots");
      QTimer::singleShot(0, hydrology, [hydrology, menu, &ticked] {
        clickButton(hydrology, "Return to main menu");
        QTimer::singleShot(0, menu, [menu, &ticked] {
          for (auto* c : menu->findChildren<QCheckBox*>())
            if (c->text() == "Hydrology data requirements") ticked = c->isChecked();
          menu->reject();
        });
      });
    });
    clickButton(menu, "Hydrological Sub-model");
  });
  window.actionButton()->click();
  EXPECT_TRUE(ticked);
  EXPECT_GT(d.state->hydrology.criticalWetMonth, 0);
  EXPECT_GT(d.state->hydrology.maxBaseflowWet, 0.0f);
  EXPECT_TRUE(d.ui.messages.empty()) << d.ui.messages.front();
}

TEST(DesktopProgram, ProcessWindowShowsDatabaseErrorsAndStaysUp) {
  Desktop d;
  d.form.FormCreate({d.db.iniFile.string()}, d.dir.path().string());
  gui::ProcessWindow window(d.form);
  window.show();
  ASSERT_EQ(window.grid()->rowCount(), 1);
  // The host's request table goes away under the window.
  hostdb::HostAdmin admin(d.db.iniFile);
  admin.session().dropTable(d.state->site.databaseName, hostdb::kRequestTable);

  auto* last = oewr::testing::button(&window, ">|");
  auto* filter = window.findChild<QCheckBox*>();
  ASSERT_NE(last, nullptr);
  ASSERT_NE(filter, nullptr);
  // Every control goes on working and says what went wrong.
  auto reported = [&](const char* control, const std::function<void()>& use) {
    const std::size_t before = d.ui.messages.size();
    use();
    EXPECT_GT(d.ui.messages.size(), before) << control;
  };
  reported("navigator", [&] { last->click(); });
  reported("filter", [&] { filter->click(); });
  reported("grid", [&] { window.grid()->setCurrentCell(0, 2); });  // a click on the request's EXE
  reported("Read Data", [&] { window.actionButton()->click(); });
  ASSERT_FALSE(d.ui.messages.empty());
  EXPECT_TRUE(mentions(d.ui.messages.front(), "no such table: proc_run")) << d.ui.messages.front();
  EXPECT_TRUE(window.actionButton()->isEnabled());
  EXPECT_EQ(window.actionButton()->text(), "Read Data");
}

TEST(DesktopProgram, LockDialogNamesTheTableASaveWaitsFor) {
  Desktop d;
  d.form.FormCreate({d.db.iniFile.string(), std::to_string(d.db.requestRecord)}, d.dir.path().string());
  gui::ProcessWindow window(d.form);
  ASSERT_EQ(window.actionButton()->text(), "Run Model");
  // The table of the ecological parameters, as the host's dictionary says.
  hostdb::HostAdmin admin(d.db.iniFile);
  hostdb::HostTable storage(admin.session(), d.state->site.databaseName, hostdb::kDict3);
  storage.open();
  ASSERT_TRUE(storage.findKey({hostdb::FieldValue(d.state->site.attributeCodes[hostdb::kEcologicalSlot])}));
  const std::string table = hostdb::normalTableName(storage.field("Table Name").asText());
  ASSERT_NE(table, hostdb::kRequestTable);

  // Another program writes to the host database while the parameters are saved.
  hostdb::Connection other((d.db.databaseDirectory / hostdb::kHostDatabaseFile).string());
  other.begin();
  EXPECT_THROW(hostdb::saveEcologicalParameters(*d.state, *d.form.hostTables(), d.saveDialog), hostdb::DatabaseError);
  other.rollback();
  ASSERT_EQ(d.ui.lockWaits.size(), 1u);
  EXPECT_TRUE(mentions(d.ui.lockWaits[0], "A record of " + table + " is locked")) << d.ui.lockWaits[0];
}
