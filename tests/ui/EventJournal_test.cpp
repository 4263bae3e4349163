// The event journal in the window program: a run that meets a limit as an
// operator drives it, a journal that cannot be written, JSON that Qt's own
// parser reads back, and the Events dock with its action, filter and
// stored settings in both languages.

#include <QAction>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

#include "UiTest.h"
#include "motion/EngineJournal.h"
#include "operator/Journal.h"
#include "platform/TextCodec.h"
#include "ui/diagnostics/EventListModel.h"
#include "ui/diagnostics/EventsDock.h"
#include "ui/diagnostics/JournalLink.h"

using namespace uitest;

namespace {

constexpr int kStart = 1121;
constexpr int kSStop = 1122;

MotionCommand Move(int axis, double distance) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = 0x02010000;
  c.iAxes[0] = axis;
  c.dbDis[0] = distance;
  c.dbLowSpd[0] = 400;
  return c;
}

// The journal's lines as Qt's JSON parser reads them; a line it cannot
// read fails the test.
QList<QJsonObject> ReadJournal(const QString& path) {
  QList<QJsonObject> events;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return events;
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (line.isEmpty()) continue;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
      qWarning("not JSON (%s): %s", qPrintable(error.errorString()), line.constData());
      return {};
    }
    events << document.object();
  }
  return events;
}

// "kind" and the telling details of each event, for comparing in order.
QStringList Summaries(const QList<QJsonObject>& events) {
  QStringList out;
  for (const QJsonObject& e : events) {
    QStringList parts{e.value("kind").toString()};
    for (const char* key : {"command", "panel", "number", "answer", "result", "message"}) {
      if (e.contains(key)) parts << e.value(key).toVariant().toString();
    }
    out << parts.join(u' ');
  }
  return out;
}

QString NamedText(QObject* window, const char* name) {
  QObject* object = ui::FindObject(window, QString::fromLatin1(name));
  return object != nullptr ? ui::ObjectText(object) : QString();
}

QStringList ShownKinds(const EventListModel* model) {
  QStringList kinds;
  for (int row = 0; row < model->rowCount(); ++row) {
    kinds << model->data(model->index(row, EventListModel::kKindColumn), Qt::DisplayRole).toString();
  }
  return kinds;
}

// The journal of one test in the bench's folder, closed with the test.
struct TestJournal {
  explicit TestJournal(const QString& file) : path(file) { ui::OpenWindowJournal(file.toStdString()); }
  ~TestJournal() {
    journal::Close();
    journal::SetWakeHook(nullptr);
  }
  TestJournal(const TestJournal&) = delete;
  TestJournal& operator=(const TestJournal&) = delete;
  QString path;
};

}  // namespace

class EventJournalTest : public QObject {
  Q_OBJECT

 private slots:
  // Start on the control panel, the tick's limit box answered by the
  // operator, the run's end: in the file in this order, and in the dock.
  void aRunThatMeetsALimit() {
    Bench bench;
    TestJournal log(bench.Folder() + "/journal.jsonl");
    auto frame = bench.MakeFrame();
    MotionProgram = {Move(1, 2000), Move(2, 10)};  // the limit switch stands at 1000
    DialogScript script;
    Click(frame->ControlPanel(), kStart);
    QVERIFY(bench.TickUntil([] { return !RunControl.BusyProgram.load(); }));
    QCOMPARE(script.Shown(), QStringList{Message(12)});
    QTRY_COMPARE(Summaries(ReadJournal(log.path)),
                 (QStringList{"motion start program", "box 12 ok", "run-end message 12"}));
    EventListModel* model = frame->Events()->Model();
    QCOMPARE(ShownKinds(model), (QStringList{"Motion", "Message", "Run end"}));
    QVERIFY(model->data(model->index(1, EventListModel::kDetailsColumn), Qt::DisplayRole)
                .toString()
                .contains(QStringLiteral("text=Error:The motion is outside!")));
    Click(frame->ControlPanel(), kSStop);
    QCOMPARE(ShownKinds(model).size(), 4);  // written and listed at once
  }

  // The quit question is journalled with its answer: No keeps the window,
  // Yes quits, and the quit follows.
  void theQuitQuestionWithItsAnswers() {
    Bench bench;
    TestJournal log(bench.Folder() + "/journal.jsonl");
    auto frame = bench.MakeFrame();
    DialogScript script;
    script.Answer(kBoxNo);
    frame->close();
    QVERIFY(!bench.Port().QuitRequested());
    script.Answer(kBoxYes);
    frame->close();
    QVERIFY(bench.Port().QuitRequested());
    QTRY_COMPARE(Summaries(ReadJournal(log.path)), (QStringList{"box no", "box yes", "session"}));
    QCOMPARE(ReadJournal(log.path).first().value("text").toString(),
             QStringLiteral("Are you sure to quit the program?"));
  }

