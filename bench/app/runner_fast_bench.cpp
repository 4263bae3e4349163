// tessor-run run --fast of a 1,000-row program of short moves: simulated
// ticks per second of wall time, the whole program (start-up, file, run).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ProgramText(int rows) {
  std::string t = "\r\n[Command Save]\r\n\r\n[CommandNo]=" + std::to_string(rows) + "\r\n";
  char line[128];
  for (int d = 0; d < rows; ++d) {
    const int axis = 1 + d % 4;
    const double distance = (d / 4) % 2 == 0 ? 10.0 : -10.0;
    t += "[iCodeType[" + std::to_string(d) + "]]=" + std::to_string(d % 2 == 0 ? 0x02010000 : 0x02014000) + "\r\n";
    t += "[dbDelayTime[" + std::to_string(d) + "]]=0.010000\r\n";
    for (int g = 0; g < 4; ++g) {
      const std::string k = std::to_string(d) + std::to_string(g);
      std::snprintf(line, sizeof line, "[dbLowSpd[%s]]=%f\r\n[dbHighSpd[%s]]=%f\r\n[dbAccSpd[%s]]=%f\r\n", k.c_str(),
                    40.0, k.c_str(), 200.0, k.c_str(), 400.0);
      t += line;
      std::snprintf(line, sizeof line, "[iAxes[%s]]=%d\r\n[dbDis[%s]]=%f\r\n", k.c_str(), g == 0 ? axis : g + 1,
                    k.c_str(), g == 0 ? distance : 0.0);
      t += line;
    }
  }
  return t;
}

void RunFast1000Rows(benchmark::State& state) {
  const fs::path dir = fs::temp_directory_path() / ("tessor-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "p.knl", std::ios::binary) << ProgramText(1000);
  // Defaults, with a short settle time so the run is mostly moves.
  const std::string cmd = "'" + std::string(TESSOR_RUN) + "' --dir '" + dir.string() + "' run '" +
                          (dir / "p.knl").string() + "' --fast 2>/dev/null";
  std::system(("'" + std::string(TESSOR_RUN) + "' --dir '" + dir.string() + "' list '" + (dir / "p.knl").string() +
               "' >/dev/null 2>&1")
                  .c_str());
  std::system(("sed -i 's/^\\[CheckTime\\]=.*/[CheckTime]=0.100000\\r/' '" + (dir / "sysparam.cfg").string() + "'")
                  .c_str());
  double ticks = 0;
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    FILE* p = popen(cmd.c_str(), "r");
    char buf[256];
    long long t = 0;
    while (p != nullptr && std::fgets(buf, sizeof buf, p) != nullptr) std::sscanf(buf, "ticks: %lld", &t);
    if (p != nullptr) pclose(p);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(s);
    ticks += static_cast<double>(t);
    seconds += s;
  }
  state.counters["ticks"] = ticks / static_cast<double>(state.iterations());
  state.counters["ticks_per_s"] = ticks / seconds;
  state.counters["x_real_time"] = ticks * 0.005 / seconds;
  fs::remove_all(dir);
}
BENCHMARK(RunFast1000Rows)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
