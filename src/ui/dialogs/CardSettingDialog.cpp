#include "ui/dialogs/CardSettingDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include "motion/EngineState.h"
#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "program/CommandPages.h"
#include "settings/SysParams.h"
#include "ui/common/Fields.h"

namespace {

using namespace ui;

constexpr int kSave = 1123;
constexpr int kColumnCaptions[] = {1045, 1056, 1058, 1059};

// Set 1 the first card's captions, set 2 the second's.
constexpr Text kCardTexts[] = {
    {kSave, "No.1 Card Save(&S)", "1号卡参数保存(&S)", 1},
    {kSave, "No.2 Card Save(&S)", "2号卡参数保存(&S)", 2},
};
constexpr Text kColumnTexts[] = {
    {1045, "X Axis", "X轴", 1}, {1056, "Y Axis", "Y轴", 1}, {1058, "Z Axis", "Z轴", 1}, {1059, "T Axis", "T轴", 1},
    {1045, "A Axis", "A轴", 2}, {1056, "B Axis", "B轴", 2}, {1058, "C Axis", "C轴", 2}, {1059, "D Axis", "D轴", 2},
};

}  // namespace

CardSettingDialog::CardSettingDialog(const Frame& frame, QWidget* parent) : QDialog(parent), frame_(frame) {
  MarkWindow(this, frame.className);
  BuildLayout(this, frame.layout);
  layout()->setSizeConstraint(QLayout::SetFixedSize);  // a fixed dialog, as its template
  cardList_ = Control<QComboBox>(this, frame.cardList);
  // Column captions stand over their column's fields.
  if (frame.axisColumns) {
    for (int id : kColumnCaptions) Control<QLabel>(this, id)->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  }
  connect(Control<QPushButton>(this, kSave), &QPushButton::clicked, this, &CardSettingDialog::OnSave);
}

void CardSettingDialog::Open() {
  ApplyLanguageTexts();
  // "No.2" only with two cards, as every card list.
  FillList(cardList_, CardListTexts(RunControl.CardCount.load(), SysParams.LangVer));
  cardList_->setCurrentIndex(cardList_->count() > 0 ? 0 : -1);
  connect(cardList_, &QComboBox::currentIndexChanged, this, &CardSettingDialog::OnCardChange);
  OnCardChange(Card());
}

int CardSettingDialog::Card() const { return cardList_->currentIndex(); }

void CardSettingDialog::ApplyLanguageTexts() { ApplyTexts(this, frame_.texts, SysParams.LangVer); }

void CardSettingDialog::OnCardChange(int card) {
  if (card == 0 || card == 1) {
    ApplyTexts(this, kCardTexts, SysParams.LangVer, card + 1);
    if (frame_.axisColumns) ApplyTexts(this, kColumnTexts, SysParams.LangVer, card + 1);
  }
  LoadCard(card);
}

// A field that is not a number stops the save at its prompt: nothing is
// asked or written until the operator corrects it.
void CardSettingDialog::OnSave() {
  if (!TakeFields()) return;
  if (ConfirmSave() == kBoxCancel) return;
  SaveCard(Card());
}

void CardSettingDialog::TakeAndClose() {
  if (TakeFields()) accept();
}

void CardSettingDialog::ShowNumbers(const Ids& fields, const std::array<double, 4>& values) {
  for (std::size_t k = 0; k < fields.size(); ++k) ShowNumber(fields[k], values[k]);
}

bool CardSettingDialog::TakeNumbers(const Ids& fields, std::array<double, 4>& values) {
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (!TakeNumber(fields[k], values[k])) return false;
  }
  return true;
}

void CardSettingDialog::ShowEntries(const Ids& lists, const std::array<int, 4>& entries) {
  for (std::size_t k = 0; k < lists.size(); ++k) ShowEntry(lists[k], entries[k]);
}

void CardSettingDialog::TakeEntries(const Ids& lists, std::array<int, 4>& entries) {
  for (std::size_t k = 0; k < lists.size(); ++k) entries[k] = TakenEntry(lists[k]);
}

void CardSettingDialog::ShowEntry(int list, int entry) {
  auto* combo = Control<QComboBox>(this, list);
  combo->setCurrentIndex(entry >= 0 && entry < combo->count() ? entry : -1);
}

int CardSettingDialog::TakenEntry(int list) { return Control<QComboBox>(this, list)->currentIndex(); }

bool CardSettingDialog::TakeNumber(int field, double& value) {
  return ui::TakeNumber(Control<QLineEdit>(this, field), value);
}

void CardSettingDialog::ShowNumber(int field, double value) { ui::ShowNumber(Control<QLineEdit>(this, field), value); }

void CardSettingDialog::Enable(const Ids& controls, bool enabled) {
  for (int id : controls) Enable(id, enabled);
}

void CardSettingDialog::Enable(int control, bool enabled) { Control<QWidget>(this, control)->setEnabled(enabled); }
