// The I/O monitor on the simulated cards: texts and hidden controls by
// model, LEDs by reading and level, output buttons, enable boxes, and the
// LED and button artwork.

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "UiTest.h"
#include "sim/sim_api.h"
#include "ui/bars/CDlgBar_3.h"
#include "ui/bars/CIndicator.h"
#include "ui/common/Artwork.h"

using namespace uitest;

namespace {

constexpr int kControlBarTabs = 125;
constexpr int kCardList = 1210;
constexpr int kInput[18] = {1027, 1028, 1029, 1030, 1031, 1042, 1043, 1044, 1046,
                            1047, 1048, 1060, 1061, 1062, 1063, 1069, 1070, 1071};
constexpr int kOutput1 = 1074;  // output k: 1073 + k

CDlgBar_3* ShowMonitor(CMainFrame& frame) {
  Control<QTabWidget>(&frame, kControlBarTabs)->setCurrentWidget(frame.Monitor());
  return frame.Monitor();
}

// The calls of the trace starting with `prefix` (the panel's own timer may
// have read the inputs in between).
std::vector<std::string> Calls(const Bench& bench, const std::string& prefix) {
  std::vector<std::string> calls;
  for (const std::string& call : bench.Trace()) {
    if (call.rfind(prefix, 0) == 0) calls.push_back(call);
  }
  return calls;
}

CIndicator* Led(QWidget* bar, int id) { return Control<CIndicator>(bar, id); }
int State(QWidget* bar, int id) { return Led(bar, id)->State(); }

// The colour at the middle of what `widget` shows, at `scale`.
QColor MiddleColour(const QPixmap& pixmap) {
  const QImage image = pixmap.toImage();
  return image.pixelColor(image.width() / 2, image.height() / 2);
}
bool Reddish(const QColor& c) { return c.red() > 150 && c.green() < 120 && c.blue() < 120; }
bool Greenish(const QColor& c) { return c.green() > 130 && c.red() < 120 && c.blue() < 120; }
bool Bluish(const QColor& c) { return c.blue() > 150 && c.red() < 120; }

QColor ButtonColour(QWidget* bar, int output) {
  auto* button = Control<QPushButton>(bar, kOutput1 + output - 1);
  return MiddleColour(button->icon().pixmap(QSize(35, 32), 2.0));
}

}  // namespace

class IoMonitorTest : public QObject {
  Q_OBJECT

 private slots:
  void textsInBothLanguagesAndControlsByModel() {
    struct Case {
      int model;
      int language;
      bool inputs17;
      bool outputs17;
    };
    for (const Case& c : {Case{kOrva, kLangEnglish, false, true}, Case{kOrvb, kLangChinese, false, false},
                          Case{kOrvc, kLangEnglish, true, true}}) {
      Bench bench(c.model, 2, c.language);
      auto frame = bench.MakeFrame();
      CDlgBar_3* bar = ShowMonitor(*frame);
      QCOMPARE(bar->objectName(), QStringLiteral("CDlgBar_3"));
      const bool english = c.language == kLangEnglish;
      QCOMPARE(TextOf(bar, 1307), english
                                      ? QStringLiteral(" Description: Click the button to switch the signal output.")
                                      : QStringLiteral(" 说明：单击按钮可以切换输出电平状态"));
      QCOMPARE(TextOf(bar, 1259), english ? QStringLiteral(" Description:   Green Button =  ON, Red  Button =  OFF.")
                                          : QStringLiteral(" 说明： 绿色 = 低电平， 红色 = 高电平"));
      QCOMPARE(TextOf(bar, 1052), english ? QStringLiteral("Limit+") : QStringLiteral("正限位"));
      QCOMPARE(TextOf(bar, 1057), english ? QStringLiteral("Effe.") : QStringLiteral("有效"));
      QCOMPARE(TextOf(bar, 1306), english ? QStringLiteral("Standard Outputs") : QStringLiteral("通用输出"));
      auto* cards = Control<QComboBox>(bar, kCardList);
      QCOMPARE(cards->count(), 2);
      QCOMPARE(cards->itemText(1), english ? QStringLiteral("No.2") : QStringLiteral("2号卡"));
      QCOMPARE(Led(bar, 1070)->isVisible(), c.inputs17);
      QCOMPARE(Control<QLabel>(bar, 1216)->isVisible(), c.inputs17);
      QVERIFY(Led(bar, 1069)->isVisible());
      QCOMPARE(Control<QPushButton>(bar, 1097)->isVisible(), c.outputs17);
      QCOMPARE(Control<QLabel>(bar, 1217)->isVisible(), c.outputs17);
      QVERIFY(Control<QPushButton>(bar, 1089)->isVisible());
      for (int id : {1201, 1205, 1209, 1214}) QVERIFY(Control<QCheckBox>(bar, id)->isChecked());
    }
    Bench one(kOrvb, 1, kLangEnglish);
    auto frame = one.MakeFrame();
    QCOMPARE(Control<QComboBox>(frame->Monitor(), kCardList)->count(), 1);
  }

