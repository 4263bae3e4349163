#pragma once
// The fixed-size command record of programs, program files, page runs and
// homing, and the command codes. Header only and free of dependencies: the
// settings record keeps three of these for the direct-motion pages.

#include <cstdint>

struct MotionCommand {
  std::int32_t iCodeType;
  std::int32_t iAxes[4];  // axis numbers, slot 0 first; switch output: card, port, level
  double dbDelayTime;     // seconds to wait after completion
  double dbDis[4];        // travel in the operator's unit; home: slot 0 holds the direction
  double dbLowSpd[4];
  double dbHighSpd[4];
  double dbAccSpd[4];
};

// The sixteen program codes. Bits 16-23: number of axes; bits 24-31: twice
// that; 0x2000 linear interpolation; 0x4000 fast profile; 0x200 homing;
// 0x100 continuous motion (direct-motion pages only).
namespace code {
inline constexpr std::int32_t kConstPtoP1 = 0x02010000;
inline constexpr std::int32_t kConstPtoP2 = 0x04020000;
inline constexpr std::int32_t kConstPtoP3 = 0x06030000;
inline constexpr std::int32_t kConstPtoP4 = 0x08040000;
inline constexpr std::int32_t kFastPtoP1 = 0x02014000;
inline constexpr std::int32_t kFastPtoP2 = 0x04024000;
inline constexpr std::int32_t kFastPtoP3 = 0x06034000;
inline constexpr std::int32_t kFastPtoP4 = 0x08044000;
inline constexpr std::int32_t kConstLine2 = 0x04022000;
inline constexpr std::int32_t kConstLine3 = 0x06032000;
inline constexpr std::int32_t kConstLine4 = 0x08042000;
inline constexpr std::int32_t kFastLine2 = 0x04026000;
inline constexpr std::int32_t kFastLine3 = 0x06036000;
inline constexpr std::int32_t kFastLine4 = 0x08046000;
inline constexpr std::int32_t kHome1 = 0x02014200;
inline constexpr std::int32_t kSwitchOutput = 0x03000105;
inline constexpr std::int32_t kArc = 73;      // circular interpolation, constant speed
inline constexpr std::int32_t kFastArc = 74;  // circular interpolation, profiled
}  // namespace code
