// oewr-gui INI [RECORD]: the desktop program as the host starts it.
#include <QApplication>
#include <QMessageBox>
#include <filesystem>
#include <memory>

#include "gui/process_view.h"
#include "gui/qt_ui.h"
#include "hostdb/table_save_dialog.h"
#include "menu/submodel_windows.h"
#include "process/model_state.h"
#include "process/process_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Orvane EWR");
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::printf("Usage: oewr-gui [INI [RECORD]]\n"
                "The Orvane EWR model's desktop program, as the TERAVOX host starts it.\n"
                "  INI     the host's ini file (section Startup: dat_dir, datab_name; section Aliases)\n"
                "  RECORD  the request record number to load at once (1-based; negative: none)\n"
                "Without INI the program asks for the ini file.\n");
    return 0;
  }
  const std::string exeDir = QCoreApplication::applicationDirPath().toStdString();

  oewr::gui::QtUi::registerModelViews();
  auto state = oewr::makeModelState();
  oewr::gui::QtUi ui;
  oewr::hostdb::Ttable_save saveDialog;
  oewr::menu::ModelWindows windows;
  oewr::process::TForm1 form(*state, ui, saveDialog, windows);
  form.FormCreate(args, exeDir);
  oewr::gui::ProcessWindow window(form);
  ui.setParent(&window);
  window.show();
  return QApplication::exec();
}
