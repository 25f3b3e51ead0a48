// The desktop program driven offscreen through every window in order on the
// demo database, and the same sequence headless: both ask the same questions
// and give the same numbers. The sensitivity window on such a run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <deque>
#include <fstream>
#include <cstdlib>
#include <functional>
#include <sstream>

#include "cli/demo_site.h"
#include "cli/run_command.h"
#include "common/text_format.h"
#include "ecology/ecology_step.h"
#include "ecology/ecology_window.h"
#include "ensemble/sensitivity_form.h"
#include "ewr/ewr_step.h"
#include "ewr/final_analysis_window.h"
#include "floods/flood_step.h"
#include "floods/flood_window.h"
#include "render/chart_render.h"
#include "gui/process_view.h"
#include "gui/qt_ui.h"
#include "hostdb/host_admin.h"
#include "hostdb/table_save_dialog.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/hydraulics_step.h"
#include "hydrology/hydrology_plots_window.h"
#include "hydrology/hydrology_step.h"
#include "hydrology/hydrology_window.h"
#include "menu/report_review.h"
#include "menu/submodel_menu.h"
#include "menu/submodel_windows.h"
#include "process/process_window.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"
#include "view_testing.h"

using namespace oewr;
using namespace oewr::ecology;
using namespace oewr::ewr;
using namespace oewr::floods;
using namespace oewr::hydrology;
using namespace oewr::menu;
using namespace oewr::process;
using oewr::testing::RecordingQtUi;

namespace {

// A question as a window asks it: its caption and its text.
using Question = std::pair<std::string, std::string>;

bool click(QWidget* w, const QString& text) {
  for (auto* b : w->findChildren<QPushButton*>())
    if (b->text() == text && b->isVisible()) {
      if (!b->isEnabled()) {
        ADD_FAILURE() << "\"" << text.toStdString() << "\" is disabled in " << w->windowTitle().toStdString();
        return false;
      }
      b->click();
      return true;
    }
  ADD_FAILURE() << "no button \"" << text.toStdString() << "\" in " << w->windowTitle().toStdString();
  return false;
}

// Runs each step once the modal dialog of its caption is up, in order.
class Script {
 public:
  struct Step {
    QString caption;
    std::function<void(QDialog*)> action;
  };
  void add(const QString& caption, std::function<void(QDialog*)> action) { steps_.push_back({caption, action}); }
  void start() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (steps_.empty() || busy_) return;
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!d || d->windowTitle() != steps_.front().caption) return;
      Step step = steps_.front();
      steps_.pop_front();
      busy_ = true;
      // Outside the timer's own slot, so that the timer goes on in the windows it opens.
      QTimer::singleShot(0, d, [this, d, step] {
        busy_ = false;
        step.action(d);
      });
    });
    timer_.start(15);
  }
  bool finished() const { return steps_.empty(); }
  std::string next() const { return steps_.empty() ? "" : steps_.front().caption.toStdString(); }

 private:
  std::deque<Step> steps_;
  QTimer timer_;
  bool busy_ = false;
};

QString q(const char* s) { return QString::fromUtf8(s); }

// With OEWR_SCREENSHOTS set to a folder, each window is saved there as it is
// seen (the README's pictures are taken this way under Xvfb).
void shoot(QWidget* w, const char* name) {
  const char* folder = std::getenv("OEWR_SCREENSHOTS");
  if (!folder || !*folder) return;
  QApplication::processEvents();
  w->grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
}

