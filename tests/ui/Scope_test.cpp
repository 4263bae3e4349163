// The scope dock: its place, action and texts, what it keeps between runs,
// the traces of a program run on the simulated cards, the export (the
// runner's columns, ending where the live bar stands), pausing, zooming
// and the cursor.

#include "motion/Scope.h"

#include <QCheckBox>
#include <QFile>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>
#include <QWheelEvent>

#include "UiTest.h"
#include "motion/Recording.h"
#include "motion/TickCsv.h"
#include "settings/NumberText.h"
#include "ui/diagnostics/ScopeDock.h"
#include "ui/diagnostics/ScopePlot.h"

using namespace uitest;

namespace {

ScopeDock* Dock(CMainFrame* frame) { return Control<ScopeDock>(frame, QStringLiteral("ScopeDock")); }
QAction* ScopeAction(CMainFrame* frame) { return Control<QAction>(frame, QStringLiteral("scope")); }
template <typename T>
T* Part(ScopeDock* dock, const char* name) {
  return Control<T>(dock, QString::fromLatin1(name));
}
QWidget* Canvas(ScopeDock* dock) { return Control<QWidget>(dock->Plot(), QStringLiteral("scopeCanvas")); }

// Axes 1 and 2 in millimetres (4 mm lead, 3200 pulses a turn) with an
// encoder count a pulse; the program moves both, one after the other.
void LoadRun(Bench& bench) {
  for (std::size_t i = 0; i < 2; ++i) {
    SysParams.Unit[i] = 1;
    SysParams.Guide[i] = 4;
    SysParams.MotorPulse[i] = 3200;
    SysParams.MotorRatio[i] = 1;
    SysParams.FeedBack[i] = 1.25;
  }
  ComputeEquivalents();
  auto move = [](int axis, double distance) {
    MotionCommand c = DefaultEditCommand();
    c.iCodeType = 0x02010000;
    c.iAxes[0] = axis;
    c.dbDis[0] = distance;
    c.dbLowSpd[0] = 0.5;
    return c;
  };
  MotionProgram = {move(1, 0.8), move(2, -0.75)};
  for (const MotionCommand& row : MotionProgram) bench.Port().ListAppend(ListingText(row));
}

void RunToTheEnd(Bench& bench, CMainFrame* frame) {
  DialogScript script;  // a box would hold the run
  Click(frame->ControlPanel(), 1121);
  QVERIFY(RunControl.BusyProgram.load());
  QVERIFY(bench.TickUntil([] { return !RunControl.BusyProgram.load(); }, 2000));
  QCOMPARE(script.Shown().join("|"), QString());
  bench.Tick(5);
  Dock(frame)->Refresh();
}

void Mouse(QWidget* canvas, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, at, canvas->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(canvas, &event);
}

}  // namespace

class ScopeTest : public QObject {
  Q_OBJECT

