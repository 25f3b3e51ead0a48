#pragma once
// TForm3, the hydrology window: reads the site parameters and the three
// monthly flow series, computes their statistics, duration tables and
// baseflows, shows the natural and present-day summaries, takes the critical
// months and maximum baseflows from the plots window and starts the report.
#include <string>
#include <vector>

#include "common/form_controls.h"
#include "common/ui.h"
#include "hostdb/host_tables.h"
#include "hydrology/baseflow.h"
#include "hydrology/hydrology_state.h"

namespace oewr::hostdb {
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::hydrology {

class Tform3a;

class TForm3 : public ModalForm {
 public:
  static constexpr const char* kCaption = "Orvane EWR Model : Hydrology Sub-model";
  static constexpr const char* kNoCriticalMonths = "Use the Go to Graphics Plots to select critical months";

  // Reads and computes at once, as the window does when it opens (FormCreate);
  // the `replaced` site parameters are read in place of the stored ones.
  TForm3(HydrologyParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog,
         std::vector<ParameterReplacement> replaced = {});
  std::string formCaption() const override { return kCaption; }

  std::string Label1 = "Reading data";  // heading
  CheckListBox datag{{{"Hydrology/hydraulic parameters", false},
                      {"Natural flows (Monthly)", false},
                      {"Present day flows (Monthly)", false},
                      {"Scenario flows (Monthly)", false}}};
  std::vector<std::string> ListBox1;  // natural summary, fixed-pitch font
  std::vector<std::string> ListBox2;  // present-day summary, fixed-pitch font

  Button Button3{"Go to Graphics Plots", true};
  Button Button4{"Add Information to REPORT", false};
  Button Button1{"Return to main menu", false};

  std::string Label2 = "Critical High Flow Month";
  SpinEdit SpinEdit1{"", 0, 0, 12};
  std::string Label3 = "Critical Low  Flow Month";
  SpinEdit SpinEdit2{"", 0, 0, 12};
  std::string Label4 = "Estimated Max. Baseflow for High flow Month (cumecs)";
  std::string Label5 = "Estimated Max. Baseflow for Low flow Month (cumecs)";
  std::string Label6 = "Using QTotal 75%";
  std::string Label7 = "Using QBase 10%";
  Edit Edit1{"", "0.0"};  // wet, QTotal
  Edit Edit3{"", "0.0"};  // dry, QTotal
  Edit Edit2{"", "0.0"};  // wet, QBase
  Edit Edit4{"", "0.0"};  // dry, QBase
  CheckBox CheckBox1{"Use this option", false};  // QTotal column
  CheckBox CheckBox2{"Use this option", true};   // QBase column

  // Why the window's data cannot be analysed (the message shown when it
  // opened); empty when they can. "Go to Graphics Plots" is then disabled.
  std::string refusal;

  // The critical months' flows of the last plots (million m3 per month).
  hydrology::CriticalMonthFlows plotFlows;

  void FormCreate();
  // "Go to Graphics Plots": shows the plots window, then takes its result.
  void Button3Click();
  // What the window does when the plots window has closed with `result`.
  void takePlotsResult(const Tform3a& plots, int result);
  void Button1Click();  // "Return to main menu"
  void Button4Click();  // "Add Information to REPORT"
  // The "Use this option" boxes are exclusive: a click toggles the box and
  // sets the other one to the opposite.
  void CheckBox1Click();
  void CheckBox2Click();
  void close() { modalResult = mrCancel; }  // the window's close box

 private:
  // Reads one flow series of a slot and computes its statistics; ticks its
  // item when the series can be used.
  void readFlowSeries(int slot, TimeSeries& series, std::size_t item, const char* label, bool octoberCheck);
  HydrologyParts state_;
  hostdb::Ttxtab& tx_;
  Ui& ui_;
  hostdb::Ttable_save& saveDialog_;
  std::vector<ParameterReplacement> replaced_;
};

}  // namespace oewr::hydrology
