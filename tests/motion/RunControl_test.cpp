// The control panel's requests: the busy test, jog, stops, home buttons,
// Clear, Start for every panel, and the direct-motion pages' prepare steps.

#include "motion/RunControl.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "EngineFixture.h"

namespace {

using enginetest::CountPrefix;
using enginetest::kOrvb;
using enginetest::kOrvc;
using enginetest::Matching;
using enginetest::Motions;
using testing::ElementsAre;
using testing::IsEmpty;

const std::string kBusyText = "Error:The motion is running,so it can't start a new motion!";

class RunControlTest : public enginetest::EngineTest {
 protected:
  std::string SavedFile() const {
    std::ifstream in(folder_ / "sysparam.cfg", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(RunControlTest, EveryMotionRequestIsRefusedWhileAnyRunIsBusy) {
  std::atomic<bool>* const flags[] = {&RunControl.BusyCircular, &RunControl.BusyLinear, &RunControl.BusyPtoP,
                                      &RunControl.BusyProgram,  &RunControl.BusyHome,   &RunControl.BusyJog};
  for (std::atomic<bool>* flag : flags) {
    ResetEngineState();
    RunControl.CardCount = 1;
    RunControl.MotionMode = mode::kDecelStop;
    *flag = true;
    port_.ClearRecord();
    ClearTraces();

    JogButton(2, -1, 0);
    HomeAxisButton(1, 0);
    HomeAllButton(0);
    EXPECT_EQ(StartButton(StartRequest{}), 0);
    ClearButton();

    EXPECT_THAT(port_.BoxTexts(), ElementsAre(kBusyText, kBusyText, kBusyText, kBusyText,
                                              "Error:The motion is running,so the data can't be cleared!"));
    EXPECT_EQ(RunControl.MotionMode.load(), mode::kDecelStop);
    EXPECT_THAT(Motions(Trace()), IsEmpty());
    // Only the flag that was set is set.
    int set = 0;
    for (std::atomic<bool>* f : flags) set += f->load() ? 1 : 0;
    EXPECT_EQ(set, 1);
  }
}

TEST_F(RunControlTest, JogMovesTheSelectedCardsAxisByItsOwnStepAndWaitsDeliveringEvents) {
  UseTwoCards();
  SelectModel(kOrvb, 2);
  SysParams.PMoveSetStep[0] = 10;  // axis 1 must not be used
  SysParams.PMoveSetStep[4] = 250;
  SysParams.PMoveSetLowSpd[4] = 100;
  SysParams.PMoveSetHighSpd[4] = 1000;
  SysParams.PMoveSetAccSpd[4] = 10000;
  bool busyDuringWait = false;
  port_.OnPendingEvents([&] {
    busyDuringWait = busyDuringWait || RunControl.BusyJog.load();
    Machine().Advance(5000);
  });

  JogButton(1, +1, 1);

  EXPECT_THAT(Matching(Trace(), "fast_pmove"), ElementsAre("fast_pmove(5,250)"));
  EXPECT_THAT(Matching(Trace(), "set_profile"), ElementsAre("set_profile(5,100,1000,10000)"));
  EXPECT_TRUE(busyDuringWait);
  EXPECT_GT(port_.PendingEventCalls(), 0);
  EXPECT_FALSE(RunControl.BusyJog.load());
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kJog);
  EXPECT_DOUBLE_EQ(Machine().Position(5), 250);
}

TEST_F(RunControlTest, JogStepConvertsTheJogSettingsWithTheAxisUnit) {
  SysParams.Unit[1] = 1;  // mm, 0.01 mm per pulse
  SysParams.Guide[1] = 1;
  SysParams.MotorPulse[1] = 100;
  SysParams.MotorRatio[1] = 1;
  ComputeEquivalents();
  SysParams.PMoveSetStep[1] = 2.5;
  SysParams.PMoveSetLowSpd[1] = 1;
  SysParams.PMoveSetHighSpd[1] = 10;
  SysParams.PMoveSetAccSpd[1] = 100;
  ClearTraces();
  port_.OnPendingEvents([&] { Machine().Advance(5000); });

  JogButton(2, -1, 0);

  EXPECT_THAT(Matching(Trace(), "set_maxspeed"), ElementsAre("set_maxspeed(2,1000)"));
  EXPECT_THAT(Matching(Trace(), "fast_pmove"), ElementsAre("fast_pmove(2,-250)"));
}

TEST_F(RunControlTest, SStopDuringAJogEndsTheWaitWithEveryFlagClear) {
  SysParams.PMoveSetStep[0] = 900;
  SysParams.PMoveSetLowSpd[0] = 100;
  SysParams.PMoveSetHighSpd[0] = 1000;
  SysParams.PMoveSetAccSpd[0] = 10000;
  int calls = 0;
  port_.OnPendingEvents([&] {
    Machine().Advance(5000);
    if (++calls == 20) SStop();
  });

  JogButton(1, +1, 0);

  EXPECT_EQ(calls, 20);
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kSuddenStop);
  EXPECT_FALSE(AnyMotionBusy());
  EXPECT_THAT(Matching(Trace(), "sudden_stop("),
              ElementsAre("sudden_stop(1)", "sudden_stop(2)", "sudden_stop(3)", "sudden_stop(4)"));
  EXPECT_LT(Machine().Position(1), 900);
}

TEST_F(RunControlTest, StopsClearEveryFlagAndStopTheInstalledAxesInOrder) {
  UseTwoCards();
  SelectModel(kOrvc, 2);
  RunControl.BusyProgram = true;
  RunControl.BusyHome = true;
  Plot.Segments.push_back({1, 2, 3, 4});

  DStop();

  EXPECT_FALSE(AnyMotionBusy());
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kDecelStop);
  EXPECT_TRUE(Plot.Segments.empty());
  EXPECT_THAT(Motions(Trace()), ElementsAre("decel_stop_list()", "decel_stop(1)", "decel_stop(2)", "decel_stop(3)", "decel_stop(4)",
                                            "decel_stop(5)", "decel_stop(6)", "decel_stop(7)", "decel_stop(8)"));

