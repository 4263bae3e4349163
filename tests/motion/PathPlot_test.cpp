// The live plot's geometry: fitting a path window into the frame, mapping
// points, the path window of a program, and the incremental plotting.

#include "motion/PathPlot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "EngineFixture.h"

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
  // Not motion rows: the home row holds a direction, the output row a card.
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

}  // namespace
