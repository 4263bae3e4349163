#include "motion/PathPlot.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <utility>

#include "motion/EngineInternal.h"
#include "motion/PathPlan.h"

namespace {
constexpr double kMargin = 15.0;
}  // namespace

void CPathPlot::SetRect(const PlotRect& rect) {
  rect_ = rect;
  centreX_ = (static_cast<double>(rect.left) + static_cast<double>(rect.right)) / 2.0;
  centreY_ = (static_cast<double>(rect.top) + static_cast<double>(rect.bottom)) / 2.0;
}

void CPathPlot::FitWindow(double minX, double maxX, double minY, double maxY) {
  const double width = std::fmax(static_cast<double>(rect_.right) - rect_.left - 2 * kMargin, 0.0);
  const double height = std::fmax(static_cast<double>(rect_.bottom) - rect_.top - 2 * kMargin, 0.0);
  const double sx = width / (maxX - minX);
  const double sy = height / (maxY - minY);
  double scale = sx < sy ? sx : sy;
  // No extent at all (or a window that is not a number): a point at the
  // centre, never a position outside the frame.
  if (!std::isfinite(scale) || scale < 0.0) scale = 0.0;
  scale_ = scale;
  const double midX = (maxX + minX) / 2.0;
  const double midY = (maxY + minY) / 2.0;
  offsetX_ = centreX_ - (scale == 0.0 || !std::isfinite(midX) ? 0.0 : scale * midX);
  offsetY_ = centreY_ - (scale == 0.0 || !std::isfinite(midY) ? 0.0 : scale * midY);
}

PixelPoint CPathPlot::Map(double x, double y) const {
  return {x * scale_ + offsetX_, 2.0 * centreY_ - y * scale_ - offsetY_};
}

