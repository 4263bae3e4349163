#include "ui/dialogs/CEquipmentSettingDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "motion/SettingsChange.h"
#include "motion/Units.h"
#include "settings/SysParams.h"

namespace {

using namespace ui;

constexpr int kCardList = 1148;
constexpr int kCheckTime = 1011;
constexpr int kRealTime = 1230;
constexpr int kLinearUnit = 1010;
constexpr int kRotaryUnit = 1012;
constexpr int kNote = 1259;
constexpr int kNext = 1124;
constexpr CardSettingDialog::Ids kEquipMode = {1125, 1126, 1127, 1009};
constexpr CardSettingDialog::Ids kMotorPulse = {1128, 1129, 1130, 1131};
constexpr CardSettingDialog::Ids kLeadScrew = {1132, 1133, 1134, 1135};
constexpr CardSettingDialog::Ids kRatio = {1136, 1137, 1138, 1139};
constexpr CardSettingDialog::Ids kFeedBack = {1140, 1027, 1028, 1029};
constexpr CardSettingDialog::Ids kEncFreq = {1013, 1014, 1015, 1016};
constexpr CardSettingDialog::Ids kError = {1030, 1031, 1032, 1033};

constexpr int kGrid = -1;
constexpr int kButtons = -2;

constexpr const char* kNoteText =
    "        Note: Regarding to the Feedback Equivalent, if the equipment is linear stage, it means the moving "
    "distance of one pulse [Unit μm], if the equipment is rotary stage, it means the pulses of per encoder "
    "rotation. If the equipment is linear stage, the unit of Permissible Error is Micron [μm], if the equipment "
    "is rotary stage, the unit of Permissible Error is Degree [°].";
constexpr const char* kModes = "Linear Stage\nRotary Stage";
constexpr const char* kFrequencies = "1\n4";

constexpr Item kLayout[] = {
    // The whole program's values, then the four axis columns, in one grid.
    Panel(kGrid).At(0, 0),
    Label(1244, "Card No.").In(kGrid).At(0, 0),
    Combo(kCardList).In(kGrid).At(0, 1),
    Label(1248, "Check Time(s)").In(kGrid).At(0, 2),
    Edit(kCheckTime).In(kGrid).At(0, 3),
    Label(1250, "Linear Motion Unit").In(kGrid).At(1, 0),
    Combo(kLinearUnit, "Pulse (P)\nMillimeter(mm)\nMicron(μm)").In(kGrid).At(1, 1),
    Label(1251, "Rotary Motion Unit").In(kGrid).At(1, 2),
    Combo(kRotaryUnit, "Pulse (P)\nAngle(°)").In(kGrid).At(1, 3),
    Label(1249, "Real-time").In(kGrid).At(2, 0),
    Combo(kRealTime, "No\nYes").In(kGrid).At(2, 1),
    Label(1045, "X Axis").In(kGrid).At(3, 1).Min(0, 36),
    Label(1056, "Y Axis").In(kGrid).At(3, 2).Min(0, 36),
    Label(1058, "Z Axis").In(kGrid).At(3, 3).Min(0, 36),
    Label(1059, "T Axis").In(kGrid).At(3, 4).Min(0, 36),
    Label(1252, "Equipment Mode").In(kGrid).At(4, 0),
    Combo(1125, kModes).In(kGrid).At(4, 1).Min(120),
    Combo(1126, kModes).In(kGrid).At(4, 2).Min(120),
    Combo(1127, kModes).In(kGrid).At(4, 3).Min(120),
    Combo(1009, kModes).In(kGrid).At(4, 4).Min(120),
    Label(1253, "Motor's per pluse").In(kGrid).At(5, 0),
    Edit(1128).In(kGrid).At(5, 1),
    Edit(1129).In(kGrid).At(5, 2),
    Edit(1130).In(kGrid).At(5, 3),
    Edit(1131).In(kGrid).At(5, 4),
    Label(1254, "Lead Screw(mm)").In(kGrid).At(6, 0),
    Edit(1132).In(kGrid).At(6, 1),
    Edit(1133).In(kGrid).At(6, 2),
    Edit(1134).In(kGrid).At(6, 3),
    Edit(1135).In(kGrid).At(6, 4),
    Label(1255, "Transmission Ratio").In(kGrid).At(7, 0),
    Edit(1136).In(kGrid).At(7, 1),
    Edit(1137).In(kGrid).At(7, 2),
    Edit(1138).In(kGrid).At(7, 3),
    Edit(1139).In(kGrid).At(7, 4),
    Label(1256, "Feedback Equivalent").In(kGrid).At(8, 0),
    Edit(1140).In(kGrid).At(8, 1),
    Edit(1027).In(kGrid).At(8, 2),
    Edit(1028).In(kGrid).At(8, 3),
    Edit(1029).In(kGrid).At(8, 4),
    Label(1257, "Feedback Frequency").In(kGrid).At(9, 0),
    Combo(1013, kFrequencies).In(kGrid).At(9, 1),
    Combo(1014, kFrequencies).In(kGrid).At(9, 2),
    Combo(1015, kFrequencies).In(kGrid).At(9, 3),
    Combo(1016, kFrequencies).In(kGrid).At(9, 4),
    Label(1258, "PermissibleError").In(kGrid).At(10, 0),
    Edit(1030).In(kGrid).At(10, 1),
    Edit(1031).In(kGrid).At(10, 2),
    Edit(1032).In(kGrid).At(10, 3),
    Edit(1033).In(kGrid).At(10, 4),

    Label(kNote, kNoteText).At(1, 0),
    Panel(kButtons).At(2, 0),
    Stretch().In(kButtons).At(0, 0),
    Button(1123, "No.1 Card Save(&S)").In(kButtons).At(0, 1),
    Button(kNext, "Next(&N)").In(kButtons).At(0, 2),
};

constexpr Text kTexts[] = {
    {kCaption, "Equipment Setting", "设备设置"},
    {1244, "Card No.", "   卡号"},
    {1248, "Check Time(s)", "    检测时间(s)"},
    {1249, "Real-time", "实时补偿"},
    {1250, "Linear Motion Unit", "平移台编程单位"},
    {1251, "Rotary Motion Unit", "旋转台编程单位"},
    {1252, "Equipment Mode", "设备选择"},
    {1253, "Motor's per pluse", "电机每转所需脉冲"},
    {1254, "Lead Screw(mm)", "丝杆导程(mm)"},
    {1255, "Transmission Ratio", "传动比"},
    {1256, "Feedback Equivalent", "反馈当量"},
    {1257, "Feedback Frequency", "反馈倍频"},
    {1258, "PermissibleError", "允许误差"},
    {1123, "NO.1 Setting Save(&S)", "1号卡参数保存(&S)"},
    {1124, "Next(&N)", "下一步(&N)"},
    {kNote, kNoteText,
     "         说明：在反馈当量设置中，如果设备为平移台，则表示1个脉冲所走的距离(单位：μm)，如果为旋转台，"
     "则表示编码器每转的脉冲数。允许误差单位中，旋转台为度(°)，平移台为微米(μm)。"},
    {kRealTime, "No\nYes", "否\n是"},
    {kLinearUnit, "Pulse (P)\nMillimeter(mm)\nMicron(μm)", "脉冲 (P)\n毫米(mm)\n微米(μm)"},
    {kRotaryUnit, "Pulse (P)\nAngle(°)", "脉冲 (P)\n角度(°)"},
    {1125, kModes, "平移台\n旋转台"},
    {1126, kModes, "平移台\n旋转台"},
    {1127, kModes, "平移台\n旋转台"},
    {1009, kModes, "平移台\n旋转台"},
    {1013, kFrequencies, "1倍频\n4倍频"},
    {1014, kFrequencies, "1倍频\n4倍频"},
    {1015, kFrequencies, "1倍频\n4倍频"},
    {1016, kFrequencies, "1倍频\n4倍频"},
};

constexpr int kOrva = 0;
constexpr int kOrvc = 2;

}  // namespace

