#pragma once
// TForm5b, the habitat frequency diagram as plain data: how the wetted width
// divides into the seven habitat classes (stacked to 100 %) and the wetted
// width itself, against discharge up to a limit the person types, from the
// per-stage results of the last hydraulics computation; and the saving of
// both charts as Windows bitmap files.
#include <functional>
#include <memory>
#include <string>

#include "charting/chart.h"
#include "common/form_controls.h"
#include "common/ui.h"
#include "hydraulics/hydraulics_state.h"

namespace oewr::hydraulics {

class TForm5b : public ModalForm {
 public:
  static constexpr const char* kCaption = "Habitat Frequency Diagram";
  static constexpr const char* kTitlePrefix = "Habitat Frequency Plot for: ";
  static constexpr int kHabitatStack = 0;  // stack group of the seven area series

  TForm5b(HydraulicsParts state, Ui& ui);
  std::string formCaption() const override { return kCaption; }

  Edit Edit1{"Maximum Discharge (m^3/s)", "", false};  // upper discharge limit of the plot
  charting::Chart Chart1;  // habitat frequencies, stacked to 100 %
  charting::Chart Chart2;  // wetted width
  Button Button1{"Plot Graph", true};
  Button Button2{"Output Graphs", true};
  Button Button3{"Close", true};
  bool opened = false;  // FormCreate has run

  // Set by the Qt layer: writes a chart as a Windows bitmap to `path`; false
  // with the reason in `error` when it could not.
  std::function<bool(const charting::Chart&, const std::string& path, std::string& error)> saveChartPicture;

  // Opening: the default limit, the chart title, the series; "Plot Graph".
  void FormCreate();
  // "Plot Graph": the stages up to the first whose discharge exceeds the limit.
  void Button1Click();
  // "Output Graphs": asks for a file for each chart and saves it there; a
  // cancelled dialog skips only that chart.
  void Button2Click();
  void Button3Click() { modalResult = mrCancel; }  // "Close"

  // ceil(stageDischarge[wetBaseflowStage] / 10) x 10.
  static float defaultLimit(HydraulicsView state);

 private:
  void makeSeries();
  HydraulicsParts state_;
  Ui& ui_;
};

// The diagram opened and plotted, for a window that shows it modally.
std::unique_ptr<ModalForm> makeHabitatDiagram(HydraulicsParts state, Ui& ui);

}  // namespace oewr::hydraulics
