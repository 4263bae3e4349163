#include "motion/PathPlot.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "motion/EngineInternal.h"

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
  if (t <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) return std::numeric_limits<std::int32_t>::min();
  if (t >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(t);
}

namespace {

// The walk of the program a run's path window comes from: running sums of
// the axis-1 and axis-2 distances (pulses) of the point-to-point and
// linear-interpolation rows. `atSlot(x, y)` after every axis-1 or axis-2
// slot, `atRowEnd(x, y)` after every such row; the walk ends before row
// `endRow`.
template <class AtSlot, class AtRowEnd>
void WalkProgramPath(AtSlot atSlot, AtRowEnd atRowEnd, std::size_t endRow = SIZE_MAX) {
  double x = 0.0, y = 0.0;
  const std::size_t rows = std::min(engine::ProgramRowCount(), endRow);
  for (std::size_t r = 0; r < rows; ++r) {
    const auto row = engine::ProgramRowCopy(r);
    if (!row || !engine::IsProgramMotionCode(row->iCodeType)) continue;
    const int n = engine::CodeAxisCount(row->iCodeType);
    for (int k = 0; k < n && k < 4; ++k) {
      if (row->iAxes[k] == 1) {
        x += engine::AxisToPulses(1, row->dbDis[k]);
        atSlot(x, y);
      } else if (row->iAxes[k] == 2) {
        y += engine::AxisToPulses(2, row->dbDis[k]);
        atSlot(x, y);
      }
    }
    atRowEnd(x, y);
  }
}

// A path point (pulses from the start point) in pixels, as the live plot
// maps the run's positions.
PixelPoint PathPixel(double scale, double zeroX, double zeroY, double x, double y) {
  return {scale * x + zeroX, zeroY - scale * y};
}

PlotPreviewSource PreviewSourceNow(const PlotRect& frame) {
  PlotPreviewSource source;
  source.revision = ProgramRevision();
  source.frame = frame;
  for (int axis = 1; axis <= 2; ++axis) {
    const auto i = static_cast<std::size_t>(axis - 1);
    source.unit[i] = SysParams.Unit[i];
    source.equivalentBits[i] = std::bit_cast<std::uint64_t>(engine::PulseEquivalentOf(axis));
  }
  return source;
}

}  // namespace

void ComputePathWindow(double& minX, double& maxX, double& minY, double& maxY) {
  minX = maxX = minY = maxY = 0.0;
  WalkProgramPath(
      [&](double x, double y) {
        if (x < minX) minX = x;
        if (x > maxX) maxX = x;
        if (y < minY) minY = y;
        if (y > maxY) maxY = y;
      },
      [](double, double) {});
}

PathPoint PathPointBeforeRow(std::size_t row) {
  PathPoint point;
  WalkProgramPath([](double, double) {}, [&](double x, double y) { point = {x, y}; }, row);
  return point;
}

std::vector<PlotSegment> PlannedPath(const PlotRect& frame) {
  double minX, maxX, minY, maxY;
  ComputePathWindow(minX, maxX, minY, maxY);
  CPathPlot plot;
  plot.SetRect(frame);
  plot.FitWindow(minX, maxX, minY, maxY);
  const double scale = plot.Scale();
  const PixelPoint zero = plot.Map(0.0, 0.0);
  std::vector<PlotSegment> path;
  if (scale == 0.0) return path;  // no extent: nothing to draw
  std::int32_t penX = PixelCoordinate(zero.x);
  std::int32_t penY = PixelCoordinate(zero.y);
  WalkProgramPath([](double, double) {},
                  [&](double x, double y) {
                    const PixelPoint p = PathPixel(scale, zero.x, zero.y, x, y);
                    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
                    const std::int32_t px = PixelCoordinate(p.x);
                    const std::int32_t py = PixelCoordinate(p.y);
                    if (px == penX && py == penY) return;
                    path.push_back({penX, penY, px, py});
                    penX = px;
                    penY = py;
                  });
  return path;
}

bool UpdatePathPreview(const PlotRect& frame, bool always) {
  const PlotPreviewSource source = PreviewSourceNow(frame);
  if (!always && Plot.PreviewSource == source) return false;
  Plot.Preview = PlannedPath(frame);
  Plot.PreviewSource = source;
  return true;
}

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
