// The direct-motion pages: texts, axis lists and tabs by model, the pages'
// records, and Start on the painted page through the simulated cards.

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <functional>
#include <string>
#include <vector>

#include "UiTest.h"
#include "ui/bars/CCircularTabPage.h"
#include "ui/bars/CDlgBar_2.h"
#include "ui/bars/CLinearTabPage.h"
#include "ui/bars/CPtoPTabPage.h"
#include "ui/frame/CCtrlDlg.h"

using namespace uitest;

namespace {

constexpr int kControlBarTabs = 125;
constexpr int kStart = 1121;
constexpr int kSStop = 1122;
const QString kSameAxis = QStringLiteral("Error:There is same axis number!");
const QString kSpeedOutside = QStringLiteral("Error:The parameter of speed is outside, Please try it again!");

// Shows the direct-motion panel with tab `index` and waits until its page
// has painted, so Start acts on it.
CDlgBar_2* ShowTab(CMainFrame& frame, int index) {
  Control<QTabWidget>(&frame, kControlBarTabs)->setCurrentWidget(frame.DirectMotion());
  CDlgBar_2* bar = frame.DirectMotion();
  bar->Tabs()->setCurrentIndex(index);
  RunControl.ActivePanel = -1;
  bar->Tabs()->currentWidget()->update();
  if (!QTest::qWaitFor([&] { return RunControl.ActivePanel.load() == index + 1; }, 5000)) {
    qWarning("page %d did not paint", index);
  }
  return bar;
}

void Type(QWidget* page, int id, const QString& text) { Control<QLineEdit>(page, id)->setText(text); }
QString Field(QWidget* page, int id) { return Control<QLineEdit>(page, id)->text(); }
void Choose(QWidget* page, int radio) { Control<QRadioButton>(page, radio)->click(); }
void Pick(QWidget* page, int list, int entry) { Control<QComboBox>(page, list)->setCurrentIndex(entry); }
bool Enabled(QWidget* page, int id) { return Control<QWidget>(page, id)->isEnabled(); }

QStringList Entries(QWidget* page, int list) {
  QStringList entries;
  auto* combo = Control<QComboBox>(page, list);
  for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
  return entries;
}

QStringList TabTexts(CDlgBar_2* bar) {
  QStringList texts;
  for (int i = 0; i < bar->Tabs()->count(); ++i) texts << bar->Tabs()->tabText(i);
  return texts;
}

// Card calls other than reads, which timers do whenever events are
// delivered (the I/O monitor's inputs, the planned path's start point).
std::vector<std::string> CardCallsBesidesReads(const Bench& bench) {
  std::vector<std::string> calls;
  for (const std::string& call : bench.Trace()) {
    if (call.rfind("check", 0) != 0 && call.rfind("get_", 0) != 0) calls.push_back(call);
  }
  return calls;
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TabPagesTest : public QObject {
  Q_OBJECT

 private slots:
  void pagesSpeakBothLanguages() {
    {
      Bench bench(kOrvc, 2, kLangEnglish);
      auto frame = bench.MakeFrame();
      CDlgBar_2* bar = frame->DirectMotion();
      QCOMPARE(TabTexts(bar), (QStringList{"PtoP Motion", "Linear Interpolation", "Circular Interpolation"}));
      QWidget* ptop = bar->PtoPPage();
      QCOMPARE(ptop->objectName(), QStringLiteral("CPtoPTabPage"));
      QCOMPARE(TextOf(ptop, 1179), QStringLiteral("      Axis 1"));
      QCOMPARE(TextOf(ptop, 1030), QStringLiteral("Continuous Motion"));
      QCOMPARE(TextOf(ptop, 1084), QStringLiteral("Acceleration"));
      QCOMPARE(Entries(ptop, 1186),
               (QStringList{"X Axis", "Y Axis", "Z Axis", "T Axis", "A Axis", "B Axis", "C Axis", "D Axis"}));
      QCOMPARE(TextOf(bar->LinearPage(), 1031), QStringLiteral("   Constant Move"));
      QCOMPARE(TextOf(bar->LinearPage(), 1182), QStringLiteral("   Axis  4"));
      QCOMPARE(TextOf(bar->CircularPage(), 1032), QStringLiteral("Fast Motion"));
      QCOMPARE(TextOf(bar->CircularPage(), 1242), QStringLiteral("Ellipse Ratio"));
    }
    {
      Bench bench(kOrvb, 1, kLangChinese);
      auto frame = bench.MakeFrame();
      CDlgBar_2* bar = frame->DirectMotion();
      QCOMPARE(TabTexts(bar), (QStringList{"点位运动", "直线插补"}));
      QWidget* ptop = bar->PtoPPage();
      QCOMPARE(TextOf(ptop, 1179), QStringLiteral("  单轴运动"));
      QCOMPARE(TextOf(ptop, 1235), QStringLiteral("轴1"));
      QCOMPARE(TextOf(ptop, 1287), QStringLiteral("高速度"));
      QCOMPARE(Entries(ptop, 1183), (QStringList{"X轴", "Y轴", "Z轴", "T轴"}));
      QCOMPARE(TextOf(bar->LinearPage(), 1180), QStringLiteral("   两轴运动"));
      QCOMPARE(TextOf(bar->LinearPage(), 1268), QStringLiteral("矢量速度"));
      QCOMPARE(TextOf(bar->CircularPage(), 1235), QStringLiteral("轴 1"));
      QCOMPARE(TextOf(bar->CircularPage(), 1238), QStringLiteral("圆弧中心"));
      QCOMPARE(TextOf(bar, 1302), QStringLiteral("指令位置"));
    }
  }

  // ORVA and ORVB have no circular tab: its page is never painted, so
  // Start never runs it; ORVA cannot pick a fourth axis.
  void circularPageOnlyOnOrvcAndNoFourthAxisOnOrva() {
    for (int model : {kOrva, kOrvb}) {
      Bench bench(model, 1, kLangEnglish);
      auto frame = bench.MakeFrame();
      CDlgBar_2* bar = ShowTab(*frame, 1);
      QCOMPARE(bar->Tabs()->count(), 2);
      QCOMPARE(bar->Tabs()->indexOf(bar->CircularPage()), -1);
      QVERIFY(!bar->CircularPage()->isVisible());
      ShowTab(*frame, 0);
      QCOMPARE(RunControl.ActivePanel.load(), panel::kPtoP);
      const bool orva = model == kOrva;
      for (int id : {1186, 1069, 1182, 1155, 1159, 1026}) QCOMPARE(Enabled(bar->PtoPPage(), id), !orva && id == 1182);
      QCOMPARE(Enabled(bar->LinearPage(), 1182), !orva);
    }
  }

  void startRunsThePaintedPageOnTheCards() {
    Bench bench(kOrvb, 1, kLangEnglish);
    auto frame = bench.MakeFrame();
    CPtoPTabPage* page = ShowTab(*frame, 0)->PtoPPage();
    Choose(page, 1031);
    Pick(page, 1183, 1);  // Y
    Type(page, 1048, QStringLiteral("-30"));
    Type(page, 1152, QStringLiteral("1000"));
    DialogScript script;
    Click(frame->ControlPanel(), kStart);
    QVERIFY(RunControl.BusyPtoP.load());
    QVERIFY(script.Shown().isEmpty());
    QVERIFY(bench.TickUntil([] { return !RunControl.BusyPtoP.load(); }, 2000));
    QCOMPARE(bench.Machine().Position(2), -30.0);
    QCOMPARE(bench.Machine().Position(1), 0.0);
    QCOMPARE(SysParams.PtoPRunRecord.iAxes[0], 2);
    QVERIFY(FileBytes(bench.Folder() + "/sysparam.cfg").contains("[LineDis[0]]=-30.000000"));
  }

  void sameAxisTwiceIsRefusedAndChangesNothing() {
    Bench bench(kOrvb, 1, kLangEnglish);
    auto frame = bench.MakeFrame();
    CPtoPTabPage* page = ShowTab(*frame, 0)->PtoPPage();
    SaveSysParams();
    const QString file = bench.Folder() + "/sysparam.cfg";
    const QByteArray saved = FileBytes(file);
    const MotionCommand before = SysParams.PtoPRunRecord;
    Choose(page, 1180);  // two axes, both X
    Pick(page, 1184, 0);
    Type(page, 1048, QStringLiteral("12"));
    DialogScript script;
    Click(frame->ControlPanel(), kStart);
    QCOMPARE(script.TakeShown(), QStringList{kSameAxis});
    QVERIFY(!RunControl.BusyPtoP.load());
    QCOMPARE(SysParams.PtoPRunRecord.iCodeType, before.iCodeType);
    QCOMPARE(SysParams.PtoPRunRecord.dbDis[0], before.dbDis[0]);
    QCOMPARE(FileBytes(file), saved);

    // With one axis the second column's choice is not looked at.
    Choose(page, 1179);
    Click(frame->ControlPanel(), kStart);
    QVERIFY(script.TakeShown().isEmpty());
    QVERIFY(RunControl.BusyPtoP.load());
    QCOMPARE(SysParams.PtoPRunRecord.dbDis[0], 12.0);

    // The linear page: four axes with the first and fourth both X.
    Click(frame->ControlPanel(), kSStop);
    CLinearTabPage* linear = ShowTab(*frame, 1)->LinearPage();
    Choose(linear, 1182);
    Pick(linear, 1186, 0);
    Click(frame->ControlPanel(), kStart);
    QCOMPARE(script.TakeShown(), QStringList{kSameAxis});
    QVERIFY(!RunControl.BusyLinear.load());
  }

  // The speed is checked in the chosen axis's pulses: Y at 0.5 mm a pulse.
  void speedOfTwoMillionPulsesIsRefusedAndJustBelowRuns() {
    Bench bench(kOrvb, 1, kLangEnglish);
    SysParams.Unit[1] = 1;
    SysParams.Guide[1] = 1;
    SysParams.MotorPulse[1] = 2;
    SysParams.MotorRatio[1] = 1;
    ComputeEquivalents();
    auto frame = bench.MakeFrame();
    CPtoPTabPage* page = ShowTab(*frame, 0)->PtoPPage();
    Choose(page, 1031);
    Pick(page, 1183, 1);
    Type(page, 1048, QStringLiteral("20"));
    Type(page, 1152, QStringLiteral("1000000"));
    DialogScript script;
    Click(frame->ControlPanel(), kStart);
    QCOMPARE(script.TakeShown(), QStringList{kSpeedOutside});
    QVERIFY(!RunControl.BusyPtoP.load());

    Pick(page, 1183, 0);  // the same speed on X, in pulses, is in range
    Click(frame->ControlPanel(), kStart);
    QVERIFY(script.TakeShown().isEmpty());
    QVERIFY(RunControl.BusyPtoP.load());
    Click(frame->ControlPanel(), kSStop);

    Pick(page, 1183, 1);
    Type(page, 1152, QStringLiteral("999999.99"));
    Click(frame->ControlPanel(), kStart);
    QVERIFY(script.TakeShown().isEmpty());
    QVERIFY(RunControl.BusyPtoP.load());
    QCOMPARE(SysParams.PtoPRunRecord.iCodeType, 0x02010000);
    QVERIFY(bench.TickUntil([] { return !RunControl.BusyPtoP.load(); }, 2000));
    QCOMPARE(bench.Machine().Position(2), 40.0);
  }

  void threeAxesHighVelocityContinuousStoresAllFourColumns() {
    Bench bench(kOrvb, 1, kLangEnglish);
    auto frame = bench.MakeFrame();
    CPtoPTabPage* page = ShowTab(*frame, 0)->PtoPPage();
    Choose(page, 1181);
    Choose(page, 1032);
    Choose(page, 1030);
    QVERIFY(Enabled(page, 1158) && Enabled(page, 1189));
    QVERIFY(!Enabled(page, 1159) && !Enabled(page, 1069));
    Type(page, 1069, QStringLiteral("7.5"));  // a closed column is still taken
    Type(page, 1157, QStringLiteral("300"));
    DialogScript script;
    Click(frame->ControlPanel(), kStart);
    QVERIFY(script.Shown().isEmpty());
    QCOMPARE(SysParams.PtoPRunRecord.iCodeType, 0x06034100);
    QCOMPARE(SysParams.PtoPRunRecord.iAxes[3], 4);
    QCOMPARE(SysParams.PtoPRunRecord.dbDis[3], 7.5);
    QCOMPARE(SysParams.PtoPRunRecord.dbHighSpd[1], 300.0);
    bench.Tick(20);
    QCOMPARE(CountPrefix(bench.Trace(), "fast_vmove3("), std::size_t{1});
    QVERIFY(RunControl.BusyPtoP.load());  // continuous: runs until stopped
    QVERIFY(bench.Machine().Position(2) > 0.0);
    Click(frame->ControlPanel(), kSStop);
    QVERIFY(!RunControl.BusyPtoP.load());
  }

  // A field that is not a number gets the prompt and starts nothing: no
  // record, no sysparam.cfg write, no flag, no card call. Corrected, the
  // run takes what the page shows.
  void aFieldThatIsNotANumberStartsNothing() {
    Bench bench(kOrvc, 1, kLangEnglish);
    auto frame = bench.MakeFrame();
    struct Case {
      int tab;
      int field;
      const char* bad;
      const char* good;
      std::function<double()> taken;
    };
    const Case cases[] = {
        {0, 1048, "5x", "5", [] { return SysParams.PtoPRunRecord.dbDis[0]; }},
        {1, 1011, "fast", "300", [] { return SysParams.LinearRunRecord.dbLowSpd[0]; }},
        {2, 1015, "1/2", "0.5", [] { return SysParams.CircularRunRecord.dbDis[3]; }},
    };
    for (const Case& c : cases) {
      QWidget* page = ShowTab(*frame, c.tab)->Tabs()->currentWidget();
      Type(page, c.field, QString::fromLatin1(c.bad));
      SaveSysParams();
      const QString file = bench.Folder() + "/sysparam.cfg";
      const QByteArray saved = FileBytes(file);
      const double before = c.taken();
      RunControl.MotionMode = mode::kDecelStop;
      bench.ClearTraces();
      DialogScript script;
      Click(frame->ControlPanel(), kStart);
      QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("Please enter a number.")});
      QVERIFY(!AnyMotionBusy());
      QCOMPARE(RunControl.MotionMode.load(), mode::kDecelStop);
      QCOMPARE(c.taken(), before);
      QCOMPARE(FileBytes(file), saved);
      QCOMPARE(CardCallsBesidesReads(bench), std::vector<std::string>{});

      Type(page, c.field, QString::fromLatin1(c.good));
      Click(frame->ControlPanel(), kStart);
      QVERIFY(script.TakeShown().isEmpty());
      QVERIFY(AnyMotionBusy());
      QCOMPARE(c.taken(), QString::fromLatin1(c.good).toDouble());
      Click(frame->ControlPanel(), kSStop);
    }
  }

