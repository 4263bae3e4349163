// The control panel's motion requests: home buttons, Clear, Start, and the
// prepare steps of the direct-motion pages.

#include "motion/RunControl.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "motion/Engine.h"
#include "motion/EngineInternal.h"
#include "motion/EngineJournal.h"
#include "motion/PathPlot.h"
#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "program/MotionProgram.h"

namespace {

constexpr std::int32_t kPtoPBase = 0x02010000;
constexpr std::int32_t kFastBit = 0x4000;
constexpr std::int32_t kContinuousBit = 0x0100;

void FillHomeSlot(MotionCommand& record, int slot, int axis) {
  record.iAxes[slot] = axis;
  if (!AxisInTables(axis)) return;
  const std::size_t i = AxisIndex(axis);
  record.dbDis[slot] = SysParams.Dir[i];
  record.dbLowSpd[slot] = SysParams.LowSpd[i];
  record.dbHighSpd[slot] = SysParams.HighSpd[i];
  record.dbAccSpd[slot] = SysParams.AccSpd[i];
}

void StartHoming() {
  RunControl.MotionMode = mode::kHoming;
  RunControl.BusyHome.store(true, std::memory_order_release);
}

bool SameAxisAmong(const int* axes, int n) {
  for (int a = 0; a < n; ++a) {
    for (int b = a + 1; b < n; ++b) {
      if (axes[a] == axes[b]) return true;
    }
  }
  return false;
}

void ZeroCommandedTravel() {
  for (auto& travel : Compensation.CommandedTravel) travel = 0.0;
}

// A program written for more cards than this machine has would run with
// nothing moving on the missing axes and end normally: it is refused, naming
// the first row, before any card is called.
bool ProgramAxesInstalled() {
  const std::ptrdiff_t row = FirstEntryWithMissingAxis(MotionProgram, InstalledAxisCount());
  if (row < 0) return true;
  const std::string text = MissingAxisText(static_cast<int>(row) + 1, CurrentLanguage());
  if (!text.empty()) Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, BoxIcon::None);
  return false;
}

void TakeEncoderReference() {
  const int axes = InstalledAxisCount();
  for (int axis = 1; axis <= axes; ++axis) {
    auto& start = Compensation.StartEncoder[AxisIndex(axis)];
    std::int32_t count = start.load();
    CardDriver.get_encoder(axis, &count);
    start = count;
  }
}

void StartProgramRun(const StartRequest& request) {
  ZeroCommandedTravel();
  const std::size_t rows = engine::ProgramRowCount();
  const int firstRow = request.firstRow > 0 && static_cast<std::size_t>(request.firstRow) < rows ? request.firstRow : 0;
  double x = Plot.OriginX.load(), y = Plot.OriginY.load();
  CardDriver.get_abs_pos(1, &x);
  CardDriver.get_abs_pos(2, &y);
  // From a later row the origin is where the program's start lies, so the
  // first pass draws over the planned path from that row on.
  const PathPoint skipped = PathPointBeforeRow(static_cast<std::size_t>(firstRow));
  Plot.OriginX = x - skipped.x;
  Plot.OriginY = y - skipped.y;
  Plot.FreeSegments();
  Operator().RequestRepaint();
  ComputePathWindow(Plot.MinX, Plot.MaxX, Plot.MinY, Plot.MaxY);
  FitAndResetPlot(request.plotFrame);
  // The planned path under the run's, fitted alike.
  PlanPathForRun(request.plotFrame);
  Operator().RequestRepaint();
  ProgramRun.LoopTotal = request.loopCount;
  ProgramRun.FirstRow = firstRow;
  ProgramRun.PausedBeforeRow = 0;
  ProgramRun.RunNumber.fetch_add(1);
  RunReport.Begin();
  RunControl.BusyProgram.store(true, std::memory_order_release);
}

