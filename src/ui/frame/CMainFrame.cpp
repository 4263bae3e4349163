#include "ui/frame/CMainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDockWidget>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <ctime>

#include "motion/AboutText.h"
#include "motion/Engine.h"
#include "motion/EngineState.h"
#include "motion/Recording.h"
#include "motion/RunControl.h"
#include "operator/Journal.h"
#include "operator/OperatorMessages.h"
#include "program/MotionProgram.h"
#include "program/ProgramEditing.h"
#include "program/ProgramFile.h"
#include "program/RecentFiles.h"
#include "settings/SysParams.h"
#include "ui/bars/CDlgBar_1.h"
#include "ui/bars/CDlgBar_2.h"
#include "ui/bars/CDlgBar_3.h"
#include "ui/bars/CProgramListBox.h"
#include "ui/common/Artwork.h"
#include "ui/common/Layout.h"
#include "ui/common/QtOperatorPort.h"
#include "ui/common/Texts.h"
#include "ui/diagnostics/EventsDock.h"
#include "ui/diagnostics/JournalLink.h"
#include "ui/diagnostics/ScopeDock.h"
#include "ui/dialogs/CHomeSettingDlg.h"
#include "ui/dialogs/CProgramInputDlg.h"
#include "ui/dialogs/CPtoPSettingDlg.h"
#include "ui/frame/CAboutDlg.h"
#include "ui/frame/CCtrlDlg.h"
#include "ui/frame/ImportGcode.h"
#include "ui/frame/RecentFileMenu.h"

namespace {

using namespace ui;

namespace command {
constexpr int kNew = 32782;
constexpr int kOpen = 32779;
constexpr int kSave = 32780;
constexpr int kSaveAs = 32781;
constexpr int kAdd = 32777;
constexpr int kInsert = 32778;
constexpr int kModify = 32775;
constexpr int kDelete = 32776;
constexpr int kAbout = 57664;
constexpr int kControl = 32771;
constexpr int kPrint = 57607;
constexpr int kRecentFile = 57616;
constexpr int kExit = 57665;
}  // namespace command

constexpr int kControlBar = 123;
constexpr int kTabControl = 125;

// Where each set of texts lives: the File menu, the toolbar, the tabs, the
// Run menu (whose actions the toolbar shows too).
constexpr int kMenuTexts = 0;
constexpr int kToolBarTexts = 1;
constexpr int kTabTexts = 2;
constexpr int kViewTexts = 3;  // the View menu and its actions, also on the toolbar

// The Events dock's height below the panels when it is shown.
constexpr int kEventsHeight = 170;
// How long the status bar says that the journal cannot be written.
constexpr int kJournalNoticeMs = 30000;
constexpr int kRunMenuTexts = 4;

// The single-block switch in the settings store.
constexpr const char* kSingleBlockKey = "Run/SingleBlock";

constexpr const char* kScopeAction = "scope";

constexpr Text kTexts[] = {
    {"FileMenu", "File(&F)", "文件(&F)"},
    {command::kNew, "New(&N)\tCtrl+N", "新建(&N)\tCtrl+N"},
    {command::kOpen, "Open(&O)...\tCtrl+O", "打开(&O)...\tCtrl+O"},
    {command::kSave, "&Save(&S)\tCtrl+S", "&保存(&S)\tCtrl+S"},
    {command::kSaveAs, "Save &As(&A)...", "另存为 &(&A)..."},
    {"importGcode", "Import G-code...", "导入G代码..."},
    {command::kPrint, "Print(&P)...\tCtrl+P", "打印 (&P)...\tCtrl+P"},
    {command::kRecentFile, "Recent File", "Recent File"},
    {command::kExit, "Exit(&X)", "退出(&X)"},
    {command::kNew, " New ", " 新建 ", kToolBarTexts},
    {command::kOpen, " Open ", " 打开 ", kToolBarTexts},
    {command::kSave, " Save ", " 保存 ", kToolBarTexts},
    {command::kAbout, " Help ", " 帮助 ", kToolBarTexts},
    {command::kControl, " Control ", " 控制 ", kToolBarTexts},
    {"CDlgBar_1", "Multi-Step Motion", " 多步运动 ", kTabTexts},
    {"CDlgBar_2", " Single Step ", " 单步运动 ", kTabTexts},
    {"CDlgBar_3", "Other Function", " 其它功能 ", kTabTexts},
    {"ViewMenu", "View(&V)", "视图(&V)", kViewTexts},
    {kScopeAction, "Scope", "示波器", kViewTexts},
    {"events", "Events", "事件", kViewTexts},
    {"RunMenu", "Run(&R)", "运行(&R)", kRunMenuTexts},
    {"singleBlock", "Single Block", "单段执行", kRunMenuTexts},
};

// The menu and toolbar as the resources hold them: the English texts.
const char* ResourceText(int command, int set) {
  for (const Text& t : kTexts) {
    if (t.key.id == command && t.set == set) return t.english;
  }
  return "";
}

const char* ResourceText(std::string_view name, int set) {
  for (const Text& t : kTexts) {
    if (t.key.name != nullptr && t.key.name == name && t.set == set) return t.english;
  }
  return "";
}

// The clock pane's text: English day and month names in every language.
QString ClockText() {
  return QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral(" HH:mm:ss   dddd-MMMM-dd-yyyy"));
}

}  // namespace

