#include <gtest/gtest.h>

#include <limits>
#include <cstddef>
#include <set>
#include <type_traits>

#include "RecordingPort.h"
#include "operator/OperatorMessages.h"
#include "program/CommandCodes.h"
#include "program/MotionProgram.h"

// The record is copied whole between program, edit buffer and file code.
static_assert(std::is_trivially_copyable_v<MotionCommand>);
static_assert(offsetof(MotionCommand, dbDelayTime) == 24);
static_assert(offsetof(MotionCommand, dbAccSpd) == 24 + 8 + 96);

namespace {

MotionCommand Make(std::int32_t code, std::vector<std::int32_t> axes, std::vector<double> dis,
                   std::vector<double> low, std::vector<double> high, double delay) {
  // Unused slots hold values that must never show.
  MotionCommand c{code, {77, 77, 77, 77}, delay, {999, 999, 999, 999}, {888, 888, 888, 888},
                  {777, 777, 777, 777}, {666, 666, 666, 666}};
  for (std::size_t i = 0; i < axes.size(); ++i) c.iAxes[i] = axes[i];
  for (std::size_t i = 0; i < dis.size(); ++i) c.dbDis[i] = dis[i];
  for (std::size_t i = 0; i < low.size(); ++i) c.dbLowSpd[i] = low[i];
  for (std::size_t i = 0; i < high.size(); ++i) c.dbHighSpd[i] = high[i];
  return c;
}

TEST(CodeText, PointToPointShowsUsedSlotsAndTheProfilesSpeed) {
  EXPECT_EQ(FormatCodeText(Make(code::kConstPtoP2, {1, 2}, {50, -12.5}, {20, 10}, {}, 0)),
            "G00 X50.00 Y-12.50 FX20.00 FY10.00 M0.00");
  // Fast: the maximum speeds instead of the start-up speeds.
  EXPECT_EQ(FormatCodeText(Make(code::kFastPtoP2, {1, 2}, {50, -12.5}, {20, 10}, {60, 70}, 0)),
            "G00 X50.00 Y-12.50 FX60.00 FY70.00 M0.00");
  EXPECT_EQ(FormatCodeText(Make(code::kConstPtoP1, {3}, {1.005}, {0.125}, {}, 2.345)), "G00 Z1.00 FZ0.12 M2.35");
  EXPECT_EQ(FormatCodeText(Make(code::kFastPtoP4, {5, 6, 7, 8}, {1, 2, 3, 4}, {}, {5, 6, 7, 8}, 1)),
            "G00 A1.00 B2.00 C3.00 D4.00 FA5.00 FB6.00 FC7.00 FD8.00 M1.00");
  EXPECT_EQ(FormatCodeText(Make(code::kConstPtoP3, {4, 3, 2}, {-1, -2, -3}, {1, 2, 3}, {}, 0)),
            "G00 T-1.00 Z-2.00 Y-3.00 FT1.00 FZ2.00 FY3.00 M0.00");
  // An axis number outside 1-8 prints no letter.
  EXPECT_EQ(FormatCodeText(Make(code::kConstPtoP1, {0}, {50}, {20}, {}, 0)), "G00 50.00 F20.00 M0.00");
  EXPECT_EQ(FormatCodeText(Make(code::kConstPtoP1, {9}, {50}, {20}, {}, 0)), "G00 50.00 F20.00 M0.00");
}

TEST(CodeText, LinearHomeAndSwitchOutput) {
  EXPECT_EQ(FormatCodeText(Make(code::kConstLine3, {1, 2, 3}, {10, 10, -5}, {20}, {}, 1.5)),
            "G01 X10.00 Y10.00 Z-5.00 F20.00 M1.50");
  EXPECT_EQ(FormatCodeText(Make(code::kFastLine2, {1, 2}, {10, 10}, {20}, {45}, 0)), "G01 X10.00 Y10.00 F45.00 M0.00");
  EXPECT_EQ(FormatCodeText(Make(code::kConstLine4, {5, 6, 7, 8}, {1, 2, 3, 4}, {9}, {}, 0)),
            "G01 A1.00 B2.00 C3.00 D4.00 F9.00 M0.00");
  // Home: slot 0's distance is the direction and never shows.
  EXPECT_EQ(FormatCodeText(Make(code::kHome1, {3}, {-1}, {30}, {50}, 0)), "G29 Z00 M0.00");
  EXPECT_EQ(FormatCodeText(Make(code::kHome1, {5}, {1}, {30}, {50}, 0.25)), "G29 A00 M0.25");
  EXPECT_EQ(FormatCodeText(Make(code::kSwitchOutput, {1, 3, 1}, {}, {}, {}, 0.5)), "M09 C1 P3 S1 M0.50");
  EXPECT_EQ(FormatCodeText(Make(code::kSwitchOutput, {2, 24, 0}, {}, {}, {}, 0)), "M09 C2 P24 S0 M0.00");
}

TEST(CodeText, UnknownCodesHaveNoTextButAVisibleListingRow) {
  for (std::int32_t c : {0, 73, 74, 0x02010100, -1}) {
    const MotionCommand cmd = Make(c, {1}, {1}, {1}, {1}, 0);
    EXPECT_EQ(FormatCodeText(cmd), "") << c;
    EXPECT_FALSE(ListingText(cmd).empty()) << c;
    EXPECT_NE(ListingText(cmd).find(std::to_string(c)), std::string::npos);
  }
  const MotionCommand known = Make(code::kHome1, {1}, {1}, {1}, {1}, 0);
  EXPECT_EQ(ListingText(known), FormatCodeText(known));
}

TEST(CodeText, NumbersUseDotWhateverTheValue) {
  EXPECT_EQ(FormatCodeText(Make(code::kConstPtoP1, {1}, {-0.001}, {1e6}, {}, 0)), "G00 X-0.00 FX1000000.00 M0.00");
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FormatCodeText(Make(code::kConstPtoP1, {1}, {inf}, {-inf}, {}, 0)), "G00 Xinf FX-inf M0.00");
}

