#include "ui/dialogs/CHomePage.h"

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

constexpr int kAxisList = 1099;
constexpr int kDelay = 1088;

constexpr Item kLayout[] = {
    Label(1263, "Axis No.").At(0, 0),
    Combo(kAxisList).At(0, 1).Min(120),
    Stretch().At(1, 2),
};

constexpr Text kTexts[] = {
    {1263, "Axis No.", "轴号"},
};

}  // namespace

CHomePage::CHomePage(QWidget* parent) : ProgramPage("CHomePage", false, kLayout, parent) {
  auto* grid = static_cast<QGridLayout*>(layout());
  grid->setRowStretch(1, 1);
  grid->setColumnStretch(2, 1);
  // A to D as well when two cards were found.
  const int cards = RunControl.CardCount.load() == 2 ? 2 : 1;
  FillList(Control<QComboBox>(this, kAxisList), AxisListTexts(cards, ListLanguage()));
  ApplyTexts(this, kTexts, SysParams.LangVer);
}

void CHomePage::OnOpen(bool modify) {
  auto* axes = Control<QComboBox>(this, kAxisList);
  if (modify) {
    values_ = HomeValuesOf(EditCommand, axes->count());
  } else {
    ResetLists(values_);
  }
  Select(axes, values_.axisEntry);
  Show(kDelay, values_.delay);
  ShowInteger(LoopField(), 0);
}

void CHomePage::OnStore() {
  HomeCommandValues taken = values_;
  taken.axisEntry = Control<QComboBox>(this, kAxisList)->currentIndex();
  if (!Take(kDelay, taken.delay)) return;
  values_ = taken;
  StoreHomeCommand(values_.axisEntry, values_.delay);
}
