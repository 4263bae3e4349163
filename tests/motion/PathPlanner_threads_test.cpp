// A plan too long to compute on the spot: computed on a thread of its own,
// shown when done, forgotten when the program changes or the engine resets.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "EngineFixture.h"
#include "motion/PathPlan.h"
#include "motion/PathPlot.h"

namespace {

using enginetest::Command;

constexpr PlotRect kFrame{0, 0, 340, 300};

class PathPlannerTest : public enginetest::EngineTest {
 protected:
  // Rows that cross the frame and back: far more pixels than the window's
  // thread plans on the spot.
  static std::vector<MotionCommand> Across(int rows, double height) {
    std::vector<MotionCommand> program;
    program.reserve(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
      program.push_back(Command(code::kFastPtoP2, {1, 2, 3, 4}, {r % 2 ? -40000.0 : 40000.0, height, 0, 0}));
    }
    return program;
  }

  // Waits for the plan computed off this thread.
  static bool Collected() {
    for (int i = 0; i < 6000; ++i) {
      if (CollectPathPreview()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};

TEST_F(PathPlannerTest, ALongPlanIsShownWhenReady) {
  MotionProgram = Across(1200, 20);
  NoteProgramEdited();
  const std::vector<PlotSegment> planned = PlannedPath(kFrame);
  ASSERT_TRUE(UpdatePathPreview(kFrame));
  EXPECT_TRUE(Plot.Preview.empty());  // nothing stale meanwhile
  // Asked again meanwhile, the same plan goes on (or is taken, done).
  if (!UpdatePathPreview(kFrame)) {
    ASSERT_TRUE(Collected());
  }
  EXPECT_EQ(Plot.Preview, planned);
  EXPECT_FALSE(Plot.Planner.Busy());
  EXPECT_FALSE(UpdatePathPreview(kFrame));  // the same program: nothing to do
}

TEST_F(PathPlannerTest, AnEditForgetsThePlanUnderWay) {
  MotionProgram = Across(1200, 20);
  NoteProgramEdited();
  ASSERT_TRUE(UpdatePathPreview(kFrame));
  MotionProgram = Across(1300, -30);
  NoteProgramEdited();
  const std::vector<PlotSegment> planned = PlannedPath(kFrame);
  ASSERT_TRUE(UpdatePathPreview(kFrame));
  ASSERT_TRUE(Collected());
  EXPECT_EQ(Plot.Preview, planned);
  // A short program is planned on the spot, whatever was under way.
  MotionProgram = Across(1200, 20);
  NoteProgramEdited();
  ASSERT_TRUE(UpdatePathPreview(kFrame));
  MotionProgram = {Command(code::kConstPtoP1, {1, 2, 3, 4}, {500, 0, 0, 0})};
  NoteProgramEdited();
  ASSERT_TRUE(UpdatePathPreview(kFrame));
  EXPECT_EQ(Plot.Preview, PlannedPath(kFrame));
  EXPECT_FALSE(Plot.Planner.Busy());
  EXPECT_FALSE(CollectPathPreview());
}

TEST_F(PathPlannerTest, AResetStopsThePlanner) {
  MotionProgram = Across(20000, 20);
  NoteProgramEdited();
  ASSERT_TRUE(UpdatePathPreview(kFrame));
  EXPECT_TRUE(Plot.Planner.Busy());
  ResetEngineState();  // returns once the planner's thread is gone
  EXPECT_FALSE(Plot.Planner.Busy());
  EXPECT_FALSE(CollectPathPreview());
  EXPECT_TRUE(Plot.Preview.empty());
}

}  // namespace
