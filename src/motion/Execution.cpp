// Carrying out commands: one record as card calls, the program row by row,
// the stored record of a direct-motion page.

#include <cstdio>
#include <type_traits>

#include "motion/Engine.h"
#include "motion/EngineInternal.h"
#include "operator/OperatorPort.h"

namespace {

struct SlotPulses {
  double dist[4]{};
  double low[4]{};
  double high[4]{};
  double acc[4]{};
  int dir[4]{};
};

SlotPulses ConvertSlots(const MotionCommand& c, int slots) {
  SlotPulses p;
  for (int k = 0; k < slots && k < 4; ++k) {
    const int axis = c.iAxes[k];
    p.dist[k] = engine::AxisToPulses(axis, c.dbDis[k]);
    p.low[k] = engine::AxisToPulses(axis, c.dbLowSpd[k]);
    p.high[k] = engine::AxisToPulses(axis, c.dbHighSpd[k]);
    p.acc[k] = engine::AxisToPulses(axis, c.dbAccSpd[k]);
    p.dir[k] = p.dist[k] >= 0.0 ? 1 : -1;
  }
  return p;
}

void AddTravel(int axis, double distance) {
  if (!AxisInTables(axis)) return;
  auto& travel = Compensation.CommandedTravel[AxisIndex(axis)];
  travel.store(travel.load(std::memory_order_relaxed) + distance, std::memory_order_relaxed);
}

void AddCommandedTravel(const MotionCommand& c, int slots) {
  for (int k = 0; k < slots; ++k) AddTravel(c.iAxes[k], c.dbDis[k]);
}

// Multi-axis point-to-point and line moves take (axis, distance) pairs.
template <typename M1, typename M2, typename M3, typename M4>
void MovePairs(int n, const MotionCommand& c, const SlotPulses& p, M1 m1, M2 m2, M3 m3, M4 m4) {
  const int* a = c.iAxes;
  switch (n) {
    case 1:
      if constexpr (!std::is_same_v<M1, std::nullptr_t>) (CardDriver.*m1)(a[0], p.dist[0]);
      break;
    case 2:
      (CardDriver.*m2)(a[0], p.dist[0], a[1], p.dist[1]);
      break;
    case 3:
      (CardDriver.*m3)(a[0], p.dist[0], a[1], p.dist[1], a[2], p.dist[2]);
      break;
    case 4:
      (CardDriver.*m4)(a[0], p.dist[0], a[1], p.dist[1], a[2], p.dist[2], a[3], p.dist[3]);
      break;
    default:
      break;
  }
}

template <typename V1, typename V2, typename V3, typename V4>
void VelocityPairs(int n, const MotionCommand& c, const SlotPulses& p, V1 v1, V2 v2, V3 v3, V4 v4) {
  const int* a = c.iAxes;
  switch (n) {
    case 1:
      (CardDriver.*v1)(a[0], p.dir[0]);
      break;
    case 2:
      (CardDriver.*v2)(a[0], p.dir[0], a[1], p.dir[1]);
      break;
    case 3:
      (CardDriver.*v3)(a[0], p.dir[0], a[1], p.dir[1], a[2], p.dir[2]);
      break;
    case 4:
      (CardDriver.*v4)(a[0], p.dir[0], a[1], p.dir[1], a[2], p.dir[2], a[3], p.dir[3]);
      break;
    default:
      break;
  }
}

void SetConstantSpeeds(const MotionCommand& c, const SlotPulses& p, int n) {
  for (int k = 0; k < n; ++k) {
    CardDriver.set_maxspeed(c.iAxes[k], p.low[k]);
    CardDriver.set_conspeed(c.iAxes[k], p.low[k]);
  }
}

void SetProfiles(const MotionCommand& c, const SlotPulses& p, int n) {
  for (int k = 0; k < n; ++k) {
    CardDriver.set_maxspeed(c.iAxes[k], p.high[k]);
    CardDriver.set_profile(c.iAxes[k], p.low[k], p.high[k], p.acc[k]);
  }
}

// The search speeds come from the axis's home parameters, not the record.
void SetHomeSpeeds(int axis) {
  double high = 0.0, low = 0.0, acc = 0.0;
  if (AxisInTables(axis)) {
    const std::size_t i = AxisIndex(axis);
    high = engine::AxisToPulses(axis, SysParams.HighSpd[i]);
    low = engine::AxisToPulses(axis, SysParams.LowSpd[i]);
    acc = engine::AxisToPulses(axis, SysParams.AccSpd[i]);
  }
  CardDriver.set_maxspeed(axis, high);
  CardDriver.set_profile(axis, low, high, acc);
}

void StartHomeSearch(int axis, double direction) {
  // A direction that is not a number, does not fit or is 0 is never sent;
  // the homing sequence reports that search as failed.
  if (const auto dir = engine::HomeSearchDirection(direction)) CardDriver.fast_hmove(axis, *dir);
}

void StopSlotAxes(const MotionCommand& c) {
  for (int k = 0; k < 4; ++k) CardDriver.sudden_stop(c.iAxes[k]);
}

const MotionCommand& PageRecord(Page page) {
  switch (page) {
    case Page::PtoP:
      return SysParams.PtoPRunRecord;
    case Page::Linear:
      return SysParams.LinearRunRecord;
    case Page::Circular:
    default:
      return SysParams.CircularRunRecord;
  }
}

std::atomic<bool>& PageFlag(Page page) {
  switch (page) {
    case Page::PtoP:
      return RunControl.BusyPtoP;
    case Page::Linear:
      return RunControl.BusyLinear;
    case Page::Circular:
    default:
      return RunControl.BusyCircular;
  }
}

// A run started since the tick last looked: its counters begin here, on
// the tick's own thread, where no reset of an idle tick can undo them.
void BeginNewRun() {
  const std::uint32_t number = ProgramRun.RunNumber.load(std::memory_order_acquire);
  if (number == ProgramRun.RunBegun) return;
  ProgramRun.RunBegun = number;
  ProgramRun.CurrentRow.store(ProgramRun.FirstRow.load(std::memory_order_relaxed), std::memory_order_relaxed);
  ProgramRun.LoopsDone.store(0, std::memory_order_relaxed);
  ProgramRun.RowState = 0;
  ProgramRun.RowFinished = false;
  ProgramRun.PausedBeforeRow.store(0);
}

// Single block: once a row has ended, the run waits before the next one,
// selected in the listing, until Start.
bool PauseBeforeRow(int row) {
  if (!ProgramRun.RowFinished) return false;
  ProgramRun.RowFinished = false;
  if (!ProgramRun.SingleBlock.load()) return false;
  Operator().ListSelect(row);
  ProgramRun.PausedBeforeRow.store(row + 1);
  return true;
}

void WriteRowNumber(int row) {
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%d", row);
  Operator().SetCurrentRowText(std::string_view(text, length > 0 ? static_cast<std::size_t>(length) : 0));
}

}  // namespace

