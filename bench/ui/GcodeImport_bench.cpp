// File -> Import G-code... of 1,000,000 lines through the main window: the
// time until the listing holds every row, and the longest time the
// windows' events waited meanwhile (the window stays responsive).
//
//   build/bin/ui_GcodeImport_bench --benchmark_repetitions=5   (offscreen)

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMenuBar>
#include <algorithm>
#include <cstdlib>

#include "UiTest.h"

namespace {

using namespace uitest;

QByteArray CamOutput(int lines) {
  QByteArray text = "G21 G90 G17 G94\nF900\n";
  for (int i = 2; i < lines; ++i) {
    const double x = (i % 400) * 0.05;
    const double y = ((i / 400) % 400) * 0.05;
    text += i % 10 == 9
                ? QByteArray("G2 X") + QByteArray::number(x, 'f', 4) + " Y" + QByteArray::number(y, 'f', 4) +
                      " I0.0250 J0\n"
                : QByteArray("G1 X") + QByteArray::number(x, 'f', 4) + " Y" + QByteArray::number(y, 'f', 4) + "\n";
  }
  return text;
}

void BM_ImportThroughTheWindow(benchmark::State& state) {
  Bench bench;
  bench.UseMachine("[axis all]\ntravel = -10000000 10000000\nlimits = -9000000 9000000\n");
  for (int i = 0; i < 3; ++i) SysParams.Unit[i] = 1;
  ComputeEquivalents();
  auto frame = bench.MakeFrame();
  const QString path = bench.Folder() + "/large.nc";
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write the G-code");
  file.write(CamOutput(static_cast<int>(state.range(0))));
  file.close();
  auto* import = ui::Find<QAction>(frame->menuBar(), QStringLiteral("importGcode"));

  // A 10 ms timer: the longest gap between two of its turns is how long
  // the windows' events waited.
  qint64 longest = 0;
  QElapsedTimer since;
  QTimer beat;
  beat.setInterval(10);
  QObject::connect(&beat, &QTimer::timeout, [&] { longest = std::max(longest, since.restart()); });
  for (auto _ : state) {
    NoteProgramReplaced();  // nothing unsaved: no question
    DialogScript script;
    script.AnswerFile(path);
    script.Handle([](QDialog*) {});  // the progress dialog: let it run
    longest = 0;
    since.start();
    beat.start();
    import->trigger();
    beat.stop();
    if (bench.Port().Listing()->Count() != static_cast<int>(MotionProgram.size()) || MotionProgram.empty()) {
      state.SkipWithError("the listing is not complete");
    }
  }
  state.counters["rows"] = static_cast<double>(MotionProgram.size());
  state.counters["longest_wait_ms"] = static_cast<double>(longest);
}
BENCHMARK(BM_ImportThroughTheWindow)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY") == nullptr) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