std::int32_t PixelCoordinate(double value) {
  if (std::isnan(value)) return 0;
  const double t = std::trunc(value);
  if (t <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  if (t >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(t);
}

namespace {

// A path point (pulses from the start point) in pixels, as the live plot
// maps the run's positions.
PixelPoint PathPixel(double scale, double zeroX, double zeroY, double x, double y) {
  return {scale * x + zeroX, zeroY - scale * y};
}

// Where axes 1 and 2 stand now, read as a run started now reads its origin.
std::pair<double, double> AxesOneAndTwoNow() {
  double x = 0.0, y = 0.0;
  if (CardDriver.get_abs_pos(1, &x) != 0) x = 0.0;
  if (CardDriver.get_abs_pos(2, &y) != 0) y = 0.0;
  return {x, y};
}

PlotPreviewSource PreviewSource(const PlotRect& frame, double startX, double startY) {
  PlotPreviewSource source;
  source.revision = ProgramRevision();
  source.frame = frame;
  for (int axis = 1; axis <= 2; ++axis) {
    const auto i = static_cast<std::size_t>(axis - 1);
    source.unit[i] = SysParams.Unit[i];
    source.equivalentBits[i] = std::bit_cast<std::uint64_t>(engine::PulseEquivalentOf(axis));
  }
  source.wholePulses = CardDriver.model.load() != 2;
  // Where the run starts: home rows end at 0 whatever the start, and the
  // card rounds absolute positions.
  source.startX = startX;
  source.startY = startY;
  return source;
}

// Plans for `source`: on the spot, or off this thread when long.
void Plan(const PlotPreviewSource& source) {
  Plot.Planner.Cancel();
  Plot.PendingSource.reset();
  const PathPlanInput input = CurrentPlanInput(source.startX, source.startY);
  const PlanFit fit = FitPlan(ComputePlanWindow(input), source.frame);
  if (static_cast<double>(input.rows.size()) + fit.steps <= kPlanStepsOnTheSpot) {
    TracePlannedPath(input, fit, Plot.Preview);
    Plot.PreviewSource = source;
    return;
  }
  // Too long to plan without holding up the window: planned on a thread
  // of its own, shown when done. Meanwhile the plan shown stays only if it
  // is the same program's from another start point.
  PlotPreviewSource moved = source;
  if (Plot.PreviewSource)
    std::tie(moved.startX, moved.startY) = std::tie(Plot.PreviewSource->startX, Plot.PreviewSource->startY);
  if (!Plot.PreviewSource || !(*Plot.PreviewSource == moved)) std::vector<PlotSegment>().swap(Plot.Preview);
  Plot.PreviewSource.reset();
  Plot.PendingSource = source;
  Plot.Planner.Start(MotionProgram, input, fit);
}

}  // namespace

void ComputePathWindow(double& minX, double& maxX, double& minY, double& maxY) {
  const PlanWindow w = ComputePlanWindow(CurrentPlanInput(Plot.OriginX.load(), Plot.OriginY.load()));
  minX = w.minX;
  maxX = w.maxX;
  minY = w.minY;
  maxY = w.maxY;
}

PathPoint PathPointBeforeRow(std::size_t row) {
  const auto [x, y] = PlanPointBeforeRow(CurrentPlanInput(0.0, 0.0), row);
  return {x, y};
}

std::vector<PlotSegment> PlannedPath(const PlotRect& frame) {
  const auto [x, y] = AxesOneAndTwoNow();
  const PathPlanInput input = CurrentPlanInput(x, y);
  std::vector<PlotSegment> path;
  TracePlannedPath(input, FitPlan(ComputePlanWindow(input), frame), path);
  return path;
}

bool CollectPathPreview() {
  if (!Plot.PendingSource) return false;
  std::optional<std::vector<PlotSegment>> plan = Plot.Planner.Take();
  if (!plan) return false;
  Plot.Preview = std::move(*plan);
  Plot.PreviewSource = Plot.PendingSource;
  Plot.PendingSource.reset();
  return true;
}

bool UpdatePathPreview(const PlotRect& frame, bool always) {
  const bool collected = CollectPathPreview();
  const auto [x, y] = AxesOneAndTwoNow();
  const PlotPreviewSource source = PreviewSource(frame, x, y);
  if (!always && (Plot.PreviewSource == source || Plot.PendingSource == source)) return collected;
  Plan(source);
  return true;
}

void PlanPathForRun(const PlotRect& frame) { Plan(PreviewSource(frame, Plot.OriginX.load(), Plot.OriginY.load())); }

void FitAndResetPlot(const PlotRect& frame) {
  CPathPlot& plot = Plot.Geometry;
  plot.SetRect(frame);
  plot.FitWindow(Plot.MinX, Plot.MaxX, Plot.MinY, Plot.MaxY);
  Plot.Scale = plot.Scale();
  const PixelPoint zero = plot.Map(0.0, 0.0);
  Plot.ZeroPixelX = Plot.LastPixelX = zero.x;
  Plot.ZeroPixelY = Plot.LastPixelY = zero.y;
  Plot.LastOffsetX = Plot.LastOffsetY = 0.0;
  Plot.CurrentOffsetX = Plot.CurrentOffsetY = 0.0;
  Plot.FreeSegments();
}

PlotUpdate AdvancePlot(double commandX, double commandY) {
  PlotUpdate update;
  Plot.CurrentOffsetX = commandX - Plot.OriginX.load(std::memory_order_relaxed);
  Plot.CurrentOffsetY = commandY - Plot.OriginY.load(std::memory_order_relaxed);
  const double ox = Plot.CurrentOffsetX;
  const double oy = Plot.CurrentOffsetY;
  if (!RunControl.BusyProgram.load()) return update;
  const bool inside = Plot.MinX <= ox && ox <= Plot.MaxX && Plot.MinY <= oy && oy <= Plot.MaxY;
  const bool moved = ox != Plot.LastOffsetX || oy != Plot.LastOffsetY;
  if (!inside || !moved) return update;

  update.from = {Plot.LastPixelX, Plot.LastPixelY};
  update.to = PathPixel(Plot.Scale, Plot.ZeroPixelX, Plot.ZeroPixelY, ox, oy);
  if (ProgramRun.LoopsDone.load(std::memory_order_relaxed) == 0) {
    update.action = PlotAction::Line;
    Plot.Segments.push_back({PixelCoordinate(update.from.x), PixelCoordinate(update.from.y),
                             PixelCoordinate(update.to.x), PixelCoordinate(update.to.y)});
  } else {
    update.action = PlotAction::Marker;
  }
  Plot.LastPixelX = update.to.x;
  Plot.LastPixelY = update.to.y;
  Plot.LastOffsetX = ox;
  Plot.LastOffsetY = oy;
  return update;
}
