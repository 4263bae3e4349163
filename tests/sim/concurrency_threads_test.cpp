// Two threads calling one library at once, as the window thread and the
// 5 ms tick do: every answer stays sound and the machine stays whole.

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "SimLibrary.h"

namespace {

using cardabi::Int;
using simtest::SimLibrary;

TEST(SimThreads, PollingWhileCommandingGivesSoundAnswers) {
  SimLibrary lib("ORVB");
  ASSERT_TRUE(lib.Loaded());
  lib.Reset();  // real time
  auto getPos = lib.Get<Int(Int, Int*)>("get_abs_pos");
  auto getEnc = lib.Get<Int(Int, Int*)>("get_encoder");
  auto getRate = lib.Get<double(Int)>("get_rate");
  auto done = lib.Get<Int(Int)>("check_done");
  auto limit = lib.Get<Int(Int)>("check_limit");
  auto setMax = lib.Get<Int(Int, double)>("set_maxspeed");
  auto setProfile = lib.Get<Int(Int, double, double, double)>("set_profile");
  auto fastMove = lib.Get<Int(Int, Int)>("fast_pmove");
  auto vmove = lib.Get<Int(Int, Int)>("fast_vmove");
  auto line = lib.Get<Int(Int, Int, Int, Int)>("fast_line2");
  auto stop = lib.Get<Int(Int)>("sudden_stop");
  auto decel = lib.Get<Int(Int)>("decel_stop");
  auto traceSize = lib.Get<int()>("sim_trace_size");
  auto traceEntry = lib.Get<int(int, char*, int)>("sim_trace_entry");
  auto force = lib.Get<int(int, int, int)>("sim_force_signal");

  for (int axis = 1; axis <= 4; ++axis) {
    setMax(axis, 200000);
    setProfile(axis, 1000, 200000, 2e6);
  }
  std::atomic<bool> stopNow{false};
  std::atomic<int> badAnswers{0};
  std::atomic<long> polls{0};

  std::thread tick([&] {
    while (!stopNow.load()) {
      for (int axis = 1; axis <= 4; ++axis) {
        Int pos = 0, enc = 0;
        if (getPos(axis, &pos) != 0 || getEnc(axis, &enc) != 0) ++badAnswers;
        if (std::abs(pos) > 1100) ++badAnswers;  // never beyond the travel
        const double rate = getRate(axis);
        if (!(rate >= 0 && rate <= 200000.0 * 1.000001)) ++badAnswers;
        const Int d = done(axis);
        if (d != 0 && d != 1) ++badAnswers;
        const Int l = limit(axis);
        if (l < -1 || l > 2) ++badAnswers;
        ++polls;
      }
    }
  });
  std::thread reader([&] {
    char buffer[128];
    while (!stopNow.load()) {
      const int n = traceSize();
      if (n > 0 && traceEntry(n - 1, buffer, sizeof buffer) <= 0) ++badAnswers;
      force(4, SIM_SIGNAL_HOME, 1);
      force(4, SIM_SIGNAL_HOME, -1);
    }
  });

  for (int round = 0; round < 300; ++round) {
    const int axis = 1 + round % 3;
    switch (round % 5) {
      case 0:
        fastMove(axis, (round % 2 ? 1 : -1) * 900);
        break;
      case 1:
        vmove(axis, round % 2 ? 1 : -1);
        break;
      case 2:
        line(1, round % 2 ? 500 : -500, 2, 300);
        break;
      case 3:
        decel(axis);
        break;
      default:
        stop(axis);
        break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(300));
  }
  for (int axis = 1; axis <= 4; ++axis) stop(axis);
  stopNow = true;
  tick.join();
  reader.join();

  EXPECT_EQ(badAnswers.load(), 0);
  EXPECT_GT(polls.load(), 0);
  for (int axis = 1; axis <= 4; ++axis) EXPECT_EQ(done(axis), 0);
  EXPECT_GT(traceSize(), 300);
}

}  // namespace
