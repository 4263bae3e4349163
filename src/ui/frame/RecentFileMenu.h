#pragma once
// The File menu's recent files: the actions 57616-57619 show the engine's
// list (program/RecentFiles.h) as "&1 path" ... "&4 path", or, with no
// entries, the grayed "Recent File" placeholder. The list lives in the
// application's settings store as desktop programs keep it ("Recent File
// List", File1-File4): read when the menu is made, written whenever the
// file commands changed it.

#include <QList>
#include <QString>
#include <string>
#include <vector>

class QAction;

class RecentFileMenu {
 public:
  static constexpr int kFirstCommand = 57616;
  static constexpr int kCommandCount = 4;

  // The four actions in menu order; the first holds the placeholder text.
  explicit RecentFileMenu(QList<QAction*> actions);

  // Reads the stored list into the engine's and shows it.
  void Load();
  // Stores and shows the engine's list when it changed since last shown.
  void Follow();

  // "&1 /path/file.knl": a long path is shortened in its middle, an "&" in
  // it is shown as itself.
  static QString EntryText(int index, const QString& path);

 private:
  void Show();
  void Store() const;

  QList<QAction*> actions_;
  QString placeholder_;
  std::vector<std::string> shown_;
};