// Every window in order from the menu, each as a hydrologist accepting the
// run uses it, then the report review; `ticks` takes the menu's check boxes.
void addEveryWindow(Script& script, std::vector<bool>& ticks) {
  const QString menu = q(TForm2::kCaption);
  script.add(menu, [](QDialog* d) {
    shoot(d, "menu");
    click(d, "Hydrological Sub-model");
  });
  script.add(q(TForm3::kCaption), [](QDialog* d) { click(d, "Go to Graphics Plots"); });
  script.add(q(Tform3a::kCaption), [](QDialog* d) {
    shoot(d, "hydrology-plots");
    click(d, "Finished");
  });
  script.add(q(TForm3::kCaption), [](QDialog* d) {
    shoot(d, "hydrology");
    click(d, "Add Information to REPORT");
    click(d, "Return to main menu");
  });
  script.add(menu, [](QDialog* d) { click(d, "Hydraulics Sub-model"); });
  script.add(q(hydraulics::kHydraulicsCaption), [](QDialog* d) {
    shoot(d, "hydraulics");
    click(d, "Add to Report");
    click(d, "Return to Main Menu");
  });
  script.add(menu, [](QDialog* d) { click(d, "Ecological Sub-model"); });
  script.add(q(TForm5::kCaption), [](QDialog* d) {
    shoot(d, "ecology");
    click(d, "Add to Report");
    click(d, "Return to Main Menu");
  });
  script.add(menu, [](QDialog* d) { click(d, "Determine Flood Volumes"); });
  script.add(q(TForm6::kCaption), [](QDialog* d) {
    click(d, "Generate T/S");
    shoot(d, "floods");
    click(d, "Add to Report");
    click(d, "Return to Main Menu");
  });
  script.add(menu, [](QDialog* d) { click(d, "Determine EWR Requirements"); });
  script.add(q(TForm7::kCaption), [](QDialog* d) {
    click(d, "Do Analysis");
    shoot(d, "final-analysis");
    click(d, "Add to Report");
    click(d, "Save Results to TERAVOX");
    for (auto* list : d->findChildren<QListWidget*>())
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->flags() & Qt::ItemIsUserCheckable) list->item(i)->setCheckState(Qt::Checked);
    click(d, "Save");
    // Saving the low-flow series leaves "Include High Flows" unticked: tick it
    // again, which analyses again with the high flows, as the headless run ends.
    for (auto* box : d->findChildren<QCheckBox*>())
      if (box->text() == "Include High Flows" && !box->isChecked()) box->click();
    click(d, "Return");
  });
  script.add(menu, [](QDialog* d) { click(d, "Review Report"); });
  script.add(q(TForm8::kCaption), [](QDialog* d) {
    shoot(d, "report-review");
    click(d, "Output to TextFile");
    click(d, "Close");
  });
  script.add(menu, [&ticks](QDialog* d) {
    for (auto* c : d->findChildren<QCheckBox*>()) ticks.push_back(c->isChecked());
    d->reject();
  });
}

// Two copies of the database of a 40-year demo site, one for each path. The
// site stores no shifts and a hydrological variability of 0: the hydraulics
// and the ecology windows both have a question when they open.
std::pair<cli::DemoDatabase, cli::DemoDatabase> twoDemoDatabases(const std::filesystem::path& dir) {
  const cli::DemoSite site = cli::makeDemoSite(40);
  return {cli::buildDemoDatabase(dir / "window", site), cli::buildDemoDatabase(dir / "headless", site)};
}

// The desktop program on the database's request, through every window in
// order; `state` and `ui` keep what it did.
void runEveryWindow(const cli::DemoDatabase& db, const std::filesystem::path& dir, ModelState& state, RecordingQtUi& ui) {
  render::ensureGuiApplication();
  gui::QtUi::registerModelViews();
  ui.reportFile = (dir / "report.txt").string();
  hostdb::Ttable_save saveDialog;
  ModelWindows windows;
  TForm1 form(state, ui, saveDialog, windows);
  form.FormCreate({db.iniFile.string(), std::to_string(db.requestRecord)}, dir.string());
  gui::ProcessWindow window(form);
  ASSERT_EQ(window.actionButton()->text(), "Run Model");

  std::vector<bool> ticks;
  Script script;
  addEveryWindow(script, ticks);
  script.start();
  window.actionButton()->click();  // "Run Model": the menu, modal until the script closes it
  ASSERT_TRUE(script.finished()) << "stopped before " << script.next();
  EXPECT_EQ(ticks, std::vector<bool>(5, true));
}

}  // namespace

