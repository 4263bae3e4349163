#pragma once
// The direct-motion panel: a tab widget for the single-move pages above the
// live values of the shown card and the logo. Setting it up starts the 5 ms
// status timer, so polling begins when the main window is made.

#include <QWidget>

class LiveValues;
class QLabel;
class QTabWidget;

class CDlgBar_2 final : public QWidget {
  Q_OBJECT

 public:
  explicit CDlgBar_2(QWidget* parent);

  QTabWidget* Tabs() const { return tabs_; }

  // The 100 ms refresh of the live values.
  void OnTimer();

 private:
  void ApplyLanguageTexts();

  QTabWidget* tabs_;
  LiveValues* live_;
  QLabel* logo_;
};
