#pragma once
// The I/O monitor panel: the card's specific and general inputs, its
// outputs and the signal functions.

#include <QWidget>

class CDlgBar_3 final : public QWidget {
  Q_OBJECT

 public:
  explicit CDlgBar_3(QWidget* parent);
};