  // Output k drives input k on a looped-back machine; the first click
  // sends level 0 and turns the button green.
  void outputClicksLightTheLoopedBackInputs() {
    Bench bench(kOrvc, 1, kLangEnglish);
    bench.UseMachine("loopback = yes\n");
    auto frame = bench.MakeFrame();
    CDlgBar_3* bar = ShowMonitor(*frame);
    bar->OnTimer();
    QCOMPARE(State(bar, kInput[4]), 0);
    QVERIFY(Reddish(ButtonColour(bar, 5)));
    bench.ClearTraces();
    Click(bar, kOutput1 + 4);
    QCOMPARE(Calls(bench, "outport_bit"), std::vector<std::string>{"outport_bit(1,5,0)"});
    QVERIFY(Greenish(ButtonColour(bar, 5)));
    bar->OnTimer();
    QCOMPARE(State(bar, kInput[4]), 1);
    QCOMPARE(State(bar, kInput[5]), 0);
    Click(bar, kOutput1 + 4);
    bar->OnTimer();
    QCOMPARE(State(bar, kInput[4]), 0);
    QVERIFY(Reddish(ButtonColour(bar, 5)));

    Click(bar, kOutput1 + 17);  // output 18 drives the last input
    bar->OnTimer();
    QCOMPARE(State(bar, kInput[17]), 1);
  }

  void limitAndOriginLedsFollowTheLevels() {
    Bench bench(kOrvb, 1, kLangEnglish);
    auto frame = bench.MakeFrame();
    CDlgBar_3* bar = ShowMonitor(*frame);
    bench.Machine().Force(2, SIM_SIGNAL_POS_LIMIT, 1);
    bench.Machine().Force(2, SIM_SIGNAL_NEG_LIMIT, 1);
    SysParams.ElEffLev[1] = 0;
    bar->OnTimer();
    QCOMPARE(State(bar, 1014), 1);  // check_limit 2 at level 0: both green
    QCOMPARE(State(bar, 1019), 1);
    QCOMPARE(State(bar, 1013), 0);
    SysParams.ElEffLev[1] = 1;
    bar->OnTimer();
    QCOMPARE(State(bar, 1014), 0);
    QCOMPARE(State(bar, 1019), 0);

    // An origin level of 5 leaves the row's LED as it was.
    bench.Machine().Force(3, SIM_SIGNAL_HOME, 1);
    bar->OnTimer();
    QCOMPARE(State(bar, 1010), 0);  // active at the default level 1
    SysParams.OrgEffLev[2] = 5;
    bench.Machine().Force(3, SIM_SIGNAL_HOME, 0);
    bar->OnTimer();
    QCOMPARE(State(bar, 1010), 0);
    SysParams.OrgEffLev[2] = 1;
    bar->OnTimer();
    QCOMPARE(State(bar, 1010), 1);
  }

  void cardTwoShowsAxesFiveToEight() {
    Bench bench(kOrvb, 2, kLangEnglish);
    auto frame = bench.MakeFrame();
    CDlgBar_3* bar = ShowMonitor(*frame);
    Control<QComboBox>(bar, kCardList)->setCurrentIndex(1);
    QCOMPARE(TextOf(bar, 1045), QStringLiteral("A"));
    QCOMPARE(TextOf(bar, 1059), QStringLiteral("D"));
    bench.Machine().Force(5, SIM_SIGNAL_ALARM, 1);
    bench.Machine().Force(8, SIM_SIGNAL_SLOWDOWN, 1);
    bench.ClearTraces();
    bar->OnTimer();
    const std::vector<std::string> trace = bench.Trace();
    QCOMPARE(CountPrefix(trace, "checkin_bit(2,"), std::size_t{18});
    QCOMPARE(CountPrefix(trace, "check_alarm(5)"), std::size_t{1});
    for (const char* call : {"check_limit(5)", "check_home(6)", "check_SD(8)"}) {
      QCOMPARE(CountPrefix(trace, call), std::size_t{1});
    }
    QCOMPARE(CountPrefix(trace, "check_limit(1)"), std::size_t{0});
    QCOMPARE(State(bar, 1012), 1);
    QCOMPARE(State(bar, 1026), 1);
    QCOMPARE(State(bar, 1023), 0);

    // The level memory is shared: output 2 switched on card 1 is green on
    // card 2, and its next click there sends 1.
    Control<QComboBox>(bar, kCardList)->setCurrentIndex(0);
    Click(bar, kOutput1 + 1);
    Control<QComboBox>(bar, kCardList)->setCurrentIndex(1);
    QVERIFY(Greenish(ButtonColour(bar, 2)));
    bench.ClearTraces();
    Click(bar, kOutput1 + 1);
    QCOMPARE(Calls(bench, "outport_bit"), std::vector<std::string>{"outport_bit(2,2,1)"});
  }

