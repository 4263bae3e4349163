#pragma once
// The program input dialog: a command list and, for the chosen command, one
// of four pages that fills EditCommand and stores it by EditMode. It stays
// open after a store, so several commands go in one after another, until
// the page's Exit. The pages keep their values from one opening to the
// next.

#include <QDialog>
#include <array>
#include <cstdint>

class CHomePage;
class CLinearPage;
class CPtoPPage;
class CSwitchOutPage;
class ProgramPage;
class QComboBox;
class QStackedWidget;

class CProgramInputDlg final : public QDialog {
  Q_OBJECT

 public:
  explicit CProgramInputDlg(QWidget* parent);

  // Opens modally for EditMode. In modify mode the selected entry is
  // loaded into every page; without a selected row message 2 is shown and
  // the dialog does not open (Rejected).
  int Open();

  // The code of the command list's entry.
  std::int32_t DialogCodeType() const { return dialogCodeType_; }

 private:
  std::array<ProgramPage*, 4> Pages() const;
  void ApplyLanguageTexts();
  // Shows the page of command list entry `entry`.
  void OnCommandSelect(int entry);

  QComboBox* commands_;
  QStackedWidget* pages_;
  CPtoPPage* ptop_;
  CLinearPage* linear_;
  CHomePage* home_;
  CSwitchOutPage* switchOut_;
  std::int32_t dialogCodeType_ = 0;
};
