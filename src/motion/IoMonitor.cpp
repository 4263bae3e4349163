#include "motion/IoMonitor.h"

#include "card/CardDriver.h"
#include "motion/EngineState.h"
#include "settings/SysParams.h"

IoMonitorRecord IoMonitor;

namespace {

// A level that shows nothing: the LEDs stay as they are.
constexpr int kNoLevel = -1;

int FirstAxis(int card) { return 4 * (card - 1) + 1; }

// The logic level of an axis; an axis outside the tables (no card shown)
// has none.
int LevelOf(const std::int32_t (&levels)[kAxisEntries], int axis) {
  return AxisInTables(axis) ? levels[AxisIndex(axis)] : kNoLevel;
}

bool LevelValid(int level) { return level == 0 || level == 1; }

}  // namespace

void IoMonitorRecord::Reset() { OutputLevel = OutputsOff(); }

int GeneralInputState(int reading, int shown) {
  switch (reading) {
    case 0:
      return led::kGreen;
    case 1:
      return led::kRed;
    case -1:
      return led::kBlue;
    default:
      return shown;
  }
}

int SignalInputState(int reading, int level, int shown) {
  if (!LevelValid(level)) return shown;
  if (reading == 1) return 1 - level;
  if (reading == 0) return level;
  return led::kBlue;
}

void LimitInputStates(int reading, int level, int& plus, int& minus) {
  if (!LevelValid(level)) return;
  int rawPlus = 0;
  int rawMinus = 0;
  switch (reading) {
    case 1:
      rawPlus = 1;
      break;
    case -1:
      rawMinus = 1;
      break;
    case 2:
      rawPlus = 1;
      rawMinus = 1;
      break;
    case 0:
      break;
    default:
      plus = led::kBlue;
      minus = led::kBlue;
      return;
  }
  plus = rawPlus ^ level;
  minus = rawMinus ^ level;
}

void ReadIoInputs(int card, IoInputStates& states) {
  for (int k = 0; k < kGeneralInputs; ++k) {
    auto& shown = states.general[static_cast<std::size_t>(k)];
    shown = GeneralInputState(CardDriver.checkin_bit(card, k + 1), shown);
  }
  const int first = FirstAxis(card);
  states.alarm = SignalInputState(CardDriver.check_alarm(first), LevelOf(SysParams.AlarmEffLev, first), states.alarm);
  for (std::size_t row = 0; row < 4; ++row) {
    const int axis = first + static_cast<int>(row);
    LimitInputStates(CardDriver.check_limit(axis), LevelOf(SysParams.ElEffLev, axis), states.limitPlus[row],
                     states.limitMinus[row]);
  }
  for (std::size_t row = 0; row < 4; ++row) {
    const int axis = first + static_cast<int>(row);
    states.origin[row] =
        SignalInputState(CardDriver.check_home(axis), LevelOf(SysParams.OrgEffLev, axis), states.origin[row]);
  }
  for (std::size_t row = 0; row < 4; ++row) {
    const int axis = first + static_cast<int>(row);
    states.slowdown[row] =
        SignalInputState(CardDriver.check_SD(axis), LevelOf(SysParams.SdEffLev, axis), states.slowdown[row]);
  }
}

int OutputButton(int card, int output) {
  if (output < 1 || output > kGeneralOutputs) return 1;
  int& level = IoMonitor.OutputLevel[static_cast<std::size_t>(output - 1)];
  if (level == 1) {
    level = 0;
    CardDriver.outport_bit(card, output, 0);
  } else if (level == 0) {
    level = 1;
    CardDriver.outport_bit(card, output, 1);
  }
  return level;
}

void SignalEnableBox(SignalFunction function, int row, int card, bool on) {
  const int flag = on ? 1 : 0;
  const int axis = FirstAxis(card) + row - 1;
  switch (function) {
    case SignalFunction::Origin:
      CardDriver.enable_org(axis, flag);
      break;
    case SignalFunction::Limit:
      CardDriver.enable_el(axis, flag);
      break;
    case SignalFunction::SlowDown:
      CardDriver.enable_sd(axis, flag);
      break;
    case SignalFunction::Alarm:
      CardDriver.enable_alm(FirstAxis(card), flag);
      break;
  }
}
