// The main window's guard of unsaved edits (the " *" in the message pane,
// the save question before New, Open, a recent file and quitting) and the
// recent files of the File menu.

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include "ProgramInputDriver.h"
#include "program/CommandCodes.h"
#include "program/ProgramEditing.h"
#include "ui/bars/CDlgBar_1.h"
#include "ui/frame/RecentFileMenu.h"

using namespace uitest;

namespace {

constexpr int kNew = 32782;
constexpr int kOpen = 32779;
constexpr int kSave = 32780;
constexpr int kSaveAs = 32781;
constexpr int kRecent = 57616;

MotionCommand Move(int axis, double distance) {
  MotionCommand c = DefaultEditCommand();
  c.iAxes[0] = axis;
  c.dbDis[0] = distance;
  return c;
}

QString ProgramFileWith(const Bench& bench, const QString& name, int rows) {
  const QString path = bench.Folder() + "/" + name;
  const auto keep = MotionProgram;
  MotionProgram.assign(static_cast<std::size_t>(rows), Move(1, 10));
  if (!WriteProgramFile(path.toStdString())) qFatal("cannot write the program file");
  MotionProgram = keep;
  return path;
}

QString Pane(CMainFrame* frame) {
  frame->OnTimer();
  return Find<QLabel>(frame, QStringLiteral("messagePane"))->text();
}

// One entry added in the program input dialog, as the operator adds it.
void AddInTheDialog(DialogScript& script, CMainFrame& frame, const QString& distance) {
  QVERIFY(WorkDialog(script, frame, kAdd, [&](CProgramInputDlg* d) {
    QVERIFY(Choose(d, code::kConstPtoP1));
    Type(d, 1048, distance);
    Store(d);
  }));
}

QAction* MenuAction(CMainFrame* frame, int id) { return Control<QAction>(frame->menuBar(), id); }

// The recent-file entries the File menu shows, in order.
QStringList RecentShown(CMainFrame* frame) {
  QStringList shown;
  for (int id = kRecent; id < kRecent + 4; ++id) {
    QAction* action = MenuAction(frame, id);
    if (action->isVisible() && action->isEnabled()) shown << action->text();
  }
  return shown;
}

QStringList Stored() {
  QSettings settings;
  settings.beginGroup(QStringLiteral("Recent File List"));
  QStringList stored;
  for (const QString& key : settings.childKeys()) stored << key + "=" + settings.value(key).toString();
  return stored;
}

// Reads the texts of the buttons of the next box and presses `result`.
struct SeenBox {
  QStringList texts;
  QString defaultText;
};
void PressInNextBox(SeenBox& seen, int result) {
  QTimer::singleShot(0, [&seen, result] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) qFatal("no box stands");
    for (QAbstractButton* b : box->buttons()) seen.texts << b->text();
    seen.defaultText = box->defaultButton() != nullptr ? box->defaultButton()->text() : QString();
    box->findChild<QAbstractButton*>(QString::number(result))->click();
  });
}

}  // namespace

class FileGuardTest : public QObject {
  Q_OBJECT

 private slots:
  // The message pane marks the path while the program has unsaved edits.
  void messagePaneMarksUnsavedEdits() {
    Bench bench;
    auto frame = bench.MakeFrame();
    const QString path = ProgramFileWith(bench, "one.knl", 1);
    DialogScript script;
    script.AnswerFile(path);
    frame->RunCommand(kOpen);
    QCOMPARE(Pane(frame.get()), path);

    AddInTheDialog(script, *frame, QStringLiteral("25"));
    QCOMPARE(MotionProgram.size(), std::size_t{2});
    QCOMPARE(Pane(frame.get()), path + " *");
    frame->RunCommand(kSave);
    QCOMPARE(Pane(frame.get()), path);

    bench.Port().ListSelect(0);
    frame->RunCommand(32776);  // Delete
    QCOMPARE(Pane(frame.get()), path + " *");
    // A program that never had a file shows the mark alone.
    script.Answer(kBoxNo);
    frame->RunCommand(kNew);
    ShownPath.clear();
    QCOMPARE(Pane(frame.get()), QString());
    AddInTheDialog(script, *frame, QStringLiteral("5"));
    QCOMPARE(Pane(frame.get()), QStringLiteral("*"));
    QVERIFY(script.Unexpected().isEmpty());
  }