TEST(WholeModel, WindowPathAndHeadlessPathGiveTheSameNumbers) {
  oewr::testing::TempDir dir;
  const auto [windowDb, headlessDb] = twoDemoDatabases(dir.path());

  auto state = makeModelState();
  RecordingQtUi ui;
  runEveryWindow(windowDb, dir.path(), *state, ui);
  if (HasFatalFailure()) return;

  // The report file and the host hold what the windows made.
  std::ifstream in(ui.reportFile);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_TRUE(state->reportLines.has_value());
  EXPECT_EQ(lines, *state->reportLines);
  const std::string text = [&] {
    std::string t;
    for (const auto& l : lines) t += l + "\n";
    return t;
  }();
  for (const char* section : {"HYDROLOGY DATA SUMMARY", "HYDRAULICS DATA SUMMARY", "FLOW - STRESSOR RESPONSE DATA SUMMARY",
                              "HIGH FLOW REQUIREMENT SUMMARY", "FINAL RESERVE SUMMARY DETAILS"})
    EXPECT_NE(text.find(section), std::string::npos) << section;
  hostdb::HostAdmin admin(windowDb.iniFile);
  EXPECT_TRUE(admin.readArray({"EWR total flow assurance", 1, "River sites"}).has_value());
  EXPECT_TRUE(admin.readArray({"EWR low flow assurance", 1, "River sites"}).has_value());
  EXPECT_TRUE(admin.readTimeSeries({"EWR total flow series", 1, "River sites"}).has_value());
  EXPECT_TRUE(admin.readMemo({"EWR report", 1, "River sites"}).has_value());

  // The same sequence headless.
  cli::RunOptions o;
  o.ini = headlessDb.iniFile.string();
  o.record = headlessDb.requestRecord;
  std::ostringstream out, err;
  cli::RunSummary headless;
  ASSERT_EQ(cli::runRequest(o, out, err, &headless), 0) << err.str();
  EXPECT_EQ(headless.criticalWetMonth, state->hydrology.criticalWetMonth);
  EXPECT_EQ(headless.criticalDryMonth, state->hydrology.criticalDryMonth);
  EXPECT_EQ(headless.maxBaseflowWet, state->hydrology.maxBaseflowWet);
  EXPECT_EQ(headless.maxBaseflowDry, state->hydrology.maxBaseflowDry);
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(headless.meanLowEwr[c], state->ewr.meanLowEwr[c]) << c;
    EXPECT_EQ(headless.meanTotalEwr[c], state->ewr.meanTotalEwr[c]) << c;
  }
}

TEST(WholeModel, WindowsAndHeadlessStepsAskTheSameQuestionsInTheSameOrder) {
  oewr::testing::TempDir dir;
  const auto [windowDb, headlessDb] = twoDemoDatabases(dir.path());

  std::vector<Question> windowQuestions;
  {
    auto state = makeModelState();
    RecordingQtUi ui;
    runEveryWindow(windowDb, dir.path(), *state, ui);
    if (HasFatalFailure()) return;
    windowQuestions = ui.questions;
  }

  auto state = makeModelState();
  oewr::testing::ScriptedUi ui;
  hostdb::Ttable_save saveDialog;
  ModelWindows windows;
  TForm1 form(*state, ui, saveDialog, windows);
  form.FormCreate({headlessDb.iniFile.string(), std::to_string(headlessDb.requestRecord)}, dir.path().string());
  ASSERT_EQ(form.Button1, TForm1::kRunModel);
  hostdb::Ttxtab& tx = *form.hostTables();
  runHydrologyStep(*state, tx, ui, saveDialog, HydrologyOptions{});
  hydraulics::runHydraulicsStep(*state, tx, ui, saveDialog, hydraulics::HydraulicsOptions{});
  runEcologyStep(*state, tx, ui, saveDialog, EcologyOptions{});
  runFloodStep(*state, tx, ui, saveDialog, FloodOptions{});
  runEwrStep(*state, tx, ui, saveDialog, EwrOptions{});

  const Question variability{hydraulics::kHydraulicsCaption,
                             "Replace hydro. Variability table value with estimate from hydrology?"};
  const Question shifts{TForm5::kCaption, TForm5::kRestoreQuestion};
  const Question save{TForm7::kCaption, "Selected category is B Do you wish to continue?"};
  EXPECT_EQ(windowQuestions, (std::vector<Question>{variability, shifts, save}));
  EXPECT_EQ(ui.asked, windowQuestions);
  // Both answered Yes: the shifts in force are the defaults.
  for (int s = 0; s < 2; ++s)
    for (int c = 0; c < kCategoryCount; ++c) {
      EXPECT_NEAR(state->site.highShift[s][c], state->ecology.defaultHighShift[s][c], 0.001f) << s << " " << c;
      EXPECT_NEAR(state->site.lowShift[s][c], state->ecology.defaultLowShift[s][c], 0.001f) << s << " " << c;
    }
}

