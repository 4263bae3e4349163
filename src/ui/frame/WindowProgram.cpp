#include "ui/frame/WindowProgram.h"

#include <QApplication>
#include <QSettings>

#include "motion/Engine.h"
#include "motion/EngineJournal.h"
#include "motion/EngineState.h"
#include "operator/Journal.h"
#include "operator/OperatorMessages.h"
#include "platform/TextCodec.h"
#include "settings/SysParams.h"
#include "ui/common/Artwork.h"
#include "ui/common/QtOperatorPort.h"
#include "ui/diagnostics/JournalLink.h"
#include "ui/dialogs/CCardTypeDlg.h"
#include "ui/dialogs/CEquipmentSettingDlg.h"
#include "ui/dialogs/COtherSettingDlg.h"
#include "ui/frame/CMainFrame.h"
#include "ui/frame/QuitSignals.h"

namespace {

// The application's stored settings, as desktop programs keep them: the
// store start-up opens and the recent-file list lives in.
constexpr const char* kSettingsOrganisation = "Local AppWizard-Generated Applications";
constexpr const char* kAppName = "Tessor";

bool QuitRequested() { return WindowPort() != nullptr && WindowPort()->QuitRequested(); }

}  // namespace

QString FrameCaption() {
  if (SysParams.LangVer == kLangEnglish) return QString::fromStdString(SysParams.TitleNameEng);
  if (SysParams.LangVer == kLangChinese) return QString::fromStdString(platform::GbkToUtf8(SysParams.TitleNameChs));
  return {};
}

bool RunWithQuitQuestion(QDialog& dialog) {
  while (!QuitRequested()) {
    if (dialog.exec() == QDialog::Accepted) return !QuitRequested();
    if (QuitRequested()) break;
    const std::string_view question =
        PickText(CurrentLanguage(), "Are you sure to quit the program?", "您确定退出该程序?");
    if (!question.empty() &&
        Operator().MessageBox(question, kAppTitle, BoxButtons::OkCancel, BoxIcon::None) == kBoxOk) {
      QuitApplication();
    }
  }
  return false;
}

void RunSetUpWizard() {
  bool equipment = true;
  for (;;) {
    if (equipment) {
      CEquipmentSettingDlg dialog;
      if (!RunWithQuitQuestion(dialog)) return;
      equipment = false;
    } else {
      COtherSettingDlg dialog;
      if (!RunWithQuitQuestion(dialog) || !dialog.WentUp()) return;
      equipment = true;
    }
  }
}

StartUpResult RunStartUp() {
  StartUpResult result;
  LoadSysParams();
  if (WindowPort() != nullptr) WindowPort()->FollowLanguage(SysParams.LangVer);
  // The caption follows the language the program started in.
  result.caption = FrameCaption();
  CCardTypeDlg cardType;
  cardType.runWizard = RunSetUpWizard;
  result.showFrame = RunWithQuitQuestion(cardType);
  return result;
}

int RunWindowProgram(QApplication& app, const std::string& program) {
  QApplication::setApplicationName(QString::fromLatin1(kAppName));
  QApplication::setOrganizationName(QString::fromLatin1(kSettingsOrganisation));
  QApplication::setWindowIcon(ui::ArtIcon(ui::Art::App));
  QSettings::setDefaultFormat(QSettings::NativeFormat);

  QtOperatorPort port;
  SetOperatorPort(&port);
  SetWindowPort(&port);
  ui::OpenWindowJournal();
  JournalSessionStart("tessor");
  // A kill or a closed terminal quits as the operator's quit does.
  const QuitSignals quitSignals(&QuitForSignal);

  int exitCode = 0;
  const StartUpResult start = RunStartUp();
  if (start.showFrame) {
    CMainFrame frame(port, start.caption);
    frame.show();
    if (!program.empty()) frame.OpenProgram(program);
    exitCode = port.QuitRequested() ? port.ExitCode() : app.exec();
    // However the program came to end, nothing is left moving.
    StopMotionForQuit(&QtOperatorPort::PauseWhileStopping);
  } else {
    exitCode = port.ExitCode();
  }
  StopStatusTimer(StatusTables.TimerId.load());
  // The couriers of boxes still standing return before their port goes.
  port.ReleaseCouriers();
  JoinTickCouriers();
  // Then the boxes they answered reach the journal.
  journal::Close();
  SetWindowPort(nullptr);
  SetOperatorPort(nullptr);
  return exitCode;
}
