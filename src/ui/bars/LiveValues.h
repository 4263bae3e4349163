#pragma once
// The live speed, command position and feedback of the shown card's four
// axes, with their axis names and unit captions: the same controls in the
// live status bar and in the direct-motion panel.

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class QLabel;
class QLineEdit;

class LiveValues final : public QWidget {
  Q_OBJECT

 public:
  explicit LiveValues(QWidget* parent);
  ~LiveValues() override;
  LiveValues(const LiveValues&) = delete;
  LiveValues& operator=(const LiveValues&) = delete;

  // The values of ShownCard's axes in their operator units ("%.2f"); a
  // feedback of 0 counts shows 0.00 whatever the unit. Any card other than
  // 1 or 2 shows nothing.
  void Refresh();

  // Axis names and unit captions of `card` (1 or 2; any other changes
  // nothing).
  void ShowUnitLabels(int card);

 private:
  void FitUnitCaptions();
  void Show(QLineEdit* field, std::optional<std::uint64_t>& shown, double units);

  std::array<QLineEdit*, 4> speed_{};
  std::array<QLineEdit*, 4> position_{};
  std::array<QLineEdit*, 4> feedback_{};
  std::array<QLabel*, 4> name_{};
  std::array<QLabel*, 4> speedUnit_{};
  std::array<QLabel*, 4> positionUnit_{};
  std::array<QLabel*, 4> feedbackUnit_{};
  // The values the fields show: speeds, positions, feedback.
  std::array<std::optional<std::uint64_t>, 12> shown_{};
};

// Writes the axis names and unit captions of `card` into both panels that
// show live values.
void SetUnitLabels(int card);
