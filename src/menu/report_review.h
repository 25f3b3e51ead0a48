#pragma once
// TForm8, the report review: shows the report lines in a fixed-pitch memo
// and writes them to a text file.
#include <string>
#include <vector>

#include "common/ui.h"
#include "process/model_state.h"

namespace oewr::menu {

class TForm8 : public ModalForm {
 public:
  static constexpr const char* kCaption = "Report Review";
  TForm8(ModelState& state, Ui& ui) : state_(state), ui_(ui) {}
  std::string formCaption() const override { return kCaption; }

  std::vector<std::string> Memo1;  // shown in "Courier New", both scroll bars
  std::string Button1 = "Close";
  std::string Button2 = "Output to TextFile";
  FileDialogOptions SaveDialog1{"Text File |*.txt", "txt", "", ""};

  void FormShow();
  void Button1Click() { modalResult = mrOK; }
  void Button2Click();

 private:
  ModelState& state_;
  Ui& ui_;
};

// Writes the lines, one a line, to a text file (created or overwritten as a
// whole: a failed write leaves no half-written file). Throws ModelError.
void writeReportFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace oewr::menu
