// Feedback compensation: the check against the encoder, the correction
// moves of a run, and the idle position hold.

#include "motion/RunControl.h"

#include "EngineFixture.h"

namespace {

using enginetest::Command;
using enginetest::CountPrefix;
using enginetest::kOrva;
using enginetest::kOrvb;
using enginetest::Matching;
using testing::ElementsAre;
using testing::IsEmpty;

class CompensationTest : public enginetest::EngineTest {
 protected:
  // Axis 1 linear in mm with 0.001 mm per pulse and 1 um per encoder count.
  void MillimetreAxisWithEncoder(double error) {
    SysParams.Unit[0] = 1;
    SysParams.Guide[0] = 1;
    SysParams.MotorPulse[0] = 1000;
    SysParams.MotorRatio[0] = 1;
    SysParams.FeedBack[0] = 1;
    SysParams.EncFreq[0] = 1;
    SysParams.Error[0] = error;
    ComputeEquivalents();
    ClearTraces();
  }

  // Axis 1 in pulses with one count per pulse, Error 1 um (0.8 pulse).
  void PulseAxisWithEncoder() {
    SysParams.Guide[0] = 4;
    SysParams.MotorPulse[0] = 3200;
    SysParams.MotorRatio[0] = 1;
    SysParams.FeedBack[0] = 1.25;
    SysParams.EncFreq[0] = 1;
    SysParams.Error[0] = 1;
    ComputeEquivalents();
    ClearTraces();
  }

