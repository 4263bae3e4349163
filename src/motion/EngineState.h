#pragma once
// Program-wide state of the motion engine, grouped by owner. Each record is
// one global instance with a Reset() that restores the start-of-program
// values, so every test starts clean.
//
// Two threads touch this state: the user-interface thread (buttons, the
// jog, the panels' timers) and the 5 ms status tick. Whatever both of them
// touch is atomic. A run record is written completely before its busy flag
// is stored with release order; the tick reads a record only after it has
// seen the flag set (acquire). Fields without atomics belong to one thread.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "motion/PathPlan.h"
#include "motion/PlotGeometry.h"
#include "program/MotionCommand.h"

inline constexpr int kAxisTableSize = 16;  // per-axis tables, index axis - 1
inline constexpr int kPolledAxes = 8;      // status tables: two cards of four axes
inline constexpr double kTickSeconds = 0.005;

// Values of MotionMode: the last motion request.
namespace mode {
inline constexpr int kJog = 4;
inline constexpr int kSuddenStop = 5;
inline constexpr int kDecelStop = 6;
inline constexpr int kRun = 7;
inline constexpr int kClear = 8;
inline constexpr int kHoming = 9;
}  // namespace mode

// Values of ActivePanel: which panel the Start button runs.
namespace panel {
inline constexpr int kProgram = 0;
inline constexpr int kPtoP = 1;
inline constexpr int kLinear = 2;
inline constexpr int kCircular = 3;
}  // namespace panel

// The three direct-motion page runs, in the order the tick advances them.
enum class Page { PtoP = 0, Linear = 1, Circular = 2 };

// Run control: the busy flags, the last motion request, the shown card and
// the panel the Start button acts on; also the results of card
// initialisation.
struct RunControlRecord {
  std::atomic<bool> BusyJog{false};
  std::atomic<bool> BusyHome{false};
  std::atomic<bool> BusyPtoP{false};
  std::atomic<bool> BusyLinear{false};
  std::atomic<bool> BusyCircular{false};
  std::atomic<bool> BusyProgram{false};
  // Set while a tick is inside the program step, which reads the motion
  // program: a stop clears BusyProgram at any moment, and the program must
  // not be edited before that step has returned.
  std::atomic<bool> TickInProgram{false};
  // A setting dialog's Save writes the parameters the tick reads while this
  // is set; a tick that sees it reads none of them and skips its steps.
  // TickInStep is set while a tick runs its steps (sequentially consistent
  // with SettingsChanging: one of the two always sees the other).
  std::atomic<bool> SettingsChanging{false};
  std::atomic<bool> TickInStep{false};
  std::atomic<int> MotionMode{mode::kSuddenStop};
  std::atomic<int> ShownCard{1};
  std::atomic<int> ActivePanel{panel::kProgram};
  std::atomic<int> CardCount{0};
  std::atomic<int> AxisCount{0};
  // Counts D Stop and S Stop presses; a tick that overlapped a stop sends
  // the stop again after its steps so that a move it issued cannot outlive
  // the stop.
  std::atomic<std::uint32_t> StopCount{0};
  std::atomic<bool> LastStopSudden{true};

  // Serialises writing and copying the records the tick runs from
  // (HomeRecord and the three page run records). Held only for a copy,
  // never across a card call or a message.
  std::mutex RecordMutex;

  void Reset();
};
extern RunControlRecord RunControl;

// The status tables the tick fills and the panels show, and the timer.
struct StatusTablesRecord {
  std::array<std::atomic<double>, kPolledAxes> CommandPosition{};
  std::array<std::atomic<std::int32_t>, kPolledAxes> EncoderCount{};
  std::array<std::atomic<double>, kPolledAxes> CurrentSpeed{};
  std::atomic<std::uint32_t> TimerId{0};
  std::atomic<std::uint32_t> TimerResolution{0};
  std::atomic<std::uint64_t> TickCount{0};  // ticks run since Reset

  void Reset();
};
extern StatusTablesRecord StatusTables;

// The program run and the page runs.
struct ProgramRunRecord {
  std::atomic<int> CurrentRow{0};  // 0-based
  std::atomic<int> LoopsDone{0};
  std::atomic<int> LoopTotal{0};
  // Where a run's first pass begins (0-based) and the count of runs
  // started: both written before BusyProgram is set. The tick takes
  // FirstRow when it meets a run number it has not begun, since a tick
  // without a run may reset CurrentRow at any moment before it sees the
  // flag.
  std::atomic<int> FirstRow{0};
  std::atomic<std::uint32_t> RunNumber{0};
  // Single block: after each row the run pauses before the next one.
  std::atomic<bool> SingleBlock{false};
  // The row (1-based) a paused run waits before; 0 while it does not wait.
  // The tick sets it, Start clears it to go on.
  std::atomic<int> PausedBeforeRow{0};
  // Tick thread only.
  int RowState = 0;
  int DelayTicks = 0;
  int CorrectionCount = 0;
  std::array<int, 3> PageRunState{};  // by Page
  std::uint32_t RunBegun = 0;  // the run number the tick began last
  bool RowFinished = false;    // a row ended since the run began or went on

  void Reset();
};
extern ProgramRunRecord ProgramRun;

