#pragma once
// The window program's command line: tessor [PROGRAM.knl], --help and
// --version. Qt's own options are taken by the application object first.

#include <string>
#include <vector>

inline constexpr const char* kWindowUsage =
    "usage: tessor [PROGRAM.knl]\n"
    "       tessor --help | --version\n";

inline constexpr const char* kWindowHelp =
    "\n"
    "The operator and test program for PCI pulse-train motion-controller cards.\n"
    "After the start-up dialogs it opens PROGRAM.knl, as File -> Open does.\n"
    "\n"
    "  --help       prints this and ends\n"
    "  --version    prints the version and ends\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are taken as Qt takes them.\n"
    "Without windows, tessor-run lists, copies, imports and runs programs.\n";

enum class EarlyAction { None, Help, Version };

// --help (-h) or --version (-v) among the arguments, before a "--": what
// is answered without a display.
EarlyAction EarlyAnswer(int argc, const char* const* argv);

struct WindowArguments {
  std::string program;  // absolute; empty: none
};

// The arguments Qt left: at most one program file ("--" ends the options).
// False with `error` set for an unknown option or a second file.
bool ParseWindowArguments(const std::vector<std::string>& args, WindowArguments& out, std::string& error);
