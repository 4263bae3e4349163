#include "motion/EngineState.h"

#include <climits>
#include <cmath>

#include "motion/EngineJournal.h"
#include "motion/IoMonitor.h"
#include "motion/Recording.h"

RunControlRecord RunControl;
StatusTablesRecord StatusTables;
ProgramRunRecord ProgramRun;
RunReportRecord RunReport;
HomingRecord Homing;
CompensationRecord Compensation;
PlotRecord Plot;

void RunControlRecord::Reset() {
  BusyJog = false;
  BusyHome = false;
  BusyPtoP = false;
  BusyLinear = false;
  BusyCircular = false;
  BusyProgram = false;
  TickInProgram = false;
  SettingsChanging = false;
  TickInStep = false;
  MotionMode = mode::kSuddenStop;
  ShownCard = 1;
  ActivePanel = panel::kProgram;
  CardCount = 0;
  AxisCount = 0;
  StopCount = 0;
  LastStopSudden = true;
}

void StatusTablesRecord::Reset() {
  for (auto& v : CommandPosition) v = 0.0;
  for (auto& v : EncoderCount) v = 0;
  for (auto& v : CurrentSpeed) v = 0.0;
  TimerId = 0;
  TimerResolution = 0;
  TickCount = 0;
}

void ProgramRunRecord::Reset() {
  CurrentRow = 0;
  LoopsDone = 0;
  LoopTotal = 0;
  RowState = 0;
  DelayTicks = 0;
  CorrectionCount = 0;
  PageRunState.fill(0);
  FirstRow = 0;
  RunNumber = 0;
  SingleBlock = false;
  PausedBeforeRow = 0;
  RunBegun = 0;
  RowFinished = false;
}

void RunReportRecord::Begin() {
  JournalEnd();
  std::lock_guard lock(mutex_);
  summary_ = Summary{};
  summary_.end = run_end::kRunning;
}

void RunReportRecord::Note(int message) {
  std::lock_guard lock(mutex_);
  if (summary_.end != run_end::kRunning) return;
  if (summary_.messages.size() < kKeptMessages) summary_.messages.push_back(message);
  summary_.messageCount += 1;
}

void RunReportRecord::Finish(int end, int message) {
  {
    std::lock_guard lock(mutex_);
    if (summary_.end != run_end::kRunning) return;
    if (end == run_end::kMessage) {
      if (summary_.messages.size() < kKeptMessages) summary_.messages.push_back(message);
      summary_.messageCount += 1;
      summary_.endMessage = message;
    }
    summary_.end = end;
    endToJournal_ = true;
  }
  if (end != run_end::kMessage) JournalEnd();
}

void RunReportRecord::JournalEnd() {
  int end = run_end::kNone;
  int message = -1;
  {
    std::lock_guard lock(mutex_);
    if (!endToJournal_) return;
    endToJournal_ = false;
    end = summary_.end;
    message = summary_.endMessage;
  }
  JournalRunEnd(end, message);
}

RunReportRecord::Summary RunReportRecord::Read() const {
  std::lock_guard lock(mutex_);
  return summary_;
}

void RunReportRecord::Reset() {
  std::lock_guard lock(mutex_);
  summary_ = Summary{};
  endToJournal_ = false;
}

void HomingRecord::Reset() {
  std::lock_guard lock(RunControl.RecordMutex);
  HomeRecord = MotionCommand{};
  HomeState = 0;
  HomeTicks = 0;
  HomeDirection.fill(0);
  HomeRetry.fill(0);
  HomeRunState = 0;
}

void CompensationRecord::Reset() {
  for (auto& v : StartEncoder) v = 0;
  for (auto& v : CommandedTravel) v = 0.0;
  for (auto& v : CorrectionMoves) v = 0;
  CompensationNeeded.fill(false);
  PositionError.fill(0.0);
  HoldRecord1 = MotionCommand{};
  HoldRecord2 = MotionCommand{};
  HoldTicks.fill(0);
}

void PlotRecord::Reset() {
  OriginX = 0.0;
  OriginY = 0.0;
  MinX = MaxX = MinY = MaxY = 0.0;
  Scale = 0.0;
  ZeroPixelX = ZeroPixelY = 0.0;
  LastPixelX = LastPixelY = 0.0;
  LastOffsetX = LastOffsetY = 0.0;
  CurrentOffsetX = CurrentOffsetY = 0.0;
  Geometry = CPathPlot{};
  FreeSegments();
  Planner.Cancel();
  std::vector<PlotSegment>().swap(Preview);
  PreviewSource.reset();
  PendingSource.reset();
}

void PlotRecord::FreeSegments() { std::vector<PlotSegment>().swap(Segments); }

void ResetEngineState() {
  RunControl.Reset();
  StatusTables.Reset();
  ProgramRun.Reset();
  RunReport.Reset();
  Homing.Reset();
  Compensation.Reset();
  Plot.Reset();
  IoMonitor.Reset();
  Recording.Reset();
}

int StopAxisCount() {
  switch (RunControl.CardCount.load()) {
    case 1:
      return 4;
    case 2:
      return 8;
    default:
      return 0;
  }
}

int InstalledAxisCount() { return RunControl.CardCount.load() == 1 ? 4 : 8; }

int SecondsToTicks(double seconds) {
  const double ticks = seconds / kTickSeconds;
  if (!(ticks > 0.0)) return 0;  // also NaN
  if (ticks >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(ticks);
}
