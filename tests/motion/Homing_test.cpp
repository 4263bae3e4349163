// Homing on the simulated stages: the search, one recovery from a limit,
// the compensation move, the settle time and the zeroing, for one axis and
// for four, on models with a limit recovery (ORVA, ORVB) and ORVC.

#include <cmath>

#include "EngineFixture.h"

namespace {

using enginetest::Command;
using enginetest::CountPrefix;
using enginetest::kOrvb;
using enginetest::kOrvc;
using enginetest::Matching;
using enginetest::Motions;
using testing::ElementsAre;
using testing::IsEmpty;

const std::string kOriginMessage = "Error:Please check the origin signal is right!";

class HomingTest : public enginetest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    for (int i = 0; i < 8; ++i) {
      SysParams.Dir[i] = 1;
      SysParams.LowSpd[i] = 500;
      SysParams.HighSpd[i] = 2000;
      SysParams.AccSpd[i] = 20000;
      SysParams.Expiation[i] = 10;
    }
  }

  // Runs the control panel's homing until BusyHome clears.
  int HomeToEnd(int limit = 100000) {
    return TickUntil([] { return !RunControl.BusyHome.load(); }, limit);
  }
};

TEST_F(HomingTest, SingleAxisFindsTheSwitchMovesOffItSettlesAndZeroes) {
  SysParams.CheckTime = 0.1;
  Compensation.CommandedTravel[1] = 33;
  Compensation.StartEncoder[1] = 44;
  HomeAxisButton(2, 0);
  ASSERT_GT(HomeToEnd(), 0);

  EXPECT_THAT(Motions(Trace()), ElementsAre("fast_hmove(2,1)", "fast_pmove(2,-10)", "reset_pos(2)",
                                            "reset_enc_pos(2)"));
  // The search speeds come from the axis's home settings.
  EXPECT_THAT(Matching(Trace(), "set_profile"), ElementsAre("set_profile(2,500,2000,20000)"));
  EXPECT_EQ(Compensation.CommandedTravel[1].load(), 0);
  EXPECT_EQ(Compensation.StartEncoder[1].load(), 0);
  Tick();
  EXPECT_EQ(StatusTables.CommandPosition[1].load(), 0);
  EXPECT_EQ(Homing.HomeState, 0);
  EXPECT_THAT(port_.BoxTexts(), IsEmpty());
}

TEST_F(HomingTest, TheSettleTimeEndsOnTheTickAfterItsCount) {
  SysParams.CheckTime = 3;
  HomeAxisButton(1, 0);
  // Until the compensation move has stopped.
  ASSERT_GE(TickUntil([] { return Homing.HomeState == 4; }), 0);
  int settle = 0;
  while (Homing.HomeState == 4) {
    Tick();
    ++settle;
  }
  EXPECT_EQ(settle, 601);
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos(1)"), 0u);
  Tick();
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos(1)"), 1u);
  EXPECT_FALSE(RunControl.BusyHome.load());
}

TEST_F(HomingTest, ASettleTimeThatIsNotANumberDoesNotHoldTheHoming) {
  SysParams.CheckTime = std::nan("");
  HomeAllButton(0);
  ASSERT_GT(HomeToEnd(2000), 0) << "the homing ended";
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos("), 4u);
  HomeAxisButton(1, 0);
  ASSERT_GT(HomeToEnd(2000), 0);
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos(1)"), 2u);
}

TEST_F(HomingTest, OrvbReversesOnceAfterALimitAndStillHomes) {
  UseMachine("[axis 1]\nstart = 500\n");  // beyond the switch in the search direction
  SelectModel(kOrvb, 1);
  HomeAxisButton(1, 0);
  ASSERT_GT(HomeToEnd(), 0);
  EXPECT_THAT(Matching(Trace(), "fast_hmove"), ElementsAre("fast_hmove(1,1)", "fast_hmove(1,-1)"));
  // Off the switch against the last search direction, then zeroed.
  EXPECT_THAT(Matching(Trace(), "fast_pmove"), ElementsAre("fast_pmove(1,10)"));
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos(1)"), 1u);
  EXPECT_THAT(port_.BoxTexts(), IsEmpty());
}

TEST_F(HomingTest, OrvbGivesUpAfterTheSecondLimitWithMessageEight) {
  UseMachine("[axis 1]\nhome = 5000 5001\n");  // a switch the axis never reaches
  SelectModel(kOrvb, 1);
  HomeAxisButton(1, 0);
  ASSERT_GT(HomeToEnd(), 0);
  EXPECT_THAT(Matching(Trace(), "fast_hmove"), ElementsAre("fast_hmove(1,1)", "fast_hmove(1,-1)"));
  EXPECT_EQ(CountPrefix(Trace(), "sudden_stop(1)"), 1u);
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos"), 0u);
  EXPECT_EQ(CountPrefix(Trace(), "fast_pmove"), 0u);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre(kOriginMessage));
  EXPECT_FALSE(AnyMotionBusy());
  EXPECT_EQ(Homing.HomeRetry[0], 0);
}

