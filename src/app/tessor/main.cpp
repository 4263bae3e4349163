// The window program.

#include <QApplication>

#include "ui/WindowProgram.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return RunWindowProgram(app);
}
