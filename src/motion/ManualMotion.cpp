// The jog and the two stops.

#include <chrono>
#include <thread>

#include "motion/Engine.h"
#include "motion/EngineInternal.h"
#include "motion/EngineJournal.h"
#include "operator/OperatorMessages.h"
#include "operator/OperatorPort.h"

namespace {

// Pause between two polls of a jog's axis: the wait delivers the front
// end's events without keeping a core busy.
constexpr auto kJogPollPause = std::chrono::milliseconds(1);

void StopAll(bool sudden) {
  RunControl.BusyJog = false;
  RunControl.BusyHome = false;
  RunControl.BusyCircular = false;
  RunControl.BusyLinear = false;
  RunControl.BusyPtoP = false;
  if (RunControl.BusyProgram.exchange(false)) RunReport.Finish(run_end::kStopped);
  Plot.FreeSegments();
  RunControl.MotionMode = sudden ? mode::kSuddenStop : mode::kDecelStop;
  RunControl.LastStopSudden = sudden;
  RunControl.StopCount.fetch_add(1, std::memory_order_acq_rel);
  engine::RepeatLastStop();
}

}  // namespace

void JogButton(int buttonAxis, int direction, int cardSelection) {
  JournalJog(cardSelection == 1 ? buttonAxis + 4 : buttonAxis, direction);
  if (MotionButtonsHeld()) {
    ShowOperatorMessage(10);
    return;
  }
  RunControl.MotionMode = mode::kJog;
  RunControl.BusyJog = true;
  const int axis = cardSelection == 1 ? buttonAxis + 4 : buttonAxis;
  JogStep(axis, direction);
}

int JogStep(int axis, int direction) {
  double start = 0.0, maximum = 0.0, acceleration = 0.0, step = 0.0;
  if (AxisInTables(axis)) {
    const std::size_t i = AxisIndex(axis);
    start = engine::AxisToPulses(axis, SysParams.PMoveSetLowSpd[i]);
    maximum = engine::AxisToPulses(axis, SysParams.PMoveSetHighSpd[i]);
    acceleration = engine::AxisToPulses(axis, SysParams.PMoveSetAccSpd[i]);
    step = engine::AxisToPulses(axis, SysParams.PMoveSetStep[i]);
  }
  CardDriver.set_maxspeed(axis, maximum);
  CardDriver.set_profile(axis, start, maximum, acceleration);
  CardDriver.fast_pmove(axis, direction * step);

  int done = CardDriver.check_done(axis);
  while (done == 1) {
    PumpOneMessage();
    std::this_thread::sleep_for(kJogPollPause);
    done = CardDriver.check_done(axis);
  }
  RunControl.BusyJog = false;
  return done;
}

void PumpOneMessage() { Operator().ProcessPendingEvents(); }

void DStop() {
  JournalCommand("dstop");
  StopAll(false);
}

void SStop() {
  JournalCommand("sstop");
  StopAll(true);
}
