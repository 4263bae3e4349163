#include "ui/diagnostics/ScopePlot.h"

#include <qcustomplot.h>

#include <QRubberBand>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "motion/Scope.h"

namespace {

// Below this height the panes sit side by side.
constexpr int kStackedHeight = 330;
// A press and release closer than this is a click, not a drag.
constexpr int kDragPixels = 5;
constexpr double kWheelStep = 0.85;  // the time span shown after one wheel step

const QColor kAxisColours[kPolledAxes] = {QColor(0x1f, 0x5f, 0xd0), QColor(0xd0, 0x40, 0x20), QColor(0x2a, 0x9d, 0x3c),
                                          QColor(0x8e, 0x44, 0xad), QColor(0xe0, 0x8a, 0x1e), QColor(0x16, 0xa0, 0xa0),
                                          QColor(0x80, 0x5a, 0x2c), QColor(0xc0, 0x30, 0x80)};

// Which pane a trace is drawn in.
ScopePlot::Pane PaneOf(ScopePlot::Trace trace) {
  switch (trace) {
    case ScopePlot::kFollowingError:
      return ScopePlot::kErrorPane;
    case ScopePlot::kSpeed:
      return ScopePlot::kSpeedPane;
    default:
      return ScopePlot::kPositionPane;
  }
}

QCPAxis* TimeAxis(QCPAxisRect* rect) { return rect->axis(QCPAxis::atBottom); }
QCPAxis* ValueAxis(QCPAxisRect* rect) { return rect->axis(QCPAxis::atLeft); }

double TraceValue(const scope::Values& values, ScopePlot::Trace trace) {
  switch (trace) {
    case ScopePlot::kCommand:
      return values.command;
    case ScopePlot::kFeedback:
      return values.feedback;
    case ScopePlot::kFollowingError:
      return values.error;
    default:
      return values.speed;
  }
}

}  // namespace

