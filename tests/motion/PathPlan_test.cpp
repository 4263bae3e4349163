// The planned path against the simulated cards: the motion-profile rule
// against the simulator's own, and the plan against the path a run's first
// pass records when the live plot reads the positions at every tick.

#include "motion/PathPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "EngineFixture.h"
#include "core/Profile.h"
#include "motion/MotionProfile.h"
#include "motion/PathPlot.h"
#include "motion/RunControl.h"

namespace {

using enginetest::Command;

constexpr PlotRect kFrame{0, 0, 340, 300};

// Tick times as the card's clock counts them.
double TickTime(int k) { return static_cast<double>(k * 5000) * 1e-6; }

TEST(MotionProfileRule, MovesAsTheSimulatedCardMovesAnAxis) {
  struct Case {
    double length, start, top, accel;  // accel < 0: constant speed `start`
  };
  const Case cases[] = {
      {600, 300, 0, -1},        // constant
      {5, 2000, 0, -1},         // constant, done within a tick
      {5000, 100, 2000, 4000},  // trapezoid
      {300, 50, 5000, 2000},    // triangle
      {1000, 0, 800, 500},      // from standstill
      {700, 900, 500, 1000},    // start-up above the maximum: at the maximum throughout
      {250, 20, 400, 0},        // no acceleration: at the maximum throughout
      {1, 10, 20, 1e6},         // one pulse
  };
  for (const Case& c : cases) {
    const bool constant = c.accel < 0;
    const MotionProfile mine = constant ? MotionProfile::Constant(c.length, c.start)
                                        : MotionProfile::Ramped(c.length, c.start, c.top, c.accel);
    const double top = constant ? c.start : c.top;
    const double start = std::min(c.start, top);
    const sim::Profile card =
        constant ? sim::Profile::Constant(c.length, top) : sim::Profile::Ramp(c.length, start, start, top, c.accel);
    SCOPED_TRACE(testing::Message() << c.length << " " << c.start << " " << c.top << " " << c.accel);
    EXPECT_NEAR(mine.Duration(), card.Duration(), 1e-9 * card.Duration());
    EXPECT_EQ(mine.Length(), c.length);
    for (int k = 0; TickTime(k) <= card.Duration() + 0.01; ++k) {
      const double t = TickTime(k);
      ASSERT_NEAR(mine.DistanceAt(t), card.Distance(t), 1e-9 * c.length) << "tick " << k;
      EXPECT_NEAR(mine.SpeedAt(t), card.Speed(t), 1e-6 * top) << "tick " << k;
      // The inverse finds the time again wherever the axis moves.
      if (mine.SpeedAt(t) > 0 && t > 0) {
        EXPECT_NEAR(mine.TimeAt(mine.DistanceAt(t)), t, 1e-9) << "tick " << k;
      }
    }
  }
  // Speeds that are no speed: the move has no timing and is over at once.
  for (const MotionProfile& none : {MotionProfile::Constant(100, 0), MotionProfile::Ramped(100, 10, -5, 100),
                                    MotionProfile::Constant(100, std::numeric_limits<double>::quiet_NaN())}) {
    EXPECT_EQ(none.Duration(), 0.0);
    EXPECT_EQ(none.DistanceAt(TickTime(1)), 100.0);
  }
}

using Segment = std::tuple<int, int, int, int>;

// Segments as undirected pixel pairs, points left out.
std::set<Segment> Lines(const std::vector<PlotSegment>& segments) {
  std::set<Segment> lines;
  for (const PlotSegment& s : segments) {
    if (s.x1 == s.x2 && s.y1 == s.y2) continue;
    Segment a{s.x1, s.y1, s.x2, s.y2}, b{s.x2, s.y2, s.x1, s.y1};
    lines.insert(std::min(a, b));
  }
  return lines;
}

class PlanAgainstRunTest : public enginetest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    UseMachine("[axis all]\ntravel = -60000 60000\nlimits = -50000 50000\nslowdown = -40000 40000\n");
  }

  // Runs the program's first pass, the live plot reading the positions at
  // every tick, and returns the segments it recorded. The plan made at
  // Start is left in Plot.Preview.
  std::vector<PlotSegment> RunFirstPass() {
    Tick();  // the status tables read where the axes stand
    RunControl.ActivePanel = panel::kProgram;
    StartRequest request;
    request.plotFrame = kFrame;
    EXPECT_EQ(StartButton(request), 1);
    EXPECT_NE(TickUntil(
                  [] {
                    AdvancePlot(StatusTables.CommandPosition[0].load(), StatusTables.CommandPosition[1].load());
                    return !RunControl.BusyProgram.load();
                  },
                  400000),
              -1);
    Tick();  // a tick without a run resets its counters
    return Plot.Segments;
  }

  static MotionCommand PtoP2(bool fast, std::array<int, 2> axes, std::array<double, 2> dis, std::array<double, 2> low,
                             std::array<double, 2> high = {0, 0}, std::array<double, 2> acc = {0, 0}) {
    MotionCommand c =
        Command(fast ? code::kFastPtoP2 : code::kConstPtoP2, {axes[0], axes[1], 3, 4}, {dis[0], dis[1], 0, 0});
    for (std::size_t k = 0; k < 2; ++k) {
      c.dbLowSpd[k] = low[k];
      c.dbHighSpd[k] = high[k];
      c.dbAccSpd[k] = acc[k];
    }
    return c;
  }
};

