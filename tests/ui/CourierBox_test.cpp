// A box the status tick raised stands until the operator answers it,
// whatever dialog was open when it came and closed afterwards; one that is
// destroyed anyway answers its default, so the tick is never left waiting.

#include <QAbstractButton>
#include <QWindow>
#include <thread>

#include "UiTest.h"

using namespace uitest;

namespace {

namespace command {
constexpr int kOpen = 32779;
constexpr int kSaveAs = 32781;
constexpr int kAbout = 57664;
}  // namespace command
constexpr int kJogSetting = 1196;
constexpr int kStart = 1121;
constexpr int kHomeAll = 1039;

// The dialog that stands when the tick's box comes.
enum WayIn { kAbout, kMessageBox, kSettingDialog, kFileDialog };

// The tick's box, once it stands; null after 5 s without one.
QMessageBox* WaitForCourierBox(QtOperatorPort& port) {
  QMessageBox* found = nullptr;
  (void)QTest::qWaitFor(
      [&] {
        const auto boxes = port.CourierBoxes();
        found = boxes.empty() ? nullptr : boxes.front();
        return found != nullptr;
      },
      5000);
  return found;
}

// Runs `work` once a modal window stands, inside its event loop.
void WhenModal(const std::function<void(QWidget*)>& work) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, work] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    poll->stop();
    poll->deleteLater();
    work(modal);
  });
  poll->start();
}

// A click as the window system delivers it: refused while a modal window
// blocks the button's window.
void ClickAsOperator(QAbstractButton* button) {
  QWidget* window = button->window();
  QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, button->mapTo(window, button->rect().center()));
}

// Starts a run of the empty program; the tick raising its box runs on a
// thread of its own, as the timer's would.
class HeldTick {
 public:
  HeldTick(CMainFrame& frame, QtOperatorPort& port) : port_(port) {
    Click(frame.ControlPanel(), kStart);
    if (!RunControl.BusyProgram.load()) qFatal("the run did not start");
  }
  // A test that failed before answering lets the tick go all the same.
  ~HeldTick() {
    if (!thread_.joinable()) return;
    if (!Returned()) port_.ReleaseCouriers();
    thread_.join();
  }
  HeldTick(const HeldTick&) = delete;
  HeldTick& operator=(const HeldTick&) = delete;

  // The tick that finds the program empty: message 6, held until answered.
  void Raise() {
    thread_ = std::thread([this] {
      StatusTick();
      returned_ = true;
    });
  }
  bool Returned() const { return returned_.load(); }

 private:
  QtOperatorPort& port_;
  std::thread thread_;
  std::atomic<bool> returned_{false};
};

}  // namespace

class CourierBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void outlivesTheDialogItCameUnder_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("About") << int(kAbout);
    QTest::newRow("message box") << int(kMessageBox);
    QTest::newRow("setting dialog") << int(kSettingDialog);
    QTest::newRow("file dialog") << int(kFileDialog);
  }
  void outlivesTheDialogItCameUnder() {
    QFETCH(int, way);
    Bench bench;
    auto frame = bench.MakeFrame();
    HeldTick tick(*frame, bench.Port());
    QPointer<QMessageBox> box;
    QString under;
    WhenModal([&](QWidget* dialog) {
      under = QString::fromLatin1(dialog->metaObject()->className());
      tick.Raise();
      box = WaitForCourierBox(bench.Port());
      QVERIFY(!box.isNull());
      if (auto* message = qobject_cast<QMessageBox*>(dialog)) {
        message->findChild<QAbstractButton*>(QString::number(kBoxOk))->click();
      } else if (way == kAbout) {
        static_cast<QDialog*>(dialog)->accept();
      } else {
        static_cast<QDialog*>(dialog)->reject();
      }
    });
    switch (way) {
      case kAbout:
        frame->RunCommand(command::kAbout);
        break;
      case kMessageBox:
        frame->RunCommand(command::kOpen);  // refused during the run: message 9
        break;
      case kSettingDialog:
        Click(frame->ControlPanel(), kJogSetting);
        break;
      default:
        frame->RunCommand(command::kSaveAs);
        break;
    }
    QVERIFY(!under.isEmpty());
    QCoreApplication::processEvents();

    QMessageBox* standing = box.data();
    QVERIFY2(standing != nullptr, qPrintable("the box went with " + under));
    QVERIFY(standing->isVisible());
    QCOMPARE(standing->text(), Message(6));
    QVERIFY(!tick.Returned());
    QVERIFY(RunControl.BusyProgram.load());
    ClickAsOperator(standing->findChild<QAbstractButton*>(QString::number(kBoxOk)));
    QVERIFY(QTest::qWaitFor([&] { return tick.Returned(); }, 5000));
    QVERIFY(!RunControl.BusyProgram.load());
    QCOMPARE(PendingTickMessages(), 0);

    DialogScript script;
    Click(frame->ControlPanel(), kHomeAll);  // the motion buttons work again
    QVERIFY(RunControl.BusyHome.load());
    QCOMPARE(script.Shown(), QStringList());
    SStop();
  }

  // The box stands over the dialog that is open, so the operator answers
  // it there without closing the dialog first.
  void answerableWhileTheDialogStands() {
    Bench bench;
    auto frame = bench.MakeFrame();
    HeldTick tick(*frame, bench.Port());
    bool answered = false;
    WhenModal([&](QWidget* dialog) {
      tick.Raise();
      QMessageBox* box = WaitForCourierBox(bench.Port());
      QVERIFY(box != nullptr);
      QCOMPARE(box->windowHandle()->transientParent(), dialog->windowHandle());
      ClickAsOperator(box->findChild<QAbstractButton*>(QString::number(kBoxOk)));
      answered = QTest::qWaitFor([&] { return tick.Returned(); }, 5000);
      QVERIFY(dialog->isVisible());
      static_cast<QDialog*>(dialog)->reject();
    });
    Click(frame->ControlPanel(), kJogSetting);
    QVERIFY(answered);
    QVERIFY(!RunControl.BusyProgram.load());
  }

  // A dialog opened while the box stands takes it along on top: the box is
  // answered there too.
  void followsADialogOpenedOverIt() {
    Bench bench;
    auto frame = bench.MakeFrame();
    HeldTick tick(*frame, bench.Port());
    tick.Raise();
    QMessageBox* box = WaitForCourierBox(bench.Port());
    QVERIFY(box != nullptr);
    QCOMPARE(box->windowHandle()->transientParent(), frame->windowHandle());
    bool answered = false;
    WhenModal([&](QWidget* dialog) {
      QVERIFY(QTest::qWaitFor([&] { return box->windowHandle()->transientParent() == dialog->windowHandle(); }));
      ClickAsOperator(box->findChild<QAbstractButton*>(QString::number(kBoxOk)));
      answered = QTest::qWaitFor([&] { return tick.Returned(); }, 5000);
      static_cast<QDialog*>(dialog)->reject();
    });
    frame->RunCommand(command::kAbout);
    QVERIFY(answered);
  }

  // Destroyed unanswered, a box answers its default button (OK).
  void aDestroyedBoxAnswersItsDefault() {
    Bench bench;
    std::atomic<int> result{-1};
    std::thread tick([&] { result = ShowTickMessage(12); });
    QMessageBox* box = WaitForCourierBox(bench.Port());
    QVERIFY(box != nullptr);
    delete box;
    QVERIFY(QTest::qWaitFor([&] { return result.load() != -1; }, 5000));
    tick.join();
    QCOMPARE(result.load(), kBoxOk);
  }
};

QTEST_MAIN(CourierBoxTest)
#include "CourierBox_test.moc"
