#pragma once
// The live path plot of the live status bar (control 1177). The path of a
// program run's first pass is drawn into a backing image as it is
// travelled; later passes move an inverted marker along it. The marker is
// drawn over the image when painting, so a repaint never leaves a stray
// one. A repaint request replays the segment list. Under it, in a quiet
// colour, the planned path of the program, which follows the program while
// no run is active.

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <optional>

#include "motion/PlotGeometry.h"

class PathPlotView final : public QWidget {
  Q_OBJECT

 public:
  explicit PathPlotView(QWidget* parent);

  // The plot frame in the live status bar's pixels, as the run fits it.
  PlotRect Frame() const;

  // One step of the 100 ms timer with the current command positions of
  // axes 1 and 2 (pulses).
  void Advance(double commandX, double commandY);

  // Invalidate with erasing: background, planned and recorded path again,
  // no marker.
  void Replay();

  // While no program runs: the planned path follows the program, the
  // frame, the axes' units and where they stand; drawn again when it
  // changed, or when a plan computed off this thread is ready.
  void FollowProgram();

  // What is shown now, marker included (for tests and pictures).
  QImage Picture();

  static QColor Background() { return {200, 200, 180}; }
  static QColor PathColour() { return {0, 0, 255}; }
  static QColor PlanColour() { return {150, 150, 140}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Rebuild();
  void DrawMarker(QPainter& painter) const;
  QRect MarkerRect(QPoint centre) const;

  QImage image_;
  bool stale_ = true;
  std::optional<QPoint> marker_;
};