  // New and Open with unsaved edits: Cancel keeps all, Yes saves first
  // (a cancelled Save dialog cancels), No lets the edits go.
  void newAndOpenAskFirst() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    AddInTheDialog(script, *frame, QStringLiteral("25"));

    script.Answer(kBoxCancel);
    frame->RunCommand(kOpen);  // no file dialog follows a Cancel
    QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("Save changes to the program?")});
    QCOMPARE(MotionProgram.size(), std::size_t{1});
    QVERIFY(script.AllAnswered());

    script.Answer(kBoxYes);
    script.AnswerFile(QString());  // the Save dialog is cancelled
    frame->RunCommand(kNew);
    QCOMPARE(MotionProgram.size(), std::size_t{1});
    QVERIFY(ProgramChanged());

    const QString saved = bench.Folder() + "/saved.knl";
    script.Answer(kBoxYes);
    script.AnswerFile(saved);
    frame->RunCommand(kNew);
    QVERIFY(MotionProgram.empty());
    QVERIFY(QFile::exists(saved));
    QCOMPARE(bench.Port().Listing()->Count(), 0);

    AddInTheDialog(script, *frame, QStringLiteral("7"));
    script.Answer(kBoxNo);
    script.AnswerFile(saved);
    frame->RunCommand(kOpen);
    QCOMPARE(MotionProgram.size(), std::size_t{1});
    QCOMPARE(MotionProgram[0].dbDis[0], 25.0);  // the saved program, not the discarded edit
    QVERIFY(!ProgramChanged());
    QVERIFY(script.AllAnswered());
  }

  // Quitting with unsaved edits asks the save question instead of the quit
  // question, with Yes, No and Cancel in the language and Yes the default.
  void quittingWithUnsavedEdits() {
    Bench bench(kOrvb, 1, kLangChinese);
    auto frame = bench.MakeFrame();
    DialogScript script;
    AddInTheDialog(script, *frame, QStringLiteral("25"));

    SeenBox seen;
    PressInNextBox(seen, kBoxCancel);
    frame->close();
    QVERIFY(frame->isVisible());
    seen.texts.sort();
    QCOMPARE(seen.texts, (QStringList{QStringLiteral("取消"), QStringLiteral("否"), QStringLiteral("是")}));
    QCOMPARE(seen.defaultText, QStringLiteral("是"));
    QVERIFY(!bench.Port().QuitRequested());
    QCOMPARE(MotionProgram.size(), std::size_t{1});

    // Yes and a cancelled Save dialog: still there.
    script.Answer(kBoxYes);
    script.AnswerFile(QString());
    frame->close();
    QVERIFY(frame->isVisible());
    QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("是否保存对程序的修改?")});

    // Yes with a file: written, and the program quits without asking again.
    const QString saved = bench.Folder() + "/quit.knl";
    script.Answer(kBoxYes);
    script.AnswerFile(saved);
    frame->close();
    QVERIFY(!frame->isVisible());
    QVERIFY(bench.Port().QuitRequested());
    QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("是否保存对程序的修改?")});
    QVERIFY(QFile::exists(saved));
    // The saved file is a recent file when the program starts again.
    QCOMPARE(Stored(), QStringList{"File1=" + saved});
  }

  void quittingWithNoLetsTheEditsGo() {
    Bench bench;
    auto frame = bench.MakeFrame();
    DialogScript script;
    AddInTheDialog(script, *frame, QStringLiteral("25"));
    SeenBox seen;
    PressInNextBox(seen, kBoxNo);
    frame->close();
    seen.texts.sort();
    QCOMPARE(seen.texts, (QStringList{QStringLiteral("Cancel"), QStringLiteral("No"), QStringLiteral("Yes")}));
    QVERIFY(!frame->isVisible());
    QVERIFY(bench.Port().QuitRequested());
    QVERIFY(script.Shown().isEmpty());  // no quit question after it
  }

  // The File menu lists the files opened and saved, newest first, keeps
  // them in the settings store, and opens them as Open does.
  void recentFilesInTheFileMenu() {
    Bench bench;
    const QString one = ProgramFileWith(bench, "one.knl", 1);
    const QString two = ProgramFileWith(bench, "two&more.knl", 2);
    {
      auto frame = bench.MakeFrame();
      QAction* placeholder = MenuAction(frame.get(), kRecent);
      QCOMPARE(placeholder->text(), QStringLiteral("Recent File"));
      QVERIFY(!placeholder->isEnabled());
      QVERIFY(RecentShown(frame.get()).isEmpty());

      DialogScript script;
      script.AnswerFile(one);
      frame->RunCommand(kOpen);
      script.AnswerFile(two);
      frame->RunCommand(kOpen);
      const QString copy = bench.Folder() + "/copy.knl";
      script.AnswerFile(copy);
      frame->RunCommand(kSaveAs);
      QCOMPARE(RecentShown(frame.get()),
               (QStringList{"&1 " + copy, "&2 " + QString(two).replace("&", "&&"), "&3 " + one}));
      QCOMPARE(Stored(), (QStringList{"File1=" + copy, "File2=" + two, "File3=" + one}));
      QVERIFY(!MenuAction(frame.get(), kRecent + 3)->isVisible());
      frame->hide();
    }
    // The next start shows the stored list; choosing an entry opens it.
    RecentFiles.Clear();
    auto frame = bench.MakeFrame();
    QCOMPARE(RecentShown(frame.get()).size(), 3);
    MenuAction(frame.get(), kRecent + 2)->trigger();
    QCOMPARE(QString::fromStdString(ShownPath), one);
    QCOMPARE(QString::fromStdString(SavePath), one);
    QCOMPARE(bench.Port().Listing()->Count(), 1);
    QCOMPARE(RecentShown(frame.get()).first(), "&1 " + one);

    // Busy: message 9, nothing opens.
    MotionProgram = {Move(1, 100000)};
    Click(frame->ControlPanel(), 1121);
    DialogScript script;
    MenuAction(frame.get(), kRecent + 1)->trigger();
    QCOMPARE(script.TakeShown(), QStringList{Message(9)});
    Click(frame->ControlPanel(), 1122);
    MotionProgram.clear();

    // A file that is gone: said so, and it leaves the menu and the store.
    QVERIFY(QFile::remove(two));
    MenuAction(frame.get(), kRecent + 2)->trigger();
    QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("The program file no longer exists:\n") + two +
                                             QStringLiteral("\nIt has been removed from the recent files.")});
    QCOMPARE(RecentShown(frame.get()).size(), 2);
    QCOMPARE(Stored().size(), 2);
    QVERIFY(!Stored().join(' ').contains(two));

    // Unsaved edits: the save question first; Cancel opens nothing.
    AddInTheDialog(script, *frame, QStringLiteral("3"));
    script.Answer(kBoxCancel);
    MenuAction(frame.get(), kRecent + 1)->trigger();
    QCOMPARE(script.TakeShown(), QStringList{QStringLiteral("Save changes to the program?")});
    QCOMPARE(QString::fromStdString(ShownPath), one);
    QVERIFY(ProgramChanged());
  }

  void entryTexts() {
    QCOMPARE(RecentFileMenu::EntryText(0, QStringLiteral("/a/b.knl")), QStringLiteral("&1 /a/b.knl"));
    QCOMPARE(RecentFileMenu::EntryText(3, QStringLiteral("/R&D/b.knl")), QStringLiteral("&4 /R&&D/b.knl"));
    const QString longPath = "/" + QString(100, QLatin1Char('d')) + "/program.knl";
    const QString shown = RecentFileMenu::EntryText(1, longPath);
    QVERIFY(shown.startsWith(QStringLiteral("&2 /ddd")));
    QVERIFY(shown.endsWith(QStringLiteral("/program.knl")));
    QVERIFY(shown.contains(QStringLiteral("...")));
    QCOMPARE(shown.size(), 3 + 64);
  }
};

QTEST_MAIN(FileGuardTest)
#include "FileGuard_test.moc"
