#include "program/CommandCodes.h"

#include <array>

#include "operator/OperatorMessages.h"
#include "program/MotionCommand.h"

namespace {

using K = CommandKind;
constexpr std::array<CommandCodeInfo, 16> kCodes{{
    {code::kConstPtoP1, "Constant Monaxial PtoP Motion", "常速单轴点位运动", 1, K::PtoP, false},
    {code::kConstPtoP2, "Constant Two-Axis PtoP Motion", "常速两轴点位运动", 2, K::PtoP, false},
    {code::kConstPtoP3, "Constant Three-Axis PtoP Motion", "常速三轴点位运动", 3, K::PtoP, false},
    {code::kConstPtoP4, "Constant Four-Axis PtoP Motion", "常速四轴点位运动", 4, K::PtoP, false},
    {code::kFastPtoP1, "Fast Monaxial PtoP Motion", "快速单轴点位运动", 1, K::PtoP, true},
    {code::kFastPtoP2, "Fast Two-Axis PtoP Motion", "快速两轴点位运动", 2, K::PtoP, true},
    {code::kFastPtoP3, "Fast Three-Axis PtoP Motion", "快速三轴点位运动", 3, K::PtoP, true},
    {code::kFastPtoP4, "Fast Four-Axis PtoP Motion", "快速四轴点位运动", 4, K::PtoP, true},
    {code::kConstLine2, "Constant Two-Axis Linear Interpolation", "常速两轴直线插补", 2, K::Linear, false},
    {code::kConstLine3, "Constant Three-Axis Linear Interpolation", "常速三轴直线插补", 3, K::Linear, false},
    {code::kConstLine4, "Constant Four-Axis Linear Interpolation", "常速四轴直线插补", 4, K::Linear, false},
    {code::kFastLine2, "Fast Two-Axis Linear Interpolation", "快速两轴直线插补", 2, K::Linear, true},
    {code::kFastLine3, "Fast Three-Axis Linear Interpolation", "快速三轴直线插补", 3, K::Linear, true},
    {code::kFastLine4, "Fast Four-Axis Linear Interpolation", "快速四轴直线插补", 4, K::Linear, true},
    {code::kHome1, "Fast Monaxial Home Motion", "快速单轴回零运动", 1, K::Home, true},
    {code::kSwitchOutput, "Switch Logic Output", "输出开关量状态", 0, K::SwitchOutput, false},
}};

}  // namespace

std::span<const CommandCodeInfo> ProgramCodes() { return kCodes; }

const CommandCodeInfo* FindProgramCode(std::int32_t value) {
  for (const auto& info : kCodes) {
    if (info.code == value) return &info;
  }
  return nullptr;
}

std::string_view CommandName(std::int32_t value, int language) {
  const CommandCodeInfo* info = FindProgramCode(value);
  if (info == nullptr) return {};
  return PickText(language, info->english, info->chinese);
}
