#include "ui/dialogs/CPtoPPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>

#include "motion/EngineState.h"
#include "motion/Units.h"
#include "program/MotionProgram.h"
#include "settings/SysParams.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kAxisList[4] = {1046, 1057, 1060, 1061};
constexpr int kDistance[4] = {1048, 1067, 1068, 1069};
constexpr int kStartSpeed[4] = {1050, 1073, 1074, 1075};
constexpr int kMaxSpeed[4] = {1052, 1079, 1080, 1081};
constexpr int kAcceleration[4] = {1054, 1085, 1086, 1087};
constexpr int kDelay = 1088;

// The four axis boxes exist only in the layout.
constexpr int kBox1 = -1;
constexpr int kBox2 = -2;
constexpr int kBox3 = -3;
constexpr int kBox4 = -4;
constexpr int kFieldWidth = 72;

constexpr Item kLayout[] = {
    Group(kBox1, "Axis 1").Named("Axis1").At(0, 0),
    Label(0, "Axis No.").Named("AxisNo1").In(kBox1).At(0, 0),
    Combo(1046).In(kBox1).At(0, 1).Min(kFieldWidth),
    Label(0, "Distance").Named("Distance1").In(kBox1).At(1, 0),
    Edit(1048).In(kBox1).At(1, 1).Min(kFieldWidth),
    Label(0, "Start-up Speed").Named("StartSpeed1").In(kBox1).At(2, 0),
    Edit(1050).In(kBox1).At(2, 1).Min(kFieldWidth),
    Label(0, "Max. Speed").Named("MaxSpeed1").In(kBox1).At(3, 0),
    Edit(1052).In(kBox1).At(3, 1).Min(kFieldWidth),
    Label(0, "Acceleration").Named("Acceleration1").In(kBox1).At(4, 0),
    Edit(1054).In(kBox1).At(4, 1).Min(kFieldWidth),
    Group(kBox2, "Axis 2").Named("Axis2").At(0, 1),
    Label(0, "Axis No.").Named("AxisNo2").In(kBox2).At(0, 0),
    Combo(1057).In(kBox2).At(0, 1).Min(kFieldWidth),
    Label(0, "Distance").Named("Distance2").In(kBox2).At(1, 0),
    Edit(1067).In(kBox2).At(1, 1).Min(kFieldWidth),
    Label(0, "Start-up Speed").Named("StartSpeed2").In(kBox2).At(2, 0),
    Edit(1073).In(kBox2).At(2, 1).Min(kFieldWidth),
    Label(0, "Max. Speed").Named("MaxSpeed2").In(kBox2).At(3, 0),
    Edit(1079).In(kBox2).At(3, 1).Min(kFieldWidth),
    Label(0, "Acceleration").Named("Acceleration2").In(kBox2).At(4, 0),
    Edit(1085).In(kBox2).At(4, 1).Min(kFieldWidth),
    Group(kBox3, "Axis 3").Named("Axis3").At(0, 2),
    Label(0, "Axis No.").Named("AxisNo3").In(kBox3).At(0, 0),
    Combo(1060).In(kBox3).At(0, 1).Min(kFieldWidth),
    Label(0, "Distance").Named("Distance3").In(kBox3).At(1, 0),
    Edit(1068).In(kBox3).At(1, 1).Min(kFieldWidth),
    Label(0, "Start-up Speed").Named("StartSpeed3").In(kBox3).At(2, 0),
    Edit(1074).In(kBox3).At(2, 1).Min(kFieldWidth),
    Label(0, "Max. Speed").Named("MaxSpeed3").In(kBox3).At(3, 0),
    Edit(1080).In(kBox3).At(3, 1).Min(kFieldWidth),
    Label(0, "Acceleration").Named("Acceleration3").In(kBox3).At(4, 0),
    Edit(1086).In(kBox3).At(4, 1).Min(kFieldWidth),
    Group(kBox4, "Axis 4").Named("Axis4").At(0, 3),
    Label(0, "Axis No.").Named("AxisNo4").In(kBox4).At(0, 0),
    Combo(1061).In(kBox4).At(0, 1).Min(kFieldWidth),
    Label(0, "Distance").Named("Distance4").In(kBox4).At(1, 0),
    Edit(1069).In(kBox4).At(1, 1).Min(kFieldWidth),
    Label(0, "Start-up Speed").Named("StartSpeed4").In(kBox4).At(2, 0),
    Edit(1075).In(kBox4).At(2, 1).Min(kFieldWidth),
    Label(0, "Max. Speed").Named("MaxSpeed4").In(kBox4).At(3, 0),
    Edit(1081).In(kBox4).At(3, 1).Min(kFieldWidth),
    Label(0, "Acceleration").Named("Acceleration4").In(kBox4).At(4, 0),
    Edit(1087).In(kBox4).At(4, 1).Min(kFieldWidth),
    Stretch().At(1, 0),
};

