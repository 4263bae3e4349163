#pragma once
// The direct-motion panel: a tab widget with the point-to-point, linear and
// (ORVC) circular pages above the live values of the shown card and the
// logo. Setting it up starts the 5 ms status timer, so polling begins when
// the main window is made.

#include <QWidget>

class CCircularTabPage;
class CLinearTabPage;
class CPtoPTabPage;
class LiveValues;
class QLabel;
class QTabWidget;
struct StartRequest;

class CDlgBar_2 final : public QWidget {
  Q_OBJECT

 public:
  explicit CDlgBar_2(QWidget* parent);

  QTabWidget* Tabs() const { return tabs_; }
  CPtoPTabPage* PtoPPage() const { return ptop_; }
  CLinearTabPage* LinearPage() const { return linear_; }
  CCircularTabPage* CircularPage() const { return circular_; }

  // Start's exchange: the values of the page `panel` names (ActivePanel 1,
  // 2 or 3) into `request`; any other panel takes nothing. False after the
  // prompt for a field that is not a number: then nothing is taken.
  bool TakePageValues(int panel, StartRequest& request);

  // The 100 ms refresh of the live values.
  void OnTimer();

 protected:
  // Enter never leaves the panel.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ApplyLanguageTexts();
  void OnTabChange(int index);

  QTabWidget* tabs_;
  LiveValues* live_;
  QLabel* logo_;
  CPtoPTabPage* ptop_;
  CLinearTabPage* linear_;
  CCircularTabPage* circular_;
};