TEST_F(HomingTest, BothLimitsAtOnceCountAsNoLimit) {
  SelectModel(kOrvb, 1);
  SysParams.Expiation[0] = 0;  // a move of 0 pulses; the settle time still follows
  SysParams.CheckTime = 0.1;
  Machine().Force(1, SIM_SIGNAL_POS_LIMIT, 1);
  Machine().Force(1, SIM_SIGNAL_NEG_LIMIT, 1);
  ASSERT_EQ(CardDriver.check_limit(1), 2);
  HomeAxisButton(1, 0);
  ASSERT_GT(HomeToEnd(), 20);
  EXPECT_THAT(Matching(Trace(), "fast_hmove"), ElementsAre("fast_hmove(1,1)")) << "no reverse search";
  EXPECT_THAT(Matching(Trace(), "fast_pmove"), ElementsAre("fast_pmove(1,0)"));
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos(1)"), 1u);
  EXPECT_THAT(port_.BoxTexts(), IsEmpty());
}

TEST_F(HomingTest, OrvcEndsAtALimitBeforeTheSwitchWithoutStopOrZeroing) {
  UseMachine("[axis 1]\nhome = 5000 5001\n");
  SelectModel(kOrvc, 1);
  HomeAxisButton(1, 0);
  ASSERT_GT(HomeToEnd(), 0);
  EXPECT_THAT(Matching(Trace(), "fast_hmove"), ElementsAre("fast_hmove(1,1)"));
  EXPECT_EQ(CountPrefix(Trace(), "sudden_stop"), 0u);
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos"), 0u);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre(kOriginMessage));
}

TEST_F(HomingTest, OrvcHomesWhenTheSearchEndsOnTheSwitch) {
  SelectModel(kOrvc, 1);
  HomeAxisButton(3, 0);
  ASSERT_GT(HomeToEnd(), 0);
  // ORVC has no reset_enc_pos: its count stays.
  EXPECT_THAT(Motions(Trace()), ElementsAre("fast_hmove(3,1)", "fast_pmove(3,-10)", "reset_pos(3)"));
}

TEST_F(HomingTest, FourAxesZeroTheGoodOnesAndReportTheBrokenSwitchOnce) {
  UseMachine("[axis 3]\nhome = 5000 5001\n");
  SelectModel(kOrvb, 1);
  HomeAllButton(0);
  ASSERT_GT(HomeToEnd(), 0);
  for (int axis : {1, 2, 4}) {
    EXPECT_EQ(CountPrefix(Trace(), "reset_pos(" + std::to_string(axis) + ")"), 1u) << axis;
    EXPECT_EQ(CountPrefix(Trace(), "fast_pmove(" + std::to_string(axis) + ",-10)"), 1u) << axis;
  }
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos(3)"), 0u);
  EXPECT_EQ(CountPrefix(Trace(), "fast_pmove(3"), 0u);
  EXPECT_GE(CountPrefix(Trace(), "sudden_stop(3)"), 1u);
  EXPECT_THAT(Matching(Trace(), "fast_hmove(3"), ElementsAre("fast_hmove(3,1)", "fast_hmove(3,-1)"));
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:Please check the No.3 origin signal is right!"));
}

TEST_F(HomingTest, FourAxisMessageFollowsTheLanguage) {
  UseMachine("[axis 2]\nhome = 5000 5001\n");
  SelectModel(kOrvb, 1);
  SysParams.LangVer = 1;
  HomeAllButton(0);
  ASSERT_GT(HomeToEnd(), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("错误:请确认 2 号轴原点信号接入正确!"));
}

TEST_F(HomingTest, AHomeRowRunsInHomingModeThenTheNextRowInRunMode) {
  MotionProgram.push_back(Command(code::kHome1, {1, 2, 3, 4}, {1, 0, 0, 0}));
  MotionProgram.push_back(Command(code::kConstPtoP1, {2, 1, 3, 4}, {50, 0, 0, 0}));
  StartProgram(1);
  std::vector<int> modes;
  for (int i = 0; i < 100000 && RunControl.BusyProgram.load(); ++i) {
    Tick();
    if (modes.empty() || modes.back() != RunControl.MotionMode.load()) modes.push_back(RunControl.MotionMode.load());
  }
  EXPECT_THAT(modes, ElementsAre(mode::kRun, mode::kHoming, mode::kRun));
  EXPECT_THAT(Motions(Trace()), ElementsAre("fast_hmove(1,1)", "fast_pmove(1,-10)", "reset_pos(1)",
                                            "reset_enc_pos(1)", "con_pmove(2,50)"));
}

TEST_F(HomingTest, AFailedHomeRowEndsTheProgram) {
  UseMachine("[axis 1]\nhome = 5000 5001\n");
  SelectModel(kOrvb, 1);
  MotionProgram.push_back(Command(code::kHome1, {1, 2, 3, 4}, {1, 0, 0, 0}));
  MotionProgram.push_back(Command(code::kConstPtoP1, {2, 1, 3, 4}, {50, 0, 0, 0}));
  StartProgram(1);
  ASSERT_GT(TickUntil([] { return !RunControl.BusyProgram.load(); }), 0);
  Ticks(5);
  EXPECT_EQ(CountPrefix(Trace(), "con_pmove"), 0u);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre(kOriginMessage));
}

TEST_F(HomingTest, ADirectionThatIsNotANumberStartsNoSearch) {
  MotionCommand c = Command(code::kHome1, {1, 2, 3, 4}, {std::nan(""), 0, 0, 0});
  ExecuteCommand(c);
  c.dbDis[0] = 1e20;
  ExecuteCommand(c);
  EXPECT_EQ(CountPrefix(Trace(), "fast_hmove"), 0u);
  c.dbDis[0] = -1.9;  // truncated toward zero
  ExecuteCommand(c);
  EXPECT_THAT(Matching(Trace(), "fast_hmove"), ElementsAre("fast_hmove(1,-1)"));
}

}  // namespace
