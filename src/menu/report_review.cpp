#include "menu/report_review.h"

#include <filesystem>

#include "common/atomic_file.h"
#include "common/errors.h"

namespace oewr::menu {

void TForm8::FormShow() {
  Memo1.clear();
  if (!state_.reportLines) {
    ui_.showMessage(kCaption, "No report has been generated");
    return;
  }
  Memo1 = *state_.reportLines;
}

void TForm8::Button2Click() {
  SaveDialog1.initialDirectory = state_.site.dataDirectory;
  auto path = ui_.pickSaveFile(SaveDialog1);
  if (!path) return;
  try {
    writeReportFile(*path, Memo1);
  } catch (const ModelError& e) {
    ui_.showMessage(kCaption, e.what());
  }
}

void writeReportFile(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + '\n';
  replaceFile(path, text, [&](FileWriteFailure stage, const std::error_code& ec) {
    if (stage == FileWriteFailure::Create) return ModelError("Cannot create file \"" + path + "\"");
    if (stage == FileWriteFailure::Write) return ModelError("Cannot write file \"" + path + "\"");
    return ModelError("Cannot write file \"" + path + "\": " + ec.message());
  });
}

}  // namespace oewr::menu
