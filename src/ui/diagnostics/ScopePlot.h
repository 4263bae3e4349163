#pragma once
// The scope's plot: three panes over one time axis (position, following
// error, speed), four traces an axis, drawn by QCustomPlot. The panes sit
// side by side while the plot is low (docked at the bottom of the window)
// and one above the other when it is tall (floating).
//
// The operator zooms the time with the wheel, and time and one pane's
// values by dragging a rectangle in it; a click places the cursor, a right
// click takes it away.

#include <QImage>
#include <QWidget>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "motion/Recording.h"

class QCPAxisRect;
class QCPGraph;
class QCPItemStraightLine;
class QCPItemText;
class QCPMarginGroup;
class QCustomPlot;
class QMouseEvent;
class QRubberBand;
class QWheelEvent;

class ScopePlot final : public QWidget {
  Q_OBJECT

 public:
  enum Pane { kPositionPane, kErrorPane, kSpeedPane, kPaneCount };
  enum Trace { kCommand, kFeedback, kFollowingError, kSpeed, kTraceCount };

  explicit ScopePlot(QWidget* parent);
  ~ScopePlot() override;
  ScopePlot(const ScopePlot&) = delete;
  ScopePlot& operator=(const ScopePlot&) = delete;

  // The axes (bit axis - 1) whose traces show; the others are emptied.
  void SetAxes(unsigned axes);
  // The points a trace holds at most (a window's ticks).
  void SetCapacity(std::size_t points);
  // Adds the samples' values (ticks after those already held).
  void Append(const std::vector<TickSample>& samples);
  // Forgets every point, or those before `seconds`.
  void Clear();
  void TrimBefore(double seconds);

  void SetTimeRange(double from, double to);
  std::pair<double, double> TimeRange() const;
  std::pair<double, double> ValueRange(Pane pane) const;
  // Fits each pane's values to what it shows in its time range.
  void FitValues();
  void Redraw();

  // The cursor's time, or none.
  void SetCursor(std::optional<double> seconds);
  std::optional<double> Cursor() const { return cursor_; }
  // The value a trace has at the point nearest `seconds` (within a tick);
  // none when it has no point there or the point is a gap.
  std::optional<double> ValueAt(int axis, Trace trace, double seconds) const;
  std::size_t PointCount(int axis, Trace trace) const;

  // The pane's caption and, below it, its readout lines.
  void SetPaneText(Pane pane, const QString& text);
  QString PaneText(Pane pane) const;

  // The plot as the operator sees it, at the screen's scale.
  QImage Picture();

  // Where a time and a value of a pane lie on the canvas (the child named
  // "scopeCanvas", which takes the mouse), for tests that work the plot.
  QPoint PointOf(Pane pane, double seconds, double value) const;

 signals:
  // The operator zoomed: the time only (wheel), or also the values of a
  // pane (a dragged rectangle).
  void Zoomed(bool values);
  // The operator placed (seconds) or took away (none) the cursor.
  void CursorMoved(std::optional<double> seconds);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QCPGraph* Graph(int axis, Trace trace) const;
  QCPAxisRect* RectAt(const QPoint& position) const;
  void Arrange(bool stacked);
  void OnPress(QMouseEvent* event);
  void OnMove(QMouseEvent* event);
  void OnRelease(QMouseEvent* event);
  void OnWheel(QWheelEvent* event);

  QCustomPlot* plot_;
  std::array<QCPAxisRect*, kPaneCount> panes_{};
  QCPMarginGroup* margins_ = nullptr;
  std::array<QCPItemText*, kPaneCount> texts_{};
  std::array<QCPItemStraightLine*, kPaneCount> cursorLines_{};
  std::array<std::array<QCPGraph*, kTraceCount>, kPolledAxes> graphs_{};
  unsigned axes_ = 0;
  std::size_t capacity_ = 0;
  std::array<std::array<std::size_t, kTraceCount>, kPolledAxes> trimmed_{};
  std::optional<double> cursor_;
  bool stacked_ = false;
  QRubberBand* band_;
  QCPAxisRect* dragPane_ = nullptr;
  QPoint dragStart_;
};
