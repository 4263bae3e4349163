// The I/O monitor's 100 ms refresh with two cards installed, card 2 shown:
// 18 general inputs and the specific inputs of four axes read from the
// card and moved into the LEDs (target: under 1 ms of UI-thread time).
//
//   Arg 0: nothing changes between refreshes (card reads only).
//   Arg 1: every LED changes at every refresh, and the changed LEDs are
//          painted before the next one.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "BenchSupport.h"
#include "UiTest.h"
#include "platform/DynamicLibrary.h"
#include "ui/bars/CDlgBar_3.h"

namespace {

void SetLevels(int level) {
  for (int i = 4; i < 8; ++i) {
    SysParams.AlarmEffLev[i] = level;
    SysParams.OrgEffLev[i] = level;
    SysParams.ElEffLev[i] = level;
    SysParams.SdEffLev[i] = level;
  }
}

void BM_IoMonitorRefreshTwoCards(benchmark::State& state) {
  uitest::Bench bench(uitest::kOrvc, 2, kLangEnglish);
  bench.UseMachine("cards = 2\nloopback = yes\n");
  TraceOff("ORVC");
  CDlgBar_3 monitor(nullptr);
  monitor.show();
  if (!QTest::qWaitForWindowExposed(&monitor)) {
    state.SkipWithError("the monitor was not shown");
    return;
  }
  ui::Control<QComboBox>(&monitor, 1210)->setCurrentIndex(1);
  monitor.OnTimer();
  QCoreApplication::processEvents();

  const bool changing = state.range(0) != 0;
  int level = 0;
  for (auto _ : state) {
    if (changing) {
      // Looped-back outputs flip the general inputs, the logic levels
      // flip every specific input.
      state.PauseTiming();
      level = 1 - level;
      for (int bit = 1; bit <= 18; ++bit) CardDriver.outport_bit(2, bit, level);
      SetLevels(level);
      state.ResumeTiming();
    }
    monitor.OnTimer();
    if (changing) QCoreApplication::processEvents();  // paints the changed LEDs
  }
}
BENCHMARK(BM_IoMonitorRefreshTwoCards)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The offscreen platform's notes on size hints would be timed with the
  // refresh.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