CMainFrame::CMainFrame(QtOperatorPort& port, const QString& caption) : port_(port) {
  // The scope's recording starts with the main window, before its panels
  // start the status timer.
  Recording.Start();
  MarkWindow(this, "CMainFrame");
  setWindowTitle(caption);
  setWindowIcon(ArtIcon(Art::App));
  // Fixed size: minimise, no maximise, no sizing.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(1024, 768);
  move(0, 0);

  CreateMenu();
  CreateToolBar();
  CreateStatusBar();
  control_ = new CCtrlDlg(this);
  setCentralWidget(control_);
  CreateControlBar();
  CreateScope();
  CreateEventsDock();
  control_->SetPanels(bar1_, bar2_);
  control_->openJogSetting = [this] {
    CPtoPSettingDlg dialog(this);
    dialog.exec();
  };
  control_->openHomeSetting = [this] {
    CHomeSettingDlg dialog(this);
    dialog.exec();
  };
  ApplyLanguageTexts();
  recentFiles_->Load();
  // One dialog for the frame's life: its pages keep their values.
  programInput_ = new CProgramInputDlg(this);

  // Esc is the operator's stop key anywhere in the window, also in the
  // control bar when it floats.
  auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), this, [] { SStop(); });
  stop->setContext(Qt::WindowShortcut);
  floatingStop_ = new QShortcut(QKeySequence(Qt::Key_Escape), dock_, [] { SStop(); });
  floatingStop_->setContext(Qt::WidgetWithChildrenShortcut);
  floatingStop_->setEnabled(false);
  connect(dock_, &QDockWidget::topLevelChanged, floatingStop_, &QShortcut::setEnabled);

  connect(bar1_->Listing(), &CProgramListBox::CommandChosen, this, &CMainFrame::RunCommand);
  connect(bar1_->Listing(), &CProgramListBox::ModifyRequested, this, [this] { OpenProgramInput(true); });

  auto* clock = new QTimer(this);
  connect(clock, &QTimer::timeout, this, &CMainFrame::OnTimer);
  clock->start(50);
  OnTimer();

  // A journal that cannot be written is said once, whenever it fails.
  journal::SetFailureHook([this](const std::string& why) { ShowJournalFailure(why); });
  if (const std::string earlier = journal::FailureReason(); !earlier.empty()) ShowJournalFailure(earlier);
}