// How a program run ended.
namespace run_end {
inline constexpr int kNone = 0;     // no run begun since Reset
inline constexpr int kRunning = 1;  // begun, not ended yet
inline constexpr int kNormal = 2;   // all passes done
inline constexpr int kMessage = 3;  // ended by an operator message (EndMessage)
inline constexpr int kStopped = 4;  // ended by D Stop or S Stop
}  // namespace run_end

// Why the last program run ended and the numbered operator messages it
// raised, in order, whatever the language: front ends and the runner report
// from this, never from a box's text (with LangVer 2 no box is shown at all).
// Both threads use it; every member takes the lock, never across a card
// call or a box.
struct RunReportRecord {
  struct Summary {
    int end = run_end::kNone;
    int endMessage = -1;
    std::vector<int> messages;    // the first kKeptMessages raised
    std::uint64_t messageCount = 0;  // all raised
  };
  static constexpr std::size_t kKeptMessages = 10000;

  // The Start button, before BusyProgram is set: a new run, nothing raised.
  void Begin();
  // A numbered message raised while the run is on.
  void Note(int message);
  // The run has ended; only the first end of a run counts. A message that
  // ends the run is one of the messages it raised. The end goes into the
  // journal at once, or for a message after its box (JournalEnd).
  void Finish(int end, int message = -1);
  // Journals an end not journalled yet.
  void JournalEnd();
  Summary Read() const;
  void Reset();

 private:
  mutable std::mutex mutex_;
  Summary summary_;
  bool endToJournal_ = false;
};
extern RunReportRecord RunReport;

// Homing: the record the home buttons fill and the sequence's state.
struct HomingRecord {
  MotionCommand HomeRecord{};  // written under RunControl.RecordMutex
  // Tick thread only.
  int HomeState = 0;
  int HomeTicks = 0;
  std::array<int, 4> HomeDirection{};
  std::array<int, 4> HomeRetry{};
  int HomeRunState = 0;

  void Reset();
};
extern HomingRecord Homing;

// Feedback compensation: the run's reference and the last check's results.
struct CompensationRecord {
  std::array<std::atomic<std::int32_t>, kAxisTableSize> StartEncoder{};
  std::array<std::atomic<double>, kAxisTableSize> CommandedTravel{};
  // Correction moves the cards accepted, per axis since Reset: the runner's
  // summary.
  std::array<std::atomic<int>, kAxisTableSize> CorrectionMoves{};
  // Tick thread only.
  std::array<bool, kAxisTableSize> CompensationNeeded{};
  std::array<double, kAxisTableSize> PositionError{};
  MotionCommand HoldRecord1{};
  MotionCommand HoldRecord2{};
  std::array<int, 2> HoldTicks{};

  void Reset();
};
extern CompensationRecord Compensation;

// What the planned path was computed from: the program's revision, the
// plot frame, the unit and pulse equivalent of axes 1 and 2, the card model's
// whole pulses, and the start point (absolute command positions of axes 1
// and 2).
struct PlotPreviewSource {
  std::uint64_t revision = 0;
  PlotRect frame{};
  std::array<std::int32_t, 2> unit{};
  std::array<std::uint64_t, 2> equivalentBits{};  // bit for bit: NaN equals itself
  bool wholePulses = true;
  double startX = 0.0;
  double startY = 0.0;
  bool operator==(const PlotPreviewSource&) const = default;
};

// The path plot: origin, window and fitted geometry of the program run.
// The origin is written by the tick at every new pass; everything else
// belongs to the user-interface thread.
struct PlotRecord {
  std::atomic<double> OriginX{0.0};  // absolute command position of axis 1, pulses
  std::atomic<double> OriginY{0.0};  // ... of axis 2
  double MinX = 0.0, MaxX = 0.0, MinY = 0.0, MaxY = 0.0;  // path window, pulses from the start point
  double Scale = 0.0;                                      // pixels per pulse
  double ZeroPixelX = 0.0, ZeroPixelY = 0.0;               // pixel of path point (0, 0)
  double LastPixelX = 0.0, LastPixelY = 0.0;               // where the pen stands
  double LastOffsetX = 0.0, LastOffsetY = 0.0;             // last plotted offsets
  double CurrentOffsetX = 0.0, CurrentOffsetY = 0.0;
  std::vector<PlotSegment> Segments;
  CPathPlot Geometry;  // the frame of the live status bar's plot
  // The planned path of the program, drawn under the run's path.
  std::vector<PlotSegment> Preview;
  std::optional<PlotPreviewSource> PreviewSource;  // none: not computed yet
  // The plan being computed off the user-interface thread, and from what.
  PathPlanner Planner;
  std::optional<PlotPreviewSource> PendingSource;

  void Reset();
  // Frees the segment list: count and capacity 0.
  void FreeSegments();
};
extern PlotRecord Plot;

// Resets every engine record (not the settings, the program or the cards).
void ResetEngineState();

// Axis helpers shared by the engine steps.
inline bool AxisInTables(int axis) { return axis >= 1 && axis <= kAxisTableSize; }
inline std::size_t AxisIndex(int axis) { return static_cast<std::size_t>(axis - 1); }

// Axes the stops and the idle hold cover: 4 with one card, 8 with two, none
// for any other count.
int StopAxisCount();
// Axes of the installed cards for Clear and Start: 4 with one card, 8
// otherwise.
int InstalledAxisCount();

// t seconds as a tick count, truncated toward zero; a wait that is not a
// number or not positive lasts 0 ticks, a huge one the largest count.
int SecondsToTicks(double seconds);
