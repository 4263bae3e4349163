// The set-up wizard: Equipment Setting and Other Setting with their model
// and card rules, what Save writes, what Next sends to the cards, the quit
// question on closing, and the Card Type dialog's Next that leads through
// them.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "TempFolder.h"
#include "UiTest.h"
#include "ui/dialogs/CEquipmentSettingDlg.h"
#include "ui/dialogs/COtherSettingDlg.h"
#include "ui/frame/WindowProgram.h"

using namespace uitest;

namespace {

const QString kSaveQuestion = QStringLiteral("Are you sure to save it?");
const QString kQuitQuestion = QStringLiteral("Are you sure to quit the program?");

QComboBox* List(QWidget* window, int id) { return Control<QComboBox>(window, id); }
QLineEdit* Field(QWidget* window, int id) { return Control<QLineEdit>(window, id); }
bool Enabled(QWidget* window, int id) { return Control<QWidget>(window, id)->isEnabled(); }

// Presses a dialog's button once the script's handler has returned, so the
// boxes it opens are answered too.
void ClickLater(QDialog* dialog, int id) {
  QTimer::singleShot(0, dialog, [dialog, id] { Click(dialog, id); });
}

std::string FileBytes() { return ReadFileBytes(SysParamsPath); }

}  // namespace

class SetUpWizardTest : public QObject {
  Q_OBJECT

 private slots:
  // The second card's page leaves the whole program's values alone: they
  // are shown disabled and Save writes back only the check time.
  void equipmentSecondCardKeepsTheProgramsValues() {
    Bench bench(kOrvb, 2);
    SysParams.UnitLine = 1;
    SysParams.UnitCir = 3;
    SysParams.Input = 1;
    SysParams.CheckTime = 2;
    CEquipmentSettingDlg dialog;
    dialog.show();
    QCOMPARE(TextOf(&dialog, 1148), QStringLiteral("No.1\nNo.2"));
    QCOMPARE(TextOf(&dialog, 1123), QStringLiteral("No.1 Card Save(&S)"));
    QVERIFY(Enabled(&dialog, 1011) && Enabled(&dialog, 1010) && Enabled(&dialog, 1012) && Enabled(&dialog, 1230));

    List(&dialog, 1148)->setCurrentIndex(1);
    for (int id : {1011, 1010, 1012, 1230}) QVERIFY2(!Enabled(&dialog, id), qPrintable(QString::number(id)));
    QCOMPARE(TextOf(&dialog, 1123), QStringLiteral("No.2 Card Save(&S)"));
    QCOMPARE(TextOf(&dialog, 1045), QStringLiteral("A Axis"));
    QCOMPARE(TextOf(&dialog, 1059), QStringLiteral("D Axis"));
    QCOMPARE(Field(&dialog, 1128)->text(), QStringLiteral("3200"));

    Field(&dialog, 1128)->setText(QStringLiteral("5000"));
    List(&dialog, 1010)->setCurrentIndex(2);  // disabled, yet a value is shown
    DialogScript script;
    script.Answer(kBoxOk);
    Click(&dialog, 1123);
    QCOMPARE(script.Shown(), QStringList{kSaveQuestion});
    QCOMPARE(SysParams.MotorPulse[4], 5000.0);
    QCOMPARE(SysParams.MotorPulse[0], 3200.0);
    QCOMPARE(SysParams.UnitLine, 1);
    QCOMPARE(SysParams.UnitCir, 3);
    QCOMPARE(SysParams.Input, 1);
    QCOMPARE(SysParams.CheckTime, 2.0);
    QCOMPARE(SysParams.Unit[4], 1);  // a linear stage in the unchanged unit
    QVERIFY(FileBytes().find("[MotorPulse[4]]=5000.000000") != std::string::npos);

    List(&dialog, 1148)->setCurrentIndex(0);
    QVERIFY(Enabled(&dialog, 1011));
    QCOMPARE(TextOf(&dialog, 1045), QStringLiteral("X Axis"));
  }

