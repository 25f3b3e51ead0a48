#include "menu/report_review.h"

#include <filesystem>
#include <fstream>

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
  namespace fs = std::filesystem;
  fs::path target(path);
  fs::path tmp = target;
  tmp += ".part";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) throw ModelError("Cannot create file \"" + path + "\"");
    for (const auto& line : lines) out << line << '\n';
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      fs::remove(tmp, ec);
      throw ModelError("Cannot write file \"" + path + "\"");
    }
  }
  std::error_code ec;
  fs::rename(tmp, target, ec);
  if (ec) {
    fs::remove(tmp, ec);
    throw ModelError("Cannot write file \"" + path + "\": " + ec.message());
  }
}

}  // namespace oewr::menu