namespace {

// The label of the window whose text starts with `start`, or nullptr.
QLabel* labelStarting(QWidget* w, const QString& start) {
  for (auto* l : w->findChildren<QLabel*>())
    if (l->text().startsWith(start)) return l;
  return nullptr;
}

// Clicks "Run" with `members` members and waits until the run has ended
// (or, with `cancelAfterFirst`, presses "Cancel" once a member has finished).
void runSensitivity(QWidget* w, int members, bool cancelAfterFirst) {
  auto* spin = oewr::testing::field<QSpinBox>(w, "Members");
  ASSERT_NE(spin, nullptr);
  spin->setValue(members);
  auto* bar = w->findChild<QProgressBar*>();
  ASSERT_NE(bar, nullptr);
  click(w, "Run");
  if (cancelAfterFirst) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() >= 1; }, 60000));
    click(w, "Cancel");
  }
  QPushButton* run = oewr::testing::button(w, "Run");
  ASSERT_TRUE(QTest::qWaitFor([&] { return run->isEnabled(); }, 120000)) << "the members did not end";
}

// A request loaded as the process window loads it and run headless up to
// the final analysis, with or without the flood step.
struct LoadedRun {
  std::unique_ptr<ModelState> state = makeModelState();
  oewr::testing::ScriptedUi ui;
  hostdb::Ttable_save saveDialog;
  ModelWindows windows;
  TForm1 process{*state, ui, saveDialog, windows};
  LoadedRun(const std::filesystem::path& ini, int record, const std::filesystem::path& dir, bool floods) {
    process.FormCreate({ini.string(), std::to_string(record)}, dir.string());
    if (process.Button1 != TForm1::kRunModel) return;
    runHydrologyStep(*state, tx(), ui, saveDialog, HydrologyOptions{});
    hydraulics::runHydraulicsStep(*state, tx(), ui, saveDialog, hydraulics::HydraulicsOptions{});
    runEcologyStep(*state, tx(), ui, saveDialog, EcologyOptions{});
    if (floods) runFloodStep(*state, tx(), ui, saveDialog, FloodOptions{});
  }
  hostdb::Ttxtab& tx() { return *process.hostTables(); }
};

// The member of seed 0 starts the sections as a fresh program start does, so
// it gives the results of the window's own run.
void expectSeedZeroGivesTheRun(const TForm7& window, const ModelState& state) {
  oewr::testing::ScriptedUi person;
  ensemble::SensitivityForm form(window, person);
  form.SpinEdit1.value = 2;
  form.Button1Click();
  ASSERT_TRUE(form.running()) << form.Label1;
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.poll() && !form.running(); }, 120000));
  ASSERT_EQ(form.members().size(), 2u);
  const ensemble::MemberResult& seed0 = form.members()[0];
  ASSERT_TRUE(seed0.ok) << seed0.reason;
  for (int c = 0; c < kCategoryCount; ++c) {
    EXPECT_EQ(seed0.meanLowEwr[c], state.ewr.meanLowEwr[c]) << c;
    EXPECT_EQ(seed0.meanTotalEwr[c], state.ewr.meanTotalEwr[c]) << c;
  }
  for (int m = 0; m < 12; ++m) EXPECT_EQ(seed0.monthTotalEwr[m], form.standard().monthTotalEwr[m]) << m;
}

}  // namespace