 private slots:
  void placeActionAndTexts_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("texts");  // title, action, View menu, export, pause, autoscale
    QTest::newRow("English") << kLangEnglish
                             << QStringList{"Scope", "Scope", "View(&V)", "Export", "Pause", "Autoscale"};
    QTest::newRow("Chinese") << kLangChinese << QStringList{"示波器", "示波器", "视图(&V)", "导出", "暂停", "自动缩放"};
  }
  void placeActionAndTexts() {
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    Bench bench(kOrvb, 1, language);
    auto frame = bench.MakeFrame();
    ScopeDock* dock = Dock(frame.get());
    QVERIFY(dock->isHidden());
    QCOMPARE(frame->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    QAction* action = ScopeAction(frame.get());
    QVERIFY(action->isCheckable() && !action->isChecked());
    auto* toolBar = Control<QToolBar>(frame.get(), QStringLiteral("toolbar"));
    const QList<QAction*> buttons = toolBar->actions();
    QCOMPARE(buttons.indexOf(action), buttons.indexOf(Control<QAction>(toolBar, 32771)) + 1);
    auto* view = Control<QMenu>(frame.get(), QStringLiteral("ViewMenu"));
    const QList<QAction*> menus = frame->menuBar()->actions();
    QCOMPARE(menus.indexOf(view->menuAction()),
             menus.indexOf(Control<QMenu>(frame.get(), QStringLiteral("FileMenu"))->menuAction()) + 1);
    QVERIFY(view->actions().contains(action));
    QCOMPARE(
        (QStringList{dock->windowTitle(), action->text(), view->title(), Part<QPushButton>(dock, "scopeExport")->text(),
                     Part<QPushButton>(dock, "scopePause")->text(), Part<QCheckBox>(dock, "scopeAutoscale")->text()}),
        texts);
    QVERIFY(Part<QCheckBox>(dock, "scopeAxis4")->isVisibleTo(dock));
    QVERIFY2(!Part<QCheckBox>(dock, "scopeAxis5")->isVisibleTo(dock), "one card: axes 1-4");

    action->trigger();
    QVERIFY(dock->isVisible());
    dock->close();
    QVERIFY(!action->isChecked());
  }

  void shownAndChoicesKeptBetweenRuns() {
    Bench bench(kOrvb, 2);
    {
      auto frame = bench.MakeFrame();
      ScopeDock* dock = Dock(frame.get());
      QVERIFY(Part<QCheckBox>(dock, "scopeAxis1")->isChecked() && Part<QCheckBox>(dock, "scopeAxis2")->isChecked());
      ScopeAction(frame.get())->trigger();
      Part<QCheckBox>(dock, "scopeAxis2")->setChecked(false);
      Part<QCheckBox>(dock, "scopeAxis7")->setChecked(true);
      Part<QComboBox>(dock, "scopeWindow")->setCurrentIndex(3);
      Part<QCheckBox>(dock, "scopeAutoscale")->setChecked(false);
    }
    auto frame = bench.MakeFrame();
    ScopeDock* dock = Dock(frame.get());
    QVERIFY(dock->isVisible() && ScopeAction(frame.get())->isChecked());
    QStringList chosen;
    for (int axis = 1; axis <= 8; ++axis) {
      auto* box = Control<QCheckBox>(dock, QStringLiteral("scopeAxis%1").arg(axis));
      if (box->isChecked()) chosen << box->text();
    }
    QCOMPARE(chosen, (QStringList{"X", "C"}));
    QCOMPARE(Part<QComboBox>(dock, "scopeWindow")->currentText(), QStringLiteral("300 s"));
    QVERIFY(!Part<QCheckBox>(dock, "scopeAutoscale")->isChecked());
    dock->close();  // its own close button
    frame = bench.MakeFrame();
    QVERIFY(Dock(frame.get())->isHidden());
  }

  // A run on the simulated cards: the chosen axes' traces hold every tick
  // of the window and end where the tables stand; the export has one line
  // a tick and ends at what the live bar shows.
  void runTracesAndExport() {
    Bench bench;
    LoadRun(bench);
    auto frame = bench.MakeFrame();
    ScopeDock* dock = Dock(frame.get());
    ScopeAction(frame.get())->trigger();
    RunToTheEnd(bench, frame.get());
    if (QTest::currentTestFailed()) return;
    const std::uint64_t newest = Recording.Ring()->Newest();
    QCOMPARE(dock->LastTick(), newest);
    QVERIFY2(newest > 300 && newest < 2000, "the whole run lies in the 10 s window");
    ScopePlot* plot = dock->Plot();
    for (ScopePlot::Trace trace : {ScopePlot::kCommand, ScopePlot::kFeedback, ScopePlot::kFollowingError}) {
      QCOMPARE(plot->PointCount(1, trace), newest);
      QCOMPARE(plot->PointCount(2, trace), newest);
      QCOMPARE(plot->PointCount(3, trace), std::size_t{0});
    }
    const double end = scope::Seconds(newest);
    QCOMPARE(plot->ValueAt(1, ScopePlot::kCommand, end).value_or(-1), 0.8);
    QCOMPARE(plot->ValueAt(2, ScopePlot::kCommand, end).value_or(-1), -0.75);
    QCOMPARE(plot->ValueAt(2, ScopePlot::kFollowingError, end).value_or(-1), 0.0);
    QCOMPARE(plot->ValueAt(1, ScopePlot::kSpeed, end).value_or(-1), 0.0);
    QCOMPARE(plot->TimeRange(), std::make_pair(0.0, 10.0));

    Part<QCheckBox>(dock, "scopeAxis3")->setChecked(true);  // drawn anew from the recording
    QCOMPARE(plot->PointCount(3, ScopePlot::kCommand), newest);

    const QString path = bench.Folder() + "/trace.csv";
    DialogScript script;
    script.AnswerFile(path);
    QTest::mouseClick(Part<QPushButton>(dock, "scopeExport"), Qt::LeftButton);
    QVERIFY(script.AllAnswered() && script.Shown().isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.first() + "\n", QString::fromStdString(TickCsvHeader(4)));
    QCOMPARE(static_cast<std::uint64_t>(lines.size() - 1), newest);
    std::uint64_t expected = 1;
    int rowTwo = 0;
    for (const QString& line : lines.mid(1)) {
      const QStringList cells = line.split(u',');
      QCOMPARE(cells.size(), 4 + 3 * 4);
      QCOMPARE(cells[0].toULongLong(), expected++);
      QCOMPARE(cells[1], QString::fromStdString(numtext::FormatFixed(scope::Seconds(expected - 1), 6)));
      if (cells[2] == "2") ++rowTwo;
    }
    QVERIFY(rowTwo > 20);
    frame->LiveStatus()->OnTimer();
    const QStringList last = lines.last().split(u',');
    for (int axis = 1; axis <= 2; ++axis) {
      const auto k = static_cast<qsizetype>(4 + 3 * (axis - 1));
      QCOMPARE(TextOf(frame->LiveStatus(), 1107 + axis),
               QString::fromStdString(numtext::FormatFixed(LiveCommandUnits(axis, last[k].toDouble()), 2)));
      QCOMPARE(TextOf(frame->LiveStatus(), 1111 + axis),
               QString::fromStdString(numtext::FormatFixed(LiveFeedbackUnits(axis, last[k + 1].toInt()), 2)));
    }
  }

  void pictureAndRefusals() {
    Bench bench;
    auto frame = bench.MakeFrame();
    ScopeDock* dock = Dock(frame.get());
    ScopeAction(frame.get())->trigger();
    bench.Tick(50);
    DialogScript script;
    QVERIFY(dock->ExportTo(bench.Folder() + "/plot.PNG"));
    const QImage picture(bench.Folder() + "/plot.PNG");
    QCOMPARE(picture.size(), dock->Plot()->size() * dock->devicePixelRatio());

    const QString refused[] = {bench.Folder() + "/trace.txt", bench.Folder() + "/no-such-folder/trace.csv"};
    for (const QString& path : refused) QVERIFY(!dock->ExportTo(path));
    Recording.Reset();
    QVERIFY(!dock->ExportTo(bench.Folder() + "/empty.csv"));
    QCOMPARE(script.Shown(), (QStringList{"Name the file .csv (the trace) or .png (the picture).",
                                          "Cannot write " + refused[1] + ".", "Nothing has been recorded yet."}));
    QVERIFY(!QFile::exists(refused[0]) && !QFile::exists(bench.Folder() + "/empty.csv"));
  }

  // Paused, the view holds while recording goes on; zooming pauses it; the
  // cursor reads the values at its time.
  void pauseZoomAndCursor() {
    Bench bench;
    LoadRun(bench);
    auto frame = bench.MakeFrame();
    ScopeDock* dock = Dock(frame.get());
    ScopePlot* plot = dock->Plot();
    ScopeAction(frame.get())->trigger();
    RunToTheEnd(bench, frame.get());
    if (QTest::currentTestFailed()) return;
    const std::size_t before = plot->PointCount(1, ScopePlot::kCommand);
    QTest::mouseClick(Part<QPushButton>(dock, "scopePause"), Qt::LeftButton);
    bench.Tick(100);
    dock->Refresh();
    QCOMPARE(plot->PointCount(1, ScopePlot::kCommand), before);
    QTest::mouseClick(Part<QPushButton>(dock, "scopePause"), Qt::LeftButton);
    QCOMPARE(plot->PointCount(1, ScopePlot::kCommand), before + 100);

    QWidget* canvas = Canvas(dock);
    const QPoint middle = plot->PointOf(ScopePlot::kPositionPane, 2.0, 0.0);
    QWheelEvent wheel(middle, canvas->mapToGlobal(middle), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    QVERIFY(dock->Paused());
    const auto [from, to] = plot->TimeRange();
    QVERIFY2(from > 0.0 && to < 10.0 && to - from < 10.0 * 0.75, qPrintable(QStringLiteral("%1 %2").arg(from).arg(to)));

    const QPoint a = plot->PointOf(ScopePlot::kSpeedPane, 1.0, 0.4);
    const QPoint b = plot->PointOf(ScopePlot::kSpeedPane, 1.5, 0.2);
    Mouse(canvas, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
    Mouse(canvas, QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
    Mouse(canvas, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
    QVERIFY2(!Part<QCheckBox>(dock, "scopeAutoscale")->isChecked(), "the operator set the values' range");
    const auto [low, high] = plot->ValueRange(ScopePlot::kSpeedPane);
    QVERIFY2(std::abs(low - 0.2) < 0.03 && std::abs(high - 0.4) < 0.03,
             qPrintable(QStringLiteral("%1 %2").arg(low).arg(high)));

    const QPoint at = plot->PointOf(ScopePlot::kPositionPane, 1.2, 0.0);
    Mouse(canvas, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    Mouse(canvas, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    QVERIFY(plot->Cursor().has_value());
    const double t = *plot->Cursor();
    const double speed = plot->ValueAt(2, ScopePlot::kSpeed, t).value_or(-1);
    QVERIFY(plot->PaneText(ScopePlot::kSpeedPane)
                .contains(QString::fromStdString(scope::ReadoutLine(2, {speed}, 2, true))));
    QVERIFY(plot->PaneText(ScopePlot::kPositionPane).startsWith("Position (command / feedback)\nt = "));
    Mouse(canvas, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    QVERIFY(!plot->Cursor());
    QCOMPARE(plot->PaneText(ScopePlot::kSpeedPane), QStringLiteral("Speed"));
  }

  // Hidden, the dock reads nothing while the tick records; shown again it
  // draws the window from the recording.
  void hiddenDockCatchesUpWhenShown() {
    Bench bench;
    auto frame = bench.MakeFrame();
    ScopeDock* dock = Dock(frame.get());
    bench.Tick(2500);
    QCOMPARE(dock->Plot()->PointCount(1, ScopePlot::kCommand), std::size_t{0});
    ScopeAction(frame.get())->trigger();
    const std::uint64_t newest = Recording.Ring()->Newest();
    QVERIFY(newest >= 2500);
    QCOMPARE(dock->Plot()->PointCount(1, ScopePlot::kCommand), std::size_t{2000});
    QCOMPARE(dock->Plot()->TimeRange(), std::make_pair(scope::Seconds(newest) - 10, scope::Seconds(newest)));
  }
};

QTEST_MAIN(ScopeTest)
#include "Scope_test.moc"
