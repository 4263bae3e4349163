// A seeded random operator. Each seed plays a few hundred actions on the
// main window over simulated cards whose limits are close, so moves meet
// them often: clicks on whatever control is enabled (the stops too), typed
// values good and bad, lists, tabs, the listing and its menu, the window's
// menus and keys (never Exit), dialogs and boxes answered with any of their
// buttons, also after acting on a dialog beneath them, and time passing.
// The status tick runs on a thread of its own, as the timer's does, and
// waits at its boxes while the windows go on. After the actions, S Stop
// and answering everything must leave the window as good as new: no busy
// flag, the tick running, Clear asking its question, Start on an empty
// program answering message 6.
//
// The controls are found as the operator finds them, by what the windows
// show, so new windows, docks and commands join in by themselves.
//
// A seed plays the same actions each time: the tick runs only while the
// operator lets time pass, and every action waits until the tick has
// returned or stands at its box. A failure prints the seed and the actions
// that led there ("[n]": actions under way, each inside a dialog, menu or
// jog the one before opened); replay one, printing each as it is played:
//   TESSOR_RANDOM_OPERATOR=SEED[:ACTIONS] TESSOR_RANDOM_OPERATOR_TRACE=1
//   build/bin/ui_RandomOperator_test

#include <QAbstractItemView>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>

#include "UiTest.h"
#include "program/ProgramEditing.h"
#include "program/RunGuard.h"

using namespace uitest;

namespace {

constexpr int kSeeds = 30;
constexpr int kActions = 400;

constexpr int kExit = 57665;
constexpr int kNew = 32782;
constexpr int kControl = 32771;
constexpr int kClear = 1204;
constexpr int kStart = 1121;
constexpr int kSStop = 1122;
constexpr int kLoop = 1118;
constexpr int kBarTabs = 125;

// Limits 250 pulses either side of the start: jogs and moves meet them
// at the third step, a program run in its second pass.
constexpr char kTightMachine[] =
    "[axis all]\n"
    "travel = -360 360\n"
    "limits = -250 250\n"
    "home = 20 60\n"
    "slowdown = -220 220\n"
    "index = 50\n";

// Brisk speeds, so that a move ends within tens of ticks.
void BriskParameters() {
  for (std::size_t i = 0; i < 16; ++i) {
    SysParams.LowSpd[i] = SysParams.PMoveSetLowSpd[i] = 1000;
    SysParams.HighSpd[i] = SysParams.PMoveSetHighSpd[i] = 4000;
    SysParams.AccSpd[i] = SysParams.PMoveSetAccSpd[i] = 40000;
    SysParams.PMoveSetStep[i] = 120;
  }
  for (MotionCommand* r : {&SysParams.PtoPRunRecord, &SysParams.LinearRunRecord, &SysParams.CircularRunRecord}) {
    for (int k = 0; k < 4; ++k) {
      r->dbLowSpd[k] = 1000;
      r->dbHighSpd[k] = 4000;
      r->dbAccSpd[k] = 40000;
      r->dbDis[k] = 120;
    }
  }
  SysParams.CircularRunRecord.dbDis[2] = 270;  // the angle
  SysParams.CircularRunRecord.dbDis[3] = 0;    // the ellipse ratio
}

MotionCommand Row(std::int32_t code, std::array<int, 4> axes, double distance) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = code;
  for (std::size_t k = 0; k < 4; ++k) {
    c.iAxes[k] = axes[k];
    c.dbDis[k] = distance;
    c.dbLowSpd[k] = 1000;
    c.dbHighSpd[k] = 4000;
    c.dbAccSpd[k] = 40000;
  }
  return c;
}

// A program that reaches a limit in its second pass, homes and switches
// an output; its last row moves `last` with axis 3.
std::vector<MotionCommand> DemoProgram(int last) {
  MotionCommand out = Row(code::kSwitchOutput, {1, 3, 1, 0}, 0);
  out.dbDelayTime = 0.02;
  return {Row(code::kFastPtoP1, {1, 2, 3, 4}, 180), Row(code::kConstLine2, {1, 2, 3, 4}, -90),
          Row(code::kHome1, {2, 1, 3, 4}, 1), out, Row(code::kFastPtoP2, {3, last, 1, 2}, 40)};
}

