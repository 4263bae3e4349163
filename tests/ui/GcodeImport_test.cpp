// File -> Import G-code...: what the operator is asked and shown, the
// program that replaces the current one, and a run of it on the simulated
// cards.

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <cmath>

#include "UiTest.h"
#include "operator/Journal.h"
#include "program/CommandCodes.h"
#include "ui/bars/CProgramListBox.h"
#include "ui/bars/PathPlotView.h"

using namespace uitest;

namespace {

constexpr int kStart = 1121;

// Axes 1-3 in mm, 800 pulses a mm, on a machine with room to move.
void MillimetreAxes(Bench& bench) {
  bench.UseMachine(
      "[axis all]\ntravel = -10000000 10000000\nlimits = -9000000 9000000\n"
      "slowdown = -8500000 8500000\n");
  for (int i = 0; i < 3; ++i) SysParams.Unit[i] = 1;
  ComputeEquivalents();
}

QString Write(const Bench& bench, const QString& name, const QByteArray& text) {
  const QString path = bench.Folder() + "/" + name;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(text);
  return path;
}

QAction* ImportAction(CMainFrame* frame) { return Find<QAction>(frame->menuBar(), QStringLiteral("importGcode")); }

QString Pane(CMainFrame* frame) {
  frame->OnTimer();
  return Find<QLabel>(frame, QStringLiteral("messagePane"))->text();
}

int PlanPixels(CMainFrame* frame) {
  frame->LiveStatus()->OnTimer();
  const QImage picture = Control<PathPlotView>(frame->LiveStatus(), 1177)->Picture();
  int n = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) n += QColor(picture.pixel(x, y)) == PathPlotView::PlanColour() ? 1 : 0;
  }
  return n;
}

// The file dialog as it stands: its filter and title.
struct SeenFileDialog {
  QStringList filters;
  QString title;
  bool native = true;
};
void WatchFileDialog(SeenFileDialog& seen, QObject* context) {
  auto* timer = new QTimer(context);
  QObject::connect(timer, &QTimer::timeout, [&seen] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QFileDialog*>(top); dialog != nullptr && dialog->isVisible()) {
        seen.filters = dialog->nameFilters();
        seen.title = dialog->windowTitle();
        seen.native = !dialog->testOption(QFileDialog::DontUseNativeDialog);
      }
    }
  });
  timer->start(1);
}

// Whether a line of the journal at `path` holds `text`.
bool JournalHas(const std::string& path, const std::string& text) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) && file.readAll().contains(QByteArray::fromStdString(text));
}

}  // namespace

class GcodeImportTest : public QObject {
  Q_OBJECT

