#pragma once
// The scope: a dock that plots what the status tick recorded for the chosen
// axes (command and feedback position, following error, speed) over a
// window of 10, 30, 60 or 300 s. While shown and not paused it takes the new
// ticks from the recording ten times a second; hidden or paused it takes
// nothing and the recording goes on, so showing or resuming it draws the
// window again from what the recording holds. Its visibility and choices
// are kept in the settings store (Scope/...).

#include <QDockWidget>
#include <array>
#include <optional>
#include <vector>

#include "motion/Recording.h"
#include "motion/Scope.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QTimer;
class ScopePlot;

class ScopeDock final : public QDockWidget {
  Q_OBJECT

 public:
  explicit ScopeDock(QWidget* parent);
  ~ScopeDock() override;
  ScopeDock(const ScopeDock&) = delete;
  ScopeDock& operator=(const ScopeDock&) = delete;

  ScopePlot* Plot() const { return plot_; }

  // The 100 ms refresh: the new ticks into the plot, the window moved on
  // and the readout. Nothing while hidden or paused.
  void Refresh();
  bool Paused() const;
  // The last tick the plot shows; 0 before any.
  std::uint64_t LastTick() const { return lastTick_; }

  // What was stored for the dock: shown or hidden (hidden at the first
  // start).
  static bool StoredVisible();
  // Shows or hides the dock at the operator's word, and keeps that.
  void SetShown(bool shown);

  // The export button: the program's file dialog, then ExportTo.
  void Export();
  // Writes the window shown as a trace (.csv) or the plot as a picture
  // (.png); anything else, or a file that cannot be written, gets a box and
  // changes nothing. False then.
  bool ExportTo(const QString& path);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ApplyLanguageTexts();
  void TakeChoices();
  void StoreChoices() const;
  // Draws the window that ends at tick `last` again from the recording.
  void Rebuild(std::uint64_t last);
  void ShowWindow();
  void ShowReadout();
  void OnPause(bool paused);
  int InstalledAxes() const;

  ScopePlot* plot_;
  std::array<QCheckBox*, kPolledAxes> axisBoxes_{};
  QComboBox* window_;
  QPushButton* pause_;
  QCheckBox* autoscale_;
  QTimer* timer_;
  scope::Choices choices_;
  SampleRing::Cursor cursor_;
  std::vector<TickSample> samples_;
  std::uint64_t lastTick_ = 0;
  int language_ = 0;
};