// What the file dialogs are answered with, in the test's folder; empty
// cancels.
constexpr const char* kFileAnswers[] = {"",        "",           "demo.knl",    "saved.knl",           "wide.knl",
                                        "part.nc", "broken.knl", "no-such.knl", "no-such-folder/x.knl"};

// What is typed into fields, good and bad, split at '|'.
constexpr std::string_view kTyped =
    "0|1|2|40|150|-150|400|3000|-7.5|0.001|1e9|-1|1.5||5x|abc|--2| 12 |+|nan|inf|1e400|99999999999999999999";

constexpr int kWaits[] = {1, 2, 5, 10, 30, 100, 300};

struct KeyPress {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  const char* name;
};
constexpr KeyPress kKeys[] = {
    {Qt::Key_Escape, Qt::NoModifier, "Esc"},    {Qt::Key_Escape, Qt::NoModifier, "Esc"},
    {Qt::Key_Return, Qt::NoModifier, "Enter"},  {Qt::Key_Space, Qt::NoModifier, "Space"},
    {Qt::Key_Tab, Qt::NoModifier, "Tab"},       {Qt::Key_N, Qt::ControlModifier, "Ctrl+N"},
    {Qt::Key_O, Qt::ControlModifier, "Ctrl+O"}, {Qt::Key_S, Qt::ControlModifier, "Ctrl+S"},
};

// The status tick on a thread of its own, as the program's timer runs it,
// one tick per Step() on the machine's manual clock. A tick that raises a
// box stands there until the box is answered; meanwhile the machine's time
// goes on, the periods that come are skipped as the timer skips them, and
// the windows serve the operator.
class TickThread {
 public:
  TickThread(const Sim& machine, QtOperatorPort& port) : machine_(machine), port_(port), thread_([this] { Loop(); }) {}
  ~TickThread() {
    if (running_.load()) port_.ReleaseCouriers();
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  TickThread(const TickThread&) = delete;
  TickThread& operator=(const TickThread&) = delete;

  // One period of 5 ms; false when the tick neither returned nor stood at
  // a box.
  bool Step() {
    if (!running_.load()) {
      running_ = true;
      {
        std::lock_guard lock(mutex_);
        pending_ = true;
      }
      wake_.notify_all();
    }
    const bool settled = Settle();
    machine_.Advance(5000);
    return settled;
  }

  // Delivers the windows' events until the tick has returned or stands at
  // its box: a box answered lets its tick go on, and what it does next
  // belongs to this moment, not to the operator's next action.
  bool Settle() {
    settling_ = true;
    QElapsedTimer clock;
    clock.start();
    while (running_.load() && !StandsAtBox()) {
      QCoreApplication::processEvents();
      std::this_thread::yield();
      if (clock.elapsed() > 20000) break;
    }
    settling_ = false;
    return !running_.load() || StandsAtBox();
  }

  bool Running() const { return running_.load(); }
  bool Settling() const { return settling_; }

 private:
  bool StandsAtBox() {
    if (PendingTickMessages() == 0) return false;
    const auto boxes = port_.CourierBoxes();
    return std::any_of(boxes.begin(), boxes.end(), [](QMessageBox* box) { return box->isVisible(); });
  }

  void Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return pending_ || quit_; });
      if (quit_) return;
      pending_ = false;
      lock.unlock();
      StatusTick();
      running_ = false;
      lock.lock();
    }
  }

  const Sim& machine_;
  QtOperatorPort& port_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool pending_ = false;
  bool quit_ = false;
  bool settling_ = false;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

// The name of a window in the log: a box by its text.
QString WindowName(QWidget* window) {
  if (auto* box = qobject_cast<QMessageBox*>(window)) return "box \"" + box->text().left(48) + "\"";
  return window->objectName().isEmpty() ? QString::fromLatin1(window->metaObject()->className()) : window->objectName();
}

// A control in the log: its window, the panel or page it is on, its
// identifier and its text.
QString ControlName(QWidget* control) {
  QString name = WindowName(control->window());
  for (QWidget* p = control->parentWidget(); p != nullptr && !p->isWindow(); p = p->parentWidget()) {
    if (p->objectName() == QLatin1String(p->metaObject()->className())) {
      name += "/" + p->objectName();
      break;
    }
  }
  QString id = control->objectName();
  QString text;
  if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
  if (auto* tool = qobject_cast<QToolButton*>(control); tool != nullptr && tool->defaultAction() != nullptr) {
    id = tool->defaultAction()->objectName();
  }
  if (id.isEmpty()) id = QString::fromLatin1(control->metaObject()->className());
  name += " " + id;
  if (!text.isEmpty()) name += " \"" + text + "\"";
  return name;
}

