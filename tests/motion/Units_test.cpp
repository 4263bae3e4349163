#include "motion/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "card/CardDriver.h"
#include "platform/DynamicLibrary.h"
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

// Card calls, seen in the simulated library's trace.

namespace {

class UnitsCardTest : public UnitsTest {
 protected:
  void SetUp() override {
    UnitsTest::SetUp();
    SelectModel(1);
  }
  void TearDown() override {
    CardDriver.model = 1;
    UnitsTest::TearDown();
  }

  void SelectModel(int model) {
    CardDriver.model = model;
    SysParams.Ctrler = model;
    module_ = model == 0 ? CardDriver.libA.module : model == 1 ? CardDriver.libB.module : CardDriver.libC.module;
    ASSERT_NE(module_, nullptr) << "simulated card library not loaded";
    reset_ = reinterpret_cast<int (*)()>(platform::FindExport(module_, "sim_reset"));
    size_ = reinterpret_cast<int (*)()>(platform::FindExport(module_, "sim_trace_size"));
    entry_ = reinterpret_cast<int (*)(int, char*, int)>(platform::FindExport(module_, "sim_trace_entry"));
    ASSERT_TRUE(reset_ && size_ && entry_);
    reset_();
  }

  std::vector<std::string> Trace() const {
    std::vector<std::string> calls;
    for (int i = 0; i < size_(); ++i) {
      char buffer[256];
      entry_(i, buffer, sizeof buffer);
      calls.emplace_back(buffer);
    }
    return calls;
  }

  void ClearTrace() const { reset_(); }

  platform::ModuleHandle module_ = nullptr;
  int (*reset_)() = nullptr;
  int (*size_)() = nullptr;
  int (*entry_)(int, char*, int) = nullptr;
};

TEST_F(UnitsCardTest, EncoderModeOfEveryInstalledAxis) {
  for (int i = 0; i < 16; ++i) SysParams.EncFreq[i] = i % 2 == 0 ? 4 : 1;
  ComputeEquivalents(1);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"set_encoder_mode(1,1,4,1)", "set_encoder_mode(2,1,1,1)",
                                               "set_encoder_mode(3,1,4,1)", "set_encoder_mode(4,1,1,1)"}));
  ClearTrace();
  ComputeEquivalents(2);
  const auto two = Trace();
  ASSERT_EQ(two.size(), 8u);
  EXPECT_EQ(two[7], "set_encoder_mode(8,1,1,1)");
  for (int cards : {0, 3, -1}) {
    ClearTrace();
    ComputeEquivalents(cards);
    EXPECT_TRUE(Trace().empty()) << cards;
  }
}

TEST_F(UnitsCardTest, AxisSettingsSevenCallsPerAxisInOrder) {
  SysParams.AlarmEffLev[1] = 1;
  SysParams.PulseType[1] = 0;
  SysParams.ElEffLev[1] = 1;
  SysParams.OrgEffLev[1] = 0;
  SysParams.SdEffLev[1] = 1;
  SysParams.HomeType[1] = 2;
  ApplyAxisSettings(1);
  const auto calls = Trace();
  ASSERT_EQ(calls.size(), 28u);
  EXPECT_EQ(std::vector<std::string>(calls.begin() + 7, calls.begin() + 14),
            (std::vector<std::string>{"set_getpos_mode(2,1)", "set_alm_logic(2,1)", "set_outmode(2,0,1)",
                                      "set_el_logic(2,1)", "set_org_logic(2,0)", "set_sd_logic(2,1)",
                                      "set_home_mode(2,2)"}));
  EXPECT_EQ(calls[0], "set_getpos_mode(1,1)");
  EXPECT_EQ(calls[27], "set_home_mode(4,0)");
  // Any count but one means two cards.
  for (int cards : {2, 0}) {
    ClearTrace();
    ApplyAxisSettings(cards);
    EXPECT_EQ(Trace().size(), 56u) << cards;
  }
}

