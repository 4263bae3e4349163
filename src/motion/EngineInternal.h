#pragma once
// Helpers the engine's own sources share: the one place that knows how the
// settings, the program and the conversion tables are reached.

#include <cstddef>
#include <optional>

#include "card/CardDriver.h"
#include "motion/EngineState.h"
#include "motion/Units.h"
#include "program/MotionCommand.h"
#include "program/MotionProgram.h"
#include "settings/SysParams.h"

namespace engine {

// Operator units of an axis to pulses with the axis's own unit and pulse
// equivalent; an axis outside the tables converts nothing.
double AxisToPulses(int axis, double value);
double PulseEquivalentOf(int axis);
double FeedbackEquivalentOf(int axis);
bool FeedbackAvailableOf(int axis);

// Number of axes a code moves (bits 16-23).
inline int CodeAxisCount(std::int32_t code) { return static_cast<int>((static_cast<std::uint32_t>(code) >> 16) & 0xFFu); }

enum class CodeKind { None, ConstPtoP, FastPtoP, ConstContinuous, FastContinuous, ConstLine, FastLine, Home1, Home4, SwitchOutput, Arc, FastArc };
// The kind of a whole code value and its axis count; None for anything else.
CodeKind ClassifyCode(std::int32_t code, int* axisCount = nullptr);
// Point-to-point and linear-interpolation codes of the program.
bool IsProgramMotionCode(std::int32_t code);

inline constexpr std::int32_t kHome4 = 0x08044200;

// The motion program as the tick sees it.
std::size_t ProgramRowCount();
std::optional<MotionCommand> ProgramRowCopy(std::size_t row);
void ClearProgram();

// A home search direction as the card takes it: the value truncated toward
// zero; nothing when it is not a number, does not fit, or truncates to 0 (a
// search in no direction, which can never find the switch).
std::optional<int> HomeSearchDirection(double value);

// Re-sends the last stop to the installed axes.
void RepeatLastStop();

}  // namespace engine
