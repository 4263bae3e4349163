// The window program.

#include <QApplication>

#include "ui/frame/WindowProgram.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(TESSOR_APP_ID));
  return RunWindowProgram(app);
}
