// Cost of one status tick with both cards polled and a program row moving
// (target: well under 20 us on the simulated cards), with the recording
// off and on (target: less than 1 us more with it on).

#include <benchmark/benchmark.h>

#include "BenchMachine.h"
#include "motion/Recording.h"

namespace {

void BM_StatusTickTwoCardsProgramRow(benchmark::State& state) {
  enginebench::SimClock sim("ORVB");
  if (!sim.Usable()) {
    state.SkipWithError("simulated ORVB library not found beside the benchmark");
    return;
  }
  if (!sim.UseLongTwoCardMachine()) {
    state.SkipWithError("machine description not loaded");
    return;
  }
  sim.manual(1);
  sim.trace(0);  // the trace is for tests; a real card keeps none
  enginebench::PrepareMachine(2);
  RunControl.ShownCard = 2;
  MotionCommand row{};
  row.iCodeType = code::kConstPtoP1;
  for (int k = 0; k < 4; ++k) row.iAxes[k] = k + 1;
  row.dbDis[0] = 5e8;  // never ends while measured (5e5 s at this speed)
  row.dbLowSpd[0] = 1000;
  MotionProgram.push_back(row);
  ProgramRun.LoopTotal = 1;
  RunControl.MotionMode = 7;
  RunControl.BusyProgram = true;
  StatusTick();  // issue the move
  StatusTick();  // and reach the wait for the axes
  sim.advance(5000);
  const bool withMachine = state.range(0) != 0;
  if (state.range(1) != 0) Recording.Start();
  for (auto _ : state) {
    StatusTick();
    if (withMachine) sim.advance(5000);  // the simulated machine's own 5 ms
  }
  if (ProgramRun.RowState != 2) state.SkipWithError("the row is not in its motion wait");
  if (state.range(1) != 0 && Recording.Ring()->Newest() == 0) state.SkipWithError("nothing was recorded");
  Recording.Reset();
  RunControl.BusyProgram = false;
  MotionProgram.clear();
}
// First argument 0: the tick alone; 1: the tick and 5 ms of the simulated
// machine. Second: recording off (0) or on (1).
BENCHMARK(BM_StatusTickTwoCardsProgramRow)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"machine", "recording"})
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
