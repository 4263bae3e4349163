// Homing on the simulated stages: the search, one recovery from a limit,
// the compensation move, the settle time and the zeroing, for one axis and
// for four, on models with a limit recovery (ORVA, ORVB) and ORVC.

#include <cmath>

#include "EngineFixture.h"
#include "motion/RunControl.h"

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

TEST_F(HomingTest, ADirectionThatIsNotANumberOrTruncatesToZeroStartsNoSearch) {
  MotionCommand c = Command(code::kHome1, {1, 2, 3, 4}, {std::nan(""), 0, 0, 0});
  for (double dir : {std::nan(""), 1e20, -HUGE_VAL, 0.0, 0.7, -0.99}) {
    c.dbDis[0] = dir;
    ExecuteCommand(c);
  }
  EXPECT_EQ(CountPrefix(Trace(), "fast_hmove"), 0u);
  c.dbDis[0] = -1.9;  // truncated toward zero
  ExecuteCommand(c);
  EXPECT_THAT(Matching(Trace(), "fast_hmove"), ElementsAre("fast_hmove(1,-1)"));
}

// --- homing that cannot lie ------------------------------------------------

// An axis with an encoder of one count per pulse, judged in the runs: 1.25
// um per pulse and per count, 1 um permissible.
void EncoderAxis(int axis) {
  const std::size_t i = static_cast<std::size_t>(axis - 1);
  SysParams.Guide[i] = 4;
  SysParams.MotorPulse[i] = 3200;
  SysParams.MotorRatio[i] = 1;
  SysParams.FeedBack[i] = 1.25;
  SysParams.Error[i] = 1;
}

std::int32_t EncoderOf(int axis) {
  std::int32_t count = 0;
  CardDriver.get_encoder(axis, &count);
  return count;
}

class HomingReferenceTest : public HomingTest, public testing::WithParamInterface<int> {
 protected:
  // Long stages, so that the encoders can count far before homing.
  void SetUp() override {
    HomingTest::SetUp();
    UseMachine("[axis all]\ntravel = -6000 6000\nlimits = -5000 5000\nslowdown = -4900 4900\n");
    EncoderAxis(1);
    EncoderAxis(2);
    SelectModel(GetParam(), 1);
    SysParams.CheckTime = 0.05;
  }

  // Moves the axes by these pulses and waits until they stand.
  void MoveFirst(int axis1, int axis2) {
    ExecuteCommand(Command(code::kFastPtoP2, {1, 2, 3, 4}, {double(axis1), double(axis2), 0, 0}));
    ASSERT_GE(TickUntil([] { return AnyAxisMoving() == 0; }), 0);
    ASSERT_EQ(EncoderOf(1), axis1);
    ASSERT_EQ(EncoderOf(2), axis2);
  }
};

// The encoder counted 2,000 pulses before a home row; the
// move after it is checked against what it did, not "corrected" by the
// distance counted before homing.
TEST_P(HomingReferenceTest, AMoveAfterAHomeRowIsCheckedAgainstWhatItDid) {
  MoveFirst(2000, 0);
  MotionProgram.push_back(Command(code::kHome1, {1, 2, 3, 4}, {-1, 0, 0, 0}));
  MotionProgram.push_back(Command(code::kFastPtoP1, {1, 2, 3, 4}, {100, 0, 0, 0}));
  ASSERT_EQ(StartButton(StartRequest{}), 1);
  ASSERT_GT(TickUntil([] { return !RunControl.BusyProgram.load(); }), 0);

  EXPECT_THAT(port_.BoxTexts(), IsEmpty());
  EXPECT_EQ(Compensation.CorrectionMoves[0].load(), 0);
  EXPECT_THAT(Matching(Trace(), "fast_pmove(1"), ElementsAre("fast_pmove(1,10)", "fast_pmove(1,100)"));
  double position = 0;
  CardDriver.get_abs_pos(1, &position);
  EXPECT_EQ(position, 100);
  // The reference is what the encoder held at home: 0 where it was reset
  // (ORVB), the count at the switch where it cannot be (ORVC).
  const std::int32_t atHome = EncoderOf(1) - 100;
  EXPECT_EQ(Compensation.StartEncoder[0].load(), atHome);
  if (GetParam() == kOrvb) {
    EXPECT_EQ(atHome, 0);
  } else {
    EXPECT_NEAR(atHome, 230, 2);  // the switch's upper edge plus 10 off it
  }
}