ScopePlot::ScopePlot(QWidget* parent) : QWidget(parent), plot_(new QCustomPlot(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(plot_);
  plot_->setObjectName(QStringLiteral("scopeCanvas"));
  plot_->plotLayout()->clear();
  plot_->plotLayout()->setRowSpacing(0);
  plot_->plotLayout()->setColumnSpacing(0);
  QFont small = font();
  small.setPointSizeF(std::max(6.0, font().pointSizeF() - 1.5));

  for (int p = 0; p < kPaneCount; ++p) {
    auto* rect = new QCPAxisRect(plot_);
    rect->setMinimumMargins(QMargins(0, 2, 0, 0));
    for (QCPAxis* axis : {TimeAxis(rect), ValueAxis(rect)}) {
      axis->setTickLabelFont(small);
      axis->setTickLabelPadding(2);
      axis->setPadding(0);
    }
    TimeAxis(rect)->setRange(0, scope::kDefaultWindowSeconds);
    panes_[static_cast<std::size_t>(p)] = rect;
    plot_->plotLayout()->addElement(0, p, rect);

    auto* text = new QCPItemText(plot_);
    text->position->setType(QCPItemPosition::ptAxisRectRatio);
    text->position->setAxisRect(rect);
    text->position->setCoords(0.01, 0.02);
    text->setPositionAlignment(Qt::AlignTop | Qt::AlignLeft);
    text->setTextAlignment(Qt::AlignLeft);
    text->setFont(small);
    text->setBrush(QColor(255, 255, 255, 210));
    text->setPadding(QMargins(2, 0, 2, 0));
    text->setClipAxisRect(rect);
    texts_[static_cast<std::size_t>(p)] = text;

    auto* line = new QCPItemStraightLine(plot_);
    for (QCPItemPosition* point : {line->point1, line->point2}) point->setAxes(TimeAxis(rect), ValueAxis(rect));
    line->setClipAxisRect(rect);
    line->setPen(QPen(QColor(0x40, 0x40, 0x40), 1, Qt::DashDotLine));
    line->setVisible(false);
    cursorLines_[static_cast<std::size_t>(p)] = line;
  }
  margins_ = new QCPMarginGroup(plot_);
  Arrange(false);
  for (int axis = 1; axis <= kPolledAxes; ++axis) {
    const auto a = static_cast<std::size_t>(axis - 1);
    for (int t = 0; t < kTraceCount; ++t) {
      const auto trace = static_cast<Trace>(t);
      QCPAxisRect* rect = panes_[PaneOf(trace)];
      QCPGraph* graph = plot_->addGraph(TimeAxis(rect), ValueAxis(rect));
      graph->setPen(QPen(kAxisColours[a], 1, trace == kFeedback ? Qt::DashLine : Qt::SolidLine));
      graph->setVisible(false);
      graph->data()->setAutoSqueeze(false);  // TrimBefore keeps the memory
      graphs_[a][static_cast<std::size_t>(t)] = graph;
    }
  }
  band_ = new QRubberBand(QRubberBand::Rectangle, plot_);
  connect(plot_, &QCustomPlot::mousePress, this, &ScopePlot::OnPress);
  connect(plot_, &QCustomPlot::mouseMove, this, &ScopePlot::OnMove);
  connect(plot_, &QCustomPlot::mouseRelease, this, &ScopePlot::OnRelease);
  connect(plot_, &QCustomPlot::mouseWheel, this, &ScopePlot::OnWheel);
}

ScopePlot::~ScopePlot() = default;

QCPGraph* ScopePlot::Graph(int axis, Trace trace) const {
  if (axis < 1 || axis > kPolledAxes || trace < 0 || trace >= kTraceCount) return nullptr;
  return graphs_[static_cast<std::size_t>(axis - 1)][static_cast<std::size_t>(trace)];
}

void ScopePlot::SetAxes(unsigned axes) {
  axes_ = axes;
  for (int axis = 1; axis <= kPolledAxes; ++axis) {
    const bool shown = scope::Chosen(axes, axis);
    for (int t = 0; t < kTraceCount; ++t) {
      QCPGraph* graph = Graph(axis, static_cast<Trace>(t));
      graph->setVisible(shown);
      if (!shown) graph->data()->clear();
    }
  }
}

void ScopePlot::SetCapacity(std::size_t points) { capacity_ = points; }

// A trace that starts gets room for a whole window and a little more, and
// its points never move to a larger block: a full window costs the same
// memory ever after (see TrimBefore).
void ScopePlot::Append(const std::vector<TickSample>& samples) {
  if (samples.empty()) return;
  std::array<QVector<QCPGraphData>, kTraceCount> points;
  for (int axis = 1; axis <= kPolledAxes; ++axis) {
    if (!scope::Chosen(axes_, axis)) continue;
    for (auto& p : points) {
      p.clear();
      p.reserve(static_cast<qsizetype>(samples.size()));
    }
    for (const TickSample& sample : samples) {
      const double key = scope::Seconds(sample.tick);
      const scope::Values v = scope::ValuesOf(sample, axis);
      for (int t = 0; t < kTraceCount; ++t)
        points[static_cast<std::size_t>(t)].push_back(QCPGraphData(key, TraceValue(v, static_cast<Trace>(t))));
    }
    for (int t = 0; t < kTraceCount; ++t) {
      QCPDataContainer<QCPGraphData>* held = Graph(axis, static_cast<Trace>(t))->data().data();
      const QVector<QCPGraphData>& added = points[static_cast<std::size_t>(t)];
      if (held->isEmpty()) {
        QVector<QCPGraphData> block;
        block.reserve(static_cast<qsizetype>(std::max(capacity_ + capacity_ / 8 + 64, samples.size())));
        block += added;
        held->set(block, true);
      } else {
        held->add(added, true);
      }
    }
  }
}

void ScopePlot::Clear() {
  for (auto& traces : graphs_)
    for (QCPGraph* graph : traces) graph->data()->clear();
  trimmed_ = {};
}

// Points dropped at the front stay in the block until an eighth of a window
// has gathered; then the rest moves to the front of the same block.
void ScopePlot::TrimBefore(double seconds) {
  for (std::size_t a = 0; a < kPolledAxes; ++a) {
    for (std::size_t t = 0; t < kTraceCount; ++t) {
      QCPDataContainer<QCPGraphData>* held = graphs_[a][t]->data().data();
      const int before = held->size();
      held->removeBefore(seconds);
      trimmed_[a][t] += static_cast<std::size_t>(before - held->size());
      if (trimmed_[a][t] > capacity_ / 8) {
        held->squeeze(true, false);
        trimmed_[a][t] = 0;
      }
    }
  }
}

void ScopePlot::SetTimeRange(double from, double to) {
  for (QCPAxisRect* rect : panes_) TimeAxis(rect)->setRange(from, to);
}

std::pair<double, double> ScopePlot::TimeRange() const {
  const QCPRange range = TimeAxis(panes_[0])->range();
  return {range.lower, range.upper};
}

std::pair<double, double> ScopePlot::ValueRange(Pane pane) const {
  const QCPRange range = ValueAxis(panes_[pane])->range();
  return {range.lower, range.upper};
}

void ScopePlot::FitValues() {
  for (int p = 0; p < kPaneCount; ++p) {
    QCPAxisRect* rect = panes_[static_cast<std::size_t>(p)];
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    for (int axis = 1; axis <= kPolledAxes; ++axis) {
      if (!scope::Chosen(axes_, axis)) continue;
      for (int t = 0; t < kTraceCount; ++t) {
        if (PaneOf(static_cast<Trace>(t)) != p) continue;
        bool found = false;
        const QCPRange range =
            Graph(axis, static_cast<Trace>(t))->getValueRange(found, QCP::sdBoth, TimeAxis(rect)->range());
        if (!found) continue;
        low = std::min(low, range.lower);
        high = std::max(high, range.upper);
      }
    }
    const scope::Range fitted = scope::FitRange(low, high);
    ValueAxis(rect)->setRange(fitted.lower, fitted.upper);
  }
}

void ScopePlot::Redraw() { plot_->replot(); }

void ScopePlot::SetCursor(std::optional<double> seconds) {
  cursor_ = seconds;
  for (int p = 0; p < kPaneCount; ++p) {
    QCPItemStraightLine* line = cursorLines_[static_cast<std::size_t>(p)];
    line->setVisible(seconds.has_value());
    if (seconds) {
      line->point1->setCoords(*seconds, 0.0);
      line->point2->setCoords(*seconds, 1.0);
    }
  }
}

std::optional<double> ScopePlot::ValueAt(int axis, Trace trace, double seconds) const {
  const QCPGraph* graph = Graph(axis, trace);
  if (graph == nullptr || graph->data()->isEmpty() || !std::isfinite(seconds)) return std::nullopt;
  const auto points = graph->data();
  auto best = points->findBegin(seconds, true);
  const auto next = best + 1;
  if (next != points->constEnd() && std::abs(next->key - seconds) < std::abs(best->key - seconds)) best = next;
  if (std::abs(best->key - seconds) > kTickSeconds / 2 + 1e-9 || std::isnan(best->value)) return std::nullopt;
  return best->value;
}

std::size_t ScopePlot::PointCount(int axis, Trace trace) const {
  const QCPGraph* graph = Graph(axis, trace);
  return graph != nullptr ? static_cast<std::size_t>(graph->data()->size()) : 0;
}

void ScopePlot::SetPaneText(Pane pane, const QString& text) { texts_[pane]->setText(text); }
QString ScopePlot::PaneText(Pane pane) const { return texts_[pane]->text(); }

QImage ScopePlot::Picture() {
  plot_->replot();
  return plot_->grab().toImage();
}

QPoint ScopePlot::PointOf(Pane pane, double seconds, double value) const {
  QCPAxisRect* rect = panes_[pane];
  return {static_cast<int>(std::lround(TimeAxis(rect)->coordToPixel(seconds))),
          static_cast<int>(std::lround(ValueAxis(rect)->coordToPixel(value)))};
}

void ScopePlot::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const bool stacked = height() >= kStackedHeight;
  if (stacked != stacked_) Arrange(stacked);
}

