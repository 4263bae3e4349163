// ExecuteCommand as card calls for each kind of code, the page runs, and a
// stop pressed while a tick is issuing a move.

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

class ExecutionTest : public enginetest::EngineTest {
 protected:
  // The calls ExecuteCommand makes for `c`, nothing else.
  std::vector<std::string> CallsFor(const MotionCommand& c) {
    ClearTraces();
    ExecuteCommand(c);
    return Trace();
  }
};

TEST_F(ExecutionTest, PointToPointSetsEverySlotsSpeedsThenMovesAllSlotsAtOnce) {
  MotionCommand c = Command(code::kConstPtoP3, {3, 1, 2, 4}, {10, -20, 30, 99});
  c.dbLowSpd[0] = 100;
  c.dbLowSpd[1] = 200;
  c.dbLowSpd[2] = 300;
  EXPECT_THAT(CallsFor(c), ElementsAre("set_maxspeed(3,100)", "set_conspeed(3,100)", "set_maxspeed(1,200)",
                                       "set_conspeed(1,200)", "set_maxspeed(2,300)", "set_conspeed(2,300)",
                                       "con_pmove3(3,10,1,-20,2,30)"));
  EXPECT_EQ(Compensation.CommandedTravel[2].load(), 10);
  EXPECT_EQ(Compensation.CommandedTravel[3].load(), 0) << "slot 3 is not part of a three-axis code";

  MotionCommand f = Command(code::kFastPtoP1, {2, 1, 3, 4}, {-5, 0, 0, 0});
  EXPECT_THAT(CallsFor(f), ElementsAre("set_maxspeed(2,2000)", "set_profile(2,1000,2000,20000)", "fast_pmove(2,-5)"));
}

TEST_F(ExecutionTest, ContinuousMovesTakeDirectionsAndLeaveCommandedTravel) {
  MotionCommand c = Command(0x04020100, {1, 2, 3, 4}, {0, -3, 0, 0});
  EXPECT_THAT(CallsFor(c), ElementsAre("set_maxspeed(1,1000)", "set_conspeed(1,1000)", "set_maxspeed(2,1000)",
                                       "set_conspeed(2,1000)", "con_vmove2(1,1,2,-1)"));
  EXPECT_EQ(Compensation.CommandedTravel[1].load(), 0);
  SStop();
}

TEST_F(ExecutionTest, LinesSetTheVectorSpeedFromSlotZero) {
  MotionCommand c = Command(code::kConstLine2, {1, 2, 3, 4}, {300, 400, 0, 0});
  c.dbLowSpd[0] = 500;
  EXPECT_THAT(CallsFor(c), ElementsAre("set_vector_conspeed(500)", "con_line2(1,300,2,400)"));
  MotionCommand f = Command(code::kFastLine2, {1, 2, 3, 4}, {30, 40, 0, 0});
  SStop();
  EXPECT_THAT(Matching(CallsFor(f), "set_vector_profile"), ElementsAre("set_vector_profile(1000,2000,20000)"));
}

TEST_F(ExecutionTest, ArcsAreOneListWithTheirRatioAndSpeed) {
  SelectModel(kOrvc, 1);
  MotionCommand arc = Command(code::kArc, {1, 2, 3, 4}, {100, 0, 90, 0.5});
  arc.dbLowSpd[0] = 400;
  EXPECT_THAT(CallsFor(arc), ElementsAre("open_list()", "set_vector_conspeed(400)", "set_vector_conspeed(400)",
                                         "set_ellipse_ratio(0.5)", "arc_center(1,2,100,0,90)", "close_list()"));
  SStop();
  arc.iCodeType = code::kFastArc;
  EXPECT_THAT(CallsFor(arc), ElementsAre("open_list()", "set_ellipse_ratio(0.5)", "set_vector_profile(400,2000,20000)",
                                         "fast_arc_center(1,2,100,0,90)", "close_list()"));
}

TEST_F(ExecutionTest, UnknownCodesMakeNoCall) {
  for (std::int32_t code : {0, 0x02010001, 0x0A050000, 0x02012000, 75, -1}) {
    EXPECT_THAT(CallsFor(Command(code, {1, 2, 3, 4}, {10, 10, 10, 10})), IsEmpty()) << std::hex << code;
  }
  EXPECT_EQ(Compensation.CommandedTravel[0].load(), 0);
}

