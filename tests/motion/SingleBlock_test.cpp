// Single block (the run pauses before each next row until Start) and the
// listing's Run From Here, on the simulated cards: the trace shows which
// rows ran.

#include "EngineFixture.h"
#include "motion/RunControl.h"

namespace {

using enginetest::Command;
using enginetest::Matching;
using enginetest::Motions;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

const std::string kBusyText = "Error:The motion is running,so it can't start a new motion!";

class SingleBlockTest : public enginetest::EngineTest {
 protected:
  // Row 1 moves axis 1 by 200 pulses at 1000 pulses/s and waits 0.1 s; rows
  // 2 and 3 switch outputs 2 and 3 of card 1.
  void LoadProgram() {
    MotionProgram = {Command(code::kConstPtoP1, {1, 2, 3, 4}, {200, 0, 0, 0}, 0.1),
                     Command(code::kSwitchOutput, {1, 2, 1, 0}, {0, 0, 0, 0}),
                     Command(code::kSwitchOutput, {1, 3, 1, 0}, {0, 0, 0, 0})};
    port_.ListClear();
    for (const MotionCommand& row : MotionProgram) port_.ListAppend(ListingText(row));
  }

  // The rows that ran, in order, as the card saw them.
  std::vector<std::string> RowsRun() const {
    std::vector<std::string> rows;
    for (const std::string& call : Motions(Trace())) {
      if (call == "con_pmove(1,200)") rows.push_back("1");
      if (call.rfind("outport_bit(1,", 0) == 0) rows.push_back(call.substr(14, 1));
    }
    return rows;
  }

  // Ticks until the run pauses or ends; the row it waits before, 0 when it ended.
  int TickToPause() {
    EXPECT_GE(TickUntil([] { return ProgramPausedBeforeRow() != 0 || !RunControl.BusyProgram.load(); }, 10000), 0);
    return ProgramPausedBeforeRow();
  }

