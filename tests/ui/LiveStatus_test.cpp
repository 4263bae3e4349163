// The live status bar: texts, logo, the listing's behaviour, the row, total
// and loop fields, the live values and the path plot's pixels.

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>

#include "UiTest.h"
#include "ui/bars/CDlgBar_2.h"
#include "ui/bars/CProgramListBox.h"
#include "ui/bars/LiveValues.h"
#include "ui/bars/PathPlotView.h"

using namespace uitest;

namespace {

constexpr int kStart = 1121;
constexpr int kLoop = 1118;
constexpr int kRow = 1120;
constexpr int kTotal = 1119;

MotionCommand Move(int axis, double distance, double speed = 2000) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = 0x02010000;
  c.iAxes[0] = axis;
  c.dbDis[0] = distance;
  c.dbLowSpd[0] = speed;
  return c;
}

void LoadProgram(Bench& bench, const std::vector<MotionCommand>& rows) {
  MotionProgram = rows;
  bench.Port().ListClear();
  for (const MotionCommand& row : rows) bench.Port().ListAppend(ListingText(row));
}

PathPlotView* PlotView(CMainFrame* frame) { return Control<PathPlotView>(frame->LiveStatus(), 1177); }

// Runs the program to its end, refreshing the bar as its timer would.
void RunToTheEnd(Bench& bench, CMainFrame* frame) {
  QVERIFY(RunControl.BusyProgram.load());
  QVERIFY(bench.TickUntil(
      [&] {
        frame->LiveStatus()->OnTimer();
        return !RunControl.BusyProgram.load();
      },
      20000));
}

bool IsPath(QRgb pixel) { return QColor(pixel) == PathPlotView::PathColour(); }

// The bounding box of the pixels in which two pictures differ.
QRect Difference(const QImage& a, const QImage& b) {
  QRect box;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

}  // namespace

class LiveStatusTest : public QObject {
  Q_OBJECT

