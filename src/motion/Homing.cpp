// Homing: the search, one recovery from a limit, the compensation move off
// the switch, the settle time and the zeroing, one step per tick.

#include <climits>
#include <cstdio>

#include "motion/Engine.h"
#include "motion/EngineInternal.h"
#include "operator/OperatorMessages.h"

namespace {

bool IsLimit(int value) { return value == 1 || value == -1; }

// Moves the axis off its switch, against the search direction.
void CompensationMove(int axis, int searchDirection) {
  const double expiation = AxisInTables(axis) ? SysParams.Expiation[AxisIndex(axis)] : 0.0;
  const double pulses = engine::AxisToPulses(axis, expiation);
  CardDriver.fast_pmove(axis, pulses * -searchDirection);
}

void ZeroAxis(int axis) {
  CardDriver.reset_pos(axis);
  const bool encoderZeroed = CardDriver.reset_enc_pos(axis) == 0;
  if (!AxisInTables(axis)) return;
  // A model that cannot reset its encoder (ORVC) goes on counting from
  // where it was: the reference is the count it holds, so the next check
  // judges the travel after homing, not the distance counted before it.
  std::int32_t count = 0;
  if (!encoderZeroed) CardDriver.get_encoder(axis, &count);
  Compensation.CommandedTravel[AxisIndex(axis)] = 0.0;
  Compensation.StartEncoder[AxisIndex(axis)] = count;
}

// Whether the search of a slot was sent: a direction that is not a number
// or truncates to 0 never was, and such a slot can never find its origin.
bool Searched(const MotionCommand& command, std::size_t slot) {
  return engine::HomeSearchDirection(command.dbDis[slot]).has_value();
}

// Ends on the tick after the settle count. A settle time that is not a
// number counts as none, so a damaged setting cannot hold the homing for
// ever; the counter stops at its largest value.
bool SettleTimeOver() {
  if (Homing.HomeTicks < INT_MAX) Homing.HomeTicks += 1;
  return Homing.HomeTicks > SecondsToTicks(SysParams.CheckTime);
}

void EndSequence() {
  Homing.HomeState = 0;
  Homing.HomeTicks = 0;
}

void ClearRunFlagsForFailedHome() {
  RunControl.BusyHome = false;
  RunControl.BusyCircular = false;
  RunControl.BusyLinear = false;
  RunControl.BusyPtoP = false;
  if (RunControl.BusyProgram.exchange(false)) RunReport.Finish(run_end::kMessage, 8);
}

void ReportFailedAxis(int axis) {
  char text[128];
  const int lang = CurrentLanguage();
  if (lang == kLangEnglish) {
    std::snprintf(text, sizeof text, "Error:Please check the No.%d origin signal is right!", axis);
  } else if (lang == kLangChinese) {
    std::snprintf(text, sizeof text, "错误:请确认 %d 号轴原点信号接入正确!", axis);
  } else {
    return;
  }
  ShowTickMessageText(text);
}

// The single-axis search cannot find the origin: message 8 and nothing
// zeroed. ORVA and ORVB also stop the axis and end every run, as after a
// second limit; ORVC leaves the runs going.
int FailSingleAxis(int axis) {
  Homing.HomeRetry[0] = 0;
  EndSequence();
  const int model = SysParams.Ctrler;
  if (model == 0 || model == 1) {
    ClearRunFlagsForFailedHome();
    CardDriver.sudden_stop(axis);
  }
  ShowTickMessage(8);
  return 1;
}

int SingleAxisStep(const MotionCommand& command) {
  const int axis = command.iAxes[0];
  auto& direction = Homing.HomeDirection[0];
  auto& retry = Homing.HomeRetry[0];
  switch (Homing.HomeState) {
    case 0: {
      if (!Searched(command, 0)) return FailSingleAxis(axis);
      const int dir = CardDriver.get_cur_dir(axis);
      if (IsLimit(dir)) direction = dir;
      if (CardDriver.check_done(axis) == 0) Homing.HomeState = 1;
      return 0;
    }
    case 1: {
      const int model = SysParams.Ctrler;
      if (model == 0 || model == 1) {
        if (IsLimit(CardDriver.check_limit(axis))) {
          retry += 1;
          if (retry <= 1) {
            CardDriver.fast_hmove(axis, -direction);
            Homing.HomeState = 0;
            return 0;
          }
          return FailSingleAxis(axis);
        }
        Homing.HomeState = 2;
      } else if (model == 2) {
        // The axis has stopped: off the origin it cannot have homed, whether
        // a limit stopped it or not (waiting for the switch would wait for
        // ever).
        if (CardDriver.check_home(axis) != 1) return FailSingleAxis(axis);
        Homing.HomeState = 2;
      }
      return 0;
    }
    case 2:
      CompensationMove(axis, direction);
      Homing.HomeState = 3;
      return 0;
    case 3:
      if (CardDriver.check_done(axis) == 0) Homing.HomeState = 4;
      return 0;
    case 4:
      if (SettleTimeOver()) Homing.HomeState = 5;
      return 0;
    case 5:
      ZeroAxis(axis);
      EndSequence();
      return 1;
    default:
      return 0;
  }
}

bool AllStopped(const MotionCommand& command) {
  bool stopped = true;
  for (int k = 0; k < 4; ++k) {
    if (CardDriver.check_done(command.iAxes[k]) != 0) stopped = false;
  }
  return stopped;
}

int FourAxisStep(const MotionCommand& command) {
  const int model = SysParams.Ctrler;
  switch (Homing.HomeState) {
    case 0: {
      for (std::size_t k = 0; k < 4; ++k) {
        const int dir = CardDriver.get_cur_dir(command.iAxes[k]);
        if (IsLimit(dir)) Homing.HomeDirection[k] = dir;
        if (!Searched(command, k)) Homing.HomeRetry[k] = 2;  // failed from the start
      }
      if (model == 0 || model == 1) {
        for (std::size_t k = 0; k < 4; ++k) {
          const int axis = command.iAxes[k];
          const int direction = Homing.HomeDirection[k];
          if (!Searched(command, k) || CardDriver.check_done(axis) != 0) continue;
          if (!IsLimit(direction) || CardDriver.check_limit(axis) != direction) continue;
          Homing.HomeRetry[k] += 1;
          if (Homing.HomeRetry[k] <= 1) {
            CardDriver.fast_hmove(axis, -direction);
          } else {
            Homing.HomeTicks = 0;
            CardDriver.sudden_stop(axis);
          }
        }
      }
      if (AllStopped(command)) Homing.HomeState = 1;
      return 0;
    }
    case 1:
      if (model == 0 || model == 1) {
        for (std::size_t k = 0; k < 4; ++k) {
          if (Homing.HomeRetry[k] <= 1) CompensationMove(command.iAxes[k], Homing.HomeDirection[k]);
        }
        Homing.HomeState = 2;
      } else if (model == 2) {
        // Every axis has stopped; one off its origin has failed, at a limit
        // or not.
        for (std::size_t k = 0; k < 4; ++k) {
          const int axis = command.iAxes[k];
          if (!Searched(command, k)) continue;
          if (CardDriver.check_home(axis) == 1) {
            CompensationMove(axis, Homing.HomeDirection[k]);
            Homing.HomeRetry[k] = 0;
          } else {
            Homing.HomeRetry[k] = 2;
          }
        }
        Homing.HomeState = 2;
      }
      return 0;
    case 2:
      if (AllStopped(command)) Homing.HomeState = 3;
      return 0;
    case 3:
      if (SettleTimeOver()) Homing.HomeState = 4;
      return 0;
    case 4:
      for (std::size_t k = 0; k < 4; ++k) {
        if (Homing.HomeRetry[k] <= 1) {
          ZeroAxis(command.iAxes[k]);
        } else {
          ReportFailedAxis(command.iAxes[k]);
        }
      }
      EndSequence();
      return 1;
    default:
      return 0;
  }
}

}  // namespace

int RunHomingStep(const MotionCommand& command) {
  if (command.iCodeType == code::kHome1) return SingleAxisStep(command);
  if (command.iCodeType == engine::kHome4) return FourAxisStep(command);
  return 0;
}

int HomingRunStep() {
  MotionCommand record;
  {
    std::lock_guard lock(RunControl.RecordMutex);
    record = Homing.HomeRecord;
  }
  if (Homing.HomeRunState == 0) {
    ExecuteCommand(record);
    Homing.HomeRetry.fill(0);
    Homing.HomeRunState = 1;
    return 0;
  }
  if (RunHomingStep(record) == 1) {
    Homing.HomeRunState = 0;
    return 1;
  }
  return 0;
}
