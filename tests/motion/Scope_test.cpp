// The scope's rules: stored choices, time axis, what it plots of a tick in
// the operator's units, fitted ranges, the readout and the export's CSV,
// which has the runner's columns.

#include "motion/Scope.h"

#include <cmath>

#include "EngineFixture.h"
#include "motion/TickCsv.h"

namespace {

using Nullable = std::optional<long long>;

TEST(ScopeRules, StoredChoicesAreMadeSafe) {
  struct Case {
    Nullable axes, window;
    int installed;
    unsigned wantAxes;
    int wantWindow;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, 4, 0x3, 10},  // first start: axes 1-2, 10 s
      {0x5, 60, 4, 0x5, 60},
      {0xF0, 300, 4, 0x0, 300},  // card 2's axes without card 2
      {0xF0, 30, 8, 0xF0, 30},
      {0x1FF, 45, 8, 0xFF, 10},  // no such axis, no such window
      {-1, 0, 8, 0xFF, 10},
      {0, 10, 4, 0x0, 10},  // nothing chosen stays the operator's choice
  };
  for (const Case& c : cases) {
    const scope::Choices got = scope::ChoicesFrom(c.axes, c.window, c.installed);
    EXPECT_EQ(got.axes, c.wantAxes) << c.axes.value_or(-99);
    EXPECT_EQ(got.windowSeconds, c.wantWindow) << c.window.value_or(-99);
  }
}

TEST(ScopeRules, TheTimeAxisCountsTicksOfFiveMilliseconds) {
  EXPECT_DOUBLE_EQ(scope::Seconds(200), 1.0);
  const std::pair<double, std::uint64_t> nearest[] = {{1.0, 200}, {1.0024, 200}, {1.0026, 201},
                                                      {0.0, 1},   {-3.0, 1},     {NAN, 1}};
  for (const auto& [seconds, tick] : nearest) EXPECT_EQ(scope::TickAt(seconds), tick) << seconds;
  struct Window {
    std::uint64_t last;
    int seconds;
    std::uint64_t first;
  };
  for (const Window& w : {Window{5000, 10, 3001}, Window{2000, 10, 1}, Window{1500, 10, 1}, Window{0, 10, 1},
                          Window{100000, 300, 40001}}) {
    const scope::TickRange range = scope::WindowTicks(w.last, w.seconds);
    EXPECT_EQ(range.first, w.first) << w.last << " " << w.seconds;
    EXPECT_EQ(range.last, w.last);
  }
}

TEST(ScopeRules, FittedRangesShowEveryValueWithRoom) {
  struct Case {
    double low, high, lower, upper;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0, 100, -5, 105},    {-2, 2, -2.2, 2.2},  // a twentieth each side
      {50, 50, 47.5, 52.5},                      // flat: room around it
      {0, 0, -1, 1},        {0.001, 0.001, -0.999, 1.001},
      {inf, -inf, -1, 1},  // nothing found
      {NAN, 3, -1, 1},
  };
  for (const Case& c : cases) {
    const scope::Range r = scope::FitRange(c.low, c.high);
    EXPECT_NEAR(r.lower, c.lower, 1e-12) << c.low << ".." << c.high;
    EXPECT_NEAR(r.upper, c.upper, 1e-12) << c.low << ".." << c.high;
  }
}

class ScopeValuesTest : public enginetest::EngineTest {};

