// The machine moves as a stage would: profiles against their formulas,
// lines and arcs on their paths, limits, home searches, encoders, signal
// levels, and runs that repeat exactly on the manual clock.

#include <cmath>
#include <string>
#include <vector>

#include "SimLibrary.h"

namespace {

using cardabi::Int;
using simtest::SimLibrary;

constexpr std::int64_t kTick = 5000;

// The whole-pulse models share one fixture; ORVC (doubles) its own.
class Orvb : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.Loaded());
    lib.Reset();
    lib.Manual(1);
  }
  Int Done(int axis) { return lib.Get<Int(Int)>("check_done")(axis); }
  Int Limit(int axis) { return lib.Get<Int(Int)>("check_limit")(axis); }
  Int Home(int axis) { return lib.Get<Int(Int)>("check_home")(axis); }
  Int Pos(int axis) {
    Int p = 0;
    lib.Get<Int(Int, Int*)>("get_abs_pos")(axis, &p);
    return p;
  }
  Int Enc(int axis) {
    Int c = 0;
    lib.Get<Int(Int, Int*)>("get_encoder")(axis, &c);
    return c;
  }
  double Rate(int axis) { return lib.Get<double(Int)>("get_rate")(axis); }
  void Profile(int axis, double start, double top, double acc) {
    lib.Get<Int(Int, double)>("set_maxspeed")(axis, top);
    lib.Get<Int(Int, double, double, double)>("set_profile")(axis, start, top, acc);
  }
  void Constant(int axis, double v) {
    lib.Get<Int(Int, double)>("set_maxspeed")(axis, v);
    lib.Get<Int(Int, double)>("set_conspeed")(axis, v);
  }
  Int FastMove(int axis, Int d) { return lib.Get<Int(Int, Int)>("fast_pmove")(axis, d); }
  Int ConMove(int axis, Int d) { return lib.Get<Int(Int, Int)>("con_pmove")(axis, d); }
  Int Vmove(int axis, Int dir) { return lib.Get<Int(Int, Int)>("con_vmove")(axis, dir); }
  Int HomeSearch(int axis, Int dir) { return lib.Get<Int(Int, Int)>("fast_hmove")(axis, dir); }
  std::int64_t RunUntilDone(int axis, std::int64_t limit = 600'000'000) {
    return lib.RunUntil([&] { return Done(axis) == 0; }, limit);
  }

  SimLibrary lib{"ORVB"};
};

// ---------------------------------------------------------------- profiles