// Start while single block holds the program run: it goes on with the row
// it waits before, its pass and loop counts as they were.
bool ContinuePausedRun(int panel) {
  if (panel != panel::kProgram || ProgramPausedBeforeRow() == 0) return false;
  RunControl.MotionMode = mode::kRun;
  ProgramRun.PausedBeforeRow = 0;
  return true;
}

}  // namespace

void HomeAxisButton(int buttonAxis, int cardSelection) {
  JournalHome(buttonAxis + 4 * cardSelection);
  if (MotionButtonsHeld()) {
    ShowOperatorMessage(10);
    return;
  }
  if (cardSelection != 0 && cardSelection != 1) return;
  {
    std::lock_guard lock(RunControl.RecordMutex);
    Homing.HomeRecord.iCodeType = code::kHome1;
    FillHomeSlot(Homing.HomeRecord, 0, buttonAxis + 4 * cardSelection);
  }
  StartHoming();
}

void HomeAllButton(int cardSelection) {
  JournalHomeAll(cardSelection + 1);
  if (MotionButtonsHeld()) {
    ShowOperatorMessage(10);
    return;
  }
  if (cardSelection != 0 && cardSelection != 1) return;
  {
    std::lock_guard lock(RunControl.RecordMutex);
    Homing.HomeRecord.iCodeType = engine::kHome4;
    for (int k = 0; k < 4; ++k) FillHomeSlot(Homing.HomeRecord, k, k + 1 + 4 * cardSelection);
  }
  StartHoming();
}

void ClearButton() {
  JournalCommand("clear");
  if (MotionButtonsHeld()) {
    ShowOperatorMessage(13);
    return;
  }
  const std::string_view question = PickText(CurrentLanguage(), "Are you sure to clear the data?", "您确定数据清零?");
  if (!question.empty() && Operator().MessageBox(question, kAppTitle, BoxButtons::OkCancel, BoxIcon::None) != kBoxOk) {
    return;
  }
  RunControl.MotionMode = mode::kClear;
  Operator().RequestRepaint();
  const int axes = InstalledAxisCount();
  for (int axis = 1; axis <= axes; ++axis) {
    CardDriver.sudden_stop(axis);
    CardDriver.reset_pos(axis);
    CardDriver.reset_enc_pos(axis);
  }
}

int PreparePtoPRun(const PtoPTabValues& page) {
  const int n = std::clamp(page.axisCount, 0, 4);
  if (SameAxisAmong(page.axis, n)) {
    ShowOperatorMessage(0);
    return 0;
  }
  const bool high = page.speedMode == 1;
  for (int k = 0; k < n; ++k) {
    const double speed = high ? page.maxSpeed[k] : page.startSpeed[k];
    if (SpeedOutOfRange(page.axis[k], speed)) {
      ShowOperatorMessage(1);
      return 0;
    }
  }
  {
    std::lock_guard lock(RunControl.RecordMutex);
    MotionCommand& r = SysParams.PtoPRunRecord;
    if (page.axisCount >= 1 && page.axisCount <= 4) {
      r.iCodeType = page.axisCount * kPtoPBase + (high ? kFastBit : 0) + (page.motionMode == 1 ? kContinuousBit : 0);
    }
    for (int k = 0; k < 4; ++k) {
      r.iAxes[k] = page.axis[k];
      r.dbDis[k] = page.distance[k];
      r.dbLowSpd[k] = page.startSpeed[k];
      r.dbHighSpd[k] = page.maxSpeed[k];
      r.dbAccSpd[k] = page.acceleration[k];
    }
  }
  SaveSysParams();
  return 1;
}

