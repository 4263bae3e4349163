// The live plot's geometry: fitting a path window into the frame, mapping
// points, the path window of a program, and the incremental plotting.

#include "motion/PathPlot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <utility>
#include <vector>

#include "EngineFixture.h"
#include "motion/RunControl.h"

void PrintTo(const PlotSegment& s, std::ostream* out) {
  *out << "(" << s.x1 << "," << s.y1 << ")-(" << s.x2 << "," << s.y2 << ")";
}

namespace {

using enginetest::Command;

constexpr PlotRect kFrame{10, 20, 330, 220};  // 320 x 200 pixels, centre (170, 120)

bool InsideFrame(const PixelPoint& p, const PlotRect& r) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

TEST(PathPlotGeometry, WindowCornersLandOnTheMarginsOfTheTighterAxis) {
  CPathPlot plot;
  plot.SetRect(kFrame);
  // X extent 1000 over 290 free pixels, Y extent 100 over 170: X decides.
  plot.FitWindow(-500, 500, 0, 100);
  EXPECT_DOUBLE_EQ(plot.Scale(), 0.29);
  const PixelPoint left = plot.Map(-500, 0);
  const PixelPoint right = plot.Map(500, 100);
  EXPECT_DOUBLE_EQ(left.x, 10 + 15);
  EXPECT_DOUBLE_EQ(right.x, 330 - 15);
  // Y grows upwards: the window's middle sits on the centre line.
  EXPECT_DOUBLE_EQ(plot.Map(0, 50).y, 120);
  EXPECT_LT(right.y, left.y);
}

TEST(PathPlotGeometry, ALineAlongXRunsThroughTheCentre) {
  CPathPlot plot;
  plot.SetRect(kFrame);
  plot.FitWindow(0, 2000, 0, 0);  // the Y candidate is unbounded, X is used
  EXPECT_DOUBLE_EQ(plot.Scale(), 290.0 / 2000.0);
  EXPECT_DOUBLE_EQ(plot.Map(0, 0).y, 120);
  EXPECT_DOUBLE_EQ(plot.Map(2000, 0).y, 120);
  EXPECT_DOUBLE_EQ(plot.Map(0, 0).x, 25);
  EXPECT_DOUBLE_EQ(plot.Map(2000, 0).x, 315);
}

TEST(PathPlotGeometry, DegenerateWindowsAndFramesMapInsideTheFrame) {
  struct Case {
    PlotRect frame;
    double minX, maxX, minY, maxY;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {kFrame, 0, 0, 0, 0},          // a program without axis-1 and axis-2 motion
      {{0, 0, 20, 20}, -10, 10, -5, 5},  // a frame smaller than its margins
      {{5, 5, 5, 5}, -10, 10, -5, 5},    // a frame of zero size
      {kFrame, -inf, 0, 0, 10},
      {kFrame, nan, nan, 0, 0},
  };
  for (const Case& c : cases) {
    CPathPlot plot;
    plot.SetRect(c.frame);
    plot.FitWindow(c.minX, c.maxX, c.minY, c.maxY);
    EXPECT_TRUE(std::isfinite(plot.Scale()));
    const PixelPoint p = plot.Map(0, 0);
    EXPECT_TRUE(InsideFrame(p, c.frame)) << p.x << "," << p.y;
  }
  CPathPlot empty;
  empty.SetRect(kFrame);
  empty.FitWindow(0, 0, 0, 0);
  EXPECT_DOUBLE_EQ(empty.Map(0, 0).x, 170);
  EXPECT_DOUBLE_EQ(empty.Map(0, 0).y, 120);
}

TEST(PathPlotGeometry, PixelCoordinatesNeverOverflow) {
  EXPECT_EQ(PixelCoordinate(12.9), 12);
  EXPECT_EQ(PixelCoordinate(-12.9), -12);
  EXPECT_EQ(PixelCoordinate(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(PixelCoordinate(1e300), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(PixelCoordinate(-1e300), std::numeric_limits<std::int32_t>::min());
}

class PathWindowTest : public enginetest::EngineTest {};

TEST_F(PathWindowTest, SumsAxisOneAndTwoDistancesOfMotionRowsOnly) {
  SysParams.Unit[0] = 1;  // mm
  SysParams.Guide[0] = 1;
  SysParams.MotorPulse[0] = 100;
  SysParams.MotorRatio[0] = 1;  // 0.01 mm per pulse
  ComputeEquivalents();
  MotionProgram.push_back(Command(code::kConstPtoP1, {1, 2, 3, 4}, {10, 0, 0, 0}));
  MotionProgram.push_back(Command(code::kFastPtoP1, {1, 2, 3, 4}, {-25, 0, 0, 0}));
  // A home row ends at the origin (the start here); the output row holds
  // a card.
  MotionProgram.push_back(Command(code::kHome1, {1, 2, 3, 4}, {1000, 0, 0, 0}));
  MotionProgram.push_back(Command(code::kSwitchOutput, {1, 2, 1, 0}, {500, 500, 0, 0}));
  double minX, maxX, minY, maxY;
  ComputePathWindow(minX, maxX, minY, maxY);
  EXPECT_DOUBLE_EQ(minX, -1500);
  EXPECT_DOUBLE_EQ(maxX, 1000);
  EXPECT_DOUBLE_EQ(minY, 0);
  EXPECT_DOUBLE_EQ(maxY, 0);

  // Slots beyond the code's axis count and axes other than 1 and 2 are skipped.
  MotionProgram.clear();
  MotionProgram.push_back(Command(code::kConstLine2, {2, 3, 1, 4}, {-40, 99, 77, 0}));
  MotionProgram.push_back(Command(code::kConstPtoP3, {3, 1, 2, 4}, {5, 10, 30, 0}));
  ComputePathWindow(minX, maxX, minY, maxY);
  EXPECT_DOUBLE_EQ(minX, 0);
  EXPECT_DOUBLE_EQ(maxX, 1000);  // axis 1 by 10 mm
  EXPECT_DOUBLE_EQ(minY, -40);   // axis 2 in pulses
  EXPECT_DOUBLE_EQ(maxY, 0);
}

TEST_F(PathWindowTest, FirstPassDrawsAndRecordsLaterPassesOnlyMoveAMarker) {
  Plot.MinX = 0;
  Plot.MaxX = 1000;
  Plot.MinY = 0;
  Plot.MaxY = 0;
  Plot.OriginX = 500;  // the run started at absolute position 500
  FitAndResetPlot(kFrame);
  EXPECT_TRUE(Plot.Segments.empty());
  EXPECT_DOUBLE_EQ(Plot.LastPixelX, 25);

  // Not running: nothing is plotted.
  EXPECT_EQ(AdvancePlot(700, 0).action, PlotAction::None);

  RunControl.BusyProgram = true;
  const PlotUpdate first = AdvancePlot(1000, 0);  // offset 500: half way
  EXPECT_EQ(first.action, PlotAction::Line);
  EXPECT_DOUBLE_EQ(first.from.x, 25);
  EXPECT_DOUBLE_EQ(first.to.x, 25 + 145);
  ASSERT_EQ(Plot.Segments.size(), 1u);
  EXPECT_EQ(Plot.Segments[0].x1, 25);
  EXPECT_EQ(Plot.Segments[0].x2, 170);
  EXPECT_EQ(Plot.Segments[0].y1, 120);

  // Unchanged position, or outside the window: nothing, the pen stays.
  EXPECT_EQ(AdvancePlot(1000, 0).action, PlotAction::None);
  EXPECT_EQ(AdvancePlot(1600, 0).action, PlotAction::None);
  EXPECT_EQ(AdvancePlot(1000, 3).action, PlotAction::None);
  EXPECT_DOUBLE_EQ(Plot.LastPixelX, 170);

  ProgramRun.LoopsDone = 1;
  const PlotUpdate marker = AdvancePlot(1500, 0);
  EXPECT_EQ(marker.action, PlotAction::Marker);
  EXPECT_DOUBLE_EQ(marker.from.x, 170);
  EXPECT_DOUBLE_EQ(marker.to.x, 315);
  EXPECT_EQ(Plot.Segments.size(), 1u);

  // A stop frees the list.
  SStop();
  EXPECT_TRUE(Plot.Segments.empty());
  EXPECT_EQ(Plot.Segments.capacity(), 0u);
}

// The planned path of the program: fit, units, and how it follows the
// program (the plan against a run's path: PathPlan_test).
class PlannedPathTest : public enginetest::EngineTest {};

TEST_F(PlannedPathTest, ConvertsWithTheAxesOwnUnitsAndFitsAsTheRunFits) {
  SysParams.Unit[0] = 1;  // mm, 0.01 mm a pulse
  SysParams.Guide[0] = 1;
  SysParams.MotorPulse[0] = 100;
  SysParams.MotorRatio[0] = 1;
  ComputeEquivalents();
  MotionProgram = {Command(code::kConstPtoP1, {1, 2, 3, 4}, {10, 0, 0, 0}),
                   Command(code::kFastPtoP1, {1, 2, 3, 4}, {-25, 0, 0, 0})};
  // Window -1500 to 1000 pulses: the start point 1500/2500 of the way, the
  // ends on the margins.
  const std::vector<PlotSegment> planned = PlannedPath(kFrame);
  ASSERT_FALSE(planned.empty());
  EXPECT_NEAR(planned.front().x1, 199, 1);
  int right = planned.front().x1, left = right;
  for (const PlotSegment& s : planned) {
    right = std::max({right, s.x1, s.x2});
    left = std::min({left, s.x1, s.x2});
    EXPECT_EQ(s.y1, 120);
    EXPECT_EQ(s.y2, 120);
  }
  EXPECT_EQ(right, 315);
  EXPECT_EQ(left, 25);
  EXPECT_EQ(planned.back().x2, 25);
}

TEST_F(PlannedPathTest, NothingWithoutAxisOneOrTwoMotion) {
  EXPECT_TRUE(PlannedPath(kFrame).empty());  // no program
  MotionProgram = {
      Command(code::kConstPtoP2, {3, 4, 1, 2}, {500, 500, 900, 900}), Command(code::kHome1, {1, 2, 3, 4}, {1, 0, 0, 0}),
      Command(code::kSwitchOutput, {1, 2, 1, 0}, {0, 0, 0, 0}), Command(code::kArc, {1, 2, 3, 4}, {100, 100, 0, 0})};
  EXPECT_TRUE(PlannedPath(kFrame).empty());
  // A frame with no room inside its margins shows nothing either.
  MotionProgram = {Command(code::kConstPtoP1, {1, 2, 3, 4}, {100, 0, 0, 0})};
  EXPECT_TRUE(PlannedPath({0, 0, 20, 20}).empty());
}

TEST_F(PlannedPathTest, DamagedDistancesNeverDrawOutsideTheFrame) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::vector<MotionCommand>> programs = {
      {Command(code::kConstPtoP1, {1, 2, 3, 4}, {nan, 0, 0, 0}),
       Command(code::kConstPtoP1, {2, 1, 3, 4}, {100, 0, 0, 0})},
      {Command(code::kConstPtoP1, {2, 1, 3, 4}, {100, 0, 0, 0}),
       Command(code::kConstPtoP1, {1, 2, 3, 4}, {inf, 0, 0, 0})},
      {Command(code::kConstLine2, {1, 2, 3, 4}, {1e300, -1e300, 0, 0}),
       Command(code::kConstPtoP1, {1, 2, 3, 4}, {1, 0, 0, 0})},
      {Command(code::kConstLine2, {1, 2, 3, 4}, {-1e-300, 1e-300, 0, 0})},
  };
  for (const auto& program : programs) {
    MotionProgram = program;
    for (const PlotSegment& s : PlannedPath(kFrame)) {
      for (const int x : {s.x1, s.x2}) EXPECT_TRUE(x >= kFrame.left && x <= kFrame.right) << x;
      for (const int y : {s.y1, s.y2}) EXPECT_TRUE(y >= kFrame.top && y <= kFrame.bottom) << y;
    }
  }
}

// Ten thousand one-pulse steps make a line of a few hundred pixels: one
// segment per pixel moved, ending where the program ends.
TEST_F(PlannedPathTest, StepsWithinOnePixelMakeNoSegments) {
  MotionProgram.assign(10000, Command(code::kConstPtoP1, {1, 2, 3, 4}, {1, 0, 0, 0}));
  MotionProgram.push_back(Command(code::kConstPtoP1, {2, 1, 3, 4}, {-5000, 0, 0, 0}));
  const std::vector<PlotSegment> planned = PlannedPath(kFrame);
  ASSERT_FALSE(planned.empty());
  EXPECT_LE(planned.size(), 290u + 145u);  // 10000 and 5000 pulses at 0.029 pixels a pulse
  EXPECT_NEAR(planned.back().x2, 315, 1);
  EXPECT_NEAR(planned.back().y2, planned.front().y1 + 145, 1);  // 5000 pulses at X's scale, downwards
  for (std::size_t i = 1; i < planned.size(); ++i) EXPECT_EQ(planned[i].x1, planned[i - 1].x2);
}

// However often a program goes over the same ground, its plan holds each
// line once: its size is bounded by the frame, not by the program.
TEST_F(PlannedPathTest, GoingOverTheSamePathAddsNothing) {
  const std::vector<MotionCommand> there = {Command(code::kFastPtoP2, {1, 2, 3, 4}, {3000, 1000, 0, 0}),
                                            Command(code::kConstLine2, {1, 2, 3, 4}, {-1000, 1500, 0, 0})};
  const std::vector<MotionCommand> back = {Command(code::kConstLine2, {1, 2, 3, 4}, {1000, -1500, 0, 0}),
                                           Command(code::kFastPtoP2, {1, 2, 3, 4}, {-3000, -1000, 0, 0})};
  MotionProgram = there;
  MotionProgram.insert(MotionProgram.end(), back.begin(), back.end());
  const std::size_t once = PlannedPath(kFrame).size();
  for (int pass = 0; pass < 500; ++pass)
    MotionProgram.insert(MotionProgram.end(), MotionProgram.begin(), MotionProgram.begin() + 4);
  EXPECT_LE(PlannedPath(kFrame).size(), once);
  EXPECT_GT(once, 200u);
}

TEST_F(PlannedPathTest, PreviewFollowsTheProgramTheFrameTheUnitsAndTheStart) {
  MotionProgram = {Command(code::kConstPtoP1, {1, 2, 3, 4}, {1000, 0, 0, 0})};
  NoteProgramReplaced();
  EXPECT_TRUE(UpdatePathPreview(kFrame));
  EXPECT_EQ(Plot.Preview, PlannedPath(kFrame));
  EXPECT_FALSE(UpdatePathPreview(kFrame));  // nothing changed

  MotionProgram.push_back(Command(code::kConstPtoP1, {2, 1, 3, 4}, {500, 0, 0, 0}));
  NoteProgramEdited();
  EXPECT_TRUE(UpdatePathPreview(kFrame));
  EXPECT_EQ(Plot.Preview, PlannedPath(kFrame));

  const PlotRect wider{0, 0, 600, 400};
  EXPECT_TRUE(UpdatePathPreview(wider));
  EXPECT_EQ(Plot.Preview, PlannedPath(wider));
  EXPECT_FALSE(UpdatePathPreview(wider));

  // Axes that moved: a home row's 0 lies elsewhere from the new start.
  MotionProgram.push_back(Command(code::kHome1, {1, 2, 3, 4}, {1, 0, 0, 0}));
  NoteProgramEdited();
  EXPECT_TRUE(UpdatePathPreview(wider));
  const std::vector<PlotSegment> fromZero = Plot.Preview;
  Machine().SetPosition(1, 400);
  EXPECT_TRUE(UpdatePathPreview(wider));
  EXPECT_NE(Plot.Preview, fromZero);
  EXPECT_EQ(Plot.Preview, PlannedPath(wider));

  SysParams.Unit[1] = 1;
  ComputeEquivalents();
  EXPECT_TRUE(UpdatePathPreview(wider));
  EXPECT_FALSE(UpdatePathPreview(wider));
  EXPECT_TRUE(UpdatePathPreview(wider, true));

  MotionProgram.clear();
  NoteProgramReplaced();
  EXPECT_TRUE(UpdatePathPreview(wider));
  EXPECT_TRUE(Plot.Preview.empty());
}

// A program run computes the preview again with the run's own frame and
// keeps it through the stops, which only forget the run's path.
TEST_F(PlannedPathTest, RunsAndStopsKeepThePreview) {
  MotionProgram = {Command(code::kConstPtoP1, {1, 2, 3, 4}, {1000, 0, 0, 0})};
  EXPECT_TRUE(UpdatePathPreview({0, 0, 100, 100}));
  MotionProgram.push_back(Command(code::kConstPtoP1, {2, 1, 3, 4}, {800, 0, 0, 0}));  // no note: only the run sees it
  const std::vector<PlotSegment> planned = PlannedPath(kFrame);
  RunControl.ActivePanel = panel::kProgram;
  StartRequest request;
  request.plotFrame = kFrame;
  ASSERT_EQ(StartButton(request), 1);
  EXPECT_EQ(Plot.Preview, planned);
  Ticks(50);
  DStop();
  EXPECT_EQ(Plot.Preview, planned);
  SStop();
  EXPECT_EQ(Plot.Preview, planned);
  EXPECT_TRUE(Plot.Segments.empty());
}

}  // namespace
