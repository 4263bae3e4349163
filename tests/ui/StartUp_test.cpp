// Start-up: the parameters, the Card Type dialog with its quit question,
// card initialisation and the main window's caption.

#include <QComboBox>
#include <QFile>

#include "UiTest.h"
#include "motion/AboutText.h"
#include "ui/dialogs/CCardTypeDlg.h"
#include "ui/frame/WindowProgram.h"

using namespace uitest;

namespace {

constexpr int kLanguageList = 1006;
constexpr int kControllerList = 1001;
constexpr int kFinished = 1190;

QComboBox* List(QDialog* dialog, int id) { return Control<QComboBox>(dialog, id); }

}  // namespace

class StartUpTest : public QObject {
  Q_OBJECT

 private slots:
  // Without sysparam.cfg the defaults apply: Chinese, ORV B; Finished
  // brings the cards up and saves the parameters.
  void firstStartOpensInChineseWithOrvB() {
    Bench bench(kOrva, 1, kLangEnglish);
    QVERIFY(!QFile::exists(bench.Folder() + "/sysparam.cfg"));
    DialogScript script;
    bool seen = false;
    script.Handle([&](QDialog* dialog) {
      QCOMPARE(dialog->objectName(), QStringLiteral("CCardTypeDlg"));
      QCOMPARE(dialog->windowTitle(), QStringLiteral("类型选择"));
      QCOMPARE(List(dialog, kLanguageList)->currentIndex(), 1);
      QCOMPARE(List(dialog, kControllerList)->currentText(), QStringLiteral("ORV B"));
      QCOMPARE(TextOf(dialog, 1308), QStringLiteral("语言类型"));
      QCOMPARE(TextOf(dialog, 1243), QStringLiteral("控制卡选择"));
      QCOMPARE(TextOf(dialog, 1190), QStringLiteral("完成(&F)"));
      QCOMPARE(TextOf(dialog, 1007), QStringLiteral("下一步(&N)"));
      seen = true;
      Click(dialog, kFinished);
    });
    const StartUpResult result = RunStartUp();
    QVERIFY(seen);
    QVERIFY(result.showFrame);
    QCOMPARE(result.caption, QStringLiteral("电动平移台应用软件"));
    // The missing file is reported (in the system's language), then created.
    QCOMPARE(script.Shown().size(), 2);
    QVERIFY(script.Shown()[0].startsWith(QStringLiteral("Open config file ")));
    QCOMPARE(script.Shown()[1], QStringLiteral("卡数 = 1,轴数 = 4"));
    QCOMPARE(SysParams.Ctrler, kOrvb);
    QCOMPARE(CardDriver.model.load(), kOrvb);
    QCOMPARE(RunControl.CardCount.load(), 1);
    QCOMPARE(RunControl.AxisCount.load(), 4);
    QVERIFY(QFile::exists(bench.Folder() + "/sysparam.cfg"));
  }

  // Switching the language relabels the open dialog at once; the caption
  // was chosen before it opened.
  void switchingTheLanguageRelabelsTheDialog() {
    Bench bench(kOrvb, 1, kLangChinese);
    SaveSysParams();
    DialogScript script;
    script.Handle([&](QDialog* dialog) {
      List(dialog, kLanguageList)->setCurrentIndex(0);
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Type Select"));
      QCOMPARE(TextOf(dialog, 1308), QStringLiteral("Language"));
      QCOMPARE(TextOf(dialog, 1243), QStringLiteral("Controller Type"));
      QCOMPARE(TextOf(dialog, 1190), QStringLiteral("Finished(&F)"));
      QCOMPARE(TextOf(dialog, 1007), QStringLiteral("Next(&N)"));
      List(dialog, kControllerList)->setCurrentIndex(2);
      Click(dialog, kFinished);
    });
    const StartUpResult result = RunStartUp();
    QVERIFY(result.showFrame);
    QCOMPARE(result.caption, QStringLiteral("电动平移台应用软件"));
    QCOMPARE(SysParams.LangVer, kLangEnglish);
    QCOMPARE(SysParams.Ctrler, kOrvc);
    QCOMPARE(script.Shown(), QStringList{QStringLiteral("Card(s) = 1,Axis = 4")});
  }

