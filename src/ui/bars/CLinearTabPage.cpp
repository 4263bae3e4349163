#include "ui/bars/CLinearTabPage.h"

#include <mutex>

#include "motion/EngineState.h"
#include "motion/TabPages.h"
#include "settings/SysParams.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kSpeedGroup = 1266;
constexpr int kCountGroup = 1267;
constexpr int kVectorGroup = 1268;

constexpr int kConstant = 1031;
constexpr int kHigh = 1032;
constexpr int kCount[3] = {1180, 1181, 1182};  // 2, 3, 4 axes

constexpr int kVectorStart = 1011;
constexpr int kVectorMax = 1012;
constexpr int kVectorAcc = 1013;
constexpr int kAxisList[4] = {1183, 1184, 1185, 1186};
constexpr int kDistance[4] = {1048, 1067, 1068, 1069};

constexpr int kFieldWidth = 90;

constexpr Item kLayout[] = {
    Group(kSpeedGroup, "Speed Mode").At(0, 0),
    Radio(kConstant, "   Constant Move").In(kSpeedGroup).At(0, 0),
    Radio(kHigh, "   High Velocity").In(kSpeedGroup).At(1, 0),
    Stretch().In(kSpeedGroup).At(2, 0),
    Group(kCountGroup, "Axis Number").At(0, 1),
    Radio(1180, "   Axis  2").In(kCountGroup).At(0, 0),
    Radio(1181, "   Axis  3").In(kCountGroup).At(1, 0),
    Radio(1182, "   Axis  4").In(kCountGroup).At(2, 0),
    Group(kVectorGroup, "Vector Speed").At(0, 2).Span(1, 2),
    Label(1261, "Start-up Speed").In(kVectorGroup).At(0, 0),
    Edit(kVectorStart).In(kVectorGroup).At(0, 1).Min(kFieldWidth),
    Label(1094, "Max. Speed").In(kVectorGroup).At(1, 0),
    Edit(kVectorMax).In(kVectorGroup).At(1, 1).Min(kFieldWidth),
    Label(1096, "Acceleration").In(kVectorGroup).At(2, 0),
    Edit(kVectorAcc).In(kVectorGroup).At(2, 1).Min(kFieldWidth),

    Group(1235, "Axis 1").At(1, 0),
    Label(1237, "Axis No.").In(1235).At(0, 0),
    Combo(1183).In(1235).At(0, 1).Min(kFieldWidth),
    Label(1273, "Distance").In(1235).At(1, 0),
    Edit(1048).In(1235).At(1, 1).Min(kFieldWidth),
    Group(1236, "Axis 2").At(1, 1),
    Label(1239, "Axis No.").In(1236).At(0, 0),
    Combo(1184).In(1236).At(0, 1).Min(kFieldWidth),
    Label(1274, "Distance").In(1236).At(1, 0),
    Edit(1067).In(1236).At(1, 1).Min(kFieldWidth),
    Group(1271, "Axis 3").At(1, 2),
    Label(1269, "Axis No.").In(1271).At(0, 0),
    Combo(1185).In(1271).At(0, 1).Min(kFieldWidth),
    Label(1275, "Distance").In(1271).At(1, 0),
    Edit(1068).In(1271).At(1, 1).Min(kFieldWidth),
    Group(1272, "Axis 4").At(1, 3),
    Label(1270, "Axis No.").In(1272).At(0, 0),
    Combo(1186).In(1272).At(0, 1).Min(kFieldWidth),
    Label(1276, "Distance").In(1272).At(1, 0),
    Edit(1069).In(1272).At(1, 1).Min(kFieldWidth),

    Stretch().At(2, 0),
};

