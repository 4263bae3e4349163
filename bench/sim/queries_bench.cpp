// The status tick's queries: each must stay well under 1 us (median) so
// that a tick's 24 of them take a tiny part of its 5 ms. Measured on the
// real clock with an axis moving, as during a run, with the trace on.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "card/CardAbi.h"
#include "platform/DynamicLibrary.h"
#include "sim/sim_api.h"

namespace {

using cardabi::Int;

struct Library {
  Library() : handle(platform::LoadModule("ORVB")) {
    Find<int()>("sim_reset")();
    Find<Int(Int, double)>("set_maxspeed")(1, 10);
    Find<Int(Int, double)>("set_conspeed")(1, 10);
    Find<Int(Int, Int)>("con_vmove")(1, 1);  // moving, slowly, for the whole run
  }
  ~Library() { platform::ReleaseModule(handle); }
  template <typename F>
  F* Find(const char* name) {
    return reinterpret_cast<F*>(platform::FindExport(handle, name));
  }
  void Cleanup() {
    // Keep the trace from growing over the whole run.
    Find<int()>("sim_trace_clear")();
  }
  platform::ModuleHandle handle;
};

Library& Lib() {
  static Library lib;  // one library for all benchmarks of this file
  return lib;
}

void BM_get_abs_pos(benchmark::State& state) {
  auto f = Lib().Find<Int(Int, Int*)>("get_abs_pos");
  Int p = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(1, &p));
  }
  Lib().Cleanup();
}
void BM_get_encoder(benchmark::State& state) {
  auto f = Lib().Find<Int(Int, Int*)>("get_encoder");
  Int c = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(1, &c));
  }
  Lib().Cleanup();
}
void BM_get_rate(benchmark::State& state) {
  auto f = Lib().Find<double(Int)>("get_rate");
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(1));
  }
  Lib().Cleanup();
}
void BM_check_done(benchmark::State& state) {
  auto f = Lib().Find<Int(Int)>("check_done");
  for (auto _ : state) {
    benchmark::DoNotOptimize(f(1));
  }
  Lib().Cleanup();
}

// Median of repetitions, each a batch of calls.
BENCHMARK(BM_get_abs_pos)->Repetitions(9)->ReportAggregatesOnly(true)->Iterations(200000);
BENCHMARK(BM_get_encoder)->Repetitions(9)->ReportAggregatesOnly(true)->Iterations(200000);
BENCHMARK(BM_get_rate)->Repetitions(9)->ReportAggregatesOnly(true)->Iterations(200000);
BENCHMARK(BM_check_done)->Repetitions(9)->ReportAggregatesOnly(true)->Iterations(200000);

}  // namespace

BENCHMARK_MAIN();
