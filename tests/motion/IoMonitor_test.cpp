// The I/O monitor's rules on the simulated cards: LED states by reading and
// logic level, the output level memory, the signal enable boxes.

#include "motion/IoMonitor.h"

#include "EngineFixture.h"
#include "sim/sim_api.h"

namespace {

using enginetest::kOrvb;
using enginetest::kOrvc;
using enginetest::Matching;
using testing::ElementsAre;
using testing::IsEmpty;

class IoMonitorTest : public enginetest::EngineTest {};

TEST_F(IoMonitorTest, GeneralAndSignalInputsFollowTheirReadingAndLevel) {
  EXPECT_EQ(GeneralInputState(0, led::kRed), led::kGreen);
  EXPECT_EQ(GeneralInputState(1, led::kGreen), led::kRed);
  EXPECT_EQ(GeneralInputState(-1, led::kGreen), led::kBlue);
  EXPECT_EQ(GeneralInputState(-100, led::kGreen), led::kGreen);  // anything else keeps the LED

  EXPECT_EQ(SignalInputState(1, 0, led::kRed), led::kGreen);
  EXPECT_EQ(SignalInputState(1, 1, led::kGreen), led::kRed);
  EXPECT_EQ(SignalInputState(0, 1, led::kRed), led::kGreen);
  EXPECT_EQ(SignalInputState(0, 0, led::kGreen), led::kRed);
  EXPECT_EQ(SignalInputState(-100, 0, led::kGreen), led::kBlue);
  EXPECT_EQ(SignalInputState(1, 5, led::kRed), led::kRed);  // a level of 5 shows nothing
  EXPECT_EQ(SignalInputState(-100, -1, led::kGreen), led::kGreen);
}

TEST_F(IoMonitorTest, LimitReadingsLightBothLedsByTheLevel) {
  struct Case {
    int reading, level, plus, minus;
  };
  const Case cases[] = {
      {1, 0, 1, 0},  {-1, 0, 0, 1}, {2, 0, 1, 1}, {0, 0, 0, 0},  // both green at level 0
      {1, 1, 0, 1},  {-1, 1, 1, 0}, {2, 1, 0, 0}, {0, 1, 1, 1},  // both red at level 1
      {-2, 0, 2, 2}, {3, 1, 2, 2},
  };
  for (const Case& c : cases) {
    int plus = 7, minus = 7;
    LimitInputStates(c.reading, c.level, plus, minus);
    EXPECT_EQ(plus, c.plus) << c.reading << " " << c.level;
    EXPECT_EQ(minus, c.minus) << c.reading << " " << c.level;
  }
  int plus = led::kGreen, minus = led::kBlue;
  LimitInputStates(2, 5, plus, minus);
  EXPECT_EQ(plus, led::kGreen);
  EXPECT_EQ(minus, led::kBlue);
}

TEST_F(IoMonitorTest, CardTwoReadsItsOwnAxesWithTheirOwnLevels) {
  UseTwoCards();
  SelectModel(kOrvb, 2);
  ApplyAxisSettings();
  Machine().Force(6, SIM_SIGNAL_POS_LIMIT, 1);
  Machine().Force(7, SIM_SIGNAL_NEG_LIMIT, 1);
  Machine().Force(5, SIM_SIGNAL_ALARM, 1);
  Machine().Force(8, SIM_SIGNAL_SLOWDOWN, 1);
  Machine().ForceInput(2, 5, 1);
  SysParams.OrgEffLev[5] = 5;  // axis 6: its Org LED stays as it was
  ClearTraces();

  IoInputStates states;
  states.origin[1] = led::kBlue;
  ReadIoInputs(2, states);

  EXPECT_EQ(Matching(Trace(), "checkin_bit").size(), 18u);
  EXPECT_EQ(Matching(Trace(), "checkin_bit").front(), "checkin_bit(2,1)");
  EXPECT_THAT(Matching(Trace(), "check_alarm"), ElementsAre("check_alarm(5)"));
  EXPECT_THAT(Matching(Trace(), "check_limit"),
              ElementsAre("check_limit(5)", "check_limit(6)", "check_limit(7)", "check_limit(8)"));
  EXPECT_EQ(states.general[4], led::kRed);
  EXPECT_EQ(states.general[5], led::kGreen);
  EXPECT_EQ(states.alarm, led::kGreen);  // active at alarm level 0
  EXPECT_EQ(states.limitPlus[1], led::kGreen);
  EXPECT_EQ(states.limitMinus[1], led::kRed);
  EXPECT_EQ(states.limitMinus[2], led::kGreen);
  EXPECT_EQ(states.origin[1], led::kBlue);
  EXPECT_EQ(states.slowdown[3], led::kGreen);
  EXPECT_EQ(states.slowdown[0], led::kRed);
}

TEST_F(IoMonitorTest, OutputsShareOneLevelMemoryAcrossCardsAndLoopBack) {
  UseMachine("cards = 2\nloopback = yes\n");
  SelectModel(kOrvb, 2);
  IoInputStates states;
  ReadIoInputs(1, states);
  EXPECT_EQ(states.general[2], led::kRed);  // output 3 idles at level 1

  EXPECT_EQ(OutputButton(1, 3), 0);
  ReadIoInputs(1, states);
  EXPECT_EQ(states.general[2], led::kGreen);
  EXPECT_EQ(states.general[3], led::kRed);

  // Card 2's button 3 shows the same memory: its next click sends 1.
  EXPECT_EQ(OutputButton(2, 3), 1);
  EXPECT_EQ(OutputButton(2, 24), 0);
  EXPECT_THAT(Matching(Trace(), "outport_bit"),
              ElementsAre("outport_bit(1,3,0)", "outport_bit(2,3,1)", "outport_bit(2,24,0)"));

  IoMonitor.OutputLevel[9] = 4;  // a level that is neither: nothing is sent
  ClearTraces();
  EXPECT_EQ(OutputButton(1, 10), 4);
  EXPECT_EQ(OutputButton(1, 25), 1);
  EXPECT_THAT(Matching(Trace(), "outport_bit"), IsEmpty());

  ResetEngineState();
  EXPECT_EQ(IoMonitor.OutputLevel[2], 1);
}

TEST_F(IoMonitorTest, EnableBoxesReachTheRowsAxisOnTheShownCard) {
  UseTwoCards();
  SelectModel(kOrvc, 2);
  SignalEnableBox(SignalFunction::Origin, 1, 1, false);
  SignalEnableBox(SignalFunction::Limit, 3, 2, false);
  SignalEnableBox(SignalFunction::SlowDown, 4, 2, true);
  SignalEnableBox(SignalFunction::Alarm, 3, 2, false);  // the alarm is the card's first axis
  EXPECT_THAT(Matching(Trace(), "enable_"),
              ElementsAre("enable_org(1,0)", "enable_el(7,0)", "enable_sd(8,1)", "enable_alm(5,0)"));

  // Switched off, a forced limit no longer reads active.
  Machine().Force(7, SIM_SIGNAL_POS_LIMIT, 1);
  IoInputStates states;
  ReadIoInputs(2, states);
  EXPECT_EQ(states.limitPlus[2], led::kRed);
}

}  // namespace