  // No card installed: the flags are cleared, no axis is addressed.
  SelectModel(kOrvb, 0);
  RunControl.BusyPtoP = true;
  SStop();
  EXPECT_FALSE(AnyMotionBusy());
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kSuddenStop);
  EXPECT_THAT(Motions(Trace()), IsEmpty());
}

TEST_F(RunControlTest, HomeButtonsFillTheHomeRecordFromTheAxisSettings) {
  for (int i = 0; i < 8; ++i) {
    SysParams.Dir[i] = i % 2 == 0 ? 1 : -1;
    SysParams.LowSpd[i] = 10 + i;
    SysParams.HighSpd[i] = 100 + i;
    SysParams.AccSpd[i] = 1000 + i;
  }
  HomeAllButton(1);
  EXPECT_EQ(Homing.HomeRecord.iCodeType, 0x08044200);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(Homing.HomeRecord.iAxes[k], 5 + k);
    EXPECT_EQ(Homing.HomeRecord.dbDis[k], SysParams.Dir[4 + k]);
    EXPECT_EQ(Homing.HomeRecord.dbLowSpd[k], 14 + k);
    EXPECT_EQ(Homing.HomeRecord.dbHighSpd[k], 104 + k);
    EXPECT_EQ(Homing.HomeRecord.dbAccSpd[k], 1004 + k);
  }
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kHoming);
  EXPECT_TRUE(RunControl.BusyHome.load());

  RunControl.BusyHome = false;
  HomeAxisButton(2, 0);
  EXPECT_EQ(Homing.HomeRecord.iCodeType, code::kHome1);
  EXPECT_EQ(Homing.HomeRecord.iAxes[0], 2);
  EXPECT_EQ(Homing.HomeRecord.dbDis[0], -1);
  EXPECT_EQ(Homing.HomeRecord.iAxes[1], 6);  // other slots keep their contents
  EXPECT_TRUE(RunControl.BusyHome.load());

  // A card selection other than 0 or 1 does nothing.
  RunControl.BusyHome = false;
  RunControl.MotionMode = mode::kRun;
  HomeAxisButton(1, 2);
  EXPECT_FALSE(RunControl.BusyHome.load());
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kRun);
}

TEST_F(RunControlTest, ClearAsksFirstAndZeroesTheCardsButNotTheRunReference) {
  Compensation.StartEncoder[0] = 77;
  Compensation.CommandedTravel[0] = 12.5;
  RunControl.MotionMode = mode::kRun;

  port_.AnswerBoxes({kBoxCancel});
  ClearButton();
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Are you sure to clear the data?"));
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kRun);
  EXPECT_THAT(Motions(Trace()), IsEmpty());

  ClearButton();  // answered OK
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kClear);
  EXPECT_THAT(Motions(Trace()),
              ElementsAre("sudden_stop(1)", "reset_pos(1)", "reset_enc_pos(1)", "sudden_stop(2)", "reset_pos(2)",
                          "reset_enc_pos(2)", "sudden_stop(3)", "reset_pos(3)", "reset_enc_pos(3)", "sudden_stop(4)",
                          "reset_pos(4)", "reset_enc_pos(4)"));
  EXPECT_EQ(Compensation.StartEncoder[0].load(), 77);
  EXPECT_EQ(Compensation.CommandedTravel[0].load(), 12.5);
}

