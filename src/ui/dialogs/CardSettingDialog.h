#pragma once
// What the four setting dialogs (Equipment, Other, Home and Point to Point
// Setting) share: they edit the parameters of one card at a time, chosen in
// a "Card No." list; the four axis columns and the Save button are
// captioned by card; a card change loads the card (LoadCard); Save takes the
// fields, asks the save question and hands the card to the engine's save.

#include <QDialog>
#include <array>
#include <span>

#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

class QComboBox;

class CardSettingDialog : public QDialog {
  Q_OBJECT

 public:
  // The controls of one row, columns 1-4.
  using Ids = std::array<int, 4>;

  // The card list's entry: 0 the first card, 1 the second, -1 none.
  int Card() const;

 protected:
  struct Frame {
    const char* className;
    std::span<const ui::Item> layout;
    std::span<const ui::Text> texts;  // the window's own, set 0
    int cardList;                     // the "Card No." list
    bool axisColumns;                 // column captions 1045, 1056, 1058, 1059
  };
  CardSettingDialog(const Frame& frame, QWidget* parent);

  // Ends the window's set-up: its texts, the card list with the first card
  // selected, and the card change for it. Called last by each constructor.
  void Open();

  virtual void ApplyLanguageTexts();
  // Loads `card` (-1 for none) into the window's values and shows them.
  virtual void LoadCard(int card) = 0;
  // Takes the fields into the window's values; false after the prompt of a
  // field that is not a number (focus on it).
  virtual bool TakeFields() = 0;
  // The engine's save of `card` with the window's values.
  virtual void SaveCard(int card) = 0;

  // Closes with OK once the fields are taken: Next, Up, Exit.
  void TakeAndClose();

  // Numbers and list entries of rows of four columns.
  void ShowNumbers(const Ids& fields, const std::array<double, 4>& values);
  bool TakeNumbers(const Ids& fields, std::array<double, 4>& values);
  void ShowEntries(const Ids& lists, const std::array<int, 4>& entries);
  void TakeEntries(const Ids& lists, std::array<int, 4>& entries);
  void ShowEntry(int list, int entry);
  int TakenEntry(int list);
  bool TakeNumber(int field, double& value);
  void ShowNumber(int field, double value);
  void Enable(const Ids& controls, bool enabled);
  void Enable(int control, bool enabled);

 private:
  void OnCardChange(int card);
  void OnSave();

  Frame frame_;
  QComboBox* cardList_ = nullptr;
};
