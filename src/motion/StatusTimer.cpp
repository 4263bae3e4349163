// The 5 ms status timer and the tick it drives.

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "motion/Engine.h"
#include "motion/EngineInternal.h"
#include "motion/EngineJournal.h"
#include "motion/Recording.h"
#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"
#include "platform/PeriodicTimer.h"

namespace {

// A box asked for from the tick. The courier thread that shows it owns a
// reference, so a tick released by StopStatusTimer may return while the box
// is still open.
struct PendingBox {
  std::mutex mutex;
  std::condition_variable done;
  bool answered = false;
  bool released = false;
  bool finished = false;  // the courier is leaving: joining it is quick
  int result = 0;
};

// A courier whose tick went on without the answer (the timer was stopped):
// it is joined once its box is answered, at the latest by
// JoinTickCouriers before the front end goes away.
struct ReleasedCourier {
  std::thread thread;
  std::shared_ptr<PendingBox> box;
};

// Lives in static storage and has no destructor work, so a courier still
// waiting on a box at exit never touches a destroyed object.
struct TickMessenger {
  std::mutex mutex;
  bool stopping = false;
  std::shared_ptr<PendingBox> current;
  std::vector<ReleasedCourier> released;
};

// Never destroyed: a courier may outlive main.
TickMessenger* const tickMessenger = new TickMessenger;
TickMessenger& Messenger() { return *tickMessenger; }

std::atomic<int> liveCouriers{0};

// While the timer is being stopped: release a waiting tick and show nothing
// new.
void BeginStopping() {
  std::shared_ptr<PendingBox> box;
  {
    std::lock_guard lock(Messenger().mutex);
    Messenger().stopping = true;
    box = Messenger().current;
  }
  if (box) {
    std::lock_guard lock(box->mutex);
    box->released = true;
    box->done.notify_all();
  }
}

void EndStopping() {
  std::lock_guard lock(Messenger().mutex);
  Messenger().stopping = false;
}

void PollAxis(int axis) {
  const std::size_t i = static_cast<std::size_t>(axis - 1);
  double position = StatusTables.CommandPosition[i].load(std::memory_order_relaxed);
  CardDriver.get_abs_pos(axis, &position);
  StatusTables.CommandPosition[i].store(position, std::memory_order_relaxed);
  std::int32_t count = StatusTables.EncoderCount[i].load(std::memory_order_relaxed);
  CardDriver.get_encoder(axis, &count);
  StatusTables.EncoderCount[i].store(count, std::memory_order_relaxed);
  StatusTables.CurrentSpeed[i].store(CardDriver.get_rate(axis), std::memory_order_relaxed);
}

bool AnyPageRunBusy() {
  return RunControl.BusyPtoP.load(std::memory_order_acquire) || RunControl.BusyLinear.load(std::memory_order_acquire) ||
         RunControl.BusyCircular.load(std::memory_order_acquire);
}

void ResetProgramCounters() {
  ProgramRun.CurrentRow.store(0, std::memory_order_relaxed);
  ProgramRun.LoopsDone.store(0, std::memory_order_relaxed);
  ProgramRun.RowState = 0;
  ProgramRun.RowFinished = false;
  ProgramRun.PausedBeforeRow.store(0);
}

// Joins the released couriers whose boxes have been answered.
void JoinFinishedCouriers() {
  std::vector<ReleasedCourier> finished;
  {
    std::lock_guard lock(Messenger().mutex);
    auto& released = Messenger().released;
    for (auto it = released.begin(); it != released.end();) {
      bool done = false;
      {
        std::lock_guard boxLock(it->box->mutex);
        done = it->box->finished;
      }
      if (done) {
        finished.push_back(std::move(*it));
        it = released.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (ReleasedCourier& courier : finished) courier.thread.join();
}

}  // namespace

int ShowTickMessageText(const std::string& text) {
  JoinFinishedCouriers();
  auto box = std::make_shared<PendingBox>();
  {
    std::lock_guard lock(Messenger().mutex);
    if (Messenger().stopping) return 0;
    Messenger().current = box;
  }
  liveCouriers.fetch_add(1);
  std::thread courier;
  try {
    courier = std::thread([box, text] {
      // Waits for the operator; the tick's real-time priority is not for it.
      platform::UseOrdinaryScheduling();
      const int result = Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, BoxIcon::None);
      liveCouriers.fetch_sub(1);
      {
        std::lock_guard lock(box->mutex);
        box->result = result;
        box->answered = true;
        box->finished = true;
      }
      box->done.notify_all();
    });
  } catch (...) {
    liveCouriers.fetch_sub(1);
    std::lock_guard lock(Messenger().mutex);
    Messenger().current.reset();
    return 0;
  }
  int result = 0;
  bool answered = false;
  {
    std::unique_lock lock(box->mutex);
    box->done.wait(lock, [&] { return box->answered || box->released; });
    answered = box->answered;
    result = box->result;
  }
  {
    std::lock_guard lock(Messenger().mutex);
    Messenger().current.reset();
    if (!answered) {
      // The box stays with the front end and the tick goes on; the courier
      // is joined once the box is answered or the front end releases it.
      Messenger().released.push_back({std::move(courier), box});
      return result;
    }
  }
  courier.join();
  return result;
}

void JoinTickCouriers() {
  std::vector<ReleasedCourier> released;
  {
    std::lock_guard lock(Messenger().mutex);
    released.swap(Messenger().released);
  }
  for (ReleasedCourier& courier : released) courier.thread.join();
}

int ShowTickMessage(int number) {
  // Recorded whether or not the language shows it.
  RunReport.Note(number);
  const std::string_view text = OperatorMessageText(number, CurrentLanguage());
  const int result = text.empty() ? 0 : ShowTickMessageText(std::string(text));
  RunReport.JournalEnd();  // a run this message ended, after its box
  return result;
}

int PendingTickMessages() { return liveCouriers.load(); }

void StartStatusTimer() {
  platform::TimerCaps caps{};
  if (platform::GetTimerCaps(&caps, sizeof caps) == platform::kTimerNoError) {
    std::uint32_t resolution = caps.periodMin > 1 ? caps.periodMin : 1;
    if (resolution >= caps.periodMax) resolution = caps.periodMax;
    StatusTables.TimerResolution = resolution;
    if (resolution > 1) {
      char text[64];
      std::snprintf(text, sizeof text, "The resolving power of MMTimer is %u", resolution);
      Operator().MessageBox(text, kAppTitle, BoxButtons::Ok, BoxIcon::None);
      return;
    }
  }
  const std::uint32_t id =
      platform::SetTimerEvent(5, StatusTables.TimerResolution.load(), &StatusTick, 0, platform::kTimerPeriodic);
  StatusTables.TimerId = id;
  if (id == 0) Operator().MessageBox("MMTimer failed!", kAppTitle, BoxButtons::Ok, BoxIcon::None);
}

void StopStatusTimer(std::uint32_t timerId) {
  if (timerId != 0) {
    BeginStopping();
    platform::KillTimerEvent(timerId);
    platform::EndTimerPeriod(StatusTables.TimerResolution.load());
    EndStopping();
  }
  StatusTables.TimerId = 0;
}

void QuitApplication(int exitCode) {
  JournalQuit(exitCode);
  StopStatusTimer(StatusTables.TimerId.load());
  engine::ClearProgram();
  Plot.FreeSegments();
  Operator().RequestQuit(exitCode);
}

void StatusTick(std::uint32_t /*id*/, std::uint32_t /*msg*/, std::uintptr_t /*user*/, std::uintptr_t /*dw1*/,
                std::uintptr_t /*dw2*/) {
  StatusTables.TickCount.fetch_add(1, std::memory_order_relaxed);

  // A setting dialog is writing the parameters the steps read: this tick
  // is skipped, as a late one would be.
  RunControl.TickInStep.store(true);
  if (RunControl.SettingsChanging.load()) {
    RunControl.TickInStep.store(false);
    return;
  }

  // 1. The hold records cover the two cards.
  for (int k = 0; k < 4; ++k) {
    Compensation.HoldRecord1.iAxes[k] = k + 1;
    Compensation.HoldRecord2.iAxes[k] = k + 5;
  }

  // 2. Without a program run: reset its counters, or hold the idle axes
  //    after a run when real-time compensation is on.
  if (!RunControl.BusyProgram.load(std::memory_order_acquire)) {
    if (AnyPageRunBusy() || RunControl.MotionMode.load() != mode::kRun || SysParams.Input != 1) {
      ResetProgramCounters();
    } else {
      IdlePositionHold();
      if (!RunControl.BusyProgram.load(std::memory_order_acquire)) ResetProgramCounters();
    }
  }

  // 3. Page and homing states start over once their run has ended.
  if (!RunControl.BusyLinear.load(std::memory_order_acquire)) ProgramRun.PageRunState[1] = 0;
  if (!RunControl.BusyPtoP.load(std::memory_order_acquire)) ProgramRun.PageRunState[0] = 0;
  if (!RunControl.BusyCircular.load(std::memory_order_acquire)) ProgramRun.PageRunState[2] = 0;
  if (!RunControl.BusyHome.load(std::memory_order_acquire)) Homing.HomeRunState = 0;

  // 4. Poll the shown card's axes (card 2 shows both cards).
  const int shown = RunControl.ShownCard.load();
  const int polled = shown == 1 ? 4 : shown == 2 ? 8 : 0;
  for (int axis = 1; axis <= polled; ++axis) PollAxis(axis);

  // Sequentially consistent with ProgramRunning(): either the editor sees
  // this tick in the program, or this tick sees the run stopped. From here
  // the recording and the program step may read the program.
  RunControl.TickInProgram.store(true);
  // The recording takes the tables just read and the row and pass the tick
  // is about to work on.
  Recording.Record();

  // 5. Advance the runs. A stop pressed meanwhile is sent again afterwards,
  //    so that a move issued by this tick cannot outlive it.
  const std::uint32_t stopsBefore = RunControl.StopCount.load(std::memory_order_acquire);
  if (RunControl.BusyProgram.load() && ProgramStep() == 1) RunControl.BusyProgram = false;
  RunControl.TickInProgram.store(false);
  if (RunControl.BusyPtoP.load(std::memory_order_acquire) && PageRunStep(Page::PtoP) == 1) RunControl.BusyPtoP = false;
  if (RunControl.BusyLinear.load(std::memory_order_acquire) && PageRunStep(Page::Linear) == 1)
    RunControl.BusyLinear = false;
  if (RunControl.BusyCircular.load(std::memory_order_acquire) && PageRunStep(Page::Circular) == 1)
    RunControl.BusyCircular = false;
  if (RunControl.BusyHome.load(std::memory_order_acquire) && HomingRunStep() == 1) RunControl.BusyHome = false;
  if (RunControl.StopCount.load(std::memory_order_acquire) != stopsBefore) engine::RepeatLastStop();
  RunControl.TickInStep.store(false);
}
