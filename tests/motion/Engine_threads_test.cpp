// The engine with its real 5 ms timer on the real-time machine, while
// another thread does what an operator does: jogs, stops, starts of the
// program and the pages, runs from a row, single block switched on and off
// (Start then also goes on after a pause), homing, Clear, and reading the
// live tables. Run
// under ThreadSanitizer this finds unordered sharing between the threads.

#include <chrono>
#include <random>
#include <thread>

#include "EngineFixture.h"
#include "motion/PathPlot.h"
#include "motion/RunControl.h"

namespace {

using enginetest::Command;
using namespace std::chrono_literals;

class EngineThreadsTest : public enginetest::EngineTest {};

TEST_F(EngineThreadsTest, OperatorThreadAndTickRunTogetherForTenSeconds) {
  UseTwoCards();
  SelectModel(enginetest::kOrvb, 2);
  Machine().RealTime();
  SysParams.CheckTime = 0.02;
  SysParams.Input = 1;
  for (int i = 0; i < 8; ++i) {
    SysParams.PMoveSetStep[i] = 300;
    SysParams.PMoveSetLowSpd[i] = 1000;
    SysParams.PMoveSetHighSpd[i] = 20000;
    SysParams.PMoveSetAccSpd[i] = 200000;
    SysParams.LowSpd[i] = 2000;
    SysParams.HighSpd[i] = 20000;
    SysParams.AccSpd[i] = 200000;
    SysParams.Expiation[i] = 50;
  }
  MotionCommand move = Command(code::kConstPtoP1, {1, 2, 3, 4}, {600, 0, 0, 0}, 0.01);
  move.dbLowSpd[0] = 20000;
  MotionProgram.push_back(move);
  MotionProgram.push_back(Command(code::kSwitchOutput, {1, 2, 1, 0}, {0, 0, 0, 0}, 0.01));
  MotionProgram.push_back(Command(code::kFastLine2, {1, 2, 3, 4}, {-600, 300, 0, 0}, 0.0));

  std::mt19937 random(12345);
  // Now and then S Stop is pressed while a jog waits.
  port_.OnPendingEvents([&] {
    if (random() % 200 == 0) SStop();
  });

  StartStatusTimer();
  ASSERT_NE(StatusTables.TimerId.load(), 0u);
  const auto ticksBefore = StatusTables.TickCount.load();
  const auto end = std::chrono::steady_clock::now() + 10s;
  int started = 0;
  double seen = 0;
  while (std::chrono::steady_clock::now() < end) {
    StartRequest request;
    request.plotFrame = {0, 0, 400, 300};
    request.loopCount = 2;
    request.ptop.axisCount = 2;
    request.ptop.startSpeed[0] = request.ptop.startSpeed[1] = 5000;
    request.linear.vectorStart = 5000;
    request.linear.distance[0] = 200;
    request.linear.distance[1] = -200;
    switch (random() % 9) {
      case 0:
        JogButton(static_cast<int>(random() % 4) + 1, random() % 2 == 0 ? 1 : -1, static_cast<int>(random() % 2));
        break;
      case 1:
        DStop();
        break;
      case 2:
        SStop();
        break;
      case 3:
      case 4:
        request.panel = static_cast<int>(random() % 3);
        started += StartButton(request);
        break;
      case 5:
        HomeAxisButton(static_cast<int>(random() % 4) + 1, 0);
        break;
      case 6:
        ClearButton();
        break;
      case 7:
        ProgramRun.SingleBlock = !ProgramRun.SingleBlock.load();
        break;
      case 8:
        request.firstRow = static_cast<int>(random() % 3);
        started += RunFromRowButton(request);
        break;
      default:
        break;
    }
    // What the panels' timers do meanwhile.
    for (int i = 0; i < 8; ++i) seen += StatusTables.CommandPosition[static_cast<std::size_t>(i)].load();
    AdvancePlot(StatusTables.CommandPosition[0].load(), StatusTables.CommandPosition[1].load());
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 40));
  }

  SStop();
  std::this_thread::sleep_for(50ms);
  StopStatusTimer(StatusTables.TimerId.load());

  EXPECT_GT(started, 10);
  EXPECT_GT(StatusTables.TickCount.load() - ticksBefore, 1000u) << "the tick kept running";
  EXPECT_FALSE(AnyMotionBusy());
  for (int axis = 1; axis <= 8; ++axis) EXPECT_EQ(CardDriver.check_done(axis), 0) << "axis " << axis;
  EXPECT_TRUE(std::isfinite(seen));
  EXPECT_EQ(PendingTickMessages(), 0);
}

}  // namespace
