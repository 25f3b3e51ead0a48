#pragma once
// TForm6, the flood window: the five flood categories (depth or default peak,
// time to peak, duration, hydrograph and event volume, number of events and
// frequency), the volume totals, "Generate T/S" of the high-flow series and
// duration curves, saving and restoring the flood parameters, and the report
// section. Values pass from box to box through the boxes' texts.
#include <string>

#include "charting/chart.h"
#include "common/form_controls.h"
#include "common/ui.h"
#include "floods/flood_state.h"

namespace oewr::hostdb {
class Ttxtab;
class Ttable_save;
}  // namespace oewr::hostdb

namespace oewr::floods {

class TForm6 : public ModalForm {
 public:
  static constexpr const char* kCaption = "New OEWR Ecological sub-model for Floods";
  static constexpr const char* kRatioTooHigh = "Bankfull channel discharge is very high - check hydraulics";
  static constexpr const char* kDepthNotSet = "Depth is not set - Cannot save Desktop settings.";
  static constexpr const char* kCategoryDepthNotSet = "Depth is not set for some flood categories.";
  static constexpr const char* kSavedMissing = "Could not find the saved flood parameter data";
  static constexpr const char* kNoneSaved = "No saved Flood parameters";
  static constexpr const char* kNoReport = "No report has been generated";
  static constexpr const char* kNoRating = "The hydraulics sub-model has given no rating curve - check hydraulics";
  static constexpr const char* kBaseflowAboveBankfull =
      "Bankfull channel discharge is not above the maximum wet season baseflow - check hydraulics";

  // Opens the window: the rating, the charts and the five default categories.
  TForm6(FloodParts state, hostdb::Ttxtab& tx, Ui& ui, hostdb::Ttable_save& saveDialog);
  TForm6(const TForm6&) = delete;
  TForm6& operator=(const TForm6&) = delete;
  std::string formCaption() const override { return kCaption; }

  SpinEdit SpinEdit1{"Flood Category No:", 1, 1, 5};
  SpinEdit SpinEdit4{"Depth (cm)", 0, 0, 1000};  // with up and down buttons of 10 cm
  Edit Edit2{"Peak Discharge (m3/s)", "", true};
  SpinEdit SpinEdit2{"No. of events", 1, 1, 5};
  RadioGroup RadioGroup1{"Frequency", {"Annual or better", "1 year in 2", "1 year in 5"}, 0};
  Edit Edit1{"Catchment Area (km2)", "", false};
  RadioGroup RadioGroup2{"Catchment shape", {"Round ", "Oval", "Elongated"}, 1};
  RadioGroup RadioGroup3{"River slope", {"Gentle", "Moderate", "Steep", "Very Steep"}, 1};
  Edit Edit3{"Time to Peak (hours)", "", true};
  Edit Edit4{"Duration (hours)", "", true};
  Edit Edit5{"Event volume (MCM)", "", true};
  Edit Edit6{"Constraint value", "", true};

  // The category table lives in the model state (the high-flow series and
  // the report read it).
  FloodCategoryTable& StringGrid1;
  TextGrid<3, 4> StringGrid2;  // volume totals

  charting::Chart Chart1;  // "Channel X-Section": section, flood depth, baseflow level
  charting::Chart Chart2;  // "Rating Curve": rating, flood discharge, baseflow discharge
  charting::Chart Chart3;  // "Hydrograph"

  // Why no high flows can be generated (the message shown when the window
  // opened); empty when they can. "Generate T/S" is then disabled.
  std::string refusal;

  Button Button1{"Accept Selection", true};
  Button Button3{"Generate T/S", true};
  Button Button5{"Save Flood Parameters", true};
  Button Button6{"Use Saved Flood Parameters", true};
  Button Button2{"Add to Report", false};
  Button Button4{"Return to Main Menu", false};

  void FormCreate();
  // The depth changed: the peak discharge of that depth on the rating.
  void SpinEdit4Change();
  void SpinButton1UpClick();    // depth + 10 cm
  void SpinButton1DownClick();  // depth - 10 cm
  void Edit1Change() { TP_update(); }  // catchment area typed
  // The shape or slope group clicked, or the peak discharge changed.
  void RG2Click() { TP_update(); }
  // Time to peak and duration from the boxes, then the hydrograph.
  void TP_update();
  // The hydrograph and event volume of the peak, time-to-peak and duration boxes.
  void hydrograph();
  void Button1Click();  // "Accept Selection"
  void Button3Click();  // "Generate T/S"
  void Button5Click();  // "Save Flood Parameters"
  void Button6Click();  // "Use Saved Flood Parameters"
  void Button2Click();  // "Add to Report"
  void Button4Click();  // "Return to Main Menu"
  void close() { modalResult = mrCancel; }  // the window's close box

  // Changes as a program makes them, each with the change event it raises.
  void setDepth(int cm);                     // SpinEdit4Change when the depth changes
  void setPeakText(const std::string& text);  // RG2Click
  void setCatchmentText(const std::string& text);  // Edit1Change
  void setShape(int index);                  // RG2Click when the shape changes
  void setSlope(int index);                  // RG2Click when the slope changes

 private:
  void setUpCharts();
  void drawSection();
  void drawRating();
  void drawFloodLevel(float depth, float discharge);
  void fillDefaultCategories();
  void showTotals();
  void restoreSavedParameters();
  void clearTiming();

  FloodParts state_;
  hostdb::Ttxtab& tx_;
  Ui& ui_;
  hostdb::Ttable_save& saveDialog_;
};

}  // namespace oewr::floods