  void choosingATabShowsItsRecordAgain() {
    Bench bench(kOrvb, 1, kLangEnglish);
    SysParams.LinearRunRecord.iCodeType = 0x06036000;
    SysParams.LinearRunRecord.dbDis[0] = 4.25;
    auto frame = bench.MakeFrame();
    CLinearTabPage* linear = ShowTab(*frame, 1)->LinearPage();
    QCOMPARE(Field(linear, 1048), QStringLiteral("4.25"));
    QVERIFY(Control<QRadioButton>(linear, 1181)->isChecked());
    QVERIFY(Control<QRadioButton>(linear, 1032)->isChecked());
    QVERIFY(Enabled(linear, 1012) && !Enabled(linear, 1186));
    Type(linear, 1048, QStringLiteral("123"));
    Choose(linear, 1182);
    ShowTab(*frame, 0);
    ShowTab(*frame, 1);
    QCOMPARE(Field(linear, 1048), QStringLiteral("4.25"));
    QVERIFY(Control<QRadioButton>(linear, 1181)->isChecked());
    QVERIFY(!Enabled(linear, 1186));

    // A code of no linear page checks no radio.
    SysParams.LinearRunRecord.iCodeType = 0x02010000;
    ShowTab(*frame, 0);
    ShowTab(*frame, 1);
    for (int id : {1031, 1032, 1180, 1181, 1182}) QVERIFY(!Control<QRadioButton>(linear, id)->isChecked());
  }

