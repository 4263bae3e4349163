// The main window: menus, toolbar, control bar, clock, About, the file
// commands, the stop key and the question on closing.

#include <QAction>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <csignal>

#include "UiTest.h"
#include "motion/AboutText.h"
#include "program/ProgramEditing.h"
#include "ui/bars/CDlgBar_1.h"
#include "ui/frame/CCtrlDlg.h"
#include "ui/frame/QuitSignals.h"

using namespace uitest;

namespace {

MotionCommand Move(int axis, double distance, double speed = 1000) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = 0x02010000;
  c.iAxes[0] = axis;
  c.dbDis[0] = distance;
  c.dbLowSpd[0] = speed;
  return c;
}

// A program run of one long fast move of X, started from the control panel.
void StartLongRun(CMainFrame& frame) {
  MotionCommand fast = Move(1, 1000000, 1000);
  fast.iCodeType = 0x02014000;
  fast.dbHighSpd[0] = 2000;
  fast.dbAccSpd[0] = 20000;
  MotionProgram = {fast};
  Click(frame.ControlPanel(), 1121);
}

// A program file of `rows` written by the engine itself.
QString ProgramFileWith(const Bench& bench, const QString& name, const std::vector<MotionCommand>& rows) {
  const QString path = bench.Folder() + "/" + name;
  MotionProgram = rows;
  if (!WriteProgramFile(path.toStdString())) qFatal("cannot write the program file");
  MotionProgram.clear();
  return path;
}

QAction* MenuAction(CMainFrame* frame, int id) { return Control<QAction>(frame->menuBar(), id); }
QAction* ToolAction(CMainFrame* frame, int id) { return Control<QAction>(Find<QToolBar>(frame, "toolbar"), id); }