// On the second site of a host, with category A constrained to the natural
// flows, the window's members repeat the run: seed 0 gives the run's own
// numbers, with the floods made and (the menu allows it) without. Running,
// cancelling and closing while members run leave the run's results as they
// were; a number of members out of range is refused.
TEST(WholeModel, SensitivityWindowRepeatsTheRunOverTheSectionsAndChangesNothingOfIt) {
  oewr::testing::TempDir dir;
  cli::DemoSite other = cli::makeDemoSite(30);
  other.name = "Another river";
  for (float& v : other.natural) v *= 3.0f;
  std::filesystem::path ini;
  const std::vector<int> records = cli::buildSitesDatabase(dir.path() / "host", {other, cli::makeDemoSite(40)}, ini);
  LoadedRun run(ini, records[1], dir.path(), true);
  ASSERT_EQ(run.process.Button1, TForm1::kRunModel);
  ModelState* state = run.state.get();

  render::ensureGuiApplication();
  gui::QtUi::registerModelViews();
  RecordingQtUi ui;
  TForm7 window(*state, run.tx(), ui, run.saveDialog);
  std::vector<float> lowBefore, totalBefore, seriesBefore;
  oewr::testing::whileShown(ui, window, [&](QDialog* d) {
    oewr::testing::radio(d, "Category", "A")->click();
    oewr::testing::radio(d, "Constrain EWR Outputs", "To Natural Flows")->click();
    ASSERT_TRUE(window.analysed());
    for (int c = 0; c < kCategoryCount; ++c) {
      lowBefore.push_back(state->ewr.meanLowEwr[c]);
      totalBefore.push_back(state->ewr.meanTotalEwr[c]);
    }
    for (int i = 0; i < state->site.naturalFlows.header.count; ++i) seriesBefore.push_back(state->ewr.ewrSeries[i]);

    Script script;
    script.add(q(ensemble::SensitivityForm::kCaption), [&](QDialog* s) {
      auto* table = s->findChild<QTableWidget*>();
      auto* bar = s->findChild<QProgressBar*>();
      ASSERT_NE(table, nullptr);
      ASSERT_NE(bar, nullptr);
      ASSERT_EQ(table->rowCount(), kCategoryCount);
      ASSERT_EQ(table->columnCount(), 9);
      // The run of the window is shown before any member has run.
      EXPECT_EQ(table->item(0, 0)->text(), "A");
      EXPECT_EQ(table->item(0, 8)->text().toStdString(), formatText("%.3f", state->ewr.meanTotalEwr[0]));
      EXPECT_EQ(table->item(6, 4)->text().toStdString(), formatText("%.3f", state->ewr.meanLowEwr[6]));

      runSensitivity(s, 4, false);
      shoot(s, "sensitivity");
      EXPECT_EQ(bar->maximum(), 4);
      EXPECT_EQ(bar->value(), 4);
      EXPECT_NE(labelStarting(s, "4 members run, 0 failed"), nullptr);
      for (int row = 0; row < kCategoryCount; ++row)
        for (int col : {1, 5}) {
          const double p10 = table->item(row, col)->text().toDouble();
          const double p50 = table->item(row, col + 1)->text().toDouble();
          const double p90 = table->item(row, col + 2)->text().toDouble();
          EXPECT_GT(p10, 0.0) << row << " " << col;
          EXPECT_LE(p10, p50) << row << " " << col;
          EXPECT_LE(p50, p90) << row << " " << col;
        }
      const auto views = oewr::testing::chartViews(s);
      ASSERT_EQ(views.size(), 1u);
      ASSERT_NE(views[0]->chart(), nullptr);
      EXPECT_EQ(views[0]->chart()->series.size(), 4u);
      // The band, the median and the run's line; the band's floor is not drawn itself.
      EXPECT_EQ(views[0]->qChart()->series().size(), 3);
      oewr::testing::expectWholeAxisTitles(s);

      runSensitivity(s, 200, true);
      EXPECT_NE(labelStarting(s, "Cancelled after"), nullptr);
      EXPECT_EQ(bar->maximum(), 200);
      EXPECT_GE(bar->value(), 1);
      EXPECT_LT(bar->value(), 200);

      // Closed while members run: the window waits for them, no longer.
      oewr::testing::field<QSpinBox>(s, "Members")->setValue(200);
      click(s, "Run");
      click(s, "Close");
    });
    script.start();
    click(d, "Sensitivity...");
    EXPECT_TRUE(script.finished()) << "stopped before " << script.next();
  });
  for (int c = 0; c < kCategoryCount; ++c) {
    EXPECT_EQ(state->ewr.meanLowEwr[c], lowBefore[static_cast<std::size_t>(c)]) << c;
    EXPECT_EQ(state->ewr.meanTotalEwr[c], totalBefore[static_cast<std::size_t>(c)]) << c;
  }
  for (int i = 0; i < state->site.naturalFlows.header.count; ++i)
    ASSERT_EQ(state->ewr.ewrSeries[i], seriesBefore[static_cast<std::size_t>(i)]) << i;

  oewr::testing::ScriptedUi person;
  ensemble::SensitivityForm form(window, person);
  for (int bad : {1, 501}) {
    form.SpinEdit1.value = bad;
    form.Button1Click();
    EXPECT_FALSE(form.running());
    EXPECT_TRUE(person.said("The number of members must be 2 to 500, not " + std::to_string(bad))) << bad;
  }
  expectSeedZeroGivesTheRun(window, *state);

  // Straight from the ecology to the final analysis: no high flows in the
  // run, and none in its members.
  LoadedRun noFloods(ini, records[1], dir.path(), false);
  ASSERT_EQ(noFloods.process.Button1, TForm1::kRunModel);
  TForm7 unflooded(*noFloods.state, noFloods.tx(), noFloods.ui, noFloods.saveDialog);
  unflooded.Button2Click();
  ASSERT_TRUE(unflooded.analysed());
  expectSeedZeroGivesTheRun(unflooded, *noFloods.state);
}