CEquipmentSettingDlg::CEquipmentSettingDlg(QWidget* parent)
    : CardSettingDialog({"CEquipmentSettingDlg", kLayout, kTexts, kCardList, true}, parent) {
  setWindowTitle(QStringLiteral("Equipment Setting"));
  auto* note = Control<QLabel>(this, kNote);
  note->setWordWrap(true);
  note->setTextFormat(Qt::PlainText);

  // The lists start at "Linear Stage", multiplier "4", "Pulse (P)" for
  // linear and "Angle(°)" for rotary stages.
  values_.equipMode.fill(0);
  values_.encFreq.fill(1);
  values_.linearUnit = 0;
  values_.rotaryUnit = 1;

  // ORVA has no encoder inputs; ORVC has them on the first two axes only.
  const int model = SysParams.Ctrler;
  if (model == kOrva) {
    Enable(kFeedBack, false);
    Enable(kError, false);
    Enable(kEncFreq, false);
    Enable(kRealTime, false);
  } else if (model == kOrvc) {
    for (const Ids& row : {kFeedBack, kError, kEncFreq}) {
      Enable(row[2], false);
      Enable(row[3], false);
    }
  }

  for (int k = 0; k < 4; ++k) {
    connect(Control<QComboBox>(this, kEquipMode[static_cast<std::size_t>(k)]), &QComboBox::currentIndexChanged, this,
            [this, k] { FollowEquipmentMode(k); });
  }
  connect(Control<QPushButton>(this, kNext), &QPushButton::clicked, this, &CEquipmentSettingDlg::OnNext);
  Open();
}