 private slots:
  void texts_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("English") << kLangEnglish
                             << QStringList{"Row NO.",          "Total Rows", "  Loop",   "Current Speed",
                                            "Current Position", "Feedback",   "Code Show"};
    QTest::newRow("Chinese") << kLangChinese << QStringList{"当前行号", "总行数",   "总循环次数", "当前速度",
                                                            "指令位置", "反馈位置", "编程显示"};
  }
  void texts() {
    QFETCH(int, language);
    QFETCH(QStringList, captions);
    Bench bench(kOrvb, 1, language);
    auto frame = bench.MakeFrame();
    QStringList shown;
    for (int id : {1299, 1300, 1291, 1301, 1302, 1303, 1298}) shown << TextOf(frame->LiveStatus(), id);
    QCOMPARE(shown, captions);
    QCOMPARE(TextOf(frame->LiveStatus(), kLoop), QStringLiteral("1"));
    const QPixmap logo = Control<QLabel>(frame->LiveStatus(), 1312)->pixmap();
    QCOMPARE(logo.deviceIndependentSize().toSize(), QSize(320, 150));
  }

  // Whatever units the axes use, their captions in both bars show in full.
  void unitCaptionsShowInFull() {
    Bench bench(kOrvb, 1, kLangChinese);
    auto frame = bench.MakeFrame();
    for (int unit = 0; unit < 4; ++unit) {
      for (int i = 0; i < 4; ++i) SysParams.Unit[i] = unit;
      ComputeEquivalents();
      SetUnitLabels(1);
      QCoreApplication::processEvents();
      for (QWidget* bar : {static_cast<QWidget*>(frame->LiveStatus()), static_cast<QWidget*>(frame->DirectMotion())}) {
        for (int id = 1165; id <= 1176; ++id) {
          auto* caption = Control<QLabel>(bar, id);
          const int needed = caption->fontMetrics().horizontalAdvance(caption->text());
          QVERIFY2(
              caption->width() >= needed,
              qPrintable(
                  QStringLiteral("%1 \"%2\": %3 < %4").arg(id).arg(caption->text()).arg(caption->width()).arg(needed)));
        }
      }
    }
  }

  // A logo picture in the working folder replaces the built-in one.
  void logoFromThePictureFolder() {
    Bench bench(kOrvb, 1, kLangChinese);
    const QString old = QDir::currentPath();
    QVERIFY(QDir(bench.Folder()).mkpath(QStringLiteral("Picture")));
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(bench.Folder() + "/Picture/LOGO-CHS.bmp"));
    QDir::setCurrent(bench.Folder());
    auto frame = bench.MakeFrame();
    QDir::setCurrent(old);
    const QImage shown = Control<QLabel>(frame->LiveStatus(), 1312)->pixmap().toImage();
    QCOMPARE(shown.size(), QSize(200, 100));
    QCOMPARE(QColor(shown.pixel(10, 10)), QColor(Qt::red));
  }

  void rowAndTotalFields() {
    Bench bench;
    auto frame = bench.MakeFrame();
    LoadProgram(bench, {Move(1, 1), Move(1, 2), Move(1, 3), Move(1, 4), Move(1, 5)});
    frame->LiveStatus()->OnTimer();
    QCOMPARE(TextOf(frame->LiveStatus(), kRow), QStringLiteral("0"));
    QCOMPARE(TextOf(frame->LiveStatus(), kTotal), QStringLiteral("5"));
    CProgramListBox* listing = frame->LiveStatus()->Listing();
    QTest::mouseClick(listing->viewport(), Qt::LeftButton, {},
                      listing->visualRect(listing->model()->index(2, 0)).center());
    frame->LiveStatus()->OnTimer();
    QCOMPARE(TextOf(frame->LiveStatus(), kRow), QStringLiteral("3"));
  }

  // Only the mouse selects; Delete deletes; other keys do nothing; while
  // the program runs the listing refuses with message 11.
  void listingKeysAndGuards() {
    Bench bench;
    auto frame = bench.MakeFrame();
    LoadProgram(bench, {Move(1, 10), Move(1, 20), Move(1, 30)});
    CProgramListBox* listing = frame->LiveStatus()->Listing();
    bench.Port().ListSelect(1);
    QTest::keyClick(listing, Qt::Key_Down);
    QTest::keyClick(listing, Qt::Key_Up);
    QCOMPARE(bench.Port().ListSelectedRow(), 1);
    QTest::keyClick(listing, Qt::Key_Delete);
    QCOMPARE(MotionProgram.size(), std::size_t{2});
    QCOMPARE(bench.Port().Listing()->Count(), 2);
    QCOMPARE(bench.Port().Listing()->Row(1), QString::fromStdString(ListingText(Move(1, 30))));

    DialogScript script;
    MotionProgram.push_back(Move(1, 900));  // keeps the run busy
    bench.Port().ListAppend(ListingText(Move(1, 900)));
    Click(frame->ControlPanel(), kStart);
    QVERIFY(RunControl.BusyProgram.load());
    bench.Port().ListSelect(0);
    QTest::keyClick(listing, Qt::Key_Delete);
    const QPoint row = listing->visualRect(listing->model()->index(0, 0)).center();
    QTest::mouseClick(listing->viewport(), Qt::RightButton, {}, row);
    QTest::mouseDClick(listing->viewport(), Qt::LeftButton, {}, row);
    QCOMPARE(script.Shown(), (QStringList{Message(11), Message(11), Message(11)}));
    QCOMPARE(MotionProgram.size(), std::size_t{3});
  }

  // The right button opens the editing menu in the language, without
  // changing the selection; its Delete acts on the row selected before.
  void editingMenu() {
    Bench bench(kOrvb, 1, kLangChinese);
    auto frame = bench.MakeFrame();
    LoadProgram(bench, {Move(1, 10), Move(1, 20)});
    CProgramListBox* listing = frame->LiveStatus()->Listing();
    bench.Port().ListSelect(0);
    QStringList texts;
    QTimer::singleShot(50, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu != nullptr);
      for (QAction* action : menu->actions()) texts << action->text();
      Control<QAction>(menu, 32776)->trigger();
      menu->close();
    });
    QTest::mouseClick(listing->viewport(), Qt::RightButton, {},
                      listing->visualRect(listing->model()->index(1, 0)).center());
    QCOMPARE(texts, (QStringList{"添加(&A)", "插入(&I)", "修改(&M)", "删除(&D)", "", "从此行运行"}));
    QCOMPARE(MotionProgram.size(), std::size_t{1});
    QCOMPARE(MotionProgram[0].dbDis[0], 20.0);  // row 0 went, the one selected before
  }

  // Enter in the loop field does nothing; a loop count that is not a whole
  // number in range starts nothing and says why.
  void loopField() {
    Bench bench;
    auto frame = bench.MakeFrame();
    LoadProgram(bench, {Move(1, 100)});
    auto* loop = Control<QLineEdit>(frame->LiveStatus(), kLoop);
    DialogScript script;
    loop->setText(QStringLiteral("3"));
    QTest::keyClick(loop, Qt::Key_Return);
    QVERIFY(!RunControl.BusyProgram.load());
    QVERIFY(frame->isVisible());
    QVERIFY(script.Shown().isEmpty());

    loop->setText(QStringLiteral("abc"));
    Click(frame->ControlPanel(), kStart);
    loop->setText(QStringLiteral("100000001"));
    Click(frame->ControlPanel(), kStart);
    QCOMPARE(script.TakeShown(), (QStringList{QStringLiteral("Please enter an integer."),
                                              QStringLiteral("Please enter an integer between 0 and 100000000.")}));
    QVERIFY(!RunControl.BusyProgram.load());
    QCOMPARE(CountPrefix(bench.Trace(), "con_pmove"), std::size_t{0});

    loop->setText(QStringLiteral("2"));
    Click(frame->ControlPanel(), kStart);
    QVERIFY(RunControl.BusyProgram.load());
    QCOMPARE(ProgramRun.LoopTotal.load(), 2);
  }

  // Card 2's values in their units, each feedback from its own encoder.
  void liveValuesOfTheSecondCard() {
    Bench bench(kOrvb, 2);
    SysParams.Unit[5] = 1;         // axis B in mm, 0.00125 mm a pulse
    SysParams.FeedBack[5] = 1.25;  // a count is 1.25 um
    ComputeEquivalents();
    auto frame = bench.MakeFrame();
    Control<QComboBox>(frame->ControlPanel(), 1198)->setCurrentIndex(1);
    LoadProgram(bench, {Move(6, 1.0, 2.0)});  // 1 mm at 2 mm/s
    Click(frame->ControlPanel(), kStart);
    RunToTheEnd(bench, frame.get());
    frame->LiveStatus()->OnTimer();
    QCOMPARE(TextOf(frame->LiveStatus(), 1108), QStringLiteral("0.00"));  // axis A
    QCOMPARE(TextOf(frame->LiveStatus(), 1109), QStringLiteral("1.00"));  // 800 pulses
    QCOMPARE(TextOf(frame->LiveStatus(), 1112), QStringLiteral("0.00"));  // no counts
    QCOMPARE(TextOf(frame->LiveStatus(), 1113), QStringLiteral("1.00"));  // 800 counts
    QCOMPARE(TextOf(frame->LiveStatus(), 1105), QStringLiteral("0.00"));  // standing
    frame->DirectMotion()->OnTimer();
    QCOMPARE(TextOf(frame->DirectMotion(), 1109), QStringLiteral("1.00"));
  }

  // A run of axis 1 alone: the path is a horizontal line through the
  // centre, and nothing else is drawn.
  void runOfAxisOneDrawsAHorizontalLine() {
    Bench bench;
    auto frame = bench.MakeFrame();
    LoadProgram(bench, {Move(1, 900)});
    Click(frame->ControlPanel(), kStart);
    RunToTheEnd(bench, frame.get());
    const QImage image = PlotView(frame.get())->Picture();
    const int centre = image.height() / 2;
    for (int x = 20; x < image.width() - 20; ++x)
      QVERIFY2(IsPath(image.pixel(x, centre)), qPrintable(QString::number(x)));
    for (int y = 0; y < image.height(); ++y) {
      if (y == centre) continue;
      for (int x = 0; x < image.width(); ++x) QVERIFY(!IsPath(image.pixel(x, y)));
    }
    QCOMPARE(QColor(image.pixel(5, 5)), PathPlotView::Background());
  }

  // Passes after the first move an inverted marker along the path; after a
  // repaint it starts again without leaving a stray one.
  void loopedRunMarkerLeavesNoStrayMarks() {
    Bench bench;
    auto frame = bench.MakeFrame();
    LoadProgram(bench, {Move(1, 800), Move(2, 800), Move(1, -800), Move(2, -800)});
    Control<QLineEdit>(frame->LiveStatus(), kLoop)->setText(QStringLiteral("3"));
    Click(frame->ControlPanel(), kStart);
    PathPlotView* plot = PlotView(frame.get());
    QVERIFY(bench.TickUntil(
        [&] {
          frame->LiveStatus()->OnTimer();
          return ProgramRun.LoopsDone.load() == 1;
        },
        20000));
    const std::size_t segments = Plot.Segments.size();
    QVERIFY(segments > 4);
    bench.Tick(60);  // into the second pass
    frame->LiveStatus()->OnTimer();
    QCOMPARE(Plot.Segments.size(), segments);  // no path is recorded now

    frame->LiveStatus()->Repaint();
    const QImage base = plot->Picture();  // the path alone
    for (int step = 0; step < 4; ++step) {
      bench.Tick(20);
      frame->LiveStatus()->OnTimer();
      const QRect marked = Difference(base, plot->Picture());
      QVERIFY(!marked.isEmpty());
      QVERIFY2(marked.width() <= 8 && marked.height() <= 8, "one 8 x 8 marker, nothing else");
    }
    RunToTheEnd(bench, frame.get());
    frame->LiveStatus()->Repaint();
    QCOMPARE(plot->Picture(), base);  // the path is replayed from its segments
  }

  // A program without axis 1 or 2 motion draws nothing outside the frame.
  void programWithoutPlottedAxes() {
    Bench bench;
    auto frame = bench.MakeFrame();
    LoadProgram(bench, {Move(3, 500)});
    Click(frame->ControlPanel(), kStart);
    RunToTheEnd(bench, frame.get());
    const QImage image = PlotView(frame.get())->Picture();
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) QCOMPARE(QColor(image.pixel(x, y)), PathPlotView::Background());
    }
  }
};

QTEST_MAIN(LiveStatusTest)
#include "LiveStatus_test.moc"
