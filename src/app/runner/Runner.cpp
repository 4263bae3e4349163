#include "app/runner/Runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "app/runner/TerminalPort.h"
#include "card/CardDriver.h"
#include "card/CardLibs.h"
#include "motion/Engine.h"
#include "motion/EngineJournal.h"
#include "motion/EngineState.h"
#include "motion/Recording.h"
#include "motion/RunControl.h"
#include "motion/TickCsv.h"
#include "motion/Units.h"
#include "operator/Journal.h"
#include "operator/OperatorMessages.h"
#include "platform/DynamicLibrary.h"
#include "platform/PeriodicTimer.h"
#include "program/MotionProgram.h"
#include "program/ProgramFile.h"
#include "settings/SysParams.h"

// SIGINT and SIGTERM during a run: the handler only notes the signal, the
// run loop then stops the axes and ends.
namespace {
std::atomic<int> stopSignal{0};
std::atomic<int> stopSignalCount{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free atomics");
}  // namespace

extern "C" {
static void NoteStopSignal(int signal) {
  stopSignal.store(signal, std::memory_order_relaxed);
  stopSignalCount.fetch_add(1, std::memory_order_relaxed);
}
}

namespace {

constexpr const char* kUsage =
    "usage: tessor-run [--dir DIR] list PROGRAM.knl\n"
    "       tessor-run [--dir DIR] copy IN.knl OUT.knl\n"
    "       tessor-run [--dir DIR] import IN OUT.knl [--rapid MM_PER_S] [--tolerance MM]\n"
    "                  [--spindle-output CARD:PORT]\n"
    "       tessor-run [--dir DIR] run PROGRAM.knl [--loops N] [--fast] [--csv FILE]\n"
    "                  [--journal FILE]\n"
    "       tessor-run --help\n";

constexpr const char* kHelp =
    "Lists, copies, imports and runs Tessor motion programs (.knl) without windows.\n"
    "\n"
    "  --dir DIR    folder of sysparam.cfg (default: the program's folder, or\n"
    "               $XDG_CONFIG_HOME/tessor when that folder is not writable or\n"
    "               the program is installed); a missing file is created with\n"
    "               the defaults\n"
    "  list         prints the program's listing, one code text per entry\n"
    "  copy         opens IN and saves it as OUT\n"
    "  import       converts the G-code file IN into the program OUT: X, Y and Z\n"
    "               are axes 1-3 of card 1 (set up in mm); feed moves run at\n"
    "               F/60 mm/s, G0 at the rapid speed (--rapid, default 20 mm/s),\n"
    "               arcs as chords within --tolerance (default 0.01 mm);\n"
    "               --spindle-output CARD:PORT switches that output for M3, M4\n"
    "               (on) and M5 (off), which are skipped otherwise. Prints\n"
    "               \"N rows from M lines\"; any error writes nothing\n"
    "  run          initialises the cards of the model in sysparam.cfg and runs\n"
    "               the program as the Start button does, N passes (--loops,\n"
    "               default 1); --fast drives the simulated cards' clock by\n"
    "               exactly 5 ms a tick instead of waiting for real time;\n"
    "               --csv FILE writes one line per tick: tick, seconds, row,\n"
    "               pass, and per axis command position, encoder count, speed;\n"
    "               --journal FILE appends the run's events (commands, boxes\n"
    "               and answers, the run's end) as JSON lines, as the window\n"
    "               program's event journal does\n"
    "\n"
    "Ctrl+C (SIGINT) or SIGTERM during a run stops the axes (braking for 3 s\n"
    "at most, then at once; a second signal stops them at once), prints what\n"
    "was stopped and ends with status 130 or 143.\n"
    "\n"
    "Exit status: 0 normal end without operator messages, 1 the run ended on\n"
    "an operator message or raised one, or was refused (a row names an axis\n"
    "this machine does not have), 2 bad usage or a file that cannot be read\n"
    "or written, 128 + N ended by signal N.\n";

int UsageError(const std::string& error) {
  std::fprintf(stderr, "tessor-run: %s\n%s", error.c_str(), kUsage);
  return kExitUsage;
}

// A number of an option: finite, from `low` to `high`.
bool ParseNumber(const std::string& text, double low, double high, double& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(v) || v < low || v > high) return false;
  value = v;
  return true;
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
  SimulatorControls sim;
  if (model < 0 || model > 2) return sim;
  platform::ModuleHandle h =
      platform::LoadModule(card::ModelBaseName(model));  // the driver's library, counted once more
  if (h == nullptr) return sim;
  sim.setManual = reinterpret_cast<int (*)(int)>(platform::FindExport(h, "sim_set_manual_clock"));
  sim.advance = reinterpret_cast<int (*)(std::int64_t)>(platform::FindExport(h, "sim_advance_us"));
  sim.traceEnable = reinterpret_cast<int (*)(int)>(platform::FindExport(h, "sim_trace_enable"));
  return sim;  // the handle stays counted: the driver holds the library until exit anyway
}

int InstalledAxes() { return RunControl.CardCount.load() == 1 ? 4 : 8; }

// Catches SIGINT and SIGTERM while it lives; the previous handling comes
// back with its end.
class StopSignals {
 public:
  StopSignals() {
    stopSignal = 0;
    stopSignalCount = 0;
    struct sigaction action {};
    action.sa_handler = &NoteStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The last signal caught, 0 for none; how many came.
  static int Caught() { return stopSignal.load(std::memory_order_relaxed); }
  static int Count() { return stopSignalCount.load(std::memory_order_relaxed); }

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

std::string AxisList(const std::vector<int>& axes) {
  std::string text = axes.size() == 1 ? "axis" : "axes";
  for (const int axis : axes) text += " " + std::to_string(axis);
  return text;
}

// "stopped on SIGINT: program run; axis 1 decelerated; axis 2 stopped at
// once after 3.0 s", or "...: nothing was moving".
void PrintStopped(int signal, const QuitStopReport& report) {
  std::string line = std::string("stopped on ") + (signal == SIGTERM ? "SIGTERM" : "SIGINT") + ":";
  std::vector<std::string> parts;
  std::string runs;
  for (const std::string_view run : report.runs) runs += (runs.empty() ? "" : ", ") + std::string(run);
  if (!runs.empty()) parts.push_back(runs);
  std::vector<int> braked;
  for (const int axis : report.moving) {
    if (std::find(report.stoppedAtOnce.begin(), report.stoppedAtOnce.end(), axis) == report.stoppedAtOnce.end())
      braked.push_back(axis);
  }
  if (!braked.empty()) parts.push_back(AxisList(braked) + " decelerated");
  if (!report.stoppedAtOnce.empty()) {
    char after[64];
    std::snprintf(after, sizeof after, " stopped at once after %.1f s", report.waited);
    parts.push_back(AxisList(report.stoppedAtOnce) + after);
  }
  if (parts.empty()) parts.emplace_back("nothing was moving");
  for (std::size_t i = 0; i < parts.size(); ++i) line += (i == 0 ? " " : "; ") + parts[i];
  std::printf("%s\n", line.c_str());
}

bool SameFile(const struct stat& a, const std::string& path) {
  struct stat b {};
  return stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The runner's import and its checks, before anything is read or written.
bool SameFileAs(const std::string& a, const std::string& b) {
  struct stat sa {};
  return stat(a.c_str(), &sa) == 0 && SameFile(sa, b);
}

int ImportProgram(const RunnerOptions& options) {
  const std::string& in = options.files[0];
  const std::string& out = options.files[1];
  std::string why;
  if (!Readable(in, why)) return UsageError(why);
  if (!options.dir.empty()) SetSysParamsFolder(options.dir);
  const std::string settings = SysParamsFolder() + "sysparam.cfg";
  for (const std::string& kept : {in, settings}) {
    if (SameFileAs(out, kept)) {
      std::fprintf(stderr, "tessor-run: %s is %s, which the import reads\n", out.c_str(), kept.c_str());
      return kExitUsage;
    }
  }
  PrepareSettings(options);
  ComputeEquivalents(0);  // the factors only: no card is touched
  const GcodeAxes axes = GcodeImportAxes();
  std::string text;
  if (!ReadGcodeFile(in, text, why)) {
    std::fprintf(stderr, "tessor-run: cannot read %s: %s\n", in.c_str(), why.c_str());
    return kExitUsage;
  }
  GcodeOptions gcode;
  gcode.rapid = options.rapid;
  gcode.tolerance = options.tolerance;
  gcode.spindle = options.spindle;
  GcodeConversion result = ConvertGcode(text, axes, gcode);
  text = std::string();
  if (result.error) {
    std::fprintf(stderr, "tessor-run: %s: %s\n", in.c_str(), GcodeErrorText(*result.error, kLangEnglish).c_str());
    return kExitUsage;
  }
  for (const GcodeWarning& warning : result.warnings) {
    std::fprintf(stderr, "tessor-run: %s: %s\n", in.c_str(), GcodeWarningText(warning, kLangEnglish).c_str());
  }
  const std::size_t rows = result.rows.size();
  if (!TakeImportedProgram(std::move(result.rows))) return kExitUsage;
  if (!WriteProgramFile(out)) {
    std::fprintf(stderr, "tessor-run: cannot write %s\n", out.c_str());
    return kExitUsage;
  }
  std::printf("%zu rows from %zu lines\n", rows, result.lines);
  return kExitNormal;
}

// The per-tick trace of --csv, for plotting and comparing runs. It is
// opened before anything else, so that a path that cannot be written stops
// the runner before the cards or the settings are touched; an existing file
// is emptied only when the run starts, and a file the runner created is
// removed again when the run never starts.
class TickTrace {
 public:
  TickTrace() = default;
  TickTrace(const TickTrace&) = delete;
  TickTrace& operator=(const TickTrace&) = delete;
  ~TickTrace() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    if (!started_ && created_) unlink(path_.c_str());
  }

  // False with `why` set when the file cannot be written, or is one the
  // run reads (the trace must not overwrite it).
  bool Open(const std::string& path, const std::vector<std::string>& keep, std::string& why) {
    path_ = path;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    created_ = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      why = "cannot write " + path + ": " + std::strerror(errno);
      return false;
    }
    struct stat st {};
    fstat(fd, &st);
    for (const std::string& other : keep) {
      if (!other.empty() && SameFile(st, other)) {
        close(fd);
        why = "--csv " + path + " is " + other + ", which the run reads";
        return false;
      }
    }
    regular_ = S_ISREG(st.st_mode);
    file_ = fdopen(fd, "w");
    if (file_ == nullptr) {
      why = "cannot write " + path + ": " + std::strerror(errno);
      close(fd);
      if (created_) unlink(path.c_str());
      return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
    return true;
  }

  // Empties the file, writes the header line and starts the tick's
  // recording, which Drain writes out.
  void Start(int axes, bool fast) {
    if (file_ == nullptr) return;
    if (regular_ && ftruncate(fileno(file_), 0) != 0) failed_ = true;
    axes_ = axes;
    fast_ = fast;
    startNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                   .count();
    started_ = true;
    Write(TickCsvHeader(axes_));
    Recording.Start();
  }

  // One line for each tick recorded since the last call: the tables it had
  // just read and the row and pass it worked on. With --fast a tick is
  // exactly 5 ms; otherwise the time since Start is measured.
  void Drain() {
    const SampleRing* ring = Recording.Ring();
    if (file_ == nullptr || ring == nullptr) return;
    samples_.clear();
    ring->Read(cursor_, samples_);
    text_.clear();
    for (const TickSample& sample : samples_) {
      const double seconds = fast_ ? static_cast<double>(sample.tick) * kTickSeconds
                                   : static_cast<double>(sample.timeNs - startNs_) * 1e-9;
      AppendTickCsvLine(text_, sample.tick, seconds, sample, axes_);
    }
    Write(text_);
  }

  // Closes the file; false with `why` set when not all of it was written.
  bool Finish(std::string& why) {
    if (file_ == nullptr) return true;
    Drain();
    Recording.Stop();
    if (cursor_.lost > 0) {
      std::fclose(file_);
      file_ = nullptr;
      why =
          "the trace in " + path_ + " lacks " + std::to_string(cursor_.lost) + " ticks: it was written out too slowly";
      return false;
    }
    const bool ok = !failed_ && std::ferror(file_) == 0 && std::fflush(file_) == 0;
    const int closeResult = std::fclose(file_);
    file_ = nullptr;
    if (ok && closeResult == 0) return true;
    why = "writing " + path_ + " failed: " + std::strerror(errno);
    return false;
  }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  bool created_ = false;
  bool regular_ = false;
  bool started_ = false;
  bool failed_ = false;
  bool fast_ = false;
  int axes_ = 0;
  std::int64_t startNs_ = 0;
  SampleRing::Cursor cursor_;
  std::vector<TickSample> samples_;
  std::string text_;

  void Write(const std::string& text) {
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
  }
};

// The --journal file: checked before anything is touched (it must take
// lines and must not be a file the run reads or writes otherwise), then
// written by this thread for the whole run; the tick's events wait for the
// run's loop to drain them.
bool OpenJournal(const std::string& path, const std::vector<std::string>& keep, std::string& why) {
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
  if (fd < 0) {
    why = "cannot write " + path + ": " + std::generic_category().message(errno);
    return false;
  }
  struct stat st {};
  fstat(fd, &st);
  close(fd);
  for (const std::string& other : keep) {
    if (!other.empty() && SameFile(st, other)) {
      why = "--journal " + path;
      why += " is " + other + ", which the run also uses";
      return false;
    }
  }
  journal::SetFailureHook(
      [](const std::string& failure) { std::fprintf(stderr, "tessor-run: journal %s\n", failure.c_str()); });
  journal::Open(path);
  JournalSessionStart("tessor-run");
  return true;
}

// Ends the journal with the exit status; 2 when not all of it was written
// (a signal's status stays, as it does over a trace that failed).
int CloseJournal(int exitStatus) {
  if (!journal::IsOpen()) return exitStatus;
  JournalQuit(exitStatus);
  journal::Close();
  journal::SetFailureHook(nullptr);
  return journal::FailureReason().empty() || exitStatus >= kExitSignal ? exitStatus : kExitUsage;
}

// "result: ..." and "messages: ..." from the engine's record of the run.
int ReportRun(const RunReportRecord::Summary& report) {
  if (report.end == run_end::kNormal) {
    std::printf("result: normal\n");
  } else if (report.end == run_end::kMessage) {
    std::printf("result: message %d\n", report.endMessage);
  } else {
    std::printf("result: stopped\n");
  }
  if (report.messageCount > 0) {
    std::printf("messages:");
    for (const int message : report.messages) std::printf(" %d", message);
    if (report.messageCount > report.messages.size())
      std::printf(" ... (%llu in all)", static_cast<unsigned long long>(report.messageCount));
    std::printf("\n");
  }
  return report.end == run_end::kNormal && report.messageCount == 0 ? kExitNormal : kExitMessage;
}

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

// The run once its output files are open.
int RunOpenedProgram(const RunnerOptions& options, TerminalPort& port, TickTrace& trace) {
  std::string why;
  const StopSignals signals;
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
  const bool noAxes = RunControl.AxisCount.load() <= 0;
  const bool noCards = RunControl.CardCount.load() <= 0;
  if (noAxes || noCards) {
    // No run: card initialisation's own messages, as it raised them.
    std::printf("result: message %d\n", noAxes ? 7 : 5);
    std::printf("messages:%s%s\n", noAxes ? " 7" : "", noCards ? " 5" : "");
    return kExitMessage;
  }

  if (!OpenProgram(options.files[0], port)) return kExitUsage;
  const int rows = static_cast<int>(MotionProgram.size());
  port.OnRowSelected([&](int row, const std::string& text) {
    std::printf("row %d/%d pass %d/%ld: %s\n", row + 1, rows, ProgramRun.LoopsDone.load() + 1, options.loops,
                text.c_str());
    std::fflush(stdout);
  });

  RunControl.ShownCard.store(RunControl.CardCount.load() >= 2 ? 2 : 1);
  RunControl.ActivePanel.store(panel::kProgram);
  const std::uint64_t startTicks = StatusTables.TickCount.load();
  StartRequest start;
  start.panel = panel::kProgram;
  start.loopCount = static_cast<int>(options.loops);
  // A signal during the set-up starts nothing. A program naming an axis this
  // machine does not have is refused before any card call (its box on
  // stderr names the row), and the trace stays untouched.
  if (StopSignals::Caught() == 0 && StartButton(start) != 1) {
    std::printf("result: refused\n");
    return kExitMessage;
  }
  trace.Start(InstalledAxes(), options.fast);

  Progress progress(options.loops);
  auto running = [] { return RunControl.BusyProgram.load() && StopSignals::Caught() == 0; };
  if (options.fast) {
    while (running()) {
      clock.advance(5000);
      StatusTick();
      trace.Drain();
      progress.Maybe(StatusTables.TickCount.load() - startTicks);
    }
  } else {
    StartStatusTimer();
    if (StatusTables.TimerId.load() == 0) return kExitMessage;  // the timer's own message was shown
    while (running()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      journal::Drain();
      trace.Drain();
      progress.Maybe(StatusTables.TickCount.load() - startTicks);
    }
  }
  // Stopped by a signal: the axes brake while the ticks go on (on the
  // manual clock, 5 ms of machine time a pause); a further signal stops
  // them at once.
  const int signal = StopSignals::Caught();
  std::optional<QuitStopReport> stopped;
  if (signal != 0) {
    const int signalsSeen = StopSignals::Count();
    stopped = StopMotionForQuit([&]() -> double {
      if (StopSignals::Count() != signalsSeen) return -1.0;
      if (options.fast) {
        clock.advance(5000);
        StatusTick();
        return kTickSeconds;
      }
      const auto before = std::chrono::steady_clock::now();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    });
  }
  if (!options.fast) StopStatusTimer(StatusTables.TimerId.load());
  JoinTickCouriers();
  const std::uint64_t ticks = StatusTables.TickCount.load() - startTicks;

  if (stopped) PrintStopped(signal, *stopped);
  int exitStatus = ReportRun(RunReport.Read());
  std::printf("ticks: %llu\n", static_cast<unsigned long long>(ticks));
  for (int axis = 1; axis <= InstalledAxes(); ++axis) {
    double position = 0.0;
    std::int32_t count = 0;
    CardDriver.get_abs_pos(axis, &position);
    CardDriver.get_encoder(axis, &count);
    std::printf("axis %d: command %lld encoder %d corrections %d\n", axis, std::llround(position), count,
                Compensation.CorrectionMoves[static_cast<size_t>(axis - 1)].load());
  }
  if (!trace.Finish(why)) {
    std::fprintf(stderr, "tessor-run: %s\n", why.c_str());
    exitStatus = kExitUsage;
  }
  return signal != 0 ? kExitSignal + signal : exitStatus;
}

int RunProgram(const RunnerOptions& options, TerminalPort& port) {
  std::string why;
  if (!Readable(options.files[0], why)) return UsageError(why);
  if (!options.dir.empty()) SetSysParamsFolder(options.dir);
  const std::string settings = SysParamsFolder() + "sysparam.cfg";
  TickTrace trace;
  if (!options.csv.empty() && !trace.Open(options.csv, {options.files[0], settings}, why)) {
    std::fprintf(stderr, "tessor-run: %s\n", why.c_str());
    return kExitUsage;
  }
  if (!options.journal.empty() && !OpenJournal(options.journal, {options.files[0], settings, options.csv}, why)) {
    std::fprintf(stderr, "tessor-run: %s\n", why.c_str());
    return kExitUsage;
  }
  const int exitStatus = RunOpenedProgram(options, port, trace);
  return CloseJournal(exitStatus);
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
  } else if (options.command == "copy" || options.command == "import") {
    wanted = 2;
  } else {
    error = "unknown command '" + options.command + "'";
    return false;
  }
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (options.command == "run" && a == "--fast") {
      options.fast = true;
    } else if (options.command == "run" && a == "--csv") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = "--csv needs a file";
        return false;
      }
      options.csv = args[++i];
    } else if (options.command == "run" && a == "--journal") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = "--journal needs a file";
        return false;
      }
      options.journal = args[++i];
    } else if (options.command == "run" && a == "--loops") {
      if (i + 1 >= args.size() || !ParseCount(args[i + 1], options.loops)) {
        error = "--loops needs a whole number from 0 to 1000000000";
        return false;
      }
      ++i;
    } else if (options.command == "import" && (a == "--rapid" || a == "--tolerance" || a == "--spindle-output")) {
      const std::string value = i + 1 < args.size() ? args[++i] : std::string();
      if (a == "--rapid" && !ParseNumber(value, 1e-6, kMaxRapid, options.rapid)) {
        error = "--rapid needs a speed in mm/s above 0, at most 100000";
        return false;
      }
      if (a == "--tolerance" && !ParseNumber(value, kMinTolerance, kMaxTolerance, options.tolerance)) {
        error = "--tolerance needs a distance in mm from 0.0001 to 10";
        return false;
      }
      if (a == "--spindle-output") {
        options.spindle = ParseSpindleOutput(value);
        if (!options.spindle) {
          error = "--spindle-output needs CARD:PORT, card 1 or 2 and port 1-24";
          return false;
        }
      }
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option '" + a + "' for " + options.command;
      return false;
    } else {
      options.files.push_back(a);
    }
  }
  if (options.files.size() != wanted) {
    error = options.command + " takes " +
            (options.command == "import" ? "a G-code file and a program file"
             : wanted == 1               ? "one program file"
                                         : "two program files");
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
  if (options.command == "import") return ImportProgram(options);
  return RunProgram(options, port);
}