// Side by side in one row, or one above the other in one column.
void ScopePlot::Arrange(bool stacked) {
  stacked_ = stacked;
  QCPLayoutGrid* grid = plot_->plotLayout();
  for (QCPAxisRect* rect : panes_) grid->take(rect);
  grid->simplify();
  // One above the other, the panes' value axes line up.
  for (int p = 0; p < kPaneCount; ++p) {
    QCPAxisRect* rect = panes_[static_cast<std::size_t>(p)];
    grid->addElement(stacked ? p : 0, stacked ? 0 : p, rect);
    rect->setMarginGroup(QCP::msLeft | QCP::msRight, stacked ? margins_ : nullptr);
    ValueAxis(rect)->ticker()->setTickCount(stacked ? 5 : 3);
  }
  plot_->replot();
}

QCPAxisRect* ScopePlot::RectAt(const QPoint& position) const {
  for (QCPAxisRect* rect : panes_) {
    if (rect->rect().contains(position)) return rect;
  }
  return nullptr;
}

void ScopePlot::OnPress(QMouseEvent* event) {
  dragPane_ = nullptr;
  if (event->button() == Qt::RightButton) {
    SetCursor(std::nullopt);
    emit CursorMoved(std::nullopt);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  dragPane_ = RectAt(event->pos());
  dragStart_ = event->pos();
  band_->setGeometry(QRect(dragStart_, QSize()));
}

void ScopePlot::OnMove(QMouseEvent* event) {
  if (dragPane_ == nullptr || (event->buttons() & Qt::LeftButton) == 0) return;
  const QRect area = QRect(dragStart_, event->pos()).normalized().intersected(dragPane_->rect());
  band_->setGeometry(area);
  band_->setVisible(area.width() >= kDragPixels || area.height() >= kDragPixels);
}

void ScopePlot::OnRelease(QMouseEvent* event) {
  QCPAxisRect* pane = dragPane_;
  dragPane_ = nullptr;
  band_->hide();
  if (pane == nullptr || event->button() != Qt::LeftButton) return;
  const QRect area = QRect(dragStart_, event->pos()).normalized().intersected(pane->rect());
  QCPAxis* time = TimeAxis(pane);
  if (area.width() < kDragPixels && area.height() < kDragPixels) {
    const double seconds = time->pixelToCoord(event->pos().x());
    SetCursor(seconds);
    emit CursorMoved(seconds);
    return;
  }
  // A rectangle zooms the time when it is wide enough, and the pane's
  // values when it is tall enough.
  if (area.width() >= kDragPixels) SetTimeRange(time->pixelToCoord(area.left()), time->pixelToCoord(area.right()));
  const bool values = area.height() >= kDragPixels;
  if (values)
    ValueAxis(pane)->setRange(ValueAxis(pane)->pixelToCoord(area.bottom()), ValueAxis(pane)->pixelToCoord(area.top()));
  emit Zoomed(values);
  Redraw();
}

void ScopePlot::OnWheel(QWheelEvent* event) {
  QCPAxisRect* pane = RectAt(event->position().toPoint());
  const double steps = event->angleDelta().y() / 120.0;
  if (pane == nullptr || steps == 0.0) return;
  const double centre = TimeAxis(pane)->pixelToCoord(event->position().x());
  const double factor = std::pow(kWheelStep, steps);
  const auto [from, to] = TimeRange();
  SetTimeRange(centre + (from - centre) * factor, centre + (to - centre) * factor);
  emit Zoomed(false);
  Redraw();
}
