// Share of a core the jog's wait takes while the axis moves on the
// real-time machine (target: under 10 %).
//
//   motion_JogCpu_bench [seconds of jog, default 3]

#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "BenchMachine.h"

namespace {

double Seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  enginebench::SimClock sim("ORVB");
  if (!enginebench::OpenBenchMachine(sim)) return 1;
  enginebench::PrepareMachine(1);
  // A constant-speed jog of `seconds`: start and maximum speed alike.
  SysParams.PMoveSetLowSpd[0] = 1000;
  SysParams.PMoveSetHighSpd[0] = 1000;
  SysParams.PMoveSetAccSpd[0] = 1e6;
  SysParams.PMoveSetStep[0] = 1000 * seconds;

  const double wall0 = Seconds(CLOCK_MONOTONIC);
  const double cpu0 = Seconds(CLOCK_THREAD_CPUTIME_ID);
  JogButton(1, +1, 0);
  const double cpu = Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu0;
  const double wall = Seconds(CLOCK_MONOTONIC) - wall0;
  std::printf("jog wait: %.2f s of wall time, %.3f s of CPU: %.1f %% of a core (target < 10 %%)\n", wall, cpu,
              wall > 0 ? 100.0 * cpu / wall : 0.0);
  return 0;
}
