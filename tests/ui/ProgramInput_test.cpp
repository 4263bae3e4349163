// The program input dialog and its four command pages, worked as an
// operator works them through the main frame's Add, Insert and Modify and
// the listing's double click.

#include <QLabel>
#include <QListView>

#include "ProgramInputDriver.h"
#include "program/CommandCodes.h"
#include "program/ProgramEditing.h"
#include "program/ProgramFile.h"
#include "ui/bars/CDlgBar_1.h"
#include "ui/bars/CProgramListBox.h"

using namespace uitest;

namespace {

// Point-to-point ids: box 1 to 4.
constexpr int kAxisList[4] = {1046, 1057, 1060, 1061};
constexpr int kDistance[4] = {1048, 1067, 1068, 1069};
constexpr int kStartSpeed[4] = {1050, 1073, 1074, 1075};
constexpr int kMaxSpeed[4] = {1052, 1079, 1080, 1081};

QString Text(QObject* window, const char* name) {
  return ui::ObjectText(ui::FindObject(window, QString::fromLatin1(name)));
}

MotionCommand PtoPEntry(double distance) {
  MotionCommand c = DefaultEditCommand();
  c.dbDis[0] = distance;
  return c;
}

MotionCommand SwitchEntry(int card, int port, int level, double delay) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = code::kSwitchOutput;
  c.iAxes[0] = card;
  c.iAxes[1] = port;
  c.iAxes[2] = level;
  c.dbDelayTime = delay;
  return c;
}

// A program loaded as Open loads one: entries and rows together.
void Preload(const std::vector<MotionCommand>& entries) {
  for (const MotionCommand& c : entries) {
    MotionProgram.push_back(c);
    Operator().ListAppend(ListingText(c));
  }
}

QStringList Rows(std::initializer_list<const char*> rows) {
  QStringList list;
  for (const char* r : rows) list << QString::fromUtf8(r);
  return list;
}

