#pragma once
// The main window: File menu, toolbar, status bar with the shown path and
// a clock, the control panel, and the dockable control bar with the three
// panels. It owns the file commands, the program editing commands, the
// About box and the question on closing.

#include <QMainWindow>
#include <ctime>
#include <initializer_list>
#include <memory>
#include <string>

class CCtrlDlg;
class CDlgBar_1;
class CDlgBar_2;
class CDlgBar_3;
class CProgramInputDlg;
class EventsDock;
class QAction;
class QDockWidget;
class QLabel;
class QShortcut;
class QTabWidget;
class QToolBar;
class QtOperatorPort;
class RecentFileMenu;
class ScopeDock;

class CMainFrame final : public QMainWindow {
  Q_OBJECT

 public:
  CMainFrame(QtOperatorPort& port, const QString& caption);
  ~CMainFrame() override;

  CCtrlDlg* ControlPanel() const { return control_; }
  CDlgBar_1* LiveStatus() const { return bar1_; }
  CDlgBar_2* DirectMotion() const { return bar2_; }
  CDlgBar_3* Monitor() const { return bar3_; }
  QDockWidget* ControlBar() const { return dock_; }
  EventsDock* Events() const { return events_; }
  // The scope dock, shown and hidden by the action "scope".
  ScopeDock* Scope() const { return scope_; }
  // The program input dialog Add, Insert and Modify open.
  CProgramInputDlg* ProgramInput() const { return programInput_; }

  // Opens `path` as Open does after its chooser (the command line's file).
  void OpenProgram(const std::string& path);

  // One of the frame's commands by identifier (32782 New ... 32771
  // Control), as the menus, the toolbar and the listing's menu send them.
  void RunCommand(int command);

  // The 50 ms clock: the time in the clock pane, the shown path in the
  // message pane, marked " *" while the program has unsaved edits.
  void OnTimer();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenu();
  void AddImportAction(QAction* before);
  // The menu named `name`, made with `title` when the bar lacks it: right
  // after the first of the menus `after` names that the bar holds.
  QMenu* MenuAfter(const char* name, const char* title, std::initializer_list<const char*> after);
  void CreateToolBar();
  void CreateStatusBar();
  void CreateControlBar();
  // The View menu, right after File: made by the first that needs it.
  QMenu* ViewMenu();
  void CreateScope();
  void CreateEventsDock();
  void ShowJournalFailure(const std::string& why);
  void ApplyLanguageTexts();
  void AfterProgramEmptied();
  void OpenRecentFile(int index);
  void ImportGcode();
  void OpenProgramInput(bool freshForModify);
  void ShowAbout();

  QtOperatorPort& port_;
  CCtrlDlg* control_ = nullptr;
  CDlgBar_1* bar1_ = nullptr;
  CDlgBar_2* bar2_ = nullptr;
  CDlgBar_3* bar3_ = nullptr;
  QDockWidget* dock_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  EventsDock* events_ = nullptr;
  QMenu* runMenu_ = nullptr;
  QAction* singleBlock_ = nullptr;
  QAction* runSeparator_ = nullptr;
  ScopeDock* scope_ = nullptr;
  QLabel* messagePane_ = nullptr;
  QLabel* runPane_ = nullptr;
  QLabel* clockPane_ = nullptr;
  QShortcut* floatingStop_ = nullptr;
  CProgramInputDlg* programInput_ = nullptr;
  std::unique_ptr<RecentFileMenu> recentFiles_;
  // What the status bar's panes show, so the 50 ms clock changes them only
  // when it must.
  std::time_t clockShown_ = 0;
  std::string pathShown_;
  bool changedShown_ = false;
  bool pathShownOnce_ = false;
};