int PrepareLinearRun(const LinearTabValues& page) {
  const int n = std::clamp(page.axisCount, 0, 4);
  if (SameAxisAmong(page.axis, n)) {
    ShowOperatorMessage(0);
    return 0;
  }
  {
    std::lock_guard lock(RunControl.RecordMutex);
    MotionCommand& r = SysParams.LinearRunRecord;
    const bool high = page.speedMode != 0;
    switch (page.axisCount) {
      case 2:
        r.iCodeType = high ? code::kFastLine2 : code::kConstLine2;
        break;
      case 3:
        r.iCodeType = high ? code::kFastLine3 : code::kConstLine3;
        break;
      case 4:
        r.iCodeType = high ? code::kFastLine4 : code::kConstLine4;
        break;
      default:
        break;
    }
    r.dbLowSpd[0] = page.vectorStart;
    r.dbHighSpd[0] = page.vectorMax;
    r.dbAccSpd[0] = page.vectorAcc;
    for (int k = 0; k < 4; ++k) {
      r.iAxes[k] = page.axis[k];
      r.dbDis[k] = page.distance[k];
    }
  }
  SaveSysParams();
  return 1;
}

int PrepareCircularRun(const CircularTabValues& page) {
  if (page.axis[0] == page.axis[1]) {
    ShowOperatorMessage(0);
    return 0;
  }
  {
    std::lock_guard lock(RunControl.RecordMutex);
    MotionCommand& r = SysParams.CircularRunRecord;
    if (page.speedMode == 0) r.iCodeType = code::kArc;
    if (page.speedMode == 1) r.iCodeType = code::kFastArc;
    r.dbLowSpd[0] = page.vectorStart;
    r.dbHighSpd[0] = page.vectorMax;
    r.dbAccSpd[0] = page.vectorAcc;
    r.iAxes[0] = page.axis[0];
    r.iAxes[1] = page.axis[1];
    r.dbDis[0] = page.centre[0];
    r.dbDis[1] = page.centre[1];
    r.dbDis[2] = page.angle;
    r.dbDis[3] = page.ellipseRatio;
  }
  SaveSysParams();
  return 1;
}

int StartButton(const StartRequest& request) {
  JournalStart(request.panel, request.loopCount);
  SaveSysParams();
  if (ContinuePausedRun(request.panel)) return 1;
  if (MotionButtonsHeld()) {
    ShowOperatorMessage(10);
    return 0;
  }
  if (request.panel == panel::kProgram && !ProgramAxesInstalled()) return 0;
  RunControl.MotionMode = mode::kRun;
  TakeEncoderReference();
  switch (request.panel) {
    case panel::kProgram:
      StartProgramRun(request);
      return 1;
    case panel::kPtoP:
      ZeroCommandedTravel();
      if (PreparePtoPRun(request.ptop) != 1) return 0;
      RunControl.BusyPtoP.store(true, std::memory_order_release);
      return 1;
    case panel::kLinear:
      ZeroCommandedTravel();
      if (PrepareLinearRun(request.linear) != 1) return 0;
      RunControl.BusyLinear.store(true, std::memory_order_release);
      return 1;
    case panel::kCircular:
      RunControl.MotionMode = mode::kSuddenStop;
      ZeroCommandedTravel();
      if (PrepareCircularRun(request.circular) != 1) return 0;
      RunControl.BusyCircular.store(true, std::memory_order_release);
      return 1;
    default:
      return 0;
  }
}

int RunFromRowButton(const StartRequest& request) {
  JournalRunFromRow(request.firstRow + 1, request.loopCount);
  if (MotionButtonsHeld()) {
    ShowOperatorMessage(11);
    return 0;
  }
  if (request.firstRow < 0 || static_cast<std::size_t>(request.firstRow) >= engine::ProgramRowCount()) {
    ShowOperatorMessage(2);
    return 0;
  }
  if (!ProgramAxesInstalled()) return 0;
  SaveSysParams();
  RunControl.MotionMode = mode::kRun;
  TakeEncoderReference();
  StartProgramRun(request);
  return 1;
}

int ProgramPausedBeforeRow() { return RunControl.BusyProgram.load() ? ProgramRun.PausedBeforeRow.load() : 0; }

std::string PausedRunText(int row, int language) {
  const std::string number = std::to_string(row);
  if (language == kLangChinese) return "暂停在第" + number + "行之前：按开始继续";
  return "Paused before row " + number + ": Start continues";
}
