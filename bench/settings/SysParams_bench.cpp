// LoadSysParams of a full sysparam.cfg: under 20 ms on the reference machine.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "settings/SysParams.h"

namespace {

void BM_LoadSysParams(benchmark::State& state) {
  const std::string folder = "/tmp/tessor-bench-sysparams-" + std::to_string(getpid()) + "/";
  std::filesystem::create_directories(folder);
  SetSysParamsFolder(folder);
  LoadSysParams();  // no file yet: writes the defaults
  for (auto _ : state) {
    LoadSysParams();
    benchmark::DoNotOptimize(SysParams.MotorPulse[15]);
  }
  std::filesystem::remove_all(folder);
}

void BM_SaveSysParams(benchmark::State& state) {
  const std::string folder = "/tmp/tessor-bench-sysparams-save-" + std::to_string(getpid()) + "/";
  std::filesystem::create_directories(folder);
  SetSysParamsFolder(folder);
  LoadSysParams();
  for (auto _ : state) SaveSysParams();
  std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_LoadSysParams)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveSysParams)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
