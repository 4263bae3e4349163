#pragma once
// The Card Type dialog of start-up: the interface language and the card
// model. Finished brings the cards up as they are set; Next saves the
// choice, initialises the cards and leads through the set-up wizard.

#include <QDialog>
#include <functional>

class QComboBox;

class CCardTypeDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CCardTypeDlg(QWidget* parent = nullptr);

  // What Next runs after the cards are initialised: the set-up wizard.
  std::function<void()> runWizard;

 private:
  void ApplyLanguageTexts();
  void OnLanguageChange(int index);
  void ReadController();
  void OnFinished();
  void OnNext();

  QComboBox* language_;
  QComboBox* controller_;
};
