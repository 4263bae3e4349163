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
  // Takes the fields in their order; at a field that is not a number the
  // operator is prompted, and it and the fields after it keep their values.
  void TakeValues();
  const CircularTabValues& Values() const { return values_; }

 private:
  void ApplyLanguageTexts();
  void UpdateEnables();
  void ShowValues();

  CircularTabValues values_;
};