void CMainFrame::CreateMenu() {
  menuBar()->setObjectName(SysParams.LangVer == kLangChinese ? QStringLiteral("216") : QStringLiteral("128"));
  fileMenu_ = menuBar()->addMenu(QStringLiteral("File(&F)"));
  fileMenu_->setObjectName(QStringLiteral("FileMenu"));
  auto add = [this](int id) {
    QAction* action = fileMenu_->addAction(QString::fromUtf8(ResourceText(id, kMenuTexts)));
    action->setObjectName(IdName(id));
    return action;
  };
  // The keys shown beside New, Open and Save reach those commands.
  add(command::kNew)->setShortcut(QKeySequence::New);
  add(command::kOpen)->setShortcut(QKeySequence::Open);
  add(command::kSave)->setShortcut(QKeySequence::Save);
  add(command::kSaveAs);
  QAction* afterSaveAs = fileMenu_->addSeparator();
  add(command::kPrint)->setEnabled(false);  // nothing prints
  fileMenu_->addSeparator();
  QList<QAction*> recent{add(command::kRecentFile)};
  for (int i = 1; i < RecentFileMenu::kCommandCount; ++i) recent << add(command::kRecentFile + i);
  recentFiles_ = std::make_unique<RecentFileMenu>(recent);
  fileMenu_->setToolTipsVisible(true);  // a shortened path shows in full
  fileMenu_->addSeparator();
  add(command::kExit);
  for (QAction* action : fileMenu_->actions()) {
    if (action->isSeparator()) continue;
    const int id = action->objectName().toInt();
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
  }
  AddImportAction(afterSaveAs);

  runMenu_ = MenuAfter("RunMenu", ResourceText("RunMenu", kRunMenuTexts), {"ViewMenu", "FileMenu"});
  singleBlock_ =
      runMenu_->addAction(ArtIcon(Art::SingleBlock), QString::fromUtf8(ResourceText("singleBlock", kRunMenuTexts)));
  singleBlock_->setObjectName(QStringLiteral("singleBlock"));
  singleBlock_->setCheckable(true);
  singleBlock_->setChecked(QSettings().value(QString::fromLatin1(kSingleBlockKey), false).toBool());
  ProgramRun.SingleBlock = singleBlock_->isChecked();
  connect(singleBlock_, &QAction::toggled, this, [](bool on) {
    ProgramRun.SingleBlock = on;
    QSettings settings;
    settings.setValue(QString::fromLatin1(kSingleBlockKey), on);
    settings.sync();
  });
}

// Actions added to the File menu carry names, not command numbers.
void CMainFrame::AddImportAction(QAction* before) {
  auto* import = new QAction(ArtIcon(Art::Import), QStringLiteral("Import G-code..."), fileMenu_);
  import->setObjectName(QStringLiteral("importGcode"));
  fileMenu_->insertAction(before, import);
  connect(import, &QAction::triggered, this, &CMainFrame::ImportGcode);
}

QMenu* CMainFrame::MenuAfter(const char* name, const char* title, std::initializer_list<const char*> after) {
  const QList<QAction*> entries = menuBar()->actions();
  for (QAction* entry : entries) {
    if (entry->menu() != nullptr && entry->menu()->objectName() == QLatin1String(name)) return entry->menu();
  }
  auto* menu = new QMenu(QString::fromUtf8(title), menuBar());
  menu->setObjectName(QString::fromLatin1(name));
  // Before the entry that follows the first of `after` the bar holds; at
  // the end when it holds none of them.
  QAction* before = nullptr;
  for (const char* previous : after) {
    const auto found = std::find_if(entries.begin(), entries.end(), [&](QAction* entry) {
      return entry->menu() != nullptr && entry->menu()->objectName() == QLatin1String(previous);
    });
    if (found == entries.end()) continue;
    if (std::next(found) != entries.end()) before = *std::next(found);
    break;
  }
  menuBar()->insertMenu(before, menu);
  return menu;
}

