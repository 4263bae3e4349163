// CCardDriver against the three simulated card libraries: what reaches each
// library (its call trace) and what comes back.

#include "card/CardDriver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tests/sim/SimLibrary.h"

namespace {

using testing::IsEmpty;
using testing::StartsWith;

constexpr int kOrva = 0;
constexpr int kOrvb = 1;
constexpr int kOrvc = 2;

class CardDriverTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const simtest::SimLibrary& sim : sims_) {
      ASSERT_TRUE(sim.Loaded()) << "the simulated card libraries are built beside the tests";
      sim.Reset();
    }
  }
  void TearDown() override { CardDriver.model = kOrvb; }

  const simtest::SimLibrary& Sim(int model) const { return sims_[static_cast<std::size_t>(model)]; }
  std::vector<std::string> Trace(int model) const { return Sim(model).TraceEntries(); }
  void ClearTraces() const {
    for (const simtest::SimLibrary& sim : sims_) sim.ClearTrace();
  }

  // The library of `model` saw exactly `calls`, the other two nothing.
  void ExpectOnly(int model, const std::vector<std::string>& calls) const {
    for (int m = kOrva; m <= kOrvc; ++m) {
      if (m == model) {
        EXPECT_EQ(Trace(m), calls) << "model " << m;
      } else {
        EXPECT_THAT(Trace(m), IsEmpty()) << "model " << m;
      }
    }
  }
  void ExpectNoCalls() const {
    for (int m = kOrva; m <= kOrvc; ++m) EXPECT_THAT(Trace(m), IsEmpty()) << "model " << m;
  }

  // An export of the selected model's library, called directly.
  template <typename F>
  F* Direct(int model, const char* name) const {
    return Sim(model).Get<F>(name);
  }

 private:
  // The same libraries the driver holds: loading again shares them.
  const simtest::SimLibrary sims_[3] = {simtest::SimLibrary("ORVA"), simtest::SimLibrary("ORVB"),
                                        simtest::SimLibrary("ORVC")};
};

TEST_F(CardDriverTest, EverythingGoesToOrvbUntilCardInitialisation) {
  const CCardDriver fresh;
  EXPECT_EQ(fresh.model.load(), kOrvb);
  EXPECT_EQ(CardDriver.model.load(), kOrvb);

  int count = 0;
  double position = 0.0;
  CardDriver.set_maxspeed(1, 2000.0);
  CardDriver.set_conspeed(1, 500.0);
  CardDriver.con_pmove(2, 2.5);
  CardDriver.check_done(2);
  CardDriver.get_abs_pos(2, &position);
  CardDriver.get_encoder(3, &count);
  CardDriver.get_rate(2);
  CardDriver.outport_bit(1, 3, 1);
  CardDriver.sudden_stop(2);
  ExpectOnly(kOrvb, {"set_maxspeed(1,2000)", "set_conspeed(1,500)", "con_pmove(2,3)", "check_done(2)",
                     "get_abs_pos(2,*)", "get_encoder(3,*)", "get_rate(2)", "outport_bit(1,3,1)", "sudden_stop(2)"});
}

TEST_F(CardDriverTest, WholePulseModelsRoundDistancesHalvesAwayFromZero) {
  struct Case {
    double distance;
    const char* sent;
  };
  const Case cases[] = {
      {2.5, "3"},
      {-2.5, "-3"},
      {2.4999, "2"},
      {-2.4999, "-2"},
      {0.5, "1"},
      {-0.5, "-1"},
      {0.0, "0"},
      {-0.0, "0"},
      {1e-300, "0"},
      {7.0, "7"},
      // Adding 0.5 and truncating would give 1 here.
      {0.49999999999999994, "0"},
      {-0.49999999999999994, "0"},
      {2147483647.4, "2147483647"},
      {-2147483648.4, "-2147483648"},
  };
  for (int model : {kOrva, kOrvb}) {
    CardDriver.model = model;
    for (const Case& c : cases) {
      ClearTraces();
      CardDriver.fast_pmove(1, c.distance);
      ExpectOnly(model, {std::string("fast_pmove(1,") + c.sent + ")"});
    }
  }
}