  // The boxes reach the card only when clicked; a model without the
  // function answers nothing more.
  void enableBoxesCallTheCardOnlyWhenClicked() {
    Bench bench(kOrvc, 2, kLangEnglish);
    auto frame = bench.MakeFrame();
    CDlgBar_3* bar = ShowMonitor(*frame);
    QCOMPARE(CountPrefix(bench.Trace(), "enable_"), std::size_t{0});
    Control<QComboBox>(bar, kCardList)->setCurrentIndex(1);
    bench.ClearTraces();
    QTest::mouseClick(Control<QCheckBox>(bar, 1207), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>(bar, 1205), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>(bar, 1207), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>(bar, 1204), Qt::LeftButton);
    QCOMPARE(Calls(bench, "enable_"),
             (std::vector<std::string>{"enable_el(6,0)", "enable_alm(5,0)", "enable_el(6,1)", "enable_org(8,0)"}));

    // With the limit function off, a forced limit no longer lights.
    QTest::mouseClick(Control<QCheckBox>(bar, 1206), Qt::LeftButton);
    bench.Machine().Force(5, SIM_SIGNAL_POS_LIMIT, 1);
    bar->OnTimer();
    QCOMPARE(State(bar, 1013), 0);
  }

  // A model without the input reads shows blue, disabled LEDs.
  void failedReadsTurnTheLedsBlueAndDisabled() {
    Bench bench(kOrvb, 1, kLangEnglish);
    auto frame = bench.MakeFrame();
    CDlgBar_3* bar = ShowMonitor(*frame);
    CardDriver.model = 7;  // no model: every read fails
    bar->OnTimer();
    CardDriver.model = kOrvb;
    for (int id : {kInput[0], kInput[17], 1012, 1013, 1018, 1008, 1026}) {
      QCOMPARE(State(bar, id), 2);
      QVERIFY(!Led(bar, id)->isEnabled());
    }
    bar->OnTimer();
    QCOMPARE(State(bar, kInput[0]), 1);
    QVERIFY(Led(bar, kInput[0])->isEnabled());
  }

  void indicatorDrawsItsStateInItsColours() {
    QWidget host;
    auto* led = new CIndicator(&host);
    led->resize(27, 23);
    QCOMPARE(led->LoadBitmaps(ui::bitmap::kRedLed, 9999, ui::bitmap::kBlueLed), 0);
    QCOMPARE(led->LoadBitmaps(ui::bitmap::kRedLed, ui::bitmap::kGreenLed, ui::bitmap::kBlueLed), 1);
    host.show();
    QCOMPARE(led->SetState(1), 0);
    QVERIFY(Greenish(MiddleColour(led->grab())));
    led->SetState(0);
    QVERIFY(Reddish(MiddleColour(led->grab())));
    led->SetState(2);
    QVERIFY(!led->isEnabled());
    QVERIFY(Bluish(MiddleColour(led->grab())));
    led->SetState(7);  // only stored: no bitmap drawn, still disabled
    QCOMPARE(led->State(), 7);
    QVERIFY(!led->isEnabled());
    led->SetState(1);
    QVERIFY(led->isEnabled());

    // Drawn for the screen's scale, not enlarged.
    const QPixmap sharp = ui::BitmapIcon(ui::bitmap::kGreenButton).pixmap(QSize(35, 32), 2.0);
    QCOMPARE(sharp.size(), QSize(70, 64));
    QVERIFY(Greenish(MiddleColour(sharp)));
    QVERIFY(!ui::HasBitmap(0));
    QCOMPARE(ui::BitmapSize(ui::bitmap::kRedLed), QSize(27, 23));
  }
};

QTEST_MAIN(IoMonitorTest)
#include "IoMonitor_test.moc"
