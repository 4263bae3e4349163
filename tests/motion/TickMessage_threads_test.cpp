// A box raised on the tick holds the tick until it is answered; stopping
// the timer or quitting while one is open returns at once.

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "EngineFixture.h"

namespace {

using namespace std::chrono_literals;

// A front end whose boxes stay open until the test closes them.
class BlockingPort : public RecordingPort {
 public:
  int MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) override {
    const int answer = RecordingPort::MessageBox(text, caption, buttons, icon);
    std::unique_lock lock(mutex_);
    ++open_;
    opened_.notify_all();
    closed_.wait(lock, [&] { return released_; });
    --open_;
    return answer;
  }
  bool WaitOpen(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return opened_.wait_for(lock, timeout, [&] { return open_ > 0; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    closed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  std::condition_variable closed_;
  int open_ = 0;
  bool released_ = false;
};

class TickMessageTest : public enginetest::EngineTest {
 protected:
  void TearDown() override {
    blocking_.Release();
    // The courier of a released box returns once the box is closed.
    for (int i = 0; i < 500 && PendingTickMessages() > 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(PendingTickMessages(), 0);
    JoinTickCouriers();  // as the program does at exit
    EngineTest::TearDown();
  }

  // Starts the real timer with an empty program run, whose first tick asks
  // for message 6, and waits until that box is open.
  void OpenBoxOnTheTick() {
    RunControl.BusyProgram = true;
    StartStatusTimer();
    ASSERT_NE(StatusTables.TimerId.load(), 0u);
    ASSERT_TRUE(blocking_.WaitOpen(5s));
  }

  // Runs `f` on another thread; true when it returned within the time.
  static bool ReturnsWithin(std::function<void()> f, std::chrono::seconds timeout) {
    auto done = std::async(std::launch::async, std::move(f));
    return done.wait_for(timeout) == std::future_status::ready;
  }

  BlockingPort blocking_;  // installed after the fixture's recorder, so it is the engine's port
};

TEST_F(TickMessageTest, AnOpenBoxHoldsTheTickUntilAnswered) {
  OpenBoxOnTheTick();
  const auto ticks = StatusTables.TickCount.load();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(StatusTables.TickCount.load(), ticks) << "no tick runs while the box is open";
  EXPECT_TRUE(RunControl.BusyProgram.load());

  blocking_.Release();
  for (int i = 0; i < 500 && StatusTables.TickCount.load() < ticks + 5; ++i) std::this_thread::sleep_for(2ms);
  EXPECT_GE(StatusTables.TickCount.load(), ticks + 5) << "ticks resume once the box is closed";
  EXPECT_FALSE(RunControl.BusyProgram.load());
  EXPECT_THAT(blocking_.BoxTexts(), testing::ElementsAre("Error:There is no data!"));
}

TEST_F(TickMessageTest, StoppingTheTimerWithABoxOpenDoesNotWaitForTheAnswer) {
  OpenBoxOnTheTick();
  EXPECT_TRUE(ReturnsWithin([] { StopStatusTimer(StatusTables.TimerId.load()); }, 5s));
  EXPECT_EQ(StatusTables.TimerId.load(), 0u);
  const auto ticks = StatusTables.TickCount.load();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(StatusTables.TickCount.load(), ticks) << "the timer is stopped";
  // The timer can be started again and shows its boxes again.
  blocking_.Release();
  for (int i = 0; i < 500 && PendingTickMessages() > 0; ++i) std::this_thread::sleep_for(10ms);
  RunControl.BusyProgram = true;
  StartStatusTimer();
  for (int i = 0; i < 500 && blocking_.BoxTexts().size() < 2; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(blocking_.BoxTexts().size(), 2u);
}

// A box that outlived its stopped timer keeps its courier until answered;
// the courier is joined then, before the front end may go.
TEST_F(TickMessageTest, JoiningTheCouriersWaitsForTheReleasedBox) {
  OpenBoxOnTheTick();
  StopStatusTimer(StatusTables.TimerId.load());
  EXPECT_EQ(PendingTickMessages(), 1);
  auto joined = std::async(std::launch::async, [] { JoinTickCouriers(); });
  EXPECT_EQ(joined.wait_for(100ms), std::future_status::timeout) << "the box still stands";
  blocking_.Release();
  EXPECT_EQ(joined.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(PendingTickMessages(), 0);
}

TEST_F(TickMessageTest, QuittingWithABoxOpenStopsTheTimerAndAsksToQuit) {
  MotionProgram.clear();
  OpenBoxOnTheTick();
  EXPECT_TRUE(ReturnsWithin([] { QuitApplication(); }, 5s));
  EXPECT_EQ(StatusTables.TimerId.load(), 0u);
  EXPECT_EQ(blocking_.QuitCount(), 1);
}

}  // namespace
