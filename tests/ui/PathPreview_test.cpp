// The planned path in the live plot: shown after Open and after edits
// while no run is active, under the blue path of a run, kept by repaints
// and stops, inside the frame.

#include <QImage>

#include "UiTest.h"
#include "motion/PathPlot.h"
#include "program/ProgramEditing.h"
#include "ui/bars/CDlgBar_1.h"
#include "ui/bars/PathPlotView.h"

using namespace uitest;

namespace {

constexpr int kOpen = 32779;
constexpr int kNew = 32782;
constexpr int kStart = 1121;

MotionCommand Move(int axis, double distance, double speed = 2000) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = 0x02010000;
  c.iAxes[0] = axis;
  c.dbDis[0] = distance;
  c.dbLowSpd[0] = speed;
  return c;
}

QString ProgramFileWith(const Bench& bench, const QString& name, const std::vector<MotionCommand>& rows) {
  const QString path = bench.Folder() + "/" + name;
  MotionProgram = rows;
  if (!WriteProgramFile(path.toStdString())) qFatal("cannot write the program file");
  MotionProgram.clear();
  return path;
}

PathPlotView* PlotView(CMainFrame* frame) { return Control<PathPlotView>(frame->LiveStatus(), 1177); }

// The pixels of `image` in `colour`.
QList<QPoint> PixelsOf(const QImage& image, const QColor& colour) {
  QList<QPoint> found;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (QColor(image.pixel(x, y)) == colour) found << QPoint(x, y);
    }
  }
  return found;
}

// The planned and the run's path lie inside the frame's 15-pixel margins
// (one pixel of pen width allowed).
bool InsideMargins(const QImage& image) {
  const QRect inner = image.rect().adjusted(14, 14, -14, -14);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor colour(image.pixel(x, y));
      const bool path = colour == PathPlotView::PlanColour() || colour == PathPlotView::PathColour();
      if (path && !inner.contains(x, y)) return false;
    }
  }
  return true;
}

void OpenThroughTheMenu(CMainFrame* frame, const QString& path) {
  DialogScript script;
  script.AnswerFile(path);
  frame->RunCommand(kOpen);
  QVERIFY(script.AllAnswered());
}

void RunToTheEnd(Bench& bench, CMainFrame* frame) {
  QVERIFY(RunControl.BusyProgram.load());
  QVERIFY(bench.TickUntil(
      [&] {
        frame->LiveStatus()->OnTimer();
        return !RunControl.BusyProgram.load();
      },
      20000));
}

}  // namespace

class PathPreviewTest : public QObject {
  Q_OBJECT

 private slots:
  // Open shows the planned path at once; a run draws its blue path over
  // it; a repaint replays both; a stop forgets the run's path only.
  void previewUnderTheRunsPath() {
    Bench bench;
    auto frame = bench.MakeFrame();
    PathPlotView* plot = PlotView(frame.get());
    QVERIFY(PixelsOf(plot->Picture(), PathPlotView::PlanColour()).isEmpty());

    OpenThroughTheMenu(frame.get(), ProgramFileWith(bench, "l.knl", {Move(1, 800), Move(2, 600)}));
    const QImage planned = plot->Picture();
    const QList<QPoint> plan = PixelsOf(planned, PathPlotView::PlanColour());
    QVERIFY(plan.size() > 200);  // two lines across most of the frame
    QVERIFY(PixelsOf(planned, PathPlotView::PathColour()).isEmpty());
    QVERIFY(InsideMargins(planned));
    // Along X from the start point, then up along Y: a horizontal run of
    // plan pixels at the start point's height.
    const QPoint start = plan.last();  // the lowest row holds the X line
    int across = 0;
    for (const QPoint& p : plan) across += p.y() == start.y() ? 1 : 0;
    QVERIFY2(across > 100, qPrintable(QString::number(across)));

    Click(frame->ControlPanel(), kStart);
    QCOMPARE(plot->Picture(), planned);  // the run starts on the plan alone
    RunToTheEnd(bench, frame.get());
    frame->LiveStatus()->Repaint();  // replays both, without a marker
    const QImage ran = plot->Picture();
    for (const QPoint& p : plan) QCOMPARE(QColor(ran.pixel(p)), PathPlotView::PathColour());
    for (const QPoint& p : PixelsOf(ran, PathPlotView::PlanColour())) QVERIFY(plan.contains(p));
    QVERIFY(InsideMargins(ran));

    frame->LiveStatus()->OnTimer();  // no run: the plan stays as it is
    QCOMPARE(plot->Picture(), ran);

    // A run stopped half way (short of the limit 200 pulses on): its path
    // goes, the plan stays.
    Click(frame->ControlPanel(), kStart);
    bench.Tick(10);
    frame->LiveStatus()->OnTimer();
    QVERIFY(!PixelsOf(plot->Picture(), PathPlotView::PathColour()).isEmpty());
    Click(frame->ControlPanel(), 1122);  // S Stop
    frame->LiveStatus()->Repaint();
    QCOMPARE(plot->Picture(), planned);
  }