TEST_F(CardDriverTest, OrvcReceivesDistancesUnchanged) {
  CardDriver.model = kOrvc;
  CardDriver.con_pmove(1, 2.5);
  CardDriver.con_pmove(1, -2.5);
  CardDriver.fast_pmove(2, 2.4999);
  CardDriver.con_line2(1, -0.25, 2, 0.5);
  ExpectOnly(kOrvc, {"con_pmove(1,2.5)", "con_pmove(1,-2.5)", "fast_pmove(2,2.4999)", "con_line2(1,-0.25,2,0.5)"});
}

// Every dispatched operation with distinct arguments, so a dropped, swapped or
// mistyped argument shows in the trace.
struct Call {
  std::function<double()> run;  // the operation's result
  const char* expected;         // as a whole-pulse model sees it
  const char* orvc = nullptr;   // as ORVC sees it, when that differs
};

TEST_F(CardDriverTest, OperationsPassTheirArgumentsInOrder) {
  const CCardDriver& d = CardDriver;
  int a = 0, b = 0, c = 0, e = 0;
  double position = 0.0;
  // Calls every model has.
  const std::vector<Call> common = {
      {[&] { return d.set_maxspeed(3, 1500.5); }, "set_maxspeed(3,1500.5)"},
      {[&] { return d.set_conspeed(4, 250.25); }, "set_conspeed(4,250.25)"},
      {[&] { return d.set_profile(2, 100, 2000.5, 8000); }, "set_profile(2,100,2000.5,8000)"},
      {[&] { return d.set_vector_conspeed(321.5); }, "set_vector_conspeed(321.5)"},
      {[&] { return d.set_vector_profile(10, 20.5, 30); }, "set_vector_profile(10,20.5,30)"},
      {[&] { return d.reset_pos(3); }, "reset_pos(3)"},
      {[&] { return d.set_outmode(2, 1, 1); }, "set_outmode(2,1,1)"},
      {[&] { return d.enable_sd(4, 1); }, "enable_sd(4,1)"},
      {[&] { return d.set_sd_logic(1, 0); }, "set_sd_logic(1,0)"},
      {[&] { return d.set_el_logic(2, 1); }, "set_el_logic(2,1)"},
      {[&] { return d.set_org_logic(3, 0); }, "set_org_logic(3,0)"},
      {[&] { return d.set_alm_logic(4, 1); }, "set_alm_logic(4,1)"},
      {[&] { return d.con_pmove(2, -1.5); }, "con_pmove(2,-2)", "con_pmove(2,-1.5)"},
      {[&] { return d.con_pmove2(3, 2.5, 1, -2.5); }, "con_pmove2(3,3,1,-3)", "con_pmove2(3,2.5,1,-2.5)"},
      {[&] { return d.fast_pmove2(1, 10.4, 4, -10.6); }, "fast_pmove2(1,10,4,-11)", "fast_pmove2(1,10.4,4,-10.6)"},
      {[&] { return d.con_pmove3(4, 0.5, 2, 1.49, 1, -7.5); }, "con_pmove3(4,1,2,1,1,-8)",
       "con_pmove3(4,0.5,2,1.49,1,-7.5)"},
      {[&] { return d.fast_pmove3(2, 3, 3, 4, 4, 5); }, "fast_pmove3(2,3,3,4,4,5)"},
      {[&] { return d.con_line2(2, 100.5, 1, -0.5); }, "con_line2(2,101,1,-1)", "con_line2(2,100.5,1,-0.5)"},
      {[&] { return d.fast_line2(1, 1, 3, 2); }, "fast_line2(1,1,3,2)"},
      {[&] { return d.con_line3(3, -3.5, 1, 1.5, 2, 0); }, "con_line3(3,-4,1,2,2,0)", "con_line3(3,-3.5,1,1.5,2,0)"},
      {[&] { return d.fast_line3(1, 9.5, 2, 8.5, 4, 7.5); }, "fast_line3(1,10,2,9,4,8)",
       "fast_line3(1,9.5,2,8.5,4,7.5)"},
      {[&] { return d.con_vmove(3, -1); }, "con_vmove(3,-1)"},
      {[&] { return d.fast_vmove(2, 1); }, "fast_vmove(2,1)"},
      {[&] { return d.con_vmove2(4, 1, 1, -1); }, "con_vmove2(4,1,1,-1)"},
      {[&] { return d.fast_vmove2(2, -1, 3, 1); }, "fast_vmove2(2,-1,3,1)"},
      {[&] { return d.con_vmove3(1, 1, 2, -1, 3, 1); }, "con_vmove3(1,1,2,-1,3,1)"},
      {[&] { return d.fast_vmove3(3, -1, 2, 1, 1, -1); }, "fast_vmove3(3,-1,2,1,1,-1)"},
      {[&] { return d.fast_hmove(4, -1); }, "fast_hmove(4,-1)"},
      {[&] { return d.sudden_stop(3); }, "sudden_stop(3)"},
      {[&] { return d.decel_stop(4); }, "decel_stop(4)"},
      {[&] { return d.outport_bit(2, 7, 0); }, "outport_bit(2,7,0)"},
      {[&] { return d.checkin_bit(1, 12); }, "checkin_bit(1,12)"},
      {[&] { return d.get_rate(3); }, "get_rate(3)"},
      {[&] { return d.get_abs_pos(4, &position); }, "get_abs_pos(4,*)"},
      {[&] { return d.check_done(1); }, "check_done(1)"},
      {[&] { return d.check_limit(2); }, "check_limit(2)"},
      {[&] { return d.check_home(3); }, "check_home(3)"},
      {[&] { return d.check_SD(4); }, "check_SD(4)"},
      {[&] { return d.check_alarm(1); }, "check_alarm(1)"},
      {[&] { return d.get_cur_dir(2); }, "get_cur_dir(2)"},
      {[&] { return d.get_lib_ver(&a, &b, &c); }, "get_lib_ver(*,*,*)"},
      {[&] { return d.get_sys_ver(&a, &b, &c); }, "get_sys_ver(*,*,*)"},
      {[&] { return d.get_card_ver(2, &a, &b, &c, &e); }, "get_card_ver(2,*,*,*,*)"},
  };
  // Calls ORVB and ORVC have and ORVA lacks.
  const std::vector<Call> fourAxes = {
      {[&] { return d.set_home_mode(2, 3); }, "set_home_mode(2,3)"},
      {[&] { return d.set_getpos_mode(3, 1); }, "set_getpos_mode(3,1)"},
      {[&] { return d.set_encoder_mode(4, 1, 4, 1); }, "set_encoder_mode(4,1,4,1)"},
      {[&] { return d.enable_el(1, 0); }, "enable_el(1,0)"},
      {[&] { return d.enable_org(2, 1); }, "enable_org(2,1)"},
      {[&] { return d.con_pmove4(4, 1.5, 3, -1.5, 2, 2.5, 1, 0.4); }, "con_pmove4(4,2,3,-2,2,3,1,0)",
       "con_pmove4(4,1.5,3,-1.5,2,2.5,1,0.4)"},
      {[&] { return d.fast_pmove4(1, 1, 2, 2, 3, 3, 4, 4); }, "fast_pmove4(1,1,2,2,3,3,4,4)"},
      {[&] { return d.con_line4(2, -0.5, 1, 0.5, 4, 5, 3, 6.5); }, "con_line4(2,-1,1,1,4,5,3,7)",
       "con_line4(2,-0.5,1,0.5,4,5,3,6.5)"},
      {[&] { return d.fast_line4(3, 1, 4, 2, 1, 3, 2, 4); }, "fast_line4(3,1,4,2,1,3,2,4)"},
      {[&] { return d.con_vmove4(1, -1, 2, 1, 3, -1, 4, 1); }, "con_vmove4(1,-1,2,1,3,-1,4,1)"},
      {[&] { return d.fast_vmove4(4, 1, 3, -1, 2, 1, 1, -1); }, "fast_vmove4(4,1,3,-1,2,1,1,-1)"},
      {[&] { return d.fast_hmove4(2, -1, 1, -1, 4, 1, 3, 1); }, "fast_hmove4(2,-1,1,-1,4,1,3,1)"},
  };
  // ORVC only.
  const std::vector<Call> orvcOnly = {
      {[&] { return d.enable_alm(3, 1); }, "enable_alm(3,1)"},
      {[&] { return d.open_list(); }, "open_list()"},
      {[&] { return d.set_ellipse_ratio(0.75); }, "set_ellipse_ratio(0.75)"},
      {[&] { return d.arc_center(1, 2, 10.5, -3.25, 90); }, "arc_center(1,2,10.5,-3.25,90)"},
      {[&] { return d.fast_arc_center(2, 1, -0.5, 4, -180.5); }, "fast_arc_center(2,1,-0.5,4,-180.5)"},
      {[&] { return d.close_list(); }, "close_list()"},
      {[&] { return d.sudden_stop_list(); }, "sudden_stop_list()"},
      {[&] { return d.decel_stop_list(); }, "decel_stop_list()"},
      {[&] { return d.move_pause(3); }, "move_pause(3)"},
      {[&] { return d.move_resume(4); }, "move_resume(4)"},
      {[&] { return d.enable_input_mode(2, 1); }, "enable_input_mode(2,1)"},
      {[&] { return d.set_im_deadband(1, 25); }, "set_im_deadband(1,25)"},
      {[&] { return d.set_steps_pr(3, 400); }, "set_steps_pr(3,400)"},
      {[&] { return d.set_enc_thread(4, 12); }, "set_enc_thread(4,12)"},
  };

  const auto expectEach = [&](int model, const std::vector<Call>& calls) {
    CardDriver.model = model;
    for (const Call& call : calls) {
      ClearTraces();
      call.run();
      const char* expected = model == kOrvc && call.orvc != nullptr ? call.orvc : call.expected;
      SCOPED_TRACE(expected);
      ExpectOnly(model, {expected});
    }
  };
  expectEach(kOrva, common);
  expectEach(kOrvb, common);
  expectEach(kOrvb, fourAxes);
  expectEach(kOrvb, {{[&] { return d.reset_enc_pos(2); }, "reset_enc_pos(2)"},
                     {[&] { return d.get_encoder(4, &a); }, "get_encoder(4,*)"}});
  expectEach(kOrvc, common);
  expectEach(kOrvc, fourAxes);
  expectEach(kOrvc, orvcOnly);

  // What a model lacks answers CARD_UNSUPPORTED and touches no card.
  const auto expectUnsupported = [&](int model, const std::vector<Call>& calls) {
    CardDriver.model = model;
    ClearTraces();
    for (const Call& call : calls) EXPECT_EQ(call.run(), CARD_UNSUPPORTED) << model << ": " << call.expected;
    ExpectNoCalls();
  };
  expectUnsupported(kOrva, fourAxes);
  expectUnsupported(kOrva, orvcOnly);
  expectUnsupported(kOrvb, orvcOnly);
  expectUnsupported(kOrva, {{[&] { return d.reset_enc_pos(1); }, "reset_enc_pos"}});
  expectUnsupported(kOrvc, {{[&] { return d.reset_enc_pos(1); }, "reset_enc_pos"}});
}

