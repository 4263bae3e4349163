// Wake-up latency of the 5 ms status tick, like for like with cyclictest:
// for every tick the time from its absolute deadline to the moment the tick
// runs, which is what cyclictest reports for its own absolute sleeps. When
// cyclictest (rt-tests) is on the path it runs at the same time, with the
// same 5 ms interval and the same scheduling policy: SCHED_OTHER (our timer
// asks for nothing, cyclictest without -p) or SCHED_FIFO (our timer asks for
// its real-time priority, cyclictest -p with the same priority). Prints
// median, 99th percentile and maximum of both, the ratio of the 99th
// percentiles, and one "RESULT" line for scripts (scripts/bench-tick.sh runs
// it idle and under load, several times, and takes medians).
//
//   motion_TickJitter_bench [--seconds N] [--policy other|fifo]

#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchMachine.h"
#include "platform/PeriodicTimer.h"

namespace {

std::vector<double> latencies;  // us, written only by the timer thread
std::atomic<std::size_t> latencyCount{0};
std::atomic<int> tickPolicy{-1};

std::int64_t NowNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

// The status tick as StartStatusTimer installs it, measured on entry.
void MeasuredTick(std::uint32_t id, std::uint32_t msg, std::uintptr_t user, std::uintptr_t a, std::uintptr_t b) {
  const std::int64_t now = NowNs();
  const std::size_t n = latencyCount.load(std::memory_order_relaxed);
  if (n < latencies.size()) {
    latencies[n] = static_cast<double>(now - platform::CurrentTimerDeadlineNs()) / 1000.0;
    latencyCount.store(n + 1, std::memory_order_release);
  }
  if (n == 0) {
    int policy = -1;
    sched_param param{};
    pthread_getschedparam(pthread_self(), &policy, &param);
    tickPolicy.store(policy);
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

struct Stats {
  double median = 0, p99 = 0, max = 0;
  std::size_t n = 0;
};

Stats Summarise(const std::vector<double>& v) {
  Stats s;
  s.n = v.size();
  if (v.empty()) return s;
  s.median = Percentile(v, 0.5);
  s.p99 = Percentile(v, 0.99);
  s.max = *std::max_element(v.begin(), v.end());
  return s;
}

const char* PolicyName(int policy) {
  switch (policy) {
    case SCHED_FIFO:
      return "SCHED_FIFO";
    case SCHED_OTHER:
      return "SCHED_OTHER";
    default:
      return "other";
  }
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 60;
  bool fifo = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--seconds" && i + 1 < argc) {
      seconds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--policy" && i + 1 < argc && (std::strcmp(argv[i + 1], "fifo") == 0 ||
                                                    std::strcmp(argv[i + 1], "other") == 0)) {
      fifo = std::strcmp(argv[++i], "fifo") == 0;
    } else {
      std::fprintf(stderr, "usage: %s [--seconds N] [--policy other|fifo]\n", argv[0]);
      return 2;
    }
  }
  enginebench::SimClock sim("ORVB");
  if (!enginebench::OpenBenchMachine(sim)) return 1;
  enginebench::PrepareMachine(2);
  RunControl.ShownCard = 2;  // poll both cards, real-time machine

  const int priority = fifo ? platform::kTimerRealtimePriority : 0;
  platform::SetTimerRealtimePriority(priority);
  latencies.assign(static_cast<std::size_t>(seconds) * 200 + 400, 0);

  const bool haveCyclictest = std::system("command -v cyclictest >/dev/null 2>&1") == 0;
  const std::string cyclicOut = "/tmp/tessor-cyclictest-" + std::to_string(::getpid()) + ".txt";
  // Its process id, so that the wait below is for our cyclictest only, not
  // for another one that someone else runs on the machine.
  const std::string cyclicPid = cyclicOut + ".pid";
  if (haveCyclictest) {
    const std::string policyArgs = fifo ? " -p " + std::to_string(priority) : "";
    const std::string command = "cyclictest -q -v -i 5000 -l " + std::to_string(seconds * 200) + policyArgs + " > " +
                                cyclicOut + " 2>/dev/null & echo $! > " + cyclicPid;
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cyclictest did not start\n");
  }

  const std::uint32_t id = platform::SetTimerEvent(5, 1, &MeasuredTick, 0, platform::kTimerPeriodic);
  if (id == 0) {
    std::fprintf(stderr, "timer did not start\n");
    return 1;
  }
  timespec wait{seconds, 0};
  while (clock_nanosleep(CLOCK_MONOTONIC, 0, &wait, &wait) != 0) {
  }
  platform::KillTimerEvent(id);

  const std::size_t n = latencyCount.load(std::memory_order_acquire);
  const Stats ours = Summarise(std::vector<double>(latencies.begin(), latencies.begin() + static_cast<long>(n)));
  const int policy = tickPolicy.load();
  std::printf("status tick (%s%s): %zu wake-ups over %d s\n", PolicyName(policy),
              policy == SCHED_FIFO ? (" " + std::to_string(priority)).c_str() : "", ours.n, seconds);
  std::printf("  latency from the deadline: median %.1f us, p99 %.1f us, max %.1f us\n", ours.median, ours.p99,
              ours.max);
  if (fifo && policy != SCHED_FIFO) std::printf("  (the system refused SCHED_FIFO: the tick stayed SCHED_OTHER)\n");

  Stats cyclic;
  if (!haveCyclictest) {
    std::printf("cyclictest: not installed (Debian package rt-tests); no comparison\n");
  } else {
    const std::string waitCommand = "while kill -0 $(cat " + cyclicPid + ") 2>/dev/null; do sleep 0.2; done";
    if (std::system(waitCommand.c_str()) != 0) std::fprintf(stderr, "waiting for cyclictest failed\n");
    std::remove(cyclicPid.c_str());
    cyclic = Summarise(ReadCyclictest(cyclicOut));
    std::remove(cyclicOut.c_str());
    if (cyclic.n == 0) {
      std::printf("cyclictest: no samples read\n");
    } else {
      std::printf("cyclictest -i 5000%s: %zu samples, latency median %.1f us, p99 %.1f us, max %.1f us\n",
                  fifo ? (" -p " + std::to_string(priority)).c_str() : "", cyclic.n, cyclic.median, cyclic.p99,
                  cyclic.max);
      std::printf("p99 ratio (ours / cyclictest): %.2f (target <= 1.5)\n", cyclic.p99 > 0 ? ours.p99 / cyclic.p99 : 0.0);
    }
  }
  std::printf("RESULT policy=%s granted=%s ours_median=%.1f ours_p99=%.1f ours_max=%.1f cyc_median=%.1f "
              "cyc_p99=%.1f cyc_max=%.1f ratio_p99=%.3f\n",
              fifo ? "fifo" : "other", PolicyName(policy), ours.median, ours.p99, ours.max, cyclic.median, cyclic.p99,
              cyclic.max, cyclic.p99 > 0 ? ours.p99 / cyclic.p99 : 0.0);
  return 0;
}
