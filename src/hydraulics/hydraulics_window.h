#pragma once
// TForm4, the hydraulics window as plain data: the parameter table and the
// observed-data table with the texts the person sees and types, the data
// check list, the information list, the "Max. Depth (m)" box, the two
// charts, the buttons and the mode flags; with the handlers that check,
// estimate, run on synthetic, surveyed or saved sections, save to the host
// and add the report section.
#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/form_controls.h"
#include "common/ui.h"
#include "hostdb/host_tables.h"
#include "hydraulics/channel_parameters.h"
#include "hydraulics/hydraulics_charts.h"
#include "model/parameter_rules.h"
#include "hydraulics/synthetic_section.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr::hostdb {
class Ttable_save;
}

namespace oewr::hydraulics {

// Items of the data check list.
enum DataItem { kSavedSectionItem = 0, kObservedSectionItem = 1, kRatingTableItem = 2 };

class TForm4 : public ModalForm {
 public:
  static constexpr const char* kNoReport = "No report has been generated";
  static constexpr const char* kTooManyPoints = "Cannot save X-Section as there are too many points";
  static constexpr const char* kChainage = "Problem in X-Section Chainage";
  static constexpr int kMaxSavedPoints = 400;  // a saved section has fewer points

  TForm4(HydraulicsParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog);
  std::string formCaption() const override { return caption; }

  std::string caption = kHydraulicsCaption;
  std::string Label1 = "Reading data";  // title label
  CheckListBox datag{{{"Saved X-Section", false}, {"Observed X-Section", false}, {"Observed Rating Table", false}}};
  StringGrid parameterGrid{2, 17};  // "Hydraulic Parameters"
  StringGrid observedGrid{2, 7};    // "Obs. Hydraulic Data"
  std::vector<std::string> informationLines;
  Edit maxDepthBox{"Max. Depth (m)", "", true};  // bank level of the surveyed section
  HydraulicsCharts charts;
  bool observedMode = false;  // surveyed section in use
  bool savedMode = false;     // saved section in use
  bool opened = false;        // FormCreate has run

  Button Button1{"Re-Plot Graphs", true};
  Button Button2{"Re-Calc Parameters", true};
  Button Button3{"Save Parameters", true};
  Button Button4{"Save XS to TERAVOX", true};
  Button Button5{"Add to Report", true};
  Button Button6{"Use Observed Data", false};  // a surveyed section is loaded
  Button Button7{"Use Saved X-Section", false};  // a saved section is loaded
  Button Button8{"Return to Main Menu", true};
  Button Button9{"Habitat Frequency Diagram", true};

  // Opening: the data check list, the checks, the tables, the charts;
  // "Re-Calc Parameters" when the maximum depth is 0; then the model run on
  // synthetic sections.
  void FormCreate();
  void Button1Click() { rePlotGraphs(); }
  void Button2Click() { recalcParameters(); }
  void Button3Click() { saveParameters(); }
  void Button4Click() { saveSection(); }
  void Button5Click() { addToReport(); }
  void Button6Click() {
    if (Button6.enabled) useObservedData();
  }
  void Button7Click() {
    if (Button7.enabled) useSavedSection();
  }
  void Button8Click() { modalResult = mrOK; }  // "Return to Main Menu"
  void Button9Click();                         // the habitat frequency diagram
  void close() { modalResult = mrCancel; }     // the window's close box

  // The checks of the parameters when the window opens, and the tables.
  // Then the parameters the opening's model run rests on (the channel set,
  // or with a maximum depth of 0 the inputs of the estimate) are checked: a
  // stored value that cannot be a channel ends the opening with a ModelError
  // naming it, before the model runs; the tables show it to be typed over.
  void checkParametersOnOpen();
  // "Re-Calc Parameters": estimates the channel parameters from the zone,
  // the valley slope and the width, then "Re-Plot Graphs". Typed values and
  // estimates that cannot be a channel end the action with a ModelError
  // naming the row before anything changes; a width or micro roughness held
  // that cannot be used is taken from its row instead.
  void recalcParameters();
  // "Re-Plot Graphs": reads rows 6 to 16 and runs the model. Values that
  // cannot be a channel end the action with a ModelError naming the row
  // before anything changes; a run that is refused leaves the parameters as
  // they were.
  void rePlotGraphs();
  // "Save Parameters": reads both tables and writes the 24 parameters to the
  // slot-4 attribute. True when written. Values that cannot be a channel are
  // refused as by "Re-Plot Graphs"; nothing is then written.
  bool saveParameters();
  // "Save XS to TERAVOX": writes the section in use to the slot-7 attribute.
  // True when written.
  bool saveSection();
  // "Add to Report": appends the hydraulics section to the report.
  void addToReport();
  // "Use Observed Data": the surveyed section with the observed set of the
  // observed-data table, against the observed rating table.
  void useObservedData();
  // "Use Saved X-Section": the saved section with the main set.
  void useSavedSection();
  // The single computation on the section in use, in the current mode.
  void runSingleSection();

  void fillParameterTable();
  void fillObservedTable();
  // Shows the value of a parameter row (1 .. 16) with the row's format.
  void showParameterRow(int row);
  // The number typed in a row (1 .. 16) of the parameter table, or of the
  // observed-data table (1 .. 6). Text that is no number, or a number that
  // cannot be the row's parameter (parameterProblem), ends the action with a
  // ModelError naming the table and the row.
  float readParameterRow(int row) const;
  float readObservedRow(int row) const;
  // The values typed in rows first .. last of the parameter table, each
  // read as readParameterRow reads it.
  std::vector<float> readParameterTable(int firstRow, int lastRow) const;
  // Reads the observed-data table into the observed set; nothing is changed
  // unless every row holds a value it can take.
  void readObservedTable();

 private:
  // The zone number: the whole number in row 1.
  int readZoneNumber() const;
  // Stores values read from rows firstRow on into the parameters.
  void storeParameterRows(int firstRow, const std::vector<float>& values);
  // The number typed in a row, refused only when it is no finite number.
  float readNumberRow(int row) const;
  // A held parameter the action rests on that cannot be a channel (a stored
  // value; typed ones are checked as they are read) ends the action with a
  // ModelError naming it.
  void checkHeldParameters(std::initializer_list<int> positions) const;
  // An input of the estimate: the value held, or the one typed in its row
  // when the held one cannot be used.
  float estimateInput(int row) const;
  // The hydrological-variability question; on Yes the index replaces the
  // value and row 3 shows it.
  void offerVariabilityFromHydrology();
  // Fresh charts whose revisions continue those shown so far.
  void resetCharts();
  // The estimate's run and the opening run after it (maximum depth 0): see
  // the definition.
  void runOpeningPair(const SiteParameters& before, int32_t shapeBefore);
  // Shows a section on the section chart, makes it the section in use
  // (model and working section) and warns of each decreasing chainage.
  void takeSection(const float* distances, const float* elevations, int32_t count);

  HydraulicsParts state_;
  hostdb::Ttxtab& tx_;
  Ui& ui_;
  hostdb::Ttable_save& saveDialog_;
  HydraulicSection workingSection_;  // the surveyed or saved section in use
  bool openingPairPending_ = false;  // the next rePlotGraphs is the opening's
};

}  // namespace oewr::hydraulics
