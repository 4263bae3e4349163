// The window program's costs: opening a large program into the listing,
// saving it from the File menu, and the processor time of the main window
// idle and while a program runs on the simulated cards in real time, with
// the scope hidden (the tick still records) and shown; the memory the scope
// holds after recording longer than its recording keeps.
//
//   build/bin/ui_WindowProgram_bench                      (offscreen)
//   TESSOR_BENCH_SECONDS=30 build/bin/ui_WindowProgram_bench --benchmark_repetitions=3
//
// With DISPLAY set and QT_QPA_PLATFORM=xcb the windows are drawn on that
// display.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QListView>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "BenchSupport.h"
#include "UiTest.h"
#include "motion/Recording.h"
#include "platform/DynamicLibrary.h"
#include "ui/bars/CProgramListBox.h"
#include "ui/diagnostics/ScopeDock.h"
#include "ui/diagnostics/ScopePlot.h"

namespace {

using namespace uitest;

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

// Resident memory of the process in MiB.
double ResidentMiB() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  long pages = 0, resident = 0;
  if (f != nullptr) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Runs the event loop for the measuring time with the real 5 ms timer and
// the machine on the real clock; reports the process's share of one core.
void MeasureCpu(benchmark::State& state, bool running, bool scope = false) {
  Bench bench;
  bench.Machine().RealTime();
  auto frame = bench.MakeFrame();
  if (scope) frame->Scope()->SetShown(true);
  StartStatusTimer();
  if (running) {
    // Back and forth for longer than the measurement.
    MotionProgram = {Move(1, 500), Move(1, -500)};
    bench.Port().ListAppend(ListingText(MotionProgram[0]));
    bench.Port().ListAppend(ListingText(MotionProgram[1]));
    ui::Control<QLineEdit>(frame->LiveStatus(), 1118)->setText(QStringLiteral("100000"));
    Click(frame->ControlPanel(), 1121);
  }
  const int seconds = MeasureSeconds(30);
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
void BM_WindowRunningScopeCpu(benchmark::State& state) { MeasureCpu(state, true, true); }
BENCHMARK(BM_WindowIdleCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_WindowRunningCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_WindowRunningScopeCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The scope shown with all eight axes over 300 s while the tick records,
// on the manual clock as fast as it goes, three stretches of 1.5 times what
// the recording keeps; the scope reads the recording every 1000 ticks. The
// memory after each stretch: it stops growing once the window is full.
void BM_ScopeMemory(benchmark::State& state) {
  Bench bench(kOrvb, 2);
  auto frame = bench.MakeFrame();
  ScopeDock* scope = frame->Scope();
  scope->SetShown(true);
  for (int axis = 1; axis <= 8; ++axis) {
    Control<QCheckBox>(scope, QStringLiteral("scopeAxis%1").arg(axis))->setChecked(true);
  }
  Control<QComboBox>(scope, QStringLiteral("scopeWindow"))->setCurrentIndex(3);
  RunControl.ShownCard = 2;
  TraceOff("ORVB");  // the simulator's call trace is not the scope's
  const auto stretch = static_cast<int>(RecordingRecord::kCapacity * 3 / 2);
  state.counters["start_mib"] = ResidentMiB();
  for (auto _ : state) {
    for (int s = 1; s <= 3; ++s) {
      for (int i = 1; i <= stretch; ++i) {
        StatusTick();
        if (i % 1000 == 0) scope->Refresh();
      }
      state.counters["stretch" + std::to_string(s) + "_mib"] = ResidentMiB();
    }
  }
  state.counters["points_a_trace"] = static_cast<double>(scope->Plot()->PointCount(1, ScopePlot::kCommand));
}
BENCHMARK(BM_ScopeMemory)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

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
