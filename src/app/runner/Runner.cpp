#include "app/runner/Runner.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/runner/TerminalPort.h"
#include "card/CardDriver.h"
#include "motion/Engine.h"
#include "motion/EngineState.h"
#include "motion/RunControl.h"
#include "motion/Units.h"
#include "platform/DynamicLibrary.h"
#include "platform/PeriodicTimer.h"
#include "program/MotionProgram.h"
#include "program/ProgramFile.h"
#include "settings/SysParams.h"

namespace {

constexpr const char* kUsage =
    "usage: tessor-run [--dir DIR] list PROGRAM.knl\n"
    "       tessor-run [--dir DIR] copy IN.knl OUT.knl\n"
    "       tessor-run [--dir DIR] run PROGRAM.knl [--loops N] [--fast]\n"
    "       tessor-run --help\n";

constexpr const char* kHelp =
    "Lists, copies and runs Tessor motion programs (.knl) without windows.\n"
    "\n"
    "  --dir DIR    folder of sysparam.cfg (default: the program's folder);\n"
    "               a missing file is created with the defaults\n"
    "  list         prints the program's listing, one code text per entry\n"
    "  copy         opens IN and saves it as OUT\n"
    "  run          initialises the cards of the model in sysparam.cfg and runs\n"
    "               the program as the Start button does, N passes (--loops,\n"
    "               default 1); --fast drives the simulated cards' clock by\n"
    "               exactly 5 ms a tick instead of waiting for real time\n"
    "\n"
    "Exit status: 0 normal end, 1 run ended on an operator message,\n"
    "2 bad usage or a file that cannot be read or written.\n";

int UsageError(const std::string& error) {
  std::fprintf(stderr, "tessor-run: %s\n%s", error.c_str(), kUsage);
  return kExitUsage;
}

bool ParseCount(const std::string& text, long& value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v > 1'000'000'000L) return false;
  value = v;
  return true;
}

// A file the runner must read: says why not, the way an operator reads it.
bool Readable(const std::string& path, std::string& why) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    why = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  std::fclose(f);
  return true;
}

void PrepareSettings(const RunnerOptions& options) {
  if (!options.dir.empty()) SetSysParamsFolder(options.dir);
  LoadSysParams();
}

// Opens the program as the File menu does; false when the file could not
// be opened (the open message has been shown).
bool OpenProgram(const std::string& path, TerminalPort& port) {
  port.AnswerFile(path);
  const int boxesBefore = port.BoxCount();
  ProgramFileOpen();
  if (port.BoxCount() == boxesBefore) return true;
  std::fprintf(stderr, "tessor-run: cannot read %s as a program file\n", path.c_str());
  return false;
}

int ListProgram(const RunnerOptions& options, TerminalPort& port) {
  std::string why;
  if (!Readable(options.files[0], why)) return UsageError(why);
  PrepareSettings(options);
  if (!OpenProgram(options.files[0], port)) return kExitUsage;
  for (const std::string& line : port.Listing()) std::printf("%s\n", line.c_str());
  return kExitNormal;
}

int CopyProgram(const RunnerOptions& options, TerminalPort& port) {
  std::string why;
  if (!Readable(options.files[0], why)) return UsageError(why);
  PrepareSettings(options);
  if (!OpenProgram(options.files[0], port)) return kExitUsage;
  if (!WriteProgramFile(options.files[1])) {
    std::fprintf(stderr, "tessor-run: cannot write %s\n", options.files[1].c_str());
    return kExitUsage;
  }
  return kExitNormal;
}

// The simulator's manual clock in the selected model's library.
// The simulator's own controls in the selected model's library, when the
// library is the simulator.
struct SimulatorControls {
  int (*setManual)(int) = nullptr;
  int (*advance)(std::int64_t) = nullptr;
  int (*traceEnable)(int) = nullptr;
  bool HasClock() const { return setManual != nullptr && advance != nullptr; }
};

SimulatorControls FindSimulatorControls(int model) {
  static constexpr const char* kNames[] = {"ORVA", "ORVB", "ORVC"};
  SimulatorControls sim;
  if (model < 0 || model > 2) return sim;
  platform::ModuleHandle h = platform::LoadModule(kNames[model]);  // the driver's library, counted once more
  if (h == nullptr) return sim;
  sim.setManual = reinterpret_cast<int (*)(int)>(platform::FindExport(h, "sim_set_manual_clock"));
  sim.advance = reinterpret_cast<int (*)(std::int64_t)>(platform::FindExport(h, "sim_advance_us"));
  sim.traceEnable = reinterpret_cast<int (*)(int)>(platform::FindExport(h, "sim_trace_enable"));
  return sim;  // the handle stays counted: the driver holds the library until exit anyway
}

int InstalledAxes() { return RunControl.CardCount.load() == 1 ? 4 : 8; }

class Progress {
 public:
  explicit Progress(long loops) : loops_(loops), enabled_(isatty(STDERR_FILENO) != 0) {}
  void Maybe(std::uint64_t ticks) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::seconds(1)) return;
    last_ = now;
    std::fprintf(stderr, "... pass %d/%ld row %d ticks %llu\n", ProgramRun.LoopsDone.load() + 1, loops_,
                 ProgramRun.CurrentRow.load() + 1, static_cast<unsigned long long>(ticks));
  }

 private:
  long loops_;
  bool enabled_;
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

