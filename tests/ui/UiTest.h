#pragma once
// Shared set-up of the window tests (Qt Test, offscreen): the real driver
// on the simulated cards with the manual clock, clean engine records and
// settings in a folder of the test's own, the windows' operator port, and
// a script that answers boxes and dialogs as an operator would. Header
// only: every test file is an executable of its own.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SimMachine.h"
#include "card/CardDriver.h"
#include "motion/Engine.h"
#include "motion/EngineState.h"
#include "motion/Units.h"
#include "operator/OperatorMessages.h"
#include "program/MotionProgram.h"
#include "program/ProgramFile.h"
#include "program/RecentFiles.h"
#include "settings/SysParams.h"
#include "ui/bars/CDlgBar_1.h"
#include "ui/bars/CDlgBar_2.h"
#include "ui/common/Layout.h"
#include "ui/common/QtOperatorPort.h"
#include "ui/common/Texts.h"
#include "ui/frame/CCtrlDlg.h"
#include "ui/frame/CMainFrame.h"

namespace uitest {

using testsupport::Sim;
using ui::Control;
using ui::Find;

constexpr int kOrva = 0;
constexpr int kOrvb = 1;
constexpr int kOrvc = 2;

// Answers what a step opens: message boxes (by the result of the button to
// press: kBoxOk, kBoxCancel, kBoxYes, kBoxNo), file dialogs (a path, or
// cancel) and other dialogs (a handler that works them). What comes without
// a scripted answer is answered as Enter would (a box) or Escape (a
// dialog), and recorded, so a test never hangs on an unexpected window.
class DialogScript final : public QObject {
 public:
  DialogScript() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start();
  }
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  void Answer(int result) { answers_.push_back(result); }
  void AnswerFile(const QString& path) { files_.push_back(path); }
  void Handle(std::function<void(QDialog*)> handler) { handlers_.push_back(std::move(handler)); }

  // Texts of the boxes shown so far, in order; TakeShown also forgets them.
  const QStringList& Shown() const { return shown_; }
  QStringList TakeShown() {
    QStringList shown;
    shown.swap(shown_);
    return shown;
  }
  // Captions of the boxes shown, in order.
  const QStringList& Captions() const { return captions_; }
  // Dialogs that were not scripted and were closed by Escape.
  const QStringList& Unexpected() const { return unexpected_; }
  // Leaves boxes that do not block the windows (those the status tick
  // raises) standing, for a test that works around them.
  void LeaveModeless(bool leave) { leaveModeless_ = leave; }
  bool AllAnswered() const { return answers_.empty() && files_.empty() && handlers_.empty(); }

  // Waits (delivering events) until `count` boxes have been shown.
  bool WaitForBoxes(int count, int timeoutMs = 5000) {
    return QTest::qWaitFor([&] { return shown_.size() >= count; }, timeoutMs);
  }

