// oewr-gui INI [RECORD]: the desktop program as the host starts it.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMessageBox::information(nullptr, "Orvane EWR", "The desktop program is being built.");
  return 0;
}
