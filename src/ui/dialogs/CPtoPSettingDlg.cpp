#include "ui/dialogs/CPtoPSettingDlg.h"

#include <QPushButton>

#include "motion/SettingsChange.h"

namespace {

using namespace ui;

constexpr int kCardList = 1148;
constexpr int kExit = 1102;
constexpr CardSettingDialog::Ids kStartSpeed = {1152, 1153, 1154, 1155};
constexpr CardSettingDialog::Ids kMaxSpeed = {1156, 1157, 1158, 1159};
constexpr CardSettingDialog::Ids kAcceleration = {1054, 1085, 1086, 1087};
constexpr CardSettingDialog::Ids kDistance = {1048, 1067, 1068, 1069};
constexpr int kButtons = -1;

constexpr Item kLayout[] = {
    Label(1244, "Card No.").At(0, 0),
    Combo(kCardList).At(0, 1),
    Label(1045, "X Axis").At(1, 1),
    Label(1056, "Y Axis").At(1, 2),
    Label(1058, "Z Axis").At(1, 3),
    Label(1059, "T Axis").At(1, 4),
    Label(1092, "Start-up Speed").At(2, 0),
    Edit(1152).At(2, 1).Min(90),
    Edit(1153).At(2, 2).Min(90),
    Edit(1154).At(2, 3).Min(90),
    Edit(1155).At(2, 4).Min(90),
    Label(1094, "Max.  Speed").At(3, 0),
    Edit(1156).At(3, 1),
    Edit(1157).At(3, 2),
    Edit(1158).At(3, 3),
    Edit(1159).At(3, 4),
    Label(1096, "Acceleration").At(4, 0),
    Edit(1054).At(4, 1),
    Edit(1085).At(4, 2),
    Edit(1086).At(4, 3),
    Edit(1087).At(4, 4),
    Label(1297, "Distance").At(5, 0),
    Edit(1048).At(5, 1),
    Edit(1067).At(5, 2),
    Edit(1068).At(5, 3),
    Edit(1069).At(5, 4),
    Panel(kButtons).At(6, 0).Span(1, 5),
    Stretch().In(kButtons).At(0, 0),
    Button(1123, "No.1 Card Save(&S)").In(kButtons).At(0, 1),
    Button(kExit, "Exit (&E)").In(kButtons).At(0, 2),
};

constexpr Text kTexts[] = {
    {kCaption, "Point to Point Setting", "点动设置"},
    {1244, "Card No.", "卡号"},
    {1092, "Start-up Speed", "低速度"},
    {1094, "Max.  Speed", "高速度"},
    {1096, "Acceleration", "加速度"},
    {1297, "Distance", "距离"},
    {1123, "No.1 Card Save(&S)", "1号卡参数保存(&S)"},
    {kExit, "Exit (&E)", "退出 (&E)"},
};

}  // namespace

CPtoPSettingDlg::CPtoPSettingDlg(QWidget* parent)
    : CardSettingDialog({"CPtoPSettingDlg", kLayout, kTexts, kCardList, true}, parent) {
  setWindowTitle(QStringLiteral("Point to Point Setting"));
  connect(Control<QPushButton>(this, kExit), &QPushButton::clicked, this, &CPtoPSettingDlg::TakeAndClose);
  Open();
}

void CPtoPSettingDlg::LoadCard(int card) {
  LoadJogCard(card, values_);
  ShowNumbers(kStartSpeed, values_.startSpeed);
  ShowNumbers(kMaxSpeed, values_.maxSpeed);
  ShowNumbers(kAcceleration, values_.acceleration);
  ShowNumbers(kDistance, values_.distance);
}

bool CPtoPSettingDlg::TakeFields() {
  return TakeNumbers(kStartSpeed, values_.startSpeed) && TakeNumbers(kMaxSpeed, values_.maxSpeed) &&
         TakeNumbers(kAcceleration, values_.acceleration) && TakeNumbers(kDistance, values_.distance);
}

void CPtoPSettingDlg::SaveCard(int card) { SaveJogSetting(card, values_); }