 private:
  // Works one newly shown window per call. Answering may open further
  // windows (a button whose handler shows a box) and wait in them; a timer
  // does not fire again while its own slot runs, so the answer comes from a
  // call of its own and the timer goes on answering the windows it opens.
  void Poll() {
    std::erase_if(handled_, [](const QPointer<QWidget>& w) { return w.isNull(); });
    QWidget* target = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (leaveModeless_ && qobject_cast<QMessageBox*>(top) != nullptr && top->windowModality() == Qt::NonModal) {
        continue;
      }
      if (top->isVisible() && qobject_cast<QDialog*>(top) != nullptr &&
          std::find(handled_.begin(), handled_.end(), top) == handled_.end()) {
        target = top;
        break;
      }
    }
    if (target == nullptr) return;
    handled_.emplace_back(target);
    target->installEventFilter(this);
    QTimer::singleShot(0, this, [this, window = QPointer<QWidget>(target)] {
      if (!window.isNull()) Work(window);
    });
  }

  // A window is answered once while it stays open, and again each time it
  // opens again (a dialog kept for reuse, one the quit question brings
  // back), however soon that is.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide) {
      std::erase(handled_, watched);
      watched->removeEventFilter(this);
    }
    return false;
  }

  void Work(QWidget* target) {
    if (auto* box = qobject_cast<QMessageBox*>(target)) {
      AnswerBox(box);
    } else if (auto* files = qobject_cast<QFileDialog*>(target)) {
      AnswerFileDialog(files);
    } else {
      auto* dialog = qobject_cast<QDialog*>(target);
      if (!handlers_.empty()) {
        auto handler = std::move(handlers_.front());
        handlers_.pop_front();
        handler(dialog);
      } else {
        unexpected_ << dialog->objectName();
        dialog->reject();
      }
    }
  }

  void AnswerBox(QMessageBox* box) {
    shown_ << box->text();
    captions_ << box->windowTitle();
    QAbstractButton* button = box->defaultButton();
    if (!answers_.empty()) {
      button = box->findChild<QAbstractButton*>(QString::number(answers_.front()));
      answers_.pop_front();
    }
    if (button == nullptr) button = box->escapeButton();
    if (button != nullptr) button->click();
  }

  void AnswerFileDialog(QFileDialog* dialog) {
    QString path;
    if (!files_.empty()) {
      path = files_.front();
      files_.pop_front();
    }
    if (path.isEmpty()) {
      dialog->reject();
      return;
    }
    // Typed into the name box, as an operator would; the dialog's own accept
    // checks it.
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name == nullptr) qFatal("the file dialog has no name box");
    name->setText(path);
    static_cast<QDialog*>(dialog)->accept();
  }

  QTimer timer_;
  bool leaveModeless_ = false;
  std::deque<int> answers_;
  std::deque<QString> files_;
  std::deque<std::function<void(QDialog*)>> handlers_;
  std::vector<QPointer<QWidget>> handled_;
  QStringList shown_;
  QStringList captions_;
  QStringList unexpected_;
};

// Runs StatusTick on a thread of its own, one tick per Run(), delivering
// the windows' events while it waits.
class Ticker {
 public:
  Ticker() : thread_([this] { Loop(); }) {}
  ~Ticker() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  Ticker(const Ticker&) = delete;
  Ticker& operator=(const Ticker&) = delete;

  void Run() {
    done_ = false;
    {
      std::lock_guard lock(mutex_);
      pending_ = true;
    }
    wake_.notify_all();
    while (!done_.load()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      std::this_thread::yield();
    }
  }

 private:
  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return pending_ || quit_; });
      if (quit_) return;
      pending_ = false;
      lock.unlock();
      StatusTick();
      done_ = true;
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool pending_ = false;
  bool quit_ = false;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// The engine, settings and cards of one test: model, card count and
