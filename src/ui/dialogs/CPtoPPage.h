#pragma once
// The point-to-point page of the program input dialog: four axis boxes
// with an axis, a distance and three speeds each; makes the eight
// point-to-point commands, single or as a back-and-forth repetition.

#include "program/CommandPages.h"
#include "ui/dialogs/ProgramPage.h"

class CPtoPPage final : public ProgramPage {
  Q_OBJECT

 public:
  explicit CPtoPPage(QWidget* parent);

  // Enables the fields the code uses.
  void ShowCode(std::int32_t code) override;

 private:
  void OnOpen(bool modify) override;
  void OnStore() override;
  void ShowValues();
  bool TakeValues();

  PtoPCommandValues values_;
};
