#pragma once
// TForm2, the sub-model menu: opens the sub-model windows in their fixed
// order, each gated on the step before it, and the report review.
#include <string>

#include "common/ui.h"
#include "menu/submodel_windows.h"
#include "process/run_context.h"

namespace oewr::menu {

class TForm2 : public ModalForm {
 public:
  static constexpr const char* kCaption = "Orvane Environmental Water Requirement Model : Sub-model Menu";

  TForm2(process::RunContext& ctx, SubModelWindows& windows) : ctx_(ctx), windows_(windows) {}
  std::string formCaption() const override { return kCaption; }

  std::string Label1;  // the request's description
  std::string Label2 = "Software Version No: 1.1 (Dated 3 August 2017)";
  std::string Button1 = "Hydrological Sub-model";
  std::string Button2 = "Hydraulics Sub-model";
  std::string Button3 = "Ecological Sub-model";
  std::string Button6 = "Determine Flood Volumes";
  std::string Button4 = "Determine EWR Requirements";
  std::string Button5 = "Review Report";
  // Ticks of the steps; the user can tick and untick them too.
  bool CheckBox1 = false;  // "Hydrology data requirements"
  bool CheckBox2 = false;  // "Hydraulics data requirements"
  bool CheckBox3 = false;  // "Ecological data requirements"
  bool CheckBox5 = false;  // "Flood requirements"
  bool CheckBox4 = false;  // "EWR requirements"
  static constexpr const char* kCheck1 = "Hydrology data requirements";
  static constexpr const char* kCheck2 = "Hydraulics data requirements";
  static constexpr const char* kCheck3 = "Ecological data requirements";
  static constexpr const char* kCheck5 = "Flood requirements";
  static constexpr const char* kCheck4 = "EWR requirements";

  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button6Click();
  void Button4Click();
  void Button5Click();
  void close() { modalResult = mrCancel; }

 private:
  void openStep(SubModel which, bool gate, const char* message, bool& tick);
  process::RunContext& ctx_;
  SubModelWindows& windows_;
};

}  // namespace oewr::menu