void CMainFrame::CreateToolBar() {
  toolBar_ = addToolBar(QString());
  toolBar_->setObjectName(QStringLiteral("toolbar"));
  toolBar_->setMovable(true);
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolBar_->setIconSize(QSize(16, 16));
  struct Button {
    int id;
    Art art;
  };
  const Button buttons[] = {{command::kNew, Art::New},    {command::kOpen, Art::Open},
                            {command::kSave, Art::Save},  {0, Art::New},
                            {command::kAbout, Art::Help}, {command::kControl, Art::Control}};
  for (const Button& b : buttons) {
    if (b.id == 0) {
      toolBar_->addSeparator();
      continue;
    }
    QAction* action = toolBar_->addAction(ArtIcon(b.art), QString::fromUtf8(ResourceText(b.id, kToolBarTexts)));
    action->setObjectName(IdName(b.id));
    const int id = b.id;
    connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
  }
  // The diagnostics' switches go before this separator, the run's after it.
  runSeparator_ = toolBar_->addSeparator();
  toolBar_->addAction(singleBlock_);
}

// The scope in the bottom area, hidden at the first start; its action
// follows in the toolbar after Control and in the View menu.
void CMainFrame::CreateScope() {
  scope_ = new ScopeDock(this);
  addDockWidget(Qt::BottomDockWidgetArea, scope_);
  scope_->setVisible(ScopeDock::StoredVisible());
  auto* action = new QAction(ArtIcon(Art::Scope), QStringLiteral("Scope"), toolBar_);
  action->setObjectName(QString::fromLatin1(kScopeAction));
  action->setCheckable(true);
  action->setChecked(!scope_->isHidden());
  toolBar_->insertAction(runSeparator_, action);
  ViewMenu()->addAction(action);
  connect(action, &QAction::triggered, scope_, &ScopeDock::SetShown);
  connect(scope_->toggleViewAction(), &QAction::toggled, action, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
  messagePane_ = new QLabel(this);
  messagePane_->setObjectName(QStringLiteral("messagePane"));
  clockPane_ = new QLabel(this);
  clockPane_->setObjectName(QStringLiteral("clockPane"));
  runPane_ = new QLabel(this);
  runPane_->setObjectName(QStringLiteral("runPane"));
  statusBar()->addWidget(messagePane_, 1);
  statusBar()->addWidget(runPane_);
  statusBar()->addPermanentWidget(clockPane_);
}

void CMainFrame::CreateControlBar() {
  dock_ = new QDockWidget(QStringLiteral("MY Contrl Bar"), this);
  dock_->setObjectName(IdName(kControlBar));
  dock_->setAllowedAreas(Qt::AllDockWidgetAreas);
  dock_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                     QDockWidget::DockWidgetFloatable);
  tabs_ = new QTabWidget(dock_);
  tabs_->setObjectName(IdName(kTabControl));
  bar1_ = new CDlgBar_1(port_, tabs_);
  tabs_->addTab(bar1_, ArtIcon(Art::Program), QStringLiteral("Multi-Step Motion"));
  bar2_ = new CDlgBar_2(tabs_);
  tabs_->addTab(bar2_, ArtIcon(Art::Single), QStringLiteral(" Single Step "));
  bar3_ = new CDlgBar_3(tabs_);
  tabs_->addTab(bar3_, ArtIcon(Art::Signals), QStringLiteral("Other Function"));
  tabs_->setCurrentIndex(0);
  dock_->setWidget(tabs_);
  addDockWidget(Qt::LeftDockWidgetArea, dock_);
  resizeDocks({dock_}, {769}, Qt::Horizontal);

  // The Control button is checked while the bar is shown.
  auto* control = Control<QAction>(toolBar_, command::kControl);
  control->setCheckable(true);
  control->setChecked(!dock_->isHidden());
  connect(dock_->toggleViewAction(), &QAction::toggled, control, &QAction::setChecked);
}