TEST_P(HomingReferenceTest, FourAxisHomingTakesTheCountsTheEncodersHold) {
  MoveFirst(1500, -700);
  Compensation.StartEncoder[0] = 99;
  Compensation.StartEncoder[1] = 99;
  SysParams.Dir[0] = -1;
  HomeAllButton(0);
  ASSERT_GT(HomeToEnd(), 0);
  EXPECT_THAT(port_.BoxTexts(), IsEmpty());
  EXPECT_EQ(Compensation.StartEncoder[0].load(), EncoderOf(1));
  EXPECT_EQ(Compensation.StartEncoder[1].load(), EncoderOf(2));
  if (GetParam() == kOrvc) {
    EXPECT_NEAR(EncoderOf(1), 230, 2);
    EXPECT_NEAR(EncoderOf(2), 10, 2);  // from below: the switch's lower edge, then 10 back
  } else {
    EXPECT_EQ(EncoderOf(1), 0);
  }
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos("), 4u);
}

std::string ModelName(const testing::TestParamInfo<int>& model) { return model.param == kOrvb ? "ORVB" : "ORVC"; }

INSTANTIATE_TEST_SUITE_P(Models, HomingReferenceTest, testing::Values(kOrvb, kOrvc), ModelName);

// A home search that cannot succeed ends with message 8 and zeroes nothing,
// on the model's own failure path: ORVB stops the axis and ends the runs,
// ORVC leaves them going.
class FailedHomeTest : public HomingTest, public testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    HomingTest::SetUp();
    SelectModel(GetParam(), 1);
    SysParams.CheckTime = 0.05;
    Compensation.CommandedTravel[0] = 33;
    Compensation.StartEncoder[0] = 44;
  }
  bool Orvb() const { return GetParam() == kOrvb; }

  void ExpectNothingZeroed() const {
    EXPECT_EQ(CountPrefix(Trace(), "reset_pos"), 0u);
    EXPECT_EQ(CountPrefix(Trace(), "reset_enc_pos"), 0u);
    EXPECT_EQ(CountPrefix(Trace(), "fast_pmove"), 0u) << "no compensation move";
    EXPECT_EQ(Compensation.CommandedTravel[0].load(), 33);
    EXPECT_EQ(Compensation.StartEncoder[0].load(), 44);
  }
};

TEST_P(FailedHomeTest, AHomeDirectionOfZeroFailsTheControlPanelsHoming) {
  SysParams.Dir[0] = 0;
  HomeAxisButton(1, 0);
  ASSERT_GE(HomeToEnd(100), 1);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre(kOriginMessage));
  EXPECT_EQ(CountPrefix(Trace(), "fast_hmove"), 0u);
  ExpectNothingZeroed();
  EXPECT_EQ(CountPrefix(Trace(), "sudden_stop(1)"), Orvb() ? 1u : 0u);
  EXPECT_EQ(Homing.HomeState, 0);
  EXPECT_FALSE(AnyMotionBusy());
}

TEST_P(FailedHomeTest, ADamagedDirectionFailsAHomeRow) {
  for (double dir : {0.4, -0.9, std::nan(""), HUGE_VAL}) {
    SCOPED_TRACE(dir);
    port_.ClearRecord();
    ClearTraces();
    MotionProgram.clear();
    MotionProgram.push_back(Command(code::kHome1, {1, 2, 3, 4}, {dir, 0, 0, 0}));
    MotionProgram.push_back(Command(code::kConstPtoP1, {2, 1, 3, 4}, {50, 0, 0, 0}));
    StartProgram(1);
    ASSERT_GT(TickUntil([] { return !RunControl.BusyProgram.load(); }, 10000), 0);
    Tick();
    EXPECT_THAT(port_.BoxTexts(), ElementsAre(kOriginMessage));
    ExpectNothingZeroed();
    // ORVB ends the run at the failed row; ORVC goes on to the next one.
    EXPECT_EQ(CountPrefix(Trace(), "con_pmove(2,50)"), Orvb() ? 0u : 1u);
  }
}

