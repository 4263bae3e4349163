#pragma once
// The linear-interpolation page of the direct-motion panel: two to four
// axes on one straight line at one vector speed.

#include "motion/RunControl.h"
#include "ui/bars/TabPage.h"

class CLinearTabPage final : public TabPage {
  Q_OBJECT

 public:
  explicit CLinearTabPage(QWidget* parent);

  // Shows LinearRunRecord again, dropping what was typed since.
  void ShowRecord();
  // Takes the axis lists and every field into the page's values. At a field
  // that is not a number the operator is prompted and false is returned
  // with the values as they were: nothing typed is taken.
  bool TakeValues();
  const LinearTabValues& Values() const { return values_; }

 private:
  void ApplyLanguageTexts();
  void UpdateEnables();
  void ShowValues();

  LinearTabValues values_;
};
