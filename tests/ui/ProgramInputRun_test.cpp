// From the program input dialog to the cards: a program of every command
// kind written in the dialog, saved, run with Start on the simulated cards,
// and listed again by tessor-run from the saved file.

#include <QProcess>

#include "ProgramInputDriver.h"
#include "program/CommandCodes.h"
#include "ui/bars/CDlgBar_1.h"
#include "ui/frame/CCtrlDlg.h"

using namespace uitest;

namespace {

constexpr int kSaveAs = 32781;
constexpr int kStart = 1121;

// The entries of `trace` that start with the prefixes, in this order
// (others may come between): true when all are found.
bool InOrder(const std::vector<std::string>& trace, const std::vector<std::string>& prefixes, std::string& missing) {
  std::size_t at = 0;
  for (const std::string& prefix : prefixes) {
    while (at < trace.size() && trace[at].rfind(prefix, 0) != 0) ++at;
    if (at == trace.size()) {
      missing = prefix;
      return false;
    }
    ++at;
  }
  return true;
}

}  // namespace

class ProgramInputRunTest : public QObject {
  Q_OBJECT

 private slots:
  void aProgramWrittenInTheDialogRunsAndListsAlike() {
    Bench bench(kOrvb, 2);
    auto frame = bench.MakeFrame();
    DialogScript script;
    QVERIFY(WorkDialog(script, *frame, kAdd, [&](CProgramInputDlg* d) {
      QVERIFY(Choose(d, code::kHome1));
      Store(d);  // X towards its home switch
      QVERIFY(Choose(d, code::kConstPtoP1));
      Type(d, 1048, QStringLiteral("100"));
      Type(d, 1050, QStringLiteral("50"));
      Type(d, kDelay, QStringLiteral("0.1"));
      Store(d);
      QVERIFY(Choose(d, code::kFastPtoP2));
      Type(d, 1048, QStringLiteral("-40"));
      Type(d, 1067, QStringLiteral("30"));
      Type(d, kDelay, QStringLiteral("0"));
      Store(d);
      QVERIFY(Choose(d, code::kConstLine2));
      Type(d, 1048, QStringLiteral("20"));
      Type(d, 1067, QStringLiteral("20"));
      Type(d, 1093, QStringLiteral("40"));
      Store(d);
      QVERIFY(Choose(d, code::kFastLine3));
      Type(d, 1068, QStringLiteral("15"));
      Type(d, kLoop, QStringLiteral("1"));  // there and back
      Store(d);
      QVERIFY(Choose(d, code::kSwitchOutput));
      Pick(d, 1100, 1);  // the second card
      Pick(d, 1101, 2);
      Pick(d, 1117, 1);
      Type(d, kDelay, QStringLiteral("0.5"));
      Store(d);
    }));
    const QStringList rows = ListingRows(bench);
    QCOMPARE(rows, (QStringList{QStringLiteral("G29 X00 M0.00"), QStringLiteral("G00 X100.00 FX50.00 M0.10"),
                                QStringLiteral("G00 X-40.00 Y30.00 FX50.00 FY50.00 M0.00"),
                                QStringLiteral("G01 X20.00 Y20.00 F40.00 M0.00"),
                                QStringLiteral("G01 X20.00 Y20.00 Z15.00 F50.00 M0.00"),
                                QStringLiteral("G01 X-20.00 Y-20.00 Z-15.00 F50.00 M0.00"),
                                QStringLiteral("M09 C2 P3 S1 M0.50")}));
    QVERIFY(script.Shown().isEmpty());

    const QString path = bench.Folder() + QStringLiteral("/written.knl");
    script.AnswerFile(path);
    frame->RunCommand(kSaveAs);
    QVERIFY(QFile::exists(path));

    // Start runs the program shown in the live status bar.
    QCOMPARE(RunControl.ActivePanel.load(), 0);
    bench.ClearTraces();
    Click(frame->ControlPanel(), kStart);
    QVERIFY(RunControl.BusyProgram.load());
    QVERIFY(bench.TickUntil([] { return !RunControl.BusyProgram.load(); }));
    QVERIFY2(script.Shown().isEmpty(), qPrintable(script.Shown().join(QLatin1Char('|'))));
    std::string missing;
    QVERIFY2(InOrder(bench.Trace(),
                     {"fast_hmove(1,1)", "con_pmove(1,100)", "fast_pmove2(1,-40,2,30)", "con_line2(1,20,2,20)",
                      "fast_line3(1,20,2,20,3,15)", "fast_line3(1,-20,2,-20,3,-15)", "outport_bit(2,3,1)"},
                     missing),
             missing.c_str());
    QCOMPARE(bench.Machine().Position(2), 50.0);  // Y: 30 + 20, there and back
    QCOMPARE(bench.Machine().Position(3), 0.0);   // Z: there and back

    // The runner lists the saved file as the window listed the program.
    QProcess runner;
    runner.start(QStringLiteral(TESSOR_BINARY_DIR "/bin/tessor-run"),
                 {QStringLiteral("--dir"), bench.Folder(), QStringLiteral("list"), path});
    QVERIFY(runner.waitForFinished(60000));
    QCOMPARE(runner.exitCode(), 0);
    const QString out = QString::fromUtf8(runner.readAllStandardOutput());
    QCOMPARE(out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), rows);
  }
};

QTEST_MAIN(ProgramInputRunTest)
#include "ProgramInputRun_test.moc"
