#include "ui/bars/CCircularTabPage.h"

#include <mutex>

#include "motion/EngineState.h"
#include "motion/TabPages.h"
#include "settings/SysParams.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kSpeedGroup = 1231;
constexpr int kVectorGroup = 1232;
constexpr int kOtherGroup = 1309;

constexpr int kConstant = 1031;
constexpr int kFast = 1032;
constexpr int kVectorStart = 1011;
constexpr int kVectorMax = 1012;
constexpr int kVectorAcc = 1013;
constexpr int kAxisList[2] = {1183, 1184};
constexpr int kCentre[2] = {1048, 1067};
constexpr int kAngle = 1014;
constexpr int kEllipseRatio = 1015;

constexpr int kFieldWidth = 90;

constexpr Item kLayout[] = {
    Group(kSpeedGroup, "Speed Mode").At(0, 0),
    Radio(kConstant, "Constant Motion").In(kSpeedGroup).At(0, 0),
    Radio(kFast, "Fast Motion").In(kSpeedGroup).At(1, 0),
    Stretch().In(kSpeedGroup).At(2, 0),
    Group(kVectorGroup, "Vector Speed").At(0, 1),
    Label(1092, "Start-up Speed").In(kVectorGroup).At(0, 0),
    Edit(kVectorStart).In(kVectorGroup).At(0, 1).Min(kFieldWidth),
    Label(1094, "Max. Speed").In(kVectorGroup).At(1, 0),
    Edit(kVectorMax).In(kVectorGroup).At(1, 1).Min(kFieldWidth),
    Label(1096, "Acceleration").In(kVectorGroup).At(2, 0),
    Edit(kVectorAcc).In(kVectorGroup).At(2, 1).Min(kFieldWidth),

    Group(1235, "Axis 1").At(1, 0),
    Label(1237, "Axis No.").In(1235).At(0, 0),
    Combo(1183).In(1235).At(0, 1).Min(kFieldWidth),
    Label(1238, "Arc Center").In(1235).At(1, 0),
    Edit(1048).In(1235).At(1, 1).Min(kFieldWidth),
    Group(1236, "Axis 2").At(1, 1),
    Label(1239, "Axis No.").In(1236).At(0, 0),
    Combo(1184).In(1236).At(0, 1).Min(kFieldWidth),
    Label(1240, "Arc Center").In(1236).At(1, 0),
    Edit(1067).In(1236).At(1, 1).Min(kFieldWidth),
    Group(kOtherGroup, "Other Parameter").At(1, 2),
    Label(1241, "Angle").In(kOtherGroup).At(0, 0),
    Edit(kAngle).In(kOtherGroup).At(0, 1).Min(kFieldWidth),
    Label(1242, "Ellipse Ratio").In(kOtherGroup).At(1, 0),
    Edit(kEllipseRatio).In(kOtherGroup).At(1, 1).Min(kFieldWidth),

    Stretch().At(2, 0),
};

constexpr Text kTexts[] = {
    {kSpeedGroup, "Speed Mode", "速度类型"},
    {kConstant, "Constant Motion", "常速运动"},
    {kFast, "Fast Motion", "快速运动"},
    {kVectorGroup, "Vector Speed", "矢量速度"},
    {1092, "Start-up Speed", "低速度"},
    {1094, "Max. Speed", "高速度"},
    {1096, "Acceleration", "加速度"},
    {1235, "Axis 1", "轴 1"},
    {1236, "Axis 2", "轴 2"},
    {1237, "Axis No.", "轴号"},
    {1239, "Axis No.", "轴号"},
    {1238, "Arc Center", "圆弧中心"},
    {1240, "Arc Center", "圆弧中心"},
    {kOtherGroup, "Other Parameter", "其它参数"},
    {1241, "Angle", "角度"},
    {1242, "Ellipse Ratio", "椭圆比例"},
};

}  // namespace

CCircularTabPage::CCircularTabPage(QWidget* parent) : TabPage(parent, "CCircularTabPage", panel::kCircular) {
  BuildLayout(this, kLayout);
  SetPageMargins();

  OnRadio(kConstant, [this] {
    values_.speedMode = 0;
    UpdateEnables();
  });
  OnRadio(kFast, [this] {
    values_.speedMode = 1;
    UpdateEnables();
  });

  ApplyLanguageTexts();
  ShowValues();  // the record comes when the tab is first chosen
}

void CCircularTabPage::ApplyLanguageTexts() {
  ApplyTexts(this, kTexts, SysParams.LangVer);
  FillAxisLists({kAxisList[0], kAxisList[1]});
}

void CCircularTabPage::ShowRecord() {
  UncheckRadios({kConstant, kFast});
  MotionCommand record{};
  {
    std::lock_guard lock(RunControl.RecordMutex);
    record = SysParams.CircularRunRecord;
  }
  if (ShowCircularRecord(record, values_)) CheckRadio(values_.speedMode == 0 ? kConstant : kFast);
  UpdateEnables();
  ShowValues();
}

void CCircularTabPage::UpdateEnables() {
  const std::optional<bool> profile = CircularProfileEnabled(values_.speedMode);
  if (!profile) return;
  Enable(kVectorMax, *profile);
  Enable(kVectorAcc, *profile);
}

void CCircularTabPage::ShowValues() {
  ShowNumber(kVectorStart, values_.vectorStart);
  ShowNumber(kVectorMax, values_.vectorMax);
  ShowNumber(kVectorAcc, values_.vectorAcc);
  for (int k = 0; k < 2; ++k) {
    ShowAxis(kAxisList[k], values_.axis[k]);
    ShowNumber(kCentre[k], values_.centre[k]);
  }
  ShowNumber(kAngle, values_.angle);
  ShowNumber(kEllipseRatio, values_.ellipseRatio);
}

bool CCircularTabPage::TakeValues() {
  CircularTabValues taken = values_;
  for (int k = 0; k < 2; ++k) taken.axis[k] = TakeAxis(kAxisList[k]);
  if (!TakeNumber(kVectorStart, taken.vectorStart) || !TakeNumber(kVectorMax, taken.vectorMax) ||
      !TakeNumber(kVectorAcc, taken.vectorAcc)) {
    return false;
  }
  for (int k = 0; k < 2; ++k) {
    if (!TakeNumber(kCentre[k], taken.centre[k])) return false;
  }
  if (!TakeNumber(kAngle, taken.angle) || !TakeNumber(kEllipseRatio, taken.ellipseRatio)) return false;
  values_ = taken;
  return true;
}