TEST_F(CardDriverTest, ModelOutsideTheThreeCallsNothing) {
  for (int model : {-1, 3, 2052}) {
    CardDriver.model = model;
    int count = 4711;
    double position = 12.5;
    EXPECT_EQ(CardDriver.auto_set(), CARD_UNSUPPORTED);
    EXPECT_EQ(CardDriver.con_pmove(1, 10), CARD_UNSUPPORTED);
    EXPECT_EQ(CardDriver.sudden_stop(1), CARD_UNSUPPORTED);
    EXPECT_EQ(CardDriver.checkin_bit(1, 1), -1);
    EXPECT_EQ(CardDriver.get_rate(1), -100.0);
    EXPECT_EQ(CardDriver.get_abs_pos(1, &position), CARD_UNSUPPORTED);
    EXPECT_EQ(position, 12.5);
    EXPECT_EQ(CardDriver.get_encoder(1, &count), 0);
    EXPECT_EQ(count, 4711);
  }
  ExpectNoCalls();
}

TEST_F(CardDriverTest, EncoderOfOrvcIsReadOnlyOnItsFirstTwoAxesPerCard) {
  CardDriver.model = kOrvc;
  for (int axis : {3, 4, 7, 8}) {
    int count = -555;
    EXPECT_EQ(CardDriver.get_encoder(axis, &count), 0) << "axis " << axis;
    EXPECT_EQ(count, -555) << "axis " << axis;
  }
  ExpectNoCalls();

  auto* direct = Direct<cardabi::SignaturesC::get_encoder>(kOrvc, "get_encoder");
  ASSERT_NE(direct, nullptr);
  for (int axis : {1, 2, 5, 6}) {
    ClearTraces();
    int count = -555;
    int expected = -555;
    const int result = CardDriver.get_encoder(axis, &count);
    EXPECT_EQ(result, direct(axis, &expected)) << "axis " << axis;
    EXPECT_EQ(count, expected) << "axis " << axis;
    ExpectOnly(kOrvc, {"get_encoder(" + std::to_string(axis) + ",*)", "get_encoder(" + std::to_string(axis) + ",*)"});
  }
}

