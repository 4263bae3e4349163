// The user-interface thread and the status tick call the driver at the same
// time; every call must reach exactly one library, whole.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "card/CardDriver.h"
#include "tests/sim/SimLibrary.h"

namespace {

TEST(CardDriverThreads, MovesAndPollsAtOnceAllArrive) {
  const simtest::SimLibrary sim("ORVB");
  ASSERT_TRUE(sim.Loaded());
  sim.Reset();
  constexpr int kRounds = 3000;
  std::atomic<int> unsupported{0};
  std::thread tick([&] {
    for (int i = 0; i < kRounds; ++i) {
      double position = 0.0;
      int count = 0;
      if (CardDriver.get_abs_pos(1, &position) == CARD_UNSUPPORTED) ++unsupported;
      if (CardDriver.get_encoder(2, &count) == CARD_UNSUPPORTED) ++unsupported;
      if (CardDriver.check_done(1) == CARD_UNSUPPORTED) ++unsupported;
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    if (CardDriver.con_pmove(1, (i % 2) != 0 ? 1.5 : -1.5) == CARD_UNSUPPORTED) ++unsupported;
    if (CardDriver.sudden_stop(1) == CARD_UNSUPPORTED) ++unsupported;
  }
  tick.join();
  EXPECT_EQ(unsupported.load(), 0);
  EXPECT_EQ(sim.TraceEntries().size(), static_cast<std::size_t>(5 * kRounds));
}

TEST(CardDriverThreads, ModelChangeDuringPollingSendsEachCallToOneLibrary) {
  const simtest::SimLibrary sims[] = {simtest::SimLibrary("ORVA"), simtest::SimLibrary("ORVB"),
                                      simtest::SimLibrary("ORVC")};
  for (const simtest::SimLibrary& sim : sims) {
    ASSERT_TRUE(sim.Loaded());
    sim.Reset();
  }
  constexpr int kPolls = 6000;
  std::atomic<bool> started{false};
  std::thread tick([&] {
    started = true;
    for (int i = 0; i < kPolls; ++i) CardDriver.check_done(1);
  });
  while (!started) std::this_thread::yield();
  for (int i = 0; i < 3000; ++i) CardDriver.model = i % 3;
  tick.join();
  CardDriver.model = 1;
  std::size_t calls = 0;
  for (const simtest::SimLibrary& sim : sims) calls += sim.TraceEntries().size();
  EXPECT_EQ(calls, static_cast<std::size_t>(kPolls));
}

}  // namespace
