#pragma once
// The linear-interpolation page of the program input dialog: four axis
// boxes with an axis and a distance each, and one vector speed; makes the
// six linear-interpolation commands, single or as a back-and-forth
// repetition.

#include "program/CommandPages.h"
#include "ui/dialogs/ProgramPage.h"

class CLinearPage final : public ProgramPage {
  Q_OBJECT

 public:
  explicit CLinearPage(QWidget* parent);

  // Enables the fields the code uses.
  void ShowCode(std::int32_t code) override;

 private:
  void OnOpen(bool modify) override;
  void OnStore() override;
  void ShowValues();
  bool TakeValues();

  LinearCommandValues values_;
};
