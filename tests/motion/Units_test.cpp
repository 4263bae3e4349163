#include "motion/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settings/SysParams.h"

namespace {

class UnitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SysParams.SetDefaults();
    Equivalents.Reset();
  }
  void TearDown() override {
    SysParams.Reset();
    Equivalents.Reset();
  }
};

TEST_F(UnitsTest, PulsesPassUnchangedWhateverTheEquivalent) {
  for (double e : {0.0, 0.001, 7.0, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(ToPulses(unit::kPulse, e, 12.5), 12.5);
    EXPECT_EQ(ToUnits(unit::kPulse, e, 12.5), 12.5);
    EXPECT_EQ(ToPulses(4, e, 12.5), 12.5);  // unknown codes too
    EXPECT_EQ(ToUnits(-1, e, 12.5), 12.5);
  }
}

TEST_F(UnitsTest, LinearAndRotaryAxesConvertByTheirMechanics) {
  SysParams.Guide[0] = 5;
  SysParams.MotorPulse[0] = 10000;
  SysParams.MotorRatio[0] = 1;
  SysParams.Equip[2] = 1;
  SysParams.MotorPulse[2] = 3600;
  SysParams.MotorRatio[2] = 2;
  ComputeEquivalents(1);
  const double linear = Equivalents.PulseEquivalent[0];
  EXPECT_DOUBLE_EQ(linear, 0.0005);
  EXPECT_DOUBLE_EQ(ToPulses(unit::kMillimetre, linear, 10), 20000);
  EXPECT_DOUBLE_EQ(ToPulses(unit::kMicrometre, linear, 10), 20);
  EXPECT_DOUBLE_EQ(ToUnits(unit::kMillimetre, linear, 20000), 10);
  EXPECT_DOUBLE_EQ(ToUnits(unit::kMicrometre, linear, 20), 10);
  const double rotary = Equivalents.PulseEquivalent[2];
  EXPECT_DOUBLE_EQ(rotary, 0.05);
  EXPECT_DOUBLE_EQ(ToPulses(unit::kDegree, rotary, 90), 1800);
  EXPECT_DOUBLE_EQ(ToUnits(unit::kDegree, rotary, 1800), 90);
  // Defaults elsewhere: lead 4 mm over 3200 pulses.
  EXPECT_DOUBLE_EQ(Equivalents.PulseEquivalent[15], 4.0 / 3200.0);
}

TEST_F(UnitsTest, FeedbackEquivalentMakesEncoderCountsOperatorUnits) {
  SysParams.FeedBack[0] = 0.5;  // linear: 0.5 um per encoder pulse
  SysParams.EncFreq[0] = 4;
  SysParams.Equip[1] = 1;  // rotary: 8000 encoder pulses per turn
  SysParams.FeedBack[1] = 8000;
  SysParams.EncFreq[1] = 4;
  ComputeEquivalents(1);
  const double n = 1000;  // encoder counts
  EXPECT_DOUBLE_EQ(n / 4 * Equivalents.FeedbackEquivalent[0], n * 0.5 / 1000.0);  // mm
  EXPECT_DOUBLE_EQ(n / 4 * Equivalents.FeedbackEquivalent[1], n * 360.0 / 8000.0);  // degrees
}

TEST_F(UnitsTest, OtherEquipKeepsItsFactors) {
  Equivalents.PulseEquivalent[4] = 0.25;
  Equivalents.FeedbackEquivalent[4] = 0.5;
  SysParams.Equip[4] = 2;
  ComputeEquivalents(2);
  EXPECT_EQ(Equivalents.PulseEquivalent[4], 0.25);
  EXPECT_EQ(Equivalents.FeedbackEquivalent[4], 0.5);
}

TEST_F(UnitsTest, ZeroMechanicsGiveUnguardedFactors) {
  SysParams.MotorPulse[0] = 0;
  ComputeEquivalents(1);
  EXPECT_TRUE(std::isinf(Equivalents.PulseEquivalent[0].load()));
  SysParams.Unit[0] = unit::kMillimetre;
  EXPECT_EQ(ToPulses(unit::kMillimetre, 0.0, 5), std::numeric_limits<double>::infinity());
}

TEST_F(UnitsTest, FeedbackAvailableByModel) {
  for (int i = 0; i < 16; ++i) SysParams.FeedBack[i] = 1;
  SysParams.Ctrler = 2;  // ORVC: encoders on the first two axes of a card
  ComputeEquivalents(2);
  for (int axis = 1; axis <= 8; ++axis) {
    const bool expected = axis == 1 || axis == 2 || axis == 5 || axis == 6;
    EXPECT_EQ(Equivalents.FeedbackAvailable[static_cast<std::size_t>(axis - 1)], expected ? 1 : 0) << axis;
  }
  EXPECT_EQ(Equivalents.FeedbackAvailable[12], 1);  // axis 13
  SysParams.FeedBack[4] = 0;
  ComputeEquivalents(2);
  EXPECT_EQ(Equivalents.FeedbackAvailable[4], 0);

  SysParams.Ctrler = 1;  // ORVB: wherever FeedBack > 0
  SysParams.FeedBack[7] = -1;
  ComputeEquivalents(2);
  EXPECT_EQ(Equivalents.FeedbackAvailable[3], 1);
  EXPECT_EQ(Equivalents.FeedbackAvailable[4], 0);
  EXPECT_EQ(Equivalents.FeedbackAvailable[7], 0);

  SysParams.Ctrler = 7;  // unknown model: unchanged
  ComputeEquivalents(2);
  EXPECT_EQ(Equivalents.FeedbackAvailable[3], 1);
  EXPECT_EQ(Equivalents.FeedbackAvailable[4], 0);

  SysParams.Ctrler = 0;  // ORVA: none, and no real-time correction
  SysParams.Input = 1;
  ComputeEquivalents(1);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Equivalents.FeedbackAvailable[static_cast<std::size_t>(i)], 0);
  EXPECT_EQ(SysParams.Input, 0);
  SysParams.Ctrler = 1;
  SysParams.Input = 1;
  ComputeEquivalents(1);
  EXPECT_EQ(SysParams.Input, 1);
}

