#include "ui/dialogs/CLinearPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>

#include "motion/EngineState.h"
#include "program/MotionProgram.h"
#include "settings/SysParams.h"
#include "ui/common/Fields.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kAxisList[4] = {1046, 1057, 1060, 1061};
constexpr int kDistance[4] = {1048, 1067, 1068, 1069};
constexpr int kVectorStart = 1093;
constexpr int kVectorMax = 1095;
constexpr int kVectorAcc = 1097;
constexpr int kDelay = 1088;

// The axis boxes and the vector group exist only in the layout.
constexpr int kBox1 = -1;
constexpr int kBox2 = -2;
constexpr int kBox3 = -3;
constexpr int kBox4 = -4;
constexpr int kVector = -5;
constexpr int kFieldWidth = 72;

constexpr Item kLayout[] = {
    Group(kBox1, "Axis 1").Named("Axis1").At(0, 0),
    Label(0, "Axis No.").Named("AxisNo1").In(kBox1).At(0, 0),
    Combo(1046).In(kBox1).At(0, 1).Min(kFieldWidth),
    Label(0, "Distance").Named("Distance1").In(kBox1).At(1, 0),
    Edit(1048).In(kBox1).At(1, 1).Min(kFieldWidth),
    Group(kBox2, "Axis 2").Named("Axis2").At(0, 1),
    Label(0, "Axis No.").Named("AxisNo2").In(kBox2).At(0, 0),
    Combo(1057).In(kBox2).At(0, 1).Min(kFieldWidth),
    Label(0, "Distance").Named("Distance2").In(kBox2).At(1, 0),
    Edit(1067).In(kBox2).At(1, 1).Min(kFieldWidth),
    Group(kBox3, "Axis 3").Named("Axis3").At(0, 2),
    Label(0, "Axis No.").Named("AxisNo3").In(kBox3).At(0, 0),
    Combo(1060).In(kBox3).At(0, 1).Min(kFieldWidth),
    Label(0, "Distance").Named("Distance3").In(kBox3).At(1, 0),
    Edit(1068).In(kBox3).At(1, 1).Min(kFieldWidth),
    Group(kBox4, "Axis 4").Named("Axis4").At(0, 3),
    Label(0, "Axis No.").Named("AxisNo4").In(kBox4).At(0, 0),
    Combo(1061).In(kBox4).At(0, 1).Min(kFieldWidth),
    Label(0, "Distance").Named("Distance4").In(kBox4).At(1, 0),
    Edit(1069).In(kBox4).At(1, 1).Min(kFieldWidth),
    Group(kVector, "Vector Speed").Named("VectorSpeed").At(1, 0).Span(1, 4),
    Label(0, "Start-up Speed").Named("VectorStartLabel").In(kVector).At(0, 0),
    Edit(kVectorStart).In(kVector).At(0, 1).Min(kFieldWidth),
    Label(0, "Max. Speed").Named("VectorMaxLabel").In(kVector).At(0, 2),
    Edit(kVectorMax).In(kVector).At(0, 3).Min(kFieldWidth),
    Label(0, "Acceleration").Named("VectorAccLabel").In(kVector).At(0, 4),
    Edit(kVectorAcc).In(kVector).At(0, 5).Min(kFieldWidth),
    Stretch().In(kVector).At(0, 6),
    Stretch().At(2, 0),
};

constexpr Text kTexts[] = {
    {"Axis1", "Axis 1", "轴1"},
    {"AxisNo1", "Axis No.", "轴号"},
    {"Distance1", "Distance", "距离"},
    {"Axis2", "Axis 2", "轴2"},
    {"AxisNo2", "Axis No.", "轴号"},
    {"Distance2", "Distance", "距离"},
    {"Axis3", "Axis 3", "轴3"},
    {"AxisNo3", "Axis No.", "轴号"},
    {"Distance3", "Distance", "距离"},
    {"Axis4", "Axis 4", "轴4"},
    {"AxisNo4", "Axis No.", "轴号"},
    {"Distance4", "Distance", "距离"},
    {"VectorSpeed", "Vector Speed", "矢量速度"},
    {"VectorStartLabel", "Start-up Speed", "低速度"},
    {"VectorMaxLabel", "Max. Speed", "高速度"},
    {"VectorAccLabel", "Acceleration", "加速度"},
};

}  // namespace

CLinearPage::CLinearPage(QWidget* parent) : ProgramPage("CLinearPage", true, kLayout, parent) {
  static_cast<QGridLayout*>(layout())->setRowStretch(2, 1);
  // X to T with one card; A to D as well otherwise.
  const int cards = RunControl.CardCount.load() == 1 ? 1 : 2;
  for (int id : kAxisList) FillList(Control<QComboBox>(this, id), AxisListTexts(cards, ListLanguage()));
  ApplyTexts(this, kTexts, SysParams.LangVer);
  ShowValues();
}

void CLinearPage::ShowCode(std::int32_t code) {
  ProgramPage::ShowCode(code);
  const PageFieldsEnabled on = FieldsEnabled(CommandPage::Linear, code);
  for (std::size_t k = 0; k < 4; ++k) {
    Control<QComboBox>(this, kAxisList[k])->setEnabled(on.axis[k]);
    Control<QLineEdit>(this, kDistance[k])->setEnabled(on.distance[k]);
  }
  Control<QLineEdit>(this, kVectorStart)->setEnabled(on.vectorStart);
  Control<QLineEdit>(this, kVectorMax)->setEnabled(on.vectorMax);
  Control<QLineEdit>(this, kVectorAcc)->setEnabled(on.vectorAcc);
}

void CLinearPage::OnOpen(bool modify) {
  if (modify) {
    values_ = LinearValuesOf(EditCommand, Control<QComboBox>(this, kAxisList[0])->count());
  } else {
    ResetLists(values_);
  }
  ShowValues();
}

void CLinearPage::ShowValues() {
  for (std::size_t k = 0; k < 4; ++k) {
    Select(Control<QComboBox>(this, kAxisList[k]), values_.axisEntry[k]);
    Show(kDistance[k], values_.distance[k]);
  }
  Show(kVectorStart, values_.vectorStart);
  Show(kVectorMax, values_.vectorMax);
  Show(kVectorAcc, values_.vectorAcc);
  Show(kDelay, values_.delay);
  ShowInteger(LoopField(), values_.loop);
}

// The distances, the vector speeds, then Delay Time and Loop. The first
// field that is not a number stops the reading, and the page keeps the
// values it held.
bool CLinearPage::TakeValues() {
  LinearCommandValues taken = values_;
  for (std::size_t k = 0; k < 4; ++k) taken.axisEntry[k] = Control<QComboBox>(this, kAxisList[k])->currentIndex();
  for (std::size_t k = 0; k < 4; ++k) {
    if (!Take(kDistance[k], taken.distance[k])) return false;
  }
  if (!Take(kVectorStart, taken.vectorStart) || !Take(kVectorMax, taken.vectorMax) ||
      !Take(kVectorAcc, taken.vectorAcc) || !Take(kDelay, taken.delay) || !TakeLoop(taken.loop)) {
    return false;
  }
  values_ = taken;
  return true;
}

void CLinearPage::OnStore() {
  if (TakeValues()) StoreLinearCommand(Code(), values_);
}
