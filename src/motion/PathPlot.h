#pragma once
// Geometry of the live path plot: fitting the path window of a program run
// into the plot frame, mapping path points to pixels, and the incremental
// plotting the live status bar does on its 100 ms timer. Drawing itself
// belongs to the windows.

#include <cstdint>
#include <vector>

#include "motion/EngineState.h"
#include "motion/PlotGeometry.h"

// A pixel coordinate as the segment list stores it: truncated toward zero;
// a value that is not a number or does not fit becomes the nearest bound
// (0 for not a number).
std::int32_t PixelCoordinate(double value);

// Path window of the current motion program: the running sums of the
// axis-1 and axis-2 distances (pulses) of its point-to-point and
// linear-interpolation rows, with the start point always inside.
void ComputePathWindow(double& minX, double& maxX, double& minY, double& maxY);

// Where the path stands before row `row` (0-based) of the program: the
// running sums of the path window's walk over the rows before it, pulses.
struct PathPoint {
  double x = 0.0;
  double y = 0.0;
};
PathPoint PathPointBeforeRow(std::size_t row);

// The planned path of the current program fitted into `frame` exactly as
// a run fits its path: the rows walked as for the path window, one
// segment from each point-to-point or linear-interpolation row's end point
// to the next one's, mapped and truncated as the run's segments are.
// Segments that would not move a pixel are left out, and so are points
// that are not numbers; a program without axis-1 or axis-2 motion has none.
std::vector<PlotSegment> PlannedPath(const PlotRect& frame);

// Keeps Plot.Preview the planned path for `frame`: computed again when the
// program, the frame or the conversion of axes 1 and 2 changed since it
// was (or when `always`). True when it was computed.
bool UpdatePathPreview(const PlotRect& frame, bool always = false);

// What the run command does to the plot at the start of a program run,
// after the window is in Plot: fit it into `frame`, map (0, 0) as the pen's
// start, zero the offsets and empty the segment list.
void FitAndResetPlot(const PlotRect& frame);

// One step of the live status bar's timer with the current command
// positions of axes 1 and 2 (pulses).
enum class PlotAction { None, Line, Marker };
struct PlotUpdate {
  PlotAction action = PlotAction::None;
  PixelPoint from;  // the pen's position before the step
  PixelPoint to;    // after it
};
PlotUpdate AdvancePlot(double commandX, double commandY);
