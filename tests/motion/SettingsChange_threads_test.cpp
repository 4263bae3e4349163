// The setting dialogs' Save against a tick on its own thread: the idle
// position hold reads the machine description every tick with no motion
// flag set, a homing reads its settings, and a failed homing holds its tick
// on a box. Run under ThreadSanitizer this finds a write that races a read.

#include <condition_variable>
#include <mutex>
#include <thread>

#include "EngineFixture.h"
#include "motion/SettingsChange.h"

namespace {

using testing::Contains;

const char* const kStopFirstMessage = "Erro：Please stop the motion first!";
const char* const kOriginMessage = "Error:Please check the origin signal is right!";

class SettingsChangeThreadsTest : public enginetest::EngineTest {};

// Answers every box at once, except the origin message: that one is held
// until the test releases it, as an operator who has not answered yet.
class HoldingPort final : public RecordingPort {
 public:
  int MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) override {
    if (text == kOriginMessage) {
      std::unique_lock lock(mutex_);
      holding_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
    }
    return RecordingPort::MessageBox(text, caption, buttons, icon);
  }
  void WaitUntilHolding() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return holding_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool holding_ = false;
  bool released_ = false;
};

EquipmentCardValues Mechanics(int round) {
  EquipmentCardValues v;
  v.checkTime = round % 2 == 0 ? 0.01 : 0.02;
  v.realTime = round % 3 == 0 ? 0 : 1;
  v.linearUnit = round % 3;
  v.rotaryUnit = round % 2;
  v.equipMode = {round % 2, 0, 1, 0};
  v.motorPulse = {1000.0 + round, 1000, 1000, 1000};
  v.guide = {1, 1, 1, 1};
  v.motorRatio = {1, 1, 1, 1};
  v.feedBack = {1, 1, 1, 1};
  v.error = {0.5 + round, 1, 1, 1};
  v.encFreq = {round % 2, 1, 1, 1};
  return v;
}

// Real-time compensation holds the idle axes after a run: every tick reads
// Input, Equip, EncFreq, Unit, Error and CheckTime while Equipment Setting
// saves new ones.
TEST_F(SettingsChangeThreadsTest, EquipmentSavesNeverRaceTheIdlePositionHold) {
  Machine().RealTime();
  for (int i = 0; i < 4; ++i) SysParams.FeedBack[i] = 1;
  SysParams.Input = 1;
  ComputeEquivalents();
  RunControl.MotionMode = mode::kRun;

  StartStatusTimer();
  ASSERT_NE(StatusTables.TimerId.load(), 0u);
  const auto ticksBefore = StatusTables.TickCount.load();
  int saved = 0;
  for (int round = 0; round < 100 || StatusTables.TickCount.load() < ticksBefore + 40; ++round) {
    saved += SaveEquipmentSetting(0, Mechanics(round));
    std::this_thread::yield();
  }
  StopStatusTimer(StatusTables.TimerId.load());
  EXPECT_GE(saved, 100);
  EXPECT_TRUE(port_.BoxTexts().empty());
  EXPECT_FALSE(RunControl.SettingsChanging.load());
  EXPECT_FALSE(RunControl.TickInStep.load());
}

// While a homing runs its settings are not changed; once it has ended they
// are.
TEST_F(SettingsChangeThreadsTest, HomeSettingIsRefusedWhileTheHomingRunsOnTheTick) {
  Machine().RealTime();
  for (int i = 0; i < 4; ++i) {
    SysParams.LowSpd[i] = 2000;
    SysParams.HighSpd[i] = 20000;
    SysParams.AccSpd[i] = 200000;
  }
  HomeCardValues v;
  v.direction = {1, 1, 1, 1};
  v.maxSpeed = {100, 100, 100, 100};
  StartStatusTimer();
  HomeAllButton(0);
  ASSERT_TRUE(RunControl.BusyHome.load());
  EXPECT_EQ(SaveHomeSetting(0, v), 0);
  EXPECT_EQ(SysParams.Dir[0], 1);
  EXPECT_EQ(SysParams.HighSpd[0], 20000);
  while (RunControl.BusyHome.load()) std::this_thread::yield();
  EXPECT_EQ(SaveHomeSetting(0, v), 1);
  StopStatusTimer(StatusTables.TimerId.load());
  EXPECT_EQ(SysParams.Dir[0], -1);
  EXPECT_EQ(SysParams.HighSpd[0], 100);
  EXPECT_EQ(port_.BoxTexts(), std::vector<std::string>{kStopFirstMessage});
}

// A failed homing clears the busy flags before its tick shows message 8 and
// waits for the answer. A Save meanwhile is refused (it would otherwise wait
// for a box it keeps from being answered, or write under the tick), and
// goes through once the box is answered.
TEST_F(SettingsChangeThreadsTest, SaveWhileTheTickWaitsForABoxIsRefusedNotHung) {
  UseMachine("[axis 1]\nhome = 5000 5001\n");  // a switch the search never reaches
  SelectModel(enginetest::kOrvb, 1);
  SysParams.LowSpd[0] = 2000;
  SysParams.HighSpd[0] = 20000;
  SysParams.AccSpd[0] = 200000;
  HoldingPort holding;
  HomeAxisButton(1, 0);
  std::thread tick([this] {
    while (RunControl.BusyHome.load() || PendingTickMessages() > 0) Tick();
  });
  holding.WaitUntilHolding();
  EXPECT_FALSE(AnyMotionBusy());

  JogCardValues jog;
  jog.distance = {5, 5, 5, 5};
  EXPECT_EQ(SaveJogSetting(0, jog), 0);
  EXPECT_EQ(SysParams.PMoveSetStep[0], 50);

  holding.Release();
  tick.join();
  EXPECT_EQ(SaveJogSetting(0, jog), 1);
  EXPECT_EQ(SysParams.PMoveSetStep[0], 5);
  EXPECT_THAT(holding.BoxTexts(), Contains(kStopFirstMessage));
  EXPECT_THAT(holding.BoxTexts(), Contains(kOriginMessage));
}

}  // namespace