TEST_F(RunControlTest, StartOfTheProgramSetsUpTheRunAndSetsItsFlagLast) {
  MotionProgram.push_back(enginetest::Command(code::kConstPtoP1, {1, 2, 3, 4}, {400, 0, 0, 0}));
  MotionProgram.push_back(enginetest::Command(code::kConstPtoP1, {2, 1, 3, 4}, {-100, 0, 0, 0}));
  Compensation.CommandedTravel[9] = 5;
  StartRequest request;
  request.loopCount = 3;
  request.plotFrame = {0, 0, 430, 330};

  EXPECT_EQ(StartButton(request), 1);

  EXPECT_TRUE(RunControl.BusyProgram.load());
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kRun);
  EXPECT_EQ(ProgramRun.LoopTotal.load(), 3);
  EXPECT_EQ(Compensation.CommandedTravel[9].load(), 0);
  EXPECT_DOUBLE_EQ(Plot.MaxX, 400);
  EXPECT_DOUBLE_EQ(Plot.MinY, -100);
  EXPECT_DOUBLE_EQ(Plot.Scale, 1.0);  // 400 pulses over 400 free pixels
  EXPECT_GT(port_.RepaintCount(), 0);
  EXPECT_EQ(CountPrefix(Trace(), "get_encoder("), 4u);
  EXPECT_THAT(Matching(Trace(), "get_abs_pos("), ElementsAre("get_abs_pos(1,*)", "get_abs_pos(2,*)"));
  EXPECT_NE(SavedFile().find("[Ctrler]=1"), std::string::npos);  // parameters saved at every Start
}

TEST_F(RunControlTest, StartWithAnEmptyProgramEndsOnTheFirstTickWithMessageSix) {
  EXPECT_EQ(StartButton(StartRequest{}), 1);
  EXPECT_TRUE(RunControl.BusyProgram.load());
  Tick();
  EXPECT_FALSE(RunControl.BusyProgram.load());
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:There is no data!"));
}