  // No folder can be made for it: the program goes on, the status bar says
  // so once, in the language, and the dock still lists the events.
  void aJournalThatCannotBeWritten_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("notice");
    QTest::newRow("English") << kLangEnglish << QStringLiteral("The event journal cannot be written (");
    QTest::newRow("Chinese") << kLangChinese << QStringLiteral("事件日志无法写入（");
  }
  void aJournalThatCannotBeWritten() {
    QFETCH(int, language);
    QFETCH(QString, notice);
    Bench bench(kOrvb, 1, language);
    QFile blocker(bench.Folder() + "/file");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TestJournal log(bench.Folder() + "/file/state/journal.jsonl");
    auto frame = bench.MakeFrame();
    QSignalSpy notices(frame->statusBar(), &QStatusBar::messageChanged);
    QVERIFY(frame->statusBar()->currentMessage().startsWith(notice));
    QVERIFY(frame->statusBar()->currentMessage().contains(log.path));
    for (int i = 0; i < 3; ++i) Click(frame->ControlPanel(), kSStop);
    bench.Tick(2);
    QCOMPARE(notices.count(), 0);
    QCOMPARE(frame->Events()->Model()->EventCount(), 3);
    QVERIFY(!QFile::exists(log.path));
  }

  // Texts a box, a path or a caption may hold come back from Qt's parser as
  // they went in (bytes that are not UTF-8 as U+FFFD).
  void awkwardTextsReadBack() {
    Bench bench;
    TestJournal log(bench.Folder() + "/journal.jsonl");
    const std::string caption = platform::GbkToUtf8(std::string("\xBF\xD8\xD6\xC6\xBF\xA8"));  // GBK for 控制卡
    const std::vector<std::pair<std::string, QString>> texts = {
        {"C:\\knl\\\"quoted\".knl", QStringLiteral("C:\\knl\\\"quoted\".knl")},
        {"tab\tnew line\ncarriage\rbell\a", QStringLiteral("tab\tnew line\ncarriage\rbell\a")},
        {caption, QStringLiteral("控制卡")},
        {"\xB4\xED raw GBK", QString::fromUtf8("\xEF\xBF\xBD\xEF\xBF\xBD raw GBK")},
        {"\xF0\x9F\x98\x80", QString::fromUtf8("\xF0\x9F\x98\x80")},
    };
    for (const auto& [text, expected] : texts) journal::Record(journal::kind::kBox, {{"text", text}});
    const QList<QJsonObject> events = ReadJournal(log.path);
    QCOMPARE(events.size(), static_cast<qsizetype>(texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i) {
      QCOMPARE(events[static_cast<qsizetype>(i)].value("text").toString(), texts[i].second);
    }
  }

  // The events action sits in the View menu after File and on the toolbar
  // after Control; the dock is hidden at first, and it comes back as the
  // operator left it, with the kind chosen, in the language.
  void dockActionFilterAndSettings_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("texts");  // menu, action, dock, label, motion kind
    QTest::newRow("English") << kLangEnglish << QStringList{"View(&V)", "Events", "Events", "Kind:", "Motion", "All"};
    QTest::newRow("Chinese") << kLangChinese << QStringList{"视图(&V)", "事件", "事件", "类型：", "运动", "全部"};
  }
  void dockActionFilterAndSettings() {
    QFETCH(int, language);
    QFETCH(QStringList, texts);
    Bench bench(kOrvb, 1, language);
    TestJournal log(bench.Folder() + "/journal.jsonl");
    JournalSessionStart("tessor");
    {
      auto frame = bench.MakeFrame();
      const QList<QAction*> menus = frame->menuBar()->actions();
      auto* view = Control<QMenu>(frame.get(), QStringLiteral("ViewMenu"));
      QCOMPARE(menus.indexOf(view->menuAction()),
               menus.indexOf(Control<QMenu>(frame.get(), "FileMenu")->menuAction()) + 1);
      QAction* events = Control<QAction>(view, QStringLiteral("events"));
      const QList<QAction*> tools = Find<QToolBar>(frame.get(), "toolbar")->actions();
      QVERIFY(tools.indexOf(events) > tools.indexOf(Control<QAction>(frame.get(), 32771)));
      EventsDock* dock = frame->Events();
      const QStringList kinds = NamedText(dock, "eventKind").split(u'\n');
      QCOMPARE((QStringList{view->title(), events->text(), dock->windowTitle(), NamedText(dock, "eventKindLabel"),
                            kinds[4], kinds[0]}),
               texts);
      QVERIFY(dock->isHidden());
      QVERIFY(!events->isChecked());
      events->trigger();
      QVERIFY(dock->isVisible());
      QVERIFY(events->isChecked());
      Click(frame->ControlPanel(), kSStop);
      Find<QComboBox>(dock, "eventKind")->setCurrentIndex(4);  // Motion
      QCOMPARE(ShownKinds(dock->Model()), QStringList{texts[4]});
    }
    {
      auto frame = bench.MakeFrame();
      EventsDock* dock = frame->Events();
      QVERIFY(dock->isVisible());
      QVERIFY(Find<QAction>(frame.get(), "events")->isChecked());
      QCOMPARE(Find<QComboBox>(dock, "eventKind")->currentIndex(), 4);
      QCOMPARE(dock->Model()->EventCount(), 2);  // the start and S Stop, read from the file
      QCOMPARE(ShownKinds(dock->Model()), QStringList{texts[4]});
      dock->close();  // its own close button
      QVERIFY(!Find<QAction>(frame.get(), "events")->isChecked());
    }
    auto frame = bench.MakeFrame();
    QVERIFY(frame->Events()->isHidden());
  }
};

QTEST_MAIN(EventJournalTest)
#include "EventJournal_test.moc"
