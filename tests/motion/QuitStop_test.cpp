// Quitting leaves nothing moving: whatever runs gets a decelerating stop,
// and an axis still braking after 3 s is stopped at once.

#include "EngineFixture.h"
#include "motion/RunControl.h"

namespace {

using enginetest::CountPrefix;

constexpr char kLongTravel[] = "[axis all]\ntravel = -10000000 10000000\nlimits = -9000000 9000000\n";

class QuitStopTest : public enginetest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    UseMachine(kLongTravel);
  }

  // The quit as the runner makes it on the manual clock: the ticks go on,
  // 5 ms of machine time a pause.
  QuitStopReport Quit() {
    return StopMotionForQuit([this] {
      Tick();
      return kTickSeconds;
    });
  }

  void ConstantMove(int axis, double distance) {
    CardDriver.set_conspeed(axis, 1000);
    CardDriver.con_pmove(axis, distance);
  }

  // A profiled move that has sped up for `seconds`: it needs as long again
  // to brake to its start speed.
  void SpedUpMove(int axis, double seconds) {
    CardDriver.set_maxspeed(axis, 100000);
    CardDriver.set_profile(axis, 0, 100000, 1000);
    CardDriver.fast_pmove(axis, 1000000);
    Ticks(static_cast<int>(seconds / kTickSeconds));
  }
};

class QuitStopCases;

struct QuitCase {
  const char* name;
  int cards;
  std::function<QuitStopReport(QuitStopCases&)> run;  // sets something moving and quits
  std::vector<std::string_view> runs;
  std::vector<int> moving;
  bool stoppedAtOnce;
};

void PrintTo(const QuitCase& c, std::ostream* os) { *os << c.name; }

class QuitStopCases : public QuitStopTest, public testing::WithParamInterface<QuitCase> {
 public:
  // Public for the cases, which set the machine going.
  using QuitStopTest::ConstantMove;
  using QuitStopTest::port_;
  using QuitStopTest::Quit;
  using QuitStopTest::SpedUpMove;
  using QuitStopTest::StartProgram;
  using QuitStopTest::Ticks;
};

TEST_P(QuitStopCases, NothingIsLeftMoving) {
  const QuitCase& c = GetParam();
  if (c.cards == 2) UseMachine(std::string("cards = 2\n") + kLongTravel);
  SelectModel(enginetest::kOrvb, c.cards);
  const QuitStopReport report = c.run(*this);

  EXPECT_EQ(report.runs, c.runs);
  EXPECT_EQ(report.moving, c.moving);
  EXPECT_EQ(!report.stoppedAtOnce.empty(), c.stoppedAtOnce);
  EXPECT_FALSE(AnyMotionBusy());
  for (int axis = 1; axis <= 4 * c.cards; ++axis) EXPECT_EQ(CardDriver.check_done(axis), 0) << "axis " << axis;
  const auto trace = Trace();
  for (const int axis : c.moving) {
    EXPECT_GE(CountPrefix(trace, "decel_stop(" + std::to_string(axis) + ")"), 1u) << "axis " << axis;
  }
  if (c.stoppedAtOnce) {
    EXPECT_EQ(report.stoppedAtOnce, c.moving);
    EXPECT_GE(report.waited, kQuitStopSeconds);
    EXPECT_LT(report.waited, kQuitStopSeconds + 0.01);
    EXPECT_GE(CountPrefix(trace, "sudden_stop("), 1u);
  } else {
    EXPECT_LT(report.waited, kQuitStopSeconds);
    EXPECT_EQ(CountPrefix(trace, "sudden_stop("), 0u);
  }
}

const QuitCase kQuitCases[] = {
    QuitCase{"LongConstantMove",
             1,
             [](QuitStopCases& test) {
               test.ConstantMove(1, 100000);
               test.Ticks(20);
               return test.Quit();
             },
             {},
             {1},
             false},
    // The quit arrives while the jog waits for its axis, as the window's
    // close does.
    QuitCase{"Jog",
             1,
             [](QuitStopCases& test) {
               SysParams.PMoveSetLowSpd[1] = 100;
               SysParams.PMoveSetHighSpd[1] = 1000;
               SysParams.PMoveSetAccSpd[1] = 10000;
               SysParams.PMoveSetStep[1] = 100000;
               QuitStopReport report;
               int pumps = 0;
               test.port_.OnPendingEvents([&] {
                 if (++pumps == 20) report = test.Quit();
                 if (pumps < 20) test.Ticks(1);
               });
               JogButton(2, +1, 0);
               test.port_.OnPendingEvents(nullptr);
               return report;
             },
             {"jog"},
             {2},
             false},
    QuitCase{"PageRun",
             1,
             [](QuitStopCases& test) {
               StartRequest request;
               request.panel = panel::kPtoP;
               request.ptop.axis[0] = 3;
               request.ptop.distance[0] = 100000;
               request.ptop.maxSpeed[0] = 1000;
               EXPECT_EQ(StartButton(request), 1);
               test.Ticks(20);
               return test.Quit();
             },
             {"point-to-point run"},
             {3},
             false},
    QuitCase{"ProgramRunOnTheSecondCard",
             2,
             [](QuitStopCases& test) {
               MotionProgram = {enginetest::Command(0x02014000, {6, 2, 3, 4}, {100000, 0, 0, 0})};
               test.StartProgram(1);
               test.Ticks(40);
               return test.Quit();
             },
             {"program run"},
             {6},
             false},
    QuitCase{"AxisThatBrakesTooLong",
             1,
             [](QuitStopCases& test) {
               test.SpedUpMove(1, 5.0);
               return test.Quit();
             },
             {},
             {1},
             true},
};

std::string CaseName(const testing::TestParamInfo<QuitCase>& param) { return param.param.name; }

INSTANTIATE_TEST_SUITE_P(Motions, QuitStopCases, testing::ValuesIn(kQuitCases), CaseName);

TEST_F(QuitStopTest, NothingRunningSendsNoStop) {
  UseMachine(std::string("cards = 2\n") + kLongTravel);
  SelectModel(enginetest::kOrvb, 2);
  const QuitStopReport report = Quit();
  EXPECT_FALSE(report.StoppedAnything());
  EXPECT_EQ(CountPrefix(Trace(), "decel_stop"), 0u);
  EXPECT_EQ(CountPrefix(Trace(), "sudden_stop"), 0u);
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kSuddenStop);  // the start-of-program value, untouched
}

// The runner's second Ctrl+C: the wait ends and the axes stop at once.
TEST_F(QuitStopTest, APauseThatGivesUpStopsAtOnce) {
  SpedUpMove(2, 1.0);
  const QuitStopReport report = StopMotionForQuit([] { return -1.0; });
  EXPECT_EQ(report.stoppedAtOnce, std::vector<int>{2});
  EXPECT_EQ(report.waited, 0.0);
  EXPECT_EQ(CardDriver.check_done(2), 0);
  EXPECT_EQ(RunControl.MotionMode.load(), mode::kSuddenStop);
}

}  // namespace