int RunProgram(const RunnerOptions& options, TerminalPort& port) {
  std::string why;
  if (!Readable(options.files[0], why)) return UsageError(why);
  PrepareSettings(options);

  const SimulatorControls clock = FindSimulatorControls(SysParams.Ctrler);
  // Nobody reads the simulator's call trace here: do not let it fill memory.
  if (clock.traceEnable != nullptr) clock.traceEnable(0);
  if (options.fast) {
    if (!clock.HasClock()) {
      std::fprintf(stderr,
                   "tessor-run: --fast needs the simulated cards' manual clock, and the card library of model %d "
                   "has none (real cards run in real time only: leave out --fast)\n",
                   SysParams.Ctrler);
      return kExitUsage;
    }
    clock.setManual(1);
  }

  CompleteCardSetup();
  if (RunControl.CardCount.load() <= 0 || RunControl.AxisCount.load() <= 0) {
    std::printf("result: message %d\n", RunControl.AxisCount.load() <= 0 ? 7 : 5);
    return kExitMessage;
  }

  if (!OpenProgram(options.files[0], port)) return kExitUsage;
  const int rows = static_cast<int>(MotionProgram.size());
  port.OnRowSelected([&](int row, const std::string& text) {
    std::printf("row %d/%d pass %d/%ld: %s\n", row + 1, rows, ProgramRun.LoopsDone.load() + 1, options.loops,
                text.c_str());
    std::fflush(stdout);
  });
  port.ForgetMessages();

  RunControl.ShownCard.store(RunControl.CardCount.load() >= 2 ? 2 : 1);
  RunControl.ActivePanel.store(panel::kProgram);
  const std::uint64_t startTicks = StatusTables.TickCount.load();
  StartRequest start;
  start.loopCount = static_cast<int>(options.loops);
  StartButton(start);

  Progress progress(options.loops);
  if (options.fast) {
    while (RunControl.BusyProgram.load()) {
      clock.advance(5000);
      StatusTick();
      progress.Maybe(StatusTables.TickCount.load() - startTicks);
    }
  } else {
    StartStatusTimer();
    if (StatusTables.TimerId.load() == 0) return kExitMessage;  // the timer's own message was shown
    while (RunControl.BusyProgram.load()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      progress.Maybe(StatusTables.TickCount.load() - startTicks);
    }
    StopStatusTimer(StatusTables.TimerId.load());
  }
  const std::uint64_t ticks = StatusTables.TickCount.load() - startTicks;

  const int message = port.LastMessage();
  if (message >= 0) {
    std::printf("result: message %d\n", message);
  } else {
    std::printf("result: normal\n");
  }
  std::printf("ticks: %llu\n", static_cast<unsigned long long>(ticks));
  for (int axis = 1; axis <= InstalledAxes(); ++axis) {
    double position = 0.0;
    std::int32_t count = 0;
    CardDriver.get_abs_pos(axis, &position);
    CardDriver.get_encoder(axis, &count);
    std::printf("axis %d: command %lld encoder %d corrections %d\n", axis, std::llround(position), count,
                Compensation.CorrectionMoves[static_cast<size_t>(axis - 1)].load());
  }
  return message >= 0 ? kExitMessage : kExitNormal;
}

}  // namespace

bool ParseRunnerArguments(const std::vector<std::string>& args, RunnerOptions& options, std::string& error,
                          bool& help) {
  help = false;
  size_t i = 0;
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      help = true;
      return true;
    }
  }
  while (i < args.size() && args[i] == "--dir") {
    if (i + 1 >= args.size() || args[i + 1].empty()) {
      error = "--dir needs a folder";
      return false;
    }
    options.dir = args[i + 1];
    i += 2;
  }
  if (i >= args.size()) {
    error = "no command given";
    return false;
  }
  options.command = args[i++];
  size_t wanted = 0;
  if (options.command == "list" || options.command == "run") {
    wanted = 1;
  } else if (options.command == "copy") {
    wanted = 2;
  } else {
    error = "unknown command '" + options.command + "'";
    return false;
  }
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options.command == "run" && a == "--fast") {
      options.fast = true;
    } else if (options.command == "run" && a == "--loops") {
      if (i + 1 >= args.size() || !ParseCount(args[i + 1], options.loops)) {
        error = "--loops needs a whole number from 0 to 1000000000";
        return false;
      }
      ++i;
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option '" + a + "' for " + options.command;
      return false;
    } else {
      options.files.push_back(a);
    }
  }
  if (options.files.size() != wanted) {
    error = options.command + " takes " + (wanted == 1 ? "one program file" : "two program files");
    return false;
  }
  return true;
}

int RunnerMain(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  RunnerOptions options;
  std::string error;
  bool help = false;
  if (!ParseRunnerArguments(args, options, error, help)) return UsageError(error);
  if (help) {
    std::printf("%s\n%s", kUsage, kHelp);
    return kExitNormal;
  }
  TerminalPort port;
  if (options.command == "list") return ListProgram(options, port);
  if (options.command == "copy") return CopyProgram(options, port);
  return RunProgram(options, port);
}
