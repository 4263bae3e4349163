// The window program: tessor [PROGRAM.knl], tessor --help, tessor --version.

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/tessor/CommandLine.h"
#include "ui/frame/WindowProgram.h"

int main(int argc, char** argv) {
  // Answered before the application object, which needs a display.
  switch (EarlyAnswer(argc, argv)) {
    case EarlyAction::Help:
      std::fputs(kWindowUsage, stdout);
      std::fputs(kWindowHelp, stdout);
      return 0;
    case EarlyAction::Version:
      std::printf("tessor %s\n", TESSOR_VERSION);
      return 0;
    case EarlyAction::None:
      break;
  }
  QApplication app(argc, argv);
  // Qt has taken its own options (-platform, -style...): the rest is ours.
  std::vector<std::string> args;
  for (const QString& arg : QCoreApplication::arguments().mid(1)) args.push_back(arg.toStdString());
  WindowArguments parsed;
  std::string error;
  if (!ParseWindowArguments(args, parsed, error)) {
    std::fprintf(stderr, "tessor: %s\n%s", error.c_str(), kWindowUsage);
    return 2;
  }
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(TESSOR_APP_ID));
  return RunWindowProgram(app, parsed.program);
}