TEST_F(ExecutionTest, AxisNumbersOutsideTheTablesReachOnlyTheCard) {
  MotionCommand c = Command(code::kConstPtoP2, {0, 99, 3, 4}, {10, 10, 0, 0});
  EXPECT_THAT(Matching(CallsFor(c), "con_pmove2"), ElementsAre("con_pmove2(0,10,99,10)"));
  EXPECT_EQ(CheckPositions(c), 1);
  EXPECT_EQ(LimitInMotionDirection(c), 0);
}

TEST_F(ExecutionTest, ACircularPageRunEndsOnTheFirstTickAfterTheAxesStop) {
  SelectModel(kOrvc, 1);
  SysParams.CheckTime = 3;  // no settle wait after an arc
  MotionCommand arc = Command(code::kArc, {1, 2, 3, 4}, {-100, 0, 180, 0});
  arc.dbLowSpd[0] = 2000;
  SysParams.CircularRunRecord = arc;
  RunControl.BusyCircular = true;
  int ticks = 0;
  while (AnyAxisMoving() == 1 || ticks == 0) {
    Tick();
    ++ticks;
    ASSERT_LT(ticks, 1000);
  }
  // The tick that finds the axes stopped ends the state, the next one the
  // run: no settle wait and no check, whatever CheckTime is.
  Tick();
  EXPECT_TRUE(RunControl.BusyCircular.load());
  Tick();
  ticks += 2;
  EXPECT_FALSE(RunControl.BusyCircular.load());
  EXPECT_LT(ticks, 100);  // half a circle of radius 100 at 2000 pulses per second
  EXPECT_NEAR(Machine().Position(1), -200, 1);
  EXPECT_EQ(CountPrefix(Trace(), "get_encoder"), 2u * static_cast<std::size_t>(ticks)) << "only polling reads encoders";
}

TEST_F(ExecutionTest, APageRunStopsAtALimitWithMessageTwelve) {
  SysParams.PtoPRunRecord = Command(code::kConstPtoP1, {1, 2, 3, 4}, {5000, 0, 0, 0});
  RunControl.BusyPtoP = true;
  ASSERT_GT(TickUntil([] { return !RunControl.BusyPtoP.load(); }, 10000), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:The motion is outside!"));
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kSuddenStop);
  EXPECT_THAT(Matching(Trace(), "sudden_stop"),
              ElementsAre("sudden_stop(1)", "sudden_stop(2)", "sudden_stop(3)", "sudden_stop(4)"));
}

// A front end whose S Stop is pressed while the tick writes the row number,
// that is after the tick has seen the run and before it issues the move.
class StopDuringTickPort : public RecordingPort {
 public:
  void SetCurrentRowText(std::string_view text) override {
    RecordingPort::SetCurrentRowText(text);
    if (armed) {
      armed = false;
      SStop();
      editableDuringStep = !ProgramRunning();
    }
  }
  bool armed = true;
  bool editableDuringStep = true;
};

TEST_F(ExecutionTest, AMoveIssuedByATickThatOverlappedAStopIsStoppedToo) {
  StopDuringTickPort port;
  MotionCommand row = Command(code::kConstPtoP1, {1, 2, 3, 4}, {500, 0, 0, 0});
  MotionProgram.push_back(row);
  StartProgram(1);
  Tick();
  EXPECT_FALSE(port.armed);
  EXPECT_FALSE(RunControl.BusyProgram.load());
  const auto motions = Motions(Trace());
  ASSERT_FALSE(motions.empty());
  EXPECT_EQ(CountPrefix(motions, "con_pmove(1,500)"), 1u);
  EXPECT_EQ(motions.back(), "sudden_stop(4)") << "the stop is sent again after the move";
  Ticks(20);
  EXPECT_DOUBLE_EQ(Machine().Position(1), 0);
  // The program may not be edited until the step that was reading it has
  // returned; then it may.
  EXPECT_FALSE(port.editableDuringStep);
  EXPECT_FALSE(ProgramRunning());
}

}  // namespace
