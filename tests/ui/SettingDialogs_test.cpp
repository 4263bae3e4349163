// The homing and jog settings: opened from the control panel's two Setting
// buttons, a card at a time, Save after the save question with the speed
// check over all four columns, refused while a motion runs; Exit saves
// nothing.

#include <QComboBox>
#include <QLineEdit>

#include "TempFolder.h"
#include "UiTest.h"
#include "ui/dialogs/CEquipmentSettingDlg.h"
#include "ui/dialogs/CHomeSettingDlg.h"
#include "ui/dialogs/COtherSettingDlg.h"
#include "ui/dialogs/CPtoPSettingDlg.h"
#include "ui/frame/CCtrlDlg.h"

using namespace uitest;

namespace {

const QString kSaveQuestion = QStringLiteral("Are you sure to save it?");

QComboBox* List(QWidget* window, int id) { return Control<QComboBox>(window, id); }
QLineEdit* Field(QWidget* window, int id) { return Control<QLineEdit>(window, id); }
std::string FileBytes() { return ReadFileBytes(SysParamsPath); }

}  // namespace

class SettingDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  // Every setting dialog's card list names the second card only when there
  // is one.
  void cardListsFollowTheCardCount_data() {
    QTest::addColumn<int>("cards");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("entries");
    QTest::newRow("one card") << 1 << int(kLangEnglish) << QStringLiteral("No.1");
    QTest::newRow("two cards") << 2 << int(kLangEnglish) << QStringLiteral("No.1\nNo.2");
    QTest::newRow("one card, Chinese") << 1 << int(kLangChinese) << QStringLiteral("1号卡");
    QTest::newRow("two cards, Chinese") << 2 << int(kLangChinese) << QStringLiteral("1号卡\n2号卡");
  }
  void cardListsFollowTheCardCount() {
    QFETCH(int, cards);
    QFETCH(int, language);
    QFETCH(QString, entries);
    Bench bench(kOrvb, cards, language);
    CEquipmentSettingDlg equipment;
    COtherSettingDlg other;
    CHomeSettingDlg home;
    CPtoPSettingDlg jog;
    QCOMPARE(TextOf(&equipment, 1148), entries);
    QCOMPARE(TextOf(&other, 1142), entries);
    QCOMPARE(TextOf(&home, 1148), entries);
    QCOMPARE(TextOf(&jog, 1148), entries);
  }

  void controlPanelButtonsOpenTheDialogs() {
    Bench bench;
    auto frame = bench.MakeFrame();
    QStringList seen;
    DialogScript script;
    for (int i = 0; i < 2; ++i) {
      script.Handle([&](QDialog* d) {
        seen << d->objectName() + ":" + d->windowTitle() + (d->isModal() ? QString() : QStringLiteral(" modeless"));
        d->reject();
      });
    }
    Click(frame->ControlPanel(), 1200);
    Click(frame->ControlPanel(), 1196);
    QCOMPARE(seen, (QStringList{QStringLiteral("CHomeSettingDlg:Home Setting"),
                                QStringLiteral("CPtoPSettingDlg:Point to Point Setting")}));
  }

  void homeSettingSecondCardThirdColumnNegative() {
    Bench bench(kOrvb, 2);
    CHomeSettingDlg dialog;
    dialog.show();
    QCOMPARE(TextOf(&dialog, 1148), QStringLiteral("No.1\nNo.2"));
    QCOMPARE(TextOf(&dialog, 1149), QStringLiteral("+\n-"));
    List(&dialog, 1148)->setCurrentIndex(1);
    QCOMPARE(TextOf(&dialog, 1045), QStringLiteral("A Axis"));
    QCOMPARE(TextOf(&dialog, 1058), QStringLiteral("C Axis"));
    QCOMPARE(TextOf(&dialog, 1123), QStringLiteral("No.2 Card Save(&S)"));
    List(&dialog, 1151)->setCurrentIndex(1);
    Field(&dialog, 1029)->setText(QStringLiteral("-2.5"));
    DialogScript script;
    script.Answer(kBoxOk);
    Click(&dialog, 1123);
    QCOMPARE(script.Shown(), QStringList{kSaveQuestion});
    QCOMPARE(SysParams.Dir[6], -1);
    QCOMPARE(SysParams.Dir[4], 1);
    QCOMPARE(SysParams.Dir[2], 1);
    QCOMPARE(SysParams.Expiation[6], -2.5);
    QVERIFY(FileBytes().find("[Dir[6]]=-1") != std::string::npos);

    CHomeSettingDlg again;
    QCOMPARE(List(&again, 1151)->currentText(), QStringLiteral("+"));  // card 1 first
    List(&again, 1148)->setCurrentIndex(1);
    QCOMPARE(List(&again, 1151)->currentText(), QStringLiteral("-"));
    QCOMPARE(Field(&again, 1029)->text(), QStringLiteral("-2.5"));
  }

  // Exactly 2000000 pulses/s on the T column: message 1 after the save
  // question, and none of the four columns is saved.
  void jogMaximumSpeedAtTheCardsRangeSavesNothing() {
    Bench bench;
    SaveSysParams();
    const std::string before = FileBytes();
    CPtoPSettingDlg dialog;
    dialog.show();
    Field(&dialog, 1156)->setText(QStringLiteral("60"));
    Field(&dialog, 1048)->setText(QStringLiteral("9"));
    Field(&dialog, 1159)->setText(QStringLiteral("2000000"));
    DialogScript script;
    script.Answer(kBoxOk);
    Click(&dialog, 1123);
    QCOMPARE(script.TakeShown(), (QStringList{kSaveQuestion, Message(1)}));
    QCOMPARE(SysParams.PMoveSetHighSpd[0], 50.0);
    QCOMPARE(SysParams.PMoveSetStep[0], 50.0);
    QCOMPARE(SysParams.PMoveSetHighSpd[3], 50.0);
    QCOMPARE(FileBytes(), before);

    Field(&dialog, 1159)->setText(QStringLiteral("1999999"));
    script.Answer(kBoxOk);
    Click(&dialog, 1123);
    QCOMPARE(script.TakeShown(), QStringList{kSaveQuestion});
    QCOMPARE(SysParams.PMoveSetHighSpd[0], 60.0);
    QCOMPARE(SysParams.PMoveSetStep[0], 9.0);
    QCOMPARE(SysParams.PMoveSetHighSpd[3], 1999999.0);
  }

  void exitSavesNothing() {
    Bench bench;
    {
      CPtoPSettingDlg dialog;
      dialog.show();
      Field(&dialog, 1152)->setText(QStringLiteral("99"));
      Click(&dialog, 1102);
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    QCOMPARE(SysParams.PMoveSetLowSpd[0], 30.0);
    CPtoPSettingDlg reopened;
    QCOMPARE(Field(&reopened, 1152)->text(), QStringLiteral("30"));

    CHomeSettingDlg home;
    home.show();
    List(&home, 1149)->setCurrentIndex(1);
    Click(&home, 1124);
    QCOMPARE(home.result(), int(QDialog::Accepted));
    QCOMPARE(SysParams.Dir[0], 1);
  }

  void cancelOrARunningMotionWritesNothing() {
    Bench bench;
    SaveSysParams();
    const std::string before = FileBytes();
    CHomeSettingDlg dialog;
    dialog.show();
    Field(&dialog, 1156)->setText(QStringLiteral("70"));
    DialogScript script;
    script.Answer(kBoxCancel);
    Click(&dialog, 1123);
    QCOMPARE(script.TakeShown(), QStringList{kSaveQuestion});
    QCOMPARE(SysParams.HighSpd[0], 50.0);
    QCOMPARE(FileBytes(), before);

    RunControl.BusyJog = true;
    script.Answer(kBoxOk);
    Click(&dialog, 1123);
    QCOMPARE(script.TakeShown(), (QStringList{kSaveQuestion, Message(9)}));
    QCOMPARE(SysParams.HighSpd[0], 50.0);
    QCOMPARE(FileBytes(), before);
    RunControl.BusyJog = false;
  }

  void textsInBothLanguages() {
    {
      Bench bench(kOrvb, 1, kLangChinese);
      CHomeSettingDlg home;
      QCOMPARE(home.windowTitle(), QStringLiteral("回零设置"));
      QCOMPARE(TextOf(&home, 1244), QStringLiteral("卡号"));
      QCOMPARE(TextOf(&home, 1260), QStringLiteral("回零方向"));
      QCOMPARE(TextOf(&home, 1094), QStringLiteral("高速度"));
      QCOMPARE(TextOf(&home, 1262), QStringLiteral("反向补偿"));
      QCOMPARE(TextOf(&home, 1124), QStringLiteral("退出 (&E)"));
      QCOMPARE(TextOf(&home, 1123), QStringLiteral("1号卡参数保存(&S)"));
      QCOMPARE(TextOf(&home, 1148), QStringLiteral("1号卡"));
      QCOMPARE(TextOf(&home, 1056), QStringLiteral("Y轴"));
      CPtoPSettingDlg jog;
      QCOMPARE(jog.windowTitle(), QStringLiteral("点动设置"));
      QCOMPARE(TextOf(&jog, 1297), QStringLiteral("距离"));
      QCOMPARE(TextOf(&jog, 1102), QStringLiteral("退出 (&E)"));
    }
    {
      Bench bench;
      CHomeSettingDlg home;
      QCOMPARE(home.objectName(), QStringLiteral("CHomeSettingDlg"));
      QCOMPARE(TextOf(&home, 1094), QStringLiteral("Max. Speed"));
      QCOMPARE(TextOf(&home, 1092), QStringLiteral("Start-up Speed"));
      QCOMPARE(TextOf(&home, 1124), QStringLiteral("Exit (&E)"));
      QCOMPARE(TextOf(&home, 1148), QStringLiteral("No.1"));  // one card
      CPtoPSettingDlg jog;
      QCOMPARE(jog.objectName(), QStringLiteral("CPtoPSettingDlg"));
      QCOMPARE(jog.windowTitle(), QStringLiteral("Point to Point Setting"));
      QCOMPARE(TextOf(&jog, 1094), QStringLiteral("Max.  Speed"));
      QCOMPARE(TextOf(&jog, 1059), QStringLiteral("T Axis"));
    }
  }
};

QTEST_MAIN(SettingDialogsTest)
#include "SettingDialogs_test.moc"
