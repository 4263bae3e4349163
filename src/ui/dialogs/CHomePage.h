#pragma once
// The home page of the program input dialog: the axis to home and a delay.
// The homing direction and speeds are the axis's settings when the command
// is made.

#include "program/CommandPages.h"
#include "ui/dialogs/ProgramPage.h"

class CHomePage final : public ProgramPage {
  Q_OBJECT

 public:
  explicit CHomePage(QWidget* parent);

 private:
  void OnOpen(bool modify) override;
  void OnStore() override;

  HomeCommandValues values_;
};