  void equipmentUnitsFollowTheStageType() {
    Bench bench;
    CEquipmentSettingDlg dialog;
    dialog.show();
    List(&dialog, 1125)->setCurrentIndex(1);  // X: "Rotary Stage"
    List(&dialog, 1126)->setCurrentIndex(0);  // Y: "Linear Stage"
    List(&dialog, 1012)->setCurrentIndex(1);  // "Angle(°)"
    List(&dialog, 1010)->setCurrentIndex(2);  // "Micron(μm)"
    QCOMPARE(List(&dialog, 1010)->currentText(), QStringLiteral("Micron(μm)"));
    DialogScript script;
    script.Answer(kBoxOk);
    Click(&dialog, 1123);
    QCOMPARE(SysParams.Unit[0], 3);
    QCOMPARE(SysParams.Unit[1], 2);
    QCOMPARE(SysParams.Equip[0], 1);
    QCOMPARE(SysParams.UnitCir, 3);
    QCOMPARE(SysParams.UnitLine, 2);
  }

  void equipmentModelRules() {
    {
      Bench bench(kOrva);
      SysParams.EncFreq[0] = 1;
      CEquipmentSettingDlg dialog;
      for (int id : {1140, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1013, 1014, 1015, 1016, 1230}) {
        QVERIFY2(!Enabled(&dialog, id), qPrintable(QString::number(id)));
      }
      QCOMPARE(List(&dialog, 1013)->currentText(), QStringLiteral("4"));
      DialogScript script;
      script.Answer(kBoxOk);
      Click(&dialog, 1123);
      for (int i = 0; i < 4; ++i) QCOMPARE(SysParams.EncFreq[i], 4);
    }
    {
      Bench bench(kOrvc);
      SysParams.EncFreq[1] = 1;
      CEquipmentSettingDlg dialog;
      for (int id : {1028, 1029, 1032, 1033, 1015, 1016})
        QVERIFY2(!Enabled(&dialog, id), qPrintable(QString::number(id)));
      for (int id : {1140, 1027, 1030, 1031, 1013, 1014, 1230})
        QVERIFY2(Enabled(&dialog, id), qPrintable(QString::number(id)));
      QCOMPARE(List(&dialog, 1014)->currentText(), QStringLiteral("1"));
    }
  }

  void leadScrewFollowsTheEquipmentMode() {
    Bench bench;
    SysParams.Equip[2] = 1;  // stored as a rotary stage
    CEquipmentSettingDlg dialog;
    QVERIFY(Enabled(&dialog, 1132));
    QVERIFY(!Enabled(&dialog, 1134));
    List(&dialog, 1126)->setCurrentIndex(1);
    QVERIFY(!Enabled(&dialog, 1133));
    List(&dialog, 1126)->setCurrentIndex(0);
    QVERIFY(Enabled(&dialog, 1133));
  }

