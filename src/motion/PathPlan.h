#pragma once
// The planned path of a motion program: where axes 1 and 2 will be, tick by
// tick, when the program's first pass runs, in the live plot's pixels.
// Point-to-point rows follow each axis's own speed profile, linear rows the
// line's vector profile (MotionProfile), sampled at the 5 ms tick as the
// status tick reads the positions; a home row takes its axis to 0, the
// origin the run will have. Everything here works on a snapshot of plain values, so a
// long program can be planned on a thread of its own.

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

#include "motion/PlotGeometry.h"
#include "motion/Units.h"
#include "program/MotionCommand.h"

// What a plan is computed from.
struct PathPlanInput {
  std::span<const MotionCommand> rows;
  AxisConversions conversions;
  // The home search's maximum speed of axes 1-16 (HighSpd, operator units).
  std::array<double, 16> homeHighSpeed{};
  // Absolute command positions of axes 1 and 2 where the run starts.
  double startX = 0.0;
  double startY = 0.0;
  // ORVA and ORVB count whole pulses: distances are rounded before they are
  // sent and positions read back whole. ORVC works in fractions.
  bool wholePulses = true;
};

// The input for the current program, settings and card model, starting at
// (startX, startY).
PathPlanInput CurrentPlanInput(double startX, double startY);

// Where axes 1 and 2 stand when the rows before `row` (0-based) have run,
// relative to the start point (pulses).
std::pair<double, double> PlanPointBeforeRow(const PathPlanInput& input, std::size_t row);

// The window a run fits its plot to: the extremes of the row end points of
// axes 1 and 2 (pulses from the start point, the start point included),
// and the travel of each axis summed over the rows (pulses).
struct PlanWindow {
  double minX = 0.0, maxX = 0.0, minY = 0.0, maxY = 0.0;
  double travelX = 0.0, travelY = 0.0;
};
PlanWindow ComputePlanWindow(const PathPlanInput& input);

// The window fitted into a frame as a run fits its path: scale (pixels per
// pulse), the pixel of the start point, and a rough count of the steps a
// trace takes (pixels travelled).
struct PlanFit {
  PlotRect frame{};
  double scale = 0.0;
  PixelPoint zero;
  double steps = 0.0;
};
PlanFit FitPlan(const PlanWindow& window, const PlotRect& frame);

// The plan, fitted, as segments between the successive pixels the run's
// positions will take, read at every tick. A segment already in the list
// is not added again, so the list stays within what the frame can show
// however long the program. False (and a partial list) when `stop` was
// requested.
bool TracePlannedPath(const PathPlanInput& input, const PlanFit& fit, std::vector<PlotSegment>& out,
                      const std::stop_token& stop = {});

// Rows plus pixels travelled above which a plan is computed off the
// user-interface thread.
inline constexpr double kPlanStepsOnTheSpot = 250000;

// Computes one plan at a time on a thread of its own. Start() forgets the
// plan being computed (if any); Take() hands over a finished plan once.
class PathPlanner {
 public:
  PathPlanner() = default;
  PathPlanner(const PathPlanner&) = delete;
  PathPlanner& operator=(const PathPlanner&) = delete;
  ~PathPlanner() { Cancel(); }

  // `rows` is the planner's own copy; `input.rows` is set to it.
  void Start(std::vector<MotionCommand> rows, PathPlanInput input, const PlanFit& fit);
  // Stops the computation and forgets it; returns when the thread is gone.
  void Cancel();
  bool Busy() const;
  std::optional<std::vector<PlotSegment>> Take();

 private:
  mutable std::mutex mutex_;
  bool busy_ = false;
  std::optional<std::vector<PlotSegment>> finished_;
  std::jthread worker_;
};
