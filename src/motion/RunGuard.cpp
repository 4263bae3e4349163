// The busy test the control panel and the program's editing commands use,
// and the card count the unit conversion loops over.

#include "program/RunGuard.h"

#include "motion/Units.h"

#include "motion/EngineState.h"

bool AnyMotionBusy() {
  return RunControl.BusyCircular.load() || RunControl.BusyLinear.load() || RunControl.BusyPtoP.load() ||
         RunControl.BusyProgram.load() || RunControl.BusyHome.load() || RunControl.BusyJog.load();
}

bool ProgramRunning() { return RunControl.BusyProgram.load(); }

int InstalledCardCount() { return RunControl.CardCount.load(); }
