#pragma once
// The live status bar: the program listing, the current row, the number of
// rows and the loop count of the next run, the live path plot of axes 1 and
// 2, the live values of the shown card and the logo. Painting it makes the
// program what Start runs.

#include <QWidget>

#include "motion/PlotGeometry.h"

class CProgramListBox;
class LiveValues;
class PathPlotView;
class QLabel;
class QLineEdit;
class QtOperatorPort;

class CDlgBar_1 final : public QWidget {
  Q_OBJECT

 public:
  CDlgBar_1(QtOperatorPort& port, QWidget* parent);

  CProgramListBox* Listing() const { return listing_; }
  PlotRect PlotFrame() const;

  // Takes the loop count field for a program run: an integer from 0 to
  // 100000000, else a prompt and false.
  bool TakeLoopCount(int& loops);

  // The 100 ms refresh: row and total fields, planned and live path plot,
  // live values.
  void OnTimer();

  // Invalidate with erasing: the plot is drawn again from its segments.
  void Repaint();

  // The plot's planned path follows the program (while no run is active).
  void FollowProgram();

  // The listing's Run From Here: a program run from the selected row, with
  // the loop field taken as Start takes it.
  void RunFromHere();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void ApplyLanguageTexts();

  QtOperatorPort& port_;
  CProgramListBox* listing_;
  PathPlotView* plot_;
  LiveValues* live_;
  QLineEdit* row_;
  QLineEdit* total_;
  QLineEdit* loop_;
  QLabel* logo_;
  int loopCount_ = 1;
};
