// The control panel: texts, the card choice, jog, home, Clear, Start and the
// stops, driven as an operator would against the simulated cards.

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>

#include "UiTest.h"
#include "ui/bars/CDlgBar_2.h"
#include "ui/bars/CPtoPTabPage.h"

using namespace uitest;

namespace {

constexpr int kCardList = 1198;
constexpr int kXPlus = 1035;
constexpr int kXMinus = 1192;
constexpr int kHomeAll = 1039;
constexpr int kClear = 1204;
constexpr int kStart = 1121;
constexpr int kSStop = 1122;

const int kCaptioned[] = {1244, 1245, 1196, 1200, 1246, 1039, 1247, 1204, 1121, 1199, 1122, 1192,
                          1193, 1194, 1195, 1035, 1036, 1037, 1038, 1197, 1203, 1202, 1201};

QStringList Captions(QWidget* panel) {
  QStringList texts;
  for (int id : kCaptioned) texts << TextOf(panel, id);
  return texts;
}

const int kCardCaptioned[] = {1192, 1193, 1194, 1195, 1035, 1036, 1037, 1038, 1197, 1203, 1202, 1201};

QStringList CardCaptions(QWidget* panel) {
  QStringList texts;
  for (int id : kCardCaptioned) texts << TextOf(panel, id);
  return texts;
}

// A jog of `steps` pulses at a brisk speed on every axis.
void QuickJog(double steps) {
  for (int i = 0; i < 16; ++i) {
    SysParams.PMoveSetLowSpd[i] = 1000;
    SysParams.PMoveSetHighSpd[i] = 2000;
    SysParams.PMoveSetAccSpd[i] = 20000;
    SysParams.PMoveSetStep[i] = steps;
  }
}

}  // namespace

class ControlPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void texts_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<bool>("stopCaptions");
    QTest::newRow("English") << kLangEnglish
                             << QStringList{"Card No.",    "Point to Point", "Setting",    "Setting",   "Home Move",
                                            "Home All",    "Motion",         "Clear",      "Start(&T)", "D Stop(&D)",
                                            "S Stop(&S)",  "X Axis  -",      "Y Axis  -",  "Z Axis  -", "T Axis  -",
                                            "X Axis  +",   "Y Axis  +",      "Z Axis  +",  "T Axis  +", "X Axis Home",
                                            "Y Axis Home", "Z Axis Home",    "T Axis Home"}
                             << true;
    QTest::newRow("Chinese") << kLangChinese
                             << QStringList{"卡号",   "点动",     "设置",     "设置",     "回零",     "全部回零",
                                            "控制",   "清零",     "开始(&T)", "缓停(&D)", "急停(&S)", "X轴  -",
                                            "Y轴  -", "Z轴  -",   "T轴  -",   "X轴  +",   "Y轴  +",   "Z轴  +",
                                            "T轴  +", "X轴 回零", "Y轴 回零", "Z轴 回零", "T轴 回零"}
                             << false;
  }
  void texts() {
    QFETCH(int, language);
    QFETCH(QStringList, captions);
    QFETCH(bool, stopCaptions);
    Bench bench(kOrvb, 1, language);
    auto frame = bench.MakeFrame();
    QWidget* panel = frame->ControlPanel();
    QCOMPARE(panel->objectName(), QStringLiteral("CCtrlDlg"));
    QCOMPARE(Captions(panel), captions);
    QCOMPARE(Control<QLabel>(panel, 1310)->isVisible(), stopCaptions);
    QCOMPARE(Control<QLabel>(panel, 1311)->isVisible(), stopCaptions);
    auto* cards = Control<QComboBox>(panel, kCardList);
    QCOMPARE(cards->count(), 1);
    QCOMPARE(cards->itemText(0), language == kLangEnglish ? QStringLiteral("No.1") : QStringLiteral("1号卡"));
  }

  // Card 2: the buttons name axes A-D, and both panels show axes 5-8 with
  // their own units.
  void secondCardRelabelsTheButtonsAndValues_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("card2");
    QTest::newRow("English") << kLangEnglish << QStringList{"A Axis  -",   "B Axis  -",   "C Axis  -",   "D Axis  -",
                                                            "A Axis  +",   "B Axis  +",   "C Axis  +",   "D Axis  +",
                                                            "A Axis Home", "B Axis Home", "C Axis Home", "D Axis Home"};
    QTest::newRow("Chinese") << kLangChinese
                             << QStringList{"A轴  -", "B轴  -", "C轴  -",   "D轴  -",   "A轴  +",   "B轴  +",
                                            "C轴  +", "D轴  +", "A轴 回零", "B轴 回零", "C轴 回零", "D轴 回零"};
  }
  void secondCardRelabelsTheButtonsAndValues() {
    QFETCH(int, language);
    QFETCH(QStringList, card2);
    Bench bench(kOrvb, 2, language);
    SysParams.Unit[5] = 1;  // axis B in millimetres
    SysParams.Unit[6] = 3;  // axis C in degrees
    auto frame = bench.MakeFrame();
    QWidget* panel = frame->ControlPanel();
    auto* cards = Control<QComboBox>(panel, kCardList);
    QCOMPARE(cards->count(), 2);
    const QStringList card1 = CardCaptions(panel);
    cards->setCurrentIndex(1);
    QCOMPARE(RunControl.ShownCard.load(), 2);
    QCOMPARE(CardCaptions(panel), card2);
    for (QWidget* bar : {static_cast<QWidget*>(frame->LiveStatus()), static_cast<QWidget*>(frame->DirectMotion())}) {
      QCOMPARE(TextOf(bar, 1314), QStringLiteral("A"));
      QCOMPARE(TextOf(bar, 1317), QStringLiteral("D"));
      QCOMPARE(TextOf(bar, 1165), QStringLiteral("P/s"));
      QCOMPARE(TextOf(bar, 1166), QStringLiteral("mm/s"));
      QCOMPARE(TextOf(bar, 1171), QStringLiteral("°"));
      QCOMPARE(TextOf(bar, 1175), QStringLiteral("°"));
    }
    cards->setCurrentIndex(0);
    QCOMPARE(CardCaptions(panel), card1);
    QCOMPARE(TextOf(frame->LiveStatus(), 1314), QStringLiteral("X"));
  }

  void startWithAnEmptyProgram() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    Click(frame->ControlPanel(), kStart);
    QVERIFY(RunControl.BusyProgram.load());
    QCOMPARE(RunControl.MotionMode.load(), mode::kRun);
    bench.Tick();
    QVERIFY(script.WaitForBoxes(1));
    bench.Tick();
    QCOMPARE(script.Shown(), QStringList{Message(6)});
    QVERIFY(!RunControl.BusyProgram.load());
  }

  // A program naming an axis this machine lacks is refused in the language,
  // before any card call.
  void startRefusesAProgramForAxesThisMachineLacks_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("English") << kLangEnglish
                             << QStringLiteral("Error:Row 2 uses an axis that this machine does not have!");
    QTest::newRow("Chinese") << kLangChinese << QStringLiteral("错误：第2行使用了本机不存在的轴!");
  }
  void startRefusesAProgramForAxesThisMachineLacks() {
    QFETCH(int, language);
    QFETCH(QString, refusal);
    Bench bench(kOrvb, 1, language);
    auto frame = bench.MakeFrame();
    MotionCommand row = DefaultEditCommand();
    MotionProgram = {row, row};
    MotionProgram[1].iAxes[0] = 6;
    bench.ClearTraces();
    DialogScript script;
    Click(frame->ControlPanel(), kStart);
    QCOMPARE(script.Shown(), QStringList{refusal});
    QVERIFY(!RunControl.BusyProgram.load());
    for (const char* call : {"get_encoder", "get_abs_pos", "con_pmove", "fast_pmove"}) {
      QCOMPARE(CountPrefix(bench.Trace(), call), std::size_t{0});  // Start's first calls, and moves
    }
  }

  // While the box of a page run stopped at a limit stands, every motion
  // button answers message 10 (Clear 13); S Stop still stops. Answered, the
  // next Start runs.
  void motionButtonsWaitForTheBoxOfTheRun() {
    Bench bench;
    auto frame = bench.MakeFrame();
    bench.Machine().RealTime();
    SysParams.PtoPRunRecord.iCodeType = 0x02010000;
    SysParams.PtoPRunRecord.iAxes[0] = 1;
    SysParams.PtoPRunRecord.dbDis[0] = 5000;  // beyond the limit at 1000
    SysParams.PtoPRunRecord.dbLowSpd[0] = 20000;
    auto* tabs = Control<QTabWidget>(frame.get(), 125);
    tabs->setCurrentWidget(frame->DirectMotion());
    frame->DirectMotion()->Tabs()->setCurrentIndex(1);
    frame->DirectMotion()->Tabs()->setCurrentIndex(0);  // shows the record
    QVERIFY(QTest::qWaitFor([] { return RunControl.ActivePanel.load() == panel::kPtoP; }, 5000));
    DialogScript script;
    script.LeaveModeless(true);
    StartStatusTimer();  // the real 5 ms timer
    Click(frame->ControlPanel(), kStart);
    QVERIFY(RunControl.BusyPtoP.load());
    QMessageBox* box = WaitForShownBox();
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), Message(12));
    const QPointer<QMessageBox> tickBox(box);
    QVERIFY(!AnyMotionBusy());
    bench.ClearTraces();

    for (int id : {kStart, kXPlus, kHomeAll, 1197, kClear}) Click(frame->ControlPanel(), id);
    QCOMPARE(script.TakeShown(), (QStringList{Message(10), Message(10), Message(10), Message(10), Message(13)}));
    for (const char* move : {"con_pmove", "fast_pmove", "fast_hmove", "reset_pos"}) {
      QCOMPARE(CountPrefix(bench.Trace(), move), std::size_t{0});
    }
    Click(frame->ControlPanel(), kSStop);
    QCOMPARE(RunControl.MotionMode.load(), mode::kSuddenStop);
    QVERIFY(CountPrefix(bench.Trace(), "sudden_stop(1)") >= 1);

    QVERIFY(!tickBox.isNull());  // it stood through the boxes of the buttons
    tickBox->defaultButton()->click();
    QVERIFY(QTest::qWaitFor([] { return PendingTickMessages() == 0; }, 5000));
    SysParams.PtoPRunRecord.dbDis[0] = -100;
    frame->DirectMotion()->PtoPPage()->ShowRecord();
    Click(frame->ControlPanel(), kStart);
    QVERIFY(script.Shown().isEmpty());
    QVERIFY(RunControl.BusyPtoP.load());
    QVERIFY(QTest::qWaitFor([] { return !RunControl.BusyPtoP.load(); }, 5000));
    QVERIFY(script.Shown().isEmpty());
  }

  // The jog waits while the windows go on: another motion button answers
  // message 10, S Stop ends the jog at once.
  void buttonsDuringAJog() {
    Bench bench;
    QuickJog(800);  // inside the limits at +-1000
    auto frame = bench.MakeFrame();
    DialogScript script;
    bench.AutoTick(true);
    // Posted: delivered by the jog's own wait, so it comes while the jog runs
    // however slow the machine.
    QMetaObject::invokeMethod(
        frame.get(),
        [&] {
          QVERIFY(RunControl.BusyJog.load());
          Click(frame->ControlPanel(), kStart);
        },
        Qt::QueuedConnection);
    Click(frame->ControlPanel(), kXPlus);  // returns when the jog is over
    QCOMPARE(script.Shown(), QStringList{Message(10)});
    QVERIFY(!RunControl.BusyProgram.load());
    QCOMPARE(bench.Machine().Position(1), 800.0);

    QMetaObject::invokeMethod(
        frame.get(), [&] { Click(frame->ControlPanel(), kSStop); }, Qt::QueuedConnection);
    Click(frame->ControlPanel(), kXMinus);
    bench.AutoTick(false);
    QCOMPARE(RunControl.MotionMode.load(), mode::kSuddenStop);
    QVERIFY(!RunControl.BusyJog.load());
    QVERIFY(bench.Machine().Position(1) > 0.0);  // stopped on the way back
    for (const char* stop : {"sudden_stop(1)", "sudden_stop(2)", "sudden_stop(3)", "sudden_stop(4)"}) {
      QVERIFY2(CountPrefix(bench.Trace(), stop) >= 1, stop);
    }
  }

  // X+ on card 2 moves axis A by its own step and units.
  void jogOnTheSecondCard() {
    Bench bench(kOrvb, 2);
    QuickJog(100);
    SysParams.Unit[4] = 1;
    SysParams.PMoveSetStep[4] = 1.0;  // mm: 800 pulses at 0.00125 mm a pulse
    ComputeEquivalents();
    auto frame = bench.MakeFrame();
    Control<QComboBox>(frame->ControlPanel(), kCardList)->setCurrentIndex(1);
    bench.AutoTick(true);
    Click(frame->ControlPanel(), kXPlus);
    bench.AutoTick(false);
    QCOMPARE(qRound(bench.Machine().Position(5)), 800);
    QCOMPARE(bench.Machine().Position(1), 0.0);
  }

  void clearAsksFirst() {
    Bench bench;
    auto frame = bench.MakeFrame();
    bench.Machine().SetPosition(1, 500);
    bench.ClearTraces();
    const int modeBefore = RunControl.MotionMode.load();
    DialogScript script;
    script.Answer(kBoxCancel);
    Click(frame->ControlPanel(), kClear);
    QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("Are you sure to clear the data?")});
    QCOMPARE(CountPrefix(bench.Trace(), "sudden_stop"), std::size_t{0});
    QCOMPARE(CountPrefix(bench.Trace(), "reset_pos"), std::size_t{0});
    QCOMPARE(RunControl.MotionMode.load(), modeBefore);

    script.Answer(kBoxOk);
    Click(frame->ControlPanel(), kClear);
    QCOMPARE(RunControl.MotionMode.load(), mode::kClear);
    QCOMPARE(CountPrefix(bench.Trace(), "reset_pos"), std::size_t{4});
    bench.Tick();
    QCOMPARE(StatusTables.CommandPosition[0].load(), 0.0);
  }

  // Home All on card 2 homes axes 5-8 with their own directions.
  void homeAllOnTheSecondCard() {
    Bench bench(kOrvb, 2);
    SysParams.Dir[4] = 1;
    SysParams.Dir[5] = -1;
    SysParams.Dir[6] = 1;
    SysParams.Dir[7] = -1;
    auto frame = bench.MakeFrame();
    Control<QComboBox>(frame->ControlPanel(), kCardList)->setCurrentIndex(1);
    Click(frame->ControlPanel(), kHomeAll);
    QVERIFY(RunControl.BusyHome.load());
    QCOMPARE(RunControl.MotionMode.load(), mode::kHoming);
    QCOMPARE(Homing.HomeRecord.iCodeType, 0x08044200);
    QCOMPARE(std::vector<int>(Homing.HomeRecord.iAxes, Homing.HomeRecord.iAxes + 4), (std::vector<int>{5, 6, 7, 8}));
    DialogScript script;
    bench.Tick(3);
    const auto trace = bench.Trace();
    QCOMPARE(CountPrefix(trace, "fast_hmove(5,1)"), std::size_t{1});
    QCOMPARE(CountPrefix(trace, "fast_hmove(6,-1)"), std::size_t{1});
    QCOMPARE(CountPrefix(trace, "fast_hmove(1"), std::size_t{0});
  }
};

QTEST_MAIN(ControlPanelTest)
#include "ControlPanel_test.moc"