void ExecuteCommand(const MotionCommand& c) {
  int n = 0;
  const engine::CodeKind kind = engine::ClassifyCode(c.iCodeType, &n);
  const SlotPulses p = ConvertSlots(c, n);
  using D = CCardDriver;
  switch (kind) {
    case engine::CodeKind::ConstPtoP:
      AddCommandedTravel(c, n);
      SetConstantSpeeds(c, p, n);
      MovePairs(n, c, p, &D::con_pmove, &D::con_pmove2, &D::con_pmove3, &D::con_pmove4);
      break;
    case engine::CodeKind::FastPtoP:
      AddCommandedTravel(c, n);
      SetProfiles(c, p, n);
      MovePairs(n, c, p, &D::fast_pmove, &D::fast_pmove2, &D::fast_pmove3, &D::fast_pmove4);
      break;
    case engine::CodeKind::ConstContinuous:
      SetConstantSpeeds(c, p, n);
      VelocityPairs(n, c, p, &D::con_vmove, &D::con_vmove2, &D::con_vmove3, &D::con_vmove4);
      break;
    case engine::CodeKind::FastContinuous:
      SetProfiles(c, p, n);
      VelocityPairs(n, c, p, &D::fast_vmove, &D::fast_vmove2, &D::fast_vmove3, &D::fast_vmove4);
      break;
    case engine::CodeKind::ConstLine:
      AddCommandedTravel(c, n);
      SetVectorSpeed(c);
      MovePairs(n, c, p, nullptr, &D::con_line2, &D::con_line3, &D::con_line4);
      break;
    case engine::CodeKind::FastLine:
      AddCommandedTravel(c, n);
      SetVectorSpeed(c);
      MovePairs(n, c, p, nullptr, &D::fast_line2, &D::fast_line3, &D::fast_line4);
      break;
    case engine::CodeKind::Home1:
      SetHomeSpeeds(c.iAxes[0]);
      StartHomeSearch(c.iAxes[0], c.dbDis[0]);
      break;
    case engine::CodeKind::Home4:
      for (int k = 0; k < 4; ++k) SetHomeSpeeds(c.iAxes[k]);
      for (int k = 0; k < 4; ++k) StartHomeSearch(c.iAxes[k], c.dbDis[k]);
      break;
    case engine::CodeKind::SwitchOutput:
      CardDriver.outport_bit(c.iAxes[0], c.iAxes[1], c.iAxes[2]);
      break;
    case engine::CodeKind::Arc:
      CardDriver.open_list();
      CardDriver.set_vector_conspeed(p.low[0]);
      SetVectorSpeed(c);
      CardDriver.set_ellipse_ratio(c.dbDis[3]);
      CardDriver.arc_center(c.iAxes[0], c.iAxes[1], p.dist[0], p.dist[1], c.dbDis[2]);
      CardDriver.close_list();
      break;
    case engine::CodeKind::FastArc:
      CardDriver.open_list();
      CardDriver.set_ellipse_ratio(c.dbDis[3]);
      SetVectorSpeed(c);
      CardDriver.fast_arc_center(c.iAxes[0], c.iAxes[1], p.dist[0], p.dist[1], c.dbDis[2]);
      CardDriver.close_list();
      break;
    case engine::CodeKind::None:
      break;
  }
}

