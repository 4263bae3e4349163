// The window program's costs: opening a large program into the listing,
// saving it from the File menu, and the processor time of the main window idle and while a program runs
// on the simulated cards in real time.
//
//   build/bin/ui_WindowProgram_bench                      (offscreen)
//   TESSOR_BENCH_SECONDS=30 build/bin/ui_WindowProgram_bench --benchmark_repetitions=3
//
// With DISPLAY set and QT_QPA_PLATFORM=xcb the windows are drawn on that
// display.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QListView>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "UiTest.h"
#include "ui/bars/CProgramListBox.h"

namespace {

using namespace uitest;

int MeasureSeconds() {
  const char* text = std::getenv("TESSOR_BENCH_SECONDS");
  const int seconds = text != nullptr ? std::atoi(text) : 30;
  return seconds > 0 ? seconds : 30;
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

MotionCommand Move(int axis, double distance) {
  MotionCommand c = DefaultEditCommand();
  c.iCodeType = 0x02010000;
  c.iAxes[0] = axis;
  c.dbDis[0] = distance;
  c.dbLowSpd[0] = 1000;
  return c;
}

// Open of a 100,000-entry program: read, listed and the listing shown.
void BM_OpenLargeProgram(benchmark::State& state) {
  Bench bench;
  auto frame = bench.MakeFrame();
  const QString path = bench.Folder() + "/large.knl";
  MotionProgram.assign(static_cast<std::size_t>(state.range(0)), Move(1, 10));
  for (std::size_t i = 0; i < MotionProgram.size(); i += 2) MotionProgram[i] = Move(2, -5);
  WriteProgramFile(path.toStdString());
  MotionProgram.clear();
  QListView* listing = frame->LiveStatus()->Listing();
  for (auto _ : state) {
    OpenProgramFile(path.toStdString());
    listing->scrollToBottom();
    listing->viewport()->repaint();
    QCoreApplication::processEvents();
  }
  if (bench.Port().Listing()->Count() != state.range(0)) state.SkipWithError("the listing is not complete");
  state.counters["rows"] = static_cast<double>(bench.Port().Listing()->Count());
}
BENCHMARK(BM_OpenLargeProgram)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Save from the File menu of a 100,000-entry program to the file it came
// from: written, synced to the disk and put in place. (TMPDIR on a memory
// file system leaves the disk out.)
void BM_SaveLargeProgram(benchmark::State& state) {
  Bench bench;
  auto frame = bench.MakeFrame();
  const QString path = bench.Folder() + "/large.knl";
  MotionProgram.assign(static_cast<std::size_t>(state.range(0)), Move(1, 10.125));
  for (std::size_t i = 0; i < MotionProgram.size(); i += 2) MotionProgram[i] = Move(2, -5.5);
  SavePath = path.toStdString();
  for (auto _ : state) frame->RunCommand(32780);
  if (QFileInfo(path).size() < state.range(0) * 500) state.SkipWithError("the program was not written");
}
BENCHMARK(BM_SaveLargeProgram)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs the event loop for the measuring time with the real 5 ms timer and
// the machine on the real clock; reports the process's share of one core.
void MeasureCpu(benchmark::State& state, bool running) {
  Bench bench;
  bench.Machine().RealTime();
  auto frame = bench.MakeFrame();
  StartStatusTimer();
  if (running) {
    // Back and forth for longer than the measurement.
    MotionProgram = {Move(1, 500), Move(1, -500)};
    bench.Port().ListAppend(ListingText(MotionProgram[0]));
    bench.Port().ListAppend(ListingText(MotionProgram[1]));
    ui::Control<QLineEdit>(frame->LiveStatus(), 1118)->setText(QStringLiteral("100000"));
    Click(frame->ControlPanel(), 1121);
  }
  const int seconds = MeasureSeconds();
  for (auto _ : state) {
    const double cpuBefore = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // The application's own loop, idle between events, as the program runs.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double share = (ProcessCpuSeconds() - cpuBefore) / (static_cast<double>(wall.elapsed()) / 1000.0);
    state.counters["cpu_percent"] = 100.0 * share;
  }
  if (running && !RunControl.BusyProgram.load()) state.SkipWithError("the program did not keep running");
  SStop();
  StopStatusTimer(StatusTables.TimerId.load());
}

void BM_WindowIdleCpu(benchmark::State& state) { MeasureCpu(state, false); }
void BM_WindowRunningCpu(benchmark::State& state) { MeasureCpu(state, true); }
BENCHMARK(BM_WindowIdleCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_WindowRunningCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

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