TEST(CodeText, AxisLetters) {
  const std::string all = "XYZTABCD";
  for (int a = 1; a <= 8; ++a) EXPECT_EQ(AxisLetter(a), all.substr(static_cast<std::size_t>(a - 1), 1));
  EXPECT_EQ(AxisLetter(0), "");
  EXPECT_EQ(AxisLetter(9), "");
  EXPECT_EQ(AxisLetter(-3), "");
}

TEST(CommandCodes, SixteenDistinctCodesWithNamesInBothLanguages) {
  const auto codes = ProgramCodes();
  ASSERT_EQ(codes.size(), 16u);
  std::set<std::int32_t> seen;
  for (const auto& info : codes) {
    seen.insert(info.code);
    // The bits tell the shape: axes in bits 16-23, twice that in 24-31.
    if (info.kind != CommandKind::SwitchOutput) {
      EXPECT_EQ((info.code >> 16) & 0xFF, info.axes);
      EXPECT_EQ((info.code >> 24) & 0xFF, 2 * info.axes);
      EXPECT_EQ((info.code & 0x4000) != 0, info.fast);
      EXPECT_EQ((info.code & 0x2000) != 0, info.kind == CommandKind::Linear);
    }
  }
  EXPECT_EQ(seen.size(), 16u);
  EXPECT_EQ(CommandName(code::kFastLine3, kLangEnglish), "Fast Three-Axis Linear Interpolation");
  EXPECT_EQ(CommandName(code::kFastLine3, kLangChinese), "快速三轴直线插补");
  EXPECT_EQ(CommandName(code::kSwitchOutput, kLangChinese), "输出开关量状态");
  EXPECT_EQ(CommandName(code::kHome1, kLangEnglish), "Fast Monaxial Home Motion");
  EXPECT_EQ(CommandName(code::kHome1, 2), "");
  EXPECT_EQ(CommandName(73, kLangEnglish), "");
}

TEST(EditCommandRecord, DefaultsAndAppendCodeLine) {
  RecordingPort port;
  EditCommand.iCodeType = 5;
  EditCommand.dbDis[0] = -3;
  ResetEditCommand();
  const MotionCommand& c = EditCommand;
  EXPECT_EQ(c.iCodeType, code::kConstPtoP1);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(c.iAxes[i], i + 1);
    EXPECT_EQ(c.dbDis[i], 50.0);
    EXPECT_EQ(c.dbLowSpd[i], 20.0);
    EXPECT_EQ(c.dbHighSpd[i], 50.0);
    EXPECT_EQ(c.dbAccSpd[i], 20.0);
  }
  EXPECT_EQ(c.dbDelayTime, 0.0);
  AppendCodeLine(code::kConstLine2);
  AppendCodeLine(code::kHome1);
  EXPECT_EQ(port.Listing(), (std::vector<std::string>{"G01 X50.00 Y50.00 F20.00 M0.00", "G29 X00 M0.00"}));
  EXPECT_EQ(EditCommand.iCodeType, code::kConstPtoP1);  // formatting leaves the record alone
}

}  // namespace