// Where a click on `control` lands (in `area` of it, or anywhere), in its
// window's coordinates; none when nothing of it is visible there or
// another widget covers it.
std::optional<QPoint> HitPoint(QWidget* control, QRect area = {}) {
  if (!control->isVisible() || !control->isEnabled()) return std::nullopt;
  const QRegion visible = control->visibleRegion().intersected(area.isNull() ? control->rect() : area);
  if (visible.isEmpty()) return std::nullopt;
  QPoint at = visible.boundingRect().center();
  if (!visible.contains(at)) at = visible.begin()->center();
  QWidget* window = control->window();
  at = control->mapTo(window, at);
  QWidget* hit = window->childAt(at);
  if (hit != control && !control->isAncestorOf(hit)) return std::nullopt;
  return at;
}

// A click as the window system delivers it, and no more: refused while a
// modal window blocks the control's window, and the events that follow
// are delivered by whatever waits next (the program's loops or the test's
// time passing), not by the click.
void ClickAt(QWidget* window, QPoint at, Qt::MouseButton button = Qt::LeftButton, bool twice = false) {
  static int timestamp = 0;
  timestamp += 10000;  // never a double click with the click before
  const QPointer<QWindow> handle = window->windowHandle();
  const QPointF global = handle->mapToGlobal(QPointF(at));
  for (int i = 0; i < (twice ? 2 : 1); ++i) {
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      if (handle.isNull()) return;
      const Qt::MouseButtons state = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
      qt_handleMouseEvent(handle, at, global, state, button, type, {}, ++timestamp);
    }
  }
}

bool ClickControl(QWidget* control) {
  const std::optional<QPoint> at = HitPoint(control);
  if (!at) return false;
  ClickAt(control->window(), *at);
  return true;
}

bool IsExit(QAction* action) { return action != nullptr && action->objectName() == QString::number(kExit); }

class RandomOperator;

// The operator's actions, by weight. Each returns false when it finds
// nothing to act on; time passes instead.
struct ActionKind {
  int weight;
  bool (RandomOperator::*act)();
};

class RandomOperator {
 public:
  RandomOperator(Bench& bench, CMainFrame& frame, TickThread& ticker, std::uint32_t seed, QString setting)
      : bench_(bench), frame_(frame), ticker_(ticker), random_(seed), setting_(std::move(setting)) {
    trace_ = qEnvironmentVariableIsSet("TESSOR_RANDOM_OPERATOR_TRACE");
  }

  // Plays `actions` actions, then S Stop and answers everything until
  // nothing stands. An empty result when that came; else what stands.
  QString Play(int actions) {
    actions_ = actions;
    Post();
    loop_.exec();
    return wedged_;
  }

  // The seed and what it played, for replaying a failure.
  QString Report() const {
    return "\n" + setting_ + ", " + QString::number(log_.size()) + " actions:\n" + log_.join('\n');
  }

