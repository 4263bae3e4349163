#include "ui/bars/CPtoPTabPage.h"

#include <mutex>

#include "motion/EngineState.h"
#include "motion/TabPages.h"
#include "settings/SysParams.h"
#include "ui/common/Layout.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kSpeedGroup = 1280;
constexpr int kMotionGroup = 1281;
constexpr int kCountGroup = 1267;

constexpr int kConstant = 1031;
constexpr int kHigh = 1032;
constexpr int kPtoPMotion = 1178;
constexpr int kContinuous = 1030;
constexpr int kCount[4] = {1179, 1180, 1181, 1182};

constexpr int kAxisList[4] = {1183, 1184, 1185, 1186};
constexpr int kDistance[4] = {1048, 1067, 1068, 1069};
constexpr int kStartSpeed[4] = {1152, 1153, 1154, 1155};
constexpr int kMaxSpeed[4] = {1156, 1157, 1158, 1159};
constexpr int kAcceleration[4] = {1187, 1188, 1189, 1026};

constexpr int kFieldWidth = 66;

constexpr Item kLayout[] = {
    Group(kSpeedGroup, "Speed Mode").At(0, 0),
    Radio(kConstant, "Constant Move").In(kSpeedGroup).At(0, 0),
    Radio(kHigh, "High Velocity").In(kSpeedGroup).At(1, 0),
    Group(kMotionGroup, "Motion Mode").At(0, 1),
    Radio(kPtoPMotion, "PtoP Motion").In(kMotionGroup).At(0, 0),
    Radio(kContinuous, "Continuous Motion").In(kMotionGroup).At(1, 0),
    Group(kCountGroup, "Axis Number").At(0, 2).Span(1, 2),
    Radio(1179, "      Axis 1").In(kCountGroup).At(0, 0),
    Radio(1180, "      Axis 2").In(kCountGroup).At(0, 1),
    Radio(1181, "      Axis 3").In(kCountGroup).At(1, 0),
    Radio(1182, "      Axis 4").In(kCountGroup).At(1, 1),

    Group(1235, "Axis 1").At(1, 0),
    Label(1237, "Axis No.").In(1235).At(0, 0),
    Combo(1183).In(1235).At(0, 1).Min(kFieldWidth),
    Label(1273, "Distance").In(1235).At(1, 0),
    Edit(1048).In(1235).At(1, 1).Min(kFieldWidth),
    Label(1283, "Start-up Speed").In(1235).At(2, 0),
    Edit(1152).In(1235).At(2, 1).Min(kFieldWidth),
    Label(1287, "Max. Speed").In(1235).At(3, 0),
    Edit(1156).In(1235).At(3, 1).Min(kFieldWidth),
    Label(1053, "Acceleration").In(1235).At(4, 0),
    Edit(1187).In(1235).At(4, 1).Min(kFieldWidth),

    Group(1236, "Axis 2").At(1, 1),
    Label(1239, "Axis No.").In(1236).At(0, 0),
    Combo(1184).In(1236).At(0, 1).Min(kFieldWidth),
    Label(1274, "Distance").In(1236).At(1, 0),
    Edit(1067).In(1236).At(1, 1).Min(kFieldWidth),
    Label(1284, "Start-up Speed").In(1236).At(2, 0),
    Edit(1153).In(1236).At(2, 1).Min(kFieldWidth),
    Label(1288, "Max. Speed").In(1236).At(3, 0),
    Edit(1157).In(1236).At(3, 1).Min(kFieldWidth),
    Label(1082, "Acceleration").In(1236).At(4, 0),
    Edit(1188).In(1236).At(4, 1).Min(kFieldWidth),

    Group(1271, "Axis 3").At(1, 2),
    Label(1269, "Axis No.").In(1271).At(0, 0),
    Combo(1185).In(1271).At(0, 1).Min(kFieldWidth),
    Label(1275, "Distance").In(1271).At(1, 0),
    Edit(1068).In(1271).At(1, 1).Min(kFieldWidth),
    Label(1285, "Start-up Speed").In(1271).At(2, 0),
    Edit(1154).In(1271).At(2, 1).Min(kFieldWidth),
    Label(1289, "Max. Speed").In(1271).At(3, 0),
    Edit(1158).In(1271).At(3, 1).Min(kFieldWidth),
    Label(1083, "Acceleration").In(1271).At(4, 0),
    Edit(1189).In(1271).At(4, 1).Min(kFieldWidth),

    Group(1272, "Axis 4").At(1, 3),
    Label(1270, "Axis No.").In(1272).At(0, 0),
    Combo(1186).In(1272).At(0, 1).Min(kFieldWidth),
    Label(1276, "Distance").In(1272).At(1, 0),
    Edit(1069).In(1272).At(1, 1).Min(kFieldWidth),
    Label(1286, "Start-up Speed").In(1272).At(2, 0),
    Edit(1155).In(1272).At(2, 1).Min(kFieldWidth),
    Label(1290, "Max. Speed").In(1272).At(3, 0),
    Edit(1159).In(1272).At(3, 1).Min(kFieldWidth),
    Label(1084, "Acceleration").In(1272).At(4, 0),
    Edit(1026).In(1272).At(4, 1).Min(kFieldWidth),

    Stretch().At(2, 0),
};

