#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/PeriodicTimer.h"

namespace {

using namespace std::chrono_literals;

struct Probe {
  std::atomic<int> calls{0};
  std::atomic<int> inside{0};
  std::atomic<int> maxInside{0};
  std::atomic<int> sleepFirstMs{0};
  std::atomic<std::uint32_t> killAt{0};  // kill itself on this call number
  std::atomic<std::uint32_t> id{0};
};


void Callback(std::uint32_t id, std::uint32_t, std::uintptr_t user, std::uintptr_t, std::uintptr_t) {
  Probe& p = *reinterpret_cast<Probe*>(user);
  const int now = ++p.inside;
  int seen = p.maxInside.load();
  while (now > seen && !p.maxInside.compare_exchange_weak(seen, now)) {
  }
  const int n = ++p.calls;
  if (n == 1 && p.sleepFirstMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(p.sleepFirstMs.load()));
  --p.inside;
  if (p.killAt != 0 && static_cast<std::uint32_t>(n) == p.killAt) {
    EXPECT_EQ(platform::KillTimerEvent(id), platform::kTimerNoError);
  }
}

std::uintptr_t UserOf(Probe& p) { return reinterpret_cast<std::uintptr_t>(&p); }

class TimerTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetTimerCapsForTesting(std::nullopt); }
};

TEST_F(TimerTest, ReportsCapabilitiesAndTestsCanSubstituteThem) {
  platform::TimerCaps caps{};
  ASSERT_EQ(platform::GetTimerCaps(&caps, 8), platform::kTimerNoError);
  EXPECT_EQ(caps.periodMin, 1u);
  EXPECT_EQ(caps.periodMax, 1'000'000u);
  EXPECT_EQ(platform::GetTimerCaps(&caps, 4), platform::kTimerCannotDo);
  EXPECT_EQ(platform::GetTimerCaps(nullptr, 8), platform::kTimerCannotDo);

  platform::SetTimerCapsForTesting(platform::TimerCaps{2, 50});
  ASSERT_EQ(platform::GetTimerCaps(&caps, 8), platform::kTimerNoError);
  EXPECT_EQ(caps.periodMin, 2u);
  EXPECT_EQ(caps.periodMax, 50u);

  platform::SetTimerCapsForTesting(std::nullopt, true);
  caps = {7, 7};
  EXPECT_EQ(platform::GetTimerCaps(&caps, 8), platform::kTimerCannotDo);
  EXPECT_EQ(caps.periodMin, 7u);  // untouched on failure
}

TEST_F(TimerTest, PeriodicCallbacksRunUntilKilledAndNeverAfter) {
  Probe p;
  const std::uint32_t id = platform::SetTimerEvent(5, 1, Callback, UserOf(p), platform::kTimerPeriodic);
  ASSERT_NE(id, 0u);
  while (p.calls < 5) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(platform::KillTimerEvent(id), platform::kTimerNoError);
  const int after = p.calls;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(p.calls, after);
  EXPECT_EQ(p.maxInside, 1);
  EXPECT_EQ(platform::KillTimerEvent(id), platform::kTimerCannotDo);  // already gone
}

TEST_F(TimerTest, OneShotRunsOnce) {
  Probe p;
  const std::uint32_t id = platform::SetTimerEvent(5, 1, Callback, UserOf(p), platform::kTimerOneShot);
  ASSERT_NE(id, 0u);
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(p.calls, 1);
  EXPECT_EQ(platform::KillTimerEvent(id), platform::kTimerNoError);
}

TEST_F(TimerTest, RefusesWhatCannotRun) {
  Probe p;
  EXPECT_EQ(platform::SetTimerEvent(5, 1, nullptr, 0, platform::kTimerPeriodic), 0u);
  EXPECT_EQ(platform::SetTimerEvent(0, 1, Callback, UserOf(p), platform::kTimerPeriodic), 0u);
  EXPECT_EQ(platform::KillTimerEvent(0), platform::kTimerCannotDo);
  EXPECT_EQ(platform::EndTimerPeriod(1), platform::kTimerNoError);
}

TEST_F(TimerTest, ALateCallbackDoesNotCauseABurstOfCatchUpCalls) {
  Probe p;
  p.sleepFirstMs = 100;  // misses twenty deadlines
  const auto start = std::chrono::steady_clock::now();
  const std::uint32_t id = platform::SetTimerEvent(5, 1, Callback, UserOf(p), platform::kTimerPeriodic);
  ASSERT_NE(id, 0u);
  while (p.calls < 1) std::this_thread::sleep_for(1ms);
  while (p.inside > 0) std::this_thread::sleep_for(1ms);
  const int afterLate = p.calls;
  std::this_thread::sleep_for(3ms);  // less than one period after the late return
  const int soonAfter = p.calls;
  platform::KillTimerEvent(id);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LE(soonAfter - afterLate, 1);
  // Catching up would have made about elapsed / 5 ms calls.
  EXPECT_LT(p.calls, static_cast<int>(elapsed / 5ms) - 10);
}

TEST_F(TimerTest, KillFromInsideTheCallbackStopsWithoutWaiting) {
  Probe p;
  p.killAt = 3;
  const std::uint32_t id = platform::SetTimerEvent(5, 1, Callback, UserOf(p), platform::kTimerPeriodic);
  ASSERT_NE(id, 0u);
  std::this_thread::sleep_for(80ms);
  EXPECT_EQ(p.calls, 3);
  EXPECT_EQ(platform::KillTimerEvent(id), platform::kTimerCannotDo);
}

