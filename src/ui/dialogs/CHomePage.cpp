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
  if (modify) {
    axisEntry_ = EntryOf(EditCommand.iAxes[0]);
    delay_ = EditCommand.dbDelayTime;
  }
  Select(Control<QComboBox>(this, kAxisList), axisEntry_);
  Show(kDelay, delay_);
  ShowInteger(LoopField(), 0);
}

void CHomePage::OnStore() {
  axisEntry_ = Control<QComboBox>(this, kAxisList)->currentIndex();
  Take(kDelay, delay_);  // after a prompt the page's delay is stored
  StoreHomeCommand(axisEntry_, delay_);
}
