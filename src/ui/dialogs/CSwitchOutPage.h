#pragma once
// The switch-output page of the program input dialog: card, output port,
// level and a delay.

#include "ui/dialogs/ProgramPage.h"

class CSwitchOutPage final : public ProgramPage {
  Q_OBJECT

 public:
  explicit CSwitchOutPage(QWidget* parent);

 private:
  void OnOpen(bool modify) override;
  void OnStore() override;

  int cardEntry_ = 0;
  int portEntry_ = 0;  // the first port, so no command goes to port 0
  int levelEntry_ = 0;
  double delay_ = 0.0;
};