TEST_P(FailedHomeTest, FourAxesReportTheAxisWhoseDirectionIsZero) {
  SysParams.Dir[2] = 0;
  HomeAllButton(0);
  ASSERT_GT(HomeToEnd(), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:Please check the No.3 origin signal is right!"));
  EXPECT_THAT(Matching(Trace(), "fast_hmove"), ElementsAre("fast_hmove(1,1)", "fast_hmove(2,1)", "fast_hmove(4,1)"));
  for (int axis : {1, 2, 4}) EXPECT_EQ(CountPrefix(Trace(), "reset_pos(" + std::to_string(axis) + ")"), 1u) << axis;
  EXPECT_EQ(CountPrefix(Trace(), "reset_pos(3)"), 0u);
  EXPECT_EQ(CountPrefix(Trace(), "fast_pmove(3"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Models, FailedHomeTest, testing::Values(kOrvb, kOrvc), ModelName);

// ORVC: a search that stops off the origin and off both limits (here the
// limits lie beyond the stage's hard ends) ends like one at a limit.
class OrvcStopsOffTheOriginTest : public HomingTest {
 protected:
  void SetUp() override {
    HomingTest::SetUp();
    UseMachine("[axis 2]\nhome = 5000 5001\nlimits = -5000 5000\n");
    SelectModel(kOrvc, 1);
    Compensation.StartEncoder[1] = 44;
  }
  void ExpectStoppedAtTheEnd() const {
    EXPECT_EQ(CardDriver.check_limit(2), 0);
    EXPECT_EQ(CardDriver.check_home(2), 0);
    EXPECT_EQ(CardDriver.check_done(2), 0);
    EXPECT_EQ(CountPrefix(Trace(), "reset_pos(2)"), 0u);
    EXPECT_EQ(CountPrefix(Trace(), "fast_pmove(2"), 0u);
    EXPECT_EQ(Compensation.StartEncoder[1].load(), 44);
  }
};

TEST_F(OrvcStopsOffTheOriginTest, TheControlPanelsHomingFailsInsteadOfWaitingForEver) {
  HomeAxisButton(2, 0);
  ASSERT_GT(HomeToEnd(), 0) << "the homing ended";
  EXPECT_THAT(port_.BoxTexts(), ElementsAre(kOriginMessage));
  ExpectStoppedAtTheEnd();
  EXPECT_NEAR(Machine().Position(2), 1100, 1e-6);
}

TEST_F(OrvcStopsOffTheOriginTest, AHomeRowFailsAndTheRunGoesOn) {
  MotionProgram.push_back(Command(code::kHome1, {2, 1, 3, 4}, {1, 0, 0, 0}));
  MotionProgram.push_back(Command(code::kConstPtoP1, {1, 2, 3, 4}, {50, 0, 0, 0}));
  StartProgram(1);
  ASSERT_GT(TickUntil([] { return !RunControl.BusyProgram.load(); }), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre(kOriginMessage));
  ExpectStoppedAtTheEnd();
  EXPECT_EQ(CountPrefix(Trace(), "con_pmove(1,50)"), 1u);
}

TEST_F(OrvcStopsOffTheOriginTest, FourAxesZeroTheOthersAndReportIt) {
  HomeAllButton(0);
  ASSERT_GT(HomeToEnd(), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:Please check the No.2 origin signal is right!"));
  ExpectStoppedAtTheEnd();
  for (int axis : {1, 3, 4}) EXPECT_EQ(CountPrefix(Trace(), "reset_pos(" + std::to_string(axis) + ")"), 1u) << axis;
}

}  // namespace