TEST_F(TimerTest, EachEventHasItsOwnIdentifier) {
  Probe a;
  Probe b;
  const std::uint32_t ia = platform::SetTimerEvent(5, 1, Callback, UserOf(a), platform::kTimerPeriodic);
  const std::uint32_t ib = platform::SetTimerEvent(5, 1, Callback, UserOf(b), platform::kTimerPeriodic);
  ASSERT_NE(ia, 0u);
  ASSERT_NE(ib, 0u);
  EXPECT_NE(ia, ib);
  EXPECT_EQ(platform::KillTimerEvent(ia), platform::kTimerNoError);
  const int bBefore = b.calls;
  std::this_thread::sleep_for(30ms);
  EXPECT_GT(b.calls, bBefore);
  EXPECT_EQ(platform::KillTimerEvent(ib), platform::kTimerNoError);
}

// --- scheduling of the timer's thread -------------------------------------

// What the timer's thread runs under, and when its calls were due and came.
struct SchedulingProbe {
  std::atomic<int> calls{0};
  std::atomic<int> policy{-1};
  std::atomic<int> priority{-1};
  std::int64_t due[8]{};
  std::int64_t came[8]{};
};

void SchedulingCallback(std::uint32_t, std::uint32_t, std::uintptr_t user, std::uintptr_t, std::uintptr_t) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  SchedulingProbe& p = *reinterpret_cast<SchedulingProbe*>(user);
  const int n = p.calls.load();
  if (n >= 8) return;
  p.came[n] = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
  p.due[n] = platform::CurrentTimerDeadlineNs();
  int policy = -1;
  sched_param param{};
  pthread_getschedparam(pthread_self(), &policy, &param);
  p.policy = policy;
  p.priority = param.sched_priority;
  p.calls.store(n + 1);
}

// Runs a periodic timer until it has been called eight times.
void RunEightCalls(SchedulingProbe& p) {
  const std::uint32_t id =
      platform::SetTimerEvent(5, 1, SchedulingCallback, reinterpret_cast<std::uintptr_t>(&p), platform::kTimerPeriodic);
  ASSERT_NE(id, 0u);
  while (p.calls < 8) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(platform::KillTimerEvent(id), platform::kTimerNoError);
}

// Whether this process may have a SCHED_FIFO thread.
bool RealtimeAllowed() {
  bool allowed = false;
  std::thread probe([&] {
    sched_param param{};
    param.sched_priority = platform::kTimerRealtimePriority;
    allowed = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
  });
  probe.join();
  return allowed;
}

class TimerSchedulingTest : public TimerTest {
 protected:
  void TearDown() override {
    platform::SetTimerRealtimePriority(platform::kTimerRealtimePriority);
    TimerTest::TearDown();
  }
};

TEST_F(TimerSchedulingTest, TheThreadAsksForRealtimeWhereAllowedAndKnowsEachDeadline) {
  SchedulingProbe p;
  RunEightCalls(p);
  if (RealtimeAllowed()) {
    EXPECT_EQ(p.policy, SCHED_FIFO);
    EXPECT_EQ(p.priority, platform::kTimerRealtimePriority);
  } else {
    EXPECT_EQ(p.policy, SCHED_OTHER);
  }
  // Absolute deadlines: each call comes at or after the one it was due at,
  // and the deadlines keep the 5 ms phase.
  for (int i = 0; i < 8; ++i) {
    EXPECT_GT(p.due[i], 0);
    EXPECT_GE(p.came[i], p.due[i]) << i;
    if (i > 0) {
      EXPECT_GT(p.due[i], p.due[i - 1]);
      EXPECT_EQ((p.due[i] - p.due[0]) % 5'000'000, 0) << i;
    }
  }
  EXPECT_EQ(platform::CurrentTimerDeadlineNs(), 0) << "only inside a callback";
}

TEST_F(TimerSchedulingTest, AskingForNothingOrBeingRefusedStillRunsTheTimer) {
  for (int priority : {0, 1000}) {  // none; one the system refuses
    SCOPED_TRACE(priority);
    platform::SetTimerRealtimePriority(priority);
    SchedulingProbe p;
    RunEightCalls(p);
    EXPECT_EQ(p.policy, SCHED_OTHER);
  }
}

#if !defined(__SANITIZE_THREAD__)
// A user without the right to real-time scheduling: the request is refused
// and the timer runs as an ordinary thread. (Forked; ThreadSanitizer does
// not let a child of a threaded process start threads.)
TEST_F(TimerSchedulingTest, AUserWithoutTheRightGetsAnOrdinaryTimerThatRuns) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit none{0, 0};
    if (setrlimit(RLIMIT_RTPRIO, &none) != 0) _exit(10);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(11);
    if (RealtimeAllowed()) _exit(12);  // still privileged: nothing to show
    SchedulingProbe p;
    const std::uint32_t id = platform::SetTimerEvent(5, 1, SchedulingCallback, reinterpret_cast<std::uintptr_t>(&p),
                                                     platform::kTimerPeriodic);
    if (id == 0) _exit(1);
    while (p.calls < 8) std::this_thread::sleep_for(1ms);
    platform::KillTimerEvent(id);
    _exit(p.policy == SCHED_OTHER ? 0 : 2);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 12) GTEST_SKIP() << "this system gives everyone real-time scheduling";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

}  // namespace