  void circularRunDrawsTheArcAndEndsByItself() {
    Bench bench(kOrvc, 1, kLangEnglish);
    auto frame = bench.MakeFrame();
    CCircularTabPage* page = ShowTab(*frame, 2)->CircularPage();
    QCOMPARE(RunControl.ActivePanel.load(), panel::kCircular);
    Choose(page, 1031);
    QVERIFY(!Enabled(page, 1012) && !Enabled(page, 1013));
    Type(page, 1011, QStringLiteral("2000"));
    Type(page, 1048, QStringLiteral("100"));
    Type(page, 1067, QStringLiteral("0"));
    Type(page, 1014, QStringLiteral("90"));
    Type(page, 1015, QStringLiteral("0"));
    DialogScript script;
    Click(frame->ControlPanel(), kStart);
    QVERIFY(script.Shown().isEmpty());
    QVERIFY(RunControl.BusyCircular.load());
    QCOMPARE(RunControl.MotionMode.load(), mode::kSuddenStop);
    QCOMPARE(SysParams.CircularRunRecord.iCodeType, 73);
    QVERIFY(bench.TickUntil([] { return !RunControl.BusyCircular.load(); }, 5000));
    QCOMPARE(CountPrefix(bench.Trace(), "arc_center(1,2,100,0,90)"), std::size_t{1});
    QVERIFY(std::abs(bench.Machine().Position(1) - 100.0) < 1.0);
    QVERIFY(std::abs(bench.Machine().Position(2) + 100.0) < 1.0);
  }

  void enterStaysInThePanel() {
    Bench bench(kOrvb, 1, kLangEnglish);
    auto frame = bench.MakeFrame();
    CPtoPTabPage* page = ShowTab(*frame, 0)->PtoPPage();
    auto* field = Control<QLineEdit>(page, 1048);
    field->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    QVERIFY(enter.isAccepted());
    QVERIFY(!RunControl.BusyPtoP.load());
  }
};

QTEST_MAIN(TabPagesTest)
#include "TabPages_test.moc"
