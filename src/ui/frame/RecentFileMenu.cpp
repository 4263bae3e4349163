#include "ui/frame/RecentFileMenu.h"

#include <QAction>
#include <QSettings>

#include "program/RecentFiles.h"

namespace {

constexpr const char* kGroup = "Recent File List";
constexpr qsizetype kLongestShown = 64;  // characters of a path in the menu

QString EntryKey(int index) { return QStringLiteral("File%1").arg(index + 1); }

}  // namespace

RecentFileMenu::RecentFileMenu(QList<QAction*> actions) : actions_(std::move(actions)) {}

QString RecentFileMenu::EntryText(int index, const QString& path) {
  QString shown = path;
  if (shown.size() > kLongestShown) {
    const qsizetype keep = (kLongestShown - 3) / 2;
    shown = shown.left(keep) + QStringLiteral("...") + shown.right(kLongestShown - 3 - keep);
  }
  shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

void RecentFileMenu::Load() {
  if (!actions_.isEmpty()) placeholder_ = actions_.first()->text();
  QSettings settings;
  settings.beginGroup(QString::fromLatin1(kGroup));
  std::vector<std::string> stored;
  for (int i = 0; i < kCommandCount; ++i) {
    const QString path = settings.value(EntryKey(i)).toString();
    if (!path.isEmpty()) stored.push_back(path.toStdString());
  }
  RecentFiles.Assign(stored);
  Show();
}

void RecentFileMenu::Follow() {
  if (RecentFiles.Entries() == shown_) return;
  Store();
  Show();
}

void RecentFileMenu::Store() const {
  QSettings settings;
  settings.remove(QString::fromLatin1(kGroup));
  settings.beginGroup(QString::fromLatin1(kGroup));
  const auto& entries = RecentFiles.Entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    settings.setValue(EntryKey(static_cast<int>(i)), QString::fromStdString(entries[i]));
  }
  settings.endGroup();
  settings.sync();
}

void RecentFileMenu::Show() {
  shown_ = RecentFiles.Entries();
  for (int i = 0; i < actions_.size(); ++i) {
    QAction* action = actions_[i];
    if (static_cast<std::size_t>(i) < shown_.size()) {
      const QString path = QString::fromStdString(shown_[static_cast<std::size_t>(i)]);
      action->setText(EntryText(i, path));
      action->setToolTip(path);
      action->setEnabled(true);
      action->setVisible(true);
    } else if (i == 0) {
      // No entries: the grayed placeholder, as the menu has always shown.
      action->setText(placeholder_);
      action->setToolTip(QString());
      action->setEnabled(false);
      action->setVisible(true);
    } else {
      action->setVisible(false);
    }
  }
}
