// G-code into motion programs: what is accepted and refused (with its
// line), the rows each move becomes, arcs within the tolerance, and a
// program that ends where the G-code ends, to the pulse.

#include "program/GcodeImport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "operator/OperatorMessages.h"
#include "program/CommandCodes.h"
#include "program/MotionProgram.h"

namespace {

constexpr double kEq = 0.00125;  // 4 mm lead, 3200 pulses a turn

GcodeAxes MillimetreAxes(double eq = kEq) { return {GcodeAxis{1, eq}, GcodeAxis{1, eq}, GcodeAxis{1, eq}}; }

GcodeConversion Convert(const std::string& text, GcodeOptions options = {}, const GcodeAxes& axes = MillimetreAxes()) {
  return ConvertGcode(text, axes, options);
}

std::string ErrorOf(const std::string& text, int language = kLangEnglish) {
  const GcodeConversion c = Convert(text);
  return c.error ? GcodeErrorText(*c.error, language) : "no error";
}

std::vector<std::string> Texts(const GcodeConversion& c) {
  std::vector<std::string> texts;
  for (const MotionCommand& row : c.rows) texts.push_back(FormatCodeText(row));
  return texts;
}

// Where the rows take X, Y and Z, in pulses, as the cards round each row.
std::array<long long, 3> Travel(const GcodeConversion& c, double eq = kEq) {
  std::array<long long, 3> at{};
  for (const MotionCommand& row : c.rows) {
    const CommandCodeInfo* info = FindProgramCode(row.iCodeType);
    if (info == nullptr || info->axes == 0) continue;
    for (int k = 0; k < info->axes; ++k)
      at[static_cast<std::size_t>(row.iAxes[k] - 1)] += std::llround(row.dbDis[k] / eq);
  }
  return at;
}

TEST(GcodeImport, RefusedWordsNameTheirLine) {
  const struct {
    const char* body;
    const char* error;
  } cases[] = {
      {"G28", "line 3: G28 is not supported"},
      {"G41 D1", "line 3: G41 is not supported"},
      {"G81 X1 Y1 Z-1 R1", "line 3: G81 is not supported"},
      {"G54", "line 3: G54 is not supported"},
      {"G18", "line 3: G18 is not supported"},
      {"G19", "line 3: G19 is not supported"},
      {"G93", "line 3: G93 is not supported"},
      {"G95", "line 3: G95 is not supported"},
      {"G90.1", "line 3: G90.1 is not supported"},
      {"M0", "line 3: M0 is not supported"},
      {"M01", "line 3: M01 is not supported"},
      {"T1 M6", "line 3: T1 is not supported"},
      {"M6", "line 3: M6 is not supported"},
      {"G1 A5", "line 3: A5 is not supported"},
      {"b2", "line 3: B2 is not supported"},
      {"C1", "line 3: C1 is not supported"},
      {"U1", "line 3: U1 is not supported"},
      {"V1", "line 3: V1 is not supported"},
      {"W1", "line 3: W1 is not supported"},
      {"O100", "line 3: O100 is not supported"},
      {"#1=5", "line 3: #1 is not supported"},
      {"X[1+2]", "line 3: [1+2] is not supported"},
      {"X#1", "line 3: #1 is not supported"},
      {"/G1 X1", "line 3: / is not supported"},
      {"G2 X1 Y1 K1", "line 3: K1 is not supported"},
      {"G1 X1 F100 (open", "line 3: the comment is not closed"},
      {"G1 X", "line 3: X needs a number"},
      {"G1 X1 X2", "line 3: X appears twice"},
      {"G0 G1 X1", "line 3: G0 and G1 on one line"},
      {"G20 G21", "line 3: G20 and G21 on one line"},
      {"G1 I1", "line 3: I needs G2 or G3"},
      {"G2 X1 F60", "line 3: G2 needs I, J or R"},
      {"P1", "line 3: P needs G4"},
      {"G1 X1 F0", "line 3: F0 is not a usable feed rate"},
      {"G4", "line 3: G4 needs P"},
      {"G4 P1 X1", "line 3: X cannot go with G4"},
      {"G2 X2 I1 R1 F60", "line 3: R cannot go with I"},
  };
  for (const auto& c : cases) {
    // Line 1 a comment, line 2 a move, the refused word on line 3.
    EXPECT_EQ(ErrorOf(std::string("(setup)\nG0 X1\n") + c.body + "\nG0 X2\n"), c.error) << c.body;
  }
  // Feed moves before any F, a dwell before any row.
  EXPECT_EQ(ErrorOf("G21 G90\nG1 X10 Y5\n"), "line 2: no feed rate");
  EXPECT_EQ(ErrorOf("%\nG2 X10 I5\nF100\n"), "line 2: no feed rate");
  EXPECT_EQ(ErrorOf("G4 P1\nG0 X1\n"), "line 1: G4 before any row");
  EXPECT_EQ(ErrorOf("(no motion yet)\nX1\n"), "line 2: X needs G0, G1, G2 or G3");
  EXPECT_EQ(ErrorOf("G0 X1\nG4 P-1\n"), "line 2: P-1 is not a usable dwell time");
  // Chinese, for the window's box.
  EXPECT_EQ(ErrorOf("G0 X1\nG28\n", kLangChinese), "第2行：不支持 G28");
  EXPECT_EQ(ErrorOf("G1 X1\n", kLangChinese), "第1行：没有进给速度");
}

TEST(GcodeImport, AxesMustBeInMillimetresWithAUsableEquivalent) {
  GcodeAxes axes = MillimetreAxes();
  axes[2] = {3, 0.1};  // Z a rotary table in degrees
  EXPECT_EQ(GcodeErrorText(*Convert("G0 X1 Y1\nG0 Z1\n", {}, axes).error, kLangEnglish),
            "line 2: axis Z is set up in °, not in mm");
  EXPECT_FALSE(Convert("G0 X1 Y1\nG1 X2 F100\n", {}, axes).error) << "Z never moves";
  axes[2] = {1, 0.0};  // a zero mechanical factor
  EXPECT_EQ(GcodeErrorText(*Convert("G0 Z1\n", {}, axes).error, kLangEnglish),
            "line 1: axis Z has no usable pulse equivalent");
  axes[0] = {0, 1.0};  // pulses; an arc moves X even when only Y is given
  EXPECT_EQ(GcodeErrorText(*Convert("G2 Y2 J1 F60\n", {}, axes).error, kLangChinese), "第1行：X轴的单位是 P，不是 mm");
  EXPECT_EQ(ErrorOf("G0 X3000000\n"), "line 1: X is out of range");
  EXPECT_EQ(ErrorOf("G0 X1e3\n"), "line 1: E3 is not supported");
  EXPECT_EQ(ErrorOf("G1 X1 F1000000\n"), "line 1: 16666.7 mm/s is too fast for axis X");
}

TEST(GcodeImport, EachMoveBecomesOneRow) {
  const GcodeConversion c = Convert(
      "%\n"
      "N10 G21 G90 G17 G94 (metric, absolute)\n"
      "g1x10y5f600 ; no blanks, lower case\n"
      "G1 X20\n"    // one axis: a constant monaxial PtoP
      "X20\n"       // no travel: no row
      "G0 Z-5\n"    // rapid, one axis
      "G0 X0 Y0\n"  // rapid, two axes
      "G4 P1.5\n"   // the delay of the row before
      "G4 P0.25\n"
      "G91 G1 X1 Y1 Z1 F1200\n"
      "G20 G1 X1\n"  // an inch, relative
      "M30\n"
      "G28 (after the end: never read)\n");
  ASSERT_FALSE(c.error) << GcodeErrorText(*c.error, 0);
  EXPECT_EQ(c.lines, 13u);
  EXPECT_EQ(Texts(c), (std::vector<std::string>{
                          "G01 X10.00 Y5.00 F10.00 M0.00",
                          "G00 X10.00 FX10.00 M0.00",
                          "G00 Z-5.00 FZ20.00 M0.00",
                          "G01 X-20.00 Y-5.00 F20.00 M1.75",
                          "G01 X1.00 Y1.00 Z1.00 F20.00 M0.00",
                          "G00 X25.40 FX20.00 M0.00",
                      }));
  EXPECT_EQ(c.rows[0].iCodeType, code::kConstLine2);
  EXPECT_EQ(c.rows[1].iCodeType, code::kConstPtoP1);
  EXPECT_EQ(c.rows[2].iCodeType, code::kFastPtoP1);
  EXPECT_EQ(c.rows[3].iCodeType, code::kFastLine2);
  EXPECT_EQ(c.rows[4].iCodeType, code::kConstLine3);
  // The fast forms: start-up a tenth of the rapid speed, acceleration five times it.
  EXPECT_DOUBLE_EQ(c.rows[2].dbLowSpd[0], 2.0);
  EXPECT_DOUBLE_EQ(c.rows[2].dbHighSpd[0], 20.0);
  EXPECT_DOUBLE_EQ(c.rows[2].dbAccSpd[0], 100.0);
  EXPECT_EQ(c.end, (std::array<std::int64_t, 3>{1 * 800 + 20320, 800, -3200}));
}

TEST(GcodeImport, RapidSpeedAndSpindleOutputFollowTheOptions) {
  GcodeOptions options;
  options.rapid = 50.0;
  options.spindle = SpindleOutput{2, 7};
  const GcodeConversion c = Convert("S12000 M3\nG0 X1\nM5 S0\nM4 G4 P2\nM8\nM9\nM2\n", options);
  ASSERT_FALSE(c.error);
  EXPECT_EQ(Texts(c), (std::vector<std::string>{"M09 C2 P7 S1 M0.00", "G00 X1.00 FX50.00 M0.00", "M09 C2 P7 S0 M0.00",
                                                "M09 C2 P7 S1 M2.00"}));
  ASSERT_EQ(c.warnings.size(), 3u);
  EXPECT_EQ(GcodeWarningText(c.warnings[0], kLangEnglish), "line 1: S is skipped (2 times)");
  EXPECT_EQ(GcodeWarningText(c.warnings[1], kLangEnglish), "line 5: M8 is skipped");
  EXPECT_EQ(GcodeWarningText(c.warnings[2], kLangChinese), "第6行：已跳过 M9");

  // Without an output the spindle codes are skipped, one warning per code.
  const GcodeConversion skipped = Convert("M3\nM03\nM5\nG0 X1\n");
  ASSERT_EQ(skipped.warnings.size(), 2u);
  EXPECT_EQ(GcodeWarningText(skipped.warnings[0], kLangEnglish), "line 1: M3 is skipped (2 times)");
  EXPECT_EQ(GcodeWarningText(skipped.warnings[1], kLangEnglish), "line 3: M5 is skipped");
  EXPECT_EQ(skipped.rows.size(), 1u);
}

TEST(GcodeImport, SpindleOutputArgument) {
  EXPECT_EQ(ParseSpindleOutput("1:3")->port, 3);
  EXPECT_EQ(ParseSpindleOutput("2:24")->card, 2);
  for (const char* bad : {"", "1", "1:", ":3", "0:1", "3:1", "1:0", "1:25", "1:3x", "a:b", "1:-2"}) {
    EXPECT_FALSE(ParseSpindleOutput(bad)) << bad;
  }
}

// The vertices of an arc's chords (start included) in mm, and the largest
// distance of a chord from the circle.
struct Chords {
  std::vector<std::array<double, 3>> points;
  double worst = 0.0;
};
Chords Walk(const GcodeConversion& c, double cx, double cy, double r, std::size_t from = 0) {
  Chords out;
  std::array<double, 3> at{};
  for (std::size_t i = 0; i < c.rows.size(); ++i) {
    const MotionCommand& row = c.rows[i];
    const CommandCodeInfo* info = FindProgramCode(row.iCodeType);
    for (int k = 0; k < info->axes; ++k) at[static_cast<std::size_t>(row.iAxes[k] - 1)] += row.dbDis[k];
    if (i + 1 < from) continue;
    out.points.push_back(at);
  }
  for (std::size_t i = 1; i < out.points.size(); ++i) {
    const auto& a = out.points[i - 1];
    const auto& b = out.points[i];
    for (double t = 0.0; t <= 1.0; t += 0.05) {
      const double x = a[0] + (b[0] - a[0]) * t;
      const double y = a[1] + (b[1] - a[1]) * t;
      out.worst = std::max(out.worst, std::fabs(std::hypot(x - cx, y - cy) - r));
    }
  }
  return out;
}

TEST(GcodeImport, ArcsBecomeChordsWithinTheTolerance) {
  // A full circle clockwise about (15, 0), radius 5, from (10, 0).
  const GcodeConversion full = Convert("G0 X10\nG2 I5 F300\n");
  ASSERT_FALSE(full.error);
  const Chords circle = Walk(full, 15, 0, 5, 1);
  EXPECT_GT(full.rows.size(), 40u);
  EXPECT_LE(circle.worst, 0.01);
  EXPECT_EQ(Travel(full), (std::array<long long, 3>{8000, 0, 0})) << "back where it started";
  // Clockwise: the first chord goes up (+Y) from the circle's left point.
  EXPECT_GT(full.rows[1].dbDis[1], 0.0);
  EXPECT_EQ(full.rows[1].iCodeType, code::kConstLine2);
  EXPECT_DOUBLE_EQ(full.rows[1].dbLowSpd[0], 5.0);

  // A coarser tolerance takes fewer chords, and still keeps to it.
  GcodeOptions coarse;
  coarse.tolerance = 0.5;
  const GcodeConversion few = Convert("G0 X10\nG2 I5 F300\n", coarse);
  EXPECT_LT(few.rows.size(), 12u);
  EXPECT_LE(Walk(few, 15, 0, 5, 1).worst, 0.5);

  // R arcs from (0,0) to (10,0): R 5 is a half circle; R 10 the short way
  // round, R -10 the long way (the centre on the other side). G3 runs
  // below the chord, G2 above it.
  for (const auto& [text, cy, r, below] :
       {std::tuple{"G3 X10 R5 F60", 0.0, 5.0, true}, std::tuple{"G3 X10 R10 F60", 8.660254, 10.0, true},
        std::tuple{"G3 X10 R-10 F60", -8.660254, 10.0, true}, std::tuple{"G2 X10 R10 F60", -8.660254, 10.0, false}}) {
    const GcodeConversion arc = Convert(text);
    ASSERT_FALSE(arc.error) << text;
    const Chords chords = Walk(arc, 5, cy, r);
    EXPECT_LE(chords.worst, 0.01) << text;
    const auto& middle = chords.points[chords.points.size() / 2];
    EXPECT_EQ(middle[1] < 0.0, below) << text;
    EXPECT_EQ(Travel(arc), (std::array<long long, 3>{8000, 0, 0})) << text;
  }
  EXPECT_EQ(ErrorOf("G2 X10 R4.9 F60\n"), "line 1: the end is farther than 2R from the start");
  EXPECT_EQ(ErrorOf("G2 R5 F60\n"), "line 1: an R arc cannot end where it starts");
  EXPECT_EQ(ErrorOf("G2 X10 I3 F60\n"), "line 1: the end is not on the arc's circle");
}

TEST(GcodeImport, HelixRowsMoveThreeAxesEvenly) {
  const GcodeConversion c = Convert("G17 G3 X0 Y0 I5 Z-2 F600\n");
  ASSERT_FALSE(c.error);
  ASSERT_GT(c.rows.size(), 20u);
  std::size_t threeAxes = 0;
  for (const MotionCommand& row : c.rows) {
    const CommandCodeInfo* info = FindProgramCode(row.iCodeType);
    ASSERT_EQ(info->kind, CommandKind::Linear);
    threeAxes += info->axes == 3 ? 1 : 0;
    // Z is the last slot: it falls evenly along the circle.
    EXPECT_EQ(row.iAxes[info->axes - 1], 3);
    EXPECT_NEAR(row.dbDis[info->axes - 1], -2.0 / static_cast<double>(c.rows.size()), 2 * kEq);
  }
  EXPECT_GE(threeAxes + 2, c.rows.size()) << "a chord across the circle's top may not move Y";
  EXPECT_EQ(Travel(c), (std::array<long long, 3>{0, 0, -1600}));
  EXPECT_LE(Walk(c, 5, 0, 5).worst, 0.01);
}

TEST(GcodeImport, ManyShortRowsEndOnTheRoundedEndPoint) {
  // 10,000 segments of a length no pulse divides, relative and absolute,
  // with an equivalent that is no binary fraction either.
  const double eq = 5.0 / 3000.0;
  std::string text = "G91 F600\n";
  for (int i = 0; i < 10000; ++i) text += i % 2 == 0 ? "G1 X0.0137 Y-0.0071\n" : "G1 X0.0137 Z0.0029\n";
  const GcodeConversion c = Convert(text, {}, MillimetreAxes(eq));
  ASSERT_FALSE(c.error);
  EXPECT_EQ(c.rows.size(), 10000u);
  const std::array<long long, 3> expected{std::llround(137.0 / eq), std::llround(-35.5 / eq), std::llround(14.5 / eq)};
  EXPECT_EQ(Travel(c, eq), expected);
  EXPECT_EQ(c.end[0], expected[0]);
}

TEST(GcodeImport, LinesAreCountedWhateverTheirEnds) {
  EXPECT_EQ(Convert("G0 X1\r\nG0 X2\r\n").lines, 2u);
  EXPECT_EQ(Convert("G0 X1\nG0 X2").lines, 2u);
  EXPECT_EQ(Convert("\n\n\n").lines, 3u);
  EXPECT_EQ(Convert("").lines, 0u);
  EXPECT_EQ(Convert("M2\nG28\nG28\n").lines, 3u);
  EXPECT_EQ(Convert("G0 X1\r\nG0 X2\r\n").rows.size(), 2u);
}

TEST(GcodeImport, ProgressCanStopTheConversion) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "G0 X" + std::to_string(i % 7) + "\n";
  std::size_t seen = 0;
  const GcodeConversion c = ConvertGcode(text, MillimetreAxes(), {}, [&](std::size_t read, std::size_t lines) {
    EXPECT_EQ(lines, 20000u);
    seen = read;
    return false;
  });
  ASSERT_TRUE(c.error);
  EXPECT_EQ(c.error->problem, GcodeProblem::Cancelled);
  EXPECT_GT(seen, 0u);
  EXPECT_TRUE(c.rows.empty());
}

}  // namespace
