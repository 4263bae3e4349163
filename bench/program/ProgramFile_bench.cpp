// Save and Open of programs of 10,000 and 100,000 entries: each under 100 ms
// at 10,000 on the reference machine, and linear in the size.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "program/MotionProgram.h"
#include "program/ProgramFile.h"

namespace {

std::string BenchPath() { return "/tmp/tessor-bench-" + std::to_string(getpid()) + ".knl"; }

void FillProgram(std::size_t n) {
  MotionProgram.clear();
  for (std::size_t i = 0; i < n; ++i) {
    MotionCommand c = DefaultEditCommand();
    c.iCodeType = (i % 2 != 0) ? code::kFastLine3 : code::kConstPtoP2;
    c.dbDis[0] = static_cast<double>(i) * 0.125;
    c.dbDelayTime = 0.5;
    MotionProgram.push_back(c);
  }
}

void BM_SaveProgram(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  FillProgram(n);
  const std::string path = BenchPath();
  for (auto _ : state) {
    benchmark::DoNotOptimize(WriteProgramFile(path));
  }
  state.SetComplexityN(state.range(0));
  std::remove(path.c_str());
}

void BM_OpenProgram(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  FillProgram(n);
  const std::string path = BenchPath();
  WriteProgramFile(path);
  for (auto _ : state) {
    OpenProgramFile(path);
    if (MotionProgram.size() != n) state.SkipWithError("program not read back whole");
  }
  state.SetComplexityN(state.range(0));
  std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_SaveProgram)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_OpenProgram)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK_MAIN();