constexpr Text kTexts[] = {
    {kSpeedGroup, "Speed Mode", "速度类型"},
    {kConstant, "Constant Move", "常速运动"},
    {kHigh, "High Velocity", "快速运动"},
    {kMotionGroup, "Motion Mode", "运动类型"},
    {kPtoPMotion, "PtoP Motion", "点位运动"},
    {kContinuous, "Continuous Motion", "连续运动"},
    {kCountGroup, "Axis Number", "运动轴数"},
    {1179, "      Axis 1", "  单轴运动"},
    {1180, "      Axis 2", "  两轴运动"},
    {1181, "      Axis 3", "  三轴运动"},
    {1182, "      Axis 4", "  四轴运动"},
    {1235, "Axis 1", "轴1"},
    {1236, "Axis 2", "轴2"},
    {1271, "Axis 3", "轴3"},
    {1272, "Axis 4", "轴4"},
    {1237, "Axis No.", "轴号"},
    {1239, "Axis No.", "轴号"},
    {1269, "Axis No.", "轴号"},
    {1270, "Axis No.", "轴号"},
    {1283, "Start-up Speed", "低速度"},
    {1284, "Start-up Speed", "低速度"},
    {1285, "Start-up Speed", "低速度"},
    {1286, "Start-up Speed", "低速度"},
    {1287, "Max. Speed", "高速度"},
    {1288, "Max. Speed", "高速度"},
    {1289, "Max. Speed", "高速度"},
    {1290, "Max. Speed", "高速度"},
    {1053, "Acceleration", "加速度"},
    {1082, "Acceleration", "加速度"},
    {1083, "Acceleration", "加速度"},
    {1084, "Acceleration", "加速度"},
    {1273, "Distance", "距离"},
    {1274, "Distance", "距离"},
    {1275, "Distance", "距离"},
    {1276, "Distance", "距离"},
};

constexpr int kOrva = 0;

}  // namespace

CPtoPTabPage::CPtoPTabPage(QWidget* parent) : TabPage(parent, "CPtoPTabPage", panel::kPtoP) {
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
  OnRadio(kPtoPMotion, [this] { values_.motionMode = 0; });
  OnRadio(kContinuous, [this] { values_.motionMode = 1; });
  for (int n = 1; n <= 4; ++n) {
    OnRadio(kCount[n - 1], [this, n] {
      values_.axisCount = n;
      UpdateEnables();
    });
  }

  ApplyLanguageTexts();
  for (int k = 0; k < 4; ++k) ShowAxis(kAxisList[k], k + 1);
  if (SysParams.Ctrler == kOrva) {
    for (int id : {kAxisList[3], kDistance[3], kCount[3], kStartSpeed[3], kMaxSpeed[3], kAcceleration[3]}) {
      Enable(id, false);
    }
  }
  ShowRecord();
}

void CPtoPTabPage::ApplyLanguageTexts() {
  ApplyTexts(this, kTexts, SysParams.LangVer);
  FillAxisLists({kAxisList[0], kAxisList[1], kAxisList[2], kAxisList[3]});
}

void CPtoPTabPage::ShowRecord() {
  UncheckRadios({kConstant, kHigh, kPtoPMotion, kContinuous, kCount[0], kCount[1], kCount[2], kCount[3]});
  MotionCommand record{};
  {
    std::lock_guard lock(RunControl.RecordMutex);
    record = SysParams.PtoPRunRecord;
  }
  if (ShowPtoPRecord(record, values_)) {
    CheckRadio(values_.speedMode == 0 ? kConstant : kHigh);
    CheckRadio(values_.motionMode == 0 ? kPtoPMotion : kContinuous);
    CheckRadio(kCount[values_.axisCount - 1]);
  }
  UpdateEnables();
  ShowValues();
}

void CPtoPTabPage::UpdateEnables() {
  const PtoPTabEnables on = PtoPTabFieldsEnabled(values_);
  for (int k = 0; k < 4; ++k) {
    Enable(kAxisList[k], on.axis[k]);
    Enable(kDistance[k], on.distance[k]);
    Enable(kStartSpeed[k], on.startSpeed[k]);
    Enable(kMaxSpeed[k], on.maxSpeed[k]);
    Enable(kAcceleration[k], on.acceleration[k]);
  }
}

void CPtoPTabPage::ShowValues() {
  for (int k = 0; k < 4; ++k) {
    ShowAxis(kAxisList[k], values_.axis[k]);
    ShowNumber(kDistance[k], values_.distance[k]);
    ShowNumber(kStartSpeed[k], values_.startSpeed[k]);
    ShowNumber(kMaxSpeed[k], values_.maxSpeed[k]);
    ShowNumber(kAcceleration[k], values_.acceleration[k]);
  }
}

bool CPtoPTabPage::TakeValues() {
  PtoPTabValues taken = values_;
  for (int k = 0; k < 4; ++k) taken.axis[k] = TakeAxis(kAxisList[k]);
  for (int k = 0; k < 4; ++k) {
    if (!TakeNumber(kDistance[k], taken.distance[k])) return false;
  }
  for (int k = 0; k < 4; ++k) {
    if (!TakeNumber(kStartSpeed[k], taken.startSpeed[k])) return false;
  }
  for (int k = 0; k < 4; ++k) {
    if (!TakeNumber(kMaxSpeed[k], taken.maxSpeed[k])) return false;
  }
  for (int k = 0; k < 4; ++k) {
    if (!TakeNumber(kAcceleration[k], taken.acceleration[k])) return false;
  }
  values_ = taken;
  return true;
}
