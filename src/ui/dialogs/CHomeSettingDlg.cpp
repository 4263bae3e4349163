#include "ui/dialogs/CHomeSettingDlg.h"

#include <QPushButton>

#include "motion/SettingsChange.h"

namespace {

using namespace ui;

constexpr int kCardList = 1148;
constexpr int kExit = 1124;
constexpr CardSettingDialog::Ids kDirection = {1149, 1150, 1151, 1009};
constexpr CardSettingDialog::Ids kStartSpeed = {1152, 1153, 1154, 1155};
constexpr CardSettingDialog::Ids kMaxSpeed = {1156, 1157, 1158, 1159};
constexpr CardSettingDialog::Ids kAcceleration = {1054, 1085, 1086, 1087};
constexpr CardSettingDialog::Ids kCompensation = {1027, 1028, 1029, 1030};
constexpr int kButtons = -1;

constexpr const char* kDirections = "+\n-";

constexpr Item kLayout[] = {
    Label(1244, "Card No.").At(0, 0),
    Combo(kCardList).At(0, 1),
    Label(1045, "X Axis").At(1, 1),
    Label(1056, "Y Axis").At(1, 2),
    Label(1058, "Z Axis").At(1, 3),
    Label(1059, "T Axis").At(1, 4),
    Label(1260, "Direction").At(2, 0),
    Combo(1149, kDirections).At(2, 1).Min(90),
    Combo(1150, kDirections).At(2, 2).Min(90),
    Combo(1151, kDirections).At(2, 3).Min(90),
    Combo(1009, kDirections).At(2, 4).Min(90),
    Label(1092, "Start-up Speed").At(3, 0),
    Edit(1152).At(3, 1),
    Edit(1153).At(3, 2),
    Edit(1154).At(3, 3),
    Edit(1155).At(3, 4),
    Label(1094, "Max. Speed").At(4, 0),
    Edit(1156).At(4, 1),
    Edit(1157).At(4, 2),
    Edit(1158).At(4, 3),
    Edit(1159).At(4, 4),
    Label(1096, "Acceleration").At(5, 0),
    Edit(1054).At(5, 1),
    Edit(1085).At(5, 2),
    Edit(1086).At(5, 3),
    Edit(1087).At(5, 4),
    Label(1262, "Compensation").At(6, 0),
    Edit(1027).At(6, 1),
    Edit(1028).At(6, 2),
    Edit(1029).At(6, 3),
    Edit(1030).At(6, 4),
    Panel(kButtons).At(7, 0).Span(1, 5),
    Stretch().In(kButtons).At(0, 0),
    Button(1123, "No.1 Card Save(&S)").In(kButtons).At(0, 1),
    Button(kExit, "Exit (&E)").In(kButtons).At(0, 2),
};

constexpr Text kTexts[] = {
    {kCaption, "Home Setting", "回零设置"}, {1244, "Card No.", "卡号"},
    {1260, "Direction", "回零方向"},        {1092, "Start-up Speed", "低速度"},
    {1094, "Max. Speed", "高速度"},         {1096, "Acceleration", "加速度"},
    {1262, "Compensation", "反向补偿"},     {1123, "No.1 Card Save(&S)", "1号卡参数保存(&S)"},
    {kExit, "Exit (&E)", "退出 (&E)"},
};

}  // namespace

CHomeSettingDlg::CHomeSettingDlg(QWidget* parent)
    : CardSettingDialog({"CHomeSettingDlg", kLayout, kTexts, kCardList, true}, parent) {
  setWindowTitle(QStringLiteral("Home Setting"));
  values_.direction.fill(0);  // "+" until a card says otherwise
  connect(Control<QPushButton>(this, kExit), &QPushButton::clicked, this, &CHomeSettingDlg::TakeAndClose);
  Open();
}

void CHomeSettingDlg::LoadCard(int card) {
  LoadHomeCard(card, values_);
  ShowEntries(kDirection, values_.direction);
  ShowNumbers(kStartSpeed, values_.startSpeed);
  ShowNumbers(kMaxSpeed, values_.maxSpeed);
  ShowNumbers(kAcceleration, values_.acceleration);
  ShowNumbers(kCompensation, values_.compensation);
}

bool CHomeSettingDlg::TakeFields() {
  TakeEntries(kDirection, values_.direction);
  return TakeNumbers(kStartSpeed, values_.startSpeed) && TakeNumbers(kMaxSpeed, values_.maxSpeed) &&
         TakeNumbers(kAcceleration, values_.acceleration) && TakeNumbers(kCompensation, values_.compensation);
}

void CHomeSettingDlg::SaveCard(int card) { SaveHomeSetting(card, values_); }
