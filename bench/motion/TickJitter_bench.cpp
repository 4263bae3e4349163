// Period jitter of the 5 ms status timer: |period - 5 ms| of every tick for
// a while (60 s by default; the first argument gives other seconds), as
// median, 99th percentile and maximum. When cyclictest (rt-tests) is on the
// path it runs at the same time with a 5 ms interval, and the ratio of the
// two 99th percentiles is printed (target: ours no worse than 1.5 times).
//
//   motion_TickJitter_bench [seconds]

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchMachine.h"
#include "platform/PeriodicTimer.h"

namespace {

std::vector<std::int64_t> stamps;  // ns, written only by the timer thread
std::atomic<std::size_t> stampCount{0};

std::int64_t NowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// The status tick as StartStatusTimer installs it, with a time stamp.
void StampedTick(std::uint32_t id, std::uint32_t msg, std::uintptr_t user, std::uintptr_t a, std::uintptr_t b) {
  const std::size_t n = stampCount.load(std::memory_order_relaxed);
  if (n < stamps.size()) {
    stamps[n] = NowNs();
    stampCount.store(n + 1, std::memory_order_release);
  }
  StatusTick(id, msg, user, a, b);
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

// Per-sample latencies (us) from cyclictest's verbose output
// ("       0:       1:      57" lines: thread, loop, latency).
std::vector<double> ReadCyclictest(const std::string& path) {
  std::vector<double> out;
  FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) return out;
  char line[256];
  while (std::fgets(line, sizeof line, f) != nullptr) {
    long thread = 0, loop = 0, latency = 0;
    if (std::sscanf(line, " %ld: %ld: %ld", &thread, &loop, &latency) == 3) out.push_back(static_cast<double>(latency));
  }
  std::fclose(f);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  enginebench::SimClock sim("ORVB");
  if (!enginebench::OpenBenchMachine(sim)) return 1;
  enginebench::PrepareMachine(2);
  RunControl.ShownCard = 2;  // poll both cards, real-time machine

  stamps.assign(static_cast<std::size_t>(seconds) * 200 + 400, 0);
  const bool haveCyclictest = std::system("command -v cyclictest >/dev/null 2>&1") == 0;
  const std::string cyclicOut = "/tmp/tessor-cyclictest-" + std::to_string(::getpid()) + ".txt";
  // Its process id, so that the wait below is for our cyclictest only, not
  // for another one that someone else runs on the machine.
  const std::string cyclicPid = cyclicOut + ".pid";
  std::string cyclicCommand;
  if (haveCyclictest) {
    const int loops = seconds * 200;
    cyclicCommand = "cyclictest -q -v -i 5000 -l " + std::to_string(loops) + " > " + cyclicOut +
                    " 2>/dev/null & echo $! > " + cyclicPid;
    if (std::system(cyclicCommand.c_str()) != 0) std::fprintf(stderr, "cyclictest did not start\n");
  }

  const std::uint32_t id = platform::SetTimerEvent(5, 1, &StampedTick, 0, platform::kTimerPeriodic);
  if (id == 0) {
    std::fprintf(stderr, "timer did not start\n");
    return 1;
  }
  timespec wait{seconds, 0};
  while (clock_nanosleep(CLOCK_MONOTONIC, 0, &wait, &wait) != 0) {
  }
  platform::KillTimerEvent(id);

  const std::size_t n = stampCount.load(std::memory_order_acquire);
  std::vector<double> jitter;
  for (std::size_t i = 1; i < n; ++i) {
    jitter.push_back(std::fabs(static_cast<double>(stamps[i] - stamps[i - 1]) / 1000.0 - 5000.0));
  }
  const double ourP99 = Percentile(jitter, 0.99);
  std::printf("status tick: %zu periods over %d s\n", jitter.size(), seconds);
  std::printf("  |period - 5 ms| median %.1f us, p99 %.1f us, max %.1f us\n", Percentile(jitter, 0.5), ourP99,
              jitter.empty() ? 0.0 : *std::max_element(jitter.begin(), jitter.end()));

  if (!haveCyclictest) {
    std::printf("cyclictest: not installed (Debian package rt-tests); no comparison\n");
    return 0;
  }
  const std::string waitCommand = "while kill -0 $(cat " + cyclicPid + ") 2>/dev/null; do sleep 0.2; done";
  if (std::system(waitCommand.c_str()) != 0) std::fprintf(stderr, "waiting for cyclictest failed\n");
  std::remove(cyclicPid.c_str());
  const std::vector<double> cyclic = ReadCyclictest(cyclicOut);
  std::remove(cyclicOut.c_str());
  if (cyclic.empty()) {
    std::printf("cyclictest: no samples read\n");
    return 0;
  }
  const double cyclicP99 = Percentile(cyclic, 0.99);
  std::printf("cyclictest at 5 ms: %zu samples, latency median %.1f us, p99 %.1f us, max %.1f us\n", cyclic.size(),
              Percentile(cyclic, 0.5), cyclicP99, *std::max_element(cyclic.begin(), cyclic.end()));
  std::printf("p99 ratio (ours / cyclictest): %.2f (target <= 1.5)\n", cyclicP99 > 0 ? ourP99 / cyclicP99 : 0.0);
  return 0;
}