  // What stands now, for a failure's message.
  static QString Standing() {
    QStringList windows;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->isVisible()) windows << WindowName(top);
    }
    windows.sort();
    return windows.join(", ");
  }

  bool ClickButton();
  bool ClickStart();
  bool TypeValue();
  bool ChooseEntry();
  bool ChangeTab();
  bool UseListing();
  bool OpenMenu();
  bool PressKey();
  bool CloseWindow();
  bool LetTimePass();

 private:
  int Pick(std::size_t n) { return n == 0 ? 0 : static_cast<int>(random_() % n); }
  template <typename T>
  T* PickOf(const QList<T*>& items) {
    return items.isEmpty() ? nullptr : items[Pick(static_cast<std::size_t>(items.size()))];
  }

  void Log(const QString& what) {
    log_ << QString::number(log_.size() + 1) + ". [" + QString::number(depth_) + "] " + what;
    if (trace_) std::fprintf(stderr, "%s\n", qPrintable(log_.back()));
  }

  // The next action is posted before this one acts: where the program
  // delivers events while it waits (a dialog's or a menu's loop, a jog's
  // wait) the operator acts inside that wait. Where the test itself
  // delivers them (time passing, the tick settling) it waits its turn.
  void Post() {
    QTimer::singleShot(0, [this] { Next(); });
  }

  void Next() {
    if (finished_) return;
    if (delivering_ || ticker_.Settling()) {
      Post();
      return;
    }
    Post();
    ++depth_;
    if (!ticker_.Settle()) Wedged("the tick neither returned nor raised a box");
    if (played_ < actions_) {
      ++played_;
      Act();
    } else {
      WindDown();
    }
    if (!ticker_.Settle()) Wedged("the tick neither returned nor raised a box");
    --depth_;
  }

  // The windows' events, delivered by the test rather than the program.
  void Deliver() {
    delivering_ = true;
    QCoreApplication::processEvents();
    delivering_ = false;
  }

  // Where the operator's keys go: the window is made active first (its
  // shortcuts, Esc the stop among them, follow the active window), then
  // its focused control, or the window itself.
  QWidget* KeyTarget(QWidget* window) {
    if (window->windowType() != Qt::Popup && QApplication::activeWindow() != window) {
      window->activateWindow();
      Deliver();
    }
    QWidget* target = QApplication::focusWidget();
    return target != nullptr && target->window() == window ? target : window;
  }

  void Act();
  bool Click(QAbstractButton* button);
  void HandlePopup(QWidget* popup);
  void AnswerFileDialog(QFileDialog* dialog);
  void WindDown();
  void Wedged(const QString& why) {
    if (finished_) return;
    wedged_ = why + "; standing: " + Standing();
    // What is left is answered as the program ends, so the test can end.
    finished_ = true;
    bench_.Port().ReleaseCouriers();
    loop_.quit();
  }

  QList<QWidget*> Reachable();
  template <typename T>
  QList<T*> Controls(const std::function<bool(T*)>& usable = {}) {
    QList<T*> found;
    for (QWidget* window : Reachable()) {
      if (qobject_cast<QFileDialog*>(window) != nullptr) continue;  // answered as a whole
      for (T* control : window->findChildren<T*>()) {
        if (control->window() != window || !HitPoint(control)) continue;
        if (!usable || usable(control)) found << control;
      }
    }
    return found;
  }

  Bench& bench_;
  CMainFrame& frame_;
  TickThread& ticker_;
  std::mt19937 random_;
  QString setting_;
  bool trace_ = false;
  QEventLoop loop_;
  QStringList log_;
  QString wedged_;
  int actions_ = 0;
  int played_ = 0;
  int depth_ = 0;  // actions under way, each inside the wait of the one before
  bool delivering_ = false;
  int windDown_ = 0;
  int windowsSeen_ = 0;
  bool finished_ = false;
};

constexpr ActionKind kActionKinds[] = {
    {24, &RandomOperator::ClickButton}, {10, &RandomOperator::ClickStart}, {12, &RandomOperator::TypeValue},
    {6, &RandomOperator::ChooseEntry},  {6, &RandomOperator::ChangeTab},   {7, &RandomOperator::UseListing},
    {5, &RandomOperator::OpenMenu},     {5, &RandomOperator::PressKey},    {3, &RandomOperator::CloseWindow},
    {22, &RandomOperator::LetTimePass},
};

// The windows the operator can reach: the modal dialog on top and the
// boxes standing over it, or every window shown; in the order they first
// showed, so a seed picks the same one each time.
QList<QWidget*> RandomOperator::Reachable() {
  QWidget* modal = QApplication::activeModalWidget();
  auto over = [modal](QWidget* top) {
    for (QWindow* w = top->windowHandle(); w != nullptr; w = w->transientParent()) {
      if (w == modal->windowHandle()) return true;
    }
    return modal->isAncestorOf(top);
  };
  QList<QWidget*> windows;
  QList<QWidget*> fresh;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    const Qt::WindowType type = top->windowType();
    if (!top->isVisible() || type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen) continue;
    if (modal != nullptr && top != modal && !over(top)) continue;
    (top->property("seenAs").isValid() ? windows : fresh) << top;
  }
  std::sort(fresh.begin(), fresh.end(), [](QWidget* a, QWidget* b) { return WindowName(a) < WindowName(b); });
  for (QWidget* top : fresh) top->setProperty("seenAs", ++windowsSeen_);
  windows << fresh;
  std::stable_sort(windows.begin(), windows.end(), [](QWidget* a, QWidget* b) {
    return a->property("seenAs").toInt() < b->property("seenAs").toInt();
  });
  return windows;
}

