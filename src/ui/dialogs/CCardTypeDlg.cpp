#include "ui/dialogs/CCardTypeDlg.h"

#include <QComboBox>
#include <QPushButton>

#include "motion/Engine.h"
#include "motion/SettingsChange.h"
#include "operator/OperatorMessages.h"
#include "settings/SysParams.h"
#include "ui/common/Layout.h"
#include "ui/common/QtOperatorPort.h"
#include "ui/common/Texts.h"

namespace {

using namespace ui;

constexpr int kLanguageList = 1006;
constexpr int kControllerList = 1001;
constexpr int kNext = 1007;
constexpr int kFinished = 1190;

constexpr Item kLayout[] = {
    Label(1308, "Language").At(0, 0),        Combo(kLanguageList).At(0, 1).Min(150),
    Label(1243, "Controller Type").At(1, 0), Combo(kControllerList).At(1, 1).Min(150),
    Button(kNext, "Next(&N)").At(2, 0),      Button(kFinished, "Finished(&F)").At(2, 1),
};

constexpr Text kTexts[] = {
    {kCaption, "Type Select", "类型选择"}, {1308, "Language", "语言类型"},   {1243, "Controller Type", "控制卡选择"},
    {1190, "Finished(&F)", "完成(&F)"},    {1007, "Next(&N)", "下一步(&N)"},
};

// The lists' entries are the dialog's own data: an index is the value.
const char* const kLanguages[] = {"English", "Chinese"};
const char* const kControllers[] = {"ORV A", "ORV B", "ORV C"};

}  // namespace

CCardTypeDlg::CCardTypeDlg(QWidget* parent) : QDialog(parent) {
  MarkWindow(this, "CCardTypeDlg");
  setWindowTitle(QStringLiteral("Card Type"));
  BuildLayout(this, kLayout);
  language_ = Control<QComboBox>(this, kLanguageList);
  controller_ = Control<QComboBox>(this, kControllerList);
  for (const char* entry : kLanguages) language_->addItem(QString::fromLatin1(entry));
  for (const char* entry : kControllers) controller_->addItem(QString::fromLatin1(entry));

  language_->setCurrentIndex(0);
  controller_->setCurrentIndex(0);
  if (SysParams.LangVer == 0 || SysParams.LangVer == 1) language_->setCurrentIndex(SysParams.LangVer);
  if (SysParams.Ctrler >= 0 && SysParams.Ctrler <= 2) controller_->setCurrentIndex(SysParams.Ctrler);
  ApplyLanguageTexts();

  connect(language_, &QComboBox::currentIndexChanged, this, &CCardTypeDlg::OnLanguageChange);
  connect(Control<QPushButton>(this, kFinished), &QPushButton::clicked, this, &CCardTypeDlg::OnFinished);
  connect(Control<QPushButton>(this, kNext), &QPushButton::clicked, this, &CCardTypeDlg::OnNext);
}

void CCardTypeDlg::ApplyLanguageTexts() { ApplyTexts(this, kTexts, SysParams.LangVer); }

void CCardTypeDlg::OnLanguageChange(int index) {
  if (index == 0 || index == 1) SysParams.LangVer = index;
  if (QtOperatorPort* port = WindowPort()) port->FollowLanguage(SysParams.LangVer);
  ApplyLanguageTexts();
}

void CCardTypeDlg::ReadController() {
  const int index = controller_->currentIndex();
  SysParams.Ctrler = index == 0 || index == 1 ? index : 2;
}

void CCardTypeDlg::OnFinished() {
  ReadController();
  accept();
  CompleteCardSetup();
  JournalSettingsSaved("Card Type");
}

void CCardTypeDlg::OnNext() {
  ReadController();
  accept();
  SaveSysParams();
  JournalSettingsSaved("Card Type");
  InitCards();
  if (runWizard) runWizard();
}