  // Closing the dialog asks whether to quit; Cancel shows it again, with
  // the language chosen last.
  void cancelThenCancelShowsTheDialogAgain() {
    Bench bench(kOrvb, 1, kLangChinese);
    SaveSysParams();
    DialogScript script;
    int shown = 0;
    script.Handle([&](QDialog* dialog) {
      ++shown;
      List(dialog, kLanguageList)->setCurrentIndex(0);
      dialog->reject();
    });
    script.Answer(kBoxCancel);
    script.Handle([&](QDialog* dialog) {
      ++shown;
      QCOMPARE(List(dialog, kLanguageList)->currentIndex(), 0);
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Type Select"));
      Click(dialog, kFinished);
    });
    const StartUpResult result = RunStartUp();
    QCOMPARE(shown, 2);
    QVERIFY(result.showFrame);
    QCOMPARE(script.Shown().first(), QStringLiteral("Are you sure to quit the program?"));
    QVERIFY(!bench.Port().QuitRequested());
  }

  void cancelThenOkQuits() {
    Bench bench(kOrvb, 1, kLangChinese);
    SaveSysParams();
    DialogScript script;
    script.Handle([](QDialog* dialog) { dialog->reject(); });
    script.Answer(kBoxOk);
    const StartUpResult result = RunStartUp();
    QVERIFY(!result.showFrame);
    QVERIFY(bench.Port().QuitRequested());
    QCOMPARE(script.Shown(), QStringList{QStringLiteral("您确定退出该程序?")});
    QVERIFY(script.Unexpected().isEmpty());  // the dialog did not come back
  }

  // No card answers: messages 7 and 5, and the main window still opens
  // with nothing found.
  void withoutCardsTheWindowStillOpens() {
    Bench bench;
    SaveSysParams();
    bench.UseMachine("cards = 0\n");
    DialogScript script;
    script.Handle([](QDialog* dialog) {
      List(dialog, kLanguageList)->setCurrentIndex(0);
      Click(dialog, kFinished);
    });
    const StartUpResult result = RunStartUp();
    QVERIFY(result.showFrame);
    QCOMPARE(script.Shown(), (QStringList{Message(7), Message(5)}));
    QCOMPARE(RunControl.CardCount.load(), 0);
    QCOMPARE(RunControl.AxisCount.load(), 0);
    auto frame = bench.MakeFrame(result.caption);
    QVERIFY(frame->isVisible());
    QVERIFY(QString::fromStdString(AboutText(kLangEnglish)).startsWith("There are 0 Card(s), 0 Axes in computer\n"));
  }

  // Next saves the choice and initialises the cards before the set-up
  // dialogs.
  void nextSavesAndInitialisesTheCards() {
    Bench bench;
    SaveSysParams();
    DialogScript script;
    script.Handle([](QDialog* dialog) {
      List(dialog, kLanguageList)->setCurrentIndex(0);
      List(dialog, kControllerList)->setCurrentIndex(0);
      Click(dialog, 1007);
    });
    script.Handle(
        [](QDialog* equipment) { QTimer::singleShot(0, equipment, [equipment] { Click(equipment, 1124); }); });
    script.Handle([](QDialog* other) { QTimer::singleShot(0, other, [other] { Click(other, 1147); }); });
    const StartUpResult result = RunStartUp();
    QVERIFY(result.showFrame);
    QCOMPARE(script.Shown().first(), QStringLiteral("Card(s) = 1,Axis = 4"));
    QCOMPARE(CardDriver.model.load(), kOrva);
    QFile file(bench.Folder() + "/sysparam.cfg");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("[Ctrler]=0\r\n"));
  }
};

QTEST_MAIN(StartUpTest)
#include "StartUp_test.moc"