void RandomOperator::Act() {
  if (QWidget* popup = QApplication::activePopupWidget()) {
    HandlePopup(popup);
    return;
  }
  if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
    AnswerFileDialog(files);
    return;
  }
  int total = 0;
  for (const ActionKind& kind : kActionKinds) total += kind.weight;
  int draw = Pick(static_cast<std::size_t>(total));
  for (const ActionKind& kind : kActionKinds) {
    draw -= kind.weight;
    if (draw >= 0) continue;
    if (!(this->*kind.act)()) LetTimePass();
    return;
  }
}

bool RandomOperator::ClickButton() {
  return Click(PickOf(Controls<QAbstractButton>([](QAbstractButton* b) {
    auto* tool = qobject_cast<QToolButton*>(b);
    return tool == nullptr || !IsExit(tool->defaultAction());
  })));
}

// Start, of the program or the page shown, more often than the rest: runs
// are what meet the limits.
bool RandomOperator::ClickStart() {
  auto* start = Control<QPushButton>(frame_.ControlPanel(), kStart);
  return Controls<QAbstractButton>().contains(start) && Click(start);
}

bool RandomOperator::Click(QAbstractButton* button) {
  if (button == nullptr) return false;
  Log("click " + ControlName(button));
  ClickControl(button);
  return true;
}

bool RandomOperator::TypeValue() {
  QLineEdit* field = PickOf(Controls<QLineEdit>([](QLineEdit* e) { return !e->isReadOnly(); }));
  if (field == nullptr) return false;
  static const QStringList typed = QString::fromLatin1(kTyped.data(), kTyped.size()).split('|');
  const QString& text = typed[Pick(static_cast<std::size_t>(typed.size()))];
  const bool enter = Pick(4) == 0;
  Log("type \"" + text + "\"" + (enter ? " and Enter" : "") + " into " + ControlName(field));
  ClickControl(field);
  KeyTarget(field->window());
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(field, Qt::Key_Backspace);
  QTest::keyClicks(field, text);
  if (enter) QTest::keyClick(field, Qt::Key_Return);
  return true;
}

// A list entry chosen with the arrow keys, as each step shows.
bool RandomOperator::ChooseEntry() {
  QComboBox* list = PickOf(Controls<QComboBox>([](QComboBox* c) { return c->count() > 1; }));
  if (list == nullptr) return false;
  const int entry = Pick(static_cast<std::size_t>(list->count()));
  Log("choose entry " + QString::number(entry) + " \"" + list->itemText(entry) + "\" of " + ControlName(list));
  KeyTarget(list->window());
  list->setFocus(Qt::TabFocusReason);
  for (int guard = 0; list->currentIndex() != entry && guard < 64; ++guard) {
    QTest::keyClick(list, list->currentIndex() < entry ? Qt::Key_Down : Qt::Key_Up);
  }
  return true;
}

bool RandomOperator::ChangeTab() {
  QTabBar* bar = PickOf(Controls<QTabBar>([](QTabBar* b) { return b->count() > 1; }));
  if (bar == nullptr) return false;
  const int tab = Pick(static_cast<std::size_t>(bar->count()));
  Log("tab " + QString::number(tab) + " \"" + bar->tabText(tab) + "\" of " + ControlName(bar));
  if (const std::optional<QPoint> at = HitPoint(bar, bar->tabRect(tab))) ClickAt(bar->window(), *at);
  return true;
}