// The View menu, made on first use, right after File.
QMenu* CMainFrame::ViewMenu() {
  if (viewMenu_ != nullptr) return viewMenu_;
  viewMenu_ = new QMenu(QStringLiteral("View(&V)"), menuBar());
  viewMenu_->setObjectName(QStringLiteral("ViewMenu"));
  const QList<QAction*> menus = menuBar()->actions();
  const qsizetype next = menus.indexOf(fileMenu_->menuAction()) + 1;
  menuBar()->insertMenu(next > 0 && next < menus.size() ? menus[next] : nullptr, viewMenu_);
  return viewMenu_;
}

// The Events dock below the panels, shown and hidden by the events action
// of the View menu and the toolbar.
void CMainFrame::CreateEventsDock() {
  events_ = new EventsDock(this);
  addDockWidget(Qt::BottomDockWidgetArea, events_);
  // Below the panels there is room for one diagnostic at full width: with
  // both shown they are tabs, the one shown last on top.
  tabifyDockWidget(scope_, events_);
  resizeDocks({events_}, {kEventsHeight}, Qt::Vertical);
  events_->RestoreShown();
  if (!scope_->isHidden()) scope_->raise();
  QAction* action = ViewMenu()->addAction(ArtIcon(Art::Events), QStringLiteral("Events"));
  action->setObjectName(QStringLiteral("events"));
  action->setCheckable(true);
  action->setChecked(!events_->isHidden());
  toolBar_->insertAction(runSeparator_, action);
  connect(action, &QAction::triggered, events_, &EventsDock::SetShown);
  connect(events_->toggleViewAction(), &QAction::toggled, action, &QAction::setChecked);
  // Esc stops from the dock when it floats too (docked, the window's own
  // key covers it).
  auto* stop = new QShortcut(QKeySequence(Qt::Key_Escape), events_, [] { SStop(); });
  stop->setContext(Qt::WidgetWithChildrenShortcut);
  stop->setEnabled(false);
  connect(events_, &QDockWidget::topLevelChanged, stop, &QShortcut::setEnabled);
}

void CMainFrame::ShowJournalFailure(const std::string& why) {
  statusBar()->showMessage(JournalFailureText(why, SysParams.LangVer), kJournalNoticeMs);
}

void CMainFrame::ApplyLanguageTexts() {
  const int language = SysParams.LangVer;
  ApplyTexts(fileMenu_, kTexts, language, kMenuTexts);
  ApplyTexts(runMenu_, kTexts, language, kRunMenuTexts);
  ApplyTexts(toolBar_, kTexts, language, kToolBarTexts);
  ApplyTexts(tabs_, kTexts, language, kTabTexts);
  ApplyTexts(this, kTexts, language, kViewTexts);
  events_->ApplyLanguageTexts();
}

// Twenty times a second, but the panes change at most once a second (the
// clock) or when the path changes: only then is text formatted, measured
// and set.
void CMainFrame::OnTimer() {
  const std::time_t now = std::time(nullptr);
  if (now != clockShown_) {
    clockShown_ = now;
    const QString clock = ClockText();
    if (clockPane_->text() != clock) {
      clockPane_->setFixedWidth(clockPane_->fontMetrics().horizontalAdvance(clock) + 2 * clockPane_->margin() + 4);
      clockPane_->setText(clock);
    }
  }
  const bool changed = ProgramChanged();
  if (!pathShownOnce_ || ShownPath != pathShown_ || changed != changedShown_) {
    pathShownOnce_ = true;
    pathShown_ = ShownPath;
    changedShown_ = changed;
    QString path = QString::fromStdString(ShownPath);
    if (changed) path += path.isEmpty() ? QStringLiteral("*") : QStringLiteral(" *");
    if (messagePane_->text() != path) messagePane_->setText(path);
  }
  const int paused = ProgramPausedBeforeRow();
  const QString run = paused > 0 ? QString::fromStdString(PausedRunText(paused, SysParams.LangVer)) : QString();
  if (runPane_->text() != run) runPane_->setText(run);
}

