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

// Path window of the current motion program for a run starting at the
// plot origin (Plot.OriginX, Plot.OriginY): the extremes of the axis-1 and
// axis-2 positions (pulses from the start point) at the ends of its rows
// that move them (point-to-point, linear interpolation, and home rows,
// which end at 0), with the start point always inside.
void ComputePathWindow(double& minX, double& maxX, double& minY, double& maxY);

// Where the planned path stands before row `row` (0-based) of the program,
// pulses from its start point.
struct PathPoint {
  double x = 0.0;
  double y = 0.0;
};
PathPoint PathPointBeforeRow(std::size_t row);

// The planned path of the current program fitted into `frame` exactly as a
// run starting where the axes stand now fits its path: the pixels the
// run's positions will take, tick by tick (see motion/PathPlan.h). A
// program without axis-1 or axis-2 motion has none.
std::vector<PlotSegment> PlannedPath(const PlotRect& frame);

// Keeps Plot.Preview the planned path for `frame`: computed again when the
// program, the frame, the card model, the conversion of axes 1 and 2 or
// their position changed since it was, or when `always`. A long program is
// planned off the calling thread and shown by CollectPathPreview (or a
// later call) when done; meanwhile the preview keeps the same program's
// plan from another start point, or is empty. True when Plot.Preview
// changed.
bool UpdatePathPreview(const PlotRect& frame, bool always = false);

// The plan of a program run about to start from the plot origin, in the
// run's frame, computed again whatever was shown.
void PlanPathForRun(const PlotRect& frame);

// Takes a plan finished off the user-interface thread into Plot.Preview.
// True when it did.
bool CollectPathPreview();

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
