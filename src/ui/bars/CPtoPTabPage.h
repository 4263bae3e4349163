#pragma once
// The point-to-point page of the direct-motion panel: a single or
// continuous move of one to four axes at constant or high velocity.

#include "motion/RunControl.h"
#include "ui/bars/TabPage.h"

class CPtoPTabPage final : public TabPage {
  Q_OBJECT

 public:
  explicit CPtoPTabPage(QWidget* parent);

  // Shows PtoPRunRecord again, dropping what was typed since.
  void ShowRecord();
  // Takes the axis lists and every field into the page's values. At a field
  // that is not a number the operator is prompted and false is returned
  // with the values as they were: nothing typed is taken.
  bool TakeValues();
  const PtoPTabValues& Values() const { return values_; }

 private:
  void ApplyLanguageTexts();
  void UpdateEnables();
  void ShowValues();

  PtoPTabValues values_;
};
