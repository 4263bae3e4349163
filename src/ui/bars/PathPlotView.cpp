#include "ui/bars/PathPlotView.h"

#include <QLine>
#include <QList>
#include <QPainter>
#include <vector>

#include "motion/EngineState.h"
#include "motion/PathPlot.h"

namespace {

constexpr int kMarkerRadius = 4;  // the marker is 8 x 8 pixels

QPoint Truncated(const PixelPoint& p) { return {PixelCoordinate(p.x), PixelCoordinate(p.y)}; }

QPen PathPen(const QColor& colour = PathPlotView::PathColour()) {
  QPen pen(colour);
  pen.setWidth(1);
  pen.setCosmetic(false);
  return pen;
}

void DrawSegments(QPainter& painter, const std::vector<PlotSegment>& segments) {
  QList<QLine> lines;
  lines.reserve(static_cast<qsizetype>(segments.size()));
  for (const PlotSegment& s : segments) lines.append(QLine(s.x1, s.y1, s.x2, s.y2));
  painter.drawLines(lines);
}

}  // namespace

PathPlotView::PathPlotView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(120, 120);
}

PlotRect PathPlotView::Frame() const { return {0, 0, width(), height()}; }

void PathPlotView::Replay() {
  stale_ = true;
  marker_.reset();
  update();
}

void PathPlotView::Rebuild() {
  stale_ = false;
  const qreal ratio = devicePixelRatioF();
  const QSize pixels = size() * ratio;
  if (pixels.isEmpty()) {
    image_ = QImage();
    return;
  }
  if (image_.size() != pixels) image_ = QImage(pixels, QImage::Format_RGB32);
  image_.setDevicePixelRatio(ratio);
  image_.fill(Background());
  if (Plot.Segments.empty() && Plot.Preview.empty()) return;
  QPainter painter(&image_);
  painter.setPen(PathPen(PlanColour()));
  DrawSegments(painter, Plot.Preview);
  painter.setPen(PathPen());
  DrawSegments(painter, Plot.Segments);
}

void PathPlotView::FollowProgram() {
  // While a run is active the plan stays the run's; one still being
  // computed for it is shown when ready.
  const bool changed = RunControl.BusyProgram.load() ? CollectPathPreview() : UpdatePathPreview(Frame());
  if (changed) Replay();
}

QRect PathPlotView::MarkerRect(QPoint centre) const {
  return {centre.x() - kMarkerRadius, centre.y() - kMarkerRadius, 2 * kMarkerRadius, 2 * kMarkerRadius};
}

void PathPlotView::DrawMarker(QPainter& painter) const {
  if (!marker_) return;
  // Inverted, so the marker reads on the path and on the background alike.
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setCompositionMode(QPainter::RasterOp_NotDestination);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 0, 0));
  painter.drawEllipse(MarkerRect(*marker_));
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void PathPlotView::Advance(double commandX, double commandY) {
  const PlotUpdate step = AdvancePlot(commandX, commandY);
  if (step.action == PlotAction::None) return;
  const QPoint from = Truncated(step.from);
  const QPoint to = Truncated(step.to);
  if (step.action == PlotAction::Line) {
    if (!stale_ && !image_.isNull()) {
      QPainter painter(&image_);
      painter.setPen(PathPen());
      painter.drawLine(from, to);
    }
    update(QRect(from, to).normalized().adjusted(-1, -1, 2, 2));
    return;
  }
  if (marker_) update(MarkerRect(*marker_).adjusted(-1, -1, 1, 1));
  marker_ = to;
  update(MarkerRect(to).adjusted(-1, -1, 1, 1));
}

void PathPlotView::paintEvent(QPaintEvent* /*event*/) {
  if (stale_ || image_.size() != size() * devicePixelRatioF()) Rebuild();
  QPainter painter(this);
  if (image_.isNull()) return;
  painter.drawImage(QPoint(0, 0), image_);
  DrawMarker(painter);
}

void PathPlotView::resizeEvent(QResizeEvent* /*event*/) {
  stale_ = true;
  FollowProgram();
}

QImage PathPlotView::Picture() {
  if (stale_ || image_.size() != size() * devicePixelRatioF()) Rebuild();
  QImage picture = image_;
  if (!picture.isNull()) {
    QPainter painter(&picture);
    DrawMarker(painter);
  }
  return picture;
}