// Constant and fast point-to-point rows, each axis on a profile of its
// own, and lines on the vector profile capped by the axes' maximum speeds
// the rows before set: the plan is, line for line, what the run records.
TEST_F(PlanAgainstRunTest, PointToPointAndLineRowsAreTheRunsPath) {
  MotionCommand line3 = Command(code::kFastLine3, {1, 3, 2, 4}, {-700, 900, 400, 0});
  line3.dbLowSpd[0] = 200;
  line3.dbHighSpd[0] = 4000;  // above what axis 2 (600 pulses/s) allows
  line3.dbAccSpd[0] = 3000;
  MotionCommand line2 = Command(code::kConstLine2, {2, 1, 3, 4}, {-1300, 450, 0, 0});
  line2.dbLowSpd[0] = 350;
  const std::vector<MotionCommand> program = {
      // X +600 at 300 pulses/s, Y +300 at 600: diagonal until Y is done.
      PtoP2(false, {1, 2}, {600, 300}, {300, 600}),
      // Y on a trapezoid, X on a triangle.
      PtoP2(true, {2, 1}, {-2500, -900}, {100, 50}, {1500, 5000}, {3000, 2000}),
      // A start-up speed above the maximum, and a slow constant axis.
      PtoP2(true, {1, 2}, {1200, 40}, {900, 300}, {500, 300}, {1000, 100}),
      Command(code::kFastPtoP1, {2, 1, 3, 4}, {1800, 0, 0, 0}),
      PtoP2(false, {2, 3}, {10, 10}, {600, 600}),
      line3,
      line2,
      Command(code::kSwitchOutput, {1, 2, 1, 0}, {0, 0, 0, 0}),
  };
  struct Case {
    int model;
    double startX, startY;
  };
  for (const Case c :
       {Case{enginetest::kOrvb, 137, -2210}, Case{enginetest::kOrvc, 137.25, -2210.5}, Case{enginetest::kOrva, 0, 0}}) {
    SCOPED_TRACE(c.model);
    SelectModel(c.model, 1);
    Machine().SetPosition(1, c.startX);
    Machine().SetPosition(2, c.startY);
    MotionProgram = program;
    NoteProgramEdited();
    const std::vector<PlotSegment> planned = PlannedPath(kFrame);
    const std::vector<PlotSegment> run = RunFirstPass();
    EXPECT_EQ(Plot.Preview, planned);
    EXPECT_GT(Lines(planned).size(), 500u);
    EXPECT_EQ(Lines(planned), Lines(run));
  }
}

// A home row's search goes wherever the switch is; the plan takes the axis
// straight to the origin the run will have, and goes on from there as the
// run does.
TEST_F(PlanAgainstRunTest, AHomeRowEndsAtTheOrigin) {
  UseMachine("[axis all]\ntravel = -60000 60000\nlimits = -50000 50000\nslowdown = -40000 40000\nhome = 2000 2400\n");
  Machine().SetPosition(2, -900);  // the origin lies 900 pulses up
  MotionProgram = {
      PtoP2(false, {1, 2}, {600, 300}, {300, 600}),
      Command(code::kHome1, {2, 1, 3, 4}, {1, 0, 0, 0}),
      PtoP2(true, {1, 2}, {-1200, -500}, {100, 100}, {900, 700}, {2000, 2000}),
  };
  NoteProgramEdited();
  const std::vector<PlotSegment> planned = PlannedPath(kFrame);
  const std::vector<PlotSegment> run = RunFirstPass();
  EXPECT_TRUE(port_.BoxTexts().empty());
  // The window holds the origin of axis 2: 900 up from the start, the top
  // of the path.
  EXPECT_DOUBLE_EQ(Plot.MaxY, 900);
  const auto runLines = Lines(run);
  int jumps = 0;
  for (const auto& line : Lines(planned)) {
    if (runLines.count(line)) continue;
    // Only the straight way up to the origin is the plan's own.
    const auto [x1, y1, x2, y2] = line;
    EXPECT_EQ(x1, x2);
    EXPECT_EQ(std::min(y1, y2), PixelCoordinate(Plot.ZeroPixelY - Plot.Scale * 900));
    ++jumps;
  }
  EXPECT_EQ(jumps, 1);
  EXPECT_EQ(planned.back().x2, run.back().x2);
  EXPECT_EQ(planned.back().y2, run.back().y2);
}

}  // namespace