  // Edits, New and a program without axis-1 or axis-2 motion: the plan
  // follows the program while no run is active.
  void previewFollowsTheProgram() {
    Bench bench;
    auto frame = bench.MakeFrame();
    PathPlotView* plot = PlotView(frame.get());
    OpenThroughTheMenu(frame.get(), ProgramFileWith(bench, "x.knl", {Move(1, 800)}));
    const QList<QPoint> line = PixelsOf(plot->Picture(), PathPlotView::PlanColour());
    QVERIFY(!line.isEmpty());
    for (const QPoint& p : line) QCOMPARE(p.y(), line.first().y());  // one horizontal line

    EditMode = kEditAdd;
    EditCommand = Move(2, 800);
    QCOMPARE(StoreEditCommand(InsertWithoutSelection::AtTop), 1);
    frame->LiveStatus()->OnTimer();
    const QImage edited = plot->Picture();
    QVERIFY(PixelsOf(edited, PathPlotView::PlanColour()).size() > line.size());
    QVERIFY(InsideMargins(edited));

    // While a run is active the plan waits for the run's end.
    Click(frame->ControlPanel(), kStart);
    QVERIFY(RunControl.BusyProgram.load());
    MotionProgram.push_back(Move(1, -5000));
    NoteProgramEdited();  // as no editor may while it runs
    const std::vector<PlotSegment> running = Plot.Preview;
    frame->LiveStatus()->OnTimer();
    QVERIFY(Plot.Preview == running);
    Click(frame->ControlPanel(), 1122);
    frame->LiveStatus()->OnTimer();
    QVERIFY(Plot.Preview == PlannedPath(PlotView(frame.get())->Frame()));
    QVERIFY(Plot.Preview != running);

    DialogScript script;
    script.Answer(kBoxNo);  // the unsaved edits go
    frame->RunCommand(kNew);
    QVERIFY(PixelsOf(plot->Picture(), PathPlotView::PlanColour()).isEmpty());

    OpenThroughTheMenu(frame.get(), ProgramFileWith(bench, "z.knl", {Move(3, 800), Move(4, -100)}));
    const QImage none = plot->Picture();
    for (int y = 0; y < none.height(); ++y) {
      for (int x = 0; x < none.width(); ++x) QCOMPARE(QColor(none.pixel(x, y)), PathPlotView::Background());
    }
  }

  // The rows through the window on the simulated cards, the live
  // plot reading the positions at every tick: X +600 at 300 pulses/s with
  // Y +300 at 600, fast moves on profiles of their own, a line, a home row
  // and back to the start. The blue path covers every pixel of the plan.
  void theRunCoversThePlan() {
    Bench bench;
    bench.UseMachine("[axis all]\ntravel = -60000 60000\nlimits = -50000 50000\nslowdown = -40000 40000\n");
    auto frame = bench.MakeFrame();
    PathPlotView* plot = PlotView(frame.get());
    MotionCommand diagonal = Move(1, 600, 300);
    diagonal.iCodeType = code::kConstPtoP2;
    diagonal.iAxes[1] = 2;
    diagonal.dbDis[1] = 300;
    diagonal.dbLowSpd[1] = 600;
    MotionCommand profiled = diagonal;
    profiled.iCodeType = code::kFastPtoP2;
    profiled.dbDis[0] = -900;
    profiled.dbDis[1] = 500;
    const double speeds[2][3] = {{50, 2000, 1500}, {100, 600, 400}};
    for (std::size_t k = 0; k < 2; ++k) {
      profiled.dbLowSpd[k] = speeds[k][0];
      profiled.dbHighSpd[k] = speeds[k][1];
      profiled.dbAccSpd[k] = speeds[k][2];
    }
    MotionCommand line = diagonal;
    line.iCodeType = code::kConstLine2;
    line.dbDis[0] = 500;
    line.dbDis[1] = -1100;
    MotionCommand home = Move(2, 1);  // Y up to the switch, the origin
    home.iCodeType = code::kHome1;
    MotionCommand back = Move(1, -200, 400);
    OpenThroughTheMenu(frame.get(), ProgramFileWith(bench, "rows.knl", {diagonal, profiled, line, home, back}));
    const QList<QPoint> plan = PixelsOf(plot->Picture(), PathPlotView::PlanColour());
    QVERIFY(plan.size() > 900);

    Click(frame->ControlPanel(), kStart);
    RunToTheEnd(bench, frame.get());
    frame->LiveStatus()->Repaint();
    const QImage ran = plot->Picture();
    // Back where it began, so the plan shown now is the one the run began
    // with: not one gray pixel is left.
    QCOMPARE(PixelsOf(ran, PathPlotView::PlanColour()).size(), 0);
    QVERIFY(PixelsOf(ran, PathPlotView::PathColour()).size() >= plan.size());
    QVERIFY(InsideMargins(ran));
  }
};

QTEST_MAIN(PathPreviewTest)
#include "PathPreview_test.moc"
