#include <gtest/gtest.h>

#include <fstream>

#include "hostdb/host_tables.h"
#include "hostdb/table_save_dialog.h"
#include "menu/report_review.h"
#include "menu/submodel_menu.h"
#include "menu/submodel_windows.h"
#include "support/scripted_ui.h"
#include "support/test_host.h"

using namespace oewr;
using namespace oewr::menu;
using namespace oewr::process;
using oewr::testing::ScriptedUi;

namespace {

// Sub-model windows that only return to the menu, recording what opened.
class RecordingWindows : public SubModelWindows {
 public:
  std::vector<SubModel> opened;
  std::unique_ptr<ModalForm> create(SubModel which, RunContext&) override {
    opened.push_back(which);
    return std::make_unique<PlaceholderForm>("step");
  }
};

struct Menu {
  std::unique_ptr<ModelState> state = makeModelState();
  ScriptedUi ui;
  hostdb::HostSession session;
  hostdb::Ttxtab tx{session, "TERAVOX", ui};
  hostdb::Ttable_save dialog;
  RunContext ctx{*state, tx, ui, dialog};
  RecordingWindows windows;
  TForm2 form{ctx, windows};
  // Windows close through their return button unless told otherwise.
  bool closeBox = false;
  Menu() {
    ui.onModal = [this](ModalForm& f) {
      if (auto* p = dynamic_cast<PlaceholderForm*>(&f); p && !closeBox) {
        p->Button1Click();
        return p->modalResult;
      }
      return mrCancel;
    };
  }
};

}  // namespace

TEST(SubModelMenu, StepsOpenInOrderBehindTheirGates) {
  Menu m;
  m.form.Button2Click();
  EXPECT_TRUE(m.ui.said("Complete the hydrological analysis first please."));
  EXPECT_TRUE(m.windows.opened.empty());
  m.form.Button3Click();
  EXPECT_TRUE(m.ui.said("Complete the hydraulic analysis first please."));
  m.form.Button4Click();
  m.form.Button6Click();
  EXPECT_EQ(m.ui.messages.size(), 4u);
  EXPECT_EQ(m.ui.messages.back().text, "Complete the previous analyses first please.");
  EXPECT_EQ(m.ui.messages.back().caption, TForm2::kCaption);

  m.form.Button1Click();
  EXPECT_TRUE(m.form.CheckBox1);
  m.form.Button2Click();
  EXPECT_TRUE(m.form.CheckBox2);
  m.form.Button3Click();
  EXPECT_TRUE(m.form.CheckBox3);
  // The final analysis needs the ecological step only, not the floods.
  m.form.Button4Click();
  EXPECT_TRUE(m.form.CheckBox4);
  EXPECT_FALSE(m.form.CheckBox5);
  m.form.Button6Click();
  EXPECT_TRUE(m.form.CheckBox5);
  EXPECT_EQ(m.windows.opened, (std::vector<SubModel>{SubModel::Hydrology, SubModel::Hydraulics, SubModel::Ecology,
                                                     SubModel::Ewr, SubModel::Floods}));
}

TEST(SubModelMenu, CloseBoxLeavesTheStepUnticked) {
  Menu m;
  m.closeBox = true;
  m.form.Button1Click();
  EXPECT_FALSE(m.form.CheckBox1);
  m.form.Button2Click();
  EXPECT_TRUE(m.ui.said("Complete the hydrological analysis first please."));
  // Ticking the box by hand opens the gate the same way.
  m.form.CheckBox1 = true;
  m.closeBox = false;
  m.form.Button2Click();
  EXPECT_TRUE(m.form.CheckBox2);
}

TEST(ReportReview, NoReportYet) {
  Menu m;
  TForm8 review(*m.state, m.ui);
  review.FormShow();
  EXPECT_TRUE(m.ui.said("No report has been generated"));
  EXPECT_TRUE(review.Memo1.empty());
}

TEST(ReportReview, TextFileHoldsTheMemoLineForLine) {
  oewr::testing::TempDir dir;
  Menu m;
  m.state->reportLines = std::vector<std::string>{"(Orvane Model outputs for site: X", "HYDROLOGY DATA SUMMARY", "",
                                                   " ", "Critical months: WET : Feb, DRY : Aug"};
  m.state->site.dataDirectory = dir.path().string();
  TForm8 review(*m.state, m.ui);
  review.FormShow();
  ASSERT_EQ(review.Memo1.size(), 5u);
  const std::string file = (dir.path() / "report.txt").string();
  m.ui.saveFile = file;
  review.Button2Click();
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  EXPECT_EQ(lines, review.Memo1);
  // Cancelling the save dialog writes nothing; an unwritable file is reported.
  m.ui.saveFile = (dir.path() / "no-such-dir" / "r.txt").string();
  review.Button2Click();
  EXPECT_EQ(m.ui.messages.size(), 1u);
  EXPECT_NE(m.ui.messages.back().text.find("Cannot create file"), std::string::npos);
  review.Button1Click();
  EXPECT_EQ(review.modalResult, mrOK);
}