// Millimetres on a 4 mm lead with 3200 pulses a turn; axis 1 has an encoder
// of 5 um a count (EncFreq 4 times 1.25 um), axis 2 none.
TEST_F(ScopeValuesTest, ValuesAreTheLiveBarsInTheAxisUnitsAndGapsWhereNothingWasRead) {
  for (int i = 0; i < 2; ++i) {
    SysParams.Unit[i] = 1;
    SysParams.Guide[i] = 4;
    SysParams.MotorPulse[i] = 3200;
    SysParams.MotorRatio[i] = 1;
    SysParams.EncFreq[i] = 4;
  }
  SysParams.FeedBack[0] = 1.25;
  SelectModel(enginetest::kOrvb, 1);
  TickSample sample;
  sample.polled = 4;
  sample.command[0] = 8000;  // 10 mm
  sample.encoder[0] = 7992;  // 9.99 mm
  sample.speed[0] = 1600;
  sample.command[1] = 800;
  sample.encoder[1] = 3200;

  const scope::Values x = scope::ValuesOf(sample, 1);
  EXPECT_DOUBLE_EQ(x.command, LiveCommandUnits(1, 8000));
  EXPECT_DOUBLE_EQ(x.command, 10.0);
  EXPECT_DOUBLE_EQ(x.feedback, LiveFeedbackUnits(1, 7992));
  EXPECT_NEAR(x.feedback, 9.99, 1e-9);
  EXPECT_NEAR(x.error, 0.01, 1e-9);
  EXPECT_DOUBLE_EQ(x.speed, 2.0);

  const scope::Values y = scope::ValuesOf(sample, 2);
  EXPECT_DOUBLE_EQ(y.command, 1.0);
  EXPECT_TRUE(std::isnan(y.feedback)) << "no encoder feedback: no feedback position";
  EXPECT_TRUE(std::isnan(y.error));

  const scope::Values notPolled = scope::ValuesOf(sample, 5);
  EXPECT_TRUE(std::isnan(notPolled.command) && std::isnan(notPolled.speed));

  // The live bar's rules for the feedback: no counts show 0, EncFreq 0
  // counts as 1.
  EXPECT_EQ(LiveFeedbackUnits(1, 0), 0.0);
  SysParams.EncFreq[0] = 0;
  EXPECT_DOUBLE_EQ(LiveFeedbackUnits(1, 400), ToUnits(1, Equivalents.FeedbackEquivalent[0], 400));
  EXPECT_EQ(LiveCommandUnits(17, 123.0), 123.0) << "an axis outside the tables shows pulses";
}

TEST_F(ScopeValuesTest, TheReadoutNamesTheAxisAndItsUnit) {
  SysParams.Unit[0] = 1;
  SysParams.Unit[3] = 3;
  SysParams.Unit[4] = 2;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(scope::ReadoutLine(1, {12.345, 12.3}, 2, false), "X 12.35 / 12.30 mm");
  EXPECT_EQ(scope::ReadoutLine(1, {0.00123}, 4, false), "X 0.0012 mm");
  EXPECT_EQ(scope::ReadoutLine(4, {90, nan}, 2, false), "T 90.00 / - °");
  EXPECT_EQ(scope::ReadoutLine(4, {-5}, 2, true), "T -5.00 °/s");
  EXPECT_EQ(scope::ReadoutLine(5, {1}, 2, false), "A 1.00 μm");
  EXPECT_EQ(scope::ReadoutLine(2, {7}, 0, true), "Y 7 P/s");
  EXPECT_EQ(scope::ReadoutLine(9, {7}, 0, true), "");
}

// The scope's export and the runner's trace are one format: the same
// header, and the tick's time on the scope's 5 ms axis.
TEST(ScopeRules, TheExportHasTheRunnersColumns) {
  TickSample a;
  a.tick = 101;
  a.row = 1;
  a.pass = 1;
  a.command[0] = 25;
  a.encoder[0] = 100;
  a.speed[0] = 50;
  a.command[1] = -0.1;
  a.speed[1] = 1e20;
  TickSample b = a;
  b.tick = 102;
  b.row = 0;
  b.command[0] = 1.0 / 3.0;
  EXPECT_EQ(scope::ExportCsv({a, b}, 2),
            "tick,seconds,row,pass,command1,encoder1,speed1,command2,encoder2,speed2\n"
            "101,0.505000,1,1,25,100,50,-0.1,0,1e+20\n"
            "102,0.510000,0,1,0.333333333333333,100,50,-0.1,0,1e+20\n");
  EXPECT_EQ(TickCsvHeader(9), TickCsvHeader(8)) << "eight axes at most";
  std::string line;
  AppendTickCsvLine(line, 7, 1e300, a, 0);
  EXPECT_EQ(line.size(), 1 + 1 + 301 + 7 + 4 + 1) << "a huge time is written whole";
}

}  // namespace
