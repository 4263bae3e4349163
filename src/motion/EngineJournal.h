#pragma once
// The motion engine's events in the journal (operator/Journal.h), one call
// per hook: the motion commands as the control panel and the runner give
// them, the end of a program run, card initialisation and quitting.

#include <string_view>

// Start on `panel` (an ActivePanel value); `loops` is the program run's.
void JournalStart(int panel, int loops);
// The listing's Run From Here: the program run from `row` (1-based).
void JournalRunFromRow(int row, int loops);
// A jog of `axis` (1-8) in `direction` (-1, +1).
void JournalJog(int axis, int direction);
// A home button: one axis (1-8), or all four of `card` (1, 2).
void JournalHome(int axis);
void JournalHomeAll(int card);
// A command without details: "dstop", "sstop", "clear".
void JournalCommand(std::string_view command);
// A program run ended: run_end::kNormal, kMessage (with its number) or
// kStopped.
void JournalRunEnd(int end, int message);
// Card initialisation's result for model `ctrler`.
void JournalCards(int ctrler, int axes, int cards);
// The program (`program`: "tessor", "tessor-run") started, and it quits.
void JournalSessionStart(std::string_view program);
void JournalQuit(int exitCode = 0);