TEST_F(CardDriverTest, OrvaHasNoEncoderToRead) {
  CardDriver.model = kOrva;
  int count = 99;
  EXPECT_EQ(CardDriver.get_encoder(1, &count), 0);
  EXPECT_EQ(count, 99);
  ExpectNoCalls();
}

TEST_F(CardDriverTest, PositionsComeBackAsDoubles) {
  auto* setA = Direct<int(int, int)>(kOrva, "set_abs_pos");
  ASSERT_NE(setA, nullptr);
  ASSERT_EQ(setA(1, -1234), 0);
  CardDriver.model = kOrva;
  double position = 0.75;
  EXPECT_EQ(CardDriver.get_abs_pos(1, &position), 0);
  EXPECT_EQ(position, -1234.0);
  // A read the library refuses leaves the caller's position alone.
  auto* getA = Direct<int(int, int*)>(kOrva, "get_abs_pos");
  ASSERT_NE(getA, nullptr);
  int unused = 0;
  position = 17.0;
  EXPECT_EQ(CardDriver.get_abs_pos(99, &position), getA(99, &unused));
  EXPECT_EQ(position, 17.0);
  EXPECT_EQ(CardDriver.get_abs_pos(1, nullptr), getA(1, nullptr));

  // A move of -2.5 on ORVB ends three whole pulses back; ORVC ends at -2.5.
  for (int model : {kOrvb, kOrvc}) {
    SCOPED_TRACE(model);
    CardDriver.model = model;
    const simtest::SimLibrary& sim = Sim(model);
    ASSERT_EQ(sim.Manual(1), 0);
    ASSERT_EQ(CardDriver.reset_pos(2), 0);
    ASSERT_EQ(CardDriver.set_maxspeed(2, 1000), 0);
    ASSERT_EQ(CardDriver.set_conspeed(2, 1000), 0);
    ASSERT_EQ(CardDriver.con_pmove(2, -2.5), 0);
    sim.RunUntil([] { return CardDriver.check_done(2) == 0; }, 10'000'000);
    ASSERT_EQ(CardDriver.check_done(2), 0);
    position = 0.0;
    EXPECT_EQ(CardDriver.get_abs_pos(2, &position), 0);
    EXPECT_EQ(position, model == kOrvb ? -3.0 : -2.5);
  }
}

