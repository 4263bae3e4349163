#pragma once
// Equipment Setting, the first step of the set-up wizard: stage type,
// units, motor and screw data, encoder data and tolerances of each card's
// axes, the check time and real-time compensation. Save stores the shown
// card; Next computes the conversion factors and goes on to Other Setting.

#include "settings/CardSettings.h"
#include "ui/dialogs/CardSettingDialog.h"

class CEquipmentSettingDlg final : public CardSettingDialog {
  Q_OBJECT

 public:
  explicit CEquipmentSettingDlg(QWidget* parent = nullptr);

 private:
  void LoadCard(int card) override;
  bool TakeFields() override;
  void SaveCard(int card) override;
  void OnNext();
  void FollowEquipmentMode(int column);

  EquipmentCardValues values_;
};
