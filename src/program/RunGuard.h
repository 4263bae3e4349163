#pragma once
// What the program's editing and file commands need to know about running
// motions. The motion engine defines these from its run-control flags; the
// program library only asks.

// True while any of the six busy flags is set (program, PtoP, linear,
// circular, homing, jog).
bool AnyMotionBusy();

// True while the program runs (BusyProgram): the tick reads MotionProgram.
bool ProgramRunning();
