// The status timer and the tick: start-up rules of the timer, polling of
// the shown card, the reset rules, and program runs tick by tick.

#include <map>
#include <thread>

#include "EngineFixture.h"

namespace {

using enginetest::Command;
using enginetest::CountPrefix;
using enginetest::kOrvb;
using enginetest::Matching;
using enginetest::Motions;
using testing::Each;
using testing::ElementsAre;
using testing::IsEmpty;

class StatusTimerTest : public enginetest::EngineTest {};

TEST_F(StatusTimerTest, ResolutionRuleDecidesWhetherTheTimerStarts) {
  platform::SetTimerCapsForTesting(platform::TimerCaps{1, 1000000});
  StartStatusTimer();
  EXPECT_EQ(StatusTables.TimerResolution.load(), 1u);
  EXPECT_NE(StatusTables.TimerId.load(), 0u);
  EXPECT_THAT(port_.BoxTexts(), IsEmpty());
  StopStatusTimer(StatusTables.TimerId.load());
  EXPECT_EQ(StatusTables.TimerId.load(), 0u);

  platform::SetTimerCapsForTesting(platform::TimerCaps{0, 1000000});
  StartStatusTimer();
  EXPECT_EQ(StatusTables.TimerResolution.load(), 1u);
  EXPECT_NE(StatusTables.TimerId.load(), 0u);
  StopStatusTimer(StatusTables.TimerId.load());

  platform::SetTimerCapsForTesting(platform::TimerCaps{2, 1000000});
  StartStatusTimer();
  EXPECT_EQ(StatusTables.TimerResolution.load(), 2u);
  EXPECT_EQ(StatusTables.TimerId.load(), 0u);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("The resolving power of MMTimer is 2"));

  // A maximum below the minimum caps the resolution.
  port_.ClearRecord();
  platform::SetTimerCapsForTesting(platform::TimerCaps{5, 3});
  StartStatusTimer();
  EXPECT_EQ(StatusTables.TimerResolution.load(), 3u);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("The resolving power of MMTimer is 3"));
}

