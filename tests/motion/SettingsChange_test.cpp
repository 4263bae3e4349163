// Saving the setting dialogs: written and saved when nothing moves, refused
// with message 9 while a motion runs, the speed check of the home and jog
// settings over all four columns, and the tick that skips its steps while
// the parameters change.

#include "motion/SettingsChange.h"

#include "EngineFixture.h"
#include "TempFolder.h"

namespace {

using enginetest::CountPrefix;
using testing::ElementsAre;
using testing::IsEmpty;

const char* const kSpeedMessage = "Error:The parameter of speed is outside, Please try it again!";
const char* const kStopFirstMessage = "Erro：Please stop the motion first!";

class SettingsChangeTest : public enginetest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SaveSysParams();
    before_ = ReadFileBytes(SysParamsPath);
    ASSERT_FALSE(before_.empty());
  }
  std::string FileNow() const { return ReadFileBytes(SysParamsPath); }

  std::string before_;
};

HomeCardValues HomeValues(double maxSpeed) {
  HomeCardValues v;
  v.direction = {1, 1, 1, 1};
  v.startSpeed = {1, 1, 1, 1};
  v.maxSpeed = {maxSpeed, maxSpeed, maxSpeed, maxSpeed};
  v.acceleration = {2, 2, 2, 2};
  v.compensation = {3, 3, 3, 3};
  return v;
}

TEST_F(SettingsChangeTest, EachDialogsSaveWritesTheCardAndTheFile) {
  EquipmentCardValues equipment;
  equipment.checkTime = 0.25;
  equipment.realTime = 1;
  equipment.motorPulse = {1000, 1000, 1000, 1000};
  equipment.motorRatio = {1, 1, 1, 1};
  equipment.guide = {2, 2, 2, 2};
  EXPECT_EQ(SaveEquipmentSetting(0, equipment), 1);
  OtherCardValues other;
  other.limit = 1;
  EXPECT_EQ(SaveOtherSetting(0, other), 1);
  EXPECT_EQ(SaveHomeSetting(0, HomeValues(100)), 1);
  JogCardValues jog;
  jog.distance = {7, 7, 7, 7};
  EXPECT_EQ(SaveJogSetting(0, jog), 1);
  EXPECT_THAT(port_.BoxTexts(), IsEmpty());

  SysParams.Reset();
  LoadSysParams();
  EXPECT_EQ(SysParams.CheckTime, 0.25);
  EXPECT_EQ(SysParams.Input, 1);
  EXPECT_EQ(SysParams.MotorPulse[3], 1000);
  EXPECT_EQ(SysParams.ElEffLev[2], 1);
  EXPECT_EQ(SysParams.Dir[1], -1);
  EXPECT_EQ(SysParams.HighSpd[0], 100);
  EXPECT_EQ(SysParams.PMoveSetStep[3], 7);
  // Saving sends nothing to the cards; the wizard's buttons do that.
  EXPECT_THAT(Trace(), IsEmpty());
}

TEST_F(SettingsChangeTest, EverySaveIsRefusedWhileAnyMotionRuns) {
  std::atomic<bool>* const flags[] = {&RunControl.BusyJog,      &RunControl.BusyHome,     &RunControl.BusyPtoP,
                                      &RunControl.BusyLinear,   &RunControl.BusyCircular, &RunControl.BusyProgram,
                                      &RunControl.TickInProgram};
  for (std::atomic<bool>* flag : flags) {
    *flag = true;
    EquipmentCardValues equipment;
    equipment.checkTime = 9;
    EXPECT_EQ(SaveEquipmentSetting(0, equipment), 0);
    OtherCardValues other;
    other.limit = 1;
    EXPECT_EQ(SaveOtherSetting(1, other), 0);
    EXPECT_EQ(SaveHomeSetting(0, HomeValues(100)), 0);
    EXPECT_EQ(SaveJogSetting(1, JogCardValues{}), 0);
    *flag = false;
  }
  EXPECT_EQ(port_.BoxTexts(), std::vector<std::string>(28, kStopFirstMessage));
  EXPECT_EQ(SysParams.CheckTime, 0.0);
  EXPECT_EQ(SysParams.ElEffLev[4], 0);
  EXPECT_EQ(SysParams.HighSpd[0], 50);
  EXPECT_EQ(SysParams.PMoveSetStep[4], 50);
  EXPECT_EQ(FileNow(), before_) << "the file is not touched";
  EXPECT_FALSE(RunControl.SettingsChanging.load());
}