TEST_F(CardDriverTest, BadDistancesNeverReachWholePulseModels) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double bad[] = {nan, -nan, inf, -inf, 2147483647.5, -2147483648.5, 4294967296.0, -1e300, 1e300};
  for (int model : {kOrva, kOrvb}) {
    CardDriver.model = model;
    ClearTraces();
    for (double distance : bad) {
      SCOPED_TRACE(distance);
      EXPECT_EQ(CardDriver.con_pmove(1, distance), CARD_BAD_DISTANCE);
      EXPECT_EQ(CardDriver.fast_pmove(2, distance), CARD_BAD_DISTANCE);
      // One bad distance keeps the whole move from the card.
      EXPECT_EQ(CardDriver.con_pmove2(1, 10, 2, distance), CARD_BAD_DISTANCE);
      EXPECT_EQ(CardDriver.fast_line3(1, distance, 2, 10, 3, 10), CARD_BAD_DISTANCE);
      EXPECT_EQ(CardDriver.con_line2(1, 5, 3, distance), CARD_BAD_DISTANCE);
    }
    EXPECT_EQ(CardDriver.fast_pmove4(1, 1, 2, 2, 3, 3, 4, nan), model == kOrvb ? CARD_BAD_DISTANCE : CARD_UNSUPPORTED);
    ExpectNoCalls();
  }
}