// Where the system refuses the tick its real-time priority, the status
// timer still starts and drives the tick.
TEST_F(StatusTimerTest, ARefusedRealtimePriorityStillStartsTheTimer) {
  platform::SetTimerRealtimePriority(1000);  // beyond any system's range
  StartStatusTimer();
  platform::SetTimerRealtimePriority(platform::kTimerRealtimePriority);
  EXPECT_NE(StatusTables.TimerId.load(), 0u);
  EXPECT_THAT(port_.BoxTexts(), IsEmpty());
  const auto before = StatusTables.TickCount.load();
  while (StatusTables.TickCount.load() < before + 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  StopStatusTimer(StatusTables.TimerId.load());
  EXPECT_EQ(StatusTables.TimerId.load(), 0u);
}

TEST_F(StatusTimerTest, AFailedQueryKeepsTheStoredResolution) {
  platform::SetTimerCapsForTesting(std::nullopt, true);
  StartStatusTimer();
  EXPECT_EQ(StatusTables.TimerResolution.load(), 0u);
  EXPECT_NE(StatusTables.TimerId.load(), 0u);
  // The running timer drives the tick.
  const auto before = StatusTables.TickCount.load();
  for (int i = 0; i < 400 && StatusTables.TickCount.load() < before + 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_GE(StatusTables.TickCount.load(), before + 3);
}

TEST_F(StatusTimerTest, StoppingTimerZeroChangesNothing) {
  StopStatusTimer(0);
  EXPECT_EQ(StatusTables.TimerId.load(), 0u);
}

TEST_F(StatusTimerTest, QuitEmptiesTheProgramAndThePlotAndAsksToQuit) {
  MotionProgram.push_back(Command(code::kConstPtoP1, {1, 2, 3, 4}, {1, 0, 0, 0}));
  Plot.Segments.push_back({0, 0, 1, 1});
  StartStatusTimer();
  QuitApplication();
  EXPECT_EQ(StatusTables.TimerId.load(), 0u);
  EXPECT_TRUE(MotionProgram.empty());
  EXPECT_EQ(Plot.Segments.capacity(), 0u);
  EXPECT_EQ(port_.QuitCount(), 1);
}

class PollingTest : public enginetest::EngineTest {};

TEST_F(PollingTest, OnlyTheShownCardsAxesAreRefreshed) {
  UseTwoCards();
  SelectModel(kOrvb, 2);
  for (std::size_t i = 0; i < 8; ++i) {
    StatusTables.CommandPosition[i] = -7;
    StatusTables.EncoderCount[i] = -7;
    StatusTables.CurrentSpeed[i] = -7;
  }
  Tick();
  EXPECT_THAT(Matching(Trace(), "get_abs_pos"),
              ElementsAre("get_abs_pos(1,*)", "get_abs_pos(2,*)", "get_abs_pos(3,*)", "get_abs_pos(4,*)"));
  // Position, encoder, speed per axis, in axis order.
  const std::vector<std::string> trace = Trace();
  ASSERT_GE(trace.size(), 3u);
  EXPECT_THAT(std::vector<std::string>(trace.begin(), trace.begin() + 3),
              ElementsAre("get_abs_pos(1,*)", "get_encoder(1,*)", "get_rate(1)"));
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(StatusTables.CommandPosition[i].load(), 0);
  for (std::size_t i = 4; i < 8; ++i) {
    EXPECT_EQ(StatusTables.CommandPosition[i].load(), -7);
    EXPECT_EQ(StatusTables.EncoderCount[i].load(), -7);
    EXPECT_EQ(StatusTables.CurrentSpeed[i].load(), -7);
  }

  RunControl.ShownCard = 2;
  ClearTraces();
  Tick();
  EXPECT_EQ(CountPrefix(Trace(), "get_abs_pos"), 8u);
  for (std::size_t i = 4; i < 8; ++i) EXPECT_EQ(StatusTables.CommandPosition[i].load(), 0);

  RunControl.ShownCard = 3;
  ClearTraces();
  Tick();
  EXPECT_THAT(Trace(), IsEmpty());
}

// One tick: the idle hold before the polling, the run steps after it.
TEST_F(PollingTest, ATickHoldsThenPollsThenAdvancesTheRuns) {
  SysParams.Guide[0] = 4;
  SysParams.MotorPulse[0] = 3200;
  SysParams.MotorRatio[0] = 1;
  SysParams.FeedBack[0] = 1.25;  // one count per pulse
  SysParams.Input = 1;
  SelectModel(kOrvb, 1);
  Compensation.CommandedTravel[0] = 100;  // the encoder still reads 0
  RunControl.MotionMode = mode::kRun;
  Tick();
  std::vector<std::string> trace = Trace();
  const auto correction = std::find(trace.begin(), trace.end(), "fast_pmove(1,100)");
  const auto firstPoll = std::find(trace.begin(), trace.end(), "get_abs_pos(1,*)");
  ASSERT_NE(correction, trace.end());
  ASSERT_NE(firstPoll, trace.end());
  EXPECT_LT(correction, firstPoll);

  SStop();
  Tick();  // the idle hold is over: MotionMode 5
  SysParams.PtoPRunRecord = Command(code::kConstPtoP1, {2, 1, 3, 4}, {50, 0, 0, 0});
  RunControl.BusyPtoP = true;
  ClearTraces();
  Tick();
  trace = Trace();
  const auto move = std::find(trace.begin(), trace.end(), "con_pmove(2,50)");
  const auto lastPoll = std::find(trace.begin(), trace.end(), "get_rate(4)");
  ASSERT_NE(move, trace.end());
  ASSERT_NE(lastPoll, trace.end());
  EXPECT_LT(lastPoll, move);
  EXPECT_EQ(CountPrefix(trace, "fast_pmove"), 0u);
}

TEST_F(PollingTest, TablesFollowAMovingAxis) {
  CardDriver.set_conspeed(3, 1000);
  CardDriver.con_pmove(3, 500);
  Ticks(50);  // 0.25 s at 1000 pulses per second
  EXPECT_NEAR(StatusTables.CommandPosition[2].load(), 250, 10);
  EXPECT_NEAR(StatusTables.CurrentSpeed[2].load(), 1000, 1);
}

TEST_F(PollingTest, RunStatesStartOverOnceTheirFlagsAreClear) {
  ProgramRun.CurrentRow = 3;
  ProgramRun.LoopsDone = 2;
  ProgramRun.RowState = 5;
  ProgramRun.PageRunState = {4, 4, 4};
  Homing.HomeRunState = 1;
  RunControl.MotionMode = mode::kJog;
  Tick();
  EXPECT_EQ(ProgramRun.CurrentRow.load(), 0);
  EXPECT_EQ(ProgramRun.LoopsDone.load(), 0);
  EXPECT_EQ(ProgramRun.RowState, 0);
  EXPECT_THAT(ProgramRun.PageRunState, Each(0));
  EXPECT_EQ(Homing.HomeRunState, 0);
  EXPECT_EQ(Compensation.HoldRecord2.iAxes[3], 8);
}

// Entry states of the program run, tick by tick.
class ProgramRunTest : public enginetest::EngineTest {
 protected:
  // Ticks until the run ends; per RowState the number of ticks entered in
  // it (key 9: ticks that completed a pass).
  std::map<int, int> RunToEnd(int limit = 100000) {
    std::map<int, int> entered;
    for (int i = 0; i < limit && RunControl.BusyProgram.load(); ++i) {
      const bool passEnd = ProgramRun.CurrentRow.load() >= static_cast<int>(MotionProgram.size());
      ++entered[passEnd ? 9 : ProgramRun.RowState];
      Tick();
    }
    EXPECT_FALSE(RunControl.BusyProgram.load()) << "the run did not end";
    return entered;
  }
};

TEST_F(ProgramRunTest, ConstantMoveSettlesChecksAndDelaysForEachPass) {
  SysParams.CheckTime = 3;
  MotionCommand row = Command(code::kConstPtoP1, {1, 2, 3, 4}, {100, 0, 0, 0}, 0.5);
  row.dbLowSpd[0] = 1000;  // 0.1 s of motion
  MotionProgram.push_back(row);
  StartProgram(2);

  const std::map<int, int> entered = RunToEnd();

  EXPECT_EQ(entered.at(0), 2 + 1);  // one issue tick per pass, and the tick that ends the run
  EXPECT_EQ(entered.at(1), 2);
  // The motion itself: 100 ms, of which the issue tick and the next one
  // already take 10.
  EXPECT_GE(entered.at(2), 2 * 18);
  EXPECT_LE(entered.at(2), 2 * 20);
  EXPECT_EQ(entered.at(3), 2 * 600);
  EXPECT_EQ(entered.at(4), 2 * 1);
  EXPECT_EQ(entered.count(5), 0u);
  EXPECT_EQ(entered.at(6), 2 * 100);
  EXPECT_EQ(entered.at(9), 2);
  EXPECT_THAT(Matching(Trace(), "con_pmove"), ElementsAre("con_pmove(1,100)", "con_pmove(1,100)"));
  EXPECT_EQ(Compensation.CommandedTravel[0].load(), 200);
  EXPECT_EQ(ProgramRun.LoopsDone.load(), 2);
  Tick();
  EXPECT_EQ(ProgramRun.LoopsDone.load(), 0);  // reset by the tick after the end

  // The row counter showed 1 throughout; the row was selected once per pass.
  std::vector<std::string> rowTexts;
  std::vector<std::string> selects;
  for (const std::string& call : port_.Calls()) {
    if (call.rfind("SetCurrentRowText", 0) == 0) rowTexts.push_back(call);
    if (call.rfind("ListSelect", 0) == 0) selects.push_back(call);
  }
  EXPECT_THAT(rowTexts, Each(std::string("SetCurrentRowText(1)")));
  EXPECT_THAT(selects, ElementsAre("ListSelect(0)", "ListSelect(0)"));
  // Each new pass takes the plot origin where the last one ended.
  EXPECT_EQ(Plot.OriginX.load(), 200);
}

TEST_F(ProgramRunTest, SwitchOutputRowNeitherWaitsForMotionNorSettles) {
  SysParams.CheckTime = 3;
  MotionProgram.push_back(Command(code::kSwitchOutput, {1, 3, 1, 0}, {0, 0, 0, 0}, 0.1));
  StartProgram(1);
  const std::map<int, int> entered = RunToEnd();
  EXPECT_THAT(Matching(Trace(), "outport_bit"), ElementsAre("outport_bit(1,3,1)"));
  EXPECT_EQ(entered.count(2), 0u);
  EXPECT_EQ(entered.count(3), 0u);
  EXPECT_EQ(entered.at(6), 20);
}

TEST_F(ProgramRunTest, RowsFollowEachOtherAndEveryRowShowsItsNumber) {
  MotionProgram.push_back(Command(code::kConstLine2, {1, 2, 3, 4}, {30, 40, 0, 0}));
  MotionProgram.push_back(Command(code::kFastPtoP2, {3, 4, 1, 2}, {-20, 10, 0, 0}));
  MotionProgram.push_back(Command(code::kSwitchOutput, {1, 2, 0, 0}, {0, 0, 0, 0}));
  StartProgram(1);
  RunToEnd();
  EXPECT_THAT(Motions(Trace()), ElementsAre("con_line2(1,30,2,40)", "fast_pmove2(3,-20,4,10)", "outport_bit(1,2,0)"));
  // A line adds both distances before the move; every slot's speed is set first.
  EXPECT_EQ(Compensation.CommandedTravel[1].load(), 40);
  EXPECT_EQ(Compensation.CommandedTravel[2].load(), -20);
  std::vector<std::string> selects;
  for (const std::string& call : port_.Calls()) {
    if (call.rfind("ListSelect", 0) == 0) selects.push_back(call);
  }
  EXPECT_THAT(selects, ElementsAre("ListSelect(0)", "ListSelect(1)", "ListSelect(2)"));
  // The row field follows the rows; the final tick shows row 1 again.
  std::vector<std::string> texts;
  for (const std::string& call : port_.Calls()) {
    if (call.rfind("SetCurrentRowText", 0) == 0 && (texts.empty() || texts.back() != call)) texts.push_back(call);
  }
  EXPECT_THAT(texts, ElementsAre("SetCurrentRowText(1)", "SetCurrentRowText(2)", "SetCurrentRowText(3)",
                                 "SetCurrentRowText(1)"));
  EXPECT_DOUBLE_EQ(Machine().Position(3), -20);
}

TEST_F(ProgramRunTest, ZeroLoopsEndOnTheFirstTick) {
  MotionProgram.push_back(Command(code::kConstPtoP1, {1, 2, 3, 4}, {100, 0, 0, 0}));
  StartProgram(0);
  Tick();
  EXPECT_FALSE(RunControl.BusyProgram.load());
  EXPECT_THAT(Motions(Trace()), IsEmpty());
}

TEST_F(ProgramRunTest, LimitInTheDirectionOfTravelStopsEverySlotAxis) {
  MotionCommand row = Command(code::kConstPtoP1, {2, 1, 3, 4}, {-5000, 0, 0, 0});
  row.dbLowSpd[0] = 1000;
  MotionProgram.push_back(row);
  StartProgram(3);
  Ticks(5);
  // A limit behind the axis does not matter.
  Machine().Force(2, SIM_SIGNAL_POS_LIMIT, 1);
  Ticks(2);
  EXPECT_TRUE(RunControl.BusyProgram.load());
  Machine().Force(2, SIM_SIGNAL_POS_LIMIT, -1);
  Machine().Force(2, SIM_SIGNAL_NEG_LIMIT, 1);
  ClearTraces();
  Ticks(2);
  EXPECT_FALSE(RunControl.BusyProgram.load());
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kSuddenStop);
  EXPECT_THAT(Motions(Trace()), ElementsAre("sudden_stop(2)", "sudden_stop(1)", "sudden_stop(3)", "sudden_stop(4)"));
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:The motion is outside!"));
  EXPECT_EQ(ProgramRun.CurrentRow.load(), 0);
}

TEST_F(ProgramRunTest, AZeroDistanceCountsAsPositiveForTheLimitCheck) {
  MotionCommand row = Command(code::kConstPtoP2, {1, 2, 3, 4}, {800, 0, 0, 0});
  MotionProgram.push_back(row);
  Machine().Force(2, SIM_SIGNAL_POS_LIMIT, 1);
  StartProgram(1);
  Ticks(4);
  EXPECT_FALSE(RunControl.BusyProgram.load());
  EXPECT_THAT(port_.BoxTexts(), ElementsAre("Error:The motion is outside!"));
}

TEST_F(ProgramRunTest, StopsEndTheRunAndTheNextTickResetsIt) {
  MotionCommand row = Command(code::kConstPtoP1, {1, 2, 3, 4}, {900, 0, 0, 0});
  MotionProgram.push_back(row);
  StartProgram(1);
  Ticks(10);
  DStop();
  EXPECT_FALSE(RunControl.BusyProgram.load());
  Tick();
  EXPECT_EQ(ProgramRun.RowState, 0);
  EXPECT_EQ(CountPrefix(Trace(), "decel_stop(1)"), 1u);
  const double stoppedNear = Machine().Position(1);
  Ticks(400);
  EXPECT_DOUBLE_EQ(Machine().Position(1), stoppedNear) << "a constant-speed move stops at once";
  EXPECT_LT(stoppedNear, 900);
}

// The engine's record of how the run ended and what it raised, which the
// runner reports from: the same whether or not the language shows a box.
TEST_F(ProgramRunTest, TheRunReportSaysHowEachRunEndedInAnyLanguage) {
  for (int lang : {0, 2}) {
    SCOPED_TRACE(lang);
    SysParams.LangVer = lang;
    MotionProgram.clear();
    StartProgram(1);
    RunToEnd();
    Tick();  // the tick after an end resets the run's counters
    RunReportRecord::Summary report = RunReport.Read();
    EXPECT_EQ(report.end, run_end::kMessage);
    EXPECT_EQ(report.endMessage, 6);
    EXPECT_THAT(report.messages, ElementsAre(6)) << "the ending message once";

    MotionProgram.push_back(Command(code::kConstPtoP1, {1, 2, 3, 4}, {900, 0, 0, 0}));
    StartProgram(1);
    Machine().Force(1, SIM_SIGNAL_POS_LIMIT, 1);
    RunToEnd();
    Tick();
    Machine().Force(1, SIM_SIGNAL_POS_LIMIT, -1);
    report = RunReport.Read();
    EXPECT_EQ(report.end, run_end::kMessage);
    EXPECT_EQ(report.endMessage, 12);
    EXPECT_THAT(report.messages, ElementsAre(12));

    StartProgram(1);
    Ticks(10);
    SStop();
    Ticks(2);
    report = RunReport.Read();
    EXPECT_EQ(report.end, run_end::kStopped);
    EXPECT_THAT(report.messages, IsEmpty());

    MotionProgram[0].dbDis[0] = 10;
    StartProgram(2);
    RunToEnd();
    report = RunReport.Read();
    EXPECT_EQ(report.end, run_end::kNormal);
    EXPECT_EQ(report.messageCount, 0u);
    // Messages after the end belong to no run.
    ShowTickMessage(9);
    EXPECT_EQ(RunReport.Read().messageCount, 0u);
    Tick();
  }
  EXPECT_EQ(port_.BoxTexts().size(), 3u) << "English showed its three boxes, LangVer 2 none";
}

class PageRunTest : public enginetest::EngineTest {};

TEST_F(PageRunTest, AContinuousMoveRunsUntilStoppedAndLeavesCommandedTravel) {
  SysParams.PtoPRunRecord = Command(0x02014100, {1, 2, 3, 4}, {-10, 0, 0, 0});
  RunControl.BusyPtoP = true;
  Ticks(50);
  EXPECT_TRUE(RunControl.BusyPtoP.load());
  EXPECT_THAT(Matching(Trace(), "fast_vmove"), ElementsAre("fast_vmove(1,-1)"));
  EXPECT_LT(Machine().Position(1), -100);
  SStop();
  Ticks(2);
  EXPECT_FALSE(RunControl.BusyPtoP.load());
  EXPECT_EQ(Compensation.CommandedTravel[0].load(), 0);
}

TEST_F(PageRunTest, APointToPointRunSettlesBeforeItEnds) {
  SysParams.CheckTime = 0.5;
  SysParams.LinearRunRecord = Command(code::kFastLine3, {1, 2, 3, 4}, {100, 100, 100, 0});
  RunControl.BusyLinear = true;
  const int ticks = TickUntil([] { return !RunControl.BusyLinear.load(); });
  EXPECT_GT(ticks, 100);  // motion, then 100 settle ticks, a check and the end
  EXPECT_EQ(CountPrefix(Trace(), "fast_line3(1,100,2,100,3,100)"), 1u);
  EXPECT_EQ(CountPrefix(Trace(), "set_vector_profile"), 1u);
  EXPECT_EQ(Compensation.CommandedTravel[2].load(), 100);
}

}  // namespace
