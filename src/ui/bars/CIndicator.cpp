#include "ui/bars/CIndicator.h"

#include <QPainter>

#include "ui/common/Artwork.h"

CIndicator::CIndicator(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);  // an LED is watched, not operated
}

int CIndicator::LoadBitmaps(int state0, int state1, int state2) {
  bitmaps_.fill(0);
  const std::array<int, 3> wanted{state0, state1, state2};
  for (std::size_t s = 0; s < wanted.size(); ++s) {
    if (wanted[s] == 0) continue;
    if (!ui::HasBitmap(wanted[s])) return 0;
    bitmaps_[s] = wanted[s];
  }
  update();
  return 1;
}

int CIndicator::SetState(int state) {
  const int previous = isChecked() ? 1 : 0;
  state_ = state;
  if (state == 0 || state == 1) {
    setEnabled(true);
    setDown(state != 0);
  } else if (state == 2) {
    setEnabled(false);
  }
  update();
  return previous;
}

QSize CIndicator::sizeHint() const { return {27, 23}; }

void CIndicator::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QRect item = rect();
  if (state_ >= 0 && state_ <= 2) {
    const int bitmap = bitmaps_[static_cast<std::size_t>(state_)];
    if (bitmap != 0) painter.drawPixmap(item.topLeft(), ui::BitmapPixmap(bitmap, item.size(), devicePixelRatioF()));
  }
  if (text().isEmpty()) return;
  const QPalette& colours = palette();
  if (state_ == 2) {
    painter.setPen(colours.color(QPalette::Light));
    painter.drawText(item.translated(1, 1), Qt::AlignCenter, text());
    painter.setPen(colours.color(QPalette::Dark));
  } else {
    painter.setPen(colours.color(QPalette::WindowText));
  }
  painter.drawText(item, Qt::AlignCenter, text());
}