TEST_F(Orvb, TrapezoidalMoveFollowsItsFormula) {
  // Start 30, top 50, acceleration 20: 1 s and 40 pulses up, the same down,
  // 420 pulses at 50 between: 10.4 s for 500 pulses.
  Profile(1, 30, 50, 20);
  ASSERT_EQ(FastMove(1, 500), 0);
  lib.Advance(500'000);
  EXPECT_NEAR(lib.TruePos(1), 30 * 0.5 + 0.5 * 20 * 0.25, 1e-6);
  EXPECT_NEAR(Rate(1), 40, 1e-6);
  lib.Advance(4'500'000);  // t = 5 s: cruising
  EXPECT_NEAR(lib.TruePos(1), 40 + 50 * 4, 1e-6);
  EXPECT_NEAR(Rate(1), 50, 1e-9);
  EXPECT_EQ(lib.Get<Int(Int)>("get_cur_dir")(1), 1);
  lib.Advance(5'000'000);  // t = 10 s: braking, 0.4 s before the end
  EXPECT_NEAR(Rate(1), 30 + 20 * 0.4, 1e-6);
  EXPECT_EQ(Done(1), 1);
  const auto rest = RunUntilDone(1);
  EXPECT_NEAR(static_cast<double>(rest), 400'000, kTick);
  EXPECT_EQ(Pos(1), 500);
  EXPECT_DOUBLE_EQ(lib.TruePos(1), 500);
  EXPECT_EQ(Rate(1), 0);
  EXPECT_EQ(lib.Get<Int(Int)>("get_cur_dir")(1), 0);
}

TEST_F(Orvb, ShortMoveIsTriangularAndNeverReachesTopSpeed) {
  // 20 pulses: peak sqrt((2*20*20 + 30^2 + 30^2) / 2) = sqrt(1300).
  Profile(2, 30, 50, 20);
  ASSERT_EQ(FastMove(2, -20), 0);
  const double peak = std::sqrt(1300.0);
  double fastest = 0;
  std::int64_t t = 0;
  while (Done(2) != 0 && t < 10'000'000) {
    fastest = std::max(fastest, Rate(2));
    EXPECT_EQ(lib.Get<Int(Int)>("get_cur_dir")(2), -1);
    lib.Advance(1000);
    t += 1000;
  }
  EXPECT_NEAR(static_cast<double>(t), 2 * (peak - 30) / 20 * 1e6, 1000);
  EXPECT_LT(fastest, 50);
  EXPECT_NEAR(fastest, peak, 0.1);
  EXPECT_EQ(Pos(2), -20);
}

TEST_F(Orvb, ConstantSpeedIsCappedByTheMaximumSpeed) {
  lib.Get<Int(Int, double)>("set_conspeed")(1, 40);
  lib.Get<Int(Int, double)>("set_maxspeed")(1, 25);
  ASSERT_EQ(ConMove(1, 100), 0);
  lib.Advance(kTick);
  EXPECT_DOUBLE_EQ(Rate(1), 25);
  EXPECT_NEAR(static_cast<double>(RunUntilDone(1)), 4'000'000 - kTick, kTick);
  EXPECT_EQ(Pos(1), 100);
}

TEST_F(Orvb, IndependentAxesEachRunTheirOwnProfile) {
  Constant(1, 100);
  Constant(2, 50);
  ASSERT_EQ(lib.Get<Int(Int, Int, Int, Int)>("con_pmove2")(1, 100, 2, 100), 0);
  lib.Advance(1'000'000 + kTick);
  EXPECT_EQ(Done(1), 0);
  EXPECT_EQ(Done(2), 1);
  EXPECT_NEAR(lib.TruePos(2), 50, 0.3);
  lib.Advance(1'000'000);
  EXPECT_EQ(Pos(2), 100);
  EXPECT_EQ(Done(2), 0);
}

TEST_F(Orvb, DecelerationStopBrakesAndSuddenStopHaltsAtOnce) {
  Profile(1, 30, 50, 20);
  ASSERT_EQ(lib.Get<Int(Int, Int)>("fast_vmove")(1, 1), 0);
  lib.Advance(2'000'000);  // 40 up + 50 cruise
  const double at = lib.TruePos(1);
  EXPECT_NEAR(at, 90, 1e-6);
  lib.Get<Int(Int)>("decel_stop")(1);
  // Braking from 50 to 30 at 20: 1 s and 40 pulses, then the train stops.
  const auto t = RunUntilDone(1);
  EXPECT_NEAR(static_cast<double>(t), 1'000'000, kTick);
  EXPECT_NEAR(lib.TruePos(1), at + 40, 1e-6);

  ASSERT_EQ(lib.Get<Int(Int, Int)>("fast_vmove")(1, -1), 0);
  lib.Advance(1'000'000);
  const double before = lib.TruePos(1);
  lib.Get<Int(Int)>("sudden_stop")(1);
  EXPECT_EQ(Done(1), 0);
  lib.Advance(1'000'000);
  EXPECT_DOUBLE_EQ(lib.TruePos(1), before);
}

TEST_F(Orvb, RunningMoveTakesANewTargetOrSpeed) {
  Profile(1, 30, 100, 200);
  ASSERT_EQ(FastMove(1, 100), 0);
  lib.Advance(500'000);
  auto changePos = lib.Get<Int(Int, Int)>("change_pos");
  EXPECT_LT(changePos(1, 10), 0);    // already beyond
  EXPECT_LT(changePos(1, -300), 0);  // the other way
  ASSERT_EQ(changePos(1, 300), 0);
  ASSERT_EQ(lib.Get<Int(Int, double)>("change_speed")(1, 60), 0);
  lib.Advance(1'000'000);  // braked from 100 to 60 in 0.2 s, cruising since
  EXPECT_NEAR(Rate(1), 60, 1e-6);
  RunUntilDone(1);
  EXPECT_EQ(Pos(1), 300);
  EXPECT_LT(changePos(1, 400), 0);  // standing
}

TEST_F(Orvb, MovingAxisRefusesANewMotion) {
  Constant(1, 10);
  ASSERT_EQ(ConMove(1, 100), 0);
  EXPECT_EQ(ConMove(1, 5), -3);
  lib.Advance(20'000'000);
  EXPECT_EQ(Pos(1), 100);
}

// ---------------------------------------------------------------- switches

TEST_F(Orvb, LimitStopsTheAxisInItsDirectionOnly) {
  Constant(1, 400);
  ASSERT_EQ(Vmove(1, 1), 0);
  lib.Advance(3'000'000);
  EXPECT_EQ(Done(1), 0);
  EXPECT_EQ(Limit(1), 1);
  EXPECT_NEAR(lib.TruePos(1), 1000, 1e-6);
  // Further on is refused by the switch, away is free.
  ASSERT_EQ(ConMove(1, 10), 0);
  EXPECT_EQ(Done(1), 0);
  EXPECT_NEAR(lib.TruePos(1), 1000, 1e-6);
  ASSERT_EQ(ConMove(1, -10), 0);
  lib.Advance(1'000'000);
  EXPECT_EQ(Pos(1), 990);
  EXPECT_EQ(Limit(1), 0);

  ASSERT_EQ(Vmove(1, -1), 0);
  lib.Advance(10'000'000);
  EXPECT_EQ(Limit(1), -1);
  EXPECT_NEAR(lib.TruePos(1), -1000, 1e-6);
}

TEST_F(Orvb, LimitSwitchedOffLetsTheAxisRunToTheEndOfTravel) {
  Constant(1, 400);
  lib.Get<Int(Int, Int)>("enable_el")(1, 0);
  ASSERT_EQ(Vmove(1, 1), 0);
  lib.Advance(5'000'000);
  EXPECT_EQ(Done(1), 0);
  EXPECT_EQ(Limit(1), 0);
  EXPECT_NEAR(lib.TruePos(1), 1100, 1e-9);
  lib.Get<Int(Int, Int)>("enable_el")(1, 1);
  EXPECT_EQ(Limit(1), 1);
}

TEST_F(Orvb, ForcedLimitsReportBothAndStopAMove) {
  Constant(3, 100);
  ASSERT_EQ(Vmove(3, -1), 0);
  lib.Advance(100'000);
  lib.Get<int(int, int, int)>("sim_force_signal")(3, SIM_SIGNAL_NEG_LIMIT, 1);
  EXPECT_EQ(Done(3), 0);
  const double stopped = lib.TruePos(3);
  EXPECT_NEAR(stopped, -10, 1e-6);
  lib.Get<int(int, int, int)>("sim_force_signal")(3, SIM_SIGNAL_POS_LIMIT, 1);
  EXPECT_EQ(Limit(3), 2);
  lib.Get<int(int, int, int)>("sim_force_signal")(3, SIM_SIGNAL_POS_LIMIT, -1);
  lib.Get<int(int, int, int)>("sim_force_signal")(3, SIM_SIGNAL_NEG_LIMIT, -1);
  EXPECT_EQ(Limit(3), 0);
}

TEST_F(Orvb, LogicLevelsInvertWhatTheInputsReport) {
  // At 0: no switch actuated. The default levels read every input inactive.
  EXPECT_EQ(Home(1), 0);
  EXPECT_EQ(Limit(1), 0);
  EXPECT_EQ(lib.Get<Int(Int)>("check_SD")(1), 0);
  EXPECT_EQ(lib.Get<Int(Int)>("check_alarm")(1), 0);
  lib.Get<Int(Int, Int)>("set_org_logic")(1, 0);
  lib.Get<Int(Int, Int)>("set_el_logic")(1, 1);
  lib.Get<Int(Int, Int)>("set_sd_logic")(1, 1);
  lib.Get<Int(Int, Int)>("set_alm_logic")(1, 1);
  EXPECT_EQ(Home(1), 1);
  EXPECT_EQ(Limit(1), 2);
  EXPECT_EQ(lib.Get<Int(Int)>("check_SD")(1), 1);
  EXPECT_EQ(lib.Get<Int(Int)>("check_alarm")(1), 1);
  // ...and the card acts on what it reads: an axis "in alarm" refuses.
  Constant(1, 100);
  EXPECT_EQ(ConMove(1, 10), -2);
  lib.Get<Int(Int, Int)>("set_alm_logic")(1, 0);
  ASSERT_EQ(ConMove(1, 10), 0);
  EXPECT_EQ(Done(1), 0);  // both limits read active: no way out
  lib.Get<Int(Int, Int)>("set_el_logic")(1, 0);
  // Axis 2 kept the default levels.
  EXPECT_EQ(Home(2), 0);
  EXPECT_EQ(Limit(2), 0);
  // Switched-off functions read inactive.
  lib.Get<Int(Int, Int)>("enable_org")(1, 0);
  EXPECT_EQ(Home(1), 0);
}

TEST_F(Orvb, SlowDownZoneBringsAProfiledMoveDownToItsStartSpeed) {
  Profile(1, 30, 300, 1000);
  ASSERT_EQ(FastMove(1, 990), 0);
  // Braking from 300 to 30 from the zone's edge at 900 takes 44.5 pulses.
  lib.RunUntil([&] { return lib.TruePos(1) > 950; });
  EXPECT_EQ(lib.Get<Int(Int)>("check_SD")(1), 1);
  EXPECT_NEAR(Rate(1), 30, 1e-6);
  RunUntilDone(1);
  EXPECT_EQ(Pos(1), 990);
}

TEST_F(Orvb, AlarmStopsAMovingAxis) {
  Constant(2, 100);
  ASSERT_EQ(Vmove(2, 1), 0);
  lib.Advance(500'000);
  lib.Get<int(int, int, int)>("sim_force_signal")(2, SIM_SIGNAL_ALARM, 1);
  EXPECT_EQ(Done(2), 0);
  EXPECT_EQ(lib.Get<Int(Int)>("check_alarm")(2), 1);
  EXPECT_NEAR(lib.TruePos(2), 50, 1e-6);
  EXPECT_EQ(Vmove(2, -1), -2);
}

// ---------------------------------------------------------------- homing

TEST_F(Orvb, HomeSearchWithDefaultParametersEndsOnTheSwitchInSeconds) {
  // The program's defaults: 30 to 50 pulses/s, 20 pulses/s^2, direction +1.
  Profile(1, 30, 50, 20);
  ASSERT_EQ(HomeSearch(1, 1), 0);
  const auto t = RunUntilDone(1);
  EXPECT_LT(t, 2'000'000);
  EXPECT_EQ(Home(1), 1);
  EXPECT_EQ(Limit(1), 0);
  EXPECT_EQ(Pos(1), 20);
}

TEST_F(Orvb, HomeSearchWithABrokenSwitchEndsOnTheLimit) {
  Profile(1, 30, 500, 1000);
  lib.Get<int(int, int, int)>("sim_force_signal")(1, SIM_SIGNAL_HOME, 0);
  ASSERT_EQ(HomeSearch(1, 1), 0);
  RunUntilDone(1);
  EXPECT_EQ(Home(1), 0);
  EXPECT_EQ(Limit(1), 1);
  EXPECT_EQ(Pos(1), 1000);
}

TEST_F(Orvb, HomeSearchFromBeyondTheSwitchFindsItsUpperEdge) {
  Constant(1, 500);
  ConMove(1, 600);
  RunUntilDone(1);
  Profile(1, 30, 200, 400);
  ASSERT_EQ(HomeSearch(1, -1), 0);
  RunUntilDone(1);
  EXPECT_EQ(Home(1), 1);
  EXPECT_NEAR(lib.TruePos(1), 220, 1e-6);
}

TEST_F(Orvb, HomeModeOneBrakesOnTheSwitch) {
  lib.Get<Int(Int, Int)>("set_home_mode")(1, 1);
  Profile(1, 30, 50, 20);
  ASSERT_EQ(HomeSearch(1, 1), 0);
  RunUntilDone(1);
  EXPECT_EQ(Home(1), 1);
  EXPECT_GT(lib.TruePos(1), 20);
  EXPECT_LT(lib.TruePos(1), 220);
}

TEST_F(Orvb, HomeSearchStartingOnTheSwitchStopsAtOnce) {
  Constant(1, 100);
  ConMove(1, 100);
  RunUntilDone(1);
  Profile(1, 30, 50, 20);
  ASSERT_EQ(HomeSearch(1, 1), 0);
  EXPECT_EQ(Done(1), 0);
  EXPECT_EQ(Pos(1), 100);
}

// ---------------------------------------------------------------- encoders

TEST_F(Orvb, EncoderFollowsWithItsScaleErrorLostCountsAndMultiplier) {
  lib.Get<Int(Int, Int, Int, Int)>("set_encoder_mode")(1, 1, 4, 1);
  ASSERT_EQ(lib.Get<int(int, double, double, double)>("sim_set_encoder")(1, 1, 0.001, 50), 0);
  Constant(1, 1000);
  ConMove(1, 800);
  RunUntilDone(1);
  // 800 pulses x 4 x 1.001 = 3203.2, less 800 x 50 / 10000 = 4 lost.
  EXPECT_EQ(Enc(1), 3199);
  EXPECT_EQ(Pos(1), 800);
  lib.Get<Int(Int)>("reset_enc_pos")(1);
  EXPECT_EQ(Enc(1), 0);
  lib.Get<Int(Int)>("reset_pos")(1);
  EXPECT_EQ(Pos(1), 0);
  // Back the same way: lost counts always shorten the travel seen.
  ConMove(1, -800);
  RunUntilDone(1);
  EXPECT_EQ(Enc(1), -3199);
  // An exact encoder on another axis, multiplier 1.
  lib.Get<Int(Int, Int, Int, Int)>("set_encoder_mode")(2, 1, 1, 1);
  Constant(2, 1000);
  ConMove(2, -321);
  RunUntilDone(2);
  EXPECT_EQ(Enc(2), -321);
}

TEST_F(Orvb, ResetPosKeepsTheSwitchesWhereTheyAre) {
  Constant(1, 1000);
  ConMove(1, 500);
  RunUntilDone(1);
  lib.Get<Int(Int)>("reset_pos")(1);
  ConMove(1, 600);
  RunUntilDone(1);
  EXPECT_EQ(Limit(1), 1);
  EXPECT_EQ(Pos(1), 500);
}

// ---------------------------------------------------------------- ORVC

class Orvc : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(lib.Loaded());
    lib.Reset();
    lib.Manual(1);
    for (int axis = 1; axis <= 4; ++axis) lib.Get<Int(Int, double)>("set_maxspeed")(axis, 1e5);
  }
  Int Done(int axis) { return lib.Get<Int(Int)>("check_done")(axis); }
  double Pos(int axis) {
    double p = 0;
    lib.Get<Int(Int, double*)>("get_abs_pos")(axis, &p);
    return p;
  }
  void RunUntilStill() {
    lib.RunUntil([&] { return Done(1) == 0 && Done(2) == 0 && Done(3) == 0; });
  }
  SimLibrary lib{"ORVC"};
};

TEST_F(Orvc, LinearInterpolationKeepsItsAxesOnTheLineAndArrivesTogether) {
  lib.Get<Int(double)>("set_vector_conspeed")(100);
  ASSERT_EQ(lib.Get<Int(Int, double, Int, double, Int, double)>("con_line3")(1, 300, 2, -400, 3, 0.5), 0);
  int ticks = 0;
  while (Done(1) != 0) {
    lib.Advance(kTick);
    ++ticks;
    const double x = Pos(1), y = Pos(2);
    EXPECT_NEAR(y, -4.0 / 3.0 * x, 1e-6);
    EXPECT_EQ(Done(1), Done(2));
    EXPECT_EQ(Done(1), Done(3));
    // Path speed 100: the axes share it by their distances.
    if (Done(1) != 0) {
      EXPECT_NEAR(lib.Get<double(Int)>("get_rate")(1), 300 / std::sqrt(250000.25) * 100, 1e-6);
    }
  }
  EXPECT_NEAR(ticks * 0.005, std::sqrt(300.0 * 300 + 400 * 400 + 0.25) / 100, 0.0051);
  EXPECT_DOUBLE_EQ(Pos(1), 300);
  EXPECT_DOUBLE_EQ(Pos(2), -400);
  EXPECT_DOUBLE_EQ(Pos(3), 0.5);
}

TEST_F(Orvc, LineIsSlowedSoThatNoAxisExceedsItsMaximum) {
  lib.Get<Int(double)>("set_vector_conspeed")(1000);
  lib.Get<Int(Int, double)>("set_maxspeed")(2, 60);
  ASSERT_EQ(lib.Get<Int(Int, double, Int, double)>("con_line2")(1, 80, 2, 60), 0);
  lib.Advance(kTick);
  EXPECT_NEAR(lib.Get<double(Int)>("get_rate")(2), 60, 1e-9);
  EXPECT_NEAR(lib.Get<double(Int)>("get_rate")(1), 80, 1e-9);
}

TEST_F(Orvc, ArcEndsAtTheRotatedPointAndKeepsItsRadius) {
  lib.Get<Int(double)>("set_vector_conspeed")(50);
  ASSERT_EQ(lib.Get<Int()>("open_list")(), 0);
  ASSERT_EQ(lib.Get<Int(double)>("set_ellipse_ratio")(0), 0);  // 0: a circle
  ASSERT_EQ(lib.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, 100, 0, 90), 0);
  EXPECT_EQ(Done(1), 0);  // waits for the list to close
  ASSERT_EQ(lib.Get<Int()>("close_list")(), 0);
  int ticks = 0;
  while (Done(1) != 0 && ticks < 100000) {
    lib.Advance(kTick);
    ++ticks;
    EXPECT_NEAR(std::hypot(Pos(1) - 100, Pos(2)), 100, 1e-6);
    EXPECT_LE(Pos(2), 1e-9);  // counter-clockwise from (-100, 0) about the centre
  }
  EXPECT_NEAR(ticks * 0.005, 100 * M_PI / 2 / 50, 0.0051);
  EXPECT_NEAR(Pos(1), 100, 1e-9);
  EXPECT_NEAR(Pos(2), -100, 1e-9);
}

TEST_F(Orvc, ClockwiseEllipticArcEndsOnTheStretchedEllipse) {
  lib.Get<Int(double, double, double)>("set_vector_profile")(10, 200, 1000);
  lib.Get<Int()>("open_list")();
  lib.Get<Int(double)>("set_ellipse_ratio")(0.5);
  lib.Get<Int(Int, Int, double, double, double)>("fast_arc_center")(1, 2, 100, 0, -180);
  lib.Get<Int()>("close_list")();
  RunUntilStill();
  EXPECT_NEAR(Pos(1), 200, 1e-9);
  EXPECT_NEAR(Pos(2), 0, 1e-9);
  // Half way round clockwise the second axis stood at +50 (half the radius).
  lib.Get<Int()>("open_list")();
  lib.Get<Int(Int, Int, double, double, double)>("fast_arc_center")(1, 2, -100, 0, -90);
  lib.Get<Int()>("close_list")();
  RunUntilStill();
  EXPECT_NEAR(Pos(1), 100, 1e-9);
  EXPECT_NEAR(Pos(2), -50, 1e-9);
}

TEST_F(Orvc, ListedArcsRunInTurnAndAListStopEndsThem) {
  lib.Get<Int(double)>("set_vector_conspeed")(100);
  lib.Get<Int()>("open_list")();
  lib.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, 50, 0, 180);
  lib.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, -50, 0, 180);
  lib.Get<Int()>("close_list")();
  RunUntilStill();
  EXPECT_NEAR(Pos(1), 0, 1e-9);
  EXPECT_NEAR(Pos(2), 0, 1e-9);

  lib.Get<Int()>("open_list")();
  lib.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, 50, 0, 180);
  lib.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, -50, 0, 180);
  lib.Get<Int()>("close_list")();
  lib.Advance(200'000);
  lib.Get<Int()>("sudden_stop_list")();
  EXPECT_EQ(Done(1), 0);
  const double x = Pos(1);
  lib.Advance(5'000'000);
  EXPECT_DOUBLE_EQ(Pos(1), x);
}