constexpr Text kTexts[] = {
    {kSpeedGroup, "Speed Mode", "速度类型"},
    {kConstant, "   Constant Move", "   常速运动"},
    {kHigh, "   High Velocity", "   快速运动"},
    {kCountGroup, "Axis Number", "运动轴数"},
    {1180, "   Axis  2", "   两轴运动"},
    {1181, "   Axis  3", "   三轴运动"},
    {1182, "   Axis  4", "   四轴运动"},
    {kVectorGroup, "Vector Speed", "矢量速度"},
    {1261, "Start-up Speed", "低速度"},
    {1094, "Max. Speed", "高速度"},
    {1096, "Acceleration", "加速度"},
    {1235, "Axis 1", "轴1"},
    {1236, "Axis 2", "轴2"},
    {1271, "Axis 3", "轴3"},
    {1272, "Axis 4", "轴4"},
    {1237, "Axis No.", "轴号"},
    {1239, "Axis No.", "轴号"},
    {1269, "Axis No.", "轴号"},
    {1270, "Axis No.", "轴号"},
    {1273, "Distance", "距离"},
    {1274, "Distance", "距离"},
    {1275, "Distance", "距离"},
    {1276, "Distance", "距离"},
};

constexpr int kOrva = 0;

}  // namespace

CLinearTabPage::CLinearTabPage(QWidget* parent) : TabPage(parent, "CLinearTabPage", panel::kLinear) {
  BuildLayout(this, kLayout);
  SetPageMargins();

  OnRadio(kConstant, [this] {
    values_.speedMode = 0;
    UpdateEnables();
  });
  OnRadio(kHigh, [this] {
    values_.speedMode = 1;
    UpdateEnables();
  });
  for (int n = 2; n <= 4; ++n) {
    OnRadio(kCount[n - 2], [this, n] {
      values_.axisCount = n;
      UpdateEnables();
    });
  }

  ApplyLanguageTexts();
  if (SysParams.Ctrler == kOrva) {
    for (int id : {kAxisList[3], kDistance[3], kCount[2]}) Enable(id, false);
  }
  // Axes 1-4 and zeros until the tab is chosen, which shows the record.
  ShowValues();
}

void CLinearTabPage::ApplyLanguageTexts() {
  ApplyTexts(this, kTexts, SysParams.LangVer);
  FillAxisLists({kAxisList[0], kAxisList[1], kAxisList[2], kAxisList[3]});
}

void CLinearTabPage::ShowRecord() {
  UncheckRadios({kConstant, kHigh, kCount[0], kCount[1], kCount[2]});
  MotionCommand record{};
  {
    std::lock_guard lock(RunControl.RecordMutex);
    record = SysParams.LinearRunRecord;
  }
  if (ShowLinearRecord(record, values_)) {
    CheckRadio(values_.speedMode == 0 ? kConstant : kHigh);
    CheckRadio(kCount[values_.axisCount - 2]);
  }
  UpdateEnables();
  ShowValues();
}

void CLinearTabPage::UpdateEnables() {
  const LinearTabEnables on = LinearTabFieldsEnabled(values_);
  for (int k = 0; k < 4; ++k) {
    Enable(kAxisList[k], on.axis[k]);
    Enable(kDistance[k], on.distance[k]);
  }
  Enable(kVectorStart, on.vectorStart);
  Enable(kVectorMax, on.vectorMax);
  Enable(kVectorAcc, on.vectorAcc);
}

void CLinearTabPage::ShowValues() {
  ShowNumber(kVectorStart, values_.vectorStart);
  ShowNumber(kVectorMax, values_.vectorMax);
  ShowNumber(kVectorAcc, values_.vectorAcc);
  for (int k = 0; k < 4; ++k) {
    ShowAxis(kAxisList[k], values_.axis[k]);
    ShowNumber(kDistance[k], values_.distance[k]);
  }
}

bool CLinearTabPage::TakeValues() {
  LinearTabValues taken = values_;
  for (int k = 0; k < 4; ++k) taken.axis[k] = TakeAxis(kAxisList[k]);
  if (!TakeNumber(kVectorStart, taken.vectorStart) || !TakeNumber(kVectorMax, taken.vectorMax) ||
      !TakeNumber(kVectorAcc, taken.vectorAcc)) {
    return false;
  }
  for (int k = 0; k < 4; ++k) {
    if (!TakeNumber(kDistance[k], taken.distance[k])) return false;
  }
  values_ = taken;
  return true;
}
