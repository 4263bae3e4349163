#include "ui/dialogs/COtherSettingDlg.h"

#include <QComboBox>
#include <QPushButton>

#include "motion/SettingsChange.h"
#include "motion/Units.h"
#include "operator/OperatorMessages.h"
#include "settings/SysParams.h"
#include "ui/common/Fields.h"

namespace {

using namespace ui;

constexpr int kGroup = 1292;
constexpr int kCardList = 1142;
constexpr int kDecel = 1143;
constexpr int kLimit = 1144;
constexpr int kAlarm = 1145;
constexpr int kOrigin = 1146;
constexpr int kPulseType = 1010;
constexpr int kHomeMode = 1011;
constexpr int kUp = 1164;
constexpr int kNext = 1147;
constexpr int kButtons = -1;

constexpr const char* kLevels = "Low Level\nHigh Level";
constexpr const char* kLevelsChinese = "低电平\n高电平";

constexpr Item kLayout[] = {
    Group(kGroup, "Parameter Setting").At(0, 0),
    Label(1244, "Card No.").In(kGroup).At(0, 0),
    Combo(kCardList).In(kGroup).At(0, 1).Min(140),
    Label(1293, "Decel Signal Logic").In(kGroup).At(1, 0),
    Combo(kDecel, kLevels).In(kGroup).At(1, 1).Min(140),
    Label(1294, "Limit Signal Logic").In(kGroup).At(1, 2),
    Combo(kLimit, kLevels).In(kGroup).At(1, 3).Min(140),
    Label(1049, "Alarm Signal Logic").In(kGroup).At(2, 0),
    Combo(kAlarm, kLevels).In(kGroup).At(2, 1),
    Label(1295, "Origin Signal Logic").In(kGroup).At(2, 2),
    Combo(kOrigin, kLevels).In(kGroup).At(2, 3),
    Label(1296, "Pulse Output Mode").In(kGroup).At(3, 0),
    Combo(kPulseType, "Double Pulse\nPulse/Direction").In(kGroup).At(3, 1),
    Label(1228, "Home Mode").In(kGroup).At(3, 2),
    Combo(kHomeMode).In(kGroup).At(3, 3),
    Panel(kButtons).At(1, 0),
    Stretch().In(kButtons).At(0, 0),
    Button(kUp, "Up(&U)").In(kButtons).At(0, 1),
    Button(1123, "No.1 Card Save(&S)").In(kButtons).At(0, 2),
    Button(kNext, "Next(&N)").In(kButtons).At(0, 3),
};

constexpr Text kTexts[] = {
    {kCaption, "Other Setting", "其它设置"},
    {1244, "Card No.", "卡号"},
    {kGroup, "Parameter Setting", "参数设置"},
    {1293, "Decel Signal Logic", "减速信号有效电平"},
    {1294, "Limit Signal Logic", "限位信号有效电平"},
    {1049, "Alarm Signal Logic", "报警信号有效电平"},
    {1295, "Origin Signal Logic", "原点信号有效电平"},
    {1296, "Pulse Output Mode", "脉冲输出模式"},
    {1228, "Home Mode", "回零模式"},
    {kUp, "Up(&U)", "上一步(&U)"},
    {1123, "No.1 Card Save(&S)", "1号卡参数保存(&S)"},
    {kNext, "Next(&N)", "下一步(&N)"},
    {kDecel, kLevels, kLevelsChinese},
    {kLimit, kLevels, kLevelsChinese},
    {kAlarm, kLevels, kLevelsChinese},
    {kOrigin, kLevels, kLevelsChinese},
    {kPulseType, "Double Pulse\nPulse/Direction", "双脉冲模式\n脉冲/方向模式"},
};

}  // namespace

COtherSettingDlg::COtherSettingDlg(QWidget* parent)
    : CardSettingDialog({"COtherSettingDlg", kLayout, kTexts, kCardList, false}, parent) {
  setWindowTitle(QStringLiteral("Other Setting"));
  connect(Control<QPushButton>(this, kNext), &QPushButton::clicked, this, &COtherSettingDlg::OnNext);
  connect(Control<QPushButton>(this, kUp), &QPushButton::clicked, this, &COtherSettingDlg::OnUp);
  Open();
}

// The home modes depend on the card model: none (and no choice) on ORVA.
void COtherSettingDlg::ApplyLanguageTexts() {
  CardSettingDialog::ApplyLanguageTexts();
  auto* homeMode = Control<QComboBox>(this, kHomeMode);
  if (SysParams.LangVer == kLangEnglish || SysParams.LangVer == kLangChinese) {
    FillList(homeMode, HomeModeListTexts(SysParams.Ctrler, SysParams.LangVer));
  }
  homeMode->setCurrentIndex(homeMode->count() > 0 ? 0 : -1);
  homeMode->setEnabled(HomeModeCount(SysParams.Ctrler) > 0);
}

void COtherSettingDlg::LoadCard(int card) {
  LoadOtherCard(card, values_, Control<QComboBox>(this, kHomeMode)->count());
  ShowEntry(kDecel, values_.decel);
  ShowEntry(kLimit, values_.limit);
  ShowEntry(kAlarm, values_.alarm);
  ShowEntry(kOrigin, values_.origin);
  ShowEntry(kPulseType, values_.pulseType);
  ShowEntry(kHomeMode, values_.homeMode);
}

bool COtherSettingDlg::TakeFields() {
  values_.decel = TakenEntry(kDecel);
  values_.limit = TakenEntry(kLimit);
  values_.alarm = TakenEntry(kAlarm);
  values_.origin = TakenEntry(kOrigin);
  values_.pulseType = TakenEntry(kPulseType);
  values_.homeMode = TakenEntry(kHomeMode);
  return true;
}

void COtherSettingDlg::SaveCard(int card) { SaveOtherSetting(card, values_); }

// The stored signal settings reach the cards; the wizard ends.
void COtherSettingDlg::OnNext() {
  ApplyAxisSettings();
  TakeAndClose();
}

void COtherSettingDlg::OnUp() {
  wentUp_ = true;
  TakeAndClose();
}
