#pragma once
// Home Setting, opened from the control panel: homing direction, speeds,
// acceleration and compensation of each card's four axes.

#include "settings/CardSettings.h"
#include "ui/dialogs/CardSettingDialog.h"

class CHomeSettingDlg final : public CardSettingDialog {
  Q_OBJECT

 public:
  explicit CHomeSettingDlg(QWidget* parent = nullptr);

 private:
  void LoadCard(int card) override;
  bool TakeFields() override;
  void SaveCard(int card) override;

  HomeCardValues values_;
};
