// The planned path of a 100,000-row program: computed from the rows, the
// positions read at every tick, and drawn into the live plot's image
// (target: under 100 ms; longer plans are computed off the window's
// thread).
//
//   Arg 0: a raster of short linear moves, as a scanning program makes
//          (most rows move less than a pixel).
//   Arg 1: every row a long linear move to a new pixel (the most lines).
//   Arg 2: a drilling grid: fast point-to-point steps of both axes, each
//          on its own profile, from hole to hole.
//   Arg 3: fast point-to-point moves across the whole frame and back, row
//          after row (some 40 million ticks; planned off the window's
//          thread).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <random>

#include "UiTest.h"
#include "motion/PathPlan.h"
#include "motion/PathPlot.h"
#include "ui/bars/PathPlotView.h"

namespace {

constexpr int kRows = 100000;

enum Kind { kRaster, kScattered, kGrid, kAcross };

MotionCommand PtoP(double x, double y) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = code::kFastPtoP2;
  c.iAxes[0] = 1;
  c.iAxes[1] = 2;
  c.dbDis[0] = x;
  c.dbDis[1] = y;
  c.dbLowSpd[0] = 500;
  c.dbHighSpd[0] = 20000;
  c.dbAccSpd[0] = 100000;
  c.dbLowSpd[1] = 300;
  c.dbHighSpd[1] = 12000;
  c.dbAccSpd[1] = 40000;
  return c;
}

MotionCommand Line(double x, double y) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = code::kConstLine2;
  c.iAxes[0] = 1;
  c.iAxes[1] = 2;
  c.dbDis[0] = x;
  c.dbDis[1] = y;
  return c;
}

void MakeProgram(Kind kind) {
  MotionProgram.clear();
  MotionProgram.reserve(kRows);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> jump(-50000.0, 50000.0);
  for (int r = 0; r < kRows; ++r) {
    const int inRow = r % 201;
    const bool forward = (r / 201) % 2 == 0;
    switch (kind) {
      case kRaster:
        // Rows of 200 steps of 10 pulses, a step of 40 up between rows.
        MotionProgram.push_back(inRow == 200 ? Line(0, 40) : Line(forward ? 10 : -10, 0));
        break;
      case kScattered:
        MotionProgram.push_back(Line(jump(random), jump(random)));
        break;
      case kGrid:
        // 200 holes 150 pulses apart in a row, the next row 150 up.
        MotionProgram.push_back(inRow == 200 ? PtoP(0, 150) : PtoP(forward ? 150 : -150, inRow % 2 ? 40 : -40));
        break;
      case kAcross:
        MotionProgram.push_back(PtoP(r % 2 ? -40000 : 40000, r % 4 < 2 ? 30000 : -30000));
        break;
    }
  }
}

void BM_PlannedPathOf100000Rows(benchmark::State& state) {
  uitest::Bench bench;
  MakeProgram(static_cast<Kind>(state.range(0)));
  PathPlotView view(nullptr);
  view.resize(340, 300);
  view.show();
  if (!QTest::qWaitForWindowExposed(&view)) {
    state.SkipWithError("the plot was not shown");
    return;
  }
  std::size_t segments = 0;
  double steps = 0.0;
  for (auto _ : state) {
    // The plan computed from the rows, on the spot whatever its length...
    const PathPlanInput input = CurrentPlanInput(0.0, 0.0);
    const PlanFit fit = FitPlan(ComputePlanWindow(input), view.Frame());
    TracePlannedPath(input, fit, Plot.Preview);
    // ... and drawn into the image.
    view.Replay();
    const QImage picture = view.Picture();
    benchmark::DoNotOptimize(picture.constBits());
    segments = Plot.Preview.size();
    steps = static_cast<double>(input.rows.size()) + fit.steps;
  }
  state.counters["segments"] = static_cast<double>(segments);
  state.counters["on_the_spot"] = steps <= kPlanStepsOnTheSpot ? 1 : 0;
  MotionProgram.clear();
}
BENCHMARK(BM_PlannedPathOf100000Rows)
    ->Arg(kRaster)
    ->Arg(kScattered)
    ->Arg(kGrid)
    ->Arg(kAcross)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