// A row clicked, double-clicked or right-clicked (the editing menu), or
// the Delete key; the view scrolls to the row first, as the operator would.
bool RandomOperator::UseListing() {
  QAbstractItemView* view = PickOf(Controls<QAbstractItemView>([](QAbstractItemView* v) { return v->model(); }));
  if (view == nullptr) return false;
  const int rows = view->model()->rowCount();
  const int how = Pick(4);
  if (how == 3) {
    Log("Delete key on " + ControlName(view));
    KeyTarget(view->window());
    QTest::keyClick(view, Qt::Key_Delete);
    return true;
  }
  // Below the last row when there is room, sometimes, or with no rows.
  QRect area(0, 0, view->viewport()->width(), view->viewport()->height());
  QString where = "below the rows";
  if (rows > 0 && Pick(5) != 0) {
    const int row = Pick(static_cast<std::size_t>(rows));
    view->scrollTo(view->model()->index(row, 0));
    area = view->visualRect(view->model()->index(row, 0));
    where = "row " + QString::number(row + 1);
  } else if (rows > 0) {
    const int bottom = view->visualRect(view->model()->index(rows - 1, 0)).bottom() + 1;
    area.setTop(bottom);
  }
  const std::optional<QPoint> at = HitPoint(view->viewport(), area);
  if (!at) return false;
  static const char* const kHow[] = {"click", "double-click", "right-click"};
  Log(QString::fromLatin1(kHow[how]) + " " + where + " of " + ControlName(view));
  ClickAt(view->window(), *at, how == 2 ? Qt::RightButton : Qt::LeftButton, how == 1);
  return true;
}

bool RandomOperator::OpenMenu() {
  QMenuBar* bar = PickOf(Controls<QMenuBar>());
  if (bar == nullptr) return false;
  QList<QAction*> menus;
  for (QAction* action : bar->actions()) {
    if (action->menu() != nullptr && action->isVisible() && action->isEnabled()) menus << action;
  }
  QAction* menu = PickOf(menus);
  if (menu == nullptr) return false;
  const std::optional<QPoint> at = HitPoint(bar, bar->actionGeometry(menu));
  if (!at) return false;
  Log("menu " + menu->text() + " of " + WindowName(bar->window()));
  ClickAt(bar->window(), *at);
  return true;
}

bool RandomOperator::PressKey() {
  QWidget* window = PickOf(Reachable());
  if (window == nullptr || qobject_cast<QFileDialog*>(window) != nullptr) return false;
  const KeyPress& key = kKeys[Pick(std::size(kKeys))];
  QWidget* target = KeyTarget(window);
  Log(QString::fromLatin1(key.name) + " on " + ControlName(target));
  QTest::keyClick(target, key.key, key.modifiers);
  return true;
}

// The window's close button; the main window's is Exit.
bool RandomOperator::CloseWindow() {
  QList<QWidget*> windows = Reachable();
  windows.removeAll(&frame_);
  QWidget* window = PickOf(windows);
  if (window == nullptr) return false;
  Log("close " + WindowName(window));
  window->close();
  return true;
}

bool RandomOperator::LetTimePass() {
  const int ticks = kWaits[Pick(std::size(kWaits))];
  Log("wait " + QString::number(ticks) + " ticks" + (ticker_.Running() ? " (the tick stands at a box)" : ""));
  for (int i = 0; i < ticks; ++i) {
    if (!ticker_.Step()) {
      Wedged("the tick neither returned nor raised a box");
      return true;
    }
  }
  Deliver();
  return true;
}

// A menu's entry, never Exit; or Esc.
void RandomOperator::HandlePopup(QWidget* popup) {
  QList<QAction*> entries;
  auto* menu = qobject_cast<QMenu*>(popup);
  if (menu != nullptr) {
    for (QAction* action : menu->actions()) {
      if (!action->isSeparator() && action->isVisible() && action->isEnabled() && !IsExit(action)) entries << action;
    }
  }
  if (entries.isEmpty() || Pick(6) == 0) {
    Log("Esc on the menu");
    QTest::keyClick(KeyTarget(popup), Qt::Key_Escape);
    return;
  }
  QAction* entry = PickOf(entries);
  Log("menu entry " +
      (entry->objectName().isEmpty() ? entry->text() : entry->objectName() + " \"" + entry->text() + "\""));
  ClickAt(menu, menu->actionGeometry(entry).center());
}

// A name typed into the name box, within the test's folder, or Cancel.
void RandomOperator::AnswerFileDialog(QFileDialog* dialog) {
  const QString name = QString::fromLatin1(kFileAnswers[Pick(std::size(kFileAnswers))]);
  if (name.isEmpty()) {
    Log("cancel the file dialog \"" + dialog->windowTitle() + "\"");
    dialog->reject();
    return;
  }
  Log("file dialog \"" + dialog->windowTitle() + "\": " + name);
  auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (box == nullptr) qFatal("the file dialog has no name box");
  box->setText(bench_.Folder() + "/" + name);
  static_cast<QDialog*>(dialog)->accept();
}