constexpr Text kTexts[] = {
    {"Axis1", "Axis 1", "轴1"},
    {"AxisNo1", "Axis No.", "轴号"},
    {"Distance1", "Distance", "距离"},
    {"StartSpeed1", "Start-up Speed", "低速度"},
    {"MaxSpeed1", "Max. Speed", "高速度"},
    {"Acceleration1", "Acceleration", "加速度"},
    {"Axis2", "Axis 2", "轴2"},
    {"AxisNo2", "Axis No.", "轴号"},
    {"Distance2", "Distance", "距离"},
    {"StartSpeed2", "Start-up Speed", "低速度"},
    {"MaxSpeed2", "Max. Speed", "高速度"},
    {"Acceleration2", "Acceleration", "加速度"},
    {"Axis3", "Axis 3", "轴3"},
    {"AxisNo3", "Axis No.", "轴号"},
    {"Distance3", "Distance", "距离"},
    {"StartSpeed3", "Start-up Speed", "低速度"},
    {"MaxSpeed3", "Max. Speed", "高速度"},
    {"Acceleration3", "Acceleration", "加速度"},
    {"Axis4", "Axis 4", "轴4"},
    {"AxisNo4", "Axis No.", "轴号"},
    {"Distance4", "Distance", "距离"},
    {"StartSpeed4", "Start-up Speed", "低速度"},
    {"MaxSpeed4", "Max. Speed", "高速度"},
    {"Acceleration4", "Acceleration", "加速度"},
};

}  // namespace

CPtoPPage::CPtoPPage(QWidget* parent) : ProgramPage("CPtoPPage", true, kLayout, parent) {
  static_cast<QGridLayout*>(layout())->setRowStretch(1, 1);
  // X to T with one card; A to D as well otherwise.
  const int cards = RunControl.CardCount.load() == 1 ? 1 : 2;
  for (int id : kAxisList) FillList(Control<QComboBox>(this, id), AxisListTexts(cards, ListLanguage()));
  ApplyTexts(this, kTexts, SysParams.LangVer);
  ShowValues();
}

void CPtoPPage::ShowCode(std::int32_t code) {
  ProgramPage::ShowCode(code);
  const PageFieldsEnabled on = FieldsEnabled(CommandPage::PtoP, code);
  for (std::size_t k = 0; k < 4; ++k) {
    Control<QComboBox>(this, kAxisList[k])->setEnabled(on.axis[k]);
    Control<QLineEdit>(this, kDistance[k])->setEnabled(on.distance[k]);
    Control<QLineEdit>(this, kStartSpeed[k])->setEnabled(on.startSpeed[k]);
    Control<QLineEdit>(this, kMaxSpeed[k])->setEnabled(on.maxSpeed[k]);
    Control<QLineEdit>(this, kAcceleration[k])->setEnabled(on.acceleration[k]);
  }
}

void CPtoPPage::OnOpen(bool modify) {
  if (modify) {
    values_ = PtoPValuesOf(EditCommand, Control<QComboBox>(this, kAxisList[0])->count());
  } else {
    ResetLists(values_);
  }
  ShowValues();
}

void CPtoPPage::ShowValues() {
  for (std::size_t k = 0; k < 4; ++k) {
    Select(Control<QComboBox>(this, kAxisList[k]), values_.axisEntry[k]);
    Show(kDistance[k], values_.distance[k]);
    Show(kStartSpeed[k], values_.startSpeed[k]);
    Show(kMaxSpeed[k], values_.maxSpeed[k]);
    Show(kAcceleration[k], values_.acceleration[k]);
  }
  Show(kDelay, values_.delay);
  ShowInteger(LoopField(), values_.loop);
}

// Box by box, then Delay Time and Loop. The first field that is not a
// number stops the reading, and the page keeps the values it held.
bool CPtoPPage::TakeValues() {
  PtoPCommandValues taken = values_;
  for (std::size_t k = 0; k < 4; ++k) taken.axisEntry[k] = Control<QComboBox>(this, kAxisList[k])->currentIndex();
  for (std::size_t k = 0; k < 4; ++k) {
    if (!Take(kDistance[k], taken.distance[k]) || !Take(kStartSpeed[k], taken.startSpeed[k]) ||
        !Take(kMaxSpeed[k], taken.maxSpeed[k]) || !Take(kAcceleration[k], taken.acceleration[k])) {
      return false;
    }
  }
  if (!Take(kDelay, taken.delay) || !TakeLoop(taken.loop)) return false;
  values_ = taken;
  return true;
}

void CPtoPPage::OnStore() {
  if (TakeValues()) StorePtoPCommand(Code(), values_, SpeedOutOfRange);
}
