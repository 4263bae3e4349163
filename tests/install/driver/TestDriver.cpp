// A Qt generic plugin that drives an unmodified installed window program
// from inside, for the installed-tree and package tests. Loaded with
//   QT_PLUGIN_PATH=<this build's plugins> QT_QPA_GENERIC_PLUGINS=tessortestdriver
// it answers what the program shows, as an operator would, and writes what
// it saw to $TESSOR_TEST_DRIVER_LOG, one line each:
//   box: TEXT           a message box, answered OK or Yes
//   dialog: NAME        the Card Type dialog, answered Finished
//   frame: CAPTION      the main window, then closed (the quit question
//                       that follows is answered Yes)
//   path: TEXT          the path the main window's status bar shows, and
//   listing: N rows     the program's rows, when there are any
// $TESSOR_TEST_DRIVER_SHOT, when set, names a PNG file for a picture of the
// main window. Anything else it meets ends the program with status 4.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QGenericPlugin>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

namespace {

class Driver : public QObject {
 public:
  Driver() {
    log_.setFileName(QString::fromLocal8Bit(qgetenv("TESSOR_TEST_DRIVER_LOG")));
    if (!log_.fileName().isEmpty()) log_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    // State is looked at, not waited for: each look acts on what is there.
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
    timer_.start();
  }

 private:
  void Log(const QString& line) {
    if (!log_.isOpen()) return;
    log_.write(line.toUtf8() + '\n');
    log_.flush();
  }

  // A button's handler may open the next box and wait in it: it runs after
  // this look has ended, or the timer that looks would wait with it.
  void Press(QAbstractButton* button) {
    pressing_ = true;
    QTimer::singleShot(0, button, [this, button] {
      pressing_ = false;
      button->click();
    });
  }

  static QAbstractButton* Button(QWidget* window, const char* name) {
    return window->findChild<QAbstractButton*>(QString::fromLatin1(name));
  }

  void Step() {
    // Quits instead of hanging when the program never gets where it should.
    if (++steps_ > 6000) {
      Log(QStringLiteral("driver: gave up"));
      std::_Exit(3);
    }
    if (pressing_) return;
    if (QWidget* modal = QApplication::activeModalWidget()) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        // The message box buttons are named by their result: 6 Yes, 1 OK.
        QAbstractButton* answer = Button(box, "6");
        if (answer == nullptr) answer = Button(box, "1");
        if (answer == nullptr) return;
        Log(QStringLiteral("box: ") + box->text());
        Press(answer);
        return;
      }
      if (modal->objectName() == QLatin1String("CCardTypeDlg")) {
        if (QAbstractButton* finished = Button(modal, "1190")) {
          Log(QStringLiteral("dialog: CCardTypeDlg"));
          Press(finished);
        }
        return;
      }
      Log(QStringLiteral("unexpected: ") + modal->objectName());
      std::_Exit(4);
    }
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->objectName() != QLatin1String("CMainFrame") || !top->isVisible() || closing_) continue;
      Log(QStringLiteral("frame: ") + top->windowTitle());
      if (auto* pane = top->findChild<QLabel*>(QStringLiteral("messagePane"));
          pane != nullptr && !pane->text().isEmpty()) {
        Log(QStringLiteral("path: ") + pane->text());
      }
      if (auto* listing = top->findChild<QAbstractItemView*>(QStringLiteral("1006"));
          listing != nullptr && listing->model() != nullptr && listing->model()->rowCount() > 0) {
        Log(QStringLiteral("listing: %1 rows").arg(listing->model()->rowCount()));
      }
      const QString shot = QString::fromLocal8Bit(qgetenv("TESSOR_TEST_DRIVER_SHOT"));
      if (!shot.isEmpty()) top->grab().save(shot, "PNG");
      closing_ = true;
      // Closing asks the quit question from inside close(): let this step end first.
      QTimer::singleShot(0, top, [top] { top->close(); });
      return;
    }
  }

  QFile log_;
  QTimer timer_;
  int steps_ = 0;
  bool closing_ = false;
  bool pressing_ = false;
};

}  // namespace

class TestDriverPlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "driver.json")

 public:
  QObject* create(const QString& key, const QString& /*parameters*/) override {
    return key == QLatin1String("tessortestdriver") ? new Driver : nullptr;
  }
};

#include "TestDriver.moc"
