#include "motion/EngineInternal.h"

#include <climits>
#include <cmath>

namespace engine {

double PulseEquivalentOf(int axis) { return AxisInTables(axis) ? Equivalents.PulseEquivalent[AxisIndex(axis)] : 0.0; }

double FeedbackEquivalentOf(int axis) {
  return AxisInTables(axis) ? Equivalents.FeedbackEquivalent[AxisIndex(axis)] : 0.0;
}

bool FeedbackAvailableOf(int axis) { return AxisInTables(axis) && Equivalents.FeedbackAvailable[AxisIndex(axis)] == 1; }

double AxisToPulses(int axis, double value) {
  if (!AxisInTables(axis)) return value;
  return ToPulses(SysParams.Unit[AxisIndex(axis)], Equivalents.PulseEquivalent[AxisIndex(axis)], value);
}

CodeKind ClassifyCode(std::int32_t code, int* axisCount) {
  const int n = CodeAxisCount(code);
  auto result = [&](CodeKind kind, int count) {
    if (axisCount != nullptr) *axisCount = count;
    return kind;
  };
  switch (code) {
    case code::kHome1:
      return result(CodeKind::Home1, 1);
    case kHome4:
      return result(CodeKind::Home4, 4);
    case code::kSwitchOutput:
      return result(CodeKind::SwitchOutput, 0);
    case code::kArc:
      return result(CodeKind::Arc, 2);
    case code::kFastArc:
      return result(CodeKind::FastArc, 2);
    default:
      break;
  }
  if (n >= 1 && n <= 4) {
    const std::int32_t base = n * 0x02010000;
    if (code == base) return result(CodeKind::ConstPtoP, n);
    if (code == base + 0x4000) return result(CodeKind::FastPtoP, n);
    if (code == base + 0x0100) return result(CodeKind::ConstContinuous, n);
    if (code == base + 0x4100) return result(CodeKind::FastContinuous, n);
    if (n >= 2 && code == base + 0x2000) return result(CodeKind::ConstLine, n);
    if (n >= 2 && code == base + 0x6000) return result(CodeKind::FastLine, n);
  }
  return result(CodeKind::None, 0);
}

bool IsProgramMotionCode(std::int32_t code) {
  switch (ClassifyCode(code)) {
    case CodeKind::ConstPtoP:
    case CodeKind::FastPtoP:
    case CodeKind::ConstLine:
    case CodeKind::FastLine:
      return true;
    default:
      return false;
  }
}

std::size_t ProgramRowCount() { return MotionProgram.size(); }

std::optional<MotionCommand> ProgramRowCopy(std::size_t row) {
  if (row >= MotionProgram.size()) return std::nullopt;
  return MotionProgram[row];
}

void ClearProgram() { MotionProgram.clear(); }

std::optional<int> HomeSearchDirection(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double t = std::trunc(value);
  if (t == 0.0 || t < static_cast<double>(INT_MIN) || t > static_cast<double>(INT_MAX)) return std::nullopt;
  return static_cast<int>(t);
}

void RepeatLastStop() {
  const bool sudden = RunControl.LastStopSudden.load();
  if (sudden) {
    CardDriver.sudden_stop_list();
  } else {
    CardDriver.decel_stop_list();
  }
  const int axes = StopAxisCount();
  for (int axis = 1; axis <= axes; ++axis) {
    if (sudden) {
      CardDriver.sudden_stop(axis);
    } else {
      CardDriver.decel_stop(axis);
    }
  }
}

}  // namespace engine
