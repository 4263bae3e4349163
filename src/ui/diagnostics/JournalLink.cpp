#include "ui/diagnostics/JournalLink.h"

#include <QCoreApplication>

#include "operator/Journal.h"
#include "operator/OperatorMessages.h"
#include "platform/UserFolders.h"

namespace ui {
namespace {

// Called from the tick or a box's courier: the windows' thread drains the
// queue when it next looks at its events.
void DrainOnWindowsThread() {
  if (QCoreApplication* app = QCoreApplication::instance()) {
    QMetaObject::invokeMethod(
        app, [] { journal::Drain(); }, Qt::QueuedConnection);
  }
}

}  // namespace

void OpenWindowJournal(const std::string& path) {
  const std::string file = path.empty() ? journal::DefaultPath() : path;
  const std::size_t slash = file.rfind('/');
  if (slash != std::string::npos && slash > 0) platform::MakeFolders(file.substr(0, slash));
  journal::SetWakeHook(&DrainOnWindowsThread);
  journal::Open(file);
}

QString JournalFailureText(const std::string& why, int language) {
  const QString reason = QString::fromStdString(why);
  if (language == kLangChinese) return QStringLiteral("事件日志无法写入（%1），程序照常运行。").arg(reason);
  return QStringLiteral("The event journal cannot be written (%1); the program goes on without it.").arg(reason);
}

}  // namespace ui