TEST_F(Orvc, NewListWaitsForItsCloseEvenWhileTheOldOneRuns) {
  lib.Get<Int(double)>("set_vector_conspeed")(100);
  lib.Get<Int()>("open_list")();
  lib.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, 50, 0, 180);
  lib.Get<Int()>("close_list")();
  lib.Advance(100'000);
  lib.Get<Int()>("open_list")();
  lib.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, -50, 0, 180);
  RunUntilStill();
  EXPECT_NEAR(Pos(1), 100, 1e-9);  // only the first half circle ran
  EXPECT_NEAR(Pos(2), 0, 1e-9);
  ASSERT_EQ(lib.Get<Int()>("close_list")(), 0);
  RunUntilStill();
  EXPECT_NEAR(Pos(1), 0, 1e-9);
}

TEST_F(Orvc, DecelerationStopOfTheListBrakesAlongTheArc) {
  lib.Get<Int(double, double, double)>("set_vector_profile")(10, 100, 100);
  lib.Get<Int()>("open_list")();
  lib.Get<Int(Int, Int, double, double, double)>("fast_arc_center")(1, 2, 200, 0, 180);
  lib.Get<Int()>("close_list")();
  lib.Advance(2'000'000);  // up to 100 after 0.9 s, cruising
  ASSERT_EQ(lib.Get<Int()>("decel_stop_list")(), 0);
  EXPECT_EQ(Done(1), 1);
  lib.Advance(895'000);
  EXPECT_EQ(Done(1), 1);  // 0.9 s of braking from 100 to 10
  lib.Advance(10'000);
  EXPECT_EQ(Done(1), 0);
  EXPECT_NEAR(std::hypot(Pos(1) - 200, Pos(2)), 200, 1e-6);
}

TEST_F(Orvc, ArcThatMeetsALimitStopsOnIt) {
  lib.Get<Int(double)>("set_vector_conspeed")(500);
  // About (900, 0) from (0, 0) counter-clockwise: down through (900, -900)
  // and up toward (1800, 0); the first axis meets its limit at 1000.
  lib.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, 900, 0, 180);
  RunUntilStill();
  EXPECT_EQ(lib.Get<Int(Int)>("check_limit")(1), 1);
  EXPECT_NEAR(Pos(1), 1000, 1e-6);
  EXPECT_NEAR(std::hypot(Pos(1) - 900, Pos(2)), 900, 1e-6);
  EXPECT_LT(Pos(2), -800);
}

TEST_F(Orvc, SlowArcUnderAHugeAdvanceEndsPromptly) {
  lib.Get<Int(double)>("set_vector_conspeed")(0.001);
  lib.Get<Int(Int, Int, double, double, double)>("arc_center")(1, 2, 10, 10, 3600);
  ASSERT_EQ(lib.Advance(std::int64_t{1} << 60), 0);  // some 36,000 years
  EXPECT_EQ(Done(1), 0);
  EXPECT_NEAR(Pos(1), 0, 1e-6);  // ten full turns
  EXPECT_NEAR(Pos(2), 0, 1e-6);
}

TEST_F(Orvc, HomeSearchByIndexStopsOnTheMarkInsideTheSwitch) {
  lib.Get<Int(Int, Int)>("set_home_mode")(1, 3);
  lib.Get<Int(Int, double, double, double)>("set_profile")(1, 30, 100, 200);
  ASSERT_EQ(lib.Get<Int(Int, Int)>("fast_hmove")(1, 1), 0);
  RunUntilStill();
  EXPECT_NEAR(Pos(1), 200, 1e-6);
  EXPECT_EQ(lib.Get<Int(Int)>("check_home")(1), 1);
}

TEST_F(Orvc, HomeSearchWithReapproachStopsOnTheEdgeAtCreepSpeed) {
  lib.Get<Int(Int, Int)>("set_home_mode")(2, 2);
  lib.Get<Int(Int, double, double, double)>("set_profile")(2, 20, 400, 2000);
  ASSERT_EQ(lib.Get<Int(Int, Int)>("fast_hmove")(2, 1), 0);
  RunUntilStill();
  EXPECT_NEAR(Pos(2), 20, 1e-6);
  EXPECT_EQ(lib.Get<Int(Int)>("check_home")(2), 1);
}

TEST_F(Orvc, SeveralAxesRunContinuouslyEachUntilItsOwnLimitOrStop) {
  for (int axis = 1; axis <= 3; ++axis) lib.Get<Int(Int, double)>("set_conspeed")(axis, 100 * axis);
  auto dir = lib.Get<Int(Int)>("get_cur_dir");
  ASSERT_EQ(lib.Get<Int(Int, Int, Int, Int, Int, Int)>("con_vmove3")(1, 1, 2, -1, 3, 1), 0);
  lib.Advance(1'000'000);
  EXPECT_EQ(dir(1), 1);
  EXPECT_EQ(dir(2), -1);
  EXPECT_EQ(dir(3), 1);
  EXPECT_NEAR(lib.Get<double(Int)>("get_rate")(2), 200, 1e-9);
  // Axis 3 reaches its positive limit first and stops there; the others run on.
  lib.Advance(2'500'000);
  EXPECT_EQ(Done(3), 0);
  EXPECT_EQ(lib.Get<Int(Int)>("check_limit")(3), 1);
  EXPECT_NEAR(Pos(3), 1000, 1e-6);
  EXPECT_NE(Done(1), 0);
  EXPECT_NE(Done(2), 0);
  lib.Get<Int(Int)>("sudden_stop")(2);
  EXPECT_EQ(Done(2), 0);
  EXPECT_NE(Done(1), 0);
  EXPECT_NEAR(Pos(2), -700, 1e-6);
  lib.Get<Int(Int)>("sudden_stop")(1);
  EXPECT_NEAR(Pos(1), 350, 1e-6);
}

TEST_F(Orvc, AlarmSwitchedOffNeitherReadsNorStops) {
  lib.Get<int(int, int, int)>("sim_force_signal")(1, SIM_SIGNAL_ALARM, 1);
  lib.Get<Int(Int, double)>("set_conspeed")(1, 100);
  EXPECT_EQ(lib.Get<Int(Int)>("check_alarm")(1), 1);
  EXPECT_EQ(lib.Get<Int(Int, double)>("con_pmove")(1, 50), -2);
  lib.Get<Int(Int, Int)>("enable_alm")(1, 0);
  EXPECT_EQ(lib.Get<Int(Int)>("check_alarm")(1), 0);
  ASSERT_EQ(lib.Get<Int(Int, double)>("con_pmove")(1, 50), 0);
  lib.Advance(250'000);
  // Switched on again while moving: the drive's alarm stops the axis at once.
  lib.Get<Int(Int, Int)>("enable_alm")(1, 1);
  EXPECT_EQ(Done(1), 0);
  EXPECT_NEAR(Pos(1), 25, 1e-6);
}

TEST_F(Orvc, EncodersExistOnTheFirstTwoAxesOfACard) {
  Int count = 0;
  auto enc = lib.Get<Int(Int, Int*)>("get_encoder");
  EXPECT_EQ(enc(1, &count), 0);
  EXPECT_EQ(enc(2, &count), 0);
  EXPECT_LT(enc(3, &count), 0);
  EXPECT_LT(enc(4, &count), 0);
}

// ---------------------------------------------------------------- determinism

std::vector<double> Rehearsal(const SimLibrary& lib) {
  lib.Reset();
  lib.Manual(1);
  std::vector<double> samples;
  auto sample = [&] {
    for (int axis = 1; axis <= 4; ++axis) {
      double p = 0;
      lib.Get<Int(Int, double*)>("get_abs_pos")(axis, &p);
      samples.push_back(p);
      samples.push_back(lib.Get<double(Int)>("get_rate")(axis));
    }
  };
  for (int axis = 1; axis <= 4; ++axis) {
    lib.Get<Int(Int, double)>("set_maxspeed")(axis, 333.3);
    lib.Get<Int(Int, double, double, double)>("set_profile")(axis, 17.1, 333.3, 777.7);
  }
  lib.Get<Int(double, double, double)>("set_vector_profile")(11, 123.4, 456.7);
  lib.Get<Int(Int, Int)>("fast_hmove")(1, 1);
  lib.Get<Int(Int, double, Int, double)>("fast_line2")(2, 123.456, 3, -77.7);
  lib.Get<Int(Int, Int)>("fast_vmove")(4, -1);
  for (int i = 0; i < 400; ++i) {
    lib.Advance(kTick);
    sample();
    if (i == 100) lib.Get<Int(Int)>("decel_stop")(4);
    if (i == 200) {
      lib.Get<Int()>("open_list")();
      lib.Get<Int(Int, Int, double, double, double)>("fast_arc_center")(2, 3, 10.5, -3, 271);
      lib.Get<Int()>("close_list")();
    }
  }
  return samples;
}

TEST(SimDeterminism, ManualClockRunsRepeatExactly) {
  SimLibrary lib("ORVC");
  const auto first = Rehearsal(lib);
  const auto second = Rehearsal(lib);
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) ASSERT_EQ(first[i], second[i]) << "sample " << i;
  // ...and the rehearsal did move things.
  EXPECT_NE(first[first.size() - 8], 0);
}

}  // namespace