// The maximum speed converts with the axis's own unit: exactly 2000000
// pulses/s on the fourth column refuses the three good columns too.
TEST_F(SettingsChangeTest, AMaximumSpeedAtTheCardsRangeSavesNoColumn) {
  SysParams.Unit[3] = unit::kMillimetre;
  SysParams.Equip[3] = 0;
  SysParams.Guide[3] = 1;
  SysParams.MotorPulse[3] = 1000;
  SysParams.MotorRatio[3] = 1;
  ComputeEquivalents();  // 0.001 mm per pulse
  JogCardValues jog;
  jog.maxSpeed = {100, 100, 100, 2000};  // 2000 mm/s = 2000000 pulses/s
  jog.distance = {9, 9, 9, 9};
  EXPECT_EQ(FirstSpeedOutOfRange(0, jog.maxSpeed), 3);
  EXPECT_EQ(SaveJogSetting(0, jog), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre(kSpeedMessage));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(SysParams.PMoveSetHighSpd[i], 50);
    EXPECT_EQ(SysParams.PMoveSetStep[i], 50);
  }
  EXPECT_EQ(FileNow(), before_);

  jog.maxSpeed[3] = 1999.999;
  EXPECT_EQ(SaveJogSetting(0, jog), 1);
  EXPECT_EQ(SysParams.PMoveSetHighSpd[3], 1999.999);
  EXPECT_EQ(SysParams.PMoveSetStep[0], 9);
}

TEST_F(SettingsChangeTest, TheSpeedCheckUsesTheShownCardsAxes) {
  EXPECT_EQ(FirstSpeedOutOfRange(1, {2000000, 1, 1, 1}), 0);  // axis 5 in pulses
  SysParams.Unit[4] = unit::kMillimetre;
  SysParams.Guide[4] = 10;
  SysParams.MotorPulse[4] = 1000;
  SysParams.MotorRatio[4] = 1;
  ComputeEquivalents();  // 0.01 mm per pulse: 2000000 mm/s is 2e8 pulses/s
  EXPECT_EQ(FirstSpeedOutOfRange(1, {19999, 1, 1, 1}), -1);
  EXPECT_EQ(FirstSpeedOutOfRange(1, {20000, 1, 1, 1}), 0);
  EXPECT_EQ(FirstSpeedOutOfRange(0, {20000, 1, 1, 1}), -1);
  EXPECT_EQ(FirstSpeedOutOfRange(-1, {1e12, 1e12, 1e12, 1e12}), -1);

  EXPECT_EQ(SaveHomeSetting(1, HomeValues(20000)), 0);
  EXPECT_THAT(port_.BoxTexts(), ElementsAre(kSpeedMessage));
  EXPECT_EQ(SysParams.HighSpd[4], 50);
  // No card: nothing checked or written, the file saved.
  EXPECT_EQ(SaveHomeSetting(-1, HomeValues(1e12)), 1);
  EXPECT_EQ(SysParams.HighSpd[4], 50);
}

TEST_F(SettingsChangeTest, ATickSkipsItsStepsWhileTheParametersChange) {
  RunControl.SettingsChanging = true;
  Tick();
  EXPECT_EQ(CountPrefix(Trace(), "get_abs_pos"), 0u) << "not even polled";
  EXPECT_EQ(StatusTables.TickCount.load(), 1u);
  EXPECT_FALSE(RunControl.TickInStep.load());
  RunControl.SettingsChanging = false;
  Tick();
  EXPECT_EQ(CountPrefix(Trace(), "get_abs_pos"), 4u);
  EXPECT_FALSE(RunControl.TickInStep.load());
}

TEST_F(SettingsChangeTest, ChangeSettingsHoldsTheTickOffOnlyWhileItWrites) {
  bool ran = false;
  EXPECT_TRUE(ChangeSettings([&] {
    ran = true;
    EXPECT_TRUE(RunControl.SettingsChanging.load());
  }));
  EXPECT_TRUE(ran);
  EXPECT_FALSE(RunControl.SettingsChanging.load());
}

}  // namespace