// Every row is checked in the slots its code uses, before any card call.
TEST_F(RunControlTest, AProgramNamingAnAxisTheMachineLacksIsRefusedBeforeAnyCardCall) {
  using enginetest::Command;
  const MotionCommand x = Command(code::kFastPtoP1, {1, 0, 0, 0}, {10, 0, 0, 0});  // unused slots hold 0
  struct Case {
    const char* what;
    int cards;
    std::vector<MotionCommand> program;
    std::string refusal;  // empty: the run starts
  };
  const std::vector<Case> cases = {
      {"unused slots are not looked at", 1, {x, Command(code::kConstLine2, {2, 4, 9, 0}, {})}, ""},
      {"axis 5 on one card",
       1,
       {x, Command(code::kConstPtoP3, {1, 2, 5, 0}, {}), Command(code::kHome1, {0, 1, 1, 1}, {})},
       "Error:Row 2 uses an axis that this machine does not have!"},
      {"axis 0 in a used slot",
       1,
       {Command(code::kConstLine2, {1, 0, 3, 4}, {})},
       "Error:Row 1 uses an axis that this machine does not have!"},
      {"a home row",
       2,
       {x, x, Command(code::kHome1, {9, 1, 1, 1}, {})},
       "Error:Row 3 uses an axis that this machine does not have!"},
      {"eight axes with two cards", 2, {Command(code::kFastPtoP4, {5, 6, 7, 8}, {})}, ""},
      {"a switch output names a card, no axis", 1, {Command(code::kSwitchOutput, {2, 30, 1, 0}, {})}, ""},
      {"an unknown code names nothing", 1, {Command(0x7777, {0, 0, 0, 0}, {})}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetEngineState();
    SelectModel(kOrvb, c.cards);
    RunControl.MotionMode = mode::kDecelStop;
    MotionProgram = c.program;
    port_.ClearRecord();
    const int started = StartButton(StartRequest{});
    EXPECT_EQ(started, c.refusal.empty() ? 1 : 0);
    EXPECT_EQ(RunControl.BusyProgram.load(), c.refusal.empty());
    if (c.refusal.empty()) {
      EXPECT_THAT(port_.BoxTexts(), IsEmpty());
    } else {
      EXPECT_THAT(port_.BoxTexts(), ElementsAre(c.refusal));
      EXPECT_THAT(Trace(), IsEmpty()) << "no card call";
      EXPECT_EQ(RunControl.MotionMode.load(), mode::kDecelStop);
    }
  }

  SysParams.LangVer = kLangChinese;
  ResetEngineState();
  SelectModel(kOrvb, 1);
  MotionProgram = {x, x, x, Command(code::kConstPtoP2, {4, 6, 0, 0}, {})};
  port_.ClearRecord();
  EXPECT_EQ(StartButton(StartRequest{}), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("错误：第4行使用了本机不存在的轴!"));
}

TEST_F(RunControlTest, PtoPPageChecksAxesBeforeSpeedsAndWritesTheWholeRecord) {
  // The panel the button read when pressed counts, whatever paints later.
  RunControl.ActivePanel = panel::kLinear;
  SysParams.PtoPRunRecord = enginetest::Command(code::kConstPtoP1, {1, 2, 3, 4}, {1, 1, 1, 1});
  const MotionCommand before = SysParams.PtoPRunRecord;
  StartRequest request;
  request.panel = panel::kPtoP;
  request.ptop.axisCount = 2;
  request.ptop.axis[0] = 1;
  request.ptop.axis[1] = 1;
  request.ptop.startSpeed[1] = 5e6;  // also out of range: the axes are checked first

  EXPECT_EQ(StartButton(request), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:There is same axis number!"));
  EXPECT_FALSE(RunControl.BusyPtoP.load());
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kRun);
  EXPECT_EQ(SysParams.PtoPRunRecord.dbDis[0], before.dbDis[0]);

  // With one axis the second column's choice is ignored, but its speed of
  // exactly 2000000 pulses per second is not checked either.
  request.ptop.axisCount = 1;
  request.ptop.startSpeed[0] = 2000000;
  port_.ClearRecord();
  EXPECT_EQ(StartButton(request), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:The parameter of speed is outside, Please try it again!"));

  request.ptop.startSpeed[0] = 1999999.9;
  port_.ClearRecord();
  EXPECT_EQ(StartButton(request), 1);
  EXPECT_THAT(port_.BoxTexts(), IsEmpty());
  EXPECT_TRUE(RunControl.BusyPtoP.load());
  EXPECT_EQ(SysParams.PtoPRunRecord.iCodeType, 0x02010000);
  EXPECT_NE(SavedFile().find("[LineCodeType]=33619968"), std::string::npos);

  RunControl.BusyPtoP = false;
  request.ptop = PtoPTabValues{};
  request.ptop.axisCount = 3;
  request.ptop.speedMode = 1;
  request.ptop.motionMode = 1;
  request.ptop.axis[3] = 7;
  request.ptop.distance[3] = -3.5;
  EXPECT_EQ(StartButton(request), 1);
  EXPECT_EQ(SysParams.PtoPRunRecord.iCodeType, 0x06034100);
  EXPECT_EQ(SysParams.PtoPRunRecord.iAxes[3], 7);  // all four columns, whatever the count
  EXPECT_EQ(SysParams.PtoPRunRecord.dbDis[3], -3.5);
}

TEST_F(RunControlTest, LinearAndCircularPagesRefuseTheSameAxisTwice) {
  StartRequest request;
  request.panel = panel::kLinear;
  request.linear.axisCount = 4;
  request.linear.axis[3] = 1;
  EXPECT_EQ(StartButton(request), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:There is same axis number!"));
  EXPECT_FALSE(RunControl.BusyLinear.load());

  request.linear.axisCount = 3;
  request.linear.speedMode = 1;
  request.linear.vectorStart = 1;
  request.linear.vectorMax = 2;
  request.linear.vectorAcc = 3;
  request.linear.distance[2] = 9;
  EXPECT_EQ(StartButton(request), 1);
  EXPECT_TRUE(RunControl.BusyLinear.load());
  EXPECT_EQ(SysParams.LinearRunRecord.iCodeType, 0x06036000);
  EXPECT_EQ(SysParams.LinearRunRecord.dbHighSpd[0], 2);
  EXPECT_EQ(SysParams.LinearRunRecord.dbDis[2], 9);
  RunControl.BusyLinear = false;

  request.panel = panel::kCircular;
  SysParams.CircularRunRecord.iAxes[2] = 42;
  request.circular.axis[0] = 2;
  request.circular.axis[1] = 2;
  port_.ClearRecord();
  EXPECT_EQ(StartButton(request), 0);
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kSuddenStop);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:There is same axis number!"));

  request.circular.axis[0] = 1;
  request.circular.speedMode = 1;
  request.circular.centre[0] = 10;
  request.circular.angle = 90;
  request.circular.ellipseRatio = 0.5;
  EXPECT_EQ(StartButton(request), 1);
  EXPECT_TRUE(RunControl.BusyCircular.load());
  EXPECT_EQ(SysParams.CircularRunRecord.iCodeType, 74);
  EXPECT_EQ(SysParams.CircularRunRecord.dbDis[0], 10);
  EXPECT_EQ(SysParams.CircularRunRecord.dbDis[2], 90);
  EXPECT_EQ(SysParams.CircularRunRecord.dbDis[3], 0.5);
  EXPECT_EQ(SysParams.CircularRunRecord.iAxes[2], 42);  // not touched
}

}  // namespace
