#pragma once
// TForm7, the EWR final analysis window: builds the assurance rules, the EWR
// series and the long-term means for the chosen month, category, constraint
// and high flows, shows them in a list and two charts, appends the final
// section to the report and saves the chosen results of the selected
// category to the host.
#include <optional>
#include <string>
#include <vector>

#include "charting/chart.h"
#include "common/form_controls.h"
#include "common/ui.h"
#include "ewr/ewr_save.h"
#include "ewr/ewr_state.h"

namespace oewr::hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::ewr {

class TForm7 : public ModalForm {
 public:
  static constexpr const char* kCaption = "EWR Final Analysis";
  static constexpr const char* kNoPresentDay = "No Present Day data available for constrainng";
  static constexpr const char* kNoReport = "No report has been generated";
  static constexpr const char* kNoHighFlows = "No high flows calculated, do you wish to continue?";

  TForm7(EwrParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog);
  std::string formCaption() const override { return kCaption; }

  RadioGroup RadioGroup1{"Months", {"Oct", "Nov", "Dec", "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep"}, 4};
  RadioGroup RadioGroup2{"Category", {"A", "A/B", "B", "B/C", "C", "C/D", "D"}, 2};
  RadioGroup RadioGroup3{"Constrain EWR Outputs", {"No Constraint", "To Natural Flows", "To P.Day Flows"}, 0};
  CheckBox CheckBox1{"Include High Flows", true};

  std::vector<std::string> ListBox1;  // fixed-pitch font
  charting::Chart Chart1;             // duration curves of the month and category
  charting::Chart Chart2;             // time series of the category

  Button Button2{"Do Analysis", true};
  Button Button3{"Add to Report", false};
  Button Button6{"Save Results to TERAVOX", true};
  Button Button1{"Return", true};

  // The panel that "Save Results to TERAVOX" shows.
  bool Panel1Visible = false;
  std::string Panel1Caption = "Select Data To Save ";
  CheckListBox CheckListBox1;
  Button Button4{"Save", true};
  Button Button5{"Abandon", true};

  // "Do Analysis", also the click of the three radio groups.
  void Button2Click();
  void RadioGroup1Click() { Button2Click(); }
  void RadioGroup2Click() { Button2Click(); }
  void RadioGroup3Click() { Button2Click(); }
  // "Include High Flows" (its tick already changed by the view).
  void CheckBox1Click() { Button2Click(); }
  void Button3Click();  // "Add to Report"
  void Button6Click();  // "Save Results to TERAVOX"
  void Button4Click();  // "Save"
  void Button5Click();  // "Abandon"
  void Button1Click() { modalResult = mrOK; }  // "Return"
  void close() { modalResult = mrCancel; }     // the window's close box

  // The computation with the window's constraint and high-flow choice.
  void calc_ewr_months(int category);
  void save_go();

  int constraintMode() const { return RadioGroup3.itemIndex; }
  int selectedCategory() const { return RadioGroup2.itemIndex; }
  int selectedMonth() const { return RadioGroup1.itemIndex; }
  // True once an analysis of this window has completed.
  bool analysed() const { return analysed_; }
  // The model state the window works on, for reading.
  EwrView parts() const { return state_; }
  // Ticks and unticks "Include High Flows" as a program does: a changed tick
  // clicks the box, which reruns the analysis.
  void setIncludeHighFlows(bool on);
  // Selects a constraint as a program does: a changed selection clicks the group.
  void setConstraintMode(int mode);
  bool saveItemTicked(ewr::EwrSaveItem item) const;
  void setSaveItemTicked(ewr::EwrSaveItem item, bool ticked);

 private:
  void showAnalysis(int month, int category);
  // The record of a ticked item; nullopt (after its message) when there is none.
  std::optional<hostdb::SlotWrite> saveItemWrite(ewr::EwrSaveItem item, int category);
  EwrParts state_;
  hostdb::Ttxtab& tx_;
  Ui& ui_;
  hostdb::Ttable_save& saveDialog_;
  bool analysed_ = false;
};

}  // namespace oewr::ewr