  // Cancel in the save question, or a field that is not a number, changes
  // nothing and writes nothing.
  void equipmentSaveWritesNothingWithoutAGoodAnswer() {
    Bench bench;
    SaveSysParams();
    const std::string before = FileBytes();
    CEquipmentSettingDlg dialog;
    dialog.show();
    Field(&dialog, 1136)->setText(QStringLiteral("2"));
    List(&dialog, 1125)->setCurrentIndex(1);
    DialogScript script;
    script.Answer(kBoxCancel);
    Click(&dialog, 1123);
    QCOMPARE(script.TakeShown(), QStringList{kSaveQuestion});
    QCOMPARE(SysParams.MotorRatio[0], 1.0);
    QCOMPARE(SysParams.Equip[0], 0);
    QCOMPARE(FileBytes(), before);

    Field(&dialog, 1129)->setText(QStringLiteral("12x"));
    Click(&dialog, 1123);
    QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("Please enter a number.")});
    QCOMPARE(SysParams.MotorRatio[0], 1.0);
    QCOMPARE(FileBytes(), before);
  }

  void equipmentTextsInBothLanguages() {
    {
      Bench bench(kOrvb, 1, kLangChinese);
      CEquipmentSettingDlg dialog;
      QCOMPARE(dialog.windowTitle(), QStringLiteral("设备设置"));
      QCOMPARE(TextOf(&dialog, 1244), QStringLiteral("   卡号"));
      QCOMPARE(TextOf(&dialog, 1248), QStringLiteral("    检测时间(s)"));
      QCOMPARE(TextOf(&dialog, 1253), QStringLiteral("电机每转所需脉冲"));
      QCOMPARE(TextOf(&dialog, 1148), QStringLiteral("1号卡"));
      QCOMPARE(TextOf(&dialog, 1123), QStringLiteral("1号卡参数保存(&S)"));
      QCOMPARE(TextOf(&dialog, 1124), QStringLiteral("下一步(&N)"));
      QCOMPARE(TextOf(&dialog, 1013), QStringLiteral("1倍频\n4倍频"));
      QCOMPARE(TextOf(&dialog, 1010), QStringLiteral("脉冲 (P)\n毫米(mm)\n微米(μm)"));
      QCOMPARE(TextOf(&dialog, 1230), QStringLiteral("否\n是"));
      QCOMPARE(TextOf(&dialog, 1125), QStringLiteral("平移台\n旋转台"));
      QCOMPARE(TextOf(&dialog, 1045), QStringLiteral("X轴"));
      QVERIFY(TextOf(&dialog, 1259).startsWith(QStringLiteral("         说明：在反馈当量设置中")));
    }
    {
      Bench bench;
      CEquipmentSettingDlg dialog;
      QCOMPARE(dialog.objectName(), QStringLiteral("CEquipmentSettingDlg"));
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Equipment Setting"));
      QCOMPARE(TextOf(&dialog, 1253), QStringLiteral("Motor's per pluse"));
      QCOMPARE(TextOf(&dialog, 1258), QStringLiteral("PermissibleError"));
      QCOMPARE(TextOf(&dialog, 1148), QStringLiteral("No.1"));
      QCOMPARE(TextOf(&dialog, 1012), QStringLiteral("Pulse (P)\nAngle(°)"));
      QVERIFY(TextOf(&dialog, 1259).startsWith(QStringLiteral("        Note: Regarding to the Feedback Equivalent")));
      QVERIFY(TextOf(&dialog, 1259).endsWith(QStringLiteral("the unit of Permissible Error is Degree [°].")));
    }
  }

  // Save stores the signal settings; only Next sends them to the cards.
  void otherSettingReachesTheCardsOnNext() {
    Bench bench(kOrvb, 2);
    COtherSettingDlg dialog;
    dialog.show();
    QCOMPARE(TextOf(&dialog, 1142), QStringLiteral("No.1\nNo.2"));
    List(&dialog, 1142)->setCurrentIndex(1);
    QCOMPARE(TextOf(&dialog, 1123), QStringLiteral("No.2 Card Save(&S)"));
    QCOMPARE(List(&dialog, 1144)->currentText(), QStringLiteral("Low Level"));
    List(&dialog, 1144)->setCurrentIndex(1);
    DialogScript script;
    script.Answer(kBoxOk);
    Click(&dialog, 1123);
    for (int i = 4; i < 8; ++i) QCOMPARE(SysParams.ElEffLev[i], 1);
    QCOMPARE(SysParams.ElEffLev[0], 0);
    QCOMPARE(CountPrefix(bench.Trace(), "set_el_logic"), std::size_t{0});

    Click(&dialog, 1147);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.WentUp());
    const auto trace = bench.Trace();
    for (const char* call : {"set_el_logic(5,1)", "set_el_logic(8,1)", "set_el_logic(1,0)"}) {
      QVERIFY2(std::find(trace.begin(), trace.end(), call) != trace.end(), call);
    }
  }

  void otherSettingHomeModesByModel() {
    {
      Bench bench(kOrvb);
      COtherSettingDlg dialog;
      QCOMPARE(TextOf(&dialog, 1011), QStringLiteral("Mode 0\nMode 1"));
      QVERIFY(Enabled(&dialog, 1011));
      QCOMPARE(TextOf(&dialog, 1142), QStringLiteral("No.1"));  // one card, one entry
    }
    {
      Bench bench(kOrvc, 1, kLangChinese);
      SysParams.HomeType[0] = 4;
      COtherSettingDlg dialog;
      QCOMPARE(List(&dialog, 1011)->count(), 6);
      QCOMPARE(List(&dialog, 1011)->currentText(), QStringLiteral("模式 4"));
      QCOMPARE(dialog.windowTitle(), QStringLiteral("其它设置"));
      QCOMPARE(TextOf(&dialog, 1292), QStringLiteral("参数设置"));
      QCOMPARE(TextOf(&dialog, 1010), QStringLiteral("双脉冲模式\n脉冲/方向模式"));
      QCOMPARE(TextOf(&dialog, 1164), QStringLiteral("上一步(&U)"));
    }
    {
      Bench bench(kOrva);
      COtherSettingDlg dialog;
      QCOMPARE(List(&dialog, 1011)->count(), 0);
      QVERIFY(!Enabled(&dialog, 1011));
      DialogScript script;
      script.Answer(kBoxOk);
      Click(&dialog, 1123);
      QCOMPARE(SysParams.HomeType[0], -1);  // no selection is stored as such
    }
  }

  // Closing a step asks the quit question; Cancel shows the same step
  // again. Up and Next move between the steps, one open at a time.
  void wizardStepsAndTheQuitQuestion() {
    Bench bench;
    QStringList seen;
    DialogScript script;
    auto note = [&seen](QDialog* d) {
      int open = 0;
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (qobject_cast<CardSettingDialog*>(top) != nullptr && top->isVisible()) ++open;
      }
      seen << d->objectName() + (open == 1 ? QString() : QStringLiteral(" with another open"));
    };
    script.Handle([&](QDialog* d) {
      note(d);
      ClickLater(d, 1124);
    });  // Equipment: Next
    script.Handle([&](QDialog* d) {
      note(d);
      d->reject();
    });                         // Other: closed
    script.Answer(kBoxCancel);  // ... not quitting
    script.Handle([&](QDialog* d) {
      note(d);
      ClickLater(d, 1164);
    });  // Other again: Up
    script.Handle([&](QDialog* d) {
      note(d);
      Field(d, 1128)->setText(QStringLiteral("999"));  // typed, never saved
      ClickLater(d, 1124);
    });
    script.Handle([&](QDialog* d) {
      note(d);
      ClickLater(d, 1147);
    });  // Other: Next ends it
    RunSetUpWizard();
    QCOMPARE(seen, (QStringList{QStringLiteral("CEquipmentSettingDlg"), QStringLiteral("COtherSettingDlg"),
                                QStringLiteral("COtherSettingDlg"), QStringLiteral("CEquipmentSettingDlg"),
                                QStringLiteral("COtherSettingDlg")}));
    QCOMPARE(script.Shown(), QStringList{kQuitQuestion});
    QVERIFY(script.AllAnswered());
    QVERIFY(!bench.Port().QuitRequested());
    QCOMPARE(SysParams.MotorPulse[0], 3200.0);
    QVERIFY(CountPrefix(bench.Trace(), "set_encoder_mode") >= 8);  // Next twice computes the factors
    QCOMPARE(CountPrefix(bench.Trace(), "set_home_mode"), std::size_t{4});
  }

  void closingAndAnsweringOkQuits() {
    Bench bench;
    DialogScript script;
    script.Handle([](QDialog* d) { d->reject(); });
    script.Answer(kBoxOk);
    RunSetUpWizard();
    QVERIFY(bench.Port().QuitRequested());
    QVERIFY(script.AllAnswered());
    QCOMPARE(script.Shown(), QStringList{kQuitQuestion});
  }

  // Start-up: the Card Type dialog's Next initialises the cards and runs
  // the whole wizard; the main window follows with the settings on the
  // cards.
  void cardTypeNextRunsTheWizard() {
    Bench bench(kOrvc);
    SaveSysParams();
    QStringList seen;
    DialogScript script;
    script.Handle([&](QDialog* d) {
      seen << d->objectName();
      List(d, 1001)->setCurrentIndex(1);  // "ORV B"
      ClickLater(d, 1007);
    });
    script.Handle([&](QDialog* d) {
      seen << d->objectName();
      List(d, 1125)->setCurrentIndex(1);  // X: a rotary stage, saved
      QTimer::singleShot(0, d, [d] {
        Click(d, 1123);
        Click(d, 1124);
      });
    });
    script.Handle([&](QDialog* d) {
      seen << d->objectName();
      ClickLater(d, 1147);
    });
    script.Answer(kBoxOk);  // the cards found
    script.Answer(kBoxOk);  // the save question
    const StartUpResult result = RunStartUp();
    QVERIFY(result.showFrame);
    QCOMPARE(seen, (QStringList{QStringLiteral("CCardTypeDlg"), QStringLiteral("CEquipmentSettingDlg"),
                                QStringLiteral("COtherSettingDlg")}));
    QCOMPARE(script.Shown(), (QStringList{QStringLiteral("Card(s) = 1,Axis = 4"), kSaveQuestion}));
    QCOMPARE(SysParams.Ctrler, kOrvb);
    QCOMPARE(SysParams.Equip[0], 1);
    QVERIFY(FileBytes().find("[Equip[0]]=1") != std::string::npos);
    QCOMPARE(Equivalents.PulseEquivalent[0].load(), 360.0 / 3200.0);
    QCOMPARE(CountPrefix(bench.Trace(), "set_home_mode"), std::size_t{4});
  }
};

QTEST_MAIN(SetUpWizardTest)
#include "SetUpWizard_test.moc"
