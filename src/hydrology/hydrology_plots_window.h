#pragma once
// Tform3a, the hydrology plots window: the natural and present-day flows and
// baseflows as time series, flow-duration curves and a monthly distribution at
// the chosen exceedence point. Each drawing chooses the critical wet and dry
// months from the natural baseflows.
#include <string>
#include <vector>

#include "charting/chart.h"
#include "common/form_controls.h"
#include "common/ui.h"
#include "hydrology/baseflow.h"
#include "hydrology/hydrology_state.h"

namespace oewr::hydrology {

class Tform3a : public ModalForm {
 public:
  static constexpr const char* kCaption = "orvane EWR : Hydrology Sub-model : Graphics Plots";
  static constexpr const char* kNoPointSelected = "% Point Selection";
  static constexpr int kDefaultPoint = 15;

  // Builds the charts, puts the state's exceedence point into the combo box
  // and draws (FormCreate).
  Tform3a(HydrologyParts state, Ui& ui);
  std::string formCaption() const override { return kCaption; }

  std::string Panel1 = "Time series graph selection";
  CheckBox CheckBox1{"Natural total flows", true};
  CheckBox CheckBox2{"Natural baseflows", true};
  CheckBox CheckBox3{"Present day total flows", true};
  CheckBox CheckBox4{"Present day baseflows", true};
  Button Button1{"Re-Draw", true};
  std::string Label1 = "% Point for Monthly Dist. Graph";
  ComboBox ComboBox1{{"5", "10", "15", "20", "25", "30", "35", "40", "45", "50"}, kNoPointSelected};
  std::vector<std::string> Memo1{"Select %Point value to change ", "Baseflow % Point to use for",
                                 "max. baseflow in hydraulic &", "Ecological analysis."};  // read-only
  Button Button2{"Finished", true};

  charting::Chart Chart1;  // time series
  charting::Chart Chart2;  // flow-duration curves
  charting::Chart Chart3;  // monthly distribution at the point

  // Set by each drawing: the critical months' flows (million m3 per month)
  // and the point drawn with (0 before the first drawing).
  hydrology::CriticalMonthFlows criticalFlows;
  int drawnPoint = 0;

  void FormCreate();
  void Button1Click();  // "Re-Draw"
  void ComboBox1Change() { Button1Click(); }
  void Button2Click() { modalResult = mrOK; }  // "Finished"
  void close() { modalResult = mrCancel; }     // the window's close box

 private:
  void draw();
  void drawSeries(const TimeSeries& s, std::size_t first, bool totals, bool baseflows, int point);
  HydrologyParts state_;
  Ui& ui_;
};

}  // namespace oewr::hydrology