// language as given, every axis in pulses without feedback, the machine on
// the manual clock, sysparam.cfg in a folder of the test's own.
class Bench {
 public:
  explicit Bench(int model = kOrvb, int cards = 1, int language = kLangEnglish) {
    for (const Sim* sim : {&orva_, &orvb_, &orvc_}) {
      if (!sim->Usable()) qFatal("the simulated card libraries are built beside the tests");
      sim->Reset();
    }
    SetSysParamsFolder(folder_.path().toStdString() + "/");
    SysParamsPath = (folder_.path() + QStringLiteral("/sysparam.cfg")).toStdString();
    ResetEngineState();
    MotionProgram.clear();
    NoteProgramReplaced();
    RecentFiles.Clear();
    ResetEditCommand();
    SavePath.clear();
    ShownPath.clear();
    // The application's settings store (the recent files) in the test's
    // folder, never the user's.
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessor"));
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
      QSettings::setPath(format, QSettings::UserScope, folder_.filePath(QStringLiteral("settings")));
    }
    SysParams.SetDefaults();
    SysParams.LangVer = language;
    SysParams.CheckTime = 0.0;
    for (int i = 0; i < 16; ++i) {
      SysParams.Unit[i] = 0;
      SysParams.Equip[i] = 0;
      SysParams.FeedBack[i] = 0;
      SysParams.EncFreq[i] = 1;
    }
    if (cards == 2) UseMachine("cards = 2\n");
    SysParams.Ctrler = model;
    CardDriver.model = model;
    RunControl.CardCount = cards;
    RunControl.AxisCount = 4 * cards;
    ComputeEquivalents();
    ClearTraces();
    SetOperatorPort(&port_);
    SetWindowPort(&port_);
  }
  ~Bench() {
    StopStatusTimer(StatusTables.TimerId.load());
    port_.ReleaseCouriers();
    JoinTickCouriers();
    SetWindowPort(nullptr);
    SetOperatorPort(nullptr);
    SetSysParamsFolder("");
    MotionProgram.clear();
    CardDriver.model = kOrvb;
  }
  Bench(const Bench&) = delete;
  Bench& operator=(const Bench&) = delete;

  QtOperatorPort& Port() { return port_; }
  QString Folder() const { return folder_.path(); }

  // Describes the machine of all three libraries and resets them to it.
  void UseMachine(const std::string& description) {
    const QString path = folder_.filePath(QStringLiteral("sim-machine.cfg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write the machine file");
    file.write(description.c_str());
    file.close();
    for (const Sim* sim : {&orva_, &orvb_, &orvc_}) {
      if (sim->LoadMachine(path.toUtf8().constData()) != 0) qFatal("bad machine description");
      sim->Reset(false);
    }
  }

  const Sim& Machine() const {
    switch (SysParams.Ctrler) {
      case kOrva:
        return orva_;
      case kOrvc:
        return orvc_;
      default:
        return orvb_;
    }
  }
  std::vector<std::string> Trace() const { return Machine().Trace(); }
  void ClearTraces() const {
    for (const Sim* sim : {&orva_, &orvb_, &orvc_}) sim->ClearTrace();
  }

  // One tick of the status timer and 5 ms of machine time; then the
  // windows receive what the tick posted. The tick runs on a thread of its
  // own, as the timer's, so a box it raises stands on the windows' thread
  // while the tick waits for it.
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      ticker_.Run();
      Machine().Advance(5000);
    }
    QCoreApplication::processEvents();
  }
  // Ticks until `done` holds; false after `limit` ticks.
  bool TickUntil(const std::function<bool()>& done, int limit = 100000) {
    for (int i = 0; i < limit; ++i) {
      if (done()) return true;
      Tick();
    }
    return done();
  }
  // While on, time passes by itself: a tick every millisecond of the event
  // loop, so handlers that wait for the machine (the jog) come back.
  void AutoTick(bool on) {
    if (!on) {
      autoTick_.reset();
      return;
    }
    autoTick_ = std::make_unique<QTimer>();
    autoTick_->setInterval(1);
    QObject::connect(autoTick_.get(), &QTimer::timeout, [this] {
      ticker_.Run();
      Machine().Advance(5000);
    });
    autoTick_->start();
  }

  // The main window as start-up makes it, shown; the real status timer its
  // panels start is stopped again, so ticks come only from the test.
  std::unique_ptr<CMainFrame> MakeFrame(const QString& caption = QStringLiteral("Kinolt Software")) {
    auto frame = std::make_unique<CMainFrame>(port_, caption);
    StopStatusTimer(StatusTables.TimerId.load());
    frame->show();
    if (!QTest::qWaitForWindowExposed(frame.get())) qWarning("the main window was not exposed");
    return frame;
  }

 private:
  Sim orva_{"ORVA"};
  Sim orvb_{"ORVB"};
  Sim orvc_{"ORVC"};
  QTemporaryDir folder_;
  QtOperatorPort port_;
  Ticker ticker_;
  std::unique_ptr<QTimer> autoTick_;
};

// The message box shown on its own (a box of the tick's courier), waited
// for up to `ms`; null when none came.
inline QMessageBox* WaitForShownBox(int ms = 5000) {
  QMessageBox* box = nullptr;
  static_cast<void>(QTest::qWaitFor(
      [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
          if (auto* b = qobject_cast<QMessageBox*>(top); b != nullptr && b->isVisible()) box = b;
        }
        return box != nullptr;
      },
      ms));
  return box;
}

// Clicks the push button `id` of `window` with the mouse.
inline void Click(QWidget* window, int id) { QTest::mouseClick(Control<QPushButton>(window, id), Qt::LeftButton); }

// The text control `id` of `window` shows (button, label, group, edit,
// action, tab); a null string when there is no such control.
inline QString TextOf(QObject* window, int id) {
  QObject* control = ui::FindObject(window, ui::IdName(id));
  return control != nullptr ? ui::ObjectText(control) : QString();
}

// Message text `number` in `language`, as a QString.
inline QString Message(int number, int language = kLangEnglish) {
  const std::string_view text = OperatorMessageText(number, language);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::size_t CountPrefix(const std::vector<std::string>& trace, const std::string& prefix) {
  std::size_t n = 0;
  for (const auto& e : trace) {
    if (e.rfind(prefix, 0) == 0) ++n;
  }
  return n;
}

}  // namespace uitest
