#pragma once
// Other Setting, the second step of the set-up wizard: signal logic
// levels, pulse output mode and home mode of each card (one value for the
// card's four axes). Save stores them; Next writes them to the cards and
// ends the wizard; Up goes back to Equipment Setting.

#include "settings/CardSettings.h"
#include "ui/dialogs/CardSettingDialog.h"

class COtherSettingDlg final : public CardSettingDialog {
  Q_OBJECT

 public:
  explicit COtherSettingDlg(QWidget* parent = nullptr);

  // True when the dialog ended by Up (back to Equipment Setting).
  bool WentUp() const { return wentUp_; }

 private:
  void ApplyLanguageTexts() override;
  void LoadCard(int card) override;
  bool TakeFields() override;
  void SaveCard(int card) override;
  void OnNext();
  void OnUp();

  OtherCardValues values_;
  bool wentUp_ = false;
};