CMainFrame::~CMainFrame() { journal::SetFailureHook(nullptr); }

void CMainFrame::RunCommand(int id) {
  if (id >= command::kRecentFile && id < command::kRecentFile + RecentFileMenu::kCommandCount) {
    OpenRecentFile(id - command::kRecentFile);
    return;
  }
  switch (id) {
    case command::kNew:
      if (ProgramFileNew()) AfterProgramEmptied();
      recentFiles_->Follow();  // the unsaved-program question may have saved
      break;
    case command::kOpen:
      if (ProgramFileOpen()) AfterProgramEmptied();
      recentFiles_->Follow();
      break;
    case command::kSave:
      ProgramFileSave();
      recentFiles_->Follow();
      break;
    case command::kSaveAs:
      ProgramFileSaveAs();
      recentFiles_->Follow();
      break;
    case command::kAdd:
      if (BeginAddCommand()) OpenProgramInput(false);
      break;
    case command::kInsert:
      if (BeginInsertCommand()) OpenProgramInput(false);
      break;
    case command::kModify:
      if (BeginModifyCommand()) OpenProgramInput(false);
      break;
    case command::kDelete:
      DeleteSelectedCommand();
      break;
    case command::kAbout:
      ShowAbout();
      break;
    case command::kControl:
      dock_->setVisible(dock_->isHidden());
      break;
    case command::kExit:
      close();
      break;
    default:
      break;
  }
}

void CMainFrame::OpenProgram(const std::string& path) {
  OpenProgramFile(path);
  AfterProgramEmptied();
  recentFiles_->Follow();
  OnTimer();  // the path shows at once
}

void CMainFrame::ImportGcode() {
  if (ImportGcodeProgram(this)) AfterProgramEmptied();
  recentFiles_->Follow();  // the unsaved-program question may have saved
}

void CMainFrame::OpenRecentFile(int index) {
  if (index < 0) return;
  if (ProgramFileOpenRecent(static_cast<std::size_t>(index))) AfterProgramEmptied();
  recentFiles_->Follow();
}

void CMainFrame::AfterProgramEmptied() {
  Plot.FreeSegments();
  bar1_->Repaint();
  bar1_->FollowProgram();
}

// The listing's double click modifies in a dialog of its own, with the
// pages' initial values besides the entry.
void CMainFrame::OpenProgramInput(bool freshForModify) {
  if (freshForModify) {
    CProgramInputDlg fresh(this);
    fresh.Open();
    return;
  }
  programInput_->Open();
}

void CMainFrame::ShowAbout() {
  CAboutDlg about(QString::fromStdString(AboutText(SysParams.LangVer)), this);
  about.exec();
}

// With unsaved edits the question is whether to save them, and its Cancel
// is the way back; otherwise the quit question. A confirmed quit stops the
// axes first.
void CMainFrame::closeEvent(QCloseEvent* event) {
  bool quit = false;
  if (ProgramChanged()) {
    quit = ConfirmDiscardChanges();
    recentFiles_->Follow();
  } else {
    const bool chinese = SysParams.LangVer == kLangChinese;
    const char* question = chinese ? "您确定退出该程序?" : "Are you sure to quit the program?";
    const char* title = chinese ? "退出" : "Exit";
    // Asked with No as its default, so not through the engine's port: the
    // journal gets it here.
    const journal::Clock::time_point shown = journal::Clock::now();
    const int answer = port_.Ask(question, title, BoxButtons::YesNo, BoxIcon::Question, kBoxNo);
    journal::RecordBox(question, BoxButtons::YesNo, answer, shown);
    quit = answer == kBoxYes;
  }
  if (!quit) {
    event->ignore();
    return;
  }
  // Nothing is left moving: the axes brake, for 3 s at most, then stop at
  // once. The window stays painted meanwhile and takes no more input.
  setEnabled(false);
  StopMotionForQuit(&QtOperatorPort::PauseWhileStopping);
  QuitApplication();
  event->accept();
}