QStringList ListingRows(Bench& bench) {
  QStringList rows;
  for (int r = 0; r < bench.Port().Listing()->Count(); ++r) rows << bench.Port().Listing()->Row(r);
  return rows;
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void menuToolbarAndTabTexts_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("menu");
    QTest::addColumn<QStringList>("toolbar");
    QTest::addColumn<QStringList>("tabs");
    QTest::newRow("English") << kLangEnglish
                             << QStringList{"File(&F)",          "New(&N)\tCtrl+N", "Open(&O)...\tCtrl+O",
                                            "&Save(&S)\tCtrl+S", "Save &As(&A)...", "Print(&P)...\tCtrl+P",
                                            "Recent File",       "Exit(&X)"}
                             << QStringList{" New ", " Open ", " Save ", " Help ", " Control "}
                             << QStringList{"Multi-Step Motion", " Single Step ", "Other Function"};
    QTest::newRow("Chinese") << kLangChinese
                             << QStringList{"文件(&F)",          "新建(&N)\tCtrl+N", "打开(&O)...\tCtrl+O",
                                            "&保存(&S)\tCtrl+S", "另存为 &(&A)...",  "打印 (&P)...\tCtrl+P",
                                            "Recent File",       "退出(&X)"}
                             << QStringList{" 新建 ", " 打开 ", " 保存 ", " 帮助 ", " 控制 "}
                             << QStringList{" 多步运动 ", " 单步运动 ", " 其它功能 "};
  }
  void menuToolbarAndTabTexts() {
    QFETCH(int, language);
    QFETCH(QStringList, menu);
    QFETCH(QStringList, toolbar);
    QFETCH(QStringList, tabs);
    Bench bench(kOrvb, 1, language);
    auto frame = bench.MakeFrame();

    auto* file = Find<QMenu>(frame.get(), QStringLiteral("FileMenu"));
    QVERIFY(file != nullptr);
    QStringList shownMenu{file->title()};
    for (int id : {32782, 32779, 32780, 32781, 57607, 57616, 57665}) shownMenu << MenuAction(frame.get(), id)->text();
    QCOMPARE(shownMenu, menu);
    QCOMPARE(frame->menuBar()->objectName(), language == kLangEnglish ? QStringLiteral("128") : QStringLiteral("216"));
    QVERIFY(!MenuAction(frame.get(), 57607)->isEnabled());  // Print
    QVERIFY(!MenuAction(frame.get(), 57616)->isEnabled());  // Recent File

    QStringList shownToolbar;
    for (int id : {32782, 32779, 32780, 57664, 32771}) shownToolbar << ToolAction(frame.get(), id)->text();
    QCOMPARE(shownToolbar, toolbar);

    auto* tabWidget = Control<QTabWidget>(frame.get(), 125);
    QStringList shownTabs;
    for (int i = 0; i < tabWidget->count(); ++i) shownTabs << tabWidget->tabText(i);
    QCOMPARE(shownTabs, tabs);
    QCOMPARE(tabWidget->widget(0)->objectName(), QStringLiteral("CDlgBar_1"));
    QCOMPARE(tabWidget->widget(1)->objectName(), QStringLiteral("CDlgBar_2"));
    QCOMPARE(tabWidget->widget(2)->objectName(), QStringLiteral("CDlgBar_3"));
    QCOMPARE(tabWidget->currentIndex(), 0);

    auto* bar = Control<QDockWidget>(frame.get(), 123);
    QCOMPARE(bar->windowTitle(), QStringLiteral("MY Contrl Bar"));
    QCOMPARE(frame->dockWidgetArea(bar), Qt::LeftDockWidgetArea);
    QCOMPARE(frame->size(), QSize(1024, 768));
    QCOMPARE(frame->minimumSize(), frame->maximumSize());
    QVERIFY(!(frame->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(frame->windowFlags() & Qt::WindowMinimizeButtonHint);
  }

  // The clock shows English names in every language, in a pane as wide as
  // its text; the message pane shows the program's path.
  void clockAndMessagePane() {
    Bench bench(kOrvb, 1, kLangChinese);
    auto frame = bench.MakeFrame();
    ShownPath = "/tmp/一个程序.knl";
    frame->OnTimer();
    auto* clock = Find<QLabel>(frame.get(), QStringLiteral("clockPane"));
    static const QRegularExpression format(
        QStringLiteral("^ \\d\\d:\\d\\d:\\d\\d   (Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday)-"
                       "(January|February|March|April|May|June|July|August|September|October|November|December)-"
                       "\\d\\d-\\d{4}$"));
    QVERIFY2(format.match(clock->text()).hasMatch(), qPrintable(clock->text()));
    QVERIFY(clock->width() >= clock->fontMetrics().horizontalAdvance(clock->text()));
    QCOMPARE(Find<QLabel>(frame.get(), QStringLiteral("messagePane"))->text(), QStringLiteral("/tmp/一个程序.knl"));
  }

  void aboutBoxShowsCardsAndVersions() {
    Bench bench(kOrvb, 1, kLangChinese);
    auto frame = bench.MakeFrame();
    int major = 0, minor = 0, release = 0;
    CardDriver.get_lib_ver(&major, &minor, &release);
    const QString expected = QStringLiteral("计算机内共有 1 张卡, 4 根轴\n板卡类型\t     ：ORVB\n") +
                             QStringLiteral("函数库版本号     ：%1.%2.%3\n").arg(major).arg(minor).arg(release);
    DialogScript script;
    QString text, title, product;
    script.Handle([&](QDialog* about) {
      title = about->windowTitle();
      text = TextOf(about, 1225);
      product = Find<QLabel>(about, QStringLiteral("product"))->text();
      Click(about, 1);
    });
    ToolAction(frame.get(), 57664)->trigger();
    QCOMPARE(title, QStringLiteral("About Kinolt"));
    QCOMPARE(product, QStringLiteral("Kinolt 1.1.2"));
    QVERIFY2(text.startsWith(expected), qPrintable(text));
    QCOMPARE(text.count(u'\n'), 5);

    SysParams.LangVer = kLangEnglish;
    const QString english = QString::fromStdString(AboutText(kLangEnglish));
    QVERIFY(english.startsWith(QStringLiteral("There are 1 Card(s), 4 Axes in computer\nCard Version\t   ：ORVB\n")));
    QVERIFY(english.contains(QStringLiteral("\nDriver Version      ：")));
    QVERIFY(english.contains(QStringLiteral("\nHardware Version   ：")));
  }

  // Control hides the bar and shows it again where it was docked; its
  // check mark follows.
  void controlHidesAndRestoresTheBar() {
    Bench bench;
    auto frame = bench.MakeFrame();
    auto* bar = Control<QDockWidget>(frame.get(), 123);
    QAction* control = ToolAction(frame.get(), 32771);
    QVERIFY(control->isChecked());
    control->trigger();
    QVERIFY(bar->isHidden());
    QVERIFY(!control->isChecked());
    control->trigger();
    QVERIFY(!bar->isHidden());
    QVERIFY(control->isChecked());
    QCOMPARE(frame->dockWidgetArea(bar), Qt::LeftDockWidgetArea);
    QVERIFY(!bar->isFloating());
  }

  // The keys beside New, Open and Save reach the program's commands.
  void keysReachTheFileCommands() {
    Bench bench;
    auto frame = bench.MakeFrame();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    const QString path = ProgramFileWith(bench, "two.knl", {Move(1, 100), Move(2, -50)});
    DialogScript script;
    script.AnswerFile(path);
    QTest::keyClick(frame.get(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(MotionProgram.size(), std::size_t{2});
    QCOMPARE(ListingRows(bench).size(), 2);
    QCOMPARE(QString::fromStdString(ShownPath), path);
    QCOMPARE(QString::fromStdString(SavePath), path);

    MotionProgram[0].dbDis[0] = 300;  // an edit Save must keep
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_S, Qt::ControlModifier);
    MotionProgram.clear();
    OpenProgramFile(path.toStdString());
    QCOMPARE(MotionProgram.at(0).dbDis[0], 300.0);

    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(MotionProgram.empty());
    QCOMPARE(bench.Port().Listing()->Count(), 0);
    QVERIFY(SavePath.empty());
    QVERIFY(script.AllAnswered());
  }

  // Open through the menu, Save As to a new file (created), Delete.
  void fileCommandsAndDelete() {
    Bench bench;
    auto frame = bench.MakeFrame();
    const QString path = ProgramFileWith(bench, "three.knl", {Move(1, 10), Move(2, 20), Move(3, 30)});
    DialogScript script;
    script.AnswerFile(path);
    MenuAction(frame.get(), 32779)->trigger();
    QCOMPARE(ListingRows(bench).size(), 3);
    QCOMPARE(ListingRows(bench)[1], QString::fromStdString(ListingText(Move(2, 20))));

    const QString copy = bench.Folder() + "/copy";  // the suffix is added
    script.AnswerFile(copy);
    MenuAction(frame.get(), 32781)->trigger();
    QVERIFY(QFile::exists(copy + ".knl"));
    QCOMPARE(QString::fromStdString(SavePath), copy + ".knl");

    frame->RunCommand(32776);  // Delete without a selection
    QCOMPARE(script.TakeShown(), QStringList{Message(3)});
    bench.Port().ListSelect(1);
    frame->RunCommand(32776);
    QCOMPARE(MotionProgram.size(), std::size_t{2});
    QCOMPARE(ListingRows(bench), (QStringList{QString::fromStdString(ListingText(Move(1, 10))),
                                              QString::fromStdString(ListingText(Move(3, 30)))}));
    QCOMPARE(bench.Port().ListSelectedRow(), -1);

    frame->RunCommand(32775);  // Modify without a selected row
    QCOMPARE(script.TakeShown(), QStringList{Message(2)});
    MotionProgram.clear();
    bench.Port().ListClear();
    frame->RunCommand(32775);  // Modify on an empty program
    QCOMPARE(script.TakeShown(), QStringList{Message(6)});
  }

  // Answering No leaves everything running; Yes quits and empties the
  // program.
  void closeAsksFirst() {
    Bench bench(kOrvb, 1, kLangChinese);
    auto frame = bench.MakeFrame();
    MotionProgram = {Move(1, 100000)};
    Click(frame->ControlPanel(), 1121);
    QVERIFY(RunControl.BusyProgram.load());
    bench.Tick(10);
    const double before = bench.Machine().Position(1);

    DialogScript script;
    script.Answer(kBoxNo);
    frame->close();
    QVERIFY(frame->isVisible());
    QCOMPARE(script.Shown(), QStringList{QStringLiteral("您确定退出该程序?")});
    QCOMPARE(script.Captions(), QStringList{QStringLiteral("退出")});
    QVERIFY(RunControl.BusyProgram.load());
    bench.Tick(10);
    QVERIFY(bench.Machine().Position(1) > before);

    script.Answer(kBoxYes);
    frame->close();
    QVERIFY(!frame->isVisible());
    QVERIFY(bench.Port().QuitRequested());
    QVERIFY(MotionProgram.empty());
  }

  // A confirmed quit leaves nothing moving: the axes brake (the window
  // painting and the ticks going on meanwhile), and one that still moves
  // after 3 s, here on a clock that stands still, stops at once.
  void quitStopsTheAxes_data() {
    QTest::addColumn<bool>("jog");
    QTest::addColumn<bool>("clockRuns");
    QTest::newRow("program run") << false << true;
    QTest::newRow("jog") << true << true;
    QTest::newRow("program run, axis braking too long") << false << false;
  }
  void quitStopsTheAxes() {
    QFETCH(bool, jog);
    QFETCH(bool, clockRuns);
    Bench bench;
    bench.UseMachine("[axis all]\ntravel = -10000000 10000000\nlimits = -9000000 9000000\n");
    auto frame = bench.MakeFrame();
    DialogScript script;
    script.Answer(kBoxYes);
    bench.AutoTick(clockRuns);
    if (jog) {
      SysParams.PMoveSetLowSpd[0] = 1000;
      SysParams.PMoveSetHighSpd[0] = 2000;
      SysParams.PMoveSetAccSpd[0] = 20000;
      SysParams.PMoveSetStep[0] = 1000000;
      // The close comes while the jog waits for its axis: posted, not from a
      // timer, since Qt fires no timer of the same batch (the bench's ticks)
      // inside another timer's handler, and the axis would never brake.
      QMetaObject::invokeMethod(
          frame.get(), [&] { frame->close(); }, Qt::QueuedConnection);
      Click(frame->ControlPanel(), 1035);  // X +
    } else {
      StartLongRun(*frame);
      bench.Tick(20);
      QVERIFY(bench.Machine().Position(1) > 0);
      frame->close();
    }
    QVERIFY(bench.Port().QuitRequested());
    QCOMPARE(script.Shown(), QStringList{QStringLiteral("Are you sure to quit the program?")});
    QVERIFY(!AnyMotionBusy());
    for (int axis = 1; axis <= 4; ++axis) QCOMPARE(CardDriver.check_done(axis), 0);
    const auto trace = bench.Trace();
    QVERIFY(CountPrefix(trace, "decel_stop(1)") >= 1);
    QCOMPARE(CountPrefix(trace, "sudden_stop(1)") >= 1, !clockRuns);
  }

  // A kill, Ctrl+C or a closed terminal quits without a question, as a
  // confirmed quit does: the running axis brakes, and the status names the
  // signal.
  void aSignalStopsTheAxesAndQuits_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
  }
  void aSignalStopsTheAxesAndQuits() {
    QFETCH(int, signal);
    Bench bench;
    bench.UseMachine("[axis all]\ntravel = -10000000 10000000\nlimits = -9000000 9000000\n");
    auto frame = bench.MakeFrame();
    DialogScript script;
    bench.AutoTick(true);
    StartLongRun(*frame);
    QTRY_VERIFY(bench.Machine().Position(1) > 0);
    int seen = 0;
    {
      const QuitSignals watch([&](int caught) {
        seen = caught;
        QuitForSignal(caught);
      });
      QVERIFY(watch.Watching());
      std::raise(signal);
      QTRY_COMPARE(seen, signal);
    }
    QVERIFY(bench.Port().QuitRequested());
    QCOMPARE(bench.Port().ExitCode(), 128 + signal);
    QVERIFY(script.Shown().isEmpty());
    QVERIFY(!AnyMotionBusy());
    QCOMPARE(CardDriver.check_done(1), 0);
    QVERIFY(CountPrefix(bench.Trace(), "decel_stop(1)") >= 1);
  }

  // The Scope and the Events share the bottom as tabs; the one switched on
  // last is on top.
  void scopeAndEventsShareTheBottom() {
    Bench bench;
    auto frame = bench.MakeFrame();
    auto* scope = Control<QAction>(frame.get(), "scope");
    auto* events = Control<QAction>(frame.get(), "events");
    events->trigger();
    scope->trigger();
    QDockWidget* scopeDock = frame->findChild<QDockWidget*>(QStringLiteral("ScopeDock"));
    QDockWidget* eventsDock = frame->findChild<QDockWidget*>(QStringLiteral("EventsDock"));
    QCOMPARE(frame->dockWidgetArea(scopeDock), Qt::BottomDockWidgetArea);
    QCOMPARE(frame->tabifiedDockWidgets(scopeDock), QList<QDockWidget*>{eventsDock});
    QVERIFY(!scopeDock->visibleRegion().isEmpty());
    QVERIFY(eventsDock->visibleRegion().isEmpty());
    events->trigger();
    events->trigger();
    QVERIFY(!eventsDock->visibleRegion().isEmpty());
    QVERIFY(scopeDock->visibleRegion().isEmpty());
  }

  // The close question's default answer is No.
  void closeQuestionDefaultsToNo() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;  // answers as Enter would
    frame->close();
    QVERIFY(frame->isVisible());
    QCOMPARE(script.Shown(), QStringList{QStringLiteral("Are you sure to quit the program?")});
    QCOMPARE(script.Captions(), QStringList{QStringLiteral("Exit")});
  }

  // Esc anywhere in the window stops every motion at once.
  void escapeIsTheSuddenStop() {
    Bench bench;
    auto frame = bench.MakeFrame();
    frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame.get()));
    MotionProgram = {Move(1, 100000)};
    Click(frame->ControlPanel(), 1121);
    bench.Tick(5);
    bench.ClearTraces();
    QTest::keyClick(frame->LiveStatus(), Qt::Key_Escape);
    QVERIFY(!RunControl.BusyProgram.load());
    QCOMPARE(RunControl.MotionMode.load(), mode::kSuddenStop);
    QCOMPARE(CountPrefix(bench.Trace(), "sudden_stop(1)"), std::size_t{1});
  }

  // A box the status tick raised holds the tick but not the windows: S Stop
  // works while it stands, and quitting with it open returns at once.
  void tickBoxNeitherBlocksNorHangs() {
    Bench bench;
    auto frame = bench.MakeFrame();
    bench.Machine().RealTime();
    StartStatusTimer();  // the real 5 ms timer
    QVERIFY(StatusTables.TimerId.load() != 0);
    Click(frame->ControlPanel(), 1121);  // an empty program: message 6 from the tick
    QMessageBox* box = WaitForShownBox();
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), Message(6));
    QCOMPARE(box->windowModality(), Qt::NonModal);

    Click(frame->ControlPanel(), 1122);  // S Stop while the box stands
    QCOMPARE(RunControl.MotionMode.load(), mode::kSuddenStop);

    DialogScript script;
    script.LeaveModeless(true);
    script.Answer(kBoxYes);
    QPointer<QMessageBox> tickBox(box);
    frame->close();
    QCOMPARE(script.Shown(), QStringList{QStringLiteral("Are you sure to quit the program?")});
    QVERIFY(bench.Port().QuitRequested());
    QCOMPARE(StatusTables.TimerId.load(), 0u);
    QCoreApplication::processEvents();
    if (const QMessageBox* stillThere = tickBox.data()) QVERIFY(!stillThere->isVisible());
  }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrame_test.moc"
