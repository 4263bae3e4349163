#include "ui/dialogs/CSwitchOutPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>

#include "motion/EngineState.h"
#include "program/CommandPages.h"
#include "program/MotionProgram.h"
#include "settings/SysParams.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kCardList = 1100;
constexpr int kPortList = 1101;
constexpr int kLevelList = 1117;
constexpr int kDelay = 1088;

constexpr Item kLayout[] = {
    Label(1244, "Card No.").At(0, 0),
    Combo(kCardList).At(0, 1).Min(120),
    Label(1278, "Outport No.").At(1, 0),
    Combo(kPortList).At(1, 1).Min(120),
    Label(1279, "Electrical Level").At(2, 0),
    Combo(kLevelList).At(2, 1).Min(120),
    Stretch().At(3, 2),
};

constexpr Text kTexts[] = {
    {1244, "Card No.", "卡号"},
    {1278, "Outport No.", "输出口选择"},
    {1279, "Electrical Level", "输出电平"},
};

}  // namespace

CSwitchOutPage::CSwitchOutPage(QWidget* parent) : ProgramPage("CSwitchOutPage", false, kLayout, parent) {
  auto* grid = static_cast<QGridLayout*>(layout());
  grid->setRowStretch(3, 1);
  grid->setColumnStretch(2, 1);
  const int language = ListLanguage();
  // "No.2" when two cards were found.
  FillList(Control<QComboBox>(this, kCardList), CardListTexts(RunControl.CardCount.load() == 2 ? 2 : 1, language));
  FillList(Control<QComboBox>(this, kPortList), OutputPortTexts(SysParams.Ctrler, language));
  FillList(Control<QComboBox>(this, kLevelList), LevelListTexts(language));
  ApplyTexts(this, kTexts, SysParams.LangVer);
}

void CSwitchOutPage::OnOpen(bool modify) {
  auto* cards = Control<QComboBox>(this, kCardList);
  auto* ports = Control<QComboBox>(this, kPortList);
  if (modify) {
    values_ = SwitchOutputValuesOf(EditCommand, cards->count(), ports->count());
  } else {
    ResetLists(values_);
  }
  Select(cards, values_.cardEntry);
  Select(ports, values_.portEntry);
  Select(Control<QComboBox>(this, kLevelList), values_.levelEntry);
  Show(kDelay, values_.delay);
  ShowInteger(LoopField(), 0);
}

void CSwitchOutPage::OnStore() {
  SwitchOutputValues taken = values_;
  taken.cardEntry = Control<QComboBox>(this, kCardList)->currentIndex();
  taken.portEntry = Control<QComboBox>(this, kPortList)->currentIndex();
  taken.levelEntry = Control<QComboBox>(this, kLevelList)->currentIndex();
  if (!Take(kDelay, taken.delay)) return;
  values_ = taken;
  StoreSwitchOutputCommand(values_.cardEntry, values_.portEntry, values_.levelEntry, values_.delay);
}