  MotionCommand Axis1() const { return Command(code::kFastPtoP1, {1, 2, 3, 4}, {0, 0, 0, 0}); }
};

TEST_F(CompensationTest, TheCheckComparesEncoderTravelWithCommandedTravel) {
  MillimetreAxisWithEncoder(5);
  Compensation.CommandedTravel[0] = 10;  // mm
  // The encoder reads 0; the run started at -9996 counts: 9996 um travelled.
  Compensation.StartEncoder[0] = -9996;
  EXPECT_EQ(CheckPositions(Axis1()), 1);
  EXPECT_FALSE(Compensation.CompensationNeeded[0]);
  EXPECT_DOUBLE_EQ(Compensation.PositionError[0], 4);

  Compensation.StartEncoder[0] = -9990;
  EXPECT_EQ(CheckPositions(Axis1()), 0);
  EXPECT_DOUBLE_EQ(Compensation.PositionError[0], 10);
  CorrectPositions(Axis1());
  EXPECT_THAT(Matching(Trace(), "fast_pmove"), ElementsAre("fast_pmove(1,10)"));
  EXPECT_DOUBLE_EQ(Compensation.PositionError[0], 10);  // now in pulses

  // The permissible error counts by its size.
  SysParams.Error[0] = -5;
  Compensation.StartEncoder[0] = -9996;
  EXPECT_EQ(CheckPositions(Axis1()), 1);
}

TEST_F(CompensationTest, LessThanOnePulseIsNeverCorrected) {
  MillimetreAxisWithEncoder(0);
  SysParams.MotorPulse[0] = 500;  // 2 um per pulse
  ComputeEquivalents();
  Compensation.CommandedTravel[0] = 10;
  Compensation.StartEncoder[0] = -9999;  // 1 um short: half a pulse
  EXPECT_EQ(CheckPositions(Axis1()), 1);
  Compensation.StartEncoder[0] = -9997;  // one and a half pulses short
  EXPECT_EQ(CheckPositions(Axis1()), 0);
}

TEST_F(CompensationTest, RotaryAxesAreJudgedInDegrees) {
  SysParams.Equip[0] = 1;
  SysParams.Unit[0] = 3;
  SysParams.MotorPulse[0] = 3600;
  SysParams.MotorRatio[0] = 1;  // 0.1 degree per pulse
  SysParams.FeedBack[0] = 36000;  // counts per revolution: 0.01 degree per count
  SysParams.EncFreq[0] = 1;
  SysParams.Error[0] = 0.05;
  ComputeEquivalents();
  Compensation.CommandedTravel[0] = 90;
  Compensation.StartEncoder[0] = -8980;  // 89.8 degrees
  EXPECT_EQ(CheckPositions(Axis1()), 0);
  EXPECT_NEAR(Compensation.PositionError[0], 0.2, 1e-9);
  ClearTraces();
  CorrectPositions(Axis1());
  EXPECT_THAT(Matching(Trace(), "fast_pmove"), ElementsAre("fast_pmove(1,2)"));
  // Within the permissible error: no correction.
  Compensation.StartEncoder[0] = -8996;
  EXPECT_EQ(CheckPositions(Axis1()), 1);
}

TEST_F(CompensationTest, AxesWithoutFeedbackAndOrvaAreNotJudged) {
  MillimetreAxisWithEncoder(5);
  SysParams.FeedBack[0] = 0;
  ComputeEquivalents();
  Compensation.CommandedTravel[0] = 10;
  EXPECT_EQ(CheckPositions(Axis1()), 1);

  SelectModel(kOrva, 1);
  SysParams.FeedBack[0] = 1;
  EXPECT_EQ(CheckPositions(Axis1()), 1);
  EXPECT_THAT(Trace(), IsEmpty()) << "ORVA's cards are not read";
}

TEST_F(CompensationTest, AxesOnALimitOrStillMovingAreNotCorrected) {
  MillimetreAxisWithEncoder(5);
  Compensation.CommandedTravel[0] = 10;
  Compensation.StartEncoder[0] = -9000;
  ASSERT_EQ(CheckPositions(Axis1()), 0);
  Machine().Force(1, SIM_SIGNAL_POS_LIMIT, 1);
  CorrectPositions(Axis1());
  Machine().Force(1, SIM_SIGNAL_POS_LIMIT, -1);
  CardDriver.set_conspeed(1, 100);
  CardDriver.con_pmove(1, 500);
  CorrectPositions(Axis1());
  EXPECT_EQ(CountPrefix(Trace(), "fast_pmove"), 0u);
}

TEST_F(CompensationTest, AnEncoderErrorInARunIsCorrectedWithinTenCorrections) {
  PulseAxisWithEncoder();
  Machine().Encoder(1, 1, 0.01, 0);  // counts run 1 % long
  SysParams.CheckTime = 0.05;
  MotionProgram.push_back(Command(code::kFastPtoP1, {1, 2, 3, 4}, {800, 0, 0, 0}));
  StartButton(StartRequest{});
  ASSERT_GT(TickUntil([] { return !RunControl.BusyProgram.load(); }), 0);

  const auto moves = Matching(Trace(), "fast_pmove(1");
  ASSERT_GE(moves.size(), 2u);
  EXPECT_EQ(moves[0], "fast_pmove(1,800)");
  EXPECT_EQ(moves[1], "fast_pmove(1,-8)");  // 808 counts for 800 pulses
  EXPECT_LE(moves.size(), 11u);
  EXPECT_EQ(Compensation.CorrectionMoves[0].load(), static_cast<int>(moves.size()) - 1);
  std::int32_t count = 0;
  CardDriver.get_encoder(1, &count);
  EXPECT_NEAR(count, 800, 1);
}

TEST_F(CompensationTest, ARowGoesOnAfterTenCorrections) {
  PulseAxisWithEncoder();
  Machine().Encoder(1, 2, 0, 0);  // twice the counts: every correction overshoots
  MotionProgram.push_back(Command(code::kFastPtoP1, {1, 2, 3, 4}, {400, 0, 0, 0}));
  MotionProgram.push_back(Command(code::kSwitchOutput, {1, 5, 1, 0}, {0, 0, 0, 0}));
  StartButton(StartRequest{});
  ASSERT_GT(TickUntil([] { return !RunControl.BusyProgram.load(); }), 0);
  const auto moves = Matching(Trace(), "fast_pmove(1");
  ASSERT_EQ(moves.size(), 1u + 10u);
  EXPECT_EQ(moves[1], "fast_pmove(1,-400)");
  EXPECT_EQ(moves[2], "fast_pmove(1,400)");
  EXPECT_EQ(Compensation.CorrectionMoves[0].load(), 10);
  EXPECT_THAT(Matching(Trace(), "outport_bit"), ElementsAre("outport_bit(1,5,1)"));
  EXPECT_EQ(ProgramRun.CorrectionCount, 0);
}

// The summary counts corrections sent: a move the driver would not send
// (a zero mechanical factor makes the distance not finite) or the card
// refused (a drive in alarm) is no correction.
TEST_F(CompensationTest, OnlyCorrectionsTheCardTookAreCounted) {
  for (int model : {kOrvb, enginetest::kOrvc}) {
    SCOPED_TRACE(model);
    SelectModel(model, 1);
    MillimetreAxisWithEncoder(5);
    SysParams.Unit[0] = 0;  // travel in pulses, judged in um: an infinite error
    SysParams.MotorRatio[0] = 0;
    ComputeEquivalents();
    Compensation.CorrectionMoves[0] = 0;
    Compensation.CommandedTravel[0] = 10;
    Compensation.StartEncoder[0] = -9000;
    ASSERT_EQ(CheckPositions(Axis1()), 0);
    CorrectPositions(Axis1());
    // ORVB's driver sends nothing; ORVC's library gets the value and refuses.
    EXPECT_EQ(CountPrefix(Trace(), "fast_pmove"), model == kOrvb ? 0u : 1u);
    EXPECT_EQ(Compensation.CorrectionMoves[0].load(), 0);
  }

  SelectModel(kOrvb, 1);
  MillimetreAxisWithEncoder(5);
  Compensation.StartEncoder[0] = -9990;
  ASSERT_EQ(CheckPositions(Axis1()), 0);
  Machine().Force(1, SIM_SIGNAL_ALARM, 1);
  CorrectPositions(Axis1());
  EXPECT_THAT(Matching(Trace(), "fast_pmove"), ElementsAre("fast_pmove(1,10)"));
  EXPECT_EQ(Compensation.CorrectionMoves[0].load(), 0);
  Machine().Force(1, SIM_SIGNAL_ALARM, -1);
  ASSERT_EQ(CheckPositions(Axis1()), 0);
  CorrectPositions(Axis1());
  EXPECT_EQ(Compensation.CorrectionMoves[0].load(), 1);
}

TEST_F(CompensationTest, IdleHoldCorrectsAStoppedAxisAfterTheCheckTime) {
  PulseAxisWithEncoder();
  SysParams.Input = 1;
  SysParams.CheckTime = 0.5;
  MotionProgram.push_back(Command(code::kFastPtoP1, {1, 2, 3, 4}, {400, 0, 0, 0}));
  StartButton(StartRequest{});
  ASSERT_GT(TickUntil([] { return !RunControl.BusyProgram.load(); }), 0);
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kRun);

