// The tick converts with the factors while a confirmed setup dialog
// recomputes them: no torn or racy reads (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "motion/Units.h"
#include "settings/SysParams.h"

namespace {

TEST(UnitsThreads, FactorsReadWhileRecomputed) {
  SysParams.SetDefaults();
  SysParams.Unit[0] = unit::kMillimetre;
  SysParams.Guide[0] = 4.0;  // 4 / 3200 mm per pulse
  Equivalents.Reset();
  ComputeEquivalents(0);  // no card calls: nothing installed
  const double first = Equivalents.PulseEquivalent[0];

  std::atomic<bool> done{false};
  std::thread tick([&] {
    do {
      const double e = Equivalents.PulseEquivalent[0];
      EXPECT_TRUE(e == first || e == 2.0 / 3200.0) << e;
      // 100 mm/s is far below the limit with either factor.
      EXPECT_FALSE(SpeedOutOfRange(1, 100.0));
    } while (!done.load());
  });
  for (int i = 0; i < 2000; ++i) {
    // The dialog writes the mechanics and recomputes; the tick reads only
    // the factors.
    SysParams.Guide[0] = i % 2 == 0 ? 2.0 : 4.0;
    ComputeEquivalents(0);
  }
  done = true;
  tick.join();
  SysParams.Reset();
  Equivalents.Reset();
}

}  // namespace
