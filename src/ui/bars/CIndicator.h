#pragma once
// An LED: an owner-drawn button showing one of three bitmaps by its state
// (0, 1, 2), with its caption centred over it. State 2 also disables it.

#include <QAbstractButton>
#include <array>

class CIndicator final : public QAbstractButton {
  Q_OBJECT

 public:
  explicit CIndicator(QWidget* parent);

  // Replaces the three bitmaps by resource number (0 leaves that state
  // without one); 0 as soon as one cannot be loaded, else 1.
  int LoadBitmaps(int state0, int state1, int state2);

  // Stores `state` and returns the previous check state. 0 and 1 enable the
  // LED and set its pushed look (1 pushed); 2 disables it; any other value
  // is only stored.
  int SetState(int state);
  int State() const { return state_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::array<int, 3> bitmaps_{};
  int state_ = 0;
};