 private slots:
  // The import replaces an unsaved program (after the question), has no
  // path and is marked unsaved; the listing and the planned path show it;
  // a run on the cards ends on the G-code's end point.
  void importedProgramRunsToTheEndPoint() {
    Bench bench;
    MillimetreAxes(bench);
    auto frame = bench.MakeFrame();
    QCOMPARE(ImportAction(frame.get())->text(), QStringLiteral("Import G-code..."));
    QCOMPARE(PlanPixels(frame.get()), 0);
    MotionProgram.assign(1, DefaultEditCommand());
    bench.Port().ListAppend("an edit");
    NoteProgramEdited();
    const std::string journalPath = (bench.Folder() + "/journal.jsonl").toStdString();
    QVERIFY(journal::Open(journalPath));
    const QString path = Write(bench, "part.ngc",
                               "(a part)\nG21 G90 F600\nG1 X4 Y3\nG2 X8 Y3 I2 J0\nG4 P0.5\n"
                               "G20 G91 G0 Z0.1\nG21 G3 X-2 Y2 R2 Z-1\nM8\nM2\n");
    DialogScript script;
    SeenFileDialog seen;
    WatchFileDialog(seen, &script);
    script.Answer(kBoxNo);  // let the edit go
    script.AnswerFile(path);
    script.Answer(kBoxOk);  // the skipped M8
    ImportAction(frame.get())->trigger();
    QVERIFY(script.AllAnswered());
    QCOMPARE(seen.filters, QStringList{QStringLiteral("G-code(*.nc *.ngc *.gcode *.tap *.txt)")});
    QCOMPARE(seen.title, QStringLiteral("Import G-code"));
    QVERIFY(!seen.native);
    const QStringList shown = script.TakeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0], QStringLiteral("Save changes to the program?"));
    QVERIFY2(shown[1].endsWith(QStringLiteral(" lines.\nline 8: M8 is skipped")), qPrintable(shown[1]));

    QVERIFY(MotionProgram.size() > 20);
    QCOMPARE(bench.Port().Listing()->Count(), static_cast<int>(MotionProgram.size()));
    QCOMPARE(bench.Port().Listing()->Row(0), QStringLiteral("G01 X4.00 Y3.00 F10.00 M0.00"));
    QCOMPARE(MotionProgram[0].iCodeType, code::kConstLine2);
    QVERIFY(ProgramChanged());
    QVERIFY(SavePath.empty());
    QCOMPARE(Pane(frame.get()), QStringLiteral("*"));
    QVERIFY(PlanPixels(frame.get()) > 50);
    journal::Close();
    QVERIFY(JournalHas(journalPath, R"("command":"import","path":")" + path.toStdString() + R"(","ok":true,"rows":)" +
                                        std::to_string(MotionProgram.size()) + R"(,"lines":9})"));

    Click(frame->ControlPanel(), kStart);
    QVERIFY(RunControl.BusyProgram.load());
    QVERIFY(bench.TickUntil([] { return !RunControl.BusyProgram.load(); }, 200000));
    // X 6, Y 5, Z 1.54 mm.
    QCOMPARE(StatusTables.CommandPosition[0].load(), 4800.0);
    QCOMPARE(StatusTables.CommandPosition[1].load(), 4000.0);
    QCOMPARE(StatusTables.CommandPosition[2].load(), 1232.0);
    QVERIFY(script.Unexpected().isEmpty());
  }

  // A refused word is said with its line in the program's language, and
  // the program stays as it was.
  void anErrorLeavesTheProgramAlone() {
    Bench bench(kOrvb, 1, kLangChinese);
    MillimetreAxes(bench);
    auto frame = bench.MakeFrame();
    QCOMPARE(ImportAction(frame.get())->text(), QStringLiteral("导入G代码..."));
    MotionProgram.assign(2, DefaultEditCommand());
    NoteProgramReplaced();
    SavePath = ShownPath = "/kept.knl";
    const QString path = Write(bench, "bad.nc", "G0 X1\nG28\n");
    const std::string journalPath = (bench.Folder() + "/journal.jsonl").toStdString();
    QVERIFY(journal::Open(journalPath));
    DialogScript script;
    SeenFileDialog seen;
    WatchFileDialog(seen, &script);
    script.AnswerFile(path);
    ImportAction(frame.get())->trigger();
    QCOMPARE(seen.filters, QStringList{QStringLiteral("G代码(*.nc *.ngc *.gcode *.tap *.txt)")});
    QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("第2行：不支持 G28")});
    QCOMPARE(MotionProgram.size(), std::size_t{2});
    QCOMPARE(SavePath, std::string("/kept.knl"));
    QVERIFY(!ProgramChanged());
    journal::Close();
    QVERIFY(
        JournalHas(journalPath, R"("command":"import","path":")" + path.toStdString() + R"(","ok":false,"rows":0)"));
  }

  // Refused while a motion runs (message 9), before anything is asked;
  // Cancel on the unsaved-program question asks nothing further.
  void refusedWhileBusyAndCancelKeepsAll() {
    Bench bench;
    MillimetreAxes(bench);
    auto frame = bench.MakeFrame();
    DialogScript script;
    RunControl.BusyJog = true;
    ImportAction(frame.get())->trigger();
    RunControl.BusyJog = false;
    QCOMPARE(script.TakeShown(), QStringList{Message(9)});

    MotionProgram.assign(1, DefaultEditCommand());
    NoteProgramEdited();
    script.Answer(kBoxCancel);
    ImportAction(frame.get())->trigger();
    QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("Save changes to the program?")});
    QVERIFY(script.AllAnswered());
    QVERIFY(ProgramChanged());
  }
};

QTEST_MAIN(GcodeImportTest)
#include "GcodeImport_test.moc"