int AnyAxisMoving() {
  const int cards = RunControl.CardCount.load();
  if (cards < 1 || cards > 4) return 0;
  for (int axis = 1; axis <= 4 * cards; ++axis) {
    if (CardDriver.check_done(axis) != 0) return 1;
  }
  return 0;
}

int LimitInMotionDirection(const MotionCommand& c) {
  int found = 0;
  for (int k = 0; k < 4; ++k) {
    const int limit = CardDriver.check_limit(c.iAxes[k]);
    const int direction = c.dbDis[k] >= 0.0 ? 1 : -1;
    if (limit == direction) found = 1;
  }
  return found;
}

int ProgramStep() {
  BeginNewRun();
  const std::size_t rows = engine::ProgramRowCount();
  if (rows == 0) {
    RunReport.Finish(run_end::kMessage, 6);
    ShowTickMessage(6);
    return 1;
  }
  // Paused: the row field and the listing already show the next row.
  if (ProgramRun.PausedBeforeRow.load() != 0) return 0;
  const int currentRow = ProgramRun.CurrentRow.load(std::memory_order_relaxed);
  // The tick that completes a pass names no row: the field keeps the last.
  if (currentRow >= 0 && static_cast<std::size_t>(currentRow) < rows) WriteRowNumber(currentRow + 1);
  if (ProgramRun.LoopsDone.load(std::memory_order_relaxed) >= ProgramRun.LoopTotal.load(std::memory_order_relaxed)) {
    RunReport.Finish(run_end::kNormal);
    return 1;
  }

  const auto row = currentRow >= 0 ? engine::ProgramRowCopy(static_cast<std::size_t>(currentRow)) : std::nullopt;
  if (!row) {
    // The pass is complete; the next one's plot starts where this one ended.
    ProgramRun.CurrentRow.store(0, std::memory_order_relaxed);
    ProgramRun.LoopsDone.fetch_add(1, std::memory_order_relaxed);
    double x = Plot.OriginX.load(std::memory_order_relaxed);
    double y = Plot.OriginY.load(std::memory_order_relaxed);
    CardDriver.get_abs_pos(1, &x);
    CardDriver.get_abs_pos(2, &y);
    Plot.OriginX.store(x, std::memory_order_relaxed);
    Plot.OriginY.store(y, std::memory_order_relaxed);
    return 0;
  }

  const MotionCommand& c = *row;
  int& state = ProgramRun.RowState;
  switch (state) {
    case 0:
      if (PauseBeforeRow(currentRow)) break;
      ExecuteCommand(c);
      Homing.HomeRetry[0] = 0;
      Operator().ListSelect(currentRow);
      state = 1;
      break;
    case 1:
      if (c.iCodeType == code::kHome1) {
        RunControl.MotionMode = mode::kHoming;
        if (RunHomingStep(c) == 1) state = 6;
      } else if (c.iCodeType == code::kSwitchOutput) {
        state = 6;
      } else {
        RunControl.MotionMode = mode::kRun;
        state = 2;
      }
      break;
    case 2:
      if (LimitInMotionDirection(c) == 1) {
        RunControl.BusyProgram = false;
        RunControl.MotionMode = mode::kSuddenStop;
        StopSlotAxes(c);
        RunReport.Finish(run_end::kMessage, 12);
        ShowTickMessage(12);
        state = 0;
        ProgramRun.CurrentRow.store(0, std::memory_order_relaxed);
        ProgramRun.LoopsDone.store(0, std::memory_order_relaxed);
        return 1;
      }
      if (AnyAxisMoving() == 0) {
        ProgramRun.DelayTicks = 0;
        state = 3;
      }
      break;
    case 3:
      ProgramRun.DelayTicks += 1;
      if (ProgramRun.DelayTicks >= SecondsToTicks(SysParams.CheckTime)) {
        ProgramRun.DelayTicks = 0;
        state = 4;
      }
      break;
    case 4:
      if (CheckPositions(c) == 1 || ProgramRun.CorrectionCount >= 10) {
        state = 6;
      } else {
        ProgramRun.CorrectionCount += 1;
        state = 5;
      }
      break;
    case 5:
      CorrectPositions(c);
      state = 2;
      break;
    case 6:
      ProgramRun.DelayTicks += 1;
      ProgramRun.CorrectionCount = 0;
      if (ProgramRun.DelayTicks >= SecondsToTicks(c.dbDelayTime)) {
        ProgramRun.DelayTicks = 0;
        state = 0;
        ProgramRun.RowFinished = true;
        ProgramRun.CurrentRow.store(currentRow + 1, std::memory_order_relaxed);
      }
      break;
    default:
      break;
  }
  return 0;
}

