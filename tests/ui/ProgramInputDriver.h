#pragma once
// Works the program input dialog as an operator does: the main frame's
// Add, Insert or Modify (or the listing's double click) opens it; the steps
// run inside the dialog's own event loop, so the boxes they raise are
// answered by the script; then the page's Exit closes it.

#include <QComboBox>
#include <QStackedWidget>
#include <functional>

#include "UiTest.h"
#include "program/CommandPages.h"
#include "ui/dialogs/CProgramInputDlg.h"
#include "ui/dialogs/ProgramPage.h"

namespace uitest {

constexpr int kAdd = 32777;
constexpr int kInsert = 32778;
constexpr int kModify = 32775;

constexpr int kCommandList = 1044;
constexpr int kDelay = 1088;
constexpr int kLoop = 1089;
constexpr int kStore = 1090;
constexpr int kExit = 1102;

// The page the dialog shows.
inline ProgramPage* ShownPage(CProgramInputDlg* dialog) {
  return qobject_cast<ProgramPage*>(Control<QStackedWidget>(dialog, 1040)->currentWidget());
}

// Chooses `code` in the command list; false when the list lacks it.
inline bool Choose(CProgramInputDlg* dialog, std::int32_t code) {
  auto* list = Control<QComboBox>(dialog, kCommandList);
  const auto codes = CommandListForModel(SysParams.Ctrler);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] == code) {
      list->setCurrentIndex(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

// Types `text` into field `id` of the shown page, as the keyboard does:
// a disabled field takes nothing.
inline void Type(CProgramInputDlg* dialog, int id, const QString& text) {
  auto* field = Control<QLineEdit>(ShownPage(dialog), id);
  if (!field->isEnabled()) return;
  field->selectAll();
  field->del();
  QTest::keyClicks(field, text);
}

// Picks entry `entry` of list `id` of the shown page.
inline void Pick(CProgramInputDlg* dialog, int id, int entry) {
  auto* list = Control<QComboBox>(ShownPage(dialog), id);
  if (list->isEnabled()) list->setCurrentIndex(entry);
}

inline QString FieldText(CProgramInputDlg* dialog, int id) { return Control<QLineEdit>(ShownPage(dialog), id)->text(); }

inline void Store(CProgramInputDlg* dialog) { Click(ShownPage(dialog), kStore); }

// Opens the dialog by `open` (a frame command or a double click), runs
// `steps` in it and presses Exit. False when no program input dialog
// opened.
inline bool WorkDialog(DialogScript& script, const std::function<void()>& open,
                       const std::function<void(CProgramInputDlg*)>& steps) {
  bool worked = false;
  script.Handle([&](QDialog* dialog) {
    auto* input = qobject_cast<CProgramInputDlg*>(dialog);
    if (input == nullptr) {
      dialog->reject();
      return;
    }
    QTimer::singleShot(0, input, [&, input] {
      steps(input);
      worked = true;
      Click(ShownPage(input), kExit);
    });
  });
  open();
  return worked;
}

inline bool WorkDialog(DialogScript& script, CMainFrame& frame, int command,
                       const std::function<void(CProgramInputDlg*)>& steps) {
  return WorkDialog(
      script, [&] { frame.RunCommand(command); }, steps);
}

// Rows of the listing, top first.
inline QStringList ListingRows(Bench& bench) {
  QStringList rows;
  ProgramListModel* model = bench.Port().Listing();
  for (int r = 0; r < model->Count(); ++r) rows << model->Row(r);
  return rows;
}

}  // namespace uitest
