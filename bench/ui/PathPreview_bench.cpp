// The planned path of a 100,000-row program: computed from the rows and
// drawn into the live plot's image (target: under 100 ms).
//
//   Arg 0: a raster of short linear moves, as a scanning program makes
//          (most rows move less than a pixel).
//   Arg 1: every row a long linear move to a new pixel (the most lines).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <random>

#include "UiTest.h"
#include "motion/PathPlot.h"
#include "ui/bars/PathPlotView.h"

namespace {

constexpr int kRows = 100000;

MotionCommand Line(double x, double y) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = code::kConstLine2;
  c.iAxes[0] = 1;
  c.iAxes[1] = 2;
  c.dbDis[0] = x;
  c.dbDis[1] = y;
  return c;
}

void MakeProgram(bool scattered) {
  MotionProgram.clear();
  MotionProgram.reserve(kRows);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> jump(-50000.0, 50000.0);
  for (int r = 0; r < kRows; ++r) {
    if (scattered) {
      MotionProgram.push_back(Line(jump(random), jump(random)));
    } else {
      // Rows of 200 steps of 10 pulses, a step of 40 up between rows.
      const int inRow = r % 201;
      const bool forward = (r / 201) % 2 == 0;
      MotionProgram.push_back(inRow == 200 ? Line(0, 40) : Line(forward ? 10 : -10, 0));
    }
  }
}

void BM_PlannedPathOf100000Rows(benchmark::State& state) {
  uitest::Bench bench;
  MakeProgram(state.range(0) != 0);
  PathPlotView view(nullptr);
  view.resize(340, 300);
  view.show();
  if (!QTest::qWaitForWindowExposed(&view)) {
    state.SkipWithError("the plot was not shown");
    return;
  }
  std::size_t segments = 0;
  for (auto _ : state) {
    NoteProgramEdited();
    view.FollowProgram();                   // the path computed from the rows
    const QImage picture = view.Picture();  // and drawn into the image
    benchmark::DoNotOptimize(picture.constBits());
    segments = Plot.Preview.size();
  }
  state.counters["segments"] = static_cast<double>(segments);
  MotionProgram.clear();
}
BENCHMARK(BM_PlannedPathOf100000Rows)
    ->Arg(0)
    ->Arg(1)
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