int PageRunStep(Page page) {
  MotionCommand record;
  {
    std::lock_guard lock(RunControl.RecordMutex);
    record = PageRecord(page);
  }
  int& state = ProgramRun.PageRunState[static_cast<std::size_t>(page)];
  switch (state) {
    case 0:
      ProgramRun.CorrectionCount = 0;
      ExecuteCommand(record);
      state = 1;
      return 0;
    case 1:
      if (LimitInMotionDirection(record) == 1) {
        PageFlag(page) = false;
        RunControl.MotionMode = mode::kSuddenStop;
        StopSlotAxes(record);
        ShowTickMessage(12);
        state = 0;
        return 1;
      }
      if (AnyAxisMoving() == 0) state = page == Page::Circular ? 5 : 2;
      return 0;
    case 2:
      ProgramRun.DelayTicks += 1;
      if (ProgramRun.DelayTicks >= SecondsToTicks(SysParams.CheckTime)) {
        ProgramRun.DelayTicks = 0;
        state = 3;
      }
      return 0;
    case 3:
      if (CheckPositions(record) == 1 || ProgramRun.CorrectionCount >= 10) {
        state = 5;
      } else {
        ProgramRun.CorrectionCount += 1;
        state = 4;
      }
      return 0;
    case 4:
      CorrectPositions(record);
      state = 1;
      return 0;
    case 5:
      return 1;
    default:
      return 0;
  }
}