TEST_F(CardDriverTest, OrvcIsGivenEveryDistanceAsIs) {
  // ORVC takes doubles: nothing to convert, so nothing is held back.
  CardDriver.model = kOrvc;
  CardDriver.con_pmove(1, std::numeric_limits<double>::quiet_NaN());
  CardDriver.con_pmove(2, 4294967296.0);
  const std::vector<std::string> trace = Trace(kOrvc);
  ASSERT_EQ(trace.size(), 2U);
  EXPECT_THAT(trace[0], StartsWith("con_pmove(1,"));
  EXPECT_THAT(trace[1], StartsWith("con_pmove(2,"));
}

TEST_F(CardDriverTest, ResultsComeBackUnchanged) {
  using Query = int(int);
  for (int model : {kOrva, kOrvb, kOrvc}) {
    CardDriver.model = model;
    SCOPED_TRACE(model);
    auto* autoSet = Direct<int()>(model, "auto_set");
    auto* initBoard = Direct<int()>(model, "init_board");
    auto* suddenStop = Direct<Query>(model, "sudden_stop");
    auto* checkDone = Direct<Query>(model, "check_done");
    auto* getRate = Direct<double(int)>(model, "get_rate");
    ASSERT_TRUE(autoSet && initBoard && suddenStop && checkDone && getRate);
    EXPECT_EQ(CardDriver.auto_set(), autoSet());
    EXPECT_GT(CardDriver.auto_set(), 0);
    EXPECT_EQ(CardDriver.init_board(), initBoard());
    EXPECT_GT(CardDriver.init_board(), 0);
    for (int axis : {1, 4, 0, 99, -3}) {
      EXPECT_EQ(CardDriver.sudden_stop(axis), suddenStop(axis)) << "axis " << axis;
      EXPECT_EQ(CardDriver.check_done(axis), checkDone(axis)) << "axis " << axis;
      EXPECT_EQ(CardDriver.get_rate(axis), getRate(axis)) << "axis " << axis;
    }

    int major = -1, minor = -1, release = -1;
    int directMajor = -2, directMinor = -2, directRelease = -2;
    auto* libVer = Direct<cardabi::SignaturesA::get_lib_ver>(model, "get_lib_ver");
    ASSERT_NE(libVer, nullptr);
    EXPECT_EQ(CardDriver.get_lib_ver(&major, &minor, &release), libVer(&directMajor, &directMinor, &directRelease));
    EXPECT_EQ(major, directMajor);
    EXPECT_EQ(minor, directMinor);
    EXPECT_EQ(release, directRelease);
  }
}

}  // namespace
