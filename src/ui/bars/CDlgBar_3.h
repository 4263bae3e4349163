#pragma once
// The I/O monitor panel: for the card chosen in its list, the specific
// inputs of the card's four axes, its general inputs and outputs, and the
// switches of the origin, limit, slow-down and alarm functions. The LEDs
// are read from the card ten times a second.

#include <QWidget>
#include <array>

#include "motion/IoMonitor.h"

class CIndicator;
class QComboBox;
class QPushButton;

class CDlgBar_3 final : public QWidget {
  Q_OBJECT

 public:
  explicit CDlgBar_3(QWidget* parent);

  // The 100 ms refresh: general inputs, then the specific inputs.
  void OnTimer();

 private:
  void ApplyLanguageTexts();
  void OnCardChange(int selection);
  void OnOutput(int output);
  void ShowOutputLevel(int output, int level);
  int Card() const;
  // Calls f(led, state) for each LED with its entry in `states`.
  template <typename F>
  void ForEachLed(IoInputStates& states, F f);

  QComboBox* card_;
  std::array<CIndicator*, kGeneralInputs> general_{};
  CIndicator* alarm_ = nullptr;
  std::array<CIndicator*, 4> limitPlus_{};
  std::array<CIndicator*, 4> limitMinus_{};
  std::array<CIndicator*, 4> origin_{};
  std::array<CIndicator*, 4> slowdown_{};
  std::array<QPushButton*, kGeneralOutputs> outputs_{};
};