TEST_F(UnitsTest, SpeedLimitIsTwoMillionPulsesPerSecond) {
  SysParams.Unit[0] = unit::kMillimetre;
  Equivalents.PulseEquivalent[0] = 0.001;
  EXPECT_TRUE(SpeedOutOfRange(1, 2000.0));
  EXPECT_FALSE(SpeedOutOfRange(1, 1999.999));
  EXPECT_FALSE(SpeedOutOfRange(1, std::numeric_limits<double>::quiet_NaN()));
  EXPECT_TRUE(SpeedOutOfRange(1, std::numeric_limits<double>::infinity()));
  // Pulses: the value itself.
  EXPECT_TRUE(SpeedOutOfRange(2, 2000000.0));
  EXPECT_FALSE(SpeedOutOfRange(2, 1999999.0));
  // Micrometres: the same speed is a thousand times slower.
  SysParams.Unit[2] = unit::kMicrometre;
  Equivalents.PulseEquivalent[2] = 0.001;
  EXPECT_FALSE(SpeedOutOfRange(3, 2000.0));
  EXPECT_TRUE(SpeedOutOfRange(3, 2000000.0));
  // An axis outside the tables is checked as pulses.
  EXPECT_FALSE(SpeedOutOfRange(0, 1999999.0));
  EXPECT_TRUE(SpeedOutOfRange(17, 2000000.0));
}

TEST_F(UnitsTest, UnitLabelsPerCard) {
  SysParams.Unit[0] = unit::kPulse;
  SysParams.Unit[1] = unit::kMillimetre;
  SysParams.Unit[2] = unit::kMicrometre;
  SysParams.Unit[3] = 9;
  SysParams.Unit[4] = unit::kDegree;
  const auto one = UnitLabelsForCard(1);
  ASSERT_TRUE(one.has_value());
  EXPECT_EQ(one->axisName, (std::array<std::string_view, 4>{"X", "Y", "Z", "T"}));
  EXPECT_EQ(one->speedText[0], "P/s");
  EXPECT_EQ(one->lengthText[1], "mm");
  EXPECT_EQ(one->speedText[2], "μm/s");
  EXPECT_FALSE(one->speedText[3].has_value());  // left as it is
  EXPECT_FALSE(one->lengthText[3].has_value());
  const auto two = UnitLabelsForCard(2);
  ASSERT_TRUE(two.has_value());
  EXPECT_EQ(two->axisName[0], "A");
  EXPECT_EQ(two->axisName[3], "D");
  EXPECT_EQ(two->lengthText[0], "°");
  EXPECT_FALSE(UnitLabelsForCard(0).has_value());
  EXPECT_FALSE(UnitLabelsForCard(3).has_value());
  EXPECT_EQ(UnitLengthText(4), "");
}

}  // namespace
