#pragma once
// Point to Point Setting, opened from the control panel: the start-up and
// maximum speeds, acceleration and step distance of the jog buttons for
// each card's four axes.

#include "settings/CardSettings.h"
#include "ui/dialogs/CardSettingDialog.h"

class CPtoPSettingDlg final : public CardSettingDialog {
  Q_OBJECT

 public:
  explicit CPtoPSettingDlg(QWidget* parent = nullptr);

 private:
  void LoadCard(int card) override;
  bool TakeFields() override;
  void SaveCard(int card) override;

  JogCardValues values_;
};
