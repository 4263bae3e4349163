#pragma once
// tessor-run: lists, copies, imports and runs motion programs through the
// engine without windows.

#include <optional>
#include <string>
#include <vector>

#include "program/GcodeImport.h"

struct RunnerOptions {
  std::string dir;                 // folder of sysparam.cfg; empty: the program's folder
  std::string command;             // list, copy, import, run
  std::vector<std::string> files;  // the command's files
  long loops = 1;
  bool fast = false;
  std::string csv;                       // run --csv: the per-tick trace; empty: none
  std::string journal;                   // run --journal: the event journal; empty: none
  double rapid = 20.0;                   // import --rapid, mm/s
  double tolerance = 0.01;               // import --tolerance, mm
  std::optional<SpindleOutput> spindle;  // import --spindle-output CARD:PORT
};

inline constexpr int kExitNormal = 0;
inline constexpr int kExitMessage = 1;
inline constexpr int kExitUsage = 2;
// Ended by signal N (SIGINT, SIGTERM): kExitSignal + N.
inline constexpr int kExitSignal = 128;

// Parses the command line; false with `error` set when it is not usable.
bool ParseRunnerArguments(const std::vector<std::string>& args, RunnerOptions& options, std::string& error, bool& help);

int RunnerMain(int argc, char** argv);