  static StartRequest Request(int loops, int firstRow = 0) {
    StartRequest request;
    request.loopCount = loops;
    request.firstRow = firstRow;
    request.plotFrame = {0, 0, 400, 300};
    return request;
  }
};

TEST_F(SingleBlockTest, EachRowEndsInAPauseBeforeTheNextAndStartGoesOnWithIt) {
  LoadProgram();
  ProgramRun.SingleBlock = true;
  ASSERT_EQ(StartButton(Request(2)), 1);

  // The first pause comes once row 1 has moved, settled and waited its delay.
  const int ticksToFirstPause = TickUntil([] { return ProgramPausedBeforeRow() != 0; }, 10000);
  EXPECT_GE(ticksToFirstPause, 40 + 20);
  EXPECT_EQ(Machine().Position(1), 200);

  struct Pause {
    int before;     // 1-based row the run waits before
    int loopsDone;  // passes completed
  };
  const Pause pauses[] = {{2, 0}, {3, 0}, {1, 1}, {2, 1}, {3, 1}};
  for (const Pause& expected : pauses) {
    SCOPED_TRACE(testing::Message() << "pause before row " << expected.before << " after " << expected.loopsDone);
    ASSERT_EQ(TickToPause(), expected.before);
    EXPECT_EQ(ProgramRun.LoopsDone.load(), expected.loopsDone);
    EXPECT_EQ(ProgramRun.LoopTotal.load(), 2);
    EXPECT_EQ(port_.ListSelectedRow(), expected.before - 1);
    EXPECT_EQ(port_.CurrentRowText(), std::to_string(expected.before));
    // Nothing runs while it waits.
    const std::size_t callsBefore = Motions(Trace()).size();
    Ticks(50);
    EXPECT_EQ(Motions(Trace()).size(), callsBefore);
    EXPECT_TRUE(RunControl.BusyProgram.load());
    EXPECT_EQ(StartButton(Request(7)), 1);
    EXPECT_EQ(ProgramPausedBeforeRow(), 0);
  }
  // The last row of the last pass ends the run: no pause after it.
  EXPECT_EQ(TickToPause(), 0);
  EXPECT_THAT(RowsRun(), ElementsAre("1", "2", "3", "1", "2", "3"));
  EXPECT_EQ(RunReport.Read().end, run_end::kNormal);
  EXPECT_THAT(port_.BoxTexts(), IsEmpty());
}

TEST_F(SingleBlockTest, WhilePausedOtherRequestsAreRefusedAndEitherStopEndsTheRun) {
  for (const bool sudden : {false, true}) {
    SCOPED_TRACE(sudden ? "S Stop" : "D Stop");
    ResetEngineState();
    RunControl.CardCount = 1;
    Machine().Reset();
    LoadProgram();
    ProgramRun.SingleBlock = true;
    ASSERT_EQ(StartButton(Request(1)), 1);
    ASSERT_EQ(TickToPause(), 2);
    ClearTraces();
    port_.ClearRecord();

    JogButton(1, +1, 0);
    StartRequest ptop = Request(1);
    ptop.panel = panel::kPtoP;  // Start on another page is another motion
    EXPECT_EQ(StartButton(ptop), 0);
    EXPECT_THAT(port_.BoxTexts(), ElementsAre(kBusyText, kBusyText));
    EXPECT_TRUE(ProgramRunning()) << "the program may not be edited";
    EXPECT_EQ(ProgramPausedBeforeRow(), 2);

    sudden ? SStop() : DStop();
    EXPECT_FALSE(RunControl.BusyProgram.load());
    EXPECT_EQ(ProgramPausedBeforeRow(), 0);
    EXPECT_EQ(RunReport.Read().end, run_end::kStopped);
    Tick();
    EXPECT_EQ(ProgramRun.CurrentRow.load(), 0);
    EXPECT_THAT(RowsRun(), IsEmpty());

    // The next Start is a new run from row 1.
    ProgramRun.SingleBlock = false;
    ASSERT_EQ(StartButton(Request(1)), 1);
    EXPECT_EQ(TickToPause(), 0);
    EXPECT_THAT(RowsRun(), ElementsAre("1", "2", "3"));
  }
}

TEST_F(SingleBlockTest, SwitchedOffWhilePausedTheNextStartRunsToTheEnd) {
  LoadProgram();
  ProgramRun.SingleBlock = true;
  ASSERT_EQ(StartButton(Request(2)), 1);
  ASSERT_EQ(TickToPause(), 2);
  ProgramRun.SingleBlock = false;
  Ticks(10);
  EXPECT_EQ(ProgramPausedBeforeRow(), 2) << "the pause holds until Start";
  ASSERT_EQ(StartButton(Request(1)), 1);
  EXPECT_EQ(TickToPause(), 0);
  EXPECT_THAT(RowsRun(), ElementsAre("1", "2", "3", "1", "2", "3"));
  EXPECT_EQ(RunReport.Read().end, run_end::kNormal);
}

// The ended run's counters are not the next run's, even before a tick
// without a run has reset them.
TEST_F(SingleBlockTest, AStartRightAfterARunEndedRunsTheProgramAgain) {
  LoadProgram();
  ASSERT_EQ(StartButton(Request(1)), 1);
  ASSERT_EQ(TickToPause(), 0);
  ASSERT_EQ(StartButton(Request(1)), 1);
  EXPECT_EQ(TickToPause(), 0);
  EXPECT_THAT(RowsRun(), ElementsAre("1", "2", "3", "1", "2", "3"));
}

TEST_F(SingleBlockTest, RunFromARowBeginsTheFirstPassThereAndLaterPassesAtRowOne) {
  struct Case {
    int firstRow;
    int loops;
    std::vector<std::string> rows;
    double originX;  // where the plot puts the program's start: row 1 moves 200
  };
  const Case cases[] = {
      {0, 1, {"1", "2", "3"}, 0},
      {1, 1, {"2", "3"}, -200},
      {2, 2, {"3", "1", "2", "3"}, -200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "from row " << c.firstRow + 1);
    ResetEngineState();
    RunControl.CardCount = 1;
    Machine().Reset();
    LoadProgram();
    ClearTraces();
    port_.ClearRecord();
    ASSERT_EQ(RunFromRowButton(Request(c.loops, c.firstRow)), 1);
    EXPECT_EQ(Matching(Trace(), "get_encoder").size(), 4u) << "the encoder reference of every axis";
    EXPECT_EQ(ProgramRun.LoopTotal.load(), c.loops);
    EXPECT_EQ(RunControl.MotionMode.load(), mode::kRun);
    EXPECT_DOUBLE_EQ(Plot.OriginX.load(), c.originX);
    // A tick that had not seen the run yet may still reset the counters.
    ProgramRun.CurrentRow = 0;
    EXPECT_EQ(TickToPause(), 0);
    EXPECT_THAT(RowsRun(), ElementsAreArray(c.rows));
    EXPECT_EQ(RunReport.Read().end, run_end::kNormal);
    EXPECT_THAT(port_.BoxTexts(), IsEmpty());
  }
}

TEST_F(SingleBlockTest, RunFromARowIsRefusedWithoutARowOrWhileAMotionRuns) {
  LoadProgram();
  struct Case {
    int row;
    bool jogging;
    std::string message;
  };
  const Case cases[] = {
      {-1, false, "Error:Please choose the item you want to modify!"},
      {3, false, "Error:Please choose the item you want to modify!"},
      {1, true, "Error:The motion is running,so you can't operate the data!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << c.row);
    port_.ClearRecord();
    ClearTraces();
    RunControl.BusyJog = c.jogging;
    EXPECT_EQ(RunFromRowButton(Request(1, c.row)), 0);
    EXPECT_THAT(port_.BoxTexts(), ElementsAre(c.message));
    EXPECT_FALSE(RunControl.BusyProgram.load());
    EXPECT_THAT(Trace(), IsEmpty());
  }
}

}  // namespace
