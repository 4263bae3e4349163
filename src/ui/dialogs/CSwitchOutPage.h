#pragma once
// The switch-output page of the program input dialog: card, output port,
// level and a delay.

#include "program/CommandPages.h"
#include "ui/dialogs/ProgramPage.h"

class CSwitchOutPage final : public ProgramPage {
  Q_OBJECT

 public:
  explicit CSwitchOutPage(QWidget* parent);

 private:
  void OnOpen(bool modify) override;
  void OnStore() override;

  SwitchOutputValues values_;
};
