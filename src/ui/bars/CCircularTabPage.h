#pragma once
// The circular-interpolation page of the direct-motion panel (ORVC only):
// an arc or an elliptical arc of two axes about a centre.

#include "motion/RunControl.h"
#include "ui/bars/TabPage.h"

class CCircularTabPage final : public TabPage {
  Q_OBJECT

 public:
  explicit CCircularTabPage(QWidget* parent);

  // Shows CircularRunRecord again, dropping what was typed since.
  void ShowRecord();
  // Takes the axis lists and every field into the page's values. At a field
  // that is not a number the operator is prompted and false is returned
  // with the values as they were: nothing typed is taken.
  bool TakeValues();
  const CircularTabValues& Values() const { return values_; }

 private:
  void ApplyLanguageTexts();
  void UpdateEnables();
  void ShowValues();

  CircularTabValues values_;
};