// S Stop and answering everything: menus and dialogs closed, boxes
// answered with Esc, until nothing stands, no action is left waiting and
// the tick has returned.
void RandomOperator::WindDown() {
  constexpr int kMostSteps = 300;
  if (++windDown_ > kMostSteps) {
    Wedged("still standing after " + QString::number(kMostSteps) + " steps of stopping and answering");
    return;
  }
  if (QWidget* popup = QApplication::activePopupWidget()) {
    Log("end: Esc on the menu");
    QTest::keyClick(KeyTarget(popup), Qt::Key_Escape);
    return;
  }
  if (QWidget* modal = QApplication::activeModalWidget()) {
    if (qobject_cast<QMessageBox*>(modal) != nullptr) {
      Log("end: Esc on " + WindowName(modal));
      QTest::keyClick(KeyTarget(modal), Qt::Key_Escape);
    } else {
      Log("end: close " + WindowName(modal));
      modal->close();
    }
    return;
  }
  for (QMessageBox* box : bench_.Port().CourierBoxes()) {
    if (!box->isVisible()) continue;
    Log("end: Esc on " + WindowName(box));
    QTest::keyClick(KeyTarget(box), Qt::Key_Escape);
    return;
  }
  // Esc, the stop key, when the control bar is hidden.
  Log("end: S Stop, 3 ticks");
  if (!ClickControl(Control<QPushButton>(frame_.ControlPanel(), kSStop))) {
    QTest::keyClick(KeyTarget(&frame_), Qt::Key_Escape);
  }
  for (int i = 0; i < 3; ++i) ticker_.Step();
  if (depth_ == 1 && !ticker_.Running() && PendingTickMessages() == 0) {
    finished_ = true;
    loop_.quit();
  }
}

// What the seed plays on: the model, card count and language cycle.
struct Setting {
  int model;
  int cards;
  int language;
};
Setting SettingOf(std::uint32_t seed) {
  return {static_cast<int>(seed % 3), 1 + static_cast<int>(seed / 3 % 2), static_cast<int>(seed / 6 % 2)};
}

QString BusyFlags() {
  QStringList set;
  const std::pair<const char*, const std::atomic<bool>*> flags[] = {{"BusyJog", &RunControl.BusyJog},
                                                                    {"BusyHome", &RunControl.BusyHome},
                                                                    {"BusyPtoP", &RunControl.BusyPtoP},
                                                                    {"BusyLinear", &RunControl.BusyLinear},
                                                                    {"BusyCircular", &RunControl.BusyCircular},
                                                                    {"BusyProgram", &RunControl.BusyProgram},
                                                                    {"TickInProgram", &RunControl.TickInProgram}};
  for (const auto& [name, flag] : flags) {
    if (flag->load()) set << QString::fromLatin1(name);
  }
  return set.join(' ');
}

}  // namespace

class RandomOperatorTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Files a window keeps of its own (the journal) stay in a folder of
    // the test's.
    static const QTemporaryDir home;
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral("state"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
  }

  void play_data() {
    QTest::addColumn<uint>("seed");
    QTest::addColumn<int>("actions");
    const QStringList replay = qEnvironmentVariable("TESSOR_RANDOM_OPERATOR").split(':', Qt::SkipEmptyParts);
    if (!replay.isEmpty()) {
      const uint seed = replay[0].toUInt();
      QTest::addRow("seed %u", seed) << seed << (replay.size() > 1 ? replay[1].toInt() : kActions);
      return;
    }
    for (uint seed = 1; seed <= kSeeds; ++seed) QTest::addRow("seed %u", seed) << seed << kActions;
  }

  void play() {
    QFETCH(uint, seed);
    QFETCH(int, actions);
    const Setting setting = SettingOf(seed);
    Bench bench(setting.model, setting.cards, setting.language);
    bench.UseMachine((setting.cards == 2 ? std::string("cards = 2\n") : std::string()) + kTightMachine);
    BriskParameters();
    // wide.knl names axis 6, which a one-card machine lacks.
    for (const auto& [name, last] : {std::pair{"/demo.knl", 4}, std::pair{"/wide.knl", 6}}) {
      MotionProgram = DemoProgram(last);
      QVERIFY(WriteProgramFile((bench.Folder() + name).toStdString()));
    }
    MotionProgram.clear();
    QFile gcode(bench.Folder() + "/part.nc");
    QVERIFY(gcode.open(QIODevice::WriteOnly));
    gcode.write("G21 G90\nG1 X5 Y5 F600\nG2 X10 Y0 I5 J-5\nM30\n");
    gcode.close();
    QFile broken(bench.Folder() + "/broken.knl");
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("[Command Save]\r\nCommandNo=3\r\n");
    broken.close();

    auto frame = bench.MakeFrame();
    frame->OpenProgram((bench.Folder() + "/demo.knl").toStdString());
    TickThread ticker(bench.Machine(), bench.Port());
    static const char* const kModels[] = {"ORVA", "ORVB", "ORVC"};
    RandomOperator player(bench, *frame, ticker, seed,
                          QStringLiteral("seed %1 (%2, %3 card(s), %4)")
                              .arg(seed)
                              .arg(QString::fromLatin1(kModels[setting.model]))
                              .arg(setting.cards)
                              .arg(setting.language == kLangChinese ? "Chinese" : "English"));
    const QString wedged = player.Play(actions);
    QVERIFY2(wedged.isEmpty(), qPrintable(wedged + player.Report()));

    // Stopped and answered: nothing is left busy or waiting.
    QVERIFY2(BusyFlags().isEmpty(), qPrintable("busy after S Stop: " + BusyFlags() + player.Report()));
    QVERIFY2(!MotionButtonsHeld(), qPrintable("motion buttons held" + player.Report()));
    const std::uint64_t ticks = StatusTables.TickCount.load();
    QVERIFY(ticker.Step());
    QVERIFY2(StatusTables.TickCount.load() == ticks + 1 && !ticker.Running(),
             qPrintable("the tick does not run" + player.Report()));

    DialogScript script;
    // Clear asks its question rather than answering message 13.
    script.Answer(kBoxCancel);
    QVERIFY(ClickControl(Control<QPushButton>(frame->ControlPanel(), kClear)));
    const QString question = setting.language == kLangChinese ? QStringLiteral("您确定数据清零?")
                                                              : QStringLiteral("Are you sure to clear the data?");
    QVERIFY2(script.TakeShown() == QStringList{question}, qPrintable("Clear did not ask" + player.Report()));

    // New empties the program (its unsaved edits let go), and Start on the
    // program panel answers message 6 from the tick.
    if (ProgramChanged()) script.Answer(kBoxNo);
    Control<QAction>(frame->menuBar(), kNew)->trigger();
    QVERIFY2(MotionProgram.empty(), qPrintable("New: " + script.TakeShown().join(" / ") + player.Report()));
    script.TakeShown();
    if (frame->ControlBar()->isHidden())
      Control<QAction>(Find<QToolBar>(frame.get(), QStringLiteral("toolbar")), kControl)->trigger();
    Control<QTabWidget>(frame.get(), kBarTabs)->setCurrentIndex(0);
    QVERIFY(QTest::qWaitFor([] { return RunControl.ActivePanel.load() == panel::kProgram; }, 5000));
    Control<QLineEdit>(frame->LiveStatus(), kLoop)->setText(QStringLiteral("1"));
    QVERIFY(ClickControl(Control<QPushButton>(frame->ControlPanel(), kStart)));
    QVERIFY2(RunControl.BusyProgram.load(), qPrintable("Start: " + script.TakeShown().join(" / ") + player.Report()));
    for (int i = 0; i < 20 && !ticker.Running(); ++i) QVERIFY(ticker.Step());
    script.WaitForBoxes(1);
    const QStringList shown = script.TakeShown();
    QVERIFY2(shown == QStringList{Message(6, setting.language)},
             qPrintable("Start on an empty program: " + shown.join(" / ") + player.Report()));
    QVERIFY(ticker.Settle());
    QVERIFY(BusyFlags().isEmpty());
    QCOMPARE(PendingTickMessages(), 0);
  }
};

QTEST_MAIN(RandomOperatorTest)
#include "RandomOperator_test.moc"
