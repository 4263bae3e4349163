#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

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

}  // namespace