// The values of the whole program are edited with the first card only.
void CEquipmentSettingDlg::LoadCard(int card) {
  const bool first = card == 0;
  Enable(kCheckTime, first);
  Enable(kLinearUnit, first);
  Enable(kRotaryUnit, first);
  Enable(kRealTime, first && SysParams.Ctrler != kOrva);

  LoadEquipmentCard(card, SysParams.Ctrler, values_);
  ShowNumber(kCheckTime, values_.checkTime);
  ShowEntry(kRealTime, values_.realTime);
  ShowEntry(kLinearUnit, values_.linearUnit);
  ShowEntry(kRotaryUnit, values_.rotaryUnit);
  ShowEntries(kEquipMode, values_.equipMode);
  ShowNumbers(kMotorPulse, values_.motorPulse);
  ShowNumbers(kLeadScrew, values_.guide);
  ShowNumbers(kRatio, values_.motorRatio);
  ShowNumbers(kFeedBack, values_.feedBack);
  ShowEntries(kEncFreq, values_.encFreq);
  ShowNumbers(kError, values_.error);
  for (int k = 0; k < 4; ++k) FollowEquipmentMode(k);
}

bool CEquipmentSettingDlg::TakeFields() {
  if (!TakeNumber(kCheckTime, values_.checkTime)) return false;
  values_.realTime = TakenEntry(kRealTime);
  values_.linearUnit = TakenEntry(kLinearUnit);
  values_.rotaryUnit = TakenEntry(kRotaryUnit);
  TakeEntries(kEquipMode, values_.equipMode);
  TakeEntries(kEncFreq, values_.encFreq);
  return TakeNumbers(kMotorPulse, values_.motorPulse) && TakeNumbers(kLeadScrew, values_.guide) &&
         TakeNumbers(kRatio, values_.motorRatio) && TakeNumbers(kFeedBack, values_.feedBack) &&
         TakeNumbers(kError, values_.error);
}

void CEquipmentSettingDlg::SaveCard(int card) { SaveEquipmentSetting(card, values_); }

// The factors follow the stored parameters; typed values stay in the
// dialog only.
void CEquipmentSettingDlg::OnNext() {
  ComputeEquivalents();
  TakeAndClose();
}

// A screw lead means something for a linear stage only.
void CEquipmentSettingDlg::FollowEquipmentMode(int column) {
  const auto k = static_cast<std::size_t>(column);
  Enable(kLeadScrew[k], TakenEntry(kEquipMode[k]) == 0);
}