  // Something moves the axis behind the engine's back.
  CardDriver.fast_pmove(1, 40);
  ClearTraces();
  int ticks = 0;
  while (CountPrefix(Trace(), "fast_pmove(1") == 0 && ticks < 1000) {
    Tick();
    ++ticks;
  }
  // The first tick still finds the axis where it was; from the next one the
  // counter runs while the axis moves, and at 100 the correction follows.
  EXPECT_EQ(ticks, 101);
  EXPECT_THAT(Matching(Trace(), "fast_pmove(1"), ElementsAre("fast_pmove(1,-40)"));
  Ticks(200);
  EXPECT_EQ(Compensation.HoldTicks[0], 0);
  EXPECT_DOUBLE_EQ(Machine().Position(1), 400);
}

TEST_F(CompensationTest, NoIdleHoldAfterClear) {
  PulseAxisWithEncoder();
  SysParams.Input = 1;
  SysParams.CheckTime = 0.1;
  MotionProgram.push_back(Command(code::kFastPtoP1, {1, 2, 3, 4}, {400, 0, 0, 0}));
  StartButton(StartRequest{});
  ASSERT_GT(TickUntil([] { return !RunControl.BusyProgram.load(); }), 0);
  ClearButton();
  ClearTraces();
  Ticks(300);
  EXPECT_EQ(CountPrefix(Trace(), "fast_pmove"), 0u);
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kClear);
}

TEST_F(CompensationTest, NoIdleHoldWithTheSwitchOff) {
  PulseAxisWithEncoder();
  SysParams.Input = 0;
  SysParams.CheckTime = 0.1;
  MotionProgram.push_back(Command(code::kFastPtoP1, {1, 2, 3, 4}, {400, 0, 0, 0}));
  StartButton(StartRequest{});
  ASSERT_GT(TickUntil([] { return !RunControl.BusyProgram.load(); }), 0);
  CardDriver.fast_pmove(1, 40);
  ClearTraces();
  Ticks(300);
  EXPECT_EQ(CountPrefix(Trace(), "fast_pmove"), 0u);
}

}  // namespace
