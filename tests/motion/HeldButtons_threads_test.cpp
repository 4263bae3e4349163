// While a box the running program raised waits for its answer (a page run
// stopped at a limit, a failed home search), every motion button answers
// message 10 (Clear 13) and moves nothing; the stops keep working.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "EngineFixture.h"
#include "motion/RunControl.h"

namespace {

using namespace std::chrono_literals;
using enginetest::Command;
using enginetest::Matching;
using enginetest::Motions;
using testing::ElementsAre;
using testing::IsEmpty;

const std::string kBusy = "Error:The motion is running,so it can't start a new motion!";
const std::string kNoClear = "Error:The motion is running,so the data can't be cleared!";

// A front end whose boxes from the tick stay open until the test answers
// them; the boxes of the buttons, asked for on the test's own thread,
// are answered at once as a modal box would be.
class HoldingPort : public RecordingPort {
 public:
  int MessageBox(std::string_view text, std::string_view caption, BoxButtons buttons, BoxIcon icon) override {
    const int answer = RecordingPort::MessageBox(text, caption, buttons, icon);
    if (std::this_thread::get_id() == windows_) return answer;
    std::unique_lock lock(mutex_);
    open_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return answered_; });
    return answer;
  }
  bool WaitOpen() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return open_; });
  }
  void AnswerAll() {
    std::lock_guard lock(mutex_);
    answered_ = true;
    changed_.notify_all();
  }

 private:
  const std::thread::id windows_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  bool answered_ = false;
};

class HeldButtonsTest : public enginetest::EngineTest {
 protected:
  void TearDown() override {
    if (holding_) holding_->AnswerAll();
    StopTicking();
    holding_.reset();
    EngineTest::TearDown();
  }

  // A fresh engine and a holding port (installed after the fixture's
  // recorder, so it is the engine's port).
  HoldingPort& Begin() {
    StopTicking();
    holding_.reset();
    ResetEngineState();
    SelectModel(enginetest::kOrvb, 1);
    holding_ = std::make_unique<HoldingPort>();
    // A jog let through would wait for its axis: time passes while it waits.
    holding_->OnPendingEvents([this] { Machine().Advance(5000); });
    return *holding_;
  }

  // Ticks on a thread of its own, as the timer does, until stopped.
  void StartTicking() {
    stop_ = false;
    ticker_ = std::thread([this] {
      while (!stop_.load()) {
        StatusTick();
        Machine().Advance(5000);
      }
    });
  }
  void StopTicking() {
    stop_ = true;
    if (ticker_.joinable()) ticker_.join();
  }

  std::unique_ptr<HoldingPort> holding_;
  std::atomic<bool> stop_{false};
  std::thread ticker_;
};

TEST_F(HeldButtonsTest, EveryMotionButtonWaitsForTheBoxOfTheRunningProgram) {
  struct Case {
    const char* what;
    std::function<void()> run;
    std::string box;
  };
  const Case cases[] = {
      {"a page run stopped at a limit",
       [] {
         SysParams.PtoPRunRecord = Command(code::kConstPtoP1, {1, 2, 3, 4}, {5000, 0, 0, 0});
         RunControl.BusyPtoP = true;
       },
       "Error:The motion is outside!"},
      {"a home search that cannot find the switch",
       [this] {
         UseMachine("[axis 1]\nhome = 5000 5001\n");
         SysParams.HighSpd[0] = 2000;
         SysParams.AccSpd[0] = 20000;
         HomeAxisButton(1, 0);
       },
       "Error:Please check the origin signal is right!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HoldingPort& port = Begin();
    c.run();
    StartTicking();
    ASSERT_TRUE(port.WaitOpen());
    EXPECT_FALSE(AnyMotionBusy()) << "the run has ended; its box stands";
    ClearTraces();

    JogButton(1, +1, 0);
    HomeAxisButton(2, 0);
    HomeAllButton(0);
    StartRequest page;
    page.panel = panel::kPtoP;
    EXPECT_EQ(StartButton(page), 0);
    EXPECT_EQ(StartButton(StartRequest{}), 0);
    ClearButton();
    EXPECT_THAT(port.BoxTexts(), ElementsAre(c.box, kBusy, kBusy, kBusy, kBusy, kBusy, kNoClear));
    EXPECT_THAT(Motions(Trace()), IsEmpty());
    EXPECT_FALSE(AnyMotionBusy());

    SStop();
    EXPECT_THAT(Matching(Trace(), "sudden_stop"),
                ElementsAre("sudden_stop(1)", "sudden_stop(2)", "sudden_stop(3)", "sudden_stop(4)"));

    // Answered, the box leaves the buttons free again.
    port.AnswerAll();
    StopTicking();
    EXPECT_EQ(PendingTickMessages(), 0);
    EXPECT_EQ(StartButton(StartRequest{}), 1);
    EXPECT_TRUE(RunControl.BusyProgram.load());
  }
}

}  // namespace