MotionCommand Line(std::int32_t code, std::vector<double> dis, double low, double high = 0, double acc = 0) {
  MotionCommand c{};
  c.iCodeType = code;
  for (std::size_t k = 0; k < 4; ++k) c.iAxes[k] = static_cast<std::int32_t>(k + 1);
  for (std::size_t k = 0; k < dis.size(); ++k) c.dbDis[k] = dis[k];
  c.dbLowSpd[0] = low;
  c.dbHighSpd[0] = high;
  c.dbAccSpd[0] = acc;
  return c;
}

TEST_F(UnitsCardTest, VectorSpeedOfInterpolationCommands) {
  for (std::size_t i = 0; i < 4; ++i) {
    SysParams.Unit[i] = unit::kMillimetre;
    Equivalents.PulseEquivalent[i] = 0.001;
  }
  SetVectorSpeed(Line(code::kConstLine2, {30, 40}, 10));
  EXPECT_EQ(Trace(), (std::vector<std::string>{"set_vector_conspeed(10000)"}));
  ClearTrace();
  SetVectorSpeed(Line(code::kFastLine3, {1, 2, 2}, 10, 20, 5));
  const auto profile = Trace();
  ASSERT_EQ(profile.size(), 1u);
  double start = 0, maximum = 0, acceleration = 0;
  ASSERT_EQ(std::sscanf(profile[0].c_str(), "set_vector_profile(%lf,%lf,%lf)", &start, &maximum, &acceleration), 3);
  EXPECT_NEAR(start, 10000, 1e-6);
  EXPECT_NEAR(maximum, 20000, 1e-6);
  EXPECT_NEAR(acceleration, 5000, 1e-6);
  // Arcs use the first two slots; the constant arc the start-up speed only.
  ClearTrace();
  SetVectorSpeed(Line(code::kArc, {3, 4, 90, 0}, 10, 99, 99));
  EXPECT_EQ(Trace(), (std::vector<std::string>{"set_vector_conspeed(10000)"}));
  ClearTrace();
  SetVectorSpeed(Line(code::kFastArc, {0, 5, 90, 0}, 1, 2, 3));
  EXPECT_EQ(Trace(), (std::vector<std::string>{"set_vector_profile(1000,2000,3000)"}));
  // Point-to-point and other codes set nothing.
  ClearTrace();
  SetVectorSpeed(Line(code::kFastPtoP2, {3, 4}, 10, 20, 5));
  SetVectorSpeed(Line(code::kHome1, {1}, 10, 20, 5));
  EXPECT_TRUE(Trace().empty());
}

TEST_F(UnitsCardTest, VectorSpeedSplitsOverAxesWithDifferentFactors) {
  SysParams.Unit[0] = unit::kMillimetre;
  Equivalents.PulseEquivalent[0] = 0.001;  // 30 mm/s * 0.6 -> 18000 pulses/s
  SysParams.Unit[1] = unit::kPulse;        // 30 * 0.8 -> 24 pulses/s
  SetVectorSpeed(Line(code::kConstLine2, {3, 4}, 30));
  const auto calls = Trace();
  ASSERT_EQ(calls.size(), 1u);
  const double expected = std::sqrt(18000.0 * 18000.0 + 24.0 * 24.0);
  double sent = 0;
  ASSERT_EQ(std::sscanf(calls[0].c_str(), "set_vector_conspeed(%lf)", &sent), 1);
  EXPECT_NEAR(sent, expected, 1e-6);
}

TEST_F(UnitsCardTest, ZeroLengthPathOrUnconvertibleSpeedSendsNothing) {
  SysParams.Unit[0] = SysParams.Unit[1] = unit::kMillimetre;
  Equivalents.PulseEquivalent[0] = Equivalents.PulseEquivalent[1] = 0.001;
  SetVectorSpeed(Line(code::kConstLine2, {0, 0}, 10));
  SetVectorSpeed(Line(code::kFastLine4, {0, 0, 0, 0}, 10, 20, 5));
  SetVectorSpeed(Line(code::kArc, {0, 0, 90, 0}, 10));
  SetVectorSpeed(Line(code::kConstLine2, {std::numeric_limits<double>::quiet_NaN(), 1}, 10));
  // A zero factor would make the speed infinite.
  Equivalents.PulseEquivalent[1] = 0.0;
  SetVectorSpeed(Line(code::kConstLine2, {3, 4}, 10));
  EXPECT_TRUE(Trace().empty());
}

}  // namespace
