// The busy test the control panel and the program's editing commands use,
// and the card count the unit conversion loops over.

#include "program/RunGuard.h"

#include <thread>

#include "motion/Engine.h"
#include "motion/EngineState.h"
#include "motion/Units.h"

bool AnyMotionBusy() {
  return RunControl.BusyCircular.load() || RunControl.BusyLinear.load() || RunControl.BusyPtoP.load() ||
         ProgramRunning() || RunControl.BusyHome.load() || RunControl.BusyJog.load();
}

// Also true while a tick that began before a stop is still reading the
// program.
bool ProgramRunning() { return RunControl.BusyProgram.load() || RunControl.TickInProgram.load(); }

bool MotionButtonsHeld() {
  if (AnyMotionBusy()) return true;
  // A tick inside its steps may have just ended a run for a box it is about
  // to raise: wait until it has raised it or left its steps, which takes
  // microseconds (a tick waits only for its boxes).
  while (RunControl.TickInStep.load()) {
    if (PendingTickMessages() > 0) return true;
    std::this_thread::yield();
  }
  return PendingTickMessages() > 0 || AnyMotionBusy();
}

int InstalledCardCount() { return RunControl.CardCount.load(); }
