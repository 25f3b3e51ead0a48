#pragma once
// TForm5, the ecology window ("Ecological sub-model") as plain data: the
// option groups, the shift and stress-weight panels with their grids, the
// habitat grids at the maximum baseflows, the four charts and the output
// panel; with the handlers that process the data, save the ecological
// parameters, write the report section and output the charts.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "charting/chart.h"
#include "common/form_controls.h"
#include "common/ui.h"
#include "ecology/ecology_work.h"
#include "ecology/fsrt_file.h"
#include "ecology/ecology_state.h"

namespace oewr::hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::ecology {

class TForm5 : public ModalForm {
 public:
  static constexpr const char* kCaption = "Ecological sub-model";
  static constexpr const char* kRestoreQuestion =
      "Current category shift parameters are NOT defaults. Do you want to restore defaults?";
  static constexpr const char* kNoReport = "No report has been generated";
  static constexpr const char* kNoPresentDayAlignment =
      "No Present Day flows of a whole year: the maximum stress cannot be aligned to Present Day, so \"Don't "
      "Align\" is in force";

  TForm5(EcologyParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog);
  std::string formCaption() const override { return kCaption; }

  // Options
  Button Button1{"Process Data", true};
  RadioGroup RadioGroup1{"Perennial Flow",
                         {"Non-Perennial Allowed", "All Categories, Wet Season Perennial",
                          "All Categories, All Seasons Perennial"},
                         0};
  RadioGroup RadioGroup2{"Align Max. Stress to Present Day",
                         {"Don't Align", "Align A", "Align A/B", "Align B", "Align B/C", "Align C",
                          "Align C/D", "Align D"},
                         0};
  RadioGroup rg1{"Season for FDC plots", {"Wet", "Dry"}, 0};

  // Shift panel: rows "Wet A" .. "Dry D"; columns "Default HIGH", "Current
  // HIGH", "Default LOW", "Current LOW".
  Button Button6{"Edit SHIFTS", true};
  bool shiftPanelVisible = false;
  StringGrid StringGrid1{5, 9};
  Button Button14{"Reset to default ", true};
  Button Button12{"Save", true};
  Button Button5{"Save and Exit", true};

  // Stress-weight panel: rows "Stress at zero FS", "FS Weight", "FI Weight",
  // "FD Weight"; columns wet and dry.
  Button Button8{"Edit Stress Weights", true};
  bool weightPanelVisible = false;
  StringGrid StringGrid2{3, 5};
  Button Button13{"Save", true};
  Button Button7{"Save and Exit", true};

  // Habitats at the maximum baseflows.
  std::string wetgLabel = "Habitats for Max. Baseflow Wet ";
  std::string drygLabel = "Habitats for Max. Baseflow Dry";
  StringGrid wetg{2, 10};
  StringGrid dryg{2, 10};
  std::string wetMonthLabel, wetDepthLabel;
  std::string dryMonthLabel, dryDepthLabel;

  // Charts: flow v stress, stress frequency wet and dry, flow duration.
  charting::Chart Chart1;
  charting::Chart Chart2;
  charting::Chart Chart3;
  charting::Chart Chart4;

  Button Button4{"Add to Report", false};
  Button Button9{"Graph Outputs", true};
  bool outputPanelVisible = false;
  CheckListBox CheckListBox1;
  Button Button10{"Output", true};
  Button Button11{"FSRT", true};
  Button Button2{"Habit Detail", true};
  Button Button3{"Return to Main Menu", false};

  // Read by "FSRT"; no computation uses them.
  ecology::FsrtValues fsrtValues{};

  // Set by the Qt layer: writes a chart to a Windows bitmap file.
  std::function<bool(const charting::Chart&, const std::string& path)> saveChartPicture;
  // Makes the habitat frequency diagram (TForm5b of the hydraulics
  // sub-model) that "Habit Detail" shows modally; the Qt layer may replace it.
  std::function<std::unique_ptr<ModalForm>(hydraulics::HydraulicsParts, Ui&)> makeHabitatDiagram;

  // Opening: the grids, labels and options, then "Process Data"; when that
  // run completed and the shifts in force are not the defaults, the question
  // whether to restore them.
  void FormCreate();

  // "Process Data", also the click of both option groups.
  void Button1Click();
  void RadioGroup1Click() { Button1Click(); }
  void RadioGroup2Click() { Button1Click(); }
  // Select an option as a person does: a changed selection clicks the group.
  void setPerennialSelection(int option);
  void setAlignSelection(int option);

  void Button6Click() { shiftPanelVisible = true; }  // "Edit SHIFTS"
  void Button14Click();                              // "Reset to default "
  void Button12Click();                              // "Save" of the shift panel
  void Button5Click();                               // "Save and Exit" of the shift panel
  void Button8Click() { weightPanelVisible = true; }  // "Edit Stress Weights"
  void Button13Click();                               // "Save" of the weight panel
  void Button7Click();                                // "Save and Exit" of the weight panel
  void Button4Click();                                // "Add to Report"
  void Button9Click() { outputPanelVisible = true; }  // "Graph Outputs"
  void Button10Click();                               // "Output"
  void Button11Click();                               // "FSRT"
  void Button2Click();                                // "Habit Detail"
  void Button3Click();                                // "Return to Main Menu"

  // The actions behind the handlers; they throw ModelError instead of
  // showing it, for callers that report errors themselves.
  void processData();
  void saveShiftTable();
  void saveWeightTable();
  // Stores the ecological parameters in the host (slot 5).
  void storeParameters();

  bool ready() const { return ready_; }
  // The last "Process Data" ran to its end and stored the parameters.
  bool runComplete() const { return runComplete_; }
  // The working values of the last completed run.
  const ecology::EcologyWork& lastRun() const { return *work_; }
  // Grid row of category A, B, C or D (0, 2, 4, 6) of a season.
  static int shiftRow(int season, int category) { return season * 4 + category / 2 + 1; }

 private:
  void prepareWindow();
  void clearRequirements();
  void fillShiftGrid(bool withDefaults);
  void fillWeightGrid();
  void fillHabitatGrids();
  void showResults();
  void plotCharts();
  void runGuarded(void (TForm5::*action)());

  EcologyParts state_;
  hostdb::Ttxtab& tx_;
  Ui& ui_;
  hostdb::Ttable_save& saveDialog_;
  std::unique_ptr<ecology::EcologyWork> work_;
  bool ready_ = false;
  bool runComplete_ = false;
  bool defaultsFresh_ = false;  // the defaults were computed by a run of this window
};

}  // namespace oewr::ecology
