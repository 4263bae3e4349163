#pragma once
// What the four command pages of the program input dialog share: Delay
// Time, Loop, the store button whose text follows EditMode, and Exit. A page
// keeps the values it holds between openings of its dialog; each opening
// refreshes the store button and Loop for EditMode and, in modify mode,
// loads the entry the dialog copied into EditCommand.

#include <QWidget>
#include <cstdint>
#include <span>

#include "ui/common/Layout.h"

class QComboBox;
class QLineEdit;

class ProgramPage : public QWidget {
  Q_OBJECT

 public:
  // Before the dialog shows.
  void Open();
  // The command the dialog's list shows (its DialogCodeType).
  virtual void ShowCode(std::int32_t code) { code_ = code; }

 signals:
  // The page's Exit button.
  void ExitRequested();

 protected:
  // Builds `layout`, and under it the row of Delay Time, Loop, the store
  // button and Exit, which Tab visits last. `repeats`: the page offers Loop
  // in add and insert mode.
  ProgramPage(const char* className, bool repeats, std::span<const ui::Item> layout, QWidget* parent);

  // The page's lists, fields and, in modify mode, the entry in EditCommand;
  // for Add and Insert the lists show their creation defaults.
  virtual void OnOpen(bool modify) = 0;
  // The store button: read the fields, store by EditMode. A field that is
  // not a number stores nothing.
  virtual void OnStore() = 0;

  std::int32_t Code() const { return code_; }
  QLineEdit* DelayField() const { return delay_; }
  QLineEdit* LoopField() const { return loop_; }

  // Reads a number from field `id` into `value`: true, or false after the
  // prompt with `value` kept. A disabled field is not read (true).
  bool Take(int id, double& value);
  // Reads Loop while it is enabled.
  bool TakeLoop(std::int32_t& loop);
  void Show(int id, double value);

  // The language of the page's lists: Chinese, or English for any other
  // setting, so a list is never empty.
  static int ListLanguage();
  // Selects `entry` of `list`; an entry the list lacks selects nothing.
  static void Select(QComboBox* list, int entry);

 private:
  bool repeats_;
  std::int32_t code_ = 0;
  QLineEdit* delay_;
  QLineEdit* loop_;
};
