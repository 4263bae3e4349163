// The busy test the control panel and the program's editing commands use,
// and the card count the unit conversion loops over.

#include "program/RunGuard.h"

#include "motion/Units.h"

#include "motion/EngineState.h"

bool AnyMotionBusy() {
  return RunControl.BusyCircular.load() || RunControl.BusyLinear.load() || RunControl.BusyPtoP.load() ||
         ProgramRunning() || RunControl.BusyHome.load() || RunControl.BusyJog.load();
}

// Also true while a tick that began before a stop is still reading the
// program.
bool ProgramRunning() { return RunControl.BusyProgram.load() || RunControl.TickInProgram.load(); }

int InstalledCardCount() { return RunControl.CardCount.load(); }
