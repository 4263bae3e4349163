// Single block in the window (the Run menu's and the toolbar's switch, kept
// in the settings store; the paused run's row in the listing and the status
// bar) and the listing's Run From Here.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "UiTest.h"
#include "motion/RunControl.h"
#include "ui/bars/CProgramListBox.h"

using namespace uitest;

namespace {

constexpr int kStart = 1121;
constexpr int kSStop = 1122;
constexpr int kLoop = 1118;

MotionCommand Move(int axis, double distance) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = 0x02010000;
  c.iAxes[0] = axis;
  c.dbDis[0] = distance;
  c.dbLowSpd[0] = 2000;
  return c;
}

// Rows 1-3 move axes 1-3 by 100 pulses each.
void LoadProgram(Bench& bench) {
  MotionProgram = {Move(1, 100), Move(2, 100), Move(3, 100)};
  bench.Port().ListClear();
  for (const MotionCommand& row : MotionProgram) bench.Port().ListAppend(ListingText(row));
}

// The rows whose moves the card saw, in order.
QStringList RowsRun(const Bench& bench) {
  QStringList rows;
  for (const std::string& call : bench.Trace()) {
    if (call.rfind("con_pmove(", 0) == 0) rows << QString::number(call[10] - '0');
  }
  return rows;
}

QAction* SingleBlock(CMainFrame* frame) { return Find<QAction>(frame, QStringLiteral("singleBlock")); }
QString RunPane(CMainFrame* frame) { return Find<QLabel>(frame, QStringLiteral("runPane"))->text(); }

// Opens the listing's menu on `row` and triggers Run From Here.
void RunFromHereOn(CMainFrame* frame, int row) {
  CProgramListBox* listing = frame->LiveStatus()->Listing();
  QTimer::singleShot(50, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) qFatal("the listing's menu did not open");
    Find<QAction>(menu, QStringLiteral("runFromHere"))->trigger();
    menu->close();
  });
  QTest::mouseClick(listing->viewport(), Qt::RightButton, {},
                    listing->visualRect(listing->model()->index(row, 0)).center());
}

}  // namespace

class SingleBlockTest : public QObject {
  Q_OBJECT

 private slots:
  void switchInTheRunMenuAndTheToolbar_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("text");
    QTest::newRow("English") << kLangEnglish << "Run(&R)"
                             << "Single Block";
    QTest::newRow("Chinese") << kLangChinese << "运行(&R)"
                             << "单段执行";
  }
  // The switch sits in the Run menu after File and at the toolbar's end,
  // and the next start of the window finds it as it was left.
  void switchInTheRunMenuAndTheToolbar() {
    QFETCH(int, language);
    QFETCH(QString, menu);
    QFETCH(QString, text);
    Bench bench(kOrvb, 1, language);
    {
      auto frame = bench.MakeFrame();
      auto* run = Find<QMenu>(frame.get(), QStringLiteral("RunMenu"));
      const QList<QAction*> menus = frame->menuBar()->actions();
      const qsizetype at = menus.indexOf(run->menuAction());
      QVERIFY(at > 0);
      QVERIFY(QStringList({"FileMenu", "ViewMenu"}).contains(menus[at - 1]->menu()->objectName()));
      QCOMPARE(run->title(), menu);
      QAction* action = SingleBlock(frame.get());
      QCOMPARE(run->actions(), QList<QAction*>{action});
      const QList<QAction*> tools = Find<QToolBar>(frame.get(), "toolbar")->actions();
      QCOMPARE(tools.last(), action);
      QVERIFY(tools[tools.size() - 2]->isSeparator());
      QCOMPARE(action->text(), text);
      QVERIFY(action->isCheckable());
      QVERIFY(!action->isChecked());
      QVERIFY(!ProgramRun.SingleBlock.load());
      action->trigger();
      QVERIFY(ProgramRun.SingleBlock.load());
    }
    ResetEngineState();
    {
      auto frame = bench.MakeFrame();
      QVERIFY(SingleBlock(frame.get())->isChecked());
      QVERIFY(ProgramRun.SingleBlock.load());
      SingleBlock(frame.get())->trigger();
    }
    auto frame = bench.MakeFrame();
    QVERIFY(!SingleBlock(frame.get())->isChecked());
  }

  void pausedRunShowsItsRow_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("paused");
    QTest::newRow("English") << kLangEnglish << "Paused before row 2: Start continues";
    QTest::newRow("Chinese") << kLangChinese << "暂停在第2行之前：按开始继续";
  }
  // Paused, the listing selects the next row and the status bar names it
  // until the run goes on or ends.
  void pausedRunShowsItsRow() {
    QFETCH(int, language);
    QFETCH(QString, paused);
    Bench bench(kOrvb, 1, language);
    auto frame = bench.MakeFrame();
    LoadProgram(bench);
    SingleBlock(frame.get())->setChecked(true);
    Click(frame->ControlPanel(), kStart);
    QVERIFY(bench.TickUntil([] { return ProgramPausedBeforeRow() == 2; }, 2000));
    frame->OnTimer();
    QCOMPARE(RunPane(frame.get()), paused);
    QCOMPARE(bench.Port().ListSelectedRow(), 1);
    QCOMPARE(TextOf(frame->LiveStatus(), 1120), QStringLiteral("2"));
    QCOMPARE(RowsRun(bench), QStringList{"1"});

    Click(frame->ControlPanel(), kStart);
    QVERIFY(bench.TickUntil([] { return ProgramPausedBeforeRow() == 3; }, 2000));
    QCOMPARE(RowsRun(bench), (QStringList{"1", "2"}));
    Click(frame->ControlPanel(), kSStop);
    frame->OnTimer();
    QCOMPARE(RunPane(frame.get()), QString());
  }

  // Run From Here starts at the selected row with the loop field; without a
  // row it says so and starts nothing.
  void runFromHere() {
    Bench bench;
    auto frame = bench.MakeFrame();
    LoadProgram(bench);
    Control<QLineEdit>(frame->LiveStatus(), kLoop)->setText(QStringLiteral("2"));
    DialogScript script;

    RunFromHereOn(frame.get(), 1);  // the right button selects nothing
    QCOMPARE(script.TakeShown(), QStringList{Message(2)});
    QVERIFY(!RunControl.BusyProgram.load());

    bench.Port().ListSelect(1);
    RunFromHereOn(frame.get(), 1);
    QVERIFY(RunControl.BusyProgram.load());
    QCOMPARE(ProgramRun.LoopTotal.load(), 2);
    QVERIFY(bench.TickUntil([] { return !RunControl.BusyProgram.load(); }, 4000));
    QCOMPARE(RowsRun(bench), (QStringList{"2", "3", "1", "2", "3"}));
    QVERIFY(script.Shown().isEmpty());
  }
};

QTEST_MAIN(SingleBlockTest)
#include "SingleBlock_test.moc"