bool SameCommand(const MotionCommand& a, const MotionCommand& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

class ProgramInputTest : public QObject {
  Q_OBJECT

 private slots:
  // Every caption in both languages, the common ones on every page; the
  // store button follows the mode.
  void textsInBothLanguages() {
    for (int language : {kLangEnglish, kLangChinese}) {
      Bench bench(kOrvb, 1, language);
      auto frame = bench.MakeFrame();
      DialogScript script;
      const bool en = language == kLangEnglish;
      auto pick = [en](const char* english, const char* chinese) { return QString::fromUtf8(en ? english : chinese); };
      QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
        QCOMPARE(d->windowTitle(), pick("Program Input", "编程输入"));
        QCOMPARE(TextOf(d, 1116), pick("Command Select", "指令选择"));
        auto* list = Control<QComboBox>(d, kCommandList);
        QCOMPARE(list->count(), 16);
        QCOMPARE(list->itemText(0), pick("Constant Monaxial PtoP Motion", "常速单轴点位运动"));
        QCOMPARE(list->itemText(13), pick("Fast Four-Axis Linear Interpolation", "快速四轴直线插补"));
        QCOMPARE(list->itemText(15), pick("Switch Logic Output", "输出开关量状态"));
        QCOMPARE(list->currentIndex(), 0);
        for (std::int32_t shown : {code::kConstPtoP1, code::kConstLine2, code::kHome1, code::kSwitchOutput}) {
          QVERIFY(Choose(d, shown));
          ProgramPage* page = ShownPage(d);
          QCOMPARE(TextOf(page, 1264), pick("Delay Time", "延迟时间"));
          QCOMPARE(TextOf(page, 1265), pick("Second(s)", "秒(s)"));
          QCOMPARE(TextOf(page, 1291), pick("        Loop", "循环次数"));
          QCOMPARE(TextOf(page, kStore), pick("Add(&A)", "添加(&A)"));
          QCOMPARE(TextOf(page, kExit), pick("Exit(&E)", "退出(&E)"));
        }
        QVERIFY(Choose(d, code::kFastPtoP4));
        ProgramPage* ptop = ShownPage(d);
        QCOMPARE(ptop->objectName(), QStringLiteral("CPtoPPage"));
        QCOMPARE(Text(ptop, "Axis4"), pick("Axis 4", "轴4"));
        QCOMPARE(Text(ptop, "AxisNo1"), pick("Axis No.", "轴号"));
        QCOMPARE(Text(ptop, "StartSpeed2"), pick("Start-up Speed", "低速度"));
        QCOMPARE(Text(ptop, "MaxSpeed3"), pick("Max. Speed", "高速度"));
        QCOMPARE(Text(ptop, "Acceleration4"), pick("Acceleration", "加速度"));
        QCOMPARE(Control<QComboBox>(ptop, kAxisList[0])->itemText(0), pick("X Axis", "X轴"));
        QVERIFY(Choose(d, code::kFastLine3));
        QCOMPARE(ShownPage(d)->objectName(), QStringLiteral("CLinearPage"));
        QCOMPARE(Text(ShownPage(d), "VectorSpeed"), pick("Vector Speed", "矢量速度"));
        QCOMPARE(Text(ShownPage(d), "VectorAccLabel"), pick("Acceleration", "加速度"));
        QVERIFY(Choose(d, code::kHome1));
        QCOMPARE(ShownPage(d)->objectName(), QStringLiteral("CHomePage"));
        QCOMPARE(TextOf(ShownPage(d), 1263), pick("Axis No.", "轴号"));
        QVERIFY(Choose(d, code::kSwitchOutput));
        QCOMPARE(ShownPage(d)->objectName(), QStringLiteral("CSwitchOutPage"));
        QCOMPARE(TextOf(ShownPage(d), 1244), pick("Card No.", "卡号"));
        QCOMPARE(TextOf(ShownPage(d), 1278), pick("Outport No.", "输出口选择"));
        QCOMPARE(TextOf(ShownPage(d), 1279), pick("Electrical Level", "输出电平"));
        QCOMPARE(Control<QComboBox>(ShownPage(d), 1117)->itemText(1), pick("High Level", "高电平"));
      }));
      // Insert and Modify name the store button on every page.
      QVERIFY(WorkDialog(script, *frame, kInsert, [&](CProgramInputDlg* d) {
        QCOMPARE(d->DialogCodeType(), code::kConstPtoP1);  // each opening starts on entry 0
        for (std::int32_t shown : {code::kConstPtoP1, code::kConstLine2, code::kHome1, code::kSwitchOutput}) {
          QVERIFY(Choose(d, shown));
          QCOMPARE(TextOf(ShownPage(d), kStore), pick("Insert(&I)", "插入(&I)"));
        }
      }));
      Preload({PtoPEntry(1)});
      Operator().ListSelect(0);
      QVERIFY(WorkDialog(script, *frame, kModify, [&](CProgramInputDlg* d) {
        for (std::int32_t shown : {code::kConstPtoP1, code::kConstLine2, code::kHome1, code::kSwitchOutput}) {
          QVERIFY(Choose(d, shown));
          QCOMPARE(TextOf(ShownPage(d), kStore), pick("Modify(&M)", "修改(&M)"));
        }
      }));
      QVERIFY(script.Shown().isEmpty());
    }
  }

  // The command list and the pages' lists follow the model and the cards.
  void listsFollowTheModelAndTheCards() {
    struct Case {
      int model;
      int cards;
      int language;
      int commands;
      int ports;
      const char* firstPort;
    };
    const Case cases[] = {{kOrva, 1, kLangEnglish, 12, 24, "No.1"},
                          {kOrvb, 2, kLangEnglish, 16, 16, "N0.1"},
                          {kOrvc, 1, kLangChinese, 16, 24, "1号输出口"}};
    for (const Case& c : cases) {
      Bench bench(c.model, c.cards, c.language);
      auto frame = bench.MakeFrame();
      DialogScript script;
      QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
        const auto* list = Control<QComboBox>(d, kCommandList);
        QCOMPARE(list->count(), c.commands);
        if (c.model == kOrva) QCOMPARE(list->itemText(3), QStringLiteral("Fast Monaxial PtoP Motion"));
        const int axes = 4 * c.cards;
        QCOMPARE(Control<QComboBox>(ShownPage(d), kAxisList[3])->count(), axes);
        QCOMPARE(Control<QComboBox>(ShownPage(d), kAxisList[3])->currentIndex(), 3);  // T
        QVERIFY(Choose(d, code::kConstLine2));
        QCOMPARE(Control<QComboBox>(ShownPage(d), kAxisList[0])->count(), axes);
        QVERIFY(Choose(d, code::kHome1));
        QCOMPARE(Control<QComboBox>(ShownPage(d), 1099)->count(), axes);
        QCOMPARE(Control<QComboBox>(ShownPage(d), 1099)->currentIndex(), 0);
        QVERIFY(!Control<QLineEdit>(ShownPage(d), kLoop)->isEnabled());
        QVERIFY(Choose(d, code::kSwitchOutput));
        QCOMPARE(Control<QComboBox>(ShownPage(d), 1100)->count(), c.cards);
        const auto* ports = Control<QComboBox>(ShownPage(d), 1101);
        QCOMPARE(ports->count(), c.ports);
        QCOMPARE(ports->currentText(), QString::fromUtf8(c.firstPort));  // the first port is chosen
        QVERIFY(!Control<QLineEdit>(ShownPage(d), kLoop)->isEnabled());
        // A store without touching a list goes to card 1, port 1, low.
        Store(d);
      }));
      QCOMPARE(ListingRows(bench), Rows({"M09 C1 P1 S0 M0.00"}));
    }
  }

  // The home command takes the axis chosen and that axis's homing settings
  // of the moment it is made.
  void homeCommandTakesTheAxisAndItsSettingsOfTheMoment() {
    Bench bench(kOrvb, 2);
    auto frame = bench.MakeFrame();
    DialogScript script;
    SysParams.Dir[6] = -1;
    SysParams.LowSpd[6] = 12;
    SysParams.HighSpd[6] = 34;
    SysParams.AccSpd[6] = 56;
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      QVERIFY(Choose(d, code::kHome1));
      QCOMPARE(Control<QComboBox>(ShownPage(d), 1099)->itemText(6), QStringLiteral("C Axis"));
      Pick(d, 1099, 6);
      Store(d);
      SysParams.HighSpd[6] = 99;
      Store(d);
    }));
    QCOMPARE(ListingRows(bench), Rows({"G29 C00 M0.00", "G29 C00 M0.00"}));
    const MotionCommand& first = MotionProgram[0];
    QCOMPARE(first.iCodeType, code::kHome1);
    QCOMPARE(first.iAxes[0], 7);
    QCOMPARE(first.dbDis[0], -1.0);
    QCOMPARE(first.dbLowSpd[0], 12.0);
    QCOMPARE(first.dbHighSpd[0], 34.0);
    QCOMPARE(first.dbAccSpd[0], 56.0);
    QCOMPARE(MotionProgram[1].dbHighSpd[0], 99.0);
  }

  void switchOutputStoresCardPortLevelAndDelay() {
    Bench bench(kOrvb, 2);
    auto frame = bench.MakeFrame();
    DialogScript script;
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      QVERIFY(Choose(d, code::kSwitchOutput));
      Pick(d, 1100, 1);
      Pick(d, 1101, 4);
      Pick(d, 1117, 1);
      Type(d, kDelay, QStringLiteral("1.5"));
      Store(d);
    }));
    QCOMPARE(MotionProgram.size(), std::size_t{1});
    const MotionCommand& c = MotionProgram[0];
    QCOMPARE(c.iCodeType, code::kSwitchOutput);
    QCOMPARE(c.iAxes[0], 2);
    QCOMPARE(c.iAxes[1], 5);
    QCOMPARE(c.iAxes[2], 1);
    QCOMPARE(c.dbDelayTime, 1.5);
    QCOMPARE(ListingRows(bench), Rows({"M09 C2 P5 S1 M1.50"}));
  }

  // The dialog stays open: three presses store three equal commands, and
  // the selection does not move.
  void threeAddsAppendThreeEqualRows() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      for (int i = 0; i < 3; ++i) Store(d);
    }));
    QCOMPARE(ListingRows(bench),
             Rows({"G00 X10.00 FX20.00 M0.00", "G00 X10.00 FX20.00 M0.00", "G00 X10.00 FX20.00 M0.00"}));
    QCOMPARE(MotionProgram.size(), std::size_t{3});
    QVERIFY(SameCommand(MotionProgram[0], MotionProgram[1]) && SameCommand(MotionProgram[1], MotionProgram[2]));
    QCOMPARE(Operator().ListSelectedRow(), -1);
  }

  // Loop L stores the move and its reverse L times each; a Loop whose
  // double is 0 or less stores nothing and says nothing.
  void loopStoresTheBackAndForthSeries() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      QVERIFY(Choose(d, code::kConstLine2));
      Type(d, kDistance[0], QStringLiteral("10"));
      Type(d, kDistance[1], QStringLiteral("-5"));
      Type(d, 1093, QStringLiteral("25"));
      Type(d, kLoop, QStringLiteral("2"));
      Store(d);
      Type(d, kLoop, QStringLiteral("-1"));
      Store(d);
      Type(d, kLoop, QStringLiteral("0"));
      Type(d, kDistance[0], QStringLiteral("3"));
      Store(d);
    }));
    QCOMPARE(ListingRows(bench),
             Rows({"G01 X10.00 Y-5.00 F25.00 M0.00", "G01 X-10.00 Y5.00 F25.00 M0.00", "G01 X10.00 Y-5.00 F25.00 M0.00",
                   "G01 X-10.00 Y5.00 F25.00 M0.00", "G01 X3.00 Y-5.00 F25.00 M0.00"}));
    QCOMPARE(MotionProgram.size(), std::size_t{5});
    QVERIFY(script.Shown().isEmpty());
  }

  // Insert goes below the selected row and keeps the selection; without a
  // selection the motion pages insert at the top, the home and
  // switch-output pages refuse with message 4.
  void insertGoesBelowTheSelectedRow() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    Preload({PtoPEntry(1), PtoPEntry(2), PtoPEntry(3), PtoPEntry(4), PtoPEntry(5), PtoPEntry(6)});
    Operator().ListSelect(4);
    QVERIFY(WorkDialog(script, *frame, kInsert, [&](CProgramInputDlg* d) {
      Type(d, kDistance[0], QStringLiteral("7"));
      Type(d, kLoop, QStringLiteral("3"));
      Store(d);
    }));
    QCOMPARE(ListingRows(bench),
             Rows({"G00 X1.00 FX20.00 M0.00", "G00 X2.00 FX20.00 M0.00", "G00 X3.00 FX20.00 M0.00",
                   "G00 X4.00 FX20.00 M0.00", "G00 X5.00 FX20.00 M0.00", "G00 X7.00 FX20.00 M0.00",
                   "G00 X-7.00 FX20.00 M0.00", "G00 X7.00 FX20.00 M0.00", "G00 X-7.00 FX20.00 M0.00",
                   "G00 X7.00 FX20.00 M0.00", "G00 X-7.00 FX20.00 M0.00", "G00 X6.00 FX20.00 M0.00"}));
    QCOMPARE(MotionProgram.size(), std::size_t{12});
    QCOMPARE(MotionProgram[6].dbDis[0], -7.0);
    QCOMPARE(Operator().ListSelectedRow(), 4);

    Operator().ListSelect(-1);
    QVERIFY(WorkDialog(script, *frame, kInsert, [&](CProgramInputDlg* d) {
      QCOMPARE(FieldText(d, kLoop), QStringLiteral("3"));  // the page kept its values
      Type(d, kLoop, QStringLiteral("0"));
      Type(d, kDistance[0], QStringLiteral("8"));
      Store(d);
      QVERIFY(Choose(d, code::kHome1));
      Store(d);
      QVERIFY(Choose(d, code::kSwitchOutput));
      Store(d);
    }));
    QCOMPARE(ListingRows(bench).size(), 13);
    QCOMPARE(ListingRows(bench).first(), QStringLiteral("G00 X8.00 FX20.00 M0.00"));
    QCOMPARE(MotionProgram.size(), std::size_t{13});
    QCOMPARE(script.Shown(), (QStringList{Message(4), Message(4)}));
  }

  // The speed check converts with the unit of the axis chosen in the box:
  // exactly 2,000,000 pulses/s is refused, just below is taken.
  void speedCheckUsesTheAxisOfTheBox() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    // X in millimetres at 1024 pulses a millimetre; Y in pulses.
    SysParams.Unit[0] = 1;
    SysParams.Guide[0] = 1;
    SysParams.MotorPulse[0] = 1024;
    SysParams.MotorRatio[0] = 1;
    ComputeEquivalents();
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      QVERIFY(Choose(d, code::kFastPtoP1));
      Type(d, kMaxSpeed[0], QStringLiteral("1953.125"));
      Store(d);
      QCOMPARE(script.TakeShown(), QStringList{Message(1)});
      QCOMPARE(FieldText(d, kMaxSpeed[0]), QStringLiteral("1953.125"));  // as entered
      Type(d, kMaxSpeed[0], QStringLiteral("1953.124"));
      Store(d);
      Pick(d, kAxisList[0], 1);
      Type(d, kMaxSpeed[0], QStringLiteral("1953.125"));
      Store(d);
      // A constant code checks the start-up speed instead.
      QVERIFY(Choose(d, code::kConstPtoP1));
      Pick(d, kAxisList[0], 0);
      Store(d);  // start-up 20 mm/s
      Type(d, kStartSpeed[0], QStringLiteral("2000"));
      Store(d);
    }));
    QCOMPARE(ListingRows(bench),
             Rows({"G00 X10.00 FX1953.12 M0.00", "G00 Y10.00 FY1953.12 M0.00", "G00 X10.00 FX20.00 M0.00"}));
    QCOMPARE(script.Shown(), QStringList{Message(1)});
  }

  // Two boxes on one axis: message 0, but only once the speeds pass.
  void sameAxisCheckComesAfterTheSpeedCheck() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    SysParams.Unit[0] = 1;
    SysParams.Guide[0] = 1;
    SysParams.MotorPulse[0] = 1024;
    SysParams.MotorRatio[0] = 1;
    ComputeEquivalents();
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      QVERIFY(Choose(d, code::kConstPtoP2));
      Pick(d, kAxisList[1], 0);
      Type(d, kStartSpeed[1], QStringLiteral("2000"));
      Store(d);
      QCOMPARE(script.TakeShown(), QStringList{Message(1)});
      Type(d, kStartSpeed[1], QStringLiteral("20"));
      Store(d);
      QCOMPARE(script.TakeShown(), QStringList{Message(0)});
      // The linear page checks the axes only.
      QVERIFY(Choose(d, code::kConstLine2));
      Pick(d, kAxisList[1], 0);
      Store(d);
      QCOMPARE(script.TakeShown(), QStringList{Message(0)});
    }));
    QVERIFY(MotionProgram.empty());
    QVERIFY(ListingRows(bench).isEmpty());
  }

  // The page enables the fields of the chosen code.
  void fieldsFollowTheChosenCode() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      auto enabled = [&](int id) { return Control<QWidget>(ShownPage(d), id)->isEnabled(); };
      QVERIFY(Choose(d, code::kConstPtoP2));
      QVERIFY(enabled(kAxisList[1]) && enabled(kDistance[1]) && enabled(kStartSpeed[1]));
      QVERIFY(!enabled(kMaxSpeed[0]) && !enabled(kMaxSpeed[1]) && !enabled(kAxisList[2]) && !enabled(kDistance[2]));
      QVERIFY(enabled(kDelay) && enabled(kLoop));
      QVERIFY(Choose(d, code::kFastPtoP3));
      QVERIFY(enabled(kMaxSpeed[2]) && enabled(1086) && !enabled(kAxisList[3]) && !enabled(kMaxSpeed[3]));
      QVERIFY(Choose(d, code::kConstLine4));
      QVERIFY(enabled(kAxisList[3]) && enabled(kDistance[3]) && enabled(1093));
      QVERIFY(!enabled(1095) && !enabled(1097));
      QVERIFY(Choose(d, code::kFastLine2));
      QVERIFY(enabled(1095) && enabled(1097) && !enabled(kDistance[2]));
    }));
  }

  // Tab goes from the command list through the shown page's own fields,
  // then Delay Time, Loop, the store button and Exit.
  void tabVisitsThePageBeforeTheCommonRow() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    // The fields Tab stops at, from the command list round to it again.
    auto tabStops = [](CProgramInputDlg* d) {
      QStringList stops;
      QWidget* list = Control<QComboBox>(d, kCommandList);
      QWidget* w = list->nextInFocusChain();
      for (int i = 0; i < 1000 && w != list; ++i, w = w->nextInFocusChain()) {
        if (w->isVisibleTo(d) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) != 0) stops << w->objectName();
      }
      return stops;
    };
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      QCOMPARE(QApplication::focusWidget(), Control<QComboBox>(d, kCommandList));
      QCOMPARE(tabStops(d), (QStringList{"1046", "1048", "1050", "1088", "1089", "1090", "1102"}));
      QVERIFY(Choose(d, code::kSwitchOutput));
      QCOMPARE(tabStops(d), (QStringList{"1100", "1101", "1117", "1088", "1090", "1102"}));
    }));
  }

  // Modify loads the selected entry into every page, keeps the row count
  // and the selection, and offers no Loop.
  void modifyReplacesTheSelectedRow() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    Preload({PtoPEntry(1), PtoPEntry(2), SwitchEntry(1, 7, 1, 0.5), PtoPEntry(4), PtoPEntry(5)});
    Operator().ListSelect(3);
    QVERIFY(WorkDialog(script, *frame, kModify, [&](CProgramInputDlg* d) {
      QCOMPARE(ShownPage(d)->objectName(), QStringLiteral("CPtoPPage"));
      QCOMPARE(FieldText(d, kDistance[0]), QStringLiteral("4"));
      QCOMPARE(FieldText(d, kLoop), QStringLiteral("0"));
      QVERIFY(!Control<QLineEdit>(ShownPage(d), kLoop)->isEnabled());
      Type(d, kDistance[0], QStringLiteral("44"));
      Store(d);
      Store(d);  // a second press replaces the same row again
    }));
    QCOMPARE(ListingRows(bench).size(), 5);
    QCOMPARE(ListingRows(bench).at(3), QStringLiteral("G00 X44.00 FX20.00 M0.00"));
    QCOMPARE(Operator().ListSelectedRow(), 3);

    Operator().ListSelect(2);
    QVERIFY(WorkDialog(script, *frame, kModify, [&](CProgramInputDlg* d) {
      QCOMPARE(d->DialogCodeType(), code::kSwitchOutput);
      QCOMPARE(Control<QComboBox>(ShownPage(d), 1100)->currentIndex(), 0);
      QCOMPARE(Control<QComboBox>(ShownPage(d), 1101)->currentIndex(), 6);
      QCOMPARE(Control<QComboBox>(ShownPage(d), 1117)->currentIndex(), 1);
      QCOMPARE(FieldText(d, kDelay), QStringLiteral("0.5"));
      Pick(d, 1117, 0);
      Store(d);
    }));
    QCOMPARE(ListingRows(bench).at(2), QStringLiteral("M09 C1 P7 S0 M0.50"));
    QCOMPARE(MotionProgram.size(), std::size_t{5});
    QCOMPARE(Operator().ListSelectedRow(), 2);
    QVERIFY(script.Shown().isEmpty());
  }

  // Modify needs a program (message 6) and a selected row (message 2);
  // without them the dialog does not open.
  void modifyWithoutARowDoesNotOpen() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    frame->RunCommand(kModify);
    Preload({PtoPEntry(1)});
    frame->RunCommand(kModify);
    QCOMPARE(script.Shown(), (QStringList{Message(6), Message(2)}));
    QVERIFY(script.Unexpected().isEmpty());
    QVERIFY(!frame->ProgramInput()->isVisible());
  }

  // ORVA's list has no four-axis command: such an entry (from a file of
  // another model) opens on entry 0 with its first values.
  void orvaModifiesAFourAxisEntryOnEntryZero() {
    Bench bench(kOrva);
    auto frame = bench.MakeFrame();
    DialogScript script;
    MotionCommand four = DefaultEditCommand();
    four.iCodeType = code::kFastPtoP4;
    four.dbDis[0] = 5;
    four.dbDis[3] = 8;
    four.dbLowSpd[0] = 15;
    Preload({four});
    Operator().ListSelect(0);
    QVERIFY(WorkDialog(script, *frame, kModify, [&](CProgramInputDlg* d) {
      QCOMPARE(Control<QComboBox>(d, kCommandList)->currentIndex(), 0);
      QCOMPARE(d->DialogCodeType(), code::kConstPtoP1);
      QCOMPARE(FieldText(d, kDistance[0]), QStringLiteral("5"));
      QCOMPARE(FieldText(d, kStartSpeed[0]), QStringLiteral("15"));
      QCOMPARE(FieldText(d, kDistance[3]), QStringLiteral("8"));
      QVERIFY(!Control<QLineEdit>(ShownPage(d), kDistance[3])->isEnabled());
      Store(d);
    }));
    QCOMPARE(ListingRows(bench), Rows({"G00 X5.00 FX15.00 M0.00"}));
    QCOMPARE(MotionProgram[0].iCodeType, code::kConstPtoP1);
  }

  // The frame's dialog keeps its pages' values between openings; the
  // listing's double click modifies in a fresh dialog that leaves them be.
  void doubleClickModifiesInAFreshDialog() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      Type(d, kDistance[0], QStringLiteral("33"));
      Store(d);
      Type(d, kDistance[0], QStringLiteral("77"));
      Pick(d, kAxisList[0], 2);
      Store(d);
    }));
    QListView* listing = frame->LiveStatus()->Listing();
    const QPoint row0 = listing->visualRect(bench.Port().Listing()->index(0)).center();
    CProgramInputDlg* fresh = nullptr;
    // The first click of a double click selects the row.
    QTest::mouseClick(listing->viewport(), Qt::LeftButton, {}, row0);
    QCOMPARE(Operator().ListSelectedRow(), 0);
    QVERIFY(WorkDialog(
        script, [&] { QTest::mouseDClick(listing->viewport(), Qt::LeftButton, {}, row0); },
        [&](CProgramInputDlg* d) {
          fresh = d;
          QCOMPARE(TextOf(ShownPage(d), kStore), QStringLiteral("Modify(&M)"));
          QCOMPARE(FieldText(d, kDistance[0]), QStringLiteral("33"));
          Type(d, kDistance[0], QStringLiteral("44"));
          Store(d);
        }));
    QVERIFY(fresh != frame->ProgramInput());
    QCOMPARE(ListingRows(bench), Rows({"G00 X44.00 FX20.00 M0.00", "G00 Z77.00 FZ20.00 M0.00"}));
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      QCOMPARE(d, frame->ProgramInput());
      QCOMPARE(FieldText(d, kDistance[0]), QStringLiteral("77"));
      QCOMPARE(Control<QComboBox>(ShownPage(d), kAxisList[0])->currentIndex(), 0);  // the list as created
    }));
  }

  // Each opening for Add or Insert shows the lists as created and the
  // numbers as last stored.
  void addAndInsertOpenWithTheListsAsCreated() {
    Bench bench(kOrvb, 2);
    auto frame = bench.MakeFrame();
    DialogScript script;
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      Pick(d, kAxisList[0], 5);
      Pick(d, kAxisList[3], 7);
      Type(d, kDistance[0], QStringLiteral("12"));
      Store(d);
      QVERIFY(Choose(d, code::kHome1));
      Pick(d, 1099, 6);
      Store(d);
      QVERIFY(Choose(d, code::kSwitchOutput));
      Pick(d, 1100, 1);
      Pick(d, 1101, 4);
      Pick(d, 1117, 1);
      Type(d, kDelay, QStringLiteral("0.5"));
      Store(d);
    }));
    QCOMPARE(ListingRows(bench), Rows({"G00 B12.00 FB20.00 M0.00", "G29 C00 M0.00", "M09 C2 P5 S1 M0.50"}));
    Operator().ListSelect(0);
    const auto selected = [](CProgramInputDlg* d, int list) {
      return Control<QComboBox>(ShownPage(d), list)->currentIndex();
    };
    QVERIFY(WorkDialog(script, *frame, kInsert, [&](CProgramInputDlg* d) {
      for (int k = 0; k < 4; ++k) QCOMPARE(selected(d, kAxisList[k]), k);
      QCOMPARE(FieldText(d, kDistance[0]), QStringLiteral("12"));
      QVERIFY(Choose(d, code::kHome1));
      QCOMPARE(selected(d, 1099), 0);
      QVERIFY(Choose(d, code::kSwitchOutput));
      QCOMPARE((QList<int>{selected(d, 1100), selected(d, 1101), selected(d, 1117)}), (QList<int>{0, 0, 0}));
      QCOMPARE(FieldText(d, kDelay), QStringLiteral("0.5"));
    }));
  }

  // Modify selects what a row stores; an axis the list lacks (0 in the slots
  // the demo program's rows leave unused, 8 on a one-card machine) selects
  // the box's default, so a row changed to more axes stores what is shown.
  void modifyOfTheDemoRowsLeavesNoListBlank() {
    for (int cards : {1, 2}) {
      Bench bench(kOrvb, cards);
      auto frame = bench.MakeFrame();
      DialogScript script;
      OpenProgramFile(TESSOR_SOURCE_DIR "/examples/demo/demo.knl");
      QCOMPARE(MotionProgram.size(), std::size_t{13});
      const auto selected = [](CProgramInputDlg* d, int list) {
        return Control<QComboBox>(ShownPage(d), list)->currentIndex();
      };
      Operator().ListSelect(1);  // G00 X... with axes 1, 0, 0, 0
      QVERIFY(WorkDialog(script, *frame, kModify, [&](CProgramInputDlg* d) {
        for (int k = 0; k < 4; ++k) QCOMPARE(selected(d, kAxisList[k]), k);
        QVERIFY(Choose(d, code::kConstPtoP2));
        Store(d);
      }));
      QCOMPARE(MotionProgram[1].iAxes[1], 2);
      QVERIFY(ListingRows(bench).at(1).startsWith(QStringLiteral("G00 X")));
      QVERIFY(ListingRows(bench).at(1).contains(QStringLiteral(" Y")));
      Operator().ListSelect(5);  // G01 with axes 1, 2, 0, 0
      QVERIFY(WorkDialog(script, *frame, kModify, [&](CProgramInputDlg* d) {
        QCOMPARE(selected(d, kAxisList[2]), 2);
        QVERIFY(Choose(d, code::kConstLine3));
        Store(d);
      }));
      QCOMPARE(MotionProgram[5].iAxes[2], 3);
      Operator().ListSelect(10);  // G00 D... with axes 8, 0, 0, 0
      QVERIFY(WorkDialog(script, *frame, kModify, [&](CProgramInputDlg* d) {
        QCOMPARE(selected(d, kAxisList[0]), cards == 2 ? 7 : 0);
        QVERIFY(Choose(d, code::kHome1));
        QCOMPARE(selected(d, 1099), cards == 2 ? 7 : 0);
        QVERIFY(Choose(d, code::kSwitchOutput));  // card 8, port 0 and level 0 as stored
        QCOMPARE((QList<int>{selected(d, 1100), selected(d, 1101), selected(d, 1117)}), (QList<int>{0, 0, 0}));
      }));
      QVERIFY(script.Shown().isEmpty());
    }
  }

  // Text that is not a number prompts in the language and stores nothing,
  // nor does a modify change its row.
  void aRejectedFieldStoresNothing() {
    for (int language : {kLangEnglish, kLangChinese}) {
      Bench bench(kOrvb, 1, language);
      auto frame = bench.MakeFrame();
      DialogScript script;
      QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
        QVERIFY(Choose(d, code::kHome1));
        Type(d, kDelay, QStringLiteral("1.5"));
        Store(d);
        Type(d, kDelay, QStringLiteral("abc"));
        Store(d);
        QVERIFY(Choose(d, code::kConstPtoP1));
        Type(d, kLoop, QStringLiteral("1"));
        Store(d);
        Type(d, kLoop, QStringLiteral("1.5"));  // not the old loop count again
        Store(d);
        QVERIFY(Choose(d, code::kConstLine2));
        Type(d, kDistance[1], QStringLiteral("abc"));
        Store(d);
      }));
      Operator().ListSelect(1);
      QVERIFY(WorkDialog(script, *frame, kModify, [&](CProgramInputDlg* d) {
        Type(d, kDistance[0], QStringLiteral("5x"));
        Store(d);
      }));
      const QString number =
          language == kLangEnglish ? QStringLiteral("Please enter a number.") : QStringLiteral("请键入一个数。");
      const QString integer =
          language == kLangEnglish ? QStringLiteral("Please enter an integer.") : QStringLiteral("请键入一个整数。");
      QCOMPARE(script.Shown(), (QStringList{number, integer, number, number}));
      QCOMPARE(ListingRows(bench), Rows({"G29 X00 M1.50", "G00 X10.00 FX20.00 M0.00", "G00 X-10.00 FX20.00 M0.00"}));
    }
  }

  // While the program runs the listing's double click, menu and Delete key
  // and every store of the dialog are refused with message 11.
  void editingIsRefusedWhileTheProgramRuns() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    Preload({PtoPEntry(1), PtoPEntry(2)});
    Operator().ListSelect(0);
    RunControl.BusyProgram = true;
    QListView* listing = frame->LiveStatus()->Listing();
    QTest::mouseDClick(listing->viewport(), Qt::LeftButton, {},
                       listing->visualRect(bench.Port().Listing()->index(1)).center());
    QCOMPARE(script.TakeShown(), QStringList{Message(11)});
    QTest::mouseClick(listing->viewport(), Qt::RightButton, {},
                      listing->visualRect(bench.Port().Listing()->index(0)).center());
    QTest::keyClick(listing, Qt::Key_Delete);
    QCOMPARE(script.TakeShown(), (QStringList{Message(11), Message(11)}));
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      Store(d);
      QVERIFY(Choose(d, code::kHome1));
      Store(d);
    }));
    RunControl.BusyProgram = false;
    QCOMPARE(script.Shown(), (QStringList{Message(11), Message(11)}));
    QCOMPARE(ListingRows(bench), Rows({"G00 X1.00 FX20.00 M0.00", "G00 X2.00 FX20.00 M0.00"}));
    QCOMPARE(MotionProgram.size(), std::size_t{2});
  }
};

QTEST_MAIN(ProgramInputTest)
#include "ProgramInput_test.moc"
